#pragma once
// Process-wide state of QM8027 (and of the programs that share its services): the globals of the
// module kept as members of one object that main builds and every form receives. A test builds
// its own with test doubles.

#include "clock.h"
#include "database.h"
#include "help_service.h"
#include "message_service.h"
#include "keys.h"
#include "module_version.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace klv {

class Utilitarios;
class StatusPanels;


// The declaration the declaration form shows, as it hands it to the forms it opens (transaction
// form, import dialog): they read the declarant, the period and the answers from here.
struct OpenDeclaration {
    QString cboNumDoc;  // text of the declarant combo: the RUC in its first 11 characters, then the name
    QString periodo;    // text of the period box
    QString answer1;    // question 1, accounts in foreign currency: "1" Si, "0" No, "" unanswered
    QString answer2;    // question 2, technical study: "1" Si, "0" No, "" unanswered
};

// How the main window and the forms open one another. Each entry is set by the program once the
// form exists; an empty entry means the form is not built yet and the caller shows
// "En Desarrollo.".
struct FormLauncher {
    // Declaration form: caller "MDI_KLV_PT" opens it in mode "Nuevo"; "FrmContAbrir" in mode
    // "Modificar" on the given declaration. Returns when the form has closed: true when it closed
    // in mode "Modificar", where the declaration chooser is to be shown again.
    std::function<bool(QWidget* parent, const QString& caller, const DeclarationKey* key)> declaration;
    // Register of informed parties, opened by the main window with caller "MDI_KLV_PT".
    std::function<void(QWidget* parent, const QString& caller)> partyRegister;
    // The register in selection mode, for the transaction form: the open declaration's declarant
    // text (`cboNumDoc`) is the combo's only entry. Returns the party chosen, or none.
    std::function<std::optional<Party>(QWidget* parent, const QString& cboNumDoc)> partySelection;
    // The party detail in mode "Modificar" preset on one party of the declarant, for the transaction
    // form to complete a non-domiciled party's data.
    std::function<void(QWidget* parent, const QString& docIdD, const Party& party)> partyDetail;
    // Read-only lists: "VINCULO" (vinculation types) or "PARAISO" (tax havens).
    std::function<void(QWidget* parent, const QString& kind)> referenceList;
    // Print dialog.
    std::function<void(QWidget* parent)> printDialog;
    // Shows a written report file of the report folder in the preview ("Vprevia") or prints it
    // (any other mode). False when it could not be shown or printed (the reason was shown).
    std::function<bool(QWidget* parent, const QString& fileName, const QString& modo)> showReport;
    // Transaction form, opened modally by the declaration form with caller "Frm_KLV_Declara": mode
    // "Nuevo", or "Modificar" on `key` (the transaction of the grid's current row). It changes only
    // the working copy of `decl`.
    std::function<void(QWidget* parent, const QString& mode, const QString& caller, const OpenDeclaration& decl,
                       const TransactionKey* key)>
        transaction;
    // Import dialog, opened modally. Caller "Frm_KLV_Declara" imports the transactions file of `decl`
    // into its working copy; "Frm_KLV_Declara2" attaches the technical study of `decl` (a row of
    // EFCONTROLNS); "FrmPartesVinc" imports related parties.
    std::function<void(QWidget* parent, const QString& caller, const OpenDeclaration* decl)> importDialog;
};

// The configuration and the globals of the module (not its services nor its database): what a
// long work's context takes from the window's when it begins and gives back when it ends, all of
// it, so that a global added here travels with the rest.
struct Globals {
    QString gTitulo = kTituloModulo;
    QString gSysPath;  // ends with '/'
    QString gDBFile;
    QString gRptPath;  // gSysPath + "RPT", no trailing '/'
    QString gSysUser;  // untrimmed
    QString gFormulario = QStringLiteral("8027");
    int gAccion = 0;  // 0 new, 1 modify, 2 print, 3 delete
    QString gAutContExt;
    int gNumParVin = 0;  // informed parties of the open declaration's declarant (0: none)
    int gAnioNoDom = 2016;

    // Report hand-off, filled before a report is written.
    QString gTipoReporte, gRepDestino, gRepArchivo, gRepDocIdD, gRepRazonSocial;
    QString gTotMtoTran00, gTotMtoSinAju01, gTotMtoAju01, gTotMtoTran02, gTotMtoAjuPos02, gTotMtoAjuNeg02;

    Globals& globals() { return *this; }
    const Globals& globals() const { return *this; }
};

// The owner of QM8027's database connection and of the thread that alone uses it (see
// long_work.h): the window's context holds it instead of a connection.
class Engine;

struct AppContext : Globals {
    // Services every form uses.
    MessageService* messages = nullptr;
    const Clock* clock = nullptr;
    HelpService* help = nullptr;
    Utilitarios* gUtil = nullptr;
    StatusPanels* panels = nullptr;  // the status bar BarradeEstadoKLV1 of the main window
    FormLauncher forms;

    // The open shared database: on the thread that opened it (a program without a window, a
    // long work's context, a test of the logic).
    std::unique_ptr<Database> gDB;
    // In QM8027's window context, in place of gDB: every read or write goes through the runner of
    // long work to the thread that owns the connection.
    std::shared_ptr<Engine> engine;

    // The connection; a context without one (QM8027's window context) aborts the program: the
    // window's thread never calls the engine.
    Database& db() const {
        if (!gDB) noConnection();
        return *gDB;
    }
    // A message box with the application title.
    int msg(const QString& text, int style) const { return messages->show(text, style, gTitulo); }
    int msg(const QString& text, int style, const QString& title) const { return messages->show(text, style, title); }

private:
    [[noreturn]] static void noConnection();
};

}  // namespace klv
