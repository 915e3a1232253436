#pragma once
// Moving one informed party between the database and the detail form: the existence test, the row
// writer shared with the party file import, the detail form's save (its column rules on top of
// the writer) and the load of a stored party.

#include "database.h"
#include "keys.h"
#include "party_state.h"
#include "party_validation.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace klv {

struct AppContext;

// ---- Existence test ----------------------------------------------------------------------------

// udf_VerPartVinc: True when PAR_VIN holds the party of the declarant under ctx.gFormulario (a
// party stored under another form code does not count). Free function: the party file import
// calls it for every line, with the declarant type "6".
bool udf_VerPartVinc(const AppContext& ctx, const Declarant& declarante, const Party& parte);
// The same with the four values as texts: the two document types are read as numbers ("06" and
// "6" are the same type), the two document numbers are compared as given.
bool udf_VerPartVinc(const AppContext& ctx, const QString& tipDocD, const QString& docIdD, const QString& tipDocP,
                     const QString& docIdP);

// ---- Row writer --------------------------------------------------------------------------------

// How the writer treats a stored row of the party.
enum class PartyWriteMode {
    Insert,  // a new row; a stored row with the same key is a failure (DbError 3022)
    Update,  // the stored row must exist (DbError 3021 when it is gone)
    Upsert,  // the stored row when there is one, else a new row
};

// PAR_VIN columns to set, by name (any case) or by their position in the table's description. A
// null QVariant() writes NULL; a text is written as given (a null QString as the empty text).
class PartyColumns {
public:
    // The position of a PAR_VIN column in the description; -1 when the table has none so named.
    static int position(const QString& column);
    // Throws DbError (UnknownColumn) for a column PAR_VIN lacks.
    void set(const QString& column, const QVariant& value);
    void set(int position, const QVariant& value);
    const std::vector<std::pair<int, QVariant>>& items() const { return items_; }

private:
    std::vector<std::pair<int, QVariant>> items_;
};

// One party row to write into PAR_VIN, and optionally its vinculation types.
struct PartyRowWrite {
    Declarant declarante;        // TIP_DOC_D and DOC_ID_D of the row
    Party parte;                 // TIP_DOC_P and DOC_ID_P of the row
    QString formulario;          // written into FORMULARIO of the row and of its type rows
    // Where the stored row is looked for, and which type rows are replaced: false, only under
    // `formulario`; true, under any form code, the row under `formulario` first when there are
    // several.
    bool anyFormulario = false;
    PartyWriteMode mode = PartyWriteMode::Upsert;
    // Columns to set. Columns not given keep the stored value (NULL on a new row). Key columns are
    // taken from the fields above and cnumero is computed: both are ignored here. FEC_NAC is
    // stored as the text yyyy-mm-dd.
    PartyColumns columnas;
    // With RAZON_SOCIAL not among the columns: true builds it from the names the row ends with
    // (paternal surname, a blank, maternal surname, ", ", given names; each trimmed), cut to 120
    // characters; false keeps the stored one.
    bool razonSocialDeNombres = false;
    // When given, the party's TIP_VIN_PAR rows (under `formulario`, or any form code with
    // anyFormulario) are deleted and one row per code is added (empty list: none), each with its
    // control number over 4 keys.
    std::optional<QStringList> tipos;
};

enum class PartyWriteResult { Added, Updated };

// Writes party rows: the given columns merged over the stored row, cnumero computed over the
// merged row with 4 keys, then the type rows. A writer keeps its statements prepared for its
// lifetime: the party file import makes one for the run and calls it for every line; the detail
// form's save makes one for its one row.
class PartyWriter {
public:
    enum class Guard {
        PerCall,  // each write all or nothing on its own: one transaction, or a savepoint of the
                  // caller's transaction when one is open
        Caller,   // inside a transaction of the caller a failed write may leave part of its rows,
                  // and the caller rolls its transaction back (the file import, whose batches are
                  // written again then); outside one each write has its own
    };
    explicit PartyWriter(Database& db, Guard guard = Guard::PerCall);
    ~PartyWriter();
    PartyWriter(const PartyWriter&) = delete;
    PartyWriter& operator=(const PartyWriter&) = delete;

    // Throws DbError on a failure (see Guard for what stays written).
    PartyWriteResult write(const PartyRowWrite& w);

private:
    struct Statements;
    // The party's type rows replaced by the listed ones; `sinTipos`: it has none to delete.
    void escribirTipos(const PartyRowWrite& w, bool sinTipos);
    bool sinTiposHuerfanos(const PartyRowWrite& w);

    Database& db_;
    Guard guard_;
    std::unique_ptr<Statements> st_;
    // Inside the caller's transaction: whether the declarant's type rows under the form code all
    // belong to a party row, so a party just added has none to delete. Read once, and again only
    // after something else wrote (this writer adds type rows only beside their party row).
    struct Huerfanos {
        int tipDocD;
        QString docIdD, formulario;
        bool ninguno;
    };
    std::optional<Huerfanos> huerfanos_;
    Database::WriteStamp stamp_;  // after this writer's last write
    qint64 otros_ = -1;           // the commits of other programs seen then
};

// One write with a writer of its own (PerCall).
PartyWriteResult escribirFilaInformado(Database& db, const PartyRowWrite& w);

// ---- The detail form's save ---------------------------------------------------------------------

inline const QString kInformadoExiste = QStringLiteral(
    "El informado con el Tipo y Nro. de Documento que ingresó ya existe.\r\n"
    "Selecciónelo de la lista de informados si desea modificarlo.");

struct PartySaveOutcome {
    bool saved = false;
    party::Focus focus = party::Focus::None;
};

// cmdAceptar_Click's work: validation (udf_Validar), in mode "Nuevo" the duplicate test, for a
// non-domiciled natural or legal person the birth-date and legal-address checks, all before any
// write; then the PAR_VIN row under gFormulario (trimmed key) and its types (the ticks when
// related, none otherwise) in one transaction; in mode "Nuevo" gNumParVin + 1. Every refusal shows
// its message; a database failure (a change whose row is gone included) is shown ("Error") and
// nothing is written.
PartySaveOutcome grabarInformado(AppContext& ctx, const PartyState& st);

// ---- Load --------------------------------------------------------------------------------------

// A stored party as udp_CargarEdit puts it on the form (NULL read as the empty text).
struct StoredParty {
    Party parte;
    QString formulario;
    QString flagConDom, codNatJur, otrNatJur, flagParFis, flagParVin, codPar;
    QString razonSocial, nomParVin, apePatParVin, apeMatParVin;
    QString tipDirLegal, desDirLegal;
    QString fecNac;     // dd/mm/yyyy; empty when NULL
    QStringList tipos;  // IniciarArray: the stored type codes in key order
};

// The first PAR_VIN row of the party (any form code) with its types; none when there is no row.
std::optional<StoredParty> udp_CargarEdit(const AppContext& ctx, const QString& docIdD, const QString& docIdP,
                                          const QString& tipDocP);

}  // namespace klv
