#pragma once
// The progress window of a long operation (see long_work.h, which runs the operation on the
// engine's thread and this window on the window's thread): a small modal window with a text and a
// bar that appears once the work has lasted half a second (shorter work shows nothing). It has no
// close button and cannot be closed: the work cannot be stopped. It is wide enough for its whole
// title, the title of the window it belongs to.
//
// No box stands over the bar: every box shown while the work runs goes through showBox(), which
// hides the window first; work that goes on after the box shows it again once it has lasted
// another half second. The window is a child of the window it belongs to and nothing else owns
// it: whichever of the two goes first, it is freed once.

#include "message_service.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <chrono>
#include <memory>

class QWidget;

namespace klv {

class ProgressDialog;

class ProgressWindow {
public:
    // `parent` is the window the progress belongs to (the form, or its opener while the form is
    // not shown yet); `text` says what is being done. The half second counts from `started` (an
    // invalid timer: from here).
    ProgressWindow(QWidget* parent, const QString& text, const QElapsedTimer& started = QElapsedTimer());
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    // done of total (total 0: not known; the bar shows that work goes on). Shows the window once
    // the half second has passed.
    void report(qint64 done, qint64 total);
    // Hides the window, shows the box through `messages` and starts the half second again.
    int showBox(MessageService& messages, const QString& text, int style, const QString& title);

    // How long work lasts before the window appears (half a second), from now on; returns the
    // delay it replaces. Tests that must see the window over short work set it shorter.
    static std::chrono::milliseconds setAppearAfter(std::chrono::milliseconds delay);

private:
    QPointer<QWidget> parent_;
    QString text_;
    QElapsedTimer clock_;
    qint64 done_ = 0;
    qint64 total_ = 0;
    QPointer<ProgressDialog> window_;
};

}  // namespace klv
