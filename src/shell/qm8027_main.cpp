// QM8027: the declaration module. It has no command line; it starts only beside the host program.
#include "app_context.h"
#include "frm_importador.h"
#include "frm_klv_declara.h"
#include "frm_transacciones.h"
#include "host_window.h"
#include "frm_imprimir.h"
#include "main_window_entry.h"
#include "party_forms.h"
#include "show_report.h"
#include "startup.h"
#include "status_panels.h"

#include <QApplication>
#include <memory>

int main(int argc, char** argv) {
    // Without a display the program still runs (messages go to standard error).
    klv::prepareProgramEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QM8027"));

    const std::unique_ptr<klv::MessageService> messages = klv::makeMessageService();
    klv::SystemClock clock;
    klv::StatusPanels panels;
    klv::AppContext ctx;
    klv::DesktopHelpService help(*messages, ctx.gTitulo);
    ctx.messages = messages.get();
    ctx.clock = &clock;
    ctx.help = &help;
    ctx.panels = &panels;
    ctx.forms.declaration = [&ctx](QWidget* parent, const QString& caller, const klv::DeclarationKey* key) {
        return klv::Frm_KLV_Declara::run(ctx, parent, caller, key);
    };
    ctx.forms.transaction = [&ctx](QWidget* parent, const QString& mode, const QString& caller,
                                   const klv::OpenDeclaration& decl, const klv::TransactionKey* key) {
        klv::FrmTransacciones::run(ctx, parent, mode, caller, decl, key);
    };
    klv::setPartyForms(ctx);
    ctx.forms.showReport = [&ctx](QWidget* parent, const QString& fileName, const QString& modo) {
        return klv::udp_MostrarReporte(ctx, parent, fileName, modo);
    };
    ctx.forms.printDialog = [&ctx](QWidget* parent) { klv::FrmImprimir::run(ctx, parent); };
    // The openers refresh themselves when the dialog has closed.
    ctx.forms.importDialog = [&ctx](QWidget* parent, const QString& caller, const klv::OpenDeclaration* decl) {
        klv::FrmImportador::run(ctx, parent, caller, decl, klv::import::ejecutarImportacion);
    };

    klv::XcbHostWindowFinder finder;
    klv::Startup startup;
    klv::Startup::Services services;
    services.finder = &finder;
    services.showMainWindow = klv::showMainWindow;
    switch (startup.Main(ctx, services)) {
    case klv::StartupResult::Started: break;
    case klv::StartupResult::GateClosed: return 0;
    case klv::StartupResult::NoHost: return 2;
    case klv::StartupResult::AlreadyRunning: return 3;
    default: return 1;
    }
    const int rc = app.exec();
    ctx.gDB.reset();
    return rc;
}
