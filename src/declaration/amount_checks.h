#pragma once
// Checks of the amounts of the open declaration's working copy. None writes; each shows its own
// message (title gTitulo) at the first failure. The transactions are walked in key order (party
// document type, party document, transaction number), so the one reported is always the same.

#include "declaration_sql.h"
#include "declaration_state.h"
#include "totals.h"

#include <QString>
#include <optional>

namespace klv {

// What one reading of the working transactions' amounts tells the checks that judge them: the
// totals, the largest-amount threshold and whether a consistency rule is broken. Both buttons read
// the amounts once this way.
struct AmountReview {
    // The six totals as the form shows them (upd_TotalizarMtoTransacc: the declarant's working
    // transactions of the period, any form code). Throws DbError when an amount that the totals
    // of methods '00' and '02' read strictly is not a number.
    const DeclarationTotals& totals() const;
    QString largeAmountThreshold;  // what udf_Verificar_Montos returns
    bool rulesHold = true;         // no transaction breaks its method's consistency rules

    DeclarationTotals totals_;
    std::optional<DbError> totalsFailure_;
};
// Reads the amount columns of the declaration's working transactions once, in the table's order,
// telling `rowsRead` how many it has read. Throws DbError.
AmountReview revisarMontos(const AppContext& ctx, const DeclarationKey& key, const decl::RowsRead& rowsRead = {});

// Largest-amount check. Over the amounts in the currency of record of the working transactions
// (by method and financial indicator: '00' the amount or interest, '01' the adjusted amount or
// interest of each traditional method, '02' the amount or total interest; empty amounts are not
// counted), T = 10 x (sum - largest) / (count - 1) in four-decimal currency. Returns T formatted
// "#############0.00" when there are at least two amounts, T is not 0 and the largest exceeds it;
// otherwise "". Shows nothing: the caller asks the question (largeAmountQuestion).
QString udf_Verificar_Montos(const AppContext& ctx, const DeclarationKey& key);
// "Existen transacciones mayores a " + threshold + ". ¿Es correcto?"
QString largeAmountQuestion(const QString& threshold);

// Amount consistency by valuation method and financial indicator. False (after one warning,
// style 48, ending "Num.Doc. Informado = " + the party's document + " ") at the first
// transaction that breaks its method's rules; True otherwise, also without transactions.
bool udf_Verificar_Metodos_Montos(const AppContext& ctx, const DeclarationKey& key);
// The same after a review of the amounts: the transactions are walked again (in key order, to
// find the one to report) only when the review found a rule broken.
bool udf_Verificar_Metodos_Montos(const AppContext& ctx, const DeclarationKey& key, const AmountReview& review);

// From period 2008: every type row of a non-financial transaction valued by other methods must
// carry its amount (NULL or "" is missing; "0" or a blank is filled). False after one warning at
// the first transaction lacking one.
bool udf_Verificar_Detalle_Montos(const AppContext& ctx, const DeclarationKey& key);

}  // namespace klv
