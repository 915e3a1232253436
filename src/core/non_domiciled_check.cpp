#include "non_domiciled_check.h"

#include "app_context.h"
#include "field_checks.h"
#include "format.h"
#include "utilitarios.h"

#include <QSqlRecord>

namespace klv {
namespace {

const QString kItem = QStringLiteral("\r\n\t- ");

bool vacio(const QVariant& v) { return v.isNull(); }

}  // namespace

InformadoNoDomCheck udf_VerificaInformadoNoDom(const AppContext& ctx, int periodo, const Declarant& declarante,
                                               const Party& parte) {
    InformadoNoDomCheck r;
    if (periodo < ctx.gAnioNoDom) return r;

    const auto filas = ctx.db().rows(
        QStringLiteral("SELECT DOC_ID_D, DOC_ID_P, TIP_DOC_P, FLAG_CON_DOM, COD_NAT_JUR, TIP_DIR_LEGAL, "
                       "DES_DIR_LEGAL, FEC_NAC FROM PAR_VIN WHERE TIP_DOC_D = 6 AND DOC_ID_D = ? AND "
                       "TIP_DOC_P = ? AND DOC_ID_P = ?"),
        {textValue(declarante.docIdD), parte.tipDocP, textValue(parte.docIdP)});
    // No row: a party with no data, for which the rule has nothing to check.
    if (filas.empty()) return r;
    const QSqlRecord& f = filas.front();
    auto texto = [&](const char* col) { return f.value(QLatin1String(col)).toString(); };
    r.leido = true;
    r.docIdD = texto("DOC_ID_D");
    r.docIdP = texto("DOC_ID_P");
    r.tipDocP = texto("TIP_DOC_P");

    const QVariant naturaleza = f.value(QStringLiteral("COD_NAT_JUR"));
    const QVariant domicilio = f.value(QStringLiteral("FLAG_CON_DOM"));
    if (vacio(domicilio) || vacio(naturaleza)) return r;
    const double codNatJur = fmt::val(naturaleza.toString());
    if (domicilio.toString() != QLatin1String("02") || codNatJur == 9) return r;

    QString mensaje;
    if (vacio(f.value(QStringLiteral("TIP_DIR_LEGAL")))) mensaje = kItem + QStringLiteral("Tipo de Dirección Legal");
    if (vacio(f.value(QStringLiteral("DES_DIR_LEGAL")))) mensaje += kItem + QStringLiteral("Dirección Legal");
    if (codNatJur == 1) {
        const QString fecNac = texto("FEC_NAC").trimmed();
        const auto fecha = fmt::parseDate(fecNac);
        if (fecNac.isEmpty()) {
            mensaje += kItem + QStringLiteral("Fecha de Nacimiento");
        } else if (!fecha || !ctx.gUtil->ValidaFecha(fmt::formatDate(*fecha, QStringLiteral("dd/mm/yyyy")),
                                                     QStringLiteral("01/01/1800"), QStringLiteral("01/01/2500"))) {
            mensaje += kItem + QStringLiteral("Fecha de Nacimiento (No válida)");
        } else if (udf_FechaMayorHoy(ctx, fmt::formatDate(*fecha, QStringLiteral("dd/mm/yyyy")))) {
            mensaje += kItem + QStringLiteral("Fecha de Nacimiento (Mayor a la fecha actual)");
        }
        if (!mensaje.isEmpty())
            mensaje = QStringLiteral(" y ser Persona Natural deberán consignar la siguiente información: ") + mensaje;
    } else if (codNatJur == 2 && !mensaje.isEmpty()) {
        mensaje = QStringLiteral(" y ser Persona Jurídica deberán consignar la siguiente información: ") + mensaje;
    }
    if (mensaje.isEmpty()) return r;

    r.completo = false;
    r.mensaje = QStringLiteral("A partir del año ") + QString::number(ctx.gAnioNoDom) +
                QStringLiteral(" para los 'Informados del Declarante' que tengan condición 'NO DOMICILIADO'") + mensaje +
                QStringLiteral("\r\n\r\n¿Desea modificar los datos del Informado?\r\n"
                               "Si desea modificarlo haga click en el boton 'Sí'. "
                               "Si desea seleccionar otro Informado o realizar otra operacion haga click en 'No'.");
    return r;
}

}  // namespace klv
