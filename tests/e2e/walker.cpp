#include "walker.h"

#include "long_work.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <cstdio>
#include <cstdlib>

namespace klv::e2e {
namespace {

constexpr int kPollMs = 50;
constexpr qint64 kStepTimeoutMs = 20000;

void say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

bool shown(const QWidget* w) { return w->isVisible() && w->windowHandle() && w->windowHandle()->isExposed(); }

}  // namespace

QWidget* window(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(name) && shown(w)) return w;
    return nullptr;
}

QMessageBox* messageBox() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && shown(box)) return box;
    return nullptr;
}

void post(std::function<void()> fn) { QTimer::singleShot(0, qApp, std::move(fn)); }

void press(QAbstractButton* button) {
    post([button] { QTest::mouseClick(button, Qt::LeftButton); });
}

bool choose(QComboBox* combo, const QString& prefix) {
    for (int i = 0; i < combo->count(); ++i) {
        if (!combo->itemText(i).startsWith(prefix)) continue;
        combo->setCurrentIndex(i);
        emit combo->activated(i);
        return true;
    }
    return false;
}

bool openFolder(QListWidget* folders, const QString& path) {
    for (int i = 0; i < folders->count(); ++i) {
        QListWidgetItem* item = folders->item(i);
        if (QDir::cleanPath(item->data(Qt::UserRole).toString()) != QDir::cleanPath(path)) continue;
        folders->scrollToItem(item);
        // As a display delivers a double click: press, release, double click, release.
        const QPoint at = folders->visualItemRect(item).center();
        QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(folders->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(folders->viewport(), Qt::LeftButton, {}, at);
        return true;
    }
    return false;
}

bool clickEntry(QListWidget* list, const QString& text) {
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    if (found.isEmpty()) return false;
    list->scrollToItem(found.front());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.front()).center());
    return true;
}

Walker::Walker(QString shotFolder) : folder_(std::move(shotFolder)) {
    QDir().mkpath(folder_);
    timer_.setInterval(kPollMs);
    connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
}

void Walker::then(const QString& what, std::function<bool()> ready, std::function<void()> act) {
    steps_.push_back({what, std::move(ready), std::move(act), false});
}

void Walker::answer(const QString& shotName, const QString& title, const QString& text, const QString& button) {
    Step s;
    s.what = QStringLiteral("message \"%1\" (%2)").arg(title, text);
    s.boxExpected = true;
    s.ready = [] { return messageBox() != nullptr; };
    s.act = [this, shotName, title, text, button] {
        QMessageBox* box = messageBox();
        boxTexts_ << box->windowTitle() + QStringLiteral(": ") + box->text();
        shot(box, shotName);
        check(box->windowTitle() == title, QStringLiteral("message title \"%1\" (is \"%2\")").arg(title, box->windowTitle()));
        check(box->text().contains(text), QStringLiteral("message \"%1\" (is \"%2\")").arg(text, box->text()));
        for (QAbstractButton* b : box->buttons()) {
            if (b->text() == button) {
                press(b);
                return;
            }
        }
        abort(QStringLiteral("no button \"%1\" in the message \"%2\"").arg(button, box->text()));
    };
    steps_.push_back(std::move(s));
}

void Walker::start(std::function<void()> done) {
    done_ = std::move(done);
    waitingSince_ = QDateTime::currentMSecsSinceEpoch();
    timer_.start();
}

void Walker::poll() {
    if (next_ >= steps_.size()) {
        timer_.stop();
        if (done_) post(done_);
        return;
    }
    Step& s = steps_[next_];
    // While the module's database work runs only its boxes are answered: anything else waits for
    // its end, as a user waits for the progress window to go (a work that never ends fails the
    // step by its time).
    if (LongWork::running() && !s.boxExpected) {
        if (QDateTime::currentMSecsSinceEpoch() - waitingSince_ > kStepTimeoutMs)
            abort(QStringLiteral("timed out waiting for %1 (a work still runs)").arg(s.what));
        return;
    }
    try {
        if (!s.boxExpected) {
            if (QMessageBox* box = messageBox())
                abort(QStringLiteral("unexpected message while waiting for %1: \"%2: %3\"")
                          .arg(s.what, box->windowTitle(), box->text()));
        }
        held_ = s.ready() ? held_ + 1 : 0;
        if (held_ < 2) {
            if (QDateTime::currentMSecsSinceEpoch() - waitingSince_ > kStepTimeoutMs)
                abort(QStringLiteral("timed out waiting for %1").arg(s.what));
            return;
        }
        held_ = 0;
        ++next_;
        waitingSince_ = QDateTime::currentMSecsSinceEpoch();
        say(QStringLiteral("step: %1").arg(s.what));
        if (s.act) s.act();
    } catch (const std::exception& e) {
        abort(QStringLiteral("%1: %2").arg(s.what, QString::fromUtf8(e.what())));
    }
}

QString Walker::shot(QWidget* w, const QString& name) {
    const QString file = QStringLiteral("%1/%2-%3.png").arg(folder_).arg(++shots_, 2, 10, QLatin1Char('0')).arg(name);
    if (!w->grab().save(file)) check(false, QStringLiteral("picture %1 saved").arg(file));
    return file;
}

QString Walker::shotForeign(unsigned long xid, const QString& name) {
    const QString file = QStringLiteral("%1/%2-%3.png").arg(folder_).arg(++shots_, 2, 10, QLatin1Char('0')).arg(name);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || !screen->grabWindow(static_cast<WId>(xid)).save(file))
        check(false, QStringLiteral("picture %1 saved").arg(file));
    return file;
}

void Walker::check(bool ok, const QString& what) {
    say((ok ? QStringLiteral("ok: ") : QStringLiteral("FAIL: ")) + what);
    if (!ok) ++failures_;
}

void Walker::abort(const QString& why) {
    say(QStringLiteral("FAIL: ") + why);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            say(QStringLiteral("  window up: %1 \"%2\"").arg(w->objectName(), w->windowTitle()));
    say(QStringLiteral("  picture of the screen: %1").arg(shotForeign(0, QStringLiteral("failure"))));
    // The modal loops of the module are still running: end here; the caller's script ends the
    // display and the host with it.
    std::_Exit(1);
}

}  // namespace klv::e2e
