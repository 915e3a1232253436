#include "message_service.h"

#include "single_instance.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>
#include <utility>

namespace klv {

std::vector<int> buttonsOfStyle(int style) {
    using namespace MsgAnswer;
    switch (style & 0x0F) {
    case MsgStyle::OkCancel: return {Ok, Cancel};
    case MsgStyle::AbortRetryIgnore: return {Abort, Retry, Ignore};
    case MsgStyle::YesNoCancel: return {Yes, No, Cancel};
    case MsgStyle::YesNo: return {Yes, No};
    case MsgStyle::RetryCancel: return {Retry, Cancel};
    default: return {Ok};
    }
}

int defaultAnswerOfStyle(int style) {
    const auto buttons = buttonsOfStyle(style);
    size_t index = 0;
    if (style & MsgStyle::DefaultButton3) index = 2;
    else if (style & MsgStyle::DefaultButton2) index = 1;
    if (index >= buttons.size()) index = 0;
    return buttons[index];
}

int HeadlessMessageService::show(const QString& text, int style, const QString& title) {
    ++count_;
    const QByteArray out = (title + QStringLiteral(": ") + text + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stderr);
    std::fflush(stderr);
    return defaultAnswerOfStyle(style);
}

bool runningHeadless() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.startsWith("offscreen") || platform.startsWith("minimal")) return true;
    return qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

void prepareProgramEnvironment() {
    if (runningHeadless() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    useRuntimeFolder();
    static const bool once = [] {
        qAddPreRoutine([] { installQtTranslation(); });
        return true;
    }();
    Q_UNUSED(once);
}

namespace {

// The texts of the print dialog's settings that Qt's Spanish catalogue leaves in English.
class PrintDialogTexts : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override {
        static const std::pair<const char*, const char*> texts[] = {
            {"Double Sided Printing", "Impresión a doble cara"},
            {"Off", "Desactivada"},
            {"Long side binding", "Encuadernado por el lado largo"},
            {"Short side binding", "Encuadernado por el lado corto"},
            {"Pages", "Páginas"}};
        if (!context || qstrncmp(context, "QPrint", 6) != 0 || !source) return {};
        for (const auto& [english, spanish] : texts)
            if (qstrcmp(source, english) == 0) return QString::fromUtf8(spanish);
        return {};
    }
};

}  // namespace

bool installQtTranslation() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return false;
    // One translator per application object, owned by it.
    if (app->findChild<QTranslator*>(QStringLiteral("klvQtTranslation"), Qt::FindDirectChildrenOnly)) return true;
    auto* translator = new QTranslator(app);
    translator->setObjectName(QStringLiteral("klvQtTranslation"));
    if (!translator->load(QStringLiteral("qtbase_es"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    // Searched before Qt's catalogue, for the few texts it lacks; gone with it.
    QCoreApplication::installTranslator(new PrintDialogTexts(translator));
    return true;
}

}  // namespace klv
