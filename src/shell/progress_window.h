#pragma once
// The progress of a long operation that runs on the window's thread (a save, the opening of a
// large declaration, Validar). While a ProgressWindow lives, the database's statements tick it and
// the logic tells it what is done through callback(); every tenth of a second the bar moves and
// the event loop runs, so every window of the program repaints. A small modal window with a text
// and a bar appears once the work has lasted half a second (shorter work shows nothing); it has no
// close button and cannot be closed: the work cannot be stopped, and no other window takes input
// meanwhile. Until it appears the event loop runs without user input. A step the engine does in
// one go (StatementTicks::runStep) runs off the window's thread while the window ticks.
//
// No box stands over the bar: while the window lives, the context's messages go through it, and
// before each box the window closes; work that goes on after the box shows it again once it has
// lasted another half second.

#include "app_context.h"
#include "statement_ticks.h"

#include <QElapsedTimer>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>

class QProgressBar;
class QWidget;

namespace klv {

class ProgressDialog;

class ProgressWindow {
public:
    // `parent` is the window the progress belongs to (the form, or its opener while the form is
    // not shown yet); `text` says what is being done. The context's database ticks the window and
    // its messages pass through it until it is destroyed.
    ProgressWindow(AppContext& ctx, QWidget* parent, const QString& text);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    // done of total (total 0: not known; the bar shows that work goes on).
    void report(qint64 done, qint64 total);
    // report() as a plain callback for the logic.
    std::function<void(qint64, qint64)> callback();
    // The window, once it has appeared (nullptr before).
    QWidget* window() const;

    // How long work lasts before the window appears (half a second), from now on; returns the
    // delay it replaces. Tests that must see the window over short work set it shorter.
    static std::chrono::milliseconds setAppearAfter(std::chrono::milliseconds delay);

private:
    class Boxes;
    void tick();
    // Closes the window, shows the box and starts the half second again.
    int showBox(const QString& text, int style, const QString& title);

    AppContext& ctx_;
    MessageService* messages_;  // the context's service before this window
    std::unique_ptr<Boxes> boxes_;
    QWidget* parent_;
    QString text_;
    QElapsedTimer clock_;
    qint64 lastPaint_ = -1;
    qint64 done_ = 0;
    qint64 total_ = 0;
    std::unique_ptr<ProgressDialog> window_;
    StatementTicks ticks_;
};

}  // namespace klv
