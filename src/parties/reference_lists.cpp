#include "reference_lists.h"

#include "app_context.h"
#include "database.h"

#include <QSqlQuery>

namespace klv {

ReferenceList listaReferencia(const AppContext& ctx, const QString& kind) {
    ReferenceList l;
    QString sql;
    if (kind == kListaParaiso) {
        l.caption = QStringLiteral("PARAISOS FISCALES");
        l.columnas = QStringList{QStringLiteral("CODIGO"), QStringLiteral("DESCRIPCION")};
        l.helpContext = 1007;
        sql = QStringLiteral("SELECT PF.COD_PAR AS CODIGO, PR.FUNCION AS DESCRIPCION FROM PARAISO_FISCAL PF, PARAM PR "
                             "WHERE PF.COD_PAR = PR.ARGUMENTO AND PR.NUMERO = '976' ORDER BY PF.COD_PAR, PF.FORMULARIO");
    } else if (kind == kListaVinculo) {
        l.caption = QStringLiteral("TIPOS DE VINCULACION");
        l.columnas = QStringList{QStringLiteral("ART.24° REGLAMENTO DE LEY DEL IMPUESTO A LA RENTA"),
                                 QStringLiteral("DESCRIPCION")};
        l.nota = true;
        l.helpContext = 1023;
        sql = QStringLiteral("SELECT NUM_RENTA, NOM_TIP_VIN FROM TIP_VIN ORDER BY COD_TIP_VIN, FORMULARIO");
    } else {
        return l;
    }
    l.conocida = true;
    Query q = ctx.db().exec(sql);
    while (q.next())
        l.filas.emplace_back(q.value(0).isNull() ? QString() : q.value(0).toString(),
                             q.value(1).isNull() ? QString() : q.value(1).toString());
    return l;
}

}  // namespace klv
