#pragma once
// Checks of the amounts of the open declaration's working copy. None writes; each shows its own
// message (title gTitulo) at the first failure. The transactions are walked in key order (party
// document type, party document, transaction number), so the one reported is always the same.

#include "declaration_state.h"

#include <QString>

namespace klv {

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

// From period 2008: every type row of a non-financial transaction valued by other methods must
// carry its amount (NULL or "" is missing; "0" or a blank is filled). False after one warning at
// the first transaction lacking one.
bool udf_Verificar_Detalle_Montos(const AppContext& ctx, const DeclarationKey& key);

}  // namespace klv
