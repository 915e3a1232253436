#pragma once
// The transaction file RUC.TXT: 149 fields a line (132 read before 2012). Each field is checked as
// it is read (the empty-field rules, then the field's checks), the record rules follow, then the
// rules of the line's case while its row is built; a sound line becomes a new working transaction
// (TMPTRANSACCION2) of its party with the next number, and one TMPTRATIPTRA row per flagged type.

#include "import_core.h"
#include "import_fields.h"
#include "keys.h"

#include <QHash>
#include <QString>
#include <array>
#include <memory>
#include <unordered_map>

namespace klv {
struct AppContext;
class TransactionWriter;
}

namespace klv::import {

constexpr int kCamposTransaccion = 149;

// The transaction type a flag field (43-87) marks: "01"-"18", "39"-"42", "19"-"38", "70"-"72".
QString tipoDeBandera(int field);

// The values of one line, index 1 to 149 (0 unused).
using TransactionFields = std::array<QString, kCamposTransaccion + 1>;

// What the checks of a line need beyond its fields.
struct TransactionContext {
    explicit TransactionContext(const ImportRequest& req);
    QString ruc;
    QString periodo;   // the period text ("2008" and "2013" are compared with it as text)
    QString answer1;   // accounts in foreign currency: "1" Si, "0" No, "" unanswered
    QString answer2;   // technical study
    bool desde2012;    // the layout from 2012 (149 fields)
    bool desde2008, desde2013;  // the period compared as text with "2008" and "2013"
};

// The field checks of one line, keeping what later fields need (document type, options, method
// code, the transaction total and the detail sum).
class TransactionFieldChecks {
public:
    TransactionFieldChecks(const AppContext& ctx, const ReferenceCache& ref, TransactionContext tc,
                           std::function<bool(const QString& tipo, const QString& numero)> partyExists);
    // Field n of the line, `dado` false when the field is empty (the value is then the empty
    // text): the empty-field rule, then the field's checks. "" when it passes (an empty flag then
    // reads "0"), else the code that refuses it.
    QString campo(int n, QString& value, bool dado, const TransactionFields& f);

private:
    // The code when field n, already taken from an empty field, must be refused; "" otherwise.
    QString campoVacio(int n, const TransactionFields& f) const;
    // The checks of field n (value trimmed): "" when it passes, else the last failing check's code.
    QString valida(int n, const QString& value, const TransactionFields& f);

    const AppContext& ctx_;
    const ReferenceCache& ref_;
    TransactionContext tc_;
    std::function<bool(const QString&, const QString&)> partyExists_;
    QHash<QString, bool> monedas_;  // field 5's answer per value met
    QString metodo_;
    Fixed4 total_ = 0;
    Fixed4 detalle_ = 0;
};

// One run of the transaction import over the working tables: field checks, record rules, case
// rules and the writing, with the run's caches (parties, next numbers).
class TransactionImporter {
public:
    TransactionImporter(AppContext& ctx, const ImportRequest& req, const ReferenceCache& ref);
    ~TransactionImporter();
    // Imports one line: "" when it was written, else the code that rejects it. Throws DbError
    // when the database fails: outside a transaction the line then wrote nothing; inside one (an
    // import batch) it may have written part of its rows, and the caller rolls the batch back.
    QString importarLinea(const QString& line);

private:
    struct PartyInfo {
        int tipo = 0;  // the document type as a number
        bool exists = false, domiciled = false, haven = false;
        long next = 0;  // next transaction number, 0 until first needed
    };
    PartyInfo& party(const QString& tipo, const QString& numero);
    QString reglasRegistro(const TransactionFields& f);
    QString escribir(const TransactionFields& f);

    AppContext& ctx_;
    TransactionContext tc_;
    const ReferenceCache& ref_;
    TransactionFieldChecks checks_;
    std::unique_ptr<TransactionWriter> writer_;
    struct PartyKey {
        int tipo;
        QString numero;
        bool operator==(const PartyKey&) const = default;
    };
    struct PartyKeyHash {
        size_t operator()(const PartyKey& k) const { return qHash(k.numero, static_cast<size_t>(k.tipo)); }
    };
    std::unordered_map<PartyKey, PartyInfo, PartyKeyHash> parties_;
    // The party of the line: its checks, rules and row ask for it by the same two texts.
    QString lastTipo_, lastNumero_;
    PartyInfo* last_ = nullptr;
    QHash<const char*, QString> columnNames_;  // the row's column names, made once
    TransactionFields f_;
};

}  // namespace klv::import
