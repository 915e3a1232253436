#pragma once
// The transaction-type list of the transaction form: its entries (PARAM '395', income types first
// as Correl_param orders them, then by the numeric code), the types stored for a working
// transaction, and the ticking rules, as functions over the list so they run without a window.
//
// Ticking rules, by valuation option:
//   - "00" and "01": one type per transaction; ChkFinancieras follows the type last ticked or
//     unticked ("12" or "34" financial), so unticking a financial type leaves it on;
//   - "02" (any other option): several non-financial types, or exactly the two financial types
//     "12" and "34", which tick and untick together (message 39 each time one is touched);
//     touching a non-financial type unticks the financial ones, found by their codes;
//   - mode "Modificar": the ticks of a stored transaction do not change.

#include "transaction_state.h"

#include <QStringList>
#include <vector>

namespace klv {

struct AppContext;

// The entries of the list, unticked, in list order. Empty when PARAM holds no type ("NO SE ENCONTRO
// TIPOS DE TRANSACCION" is the form's to show).
std::vector<TypeItem> udp_CargarLvwTipTransacc(const AppContext& ctx);
QString msgSinTiposTransaccion();

// Codes of the types stored in TMPTRATIPTRA for the transaction.
QStringList storedTypeCodes(const AppContext& ctx, const TransactionKey& key);

// What a tick or click leaves for the form to do besides the ticks already changed in the list.
struct TickResult {
    int financiera = -1;     // new value of ChkFinancieras (0 or 1), -1 to leave it
    bool message39 = false;  // show message 39 of "FrmTransacciones"
    bool modified = false;   // set the modified flag (unless loading)
};

// The user switched the check box of entry `index`: its tick has already changed in `types`.
TickResult onItemCheck(std::vector<TypeItem>& types, int index, const QString& mode, const QString& flag);
// The user clicked the row of entry `index` (not its box): its tick has not changed.
TickResult onItemClick(std::vector<TypeItem>& types, int index, const QString& mode, const QString& flag);

}  // namespace klv
