#include "help_service.h"

#include "message_service.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>
#include <QVariant>

namespace klv {
namespace {

constexpr char kHelpContextProperty[] = "klvHelpContext";

}  // namespace

void setHelpContext(HelpService* help, QObject* form, int context) {
    if (form) form->setProperty(kHelpContextProperty, context);
    if (help) help->setContext(context);
}

int helpContextOf(const QObject* w) {
    for (; w; w = w->parent()) {
        const QVariant v = w->property(kHelpContextProperty);
        if (v.isValid()) return v.toInt();
    }
    return 0;
}

bool DesktopHelpService::showContents(const QString& helpFile) {
    const QFileInfo info(helpFile);
    if (!info.exists()) {
        messages_.show(QStringLiteral("No se encontró el archivo de ayuda ") + helpFile + QLatin1Char('.'),
                       MsgStyle::Exclamation, title_);
        return false;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()))) {
        messages_.show(QStringLiteral("No se pudo abrir el archivo de ayuda ") + helpFile +
                           QStringLiteral(": no hay un visor disponible."),
                       MsgStyle::Exclamation, title_);
        return false;
    }
    return true;
}

}  // namespace klv
