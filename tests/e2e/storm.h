#pragma once
// A seeded storm of user input while the module's database work runs: mnemonics (Alt and a
// letter), F1, Escape, Enter, Space, Tab, letters and clicks on every button of every window on
// screen, the progress window included, F1 on the boxes the work asks, and close requests (what a
// window manager's close button sends, WM_DELETE_WINDOW through the X server) to every window but
// those boxes. Before a press that starts a work, another program holds the database for a moment
// (so the work waits in the runner's loop, where the storm blows) and the window owes a click or
// two, as when mnemonics were typed just before. None of it may reach a handler: the walk must end
// as it ends without storm, and no window the storm asked to close (but the progress window, which
// the runner hides before each box) may be hidden while the work runs (failures() counts those). KLV_STORM_LOG=1 writes each action to standard error.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRandomGenerator>
#include <QString>
#include <QTimer>
#include <atomic>
#include <future>
#include <memory>
#include <thread>

class QAbstractButton;
class QWidget;

namespace klv::e2e {

class Storm : public QObject {
public:
    // `budget`: at most this many actions; `dbFile`: the database another program holds.
    Storm(quint32 seed, int budget, QString dbFile);
    ~Storm() override;

    // Before `pressed` (a button of `window`) starts a work. `owes`: the window owes a click or two
    // (only where the work reads the database first, so that it waits until the clicks are due:
    // clicks owed to a work that ends sooner come after it, as they should).
    void beforeWork(QWidget* window, QAbstractButton* pressed, bool owes);
    int actions() const { return actions_; }
    // Windows hidden during a work after the storm asked them to close.
    int failures() const { return failures_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void blow();
    void askToClose(QWidget* window);
    QRandomGenerator random_;
    int budget_;
    int actions_ = 0;
    int failures_ = 0;
    int inThisWork_ = 0;
    QString dbFile_;
    struct X;
    std::unique_ptr<X> x_;                     // the storm's own connection to the X server
    QList<QPointer<QWidget>> askedToClose_;     // during the work running
    std::atomic<qint64> closesUntil_{0};        // close requests sent only before this (ms since epoch)
    QTimer timer_;
    std::thread holder_;
};

}  // namespace klv::e2e
