#include "qt_message_service.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>
#include <algorithm>
#include <utility>
#include <vector>

namespace klv {

namespace {

// The window a box opens over: the active one, else the modal form on top (the one asking).
// Without a window manager no window is active again once a box has closed, and a box without a
// parent would open in the middle of the screen instead of over its form.
QWidget* messageParent() {
    if (QWidget* active = QApplication::activeWindow()) return active;
    return QApplication::activeModalWidget();
}

// The least width that shows `title` whole in the window frame: the window manager draws it in
// its title font (often bold; the bold face of the desktop's title font is the wider guess) beside
// the frame's icon and buttons, about seven lines of that font across. A QMessageBox sizes itself
// to its text and allows its title far less, so a short text under a long title had the title cut.
// Never wider than the screen the box opens on.
int titleWidth(const QWidget& box, const QString& title) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    const QFontMetrics metrics(font);
    int width = metrics.horizontalAdvance(title) + 7 * metrics.height();
    if (const QScreen* screen = box.screen()) width = std::min(width, screen->availableGeometry().width());
    return width;
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
    // The box's layout sets its least width: a strut across it keeps the title whole. Laid last,
    // as setting the icon lays the box out anew.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(titleWidth(box, title), 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    box.exec();
    for (const auto& [button, answer] : made)
        if (box.clickedButton() == button) return answer;
    return def;
}

std::unique_ptr<MessageService> makeMessageService() {
    if (runningHeadless()) return std::make_unique<HeadlessMessageService>();
    return std::make_unique<QtMessageService>();
}

// Qt's boxes, the GUI application started before the first.
class WindowlessProgram::Boxes : public QtMessageService {
public:
    explicit Boxes(WindowlessProgram& program) : program_(program) {}
    int show(const QString& text, int style, const QString& title) override {
        if (!program_.guiStarted()) program_.startGui();
        return QtMessageService::show(text, style, title);
    }

private:
    WindowlessProgram& program_;
};

WindowlessProgram::WindowlessProgram(int& argc, char** argv, const QString& name)
    : argc_(argc), argv_(argv), name_(name), app_(std::make_unique<QCoreApplication>(argc, argv)) {
    QCoreApplication::setApplicationName(name_);
    if (runningHeadless())
        messages_ = std::make_unique<HeadlessMessageService>();
    else
        messages_ = std::make_unique<Boxes>(*this);
}

WindowlessProgram::~WindowlessProgram() = default;

QStringList WindowlessProgram::arguments() const { return QCoreApplication::arguments().mid(1); }

bool WindowlessProgram::guiStarted() const { return qobject_cast<QApplication*>(app_.get()) != nullptr; }

void WindowlessProgram::startGui() {
    // One application object at a time: the core one ends before the GUI one begins. Nothing of
    // the run hangs on it (no event loop runs, no object is its child but its translator).
    app_.reset();
    app_ = std::make_unique<QApplication>(argc_, argv_);
    QCoreApplication::setApplicationName(name_);
}

}  // namespace klv
