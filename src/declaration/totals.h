#pragma once
// The six totals of a declaration, by valuation method: without method ('00'), traditional
// methods before and after adjustment ('01'), other methods: amount, positive and negative
// adjustment ('02'). Financial and non-financial transactions of a method add into the same
// totals, each through its own columns (amounts in the currency of record).

#include "app_context.h"

#include <QString>
#include <QVariant>
#include <array>

namespace klv {

struct DeclarationTotals {
    QString mtoTran00;     // TxtMtoTran00 / gTotMtoTran00
    QString mtoSinAju01;   // TxtMtoSinAju01 / gTotMtoSinAju01
    QString mtoAju01;      // TxtMtoAju01 / gTotMtoAju01
    QString mtoTran02;     // TxtMtoTran02 / gTotMtoTran02
    QString mtoAjuPos02;   // TxtMtoAjuPos02 / gTotMtoAjuPos02
    QString mtoAjuNeg02;   // TxtMtoAjuNeg02 / gTotMtoAjuNeg02
};

// Caller name that selects report mode (compared exactly).
inline const QString kCallerImpRep = QStringLiteral("ImpRep");

// Computes the six totals of the declaration (declarant document type, period, RUC; any form
// code). caller "ImpRep" selects report mode: the stored TRANSACCION2 is summed and the texts are
// also left in ctx.gTotMtoTran00 .. ctx.gTotMtoAjuNeg02. Any other caller selects form mode: the
// working copy TMPTRANSACCION2 is summed and no global changes; the form shows the result.
// A method without rows gives "0.00". Otherwise form mode formats "###,###,###,##0.00"; report
// mode formats the first five with "###,###,###,###.00" (a zero sum reads ".00") and the negative
// adjustment with "###,###,###,##0.00". Empty or NULL amounts count as 0; an amount that is not a
// number fails the query (DbError).
DeclarationTotals upd_TotalizarMtoTransacc(AppContext& ctx, int tipDocD, const QString& periodo,
                                           const QString& docIdD, const QString& caller);

// The six sums (NULL for a method without rows) as form mode shows them.
DeclarationTotals formTotals(const std::array<QVariant, 6>& sums);

// True when one of the totals that judge a declaration (amount without method, traditional
// methods before and after adjustment, other methods' amount) reads above zero. Each text is read
// as the number at its start, so only its sign matters.
bool anyJudgedTotalAboveZero(const DeclarationTotals& totals);

}  // namespace klv
