#pragma once
// Process-wide state of QM8027 (and of the programs that share its services): the globals of the
// module kept as members of one object that main builds and every form receives. A test builds
// its own with test doubles.

#include "clock.h"
#include "database.h"
#include "help_service.h"
#include "message_service.h"
#include "keys.h"

#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace klv {

class Utilitarios;
class StatusPanels;


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
    // Read-only lists: "VINCULO" (vinculation types) or "PARAISO" (tax havens).
    std::function<void(QWidget* parent, const QString& kind)> referenceList;
    // Print dialog.
    std::function<void(QWidget* parent)> printDialog;
};

struct AppContext {
    // Services every form uses.
    MessageService* messages = nullptr;
    const Clock* clock = nullptr;
    HelpService* help = nullptr;
    Utilitarios* gUtil = nullptr;
    StatusPanels* panels = nullptr;  // the status bar BarradeEstadoKLV1 of the main window
    FormLauncher forms;

    // The open shared database.
    std::unique_ptr<Database> gDB;

    // Configuration and globals.
    QString gTitulo = QStringLiteral("8027 KLV - Precios de Transferencia - 1.4");
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

    Database& db() const { return *gDB; }
    // A message box with the application title.
    int msg(const QString& text, int style) const { return messages->show(text, style, gTitulo); }
    int msg(const QString& text, int style, const QString& title) const { return messages->show(text, style, title); }
};

}  // namespace klv
