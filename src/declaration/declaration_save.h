#pragma once
// The two buttons that judge the whole declaration: Validar runs every check and only reports;
// Grabar runs the blocking checks, marks the declaration inconsistent (state 9) when an amount
// check fails, and writes it from its working copy into the stored tables.

#include "declaration_state.h"
#include "work_progress.h"

#include <QString>
#include <functional>

namespace klv {

inline const QString kGrabadoOk = QStringLiteral("Toda la información fue grabada satisfactoriamente.");
inline const QString kGrabadoInconsistente = QStringLiteral(
    "La declaración fue grabada con inconsistencias. En estas condiciones no podra ser enviada a MERVA");
inline const QString kInformadosSinTransacciones =
    QStringLiteral("Existen informados que no tienen transacciones registradas.");
// The first line of the message of a button that failed (the cause follows).
inline const QString kGrabarFallo =
    QStringLiteral("No se pudo grabar la declaración; la información guardada no fue modificada.\r\n");
inline const QString kValidarFallo = QStringLiteral("No se pudo validar la declaración.\r\n");

// What the form does after a button: which control takes the focus, which tab is shown
// (-1 leaves the tab alone).
struct ButtonOutcome {
    bool ok = false;             // Validar: no inconsistency; Grabar: the declaration was written
    int estado = 0;              // Grabar: state written to CAB (0 consistent, 9 inconsistent)
    DeclFocus focus = DeclFocus::None;
    int selectTab = -1;
};

// Validar: header, working transactions present, parties without transactions (warning), the
// large-amount question, non-domiciled parties, totals, the 2008 rule, the per-type detail and
// the amount consistency, stopping at the first failure; "La Declaración no presenta
// inconsistencias." (style 48) when all pass. Writes nothing. A database failure is reported
// (style 16) and gives ok false. Progress: the working transactions the amounts' review has read,
// then the per-type detail's check as a quarter more.
ButtonOutcome validarDeclaracion(AppContext& ctx, const DeclarationState& st, const WorkProgress& progress = {});

// Grabar: the blocking checks (header, working transactions present, non-domiciled parties, the
// large-amount question) stop it with nothing written; every question is asked before the save's
// transaction begins, so no lock is held while a box waits; the amount checks (totals, the 2008 rule up
// to 2012 unless question 2 is No, per-type detail, consistency) only turn the state to 9. Then
// writes the declaration (escribirDeclaracion), reports the outcome (style 48), publishes RUC, name
// and period in the status bar, clears st.modified and turns st.mode to "Modificar"; the form then
// locks the declarant, the period and questions 1 and 2. A failure while writing leaves every
// stored row as it was and is reported (style 16). Progress: rows written of the rows to write (the
// transactions and their types); 0 of 0 while the checks run.
ButtonOutcome grabarDeclaracion(AppContext& ctx, DeclarationState& st, const WorkProgress& progress = {});

// Writes the declaration in one transaction (all or nothing): the CAB status row (version, date
// of today "dd/mm/yyyy", state, rectification from 2012, control number over 5 keys), the
// IDENTIFICA2 header (answers, form code, author RUC, control number over 4 keys), and replaces
// the declarant's stored transactions and transaction types of the period (any form code) with
// the working rows, each with its control number over 5 keys. Throws DbError (nothing written).
void escribirDeclaracion(const AppContext& ctx, const DeclarationState& st, int estado,
                         const WorkProgress& progress = {});

}  // namespace klv
