#include "storm.h"

#include "database.h"
#include "long_work.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QMessageBox>
#include <QTest>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace klv::e2e {
namespace {

// How long another program holds the database before each work: well past the runner's wait
// without a loop, a mnemonic's 100 ms and the progress window's half second.
constexpr int kHeldMs = 700;
// Close requests are sent only while the work is sure to last past their delivery: up to this long
// before the other program lets the database go (a request delivered once the work has ended is
// the user's own, and closes the window as it should).
constexpr int kCloseMarginMs = 150;
// At most this many actions in one work, so that a storm's budget reaches every work of the walk.
constexpr int kActionsPerWork = 120;

// The one widget that takes input during a work (the import dialog's stop button): a press there
// is the user's own choice, not noise.
bool meantForInput(const QWidget* w) { return w->objectName() == QLatin1String("CmdDetener"); }

template <class T>
QList<T*> enabledIn(QWidget* window) {
    QList<T*> out;
    for (T* w : window->findChildren<T*>())
        if (w->isVisible() && w->isEnabled() && !meantForInput(w)) out << w;
    return out;
}

bool isBox(const QWidget* w) { return qobject_cast<const QMessageBox*>(w) != nullptr; }

qint64 nowMs() { return QDateTime::currentMSecsSinceEpoch(); }

}  // namespace

// WM_DELETE_WINDOW sent as a window manager sends it: a client message of WM_PROTOCOLS to the
// window, through a connection of the storm's own.
struct Storm::X {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    xcb_atom_t protocols = atom("WM_PROTOCOLS"), deleteWindow = atom("WM_DELETE_WINDOW");
    ~X() { xcb_disconnect(connection); }
    bool ok() const { return !xcb_connection_has_error(connection) && protocols && deleteWindow; }
    xcb_atom_t atom(const char* name) const {
        if (xcb_connection_has_error(connection)) return 0;
        xcb_intern_atom_reply_t* r =
            xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : 0;
        std::free(r);
        return a;
    }
    void close(xcb_window_t window) const {
        xcb_client_message_event_t ev{};
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 32;
        ev.window = window;
        ev.type = protocols;
        ev.data.data32[0] = deleteWindow;
        ev.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&ev));
        xcb_flush(connection);
    }
};

Storm::Storm(quint32 seed, int budget, QString dbFile)
    : random_(seed), budget_(budget), dbFile_(std::move(dbFile)), x_(std::make_unique<X>()) {
    if (!x_->ok()) x_.reset();  // no X display: no close requests
    timer_.setInterval(1);
    connect(&timer_, &QTimer::timeout, this, [this] { blow(); });
    timer_.start();
    qApp->installEventFilter(this);
}

Storm::~Storm() {
    qApp->removeEventFilter(this);
    if (holder_.joinable()) holder_.join();
}

bool Storm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Hide || !watched->isWidgetType() || !LongWork::running()) return false;
    auto* w = static_cast<QWidget*>(watched);
    // The runner hides its progress window itself before each box: that one is held by the
    // runner's own tests, and here by the walk going on.
    if (!w->isWindow() || !askedToClose_.contains(w) || w->objectName() == QLatin1String("ProgressWindow")) return false;
    ++failures_;
    std::fprintf(stderr, "FAIL: storm: %s was closed by a close request during a work\n", qPrintable(w->objectName()));
    return false;
}

void Storm::askToClose(QWidget* window) {
    if (!askedToClose_.contains(window)) askedToClose_ << window;
    x_->close(static_cast<xcb_window_t>(window->winId()));
}

void Storm::beforeWork(QWidget* window, QAbstractButton* pressed, bool owes) {
    if (holder_.joinable()) holder_.join();
    std::promise<void> held;
    std::future<void> taken = held.get_future();
    holder_ = std::thread([path = dbFile_, held = std::move(held)]() mutable {
        try {
            auto other = Database::open(path);
            other->exec(QStringLiteral("BEGIN EXCLUSIVE"));
            held.set_value();
            std::this_thread::sleep_for(std::chrono::milliseconds(kHeldMs));
            other->exec(QStringLiteral("COMMIT"));
        } catch (...) {
            held.set_value();
        }
    });
    taken.wait();
    if (!owes) return;
    // The work reads the database first: it waits for the other program, so it runs at least that long.
    closesUntil_ = nowMs() + kHeldMs - kCloseMarginMs;
    // Clicks owed by mnemonics typed just before the press.
    QList<QAbstractButton*> buttons = enabledIn<QAbstractButton>(window);
    buttons.removeAll(pressed);
    for (int i = 0; i < 2 && !buttons.isEmpty() && actions_ < budget_; ++i, ++actions_)
        buttons.takeAt(random_.bounded(buttons.size()))->animateClick();
}

void Storm::blow() {
    if (!LongWork::running()) {
        askedToClose_.clear();
        inThisWork_ = 0;
        return;
    }
    if (actions_ >= budget_ || inThisWork_ >= kActionsPerWork) return;
    ++inThisWork_;
    QList<QWidget*> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) windows << w;
    if (windows.isEmpty()) return;
    QWidget* window = windows[random_.bounded(windows.size())];
    ++actions_;
    // A close request, to any window but a box the work asks (whose close button answers it).
    const bool mayClose = x_ && nowMs() < closesUntil_ && !isBox(window);
    if (mayClose && random_.bounded(5) == 0) {
        if (qEnvironmentVariableIsSet("KLV_STORM_LOG"))
            std::fprintf(stderr, "storm %d: close %s\n", actions_, qPrintable(window->objectName()));
        askToClose(window);
        return;
    }
    // A box the work asks takes its answer, and a key typed anywhere reaches the box, the active
    // window (its mnemonics through the shortcut map): while one is up, only F1, which must reach
    // no help, and close requests, so that the walk goes on as it would without the storm.
    for (QWidget* w : windows) {
        if (!isBox(w)) continue;
        QTest::keyClick(window, Qt::Key_F1);
        return;
    }
    QList<QWidget*> targets = enabledIn<QWidget>(window);
    targets << window;
    QWidget* target = targets[random_.bounded(targets.size())];
    static const Qt::Key kKeys[] = {Qt::Key_F1, Qt::Key_Escape, Qt::Key_Return, Qt::Key_Space, Qt::Key_Tab, Qt::Key_Delete};
    const int kind = random_.bounded(4);
    if (qEnvironmentVariableIsSet("KLV_STORM_LOG"))
        std::fprintf(stderr, "storm %d: %d %s/%s\n", actions_, kind, qPrintable(window->objectName()), qPrintable(target->objectName()));
    switch (kind) {
    case 0:  // a mnemonic
        QTest::keyClick(target, static_cast<Qt::Key>(Qt::Key_A + random_.bounded(26)), Qt::AltModifier);
        break;
    case 1:
        QTest::keyClick(target, kKeys[random_.bounded(int(std::size(kKeys)))]);
        break;
    case 2:
        QTest::keyClick(target, static_cast<char>('0' + random_.bounded(10)));
        break;
    default: {
        const QList<QAbstractButton*> buttons = enabledIn<QAbstractButton>(window);
        if (!buttons.isEmpty()) QTest::mouseClick(buttons[random_.bounded(buttons.size())], Qt::LeftButton);
        break;
    }
    }
}

}  // namespace klv::e2e
