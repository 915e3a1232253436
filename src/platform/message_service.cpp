#include "message_service.h"

#include "single_instance.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>

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

// The texts of the print dialog and of its printer properties (page setup, job options, advanced
// options) that Qt's Spanish catalogue leaves in English, by Qt's translation context.
class PrintDialogTexts : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override {
        static const struct {
            const char* context;
            const char* english;
            const char* spanish;
        } texts[] = {
            {"QPrintSettingsOutput", "Double Sided Printing", "Impresión a doble cara"},
            {"QPrintSettingsOutput", "Off", "Desactivada"},
            {"QPrintSettingsOutput", "Long side binding", "Encuadernado por el lado largo"},
            {"QPrintSettingsOutput", "Short side binding", "Encuadernado por el lado corto"},
            {"QPrintSettingsOutput", "Pages", "Páginas"},
            {"QPrintSettingsOutput",
             "Specify pages or ranges separated by commas. Ranges are specified by two numbers separated by a "
             "hyphen. E.g: 3,5-7,9 prints pages 3, 5, 6, 7 and 9.",
             "Indique páginas o intervalos separados por comas. Un intervalo son dos números separados por un "
             "guion. Por ejemplo: 3,5-7,9 imprime las páginas 3, 5, 6, 7 y 9."},
            {"QPrintDialog", "Invalid Pages Definition", "Definición de páginas no válida"},
            {"QPrintDialog",
             "%1 does not follow the correct syntax. Please use ',' to separate ranges and pages, '-' to define "
             "ranges and make sure ranges do not intersect with each other.",
             "%1 no sigue la sintaxis correcta. Use «,» para separar intervalos y páginas y «-» para definir "
             "intervalos, y cuide que los intervalos no se superpongan."},
            {"QPrintDialog", "Duplex Settings Conflicts", "Conflictos en la impresión a doble cara"},
            {"QPrintDialog", "There are conflicts in duplex settings. Do you want to fix them?",
             "Hay conflictos en la configuración de impresión a doble cara. ¿Desea corregirlos?"},
            {"QPrintPropertiesWidget", "Advanced", "Avanzado"},
            {"QPrintPropertiesWidget", "There are conflicts in some options. Please fix them.",
             "Hay conflictos entre algunas opciones. Corríjalos, por favor."},
            {"QPrintPropertiesDialog", "Page Setup Conflicts", "Conflictos en la configuración de página"},
            {"QPrintPropertiesDialog", "There are conflicts in page setup options. Do you want to fix them?",
             "Hay conflictos en las opciones de configuración de página. ¿Desea corregirlos?"},
            {"QPrintPropertiesDialog", "Advanced Option Conflicts", "Conflictos en las opciones avanzadas"},
            {"QPrintPropertiesDialog", "There are conflicts in some advanced options. Do you want to fix them?",
             "Hay conflictos en algunas opciones avanzadas. ¿Desea corregirlos?"},
            {"QCupsJobWidget", "Banner page at start", "Página de cabecera al inicio"},
            {"QCupsJobWidget", "Banner page at end", "Página de cabecera al final"},
            {"Print Device Input Slot", "Automatic", "Automática"},
            {"Print Device Output Bin", "Automatic", "Automática"}};
        if (!context || !source) return {};
        for (const auto& t : texts)
            if (qstrcmp(context, t.context) == 0 && qstrcmp(source, t.english) == 0) return QString::fromUtf8(t.spanish);
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
