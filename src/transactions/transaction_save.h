#pragma once
// The save of the transaction form (Grabar_Transacc): check, number, write. It turns the state into
// one TMPTRANSACCION2 row (the map of transaction_map.h, converted) and one TMPTRATIPTRA row per
// ticked type, through the TransactionWriter, in one database transaction.
//
// Amount of each type row (monto_transaccion): only a non-financial transaction valued by other
// methods has per-type amounts, entered in the per-type detail (TMPTRADET). Such a type takes the
// monto of its detail row when there is one; without one, an existing type row keeps its amount and
// a new one gets the empty text (an imported transaction edited before its detail was opened keeps
// its amounts). Every other option and kind writes the empty text, so a detail left behind by an
// abandoned "Otros Métodos" never reaches another transaction.

#include "transaction_state.h"
#include "transaction_validation.h"

#include <QString>

namespace klv {

struct AppContext;

enum class SaveOutcome {
    Invalid,  // the check refused it: show `verdict`
    Exists,   // "Nuevo" and the working copy already holds the number: msgYaExiste(), tab 0
    Saved,    // written: the form asks msgSeguir()
};

struct SaveResult {
    SaveOutcome outcome = SaveOutcome::Invalid;
    Verdict verdict;
    long corTransaccion = 0;  // the number written
};

// Checks and writes the transaction. Mode "Nuevo" adds it with the informado's next number;
// "Modificar" updates the transaction st.corTransaccion (its key columns are not rewritten) and
// adds, updates or deletes its types by their ticks; any other mode checks and writes nothing.
// Throws DbError when the write fails (nothing is then written) or, in "Modificar", when the row
// no longer exists.
SaveResult Grabar_Transacc(const AppContext& ctx, const TransactionState& st);

// The per-type detail amount of the informado's transaction `cor` (TMPTRADET.monto); "" when there
// is no row or its amount is NULL.
QString MONTO_TRADET(const AppContext& ctx, const TransactionState& st, long cor, const QString& code);
// The type's stored amount in the working copy (TMPTRATIPTRA.monto_transaccion); "" when none.
QString MONTO_TRATIPTRA(const AppContext& ctx, const TransactionState& st, long cor, const QString& code);

// "La Transacción Ya Existe." CRLF "De Clic en Cancelar para ingresar una Nueva Transacción."
QString msgYaExiste();
// "¿Desea seguir registrando transacciones, para el mismo informado?"
QString msgSeguir();

}  // namespace klv
