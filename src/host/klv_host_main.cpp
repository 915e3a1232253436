// klv-host: a stand-in for the host program, for running and testing the module.
//   klv-host --init DIR   lays a demo environment in DIR (keeping existing data) and ends.
//   klv-host              shows the "KLV" window, on the environment named by KLV_WINDIR.
#include "host_env.h"
#include "klv_host_window.h"
#include "message_service.h"
#include "qt_message_service.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPoint>
#include <QStringList>
#include <cstdio>
#include <memory>

namespace {

int initOnly(int argc, char** argv) {
    klv::prepareProgramEnvironment();
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3 || args.at(2).isEmpty()) {
        std::fprintf(stderr, "uso: klv-host --init CARPETA\n");
        return 2;
    }
    QString error;
    if (!klv::host::initEnvironment(args.at(2), &error)) {
        std::fprintf(stderr, "klv-host: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("Entorno listo: %s (KLV_WINDIR=%s)\n", qPrintable(klv::host::sysPathOf(args.at(2))),
                qPrintable(klv::host::winDirOf(args.at(2))));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && qstrcmp(argv[1], "--init") == 0) return initOnly(argc, argv);

    klv::prepareProgramEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("klv-host"));
    const std::unique_ptr<klv::MessageService> messages = klv::makeMessageService();
    klv::host::HostMainWindow window(*messages);
    // Beside the module's frame, which opens at the top left corner, within a small screen too.
    window.placeOnScreen(QPoint(660, 0));
    window.show();
    return app.exec();
}
