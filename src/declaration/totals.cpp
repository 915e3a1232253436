#include "totals.h"

#include "declaration_sql.h"
#include "format.h"

#include <QSqlQuery>

namespace klv {
namespace {

// Sum of one column choice per financial indicator, only over rows of the method; NULL when the
// method has no row. num is the SQL function reading an amount (strict or lenient).
QString methodSum(const QString& flag, const QString& nonFinancial, const QString& financial) {
    return QStringLiteral("SUM(CASE WHEN T.FLAG_VAL_MET='%1' AND T.IND_TRANSAC_FIN='0' THEN %2"
                          " WHEN T.FLAG_VAL_MET='%1' AND T.IND_TRANSAC_FIN='1' THEN %3 END)")
        .arg(flag, nonFinancial, financial);
}

QString strict(const QString& col) { return QStringLiteral("VB_CDBL(T.%1)").arg(col); }
QString lenient3(const QString& a, const QString& b, const QString& c) {
    return QStringLiteral("(VB_VAL(T.%1)+VB_VAL(T.%2)+VB_VAL(T.%3))").arg(a, b, c);
}

QString totalText(const QVariant& sum, const QString& mask) {
    if (sum.isNull()) return QStringLiteral("0.00");
    return fmt::format(sum.toDouble(), mask);
}

}  // namespace

DeclarationTotals upd_TotalizarMtoTransacc(AppContext& ctx, int tipDocD, const QString& periodo,
                                           const QString& docIdD, const QString& caller) {
    const bool report = caller == kCallerImpRep;
    const QString table = report ? QStringLiteral("TRANSACCION2") : QStringLiteral("TMPTRANSACCION2");
    const QString sql =
        QStringLiteral("SELECT %1, %2, %3, %4, %5, %6 FROM %7 T WHERE T.TIP_DOC_D=? AND T.PERIODO=? AND T.DOC_ID_D=?")
            .arg(methodSum(QStringLiteral("00"), strict(QStringLiteral("MTO_SIN_TRAN_MON_REG")),
                           strict(QStringLiteral("MTO_SIN_INTS_MON_REG"))),
                 methodSum(QStringLiteral("01"),
                           lenient3(QStringLiteral("MTO_SIN_AJU_PCNC"), QStringLiteral("MTO_SIN_AJU_PR"),
                                    QStringLiteral("MTO_SIN_AJU_CI")),
                           lenient3(QStringLiteral("MTO_INTS_SIN_AJU_PCNC"), QStringLiteral("MTO_INTS_SIN_AJU_PR"),
                                    QStringLiteral("MTO_INTS_SIN_AJU_CI"))),
                 methodSum(QStringLiteral("01"),
                           lenient3(QStringLiteral("MTO_AJU_PCNC"), QStringLiteral("MTO_AJU_PR"),
                                    QStringLiteral("MTO_AJU_CI")),
                           lenient3(QStringLiteral("MTO_INTS_AJU_PCNC"), QStringLiteral("MTO_INTS_AJU_PR"),
                                    QStringLiteral("MTO_INTS_AJU_CI"))),
                 methodSum(QStringLiteral("02"), strict(QStringLiteral("MTO_TRA_MON_REG")),
                           strict(QStringLiteral("MTO_TOT_INTS_MON_REG"))),
                 methodSum(QStringLiteral("02"), strict(QStringLiteral("MTO_AJU_RES_POS_REG")),
                           strict(QStringLiteral("MTO_TOT_AJU_RES_POS_REG"))),
                 methodSum(QStringLiteral("02"), strict(QStringLiteral("MTO_AJU_RES_NEG_REG")),
                           strict(QStringLiteral("MTO_TOT_AJU_RES_NEG_REG"))),
                 table);
    QSqlQuery q = ctx.db().exec(sql, {tipDocD, textValue(periodo), textValue(docIdD)});
    QVariant sums[6];
    if (q.next())
        for (int i = 0; i < 6; ++i) sums[i] = q.value(i);

    const QString formMask = QStringLiteral("###,###,###,##0.00");
    const QString reportMask = QStringLiteral("###,###,###,###.00");
    const QString& mask = report ? reportMask : formMask;
    DeclarationTotals t;
    t.mtoTran00 = totalText(sums[0], mask);
    t.mtoSinAju01 = totalText(sums[1], mask);
    t.mtoAju01 = totalText(sums[2], mask);
    t.mtoTran02 = totalText(sums[3], mask);
    t.mtoAjuPos02 = totalText(sums[4], mask);
    t.mtoAjuNeg02 = totalText(sums[5], formMask);
    if (report) {
        ctx.gTotMtoTran00 = t.mtoTran00;
        ctx.gTotMtoSinAju01 = t.mtoSinAju01;
        ctx.gTotMtoAju01 = t.mtoAju01;
        ctx.gTotMtoTran02 = t.mtoTran02;
        ctx.gTotMtoAjuPos02 = t.mtoAjuPos02;
        ctx.gTotMtoAjuNeg02 = t.mtoAjuNeg02;
    }
    return t;
}

bool anyJudgedTotalAboveZero(const DeclarationTotals& t) {
    for (const QString* s : {&t.mtoTran00, &t.mtoSinAju01, &t.mtoAju01, &t.mtoTran02})
        if (fmt::val(*s) > 0) return true;
    return false;
}

}  // namespace klv
