#include "linea_comandos.h"

namespace klv::resumen {
namespace {

bool letrasYDigitos(const QString& s) {
    if (s.isEmpty()) return false;
    for (const QChar c : s) {
        const char16_t u = c.unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z'))) return false;
    }
    return true;
}

bool digitos(const QString& s, int largo) {
    if (s.size() != largo) return false;
    for (const QChar c : s)
        if (c.unicode() < '0' || c.unicode() > '9') return false;
    return true;
}

}  // namespace

QString unirArgumentos(const QStringList& argumentos) {
    if (argumentos.size() == 2) return argumentos[0].leftJustified(17, QLatin1Char(' ')) + argumentos[1];
    return argumentos.join(QLatin1Char(' '));
}

LineaResumen cortarLinea(const QString& linea) {
    LineaResumen l;
    l.tipDocD = linea.mid(0, 2);
    l.docIdD = linea.mid(2, 15);
    l.formulario = linea.mid(17, 4);
    l.periodo = linea.mid(21, 6);
    l.codEnvio = linea.mid(27, 1);
    l.nroEnvio = linea.mid(28);
    return l;
}

QString validarLinea(const QString& linea) {
    if (linea.size() != 35 && linea.size() != 36)
        return QStringLiteral("La línea de comandos debe tener 35 o 36 caracteres y tiene %1.").arg(linea.size());
    const LineaResumen l = cortarLinea(linea);
    if (!digitos(l.tipDocD, 2))
        return QStringLiteral("El tipo de documento (caracteres 1 y 2) debe tener dos dígitos: \"%1\".").arg(l.tipDocD);
    if (!letrasYDigitos(l.docIdD.trimmed()))
        return QStringLiteral("El número de documento (caracteres 3 a 17) debe tener solo letras y dígitos: \"%1\".")
            .arg(l.docIdD);
    if (!letrasYDigitos(l.formulario))
        return QStringLiteral("El formulario (caracteres 18 a 21) debe tener solo letras y dígitos: \"%1\".")
            .arg(l.formulario);
    if (!digitos(l.periodo, 6))
        return QStringLiteral("El periodo (caracteres 22 a 27) debe tener seis dígitos: \"%1\".").arg(l.periodo);
    if (!letrasYDigitos(l.codEnvio))
        return QStringLiteral("El código de envío (carácter 28) debe ser una letra o un dígito: \"%1\".")
            .arg(l.codEnvio);
    if (!letrasYDigitos(l.nroEnvio))
        return QStringLiteral("El número de envío (caracteres 29 en adelante) debe tener solo letras y dígitos: "
                              "\"%1\".")
            .arg(l.nroEnvio);
    return QString();
}

QString periodoConsulta(const QString& periodo) {
    return periodo.endsWith(QLatin1String("00")) ? periodo.left(4) : periodo;
}

QString periodoMostrado(const QString& periodo) {
    if (periodo.endsWith(QLatin1String("00"))) return periodo.left(4);
    return periodo.right(2) + QLatin1Char('/') + periodo.left(4);
}

}  // namespace klv::resumen
