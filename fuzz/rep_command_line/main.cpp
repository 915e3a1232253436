// Fuzz target of 8027REP's command line: the arguments, separated by NUL bytes, as the program
// receives them. A line the check accepts names files only with letters and digits.
#include "linea_comandos.h"
#include "resumen_datos.h"

#include <QStringList>
#include <cstddef>
#include <cstdint>

namespace {
bool letrasYDigitos(const QString& s) {
    for (const QChar c : s)
        if (c.unicode() > 127 || !c.isLetterOrNumber()) return false;
    return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QStringList argumentos;
    for (const QByteArray& a : QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).split('\0'))
        argumentos << QString::fromLocal8Bit(a);
    using namespace klv::resumen;
    const QString linea = unirArgumentos(argumentos);
    if (!validarLinea(linea).isEmpty()) return 0;
    const LineaResumen l = cortarLinea(linea);
    if (!letrasYDigitos(l.baseNombre()) || l.baseNombre().size() < 12 || !letrasYDigitos(l.documento()))
        __builtin_trap();
    (void)periodoConsulta(l.periodo);
    (void)periodoMostrado(l.periodo);
    (void)textoConsultaCab(l);
    return 0;
}
