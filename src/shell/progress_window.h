#pragma once
// The progress of a long operation that runs on the window's thread (a save, the opening of a
// large declaration, Validar). While a ProgressWindow lives, the database's statements tick it and
// the logic tells it what is done through callback(); every tenth of a second the bar moves and
// the event loop runs, so every window of the program repaints. A small modal window with a text
// and a bar appears once the work has lasted half a second (shorter work shows nothing); it has no
// close button and cannot be closed: the work cannot be stopped, and no other window takes input
// meanwhile. Until it appears the event loop runs without user input.

#include "database.h"
#include "statement_ticks.h"

#include <QElapsedTimer>
#include <QString>
#include <functional>
#include <memory>

class QProgressBar;
class QWidget;

namespace klv {

class ProgressDialog;

class ProgressWindow {
public:
    // `parent` is the window the progress belongs to (the form, or its opener while the form is
    // not shown yet); `text` says what is being done.
    ProgressWindow(const Database& db, QWidget* parent, const QString& text);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    // done of total (total 0: not known; the bar shows that work goes on).
    void report(qint64 done, qint64 total);
    // report() as a plain callback for the logic.
    std::function<void(qint64, qint64)> callback();
    // The window, once it has appeared (nullptr before).
    QWidget* window() const;

private:
    void tick();

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
