#pragma once
// The hourglass pointer: for the duration of a scope (long reads, deletes and saves), or while a
// form is being opened.

#include <QApplication>
#include <QTimer>
#include <memory>

namespace klv {

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// The main window's pattern around opening a form: the hourglass while the form is created and
// loads, the default pointer as soon as the form's own event loop runs (the form is on screen and
// waits for the user), and at the latest when the scope ends (the form has closed).
class OpeningCursor {
public:
    OpeningCursor() {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QTimer::singleShot(0, qApp, [on = on_] { release(*on); });
    }
    ~OpeningCursor() { release(*on_); }
    OpeningCursor(const OpeningCursor&) = delete;
    OpeningCursor& operator=(const OpeningCursor&) = delete;

private:
    static void release(bool& on) {
        if (!on) return;
        on = false;
        QApplication::restoreOverrideCursor();
    }
    std::shared_ptr<bool> on_ = std::make_shared<bool>(true);
};

}  // namespace klv
