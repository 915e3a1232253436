// 8027REP: the submission summary of a declaration, started by the host with its command line.
// No window: messages are boxes on a display, standard error without one.
#include "clock.h"
#include "message_service.h"
#include "qt_message_service.h"
#include "programa_resumen.h"

#include <QApplication>

int main(int argc, char** argv) {
    klv::prepareProgramEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("8027REP"));
    const std::unique_ptr<klv::MessageService> mensajes = klv::makeMessageService();
    const klv::SystemClock reloj;
    return klv::resumen::Main(QApplication::arguments().mid(1), {mensajes.get(), &reloj, QString()});
}
