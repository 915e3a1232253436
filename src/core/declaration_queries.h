#pragma once
// Questions about the stored and working transactions of a declaration and about a related party,
// asked by the declaration, party, transaction and import forms.

#include "keys.h"

#include <QString>
#include <QVariant>
#include <array>

namespace klv {

struct AppContext;
class Database;

// Stored transactions (TRANSACCION2) of the declarant with the party under gFormulario, over all
// periods.
long udf_NumTransaccPartVinc(const AppContext& ctx, const Declarant& declarante, const Party& parte);

// True when the working copy (TMPTRANSACCION2) holds a row with the whole transaction key (the
// form code is the key's own).
bool udf_ExisteTmpTransacc(const AppContext& ctx, const TransactionKey& clave);

// Next transaction number of the party in the working copy of the declaration: its highest number
// plus one, 1 when it has none.
long udf_SgteCorTransacc(const AppContext& ctx, const DeclarationKey& declaracion, const Party& parte);

// PAR_VIN flags of the party under gFormulario; a party without a row is neither domiciled nor in
// a tax haven.
bool udf_EsDomiciliado(const AppContext& ctx, const Declarant& declarante, const Party& parte);
bool udf_EsParaisoFiscal(const AppContext& ctx, const Declarant& declarante, const Party& parte);

// Rows of the working copy (it always holds one declaration).
double udf_CuentaTmpTransacc(const AppContext& ctx);

// Stored transactions of the declarant's RUC (document type 6) and period, any form code.
double udf_CuentaTransacc(const AppContext& ctx, const Declarant& declarante, const QString& periodo);

// Whether the declarant's stored transactions of the period add up to anything: False when the
// totals without method, of traditional methods before and after adjustment, and of other methods,
// each rounded to two decimals, are all zero or less (the four sums of udf_SumasMetodos, read in one
// pass). Empty or NULL amounts count as 0; an amount of those sums that is not a number raises
// DbError.
bool udf_TotalesMetodos(const AppContext& ctx, const Declarant& declarante, const QString& periodo);

// The six sums by valuation method of a declarant's transactions of one period in `tabla`
// (TRANSACCION2 or TMPTRANSACCION2, a fixed name), any form code: without method ('00');
// traditional methods before and after adjustment ('01'); other methods' amount, positive and
// negative adjustment ('02'). Financial rows add their own columns into the same sums. Methods
// '00' and '02' read amounts strictly (empty or NULL is 0, a text that is not a number raises
// DbError), method '01' by their leading number. A method without rows gives NULL.
std::array<QVariant, 6> udf_SumasMetodos(const Database& db, const QString& tabla, int tipDocD,
                                         const QString& periodo, const QString& docIdD);

}  // namespace klv
