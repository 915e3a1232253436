#include "progress_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace klv {
namespace {

std::chrono::milliseconds g_appearAfter{500};
constexpr int kBarSteps = 1000;
// Room in a title bar beside its text: the window's icon and the system's buttons.
constexpr int kTitleBarRoom = 160;

}  // namespace

// A window that neither Escape nor the window's close box closes.
class ProgressDialog : public QDialog {
public:
    ProgressDialog(QWidget* parent, const QString& text) : QDialog(parent) {
        setObjectName(QStringLiteral("ProgressWindow"));
        const QString title = parent ? parent->window()->windowTitle() : QString();
        setWindowTitle(title);
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
        setWindowModality(Qt::ApplicationModal);
        // It takes no input (the runner drops it): showing it leaves the focus where it was, so no
        // control of the form loses it meanwhile.
        setAttribute(Qt::WA_ShowWithoutActivating);
        auto* label = new QLabel(text, this);
        label->setObjectName(QStringLiteral("LblProgreso"));
        bar = new QProgressBar(this);
        bar->setObjectName(QStringLiteral("PrgProgreso"));
        bar->setMinimumWidth(320);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(label);
        layout->addWidget(bar);
        // The whole title shows: the window is as wide as its title bar needs.
        QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
        titleFont.setBold(true);
        setMinimumWidth(std::max(minimumSizeHint().width(), QFontMetrics(titleFont).horizontalAdvance(title) + kTitleBarRoom));
    }
    void reject() override {}
    QProgressBar* bar = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

ProgressWindow::ProgressWindow(QWidget* parent, const QString& text, const QElapsedTimer& started)
    : text_(text), clock_(started) {
    // A window not shown yet (a form still loading, a preview that prints) lends the window below
    // it that is on screen its place and title.
    while (parent && !parent->isVisible()) parent = parent->parentWidget();
    parent_ = parent;
    if (!clock_.isValid()) clock_.start();
}

ProgressWindow::~ProgressWindow() { delete window_.data(); }

int ProgressWindow::showBox(MessageService& messages, const QString& text, int style, const QString& title) {
    if (window_) window_->hide();
    const int answer = messages.show(text, style, title);
    clock_.restart();
    return answer;
}

void ProgressWindow::report(qint64 done, qint64 total) {
    done_ = done;
    total_ = total;
    if ((!window_ || window_->isHidden()) && clock_.elapsed() >= g_appearAfter.count()) {
        if (!window_) window_ = new ProgressDialog(parent_, text_);
        window_->show();
    }
    if (!window_ || window_->isHidden()) return;
    if (total_ <= 0) {
        window_->bar->setRange(0, 0);
    } else {
        window_->bar->setRange(0, kBarSteps);
        window_->bar->setValue(static_cast<int>(std::min(done_, total_) * kBarSteps / total_));
    }
}

std::chrono::milliseconds ProgressWindow::setAppearAfter(std::chrono::milliseconds delay) {
    return std::exchange(g_appearAfter, delay);
}

}  // namespace klv
