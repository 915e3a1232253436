#pragma once
// Reading a working transaction back for the form in mode "Modificar" (udp_CargarEdit): the
// reverse of the save's map. The row is read by column name; what the form must then set comes
// back as data, in the order the form applies it, because each choice runs its click rule:
// the option, the analysed party, the types, the financial check, the other-currency name, the
// currency, then the amounts of the option and kind (a method check ticked before its boxes).
//
// Values go into the boxes exactly as stored, untrimmed. A NULL in a column copied plain shows as
// an empty box. A method check is ticked by the presence of its stored amount (not NULL, trimmed
// not empty, value 0 or more); from 2012 a present PR or CI range value ticks its method too, the
// PCNC range values tick nothing. The profit-level values show NULL as an empty box.

#include "transaction_state.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace klv {

struct AppContext;

// One thing for the form to set, in order.
struct LoadStep {
    enum class Kind {
        Tick,    // tick the check `control` (its click rule runs)
        Text,    // set the text of `control` to `value`
        Select,  // select the first item of combo `control` whose first two characters equal
                 // `value` (as numbers when byNumber); no match leaves the selection
    };
    Kind kind = Kind::Text;
    QString control;
    QString value;
    bool byNumber = false;
};

struct StoredTransaction {
    enum class Problem {
        None,
        NoRow,          // the working copy has no such transaction
        NoParty,        // the informado has no PAR_VIN row
        NoFinancialKind // IND_TRANSAC_FIN is NULL
    };
    Problem problem = Problem::None;

    QString flag;                          // FLAG_VAL_MET ("00", "01", "02"; other: no option)
    QString parAnalizada;                  // "01" Contribuyente, "02" Informado, other: none
    bool financiera = false;               // IND_TRANSAC_FIN as a number is 1
    std::optional<QString> otherCurrency;  // NOM_OTRO_TIP_MON when not NULL
    QString currencyCode;                  // COD_TIP_MONEDA, trimmed (selected as a number)
    QStringList partyDocs;                 // DOC_ID_P of the informado's PAR_VIN rows (the combo)
    std::vector<LoadStep> amounts;         // the option's boxes and checks, in order
};

// Reads the transaction (declarant RUC, period text, party, number; no form-code condition) and
// the informado's PAR_VIN rows. `from2012` is the period test of the declaration. Throws DbError.
StoredTransaction readStoredTransaction(const AppContext& ctx, const QString& docIdD, const QString& periodo,
                                        const Party& party, long cor, bool from2012);

// The message of a problem, shown before the form closes.
QString loadProblemMessage(StoredTransaction::Problem p);

// The presence test of a stored amount.
bool presentAmount(const QVariant& v);

// The PAR_VIN rows of the declarant (document type 6, RUC `docIdD`) the form shows while its
// informado is chosen. Each throws DbError.
// The numbers of the declarant's parties of document type `tipDocP`, as stored (NULL as "").
QStringList partyDocsOfType(const AppContext& ctx, const QString& docIdD, int tipDocP);
// The party's name; "" when it has no row or no name.
QString partyName(const AppContext& ctx, const QString& docIdD, const Party& party);
// Whether the party has a row.
bool partyRegistered(const AppContext& ctx, const QString& docIdD, const Party& party);

}  // namespace klv
