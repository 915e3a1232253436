// act8027: creates or upgrades the module's tables in the shared database and loads its
// reference data. Run by the setup after the host is installed; it has no window. With a
// display its messages are message boxes, without one they go to standard error. Exit status:
// 0 after a clean run, 1 when the run stopped, 2 when it finished after failed statements.

#include "installer.h"
#include "message_service.h"
#include "qt_message_service.h"

#include <QApplication>

int main(int argc, char** argv) {
    klv::prepareProgramEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("act8027"));
    const std::unique_ptr<klv::MessageService> messages = klv::makeMessageService();
    klv::installer::Installer installer(*messages);
    return installer.Main();
}
