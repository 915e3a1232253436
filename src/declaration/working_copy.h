#pragma once
// The working copy of the open declaration: the three working tables TMPTRANSACCION2,
// TMPTRATIPTRA and TMPTRADET always hold the one declaration the declaration form shows. They are
// rebuilt from the stored tables when the form opens and written back only by the save.

#include "declaration_state.h"
#include "work_progress.h"

#include <QString>
#include <functional>
#include <optional>

namespace klv {

// Empties the three working tables completely (whatever declaration they held) and refills them
// with the stored rows of the declaration `key`, in one transaction: all or nothing.
//   TMPTRANSACCION2 <- every column of TRANSACCION2 (control number kept)
//   TMPTRATIPTRA    <- the key, type and amount of TRATIPTRA2 (no control number)
//   TMPTRADET       <- one detail row per non-financial type of a transaction valued by other
//                      methods, with the type's description and amount (no control number)
// A key with no stored rows (a new declaration) leaves the three tables empty. `done`, when
// given, hears every few thousand rows how many rows the copies have gone through (of
// countWorkingCopy's rows()). Throws DbError.
void udp_CargarTemps(const AppContext& ctx, const DeclarationKey& key, const std::function<void(qint64)>& done = {});

// The rows the rebuild of `key` goes through, as it counts them for its progress: the stored
// transactions it copies, then their types it copies, then the transactions again as the
// per-type detail walks them to copy the types of those valued by other methods (how many types
// that gives is known only by joining the two tables, which would cost a good share of the copy
// itself). Two counts on the key indexes. Throws DbError.
struct WorkingCopyWork {
    qint64 transactions = 0;
    qint64 types = 0;  // every stored type row of the declaration (a row without its transaction, not copied, too)
    qint64 rows() const { return 2 * transactions + types; }
};
WorkingCopyWork countWorkingCopy(const AppContext& ctx, const DeclarationKey& key);

// Description of a transaction type in a TMPTRADET row: its PARAM '395' text, cut to the width of
// des_transaccion (70). The rebuild and the transaction form's per-type detail both write it.
QString detailDescription(const AppContext& ctx, const QString& codTipTransaccion);

// True when the stored transaction (declaration `key`, party, number) is valued by other methods
// and the type is not one of the financial types "12" and "34" (those never have a detail row).
bool Es_OtroMetodo(const AppContext& ctx, const DeclarationKey& key, const Party& party,
                   long corTransaccion, const QString& codTipTransaccion);

// Detail amount of one type of one working transaction (TMPTRADET.monto); "" when there is no
// row or the amount is NULL.
QString Monto_OtrosMetodos(const AppContext& ctx, const DeclarationKey& key, const Party& party,
                           long corTransaccion, const QString& codTipTransaccion);
// The same, telling a missing row (nullopt) from a row whose amount is NULL or empty ("").
std::optional<QString> detailRowAmount(const AppContext& ctx, const DeclarationKey& key, const Party& party,
                                       long corTransaccion, const QString& codTipTransaccion);

// Header of a stored declaration as the form shows it when it is opened for modification.
struct StoredHeader {
    bool found = false;     // IDENTIFICA2 holds the declaration
    QString periodo;
    QString docIdD;
    QString answer1;        // AUTCONTEXT "1" gives "1", anything else "0"
    QString answer2;        // ESTTECPT "1" gives "1", anything else "0"
    QString rucAutor;       // IDENTIFICA2.ruc, "" when NULL
    QString rectifica;      // from 2012: CAB.rectifica "1" gives "1", anything else "0"; "" when
                            // the CAB row is missing or the period is before 2012
};

// Reads IDENTIFICA2 (and, from 2012, CAB) of the declaration of the form code in ctx.
StoredHeader readStoredHeader(const AppContext& ctx, int tipDocD, const QString& docIdD,
                              const QString& periodo);

// Opens a stored declaration. The form first selects the declarant in its combo (which fills
// st.cboNumDoc and st.razonSocial); this then puts the stored header answers into st, rebuilds
// the working copy of the declaration, publishes RUC, name and period in the status bar, sets
// gNumParVin and gAutContExt and turns the mode to "Modificar". The working copy is rebuilt for
// the declaration asked for, also when its declarant is not in the combo. Returns the header read;
// when the declaration is not stored (found false) nothing is changed. Throws DbError.
// `done` hears the rebuild's rows as udp_CargarTemps tells them.
StoredHeader udp_CargarEdit(AppContext& ctx, DeclarationState& st, int tipDocD, const QString& docIdD,
                            const QString& periodo, const std::function<void(qint64)>& done = {});

// True when IDENTIFICA2 holds a declaration of the declarant and period (any form code).
bool udf_Form_Existe(const AppContext& ctx, int tipDocD, const QString& docIdD, const QString& periodo);
// Number of informed parties (PAR_VIN rows) of the declarant, any form code; the period takes no
// part. Callers only tell zero from non-zero.
int udf_NumParVin(const AppContext& ctx, int tipDocD, const QString& docIdD, const QString& periodo);

}  // namespace klv
