#pragma once
// Checks of the declaration's header, its informed parties and its transactions. Each returns its
// verdict and shows its own message (if any) at the first failure; none writes.

#include "declaration_state.h"
#include "totals.h"
#include "working_copy.h"

namespace klv {

struct HeaderCheck {
    bool ok = true;
    DeclFocus focus = DeclFocus::None;  // control that should take the focus after a failure
};

// Header validation, in this order (first failure wins):
//   1 new declaration with pending changes that already exists  (style 16, focus period if enabled)
//   2-3 author RUC not empty and not a valid 11-character RUC    "El RUC no es Válido." (16)
//   4 no declarant (catalogue 1, focus declarant)   5 no name (catalogue 1)
//   6 empty period (catalogue 2, focus period)      7 period before 2006 (catalogue 4, focus period)
//   8 question 1 unanswered (5)  9 question 2 unanswered (6)
//   10 from 2012, study required but not attached (14)
//   11 gAutContExt := answer 1   12 gNumParVin := parties; none (7)
//   13 period after the current year (11)
HeaderCheck udf_Validar(AppContext& ctx, const DeclarationState& st);

// True when one of the four judged totals is above zero; otherwise "Debe ingresar alguna
// transacción de monto mayor a cero" (style 16, titled with the form's caption).
bool udf_Validar_det(const AppContext& ctx, const DeclarationTotals& totals);

// From 2008 a transaction without technical study (method '00') is allowed only when question 2
// is answered No and its party is not in a tax haven (PAR_VIN.FLAG_PAR_FIS "0" or NULL).
// Otherwise catalogue message 13 and False.
bool udf_Validar_det_2008(const AppContext& ctx, const DeclarationState& st);

// True when every informed party of the declarant (PAR_VIN, form code of the context, any
// period) has at least one working transaction. Shows nothing.
bool udf_Verificar_Trans(const AppContext& ctx, const DeclarationKey& key);

// From period gAnioNoDom: every non-domiciled party (FLAG_CON_DOM "02", nature other than 9) used
// by a working transaction must have, when a natural person, a valid birth date not after today,
// and a legal-address type and address. False after one warning (style 48) naming the party.
bool udf_Validar_Datos_NoDom(const AppContext& ctx, const DeclarationKey& key);

}  // namespace klv
