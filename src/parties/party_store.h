#pragma once
// Moving one informed party between the database and the detail form: the existence test, the row
// writer shared with the party file import, the detail form's save (its column rules on top of
// the writer) and the load of a stored party.

#include "keys.h"
#include "party_state.h"
#include "party_validation.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <optional>

namespace klv {

struct AppContext;
class Database;

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

// One party row to write into PAR_VIN, and optionally its vinculation types.
struct PartyRowWrite {
    Declarant declarante;        // TIP_DOC_D and DOC_ID_D of the row
    Party parte;                 // TIP_DOC_P and DOC_ID_P of the row
    QString formulario;          // written into FORMULARIO of the row and of its type rows
    // Where the stored row is looked for, and which type rows are replaced: false, only under
    // `formulario` (the detail form); true, under any form code (the file import), the row under
    // `formulario` first when there are several.
    bool anyFormulario = false;
    PartyWriteMode mode = PartyWriteMode::Upsert;
    // PAR_VIN columns to set, by name (any case); a null QVariant() writes NULL. Columns not given
    // keep the stored value (NULL on a new row). Key columns are taken from the fields above and
    // cnumero is computed: both are ignored here. FEC_NAC is stored as the text yyyy-mm-dd.
    QVariantMap columnas;
    // When given, the party's TIP_VIN_PAR rows (under `formulario`, or any form code with
    // anyFormulario) are deleted and one row per code is added (empty list: none), each with its
    // control number over 4 keys.
    std::optional<QStringList> tipos;
};

enum class PartyWriteResult { Added, Updated };

// Writes the row: the given columns merged over the stored row, cnumero computed over the merged
// row with 4 keys, then the type rows. One transaction, or a savepoint of the caller's
// transaction when one is open (the import wraps its batches in its own): on a failure nothing of
// this row is written and DbError is thrown.
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
