#include "declaration_queries.h"

#include "app_context.h"
#include "format.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace klv {
namespace {

// Sum of a column of one row, rounded to two decimals as the totals are shown; NULL (no rows) is 0.
double dosDecimales(const QVariant& suma) {
    return suma.isNull() ? 0.0 : fmt::roundHalfAwayFromZero(suma.toDouble(), 2);
}

// The PAR_VIN flag of one party under gFormulario; a party without a row has none.
QString banderaParte(const AppContext& ctx, const Declarant& d, const Party& p, const QString& columna) {
    const auto filas = ctx.db().rows(QStringLiteral("SELECT %1 FROM PAR_VIN WHERE TIP_DOC_D = ? AND DOC_ID_D = ? "
                                                    "AND TIP_DOC_P = ? AND DOC_ID_P = ? AND FORMULARIO = ?")
                                         .arg(columna),
                                     {d.tipDocD, textValue(d.docIdD), p.tipDocP, textValue(p.docIdP),
                                      textValue(ctx.gFormulario)});
    if (filas.empty() || filas.front().value(0).isNull()) return QString();
    return filas.front().value(0).toString();
}

// Sum of one column choice per financial indicator, only over rows of the method; NULL when the
// method has no row.
QString sumaMetodo(const QString& flag, const QString& noFinanciera, const QString& financiera) {
    return QStringLiteral("SUM(CASE WHEN T.FLAG_VAL_MET='%1' AND T.IND_TRANSAC_FIN='0' THEN %2"
                          " WHEN T.FLAG_VAL_MET='%1' AND T.IND_TRANSAC_FIN='1' THEN %3 END)")
        .arg(flag, noFinanciera, financiera);
}

QString estricto(const QString& col) { return QStringLiteral("VB_CDBL(T.%1)").arg(col); }
QString tresPorValor(const QString& a, const QString& b, const QString& c) {
    return QStringLiteral("(VB_VAL(T.%1)+VB_VAL(T.%2)+VB_VAL(T.%3))").arg(a, b, c);
}

// One pass over a declaration's rows of `tabla` giving the first `cuantas` of the six sums by
// method, in udf_SumasMetodos's order; bound to the document type, period and RUC.
QString sumasMetodosSql(const QString& tabla, int cuantas) {
    const QString sumas[] = {
        sumaMetodo(QStringLiteral("00"), estricto(QStringLiteral("MTO_SIN_TRAN_MON_REG")),
                   estricto(QStringLiteral("MTO_SIN_INTS_MON_REG"))),
        sumaMetodo(QStringLiteral("01"),
                   tresPorValor(QStringLiteral("MTO_SIN_AJU_PCNC"), QStringLiteral("MTO_SIN_AJU_PR"),
                                QStringLiteral("MTO_SIN_AJU_CI")),
                   tresPorValor(QStringLiteral("MTO_INTS_SIN_AJU_PCNC"), QStringLiteral("MTO_INTS_SIN_AJU_PR"),
                                QStringLiteral("MTO_INTS_SIN_AJU_CI"))),
        sumaMetodo(QStringLiteral("01"),
                   tresPorValor(QStringLiteral("MTO_AJU_PCNC"), QStringLiteral("MTO_AJU_PR"), QStringLiteral("MTO_AJU_CI")),
                   tresPorValor(QStringLiteral("MTO_INTS_AJU_PCNC"), QStringLiteral("MTO_INTS_AJU_PR"),
                                QStringLiteral("MTO_INTS_AJU_CI"))),
        sumaMetodo(QStringLiteral("02"), estricto(QStringLiteral("MTO_TRA_MON_REG")),
                   estricto(QStringLiteral("MTO_TOT_INTS_MON_REG"))),
        sumaMetodo(QStringLiteral("02"), estricto(QStringLiteral("MTO_AJU_RES_POS_REG")),
                   estricto(QStringLiteral("MTO_TOT_AJU_RES_POS_REG"))),
        sumaMetodo(QStringLiteral("02"), estricto(QStringLiteral("MTO_AJU_RES_NEG_REG")),
                   estricto(QStringLiteral("MTO_TOT_AJU_RES_NEG_REG"))),
    };
    QStringList columnas;
    for (int i = 0; i < cuantas; ++i) columnas << sumas[i];
    return QStringLiteral("SELECT %1 FROM %2 T WHERE T.TIP_DOC_D=? AND T.PERIODO=? AND T.DOC_ID_D=?")
        .arg(columnas.join(QStringLiteral(", ")), tabla);
}

}  // namespace

long udf_NumTransaccPartVinc(const AppContext& ctx, const Declarant& d, const Party& p) {
    return ctx.db()
        .scalar(QStringLiteral("SELECT count(*) FROM TRANSACCION2 WHERE TIP_DOC_D = ? AND DOC_ID_D = ? AND "
                               "TIP_DOC_P = ? AND DOC_ID_P = ? AND FORMULARIO = ?"),
                {d.tipDocD, textValue(d.docIdD), p.tipDocP, textValue(p.docIdP), textValue(ctx.gFormulario)})
        .toLongLong();
}

bool udf_ExisteTmpTransacc(const AppContext& ctx, const TransactionKey& k) {
    const DeclarationKey& dk = k.declaration;
    return ctx.db()
               .scalar(QStringLiteral("SELECT count(*) FROM TMPTRANSACCION2 WHERE TIP_DOC_D = ? AND DOC_ID_D = ? "
                                      "AND PERIODO = ? AND TIP_DOC_P = ? AND DOC_ID_P = ? AND "
                                      "COR_TRANSACCION = ? AND FORMULARIO = ?"),
                       {dk.tipDocD, textValue(dk.docIdD), textValue(dk.periodo), k.party.tipDocP,
                        textValue(k.party.docIdP), static_cast<qlonglong>(k.corTransaccion),
                        textValue(dk.formulario)})
               .toLongLong() > 0;
}

long udf_SgteCorTransacc(const AppContext& ctx, const DeclarationKey& dk, const Party& p) {
    const QVariant mayor = ctx.db().scalar(
        QStringLiteral("SELECT max(COR_TRANSACCION) FROM TMPTRANSACCION2 WHERE TIP_DOC_D = ? AND DOC_ID_D = ? AND "
                       "PERIODO = ? AND TIP_DOC_P = ? AND DOC_ID_P = ? AND FORMULARIO = ?"),
        {dk.tipDocD, textValue(dk.docIdD), textValue(dk.periodo), p.tipDocP, textValue(p.docIdP),
         textValue(dk.formulario)});
    if (mayor.isNull()) return 1;
    return static_cast<long>(mayor.toLongLong()) + 1;
}

bool udf_EsDomiciliado(const AppContext& ctx, const Declarant& d, const Party& p) {
    return banderaParte(ctx, d, p, QStringLiteral("FLAG_CON_DOM")) == QLatin1String("01");
}

bool udf_EsParaisoFiscal(const AppContext& ctx, const Declarant& d, const Party& p) {
    return banderaParte(ctx, d, p, QStringLiteral("FLAG_PAR_FIS")) == QLatin1String("1");
}

double udf_CuentaTmpTransacc(const AppContext& ctx) {
    return ctx.db().scalar(QStringLiteral("SELECT count(*) FROM TMPTRANSACCION2")).toDouble();
}

double udf_CuentaTransacc(const AppContext& ctx, const Declarant& d, const QString& periodo) {
    return ctx.db()
        .scalar(QStringLiteral("SELECT count(*) FROM TRANSACCION2 WHERE TIP_DOC_D = 6 AND DOC_ID_D = ? AND PERIODO = ?"),
                {textValue(d.docIdD), textValue(periodo)})
        .toDouble();
}

bool udf_TotalesMetodos(const AppContext& ctx, const Declarant& d, const QString& periodo) {
    // The four totals the check judges, in one pass over the declaration's rows.
    Query q = ctx.db().exec(sumasMetodosSql(QStringLiteral("TRANSACCION2"), 4),
                            {d.tipDocD, textValue(periodo), textValue(d.docIdD.trimmed())});
    if (!q.next()) return false;
    for (int i = 0; i < 4; ++i)
        if (dosDecimales(q.value(i)) > 0) return true;
    return false;
}

std::array<QVariant, 6> udf_SumasMetodos(const Database& db, const QString& tabla, int tipDocD,
                                         const QString& periodo, const QString& docIdD) {
    Query q = db.exec(sumasMetodosSql(tabla, 6), {tipDocD, textValue(periodo), textValue(docIdD)});
    std::array<QVariant, 6> sumas;
    if (q.next())
        for (int i = 0; i < 6; ++i) sumas[i] = q.value(i);
    return sumas;
}

}  // namespace klv
