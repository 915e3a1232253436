#include "field_checks.h"

#include "app_context.h"
#include "format.h"
#include "utilitarios.h"

#include <cstdint>
#include <limits>
#include <stdexcept>

namespace klv {

bool udf_ValidaDocumento(const AppContext& ctx, const QString& tipoDoc, const QString& numDoc) {
    const QString numero = numDoc.trimmed();
    if (numero.isEmpty() || tipoDoc.trimmed().isEmpty()) return false;

    const QString argumento = fmt::numberText(fmt::val(tipoDoc));
    const QVariant row = ctx.db().scalar(
        QStringLiteral("SELECT Funcion FROM PARAM WHERE Numero = '044' AND Argumento = ?"), {argumento});
    if (!row.isValid()) return false;

    // Layout of a document type: length at 46-47, data kind at 128, length rule at 130.
    const QString funcion = row.toString();
    const int largo = static_cast<int>(fmt::val(funcion.mid(45, 2)));
    const bool exacto = fmt::val(funcion.mid(129, 1)) != 0;
    const bool sinTipo = fmt::val(funcion.mid(127, 1)) == 0;

    bool ok = exacto ? numero.size() == largo : numero.size() <= largo;
    // The character check runs even when the length already failed.
    const bool caracteres =
        sinTipo ? ctx.gUtil->ValidaDocSinTipo(numero) : ctx.gUtil->ValidaDocConTipo(numero);
    if (!caracteres) ok = false;
    return ok;
}

bool udf_ComparaMonto(const QString& operador, double a, double b) {
    if (operador == QLatin1String("menor")) return a < b;
    if (operador == QLatin1String("mayor")) return a > b;
    if (operador == QLatin1String("menorigual")) return a <= b;
    if (operador == QLatin1String("mayorigual")) return a >= b;
    return true;
}

bool udf_ComparaClaveMonto(const QString& clave1, const QString& clave2, double x, double y) {
    return !(clave1 == clave2 && y > x);
}

bool udf_ValidaNumeroDecimal(const QString& texto, int maxEnteros, int /*decimales*/) {
    const qsizetype punto = texto.indexOf(QLatin1Char('.'));
    if (punto < 0) return texto.size() <= maxEnteros;
    if (punto > maxEnteros) return false;
    if (texto.indexOf(QLatin1Char('.'), punto + 1) >= 0) return false;
    // More than two digits after the point leaves no point among the last three characters.
    return texto.right(3).contains(QLatin1Char('.'));
}

bool udf_FechaMayorHoy(const AppContext& ctx, const QString& fecha) {
    const auto fechaDada = fmt::parseDate(fecha);
    if (!fechaDada) throw std::invalid_argument("No coinciden los tipos: '" + fecha.toStdString() + "' no es una fecha");
    return ctx.clock->today() < *fechaDada;
}

QString udf_IncrementaStr(int& contador, int paso) {
    const long long nuevo = static_cast<long long>(contador) + paso;
    if (nuevo > std::numeric_limits<std::int16_t>::max() || nuevo < std::numeric_limits<std::int16_t>::min())
        throw std::overflow_error("Desbordamiento");
    contador = static_cast<int>(nuevo);
    return QString::number(contador);
}

}  // namespace klv
