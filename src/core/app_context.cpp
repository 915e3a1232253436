#include "app_context.h"

#include <cstdio>
#include <cstdlib>

namespace klv {

void AppContext::noConnection() {
    std::fputs("klv: se pidió la conexión a la base de datos a un contexto que no la tiene (el hilo de la "
               "ventana la pide al motor)\n",
               stderr);
    std::fflush(stderr);
    std::abort();
}

}  // namespace klv
