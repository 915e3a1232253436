#include "totals.h"

#include "declaration_queries.h"
#include "declaration_sql.h"
#include "format.h"


namespace klv {
namespace {

QString totalText(const QVariant& sum, const QString& mask) {
    if (sum.isNull()) return QStringLiteral("0.00");
    return fmt::format(sum.toDouble(), mask);
}

}  // namespace

DeclarationTotals upd_TotalizarMtoTransacc(AppContext& ctx, int tipDocD, const QString& periodo,
                                           const QString& docIdD, const QString& caller) {
    const bool report = caller == kCallerImpRep;
    const QString table = report ? QStringLiteral("TRANSACCION2") : QStringLiteral("TMPTRANSACCION2");
    const std::array<QVariant, 6> sums = udf_SumasMetodos(ctx.db(), table, tipDocD, periodo, docIdD);

    if (!report) return formTotals(sums);
    const QString formMask = QStringLiteral("###,###,###,##0.00");
    const QString mask = QStringLiteral("###,###,###,###.00");
    DeclarationTotals t;
    t.mtoTran00 = totalText(sums[0], mask);
    t.mtoSinAju01 = totalText(sums[1], mask);
    t.mtoAju01 = totalText(sums[2], mask);
    t.mtoTran02 = totalText(sums[3], mask);
    t.mtoAjuPos02 = totalText(sums[4], mask);
    t.mtoAjuNeg02 = totalText(sums[5], formMask);
    ctx.gTotMtoTran00 = t.mtoTran00;
    ctx.gTotMtoSinAju01 = t.mtoSinAju01;
    ctx.gTotMtoAju01 = t.mtoAju01;
    ctx.gTotMtoTran02 = t.mtoTran02;
    ctx.gTotMtoAjuPos02 = t.mtoAjuPos02;
    ctx.gTotMtoAjuNeg02 = t.mtoAjuNeg02;
    return t;
}

DeclarationTotals formTotals(const std::array<QVariant, 6>& sums) {
    const QString mask = QStringLiteral("###,###,###,##0.00");
    return {totalText(sums[0], mask), totalText(sums[1], mask), totalText(sums[2], mask),
            totalText(sums[3], mask), totalText(sums[4], mask), totalText(sums[5], mask)};
}

bool anyJudgedTotalAboveZero(const DeclarationTotals& t) {
    for (const QString* s : {&t.mtoTran00, &t.mtoSinAju01, &t.mtoAju01, &t.mtoTran02})
        if (fmt::val(*s) > 0) return true;
    return false;
}

}  // namespace klv
