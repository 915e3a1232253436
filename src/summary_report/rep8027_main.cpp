// 8027REP: the submission summary of a declaration, started by the host with its command line.
// No window: messages are boxes on a display, standard error without one. It runs on Qt's core
// application; the GUI one starts only for a box.
#include "clock.h"
#include "message_service.h"
#include "qt_message_service.h"
#include "programa_resumen.h"

int main(int argc, char** argv) {
    klv::prepareProgramEnvironment();
    klv::WindowlessProgram programa(argc, argv, QStringLiteral("8027REP"));
    const klv::SystemClock reloj;
    return klv::resumen::Main(programa.arguments(), {&programa.messages(), &reloj, QString()});
}
