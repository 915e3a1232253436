#pragma once
// The per-type detail of a non-financial transaction valued by other methods: one TMPTRADET row
// per ticked transaction type, holding that type's amount in the registration currency. From the
// period 2008 the transaction's amount of record is the total of these amounts: the transaction
// form prepares the rows (prepareDetail), the detail form FrmDetalle_OM lets the user type each
// amount (setDetailAmount) and hands the total back (TotalMonto), and the save copies each amount
// into its type row (transaction_save.h).

#include "keys.h"

#include <QString>
#include <QVariant>
#include <vector>

namespace klv {

struct AppContext;
struct TransactionState;

// The number the detail rows are keyed by: in "Modificar" the transaction's own number, in
// "Nuevo" the number the save will give it (the informado's highest working number plus one).
long detailNumber(const AppContext& ctx, const TransactionState& st);

// Prepares the detail rows of transaction `cor` of the state's informado, in one database
// transaction (a failure changes nothing and throws DbError). For every type of the list, in
// order: ticked and without a row, a row is added (the type's description cut to 70 characters,
// cnumero "666666", monto NULL in "Nuevo" or the type's stored amount in "Modificar"); an existing
// row keeps its amount; unticked in "Nuevo", its row is deleted; unticked in "Modificar", nothing.
void prepareDetail(const AppContext& ctx, const TransactionState& st, long cor);

// Deletes the detail rows of one transaction (the "Otros Métodos" click of a new transaction
// clears those of the number the save will give). Throws DbError.
void deleteDetail(const AppContext& ctx, const TransactionKey& key);

// One row of the detail of a transaction, in type order.
struct DetailRow {
    QString code;         // cod_tip_transaccion
    QString description;  // des_transaccion
    QVariant monto;       // NULL, "" or the amount typed
};
std::vector<DetailRow> detailRows(const AppContext& ctx, const TransactionKey& key);

// Stores the amount of one type as the user typed it. Throws DbError.
void setDetailAmount(const AppContext& ctx, const TransactionKey& key, const QString& code, const QString& monto);

// The total of the amounts whose trimmed text is not empty, each rounded to a whole number
// (halves away from zero), summed exactly and shown as plain digits; "0" when there is none.
QString TotalMonto(const AppContext& ctx, const TransactionKey& key);

// True when every row has its amount: none is NULL or the empty text (blanks count as given).
bool allAmountsGiven(const AppContext& ctx, const TransactionKey& key);

// "Debe ingresar todos los montos."
QString msgFaltanMontos();

}  // namespace klv
