// QM8027: the declaration module. It has no command line; it starts only beside the host program.
#include "app_context.h"
#include "host_window.h"
#include "long_work.h"
#include "main_window_entry.h"
#include "qm8027_module.h"
#include "startup.h"

#include <QApplication>
#include <memory>

int main(int argc, char** argv) {
    // Without a display the program still runs (messages go to standard error).
    klv::prepareProgramEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QM8027"));

    klv::AppContext ctx;
    klv::ModuleServices module(ctx);

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
    klv::LongWork::exitAtOnceDuringWork();  // the display lost during a work
    const int rc = app.exec();
    ctx.engine.reset();  // the connection closed on its own thread
    return rc;
}
