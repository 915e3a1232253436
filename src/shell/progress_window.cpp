#include "progress_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <utility>

namespace klv {
namespace {

std::chrono::milliseconds g_appearAfter{500};
constexpr qint64 kPaintEveryMs = 100;
constexpr int kBarSteps = 1000;

}  // namespace

// A window that neither Escape nor the window's close box closes.
class ProgressDialog : public QDialog {
public:
    ProgressDialog(QWidget* parent, const QString& text) : QDialog(parent) {
        setObjectName(QStringLiteral("ProgressWindow"));
        setWindowTitle(parent ? parent->window()->windowTitle() : QString());
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
        setWindowModality(Qt::ApplicationModal);
        auto* label = new QLabel(text, this);
        label->setObjectName(QStringLiteral("LblProgreso"));
        bar = new QProgressBar(this);
        bar->setObjectName(QStringLiteral("PrgProgreso"));
        bar->setMinimumWidth(320);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(label);
        layout->addWidget(bar);
    }
    void reject() override {}
    QProgressBar* bar = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

// The context's message service while a ProgressWindow lives.
class ProgressWindow::Boxes : public MessageService {
public:
    explicit Boxes(ProgressWindow& window) : window_(window) {}
    int show(const QString& text, int style, const QString& title) override {
        return window_.showBox(text, style, title);
    }

private:
    ProgressWindow& window_;
};

ProgressWindow::ProgressWindow(AppContext& ctx, QWidget* parent, const QString& text)
    : ctx_(ctx),
      messages_(ctx.messages),
      boxes_(std::make_unique<Boxes>(*this)),
      parent_(parent),
      text_(text),
      ticks_(ctx.db(), [this] { tick(); }) {
    if (messages_) ctx_.messages = boxes_.get();
    clock_.start();
}

ProgressWindow::~ProgressWindow() {
    if (ctx_.messages == boxes_.get()) ctx_.messages = messages_;
}

int ProgressWindow::showBox(const QString& text, int style, const QString& title) {
    window_.reset();
    const int answer = messages_->show(text, style, title);
    clock_.restart();
    lastPaint_ = -1;
    return answer;
}

void ProgressWindow::report(qint64 done, qint64 total) {
    done_ = done;
    total_ = total;
    tick();
}

std::function<void(qint64, qint64)> ProgressWindow::callback() {
    return [this](qint64 done, qint64 total) { report(done, total); };
}

QWidget* ProgressWindow::window() const { return window_.get(); }

std::chrono::milliseconds ProgressWindow::setAppearAfter(std::chrono::milliseconds delay) {
    return std::exchange(g_appearAfter, delay);
}

void ProgressWindow::tick() {
    const qint64 now = clock_.elapsed();
    if (lastPaint_ >= 0 && now - lastPaint_ < kPaintEveryMs) return;
    lastPaint_ = now;
    if (!window_ && now >= g_appearAfter.count()) {
        window_ = std::make_unique<ProgressDialog>(parent_, text_);
        window_->show();
    }
    if (window_) {
        if (total_ <= 0) {
            window_->bar->setRange(0, 0);
        } else {
            window_->bar->setRange(0, kBarSteps);
            window_->bar->setValue(static_cast<int>(std::min(done_, total_) * kBarSteps / total_));
        }
        QCoreApplication::processEvents();
    } else {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

}  // namespace klv
