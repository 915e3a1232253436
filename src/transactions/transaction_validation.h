#pragma once
// The check a transaction must pass before the save writes it (udf_ValidaText): the informado and
// the valuation option, then the rules of the option ("00" set A, "01" set B, "02" set C) in
// their order, stopping at the first failure. It reads the state, never changes it, and says what
// to show: the message, the tab to go to first and the control to focus.
//
// Beyond the option's rules, two refusals protect what is stored:
//   - every figure the rules read as a number, and every figure the save will write, must be a
//     non-negative number (grouping commas allowed) and fit its column: 14 digits for an amount,
//     13 integer digits and 2 decimals for a range value, 15 characters for a currency name;
//   - at least one transaction type must be ticked ("Debe Seleccionar algún Tipo de Transacción",
//     tab 0).

#include "transaction_state.h"

#include <QString>

namespace klv {

struct Verdict {
    bool ok = true;
    int catalogue = 0;  // message number of "FrmTransacciones"; 0 when `text` is the message
    QString text;       // the message's own text (style 48, title gTitulo)
    int tab = -1;       // tab of TabTransac to show before the focus moves; -1 none
    QString focus;      // control to focus; empty for none

    // The text to show: the catalogue's or the own one.
    QString message() const;
};

Verdict udf_ValidaText(const TransactionState& st);

// Texts of this library's own refusals.
QString msgSinTipo();        // "Debe Seleccionar algún Tipo de Transacción"
QString msgNoEsNumero();     // a figure that is not a non-negative number
QString msgMontoLargo();     // an amount of more than 14 digits
QString msgValorLargo(int wholeDigits);  // a two-decimal value with too many integer digits
QString msgMonedaLarga();    // an other-currency name of more than 15 characters

}  // namespace klv
