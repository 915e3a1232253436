#pragma once
// The transaction file RUC.TXT: 149 fields a line (132 read before 2012). Each field is checked as
// it is read (the empty-field rules, then the field's checks), the record rules follow, then the
// rules of the line's case while its row is built; a sound line becomes a new working transaction
// (TMPTRANSACCION2) of its party with the next number, and one TMPTRATIPTRA row per flagged type.

#include "import_core.h"
#include "import_fields.h"
#include "keys.h"

#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace klv {
struct AppContext;
class RowCursor;
class TransactionWriter;
}

namespace klv::import {

constexpr int kCamposTransaccion = 149;

// The fields of a transaction line by their number in the file, each named by the TMPTRANSACCION2
// column that stores it (see docs/import.md for the case each belongs to).
namespace campo {
enum : int {
    TIP_DOC_P = 1, DOC_ID_P, FLAG_VAL_MET, IND_TRANSAC_FIN, COD_TIP_MONEDA, NOM_OTRO_TIP_MON,
    // "00" non-financial, then "00" financial
    MTO_SIN_TRAN_MON_ORI, MTO_SIN_TRAN_MON_REG,
    MTO_SIN_CAP_MON_ORI, MTO_SIN_INTS_MON_ORI, TAS_SIN_EFE_ANU, MTO_SIN_INTS_MON_REG, SAL_SIN_CAP_MON_REG,
    // "01" non-financial: the amount and the method pairs (unadjusted, adjusted)
    MTO_TRAN_MON_ORI,
    MTO_SIN_AJU_PCNC, MTO_AJU_PCNC, MTO_SIN_AJU_PR, MTO_AJU_PR, MTO_SIN_AJU_CI, MTO_AJU_CI,
    // "01" financial: the loan and the interest pairs
    MTO_CAP_MON_ORI, MTO_INTS_MON_ORI, TAS_EFE_ANU, SAL_CAP_MON_REG,
    MTO_INTS_SIN_AJU_PCNC, MTO_INTS_AJU_PCNC, MTO_INTS_SIN_AJU_PR, MTO_INTS_AJU_PR, MTO_INTS_SIN_AJU_CI,
    MTO_INTS_AJU_CI,
    // "02" non-financial, then "02" financial
    MTO_TRA_MON_ORI, MTO_TRA_MON_REG, MTO_AJU_RES_POS_REG, MTO_AJU_RES_NEG_REG, MET_VAL,
    MTO_TOT_CAP_MON_ORI, MTO_TOT_INTS_MON_ORI, MTO_TOT_INTS_MON_REG, SAL_TOT_CAP_MON_REG,
    MTO_TOT_AJU_RES_POS_REG, MTO_TOT_AJU_RES_NEG_REG, MET_VAL_INTS,
    // The type flags ("1" marks the type of tipoDeBandera), and the detail amount of each flag
    // (field flag + DETALLE_DE_BANDERA) of a non-financial "02" line.
    PRIMERA_BANDERA, ULTIMA_BANDERA = PRIMERA_BANDERA + 44,
    PRIMER_DETALLE, ULTIMO_DETALLE = PRIMER_DETALLE + 44,
    // From 2012: the analysed party and the ranges of the methods.
    PAR_ANALIZADA,
    MTO_LIM_INF_PCNC, MTO_LIM_SUP_PCNC, MTO_MEDIANA_PCNC,
    MTO_LIM_INF_PR, MTO_LIM_SUP_PR, MTO_MEDIANA_PR, MTO_MARGEN_BRUTO_PR,
    MTO_LIM_INF_CI, MTO_LIM_SUP_CI, MTO_MEDIANA_CI, MTO_MARGEN_BRUTO_CI,
    IND_RENTABILIDAD_MMNT, MTO_LIM_INF_MMNT, MTO_LIM_SUP_MMNT, MTO_MEDIANA_MMNT, VALOR_PLI_MMNT,
};
constexpr int DETALLE_DE_BANDERA = PRIMER_DETALLE - PRIMERA_BANDERA;
constexpr int ULTIMO_ANTES_DE_2012 = ULTIMO_DETALLE;  // the last field read before 2012
// The flags of the two financial types, "12" and "34".
constexpr int BANDERA_FINANCIERA_12 = 54, BANDERA_FINANCIERA_34 = 80;
static_assert(MET_VAL_INTS == 42 && PRIMERA_BANDERA == 43 && ULTIMO_DETALLE == 132 && PAR_ANALIZADA == 133 &&
              VALOR_PLI_MMNT == kCamposTransaccion);
}  // namespace campo

// The transaction type a flag field (43-87) marks: "01"-"18", "39"-"42", "19"-"38", "70"-"72".
QString tipoDeBandera(int field);

// The values of one line as read, index 1 to 149 (0 unused): Windows-1252 bytes, trimmed and
// upper-cased, viewing the line the importer holds. A value is decoded only where it is stored or
// a rule reads it as a text.
using Campo = std::string_view;
using TransactionFields = std::array<Campo, kCamposTransaccion + 1>;

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
    using PartyExists = std::function<bool(Campo tipo, Campo numero)>;
    TransactionFieldChecks(const AppContext& ctx, const ReferenceCache& ref, TransactionContext tc,
                           PartyExists partyExists);
    // Field n of the line, `dado` false when the field is empty (the value is then the empty
    // text): the empty-field rule, then the field's checks. "" when it passes (an empty flag then
    // reads "0"), else the code that refuses it.
    // Inline for the flags and the detail amounts: two thirds of the fields of a line.
    QString campo(int n, Campo& value, bool dado, const TransactionFields& f) {
        if (n >= campo::PRIMERA_BANDERA && n <= campo::ULTIMA_BANDERA) {
            if (!dado) value = "0";
            return value == "0" || value == "1" ? QString() : QStringLiteral("0692");
        }
        // The detail amounts of a line that is not "02", or of a period before 2008, have no rule.
        if (n >= campo::PRIMER_DETALLE && n <= campo::ULTIMO_DETALLE &&
            !(tc_.desde2008 && f[campo::FLAG_VAL_MET] == "02"))
            return QString();
        return otroCampo(n, value, dado, f);
    }

private:
    // campo() of the other fields.
    QString otroCampo(int n, Campo value, bool dado, const TransactionFields& f);
    // The code when field n, already taken from an empty field, must be refused; "" otherwise.
    QString campoVacio(int n, const TransactionFields& f) const;
    // The checks of field n (value trimmed): "" when it passes, else the last failing check's code.
    QString valida(int n, Campo value, const TransactionFields& f);

    const AppContext& ctx_;
    const ReferenceCache& ref_;
    TransactionContext tc_;
    PartyExists partyExists_;
    std::unordered_map<unsigned, bool> monedas_;  // field 5's answer per value met (at most 2 bytes)
    Campo metodo_;
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
    // The line is given as read from the file (Windows-1252 bytes, without its line end).
    QString importarLinea(std::string_view line);

private:
    struct PartyInfo {
        int tipo = 0;  // the document type as a number
        QString numero;  // the document number
        bool exists = false, domiciled = false, haven = false;
        long next = 0;  // next transaction number, 0 until first needed
    };
    PartyInfo& party(Campo tipo, Campo numero);
    QString reglasRegistro(const TransactionFields& f);
    // The rules of the line's case, then, when they pass, its row and type rows written: "" when
    // written, else the code that rejects the line.
    QString reglasCasoYEscribir(const TransactionFields& f);

    AppContext& ctx_;
    TransactionContext tc_;
    const ReferenceCache& ref_;
    TransactionFieldChecks checks_;
    std::unique_ptr<TransactionWriter> writer_;
    std::unique_ptr<RowCursor> partyRow_, nextNumber_;  // a party's row and next number, read once a run
    DeclarationKey declaration_;  // the declaration the lines go to
    struct PartyKey {
        int tipo;
        std::string numero;
        bool operator==(const PartyKey&) const = default;
    };
    struct PartyKeyHash {
        size_t operator()(const PartyKey& k) const {
            return std::hash<std::string>()(k.numero) ^ static_cast<size_t>(k.tipo);
        }
    };
    std::unordered_map<PartyKey, PartyInfo, PartyKeyHash> parties_;
    // The party of the line: its checks, rules and row ask for it by the same two values.
    std::string lastTipo_, lastNumero_;
    PartyInfo* last_ = nullptr;
    std::string line_;  // the line being imported, trimmed and upper-cased field by field
    TransactionFields f_;
};

}  // namespace klv::import
