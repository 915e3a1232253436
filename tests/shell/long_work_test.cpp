// The runner of database work: the engine's thread does every statement, the window's thread
// waits without a loop for short calls and in a loop that no input reaches for long ones.
#include "engine.h"
#include "long_work.h"
#include "mdi_klv_pt.h"
#include "progress_window.h"
#include "deadline.h"
#include "services_fixture.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QThreadPool>
#include <QTimer>
#include <QtTest/qtestspontaneevent.h>
#include <QCloseEvent>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QWindow>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

using namespace klv;

namespace {

// Waits on the engine's thread until `seen` is set by the window's thread (a deadline, shorter
// than the test's own, keeps a failing test from hanging).
void waitFor(const std::atomic<bool>& seen) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!seen && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// What a window manager's close button (WM_DELETE_WINDOW) makes of a window: a spontaneous close
// event to its QWindow, which asks its widget.
void askToClose(QWidget* window) {
    QCloseEvent close;
    QSpontaneKeyEvent::setSpontaneous(&close);
    QCoreApplication::sendEvent(window->windowHandle(), &close);
}

QWidget* progressWindow() {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QStringLiteral("ProgressWindow") && top->isVisible()) return top;
    return nullptr;
}

// Runs `act` every few milliseconds on the window's thread for as long as it lives.
class Poll {
public:
    explicit Poll(std::function<void()> act, int ms = 5) {
        QObject::connect(&timer_, &QTimer::timeout, std::move(act));
        timer_.start(ms);
    }

private:
    QTimer timer_;
};

class LongWorkTest : public test::ServicesTest {
protected:
    AppContext& win() { return env().windowCtx(); }
    void SetUp() override {
        ServicesTest::SetUp();
        delay_ = ProgressWindow::setAppearAfter(std::chrono::milliseconds(0));
    }
    void TearDown() override { ProgressWindow::setAppearAfter(delay_); }
    std::chrono::milliseconds delay_{};
    const test::Deadline deadline_{10};
};

TEST_F(LongWorkTest, AShortCallRunsOnTheEngineWithoutAnyEventLoopAndGivesTheGlobalsBack) {
    ASSERT_EQ(win().gDB, nullptr);  // the window's context holds no connection
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    win().gNumParVin = 1;
    const std::thread::id windowThread = std::this_thread::get_id();
    const int n = LongWork::call(win(), nullptr, [&](AppContext& w) {
        EXPECT_NE(std::this_thread::get_id(), windowThread);
        EXPECT_EQ(w.gNumParVin, 1);
        w.gNumParVin = 5;
        w.gTotMtoTran00 = QStringLiteral("1,000");
        return w.db().scalar(QStringLiteral("SELECT 41 + 1")).toInt();
    });
    EXPECT_EQ(n, 42);
    EXPECT_FALSE(fired);  // nothing of the window's ran meanwhile
    EXPECT_EQ(win().gNumParVin, 5);
    EXPECT_EQ(win().gTotMtoTran00, QStringLiteral("1,000"));
    EXPECT_FALSE(LongWork::running());
}

TEST_F(LongWorkTest, ALongWorkShowsAProgressWindowThatCannotBeClosedAndTakesNoInput) {
    ProgressWindow::setAppearAfter(std::chrono::milliseconds(500));
    QWidget owner;
    owner.setWindowTitle(QStringLiteral("8027 Precios de Transferencia - v 1.4"));
    owner.show();
    std::atomic<bool> looked{false};
    QString title, text;
    int value = -1, width = 0;
    bool stayed = false;
    const Poll poll([&] {
        QWidget* window = progressWindow();
        if (!window || looked) return;
        value = window->findChild<QProgressBar*>(QStringLiteral("PrgProgreso"))->value();
        if (value != 250) return;  // the window may show before the work has reported
        title = window->windowTitle();
        text = window->findChild<QLabel*>(QStringLiteral("LblProgreso"))->text();
        width = window->width();
        window->close();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(window, &escape);
        QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(window, &f1);
        stayed = window->isVisible();
        looked = true;
    });
    QElapsedTimer clock;
    clock.start();
    LongWork work(win(), &owner, QStringLiteral("Grabando la declaración..."));
    work.run<int>([&](AppContext&, const WorkProgress& progress) {
        progress(250, 1000);
        waitFor(looked);
        return 0;
    });
    EXPECT_GE(clock.elapsed(), 450);  // it waited its half second
    EXPECT_TRUE(looked);
    EXPECT_EQ(title, owner.windowTitle());
    EXPECT_GT(width, QFontMetrics(QApplication::font()).horizontalAdvance(owner.windowTitle()) + 60);
    EXPECT_EQ(text, QStringLiteral("Grabando la declaración..."));
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(env().help().opened.empty());
    EXPECT_EQ(progressWindow(), nullptr);
}

// The connection stays from one work to the next (a TEMP table lives on it only) and holds nothing
// between them; a work that threw, or left a transaction open, has it closed, so no other program
// waits on it, and the next work gets another.
TEST_F(LongWorkTest, TheConnectionIsKeptOnlyAfterAWorkThatEndedWellAndLeftNothingOpen) {
    auto tempTable = [&] {
        return LongWork::call(win(), nullptr, [](AppContext& w) {
            return w.db().scalar(QStringLiteral("SELECT count(*) FROM temp.sqlite_master WHERE name = 'KEPT'")).toInt();
        });
    };
    LongWork::call(win(), nullptr, [](AppContext& w) { w.db().exec(QStringLiteral("CREATE TEMP TABLE KEPT(X)")); });
    EXPECT_EQ(tempTable(), 1);
    db().exec(QStringLiteral("CREATE TABLE BETWEEN_WORKS(X)"));  // another program writes between two works

    EXPECT_THROW(LongWork::call(win(), nullptr, [](AppContext& w) {
                     w.db().exec(QStringLiteral("CREATE TEMP TABLE KEPT(X)"));
                     throw std::runtime_error("falla");
                 }),
                 std::runtime_error);
    EXPECT_EQ(tempTable(), 0);

    LongWork::call(win(), nullptr, [](AppContext& w) {
        w.db().exec(QStringLiteral("CREATE TEMP TABLE KEPT(X)"));
        w.db().exec(QStringLiteral("BEGIN IMMEDIATE"));
        w.db().exec(QStringLiteral("INSERT INTO BETWEEN_WORKS VALUES (1)"));
    });
    // The transaction left open was given up with its connection: another program writes at once.
    auto other = Database::open(env().dbFile(), QString(), QString(), 100);
    EXPECT_NO_THROW(other->exec(QStringLiteral("INSERT INTO BETWEEN_WORKS VALUES (2)")));
    EXPECT_EQ(other->scalar(QStringLiteral("SELECT group_concat(X) FROM BETWEEN_WORKS")).toString(), QStringLiteral("2"));
    EXPECT_EQ(tempTable(), 0);
}

// A box the work asks is shown from the runner's own loop; while it is open (its own loop running
// above the runner's) the progress window is hidden and does not come back, and it is the same
// window once the work goes on.
TEST_F(LongWorkTest, TheProgressWindowNeverStandsOverABoxWithALoopOfItsOwn) {
    class RealBox : public MessageService {
    public:
        int show(const QString& text, int, const QString&) override {
            QDialog box;
            box.setObjectName(QStringLiteral("Box"));
            box.setWindowTitle(text);
            QTimer::singleShot(600, &box, &QDialog::accept);
            box.exec();
            return MsgAnswer::Yes;
        }
    } real;
    win().messages = &real;
    const auto restore = qScopeGuard([&] { win().messages = &env().messages(); });
    QWidget owner;
    owner.show();
    std::atomic<bool> shown{false};
    bool overBox = false, boxSeen = false;
    const Poll poll([&] {
        QWidget* box = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == QStringLiteral("Box") && top->isVisible()) box = top;
        if (box) boxSeen = true;
        if (box && progressWindow()) overBox = true;
        if (!box && progressWindow()) shown = true;
    });
    LongWork work(win(), &owner, QStringLiteral("Validando..."));
    const int answer = work.run<int>([&](AppContext& w, const WorkProgress&) {
        waitFor(shown);
        shown = false;
        const int a = w.msg(QStringLiteral("Aviso"), MsgStyle::YesNo);
        waitFor(shown);  // the work goes on: the window comes back
        return a;
    });
    EXPECT_EQ(answer, MsgAnswer::Yes);
    EXPECT_TRUE(boxSeen);
    EXPECT_FALSE(overBox);
    EXPECT_TRUE(shown);
}

// A mnemonic clicks its button 100 ms after the key, from the button's timer: a click still owed
// when the work begins is dropped, during the work and after it, and leaves an option's state as
// it was. F1 reaches no help meanwhile, on any window: the form, the progress window, the box the
// work asks (which still takes its answer).
TEST_F(LongWorkTest, ClicksOwedByMnemonicsAndF1DuringAWorkNeverRun) {
    MDI_KLV_PT main(win());  // F1 opens the help anywhere
    main.show();
    QWidget form;
    auto* nuevo = new QPushButton(QStringLiteral("&Nuevo"), &form);
    auto* si = new QRadioButton(QStringLiteral("&Si"), &form);
    auto* no = new QRadioButton(QStringLiteral("N&o"), &form);
    no->setChecked(true);
    auto* edit = new QLineEdit(&form);
    form.show();
    int clicks = 0, toggles = 0;
    QObject::connect(nuevo, &QPushButton::clicked, [&] { ++clicks; });
    QObject::connect(si, &QRadioButton::toggled, [&] { ++toggles; });
    class BoxWithF1 : public MessageService {
    public:
        int show(const QString&, int, const QString&) override {
            QDialog box;
            auto* ok = new QPushButton(QStringLiteral("&Aceptar"), &box);
            QObject::connect(ok, &QPushButton::clicked, &box, &QDialog::accept);
            box.show();
            QCoreApplication::postEvent(&box, new QKeyEvent(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier));
            QTimer::singleShot(150, ok, [ok] { ok->animateClick(); });  // the answer goes through
            return box.exec() == QDialog::Accepted ? MsgAnswer::Yes : MsgAnswer::No;
        }
    } boxes;
    win().messages = &boxes;
    const auto restore = qScopeGuard([&] { win().messages = &env().messages(); });
    nuevo->animateClick();
    si->animateClick();
    bool f1Sent = false;
    const Poll poll([&] {
        if (f1Sent || !progressWindow()) return;
        f1Sent = true;
        for (QWidget* target : {static_cast<QWidget*>(&form), progressWindow()})
            QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier));
        auto* typed = new QInputMethodEvent;  // text an input method commits
        typed->setCommitString(QStringLiteral("7"));
        QCoreApplication::postEvent(edit, typed);
    });
    LongWork work(win(), &form, QStringLiteral("Grabando la declaración..."));
    const int answer = work.run<int>([](AppContext& w, const WorkProgress&) {
        sleepMs(300);
        return w.msg(QStringLiteral("Aviso"), MsgStyle::YesNo);
    });
    QElapsedTimer after;
    after.start();
    while (after.elapsed() < 300) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(answer, MsgAnswer::Yes);
    EXPECT_TRUE(f1Sent);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(toggles, 0);
    EXPECT_TRUE(no->isChecked());
    EXPECT_FALSE(si->isChecked());
    EXPECT_FALSE(nuevo->isDown());
    EXPECT_TRUE(edit->text().isEmpty());
    EXPECT_TRUE(env().help().opened.empty());
    // Afterwards the button clicks and F1 opens the help as ever.
    nuevo->animateClick();
    while (after.elapsed() < 600) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(clicks, 1);
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(&form, &f1);
    EXPECT_EQ(env().help().opened.size(), 1u);
}

// A quit asked during a work ends nothing before the work has ended: the work goes on, its box is
// asked and answered, and run() returns; the loops below end afterwards.
TEST_F(LongWorkTest, AQuitDuringAWorkWaitsForItsEnd) {
    std::atomic<bool> quit{false};
    const Poll poll([&] {
        if (!quit && LongWork::running()) {
            QCoreApplication::quit();
            quit = true;
        }
    });
    env().messages().script(MsgAnswer::No);
    LongWork work(win(), nullptr, QStringLiteral("Grabando la declaración..."));
    const int answer = work.run<int>([&](AppContext& w, const WorkProgress&) {
        waitFor(quit);
        sleepMs(50);
        return w.msg(QStringLiteral("¿Continuar?"), MsgStyle::YesNo);
    });
    EXPECT_TRUE(quit);
    EXPECT_EQ(answer, MsgAnswer::No);
    EXPECT_EQ(env().messages().last().text, QStringLiteral("¿Continuar?"));
}

// The main window closed by code while a work runs: the work ends with its connection, closed on
// the engine's thread once it has ended; nothing aborts.
TEST_F(LongWorkTest, ClosingTheMainWindowByCodeDuringAWorkLetsItEndFirst) {
    MDI_KLV_PT main(win());
    main.show();
    std::atomic<bool> closed{false};
    const Poll poll([&] {
        if (!closed && LongWork::running()) {
            main.close();
            closed = true;
        }
    });
    LongWork work(win(), &main, QStringLiteral("Grabando la declaración..."));
    const int n = work.run<int>([&](AppContext& w, const WorkProgress&) {
        waitFor(closed);
        return w.db().scalar(QStringLiteral("SELECT count(*) FROM PARAM")).toInt();
    });
    EXPECT_TRUE(closed);
    EXPECT_GE(n, 0);
    EXPECT_EQ(win().engine, nullptr);
    // What comes after finds the database closed, and says so.
    EXPECT_THROW(LongWork::call(win(), nullptr, [](AppContext&) {}), DbError);
}

// A close the user asks (what a window manager's close button sends) during a work is refused,
// on the window that was there and on the progress window: both stay, no close handler runs, and
// nothing is put off until the work ends. A box the work asks closes as ever; once the work has
// ended, the window closes through its own handler.
TEST_F(LongWorkTest, ACloseAskedDuringAWorkIsRefusedButABoxOfTheWorkCloses) {
    class Form : public QWidget {
    public:
        int closes = 0;

    protected:
        void closeEvent(QCloseEvent* event) override {
            ++closes;
            event->accept();
        }
    } form;
    form.show();
    class ClosedBox : public MessageService {
    public:
        int show(const QString&, int, const QString&) override {
            QDialog box;
            box.show();
            QTimer::singleShot(50, &box, [&box] { askToClose(&box); });
            return box.exec() == QDialog::Accepted ? MsgAnswer::Yes : MsgAnswer::No;
        }
    } boxes;
    win().messages = &boxes;
    const auto restore = qScopeGuard([&] { win().messages = &env().messages(); });
    std::atomic<bool> asked{false};
    bool stayed = false;
    const Poll poll([&] {
        QWidget* bar = progressWindow();
        if (asked || !bar) return;
        askToClose(&form);
        askToClose(bar);
        stayed = form.isVisible() && bar->isVisible();
        asked = true;
    });
    LongWork work(win(), &form, QStringLiteral("Grabando la declaración..."));
    const int answer = work.run<int>([&](AppContext& w, const WorkProgress&) {
        waitFor(asked);
        return w.msg(QStringLiteral("¿Continuar?"), MsgStyle::YesNo);
    });
    EXPECT_TRUE(asked);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(answer, MsgAnswer::No);
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.closes, 0);
    askToClose(&form);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.closes, 1);
}

// The window a work belongs to deleted while its progress window shows: each is freed once.
TEST_F(LongWorkTest, DeletingTheWindowOfARunningWorkFreesItsProgressWindowOnce) {
    auto* owner = new QWidget;
    owner->show();
    std::atomic<bool> deleted{false};
    const Poll poll([&] {
        if (!deleted && progressWindow()) {
            delete owner;
            deleted = true;
        }
    });
    LongWork work(win(), owner, QStringLiteral("Grabando la declaración..."));
    work.runWork([&](AppContext&, const WorkProgress& progress) {
        waitFor(deleted);
        progress(1, 2);
        sleepMs(50);  // the window comes back, on nobody
    });
    EXPECT_TRUE(deleted);
}

// A work started inside the box another waits for runs inside that wait, in the other's context,
// and what it writes is the other's, given back to the window only when the other ends; inside a
// box asked while the other holds a transaction, and beside a running work, it is refused.
TEST_F(LongWorkTest, AWorkInsideAnothersBoxRunsInItsContextAndOneBesideARunningWorkIsRefused) {
    class Nesting : public MessageService {
    public:
        explicit Nesting(AppContext& ctx) : ctx_(ctx) {}
        int show(const QString&, int, const QString&) override {
            try {
                seen = LongWork::call(ctx_, nullptr, [](AppContext& w) {
                    w.gNumParVin += 10;
                    return w.gNumParVin;
                });
            } catch (const WorkRefused&) {
                refused = true;
            }
            windowSaw = ctx_.gNumParVin;
            return MsgAnswer::Yes;
        }
        int seen = 0, windowSaw = 0;
        bool refused = false;

    private:
        AppContext& ctx_;
    } nesting(win());
    win().messages = &nesting;
    const auto restore = qScopeGuard([&] { win().messages = &env().messages(); });
    win().gNumParVin = 1;
    LongWork::call(win(), nullptr, [](AppContext& w) {
        w.gNumParVin = 2;
        w.msg(QStringLiteral("Aviso"), MsgStyle::YesNo);
        w.gNumParVin += 100;
    });
    EXPECT_EQ(nesting.seen, 12);
    EXPECT_EQ(nesting.windowSaw, 1);
    EXPECT_FALSE(nesting.refused);
    EXPECT_EQ(win().gNumParVin, 112);

    nesting.seen = 0;
    const int answer = LongWork::call(win(), nullptr, [](AppContext& w) {
        Transaction tx(w.db());
        w.db().exec(QStringLiteral("CREATE TABLE HELD(X)"));
        const int a = w.msg(QStringLiteral("Aviso"), MsgStyle::YesNo);
        tx.commit();
        return a;
    });
    EXPECT_TRUE(nesting.refused);
    EXPECT_EQ(nesting.seen, 0);
    EXPECT_EQ(answer, MsgAnswer::Yes);
    EXPECT_TRUE(db().tableExists(QStringLiteral("HELD")));

    std::atomic<bool> tried{false};
    bool refused = false;
    const Poll poll([&] {
        if (tried || !LongWork::running()) return;
        try {
            LongWork::call(win(), nullptr, [](AppContext&) {});
        } catch (const WorkRefused&) {
            refused = true;
        }
        tried = true;
    });
    LongWork::call(win(), nullptr, [&](AppContext&) { waitFor(tried); });
    EXPECT_TRUE(refused);
}

// What the window's side of a work throws (the import dialog's tick) waits for the work's end
// before it leaves run(): nothing runs on with the window's state gone.
TEST_F(LongWorkTest, AFailureOnTheWindowsSideWaitsForTheWorkToEnd) {
    std::atomic<bool> ended{false};
    int ticks = 0;
    LongWork work(win(), [&] {
        if (++ticks == 3) throw std::runtime_error("tick");
    });
    EXPECT_THROW(work.runWork([&](AppContext&, const WorkProgress&) {
        sleepMs(300);
        ended = true;
    }),
                 std::runtime_error);
    EXPECT_TRUE(ended);
}

TEST_F(LongWorkTest, WorkWithoutADatabaseRunsWithoutAnEngine) {
    AppContext bare;
    std::thread::id where;
    LongWork work(bare, nullptr, QString());
    work.withoutDatabase();
    work.runWork([&](AppContext& w, const WorkProgress&) {
        where = std::this_thread::get_id();
        EXPECT_EQ(w.gDB, nullptr);
    });
    EXPECT_NE(where, std::this_thread::get_id());
    LongWork needing(bare, nullptr, QString());
    EXPECT_THROW(needing.runWork([](AppContext&, const WorkProgress&) {}), DbError);
}

// A large value let go is freed once, and not on the window's thread.
TEST_F(LongWorkTest, ReleasedValueIsFreedOnAnotherThread) {
    struct Watched {
        std::atomic<int>* freed;
        std::thread::id* where;
        ~Watched() {
            if (!freed) return;  // moved from
            ++*freed;
            *where = std::this_thread::get_id();
        }
        Watched(std::atomic<int>* f, std::thread::id* w) : freed(f), where(w) {}
        Watched(Watched&& o) noexcept : freed(std::exchange(o.freed, nullptr)), where(o.where) {}
    };
    std::atomic<int> freed = 0;
    std::thread::id where;
    LongWork::release(Watched(&freed, &where));
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(30000));
    EXPECT_EQ(freed, 1);
    EXPECT_NE(where, std::this_thread::get_id());
}

// An exit() during a work (the display gone) ends the process at once with status 1: the exit
// handlers registered before, static destructors among them, never run. Between two works an exit
// runs them as ever.
void staticDestructorsRan() { std::_Exit(3); }

TEST_F(LongWorkTest, AnExitDuringAWorkEndsTheProcessAtOnceAndOneBetweenWorksAsEver) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto exitDuring = [this](bool duringWork) {
        std::atexit(staticDestructorsRan);
        LongWork::exitAtOnceDuringWork();
        const Poll poll([] {
            if (LongWork::running()) std::exit(0);
        });
        LongWork::call(win(), nullptr, [duringWork](AppContext& w) {
            if (!duringWork) return;
            Transaction tx(w.db());
            w.db().exec(QStringLiteral("CREATE TABLE NEVER(X)"));
            sleepMs(5000);
        });
        std::exit(0);
    };
    EXPECT_EXIT(exitDuring(true), testing::ExitedWithCode(1), "");
    EXPECT_FALSE(db().tableExists(QStringLiteral("NEVER")));
    EXPECT_EXIT(exitDuring(false), testing::ExitedWithCode(3), "");
}

// The window's context has no connection to misuse: asking it for one stops the program.
TEST_F(LongWorkTest, TheWindowsContextHasNoConnection) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(win().db(), "no la tiene");
}

// A connection kept from one work to the next is checked against its path first: with another file
// renamed over the database between two works, the next work is refused with 3420 before it
// begins (it reads nothing of a file nobody can open any more) and writes in neither file.
TEST_F(LongWorkTest, AKeptConnectionWhoseFileWasReplacedWritesNothing) {
    const auto tables = [](AppContext& w) {
        return w.db().scalar(QStringLiteral("SELECT count(*) FROM sqlite_master")).toInt();
    };
    const int before = LongWork::call(win(), nullptr, tables);
    const QString copy = env().root() + QStringLiteral("/copia.db");
    ASSERT_TRUE(QFile::copy(env().dbFile(), copy));
    ASSERT_EQ(::rename(QFile::encodeName(copy).constData(), QFile::encodeName(env().dbFile()).constData()), 0);
    bool began = false;
    const auto write = [&began](AppContext& w) {
        began = true;
        w.db().exec(QStringLiteral("CREATE TABLE LOST(X)"));
    };
    EXPECT_EQ(test::dbErrorNumber([&] { LongWork::call(win(), nullptr, write); }), DbErr::FileReplaced);
    EXPECT_FALSE(began);
    EXPECT_EQ(Database::open(env().dbFile())->scalar(QStringLiteral("SELECT count(*) FROM sqlite_master")).toInt(), before);
    EXPECT_EQ(tables(ctx()), before);  // the file the connection opened
}

}  // namespace
