#include "storm.h"

#include "database.h"
#include "long_work.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QWidget>
#include <chrono>
#include <cstdio>

namespace klv::e2e {
namespace {

// How long another program holds the database before each work: well past the runner's wait
// without a loop and a mnemonic's 100 ms.
constexpr int kHeldMs = 300;

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

}  // namespace

Storm::Storm(quint32 seed, int budget, QString dbFile) : random_(seed), budget_(budget), dbFile_(std::move(dbFile)) {
    timer_.setInterval(1);
    connect(&timer_, &QTimer::timeout, this, [this] { blow(); });
    timer_.start();
}

Storm::~Storm() {
    if (holder_.joinable()) holder_.join();
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
    // Clicks owed by mnemonics typed just before the press.
    QList<QAbstractButton*> buttons = enabledIn<QAbstractButton>(window);
    buttons.removeAll(pressed);
    for (int i = 0; i < 2 && !buttons.isEmpty() && actions_ < budget_; ++i, ++actions_)
        buttons.takeAt(random_.bounded(buttons.size()))->animateClick();
}

void Storm::blow() {
    if (actions_ >= budget_ || !LongWork::running()) return;
    QList<QWidget*> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) windows << w;
    if (windows.isEmpty()) return;
    QWidget* window = windows[random_.bounded(windows.size())];
    ++actions_;
    // A box the work asks takes its answer, and a key typed anywhere reaches the box, the active
    // window (its mnemonics through the shortcut map): while one is up, only F1, which must reach
    // no help, so that the walk goes on as it would without the storm.
    for (QWidget* w : windows) {
        if (!qobject_cast<QMessageBox*>(w)) continue;
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
