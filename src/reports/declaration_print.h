#pragma once
// The declaration print (report kind 2): one saved declaration as a landscape report. A boxed page
// header on every page, the three questions with their answers, the transactions with related
// parties (two row units each: 16 on the first page, 33 on each later one) and the accumulated
// amounts by valuation method in the currency of record. It reads only the stored tables, so it
// shows what was last saved.
//
// The list holds every stored transaction of the declaration whose valuation flag and financial
// indicator are known codes, also one whose party, document type or currency has no row (the empty
// text stands for what is missing), ordered by the party's name, then the transaction number (then
// the party's document, so equal names keep one order). Its amount is in the currency of origin:
// the transaction's amount, or the capital for a financial transaction without method or with
// other methods, or the interest for a financial one of traditional methods; an empty amount
// prints 0.00 and one that is not a number is printed as stored.

#include "declaration_store.h"
#include "report_writer.h"

#include <optional>
#include <vector>

namespace klv {

// The answers the print shows, as CargarCasillas reads them from IDENTIFICA2.
struct DeclarationAnswers {
    QString autContExt;  // "SI" when AUTCONTEXT is "1", else "NO"
    QString estTecPT;    // likewise from ESTTECPT
    QString rucEstudio;  // the study author's RUC, trimmed; "" when none
};

// The answers of a stored declaration; nullopt when its IDENTIFICA2 row is gone.
std::optional<DeclarationAnswers> CargarCasillas(const AppContext& ctx, const QString& tipDoc, const QString& docIdD,
                                                 const QString& periodo);

// The saved declarations the user may print: those of every taxpayer for a user of type "0",
// otherwise of the taxpayers registered under the user; by RUC, then by period, latest first.
std::vector<StoredDeclaration> listPrintableDeclarations(const AppContext& ctx);

// Writes the whole declaration print (the body of report kind 2).
void udp_RepDeclaracion(AppContext& ctx, const ReportRequest& request, ReportWriter& writer);

}  // namespace klv
