#pragma once
// Acting on a window once it is on screen. whenShown<T>(act) polls the top-level windows from the
// event loop (whichever loop runs: a form's modal loop, a progress window's tick) and runs `act`
// once on the first visible T that no other modal window stands over. A window still missing when
// the deadline passes fails the running test by name and ends every modal loop left open (each
// dialog on screen is ended, as is each one that comes up while the test lasts), so a test that
// waited for a window that never came fails instead of hanging.

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>

namespace klv::test {

inline constexpr std::chrono::milliseconds kShownDeadline{60000};

namespace detail {

inline const ::testing::TestInfo* runningTest() { return ::testing::UnitTest::GetInstance()->current_test_info(); }

// Ends the modal loops of the windows on screen: every visible dialog is done (rejected) as
// QDialog itself ends one, past any override that would ask the user first.
inline void endModalLoops() {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QDialog*>(top); d && d->isVisible()) d->QDialog::done(QDialog::Rejected);
}

}  // namespace detail

template <class T>
void whenShown(std::function<void(T&)> act, std::chrono::milliseconds deadline = kShownDeadline) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(10);
    const ::testing::TestInfo* test = detail::runningTest();
    const QDeadlineTimer until(deadline);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act, test, until, deadline, failed = false]() mutable {
        if (detail::runningTest() != test) {  // the test that waited has ended
            poll->deleteLater();
            return;
        }
        if (failed) return detail::endModalLoops();
        QWidget* modal = QApplication::activeModalWidget();
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* w = qobject_cast<T*>(top);
            if (!w || !w->isVisible() || (modal && modal != w)) continue;
            poll->stop();
            poll->deleteLater();
            act(*w);
            return;
        }
        if (!until.hasExpired()) return;
        failed = true;
        ADD_FAILURE() << (test ? test->test_suite_name() + std::string(".") + test->name() : std::string("a test"))
                      << ": no " << T::staticMetaObject.className() << " shown within " << deadline.count() << " ms";
        detail::endModalLoops();
    });
    poll->start();
}

}  // namespace klv::test
