#include "vinculation_types.h"

#include "app_context.h"
#include "database.h"
#include "format.h"
#include "party_state.h"

#include <QSqlQuery>

namespace klv {
namespace {
QString text(const QVariant& v) { return v.isNull() ? QString() : v.toString(); }
}  // namespace

std::vector<TipoVinculacion> udp_CargarLstTipVin(const AppContext& ctx) {
    Query q = ctx.db().exec(
        QStringLiteral("SELECT COD_TIP_VIN, NUM_RENTA, NOM_TIP_VIN FROM TIP_VIN ORDER BY COD_TIP_VIN, FORMULARIO"));
    std::vector<TipoVinculacion> tipos;
    while (q.next()) tipos.push_back({text(q.value(0)), text(q.value(1)), text(q.value(2))});
    return tipos;
}

QStringList IniciarArray(const AppContext& ctx, const QString& docIdD, const QString& tipDocP, const QString& docIdP) {
    Query q = ctx.db().exec(
        QStringLiteral("SELECT COD_TIP_VIN FROM TIP_VIN_PAR WHERE TIP_DOC_D = 6 AND DOC_ID_D = ? AND TIP_DOC_P = ? AND "
                       "DOC_ID_P = ? ORDER BY FORMULARIO, COD_TIP_VIN"),
        {textValue(docIdD), static_cast<int>(fmt::val(tipDocP)), textValue(docIdP)});
    QStringList codigos;
    while (q.next()) {
        const QString c = text(q.value(0)).trimmed();
        if (!c.isEmpty() && !codigos.contains(c) && codigos.size() < party::kMaxTiposVinc) codigos << c;
    }
    return codigos;
}

}  // namespace klv
