#include "message_service.h"

#include "single_instance.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
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

namespace {

// The window a box opens over: the active one, else the modal form on top (the one asking).
// Without a window manager no window is active again once a box has closed, and a box without a
// parent would open in the middle of the screen instead of over its form.
QWidget* messageParent() {
    if (QWidget* active = QApplication::activeWindow()) return active;
    return QApplication::activeModalWidget();
}

}  // namespace

int QtMessageService::show(const QString& text, int style, const QString& title) {
    QMessageBox box(messageParent());
    box.setWindowTitle(title);
    box.setText(text);
    switch (style & 0x70) {
    case MsgStyle::Critical: box.setIcon(QMessageBox::Critical); break;
    case MsgStyle::Question: box.setIcon(QMessageBox::Question); break;
    case MsgStyle::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MsgStyle::Information: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    struct Label {
        int answer;
        const char* text;
        QMessageBox::ButtonRole role;
    };
    static const Label labels[] = {
        {MsgAnswer::Ok, "Aceptar", QMessageBox::AcceptRole},
        {MsgAnswer::Cancel, "Cancelar", QMessageBox::RejectRole},
        {MsgAnswer::Abort, "Anular", QMessageBox::RejectRole},
        {MsgAnswer::Retry, "Reintentar", QMessageBox::AcceptRole},
        {MsgAnswer::Ignore, "Omitir", QMessageBox::AcceptRole},
        {MsgAnswer::Yes, "Sí", QMessageBox::YesRole},
        {MsgAnswer::No, "No", QMessageBox::NoRole},
    };
    const int def = defaultAnswerOfStyle(style);
    std::vector<std::pair<QAbstractButton*, int>> made;
    for (int answer : buttonsOfStyle(style)) {
        for (const auto& l : labels) {
            if (l.answer != answer) continue;
            QPushButton* b = box.addButton(QString::fromUtf8(l.text), l.role);
            made.emplace_back(b, answer);
            if (answer == def) box.setDefaultButton(b);
            if (answer == MsgAnswer::Cancel || (made.size() == 1 && buttonsOfStyle(style).size() == 1))
                box.setEscapeButton(b);
        }
    }
    box.exec();
    for (const auto& [button, answer] : made)
        if (box.clickedButton() == button) return answer;
    return def;
}

int HeadlessMessageService::show(const QString& text, int style, const QString& title) {
    ++count_;
    const QByteArray out = (title + QStringLiteral(": ") + text + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stderr);
    std::fflush(stderr);
    return defaultAnswerOfStyle(style);
}

int RecordingMessageService::show(const QString& text, int style, const QString& title) {
    calls_.push_back({text, style, title});
    if (answers_.empty()) return defaultAnswerOfStyle(style);
    const int a = answers_.front();
    answers_.pop_front();
    return a;
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

std::unique_ptr<MessageService> makeMessageService() {
    if (runningHeadless()) return std::make_unique<HeadlessMessageService>();
    return std::make_unique<QtMessageService>();
}

}  // namespace klv
