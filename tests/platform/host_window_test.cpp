#include "host_window.h"
#include "single_instance.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <xcb/xcb.h>

using namespace klv;

TEST(HostWindow, CaptionMustMatchExactly) {
    FakeHostWindowFinder f({QStringLiteral("klv"), QStringLiteral("KLV "), QStringLiteral("Otro")});
    EXPECT_FALSE(f.correApp(QStringLiteral("KLV")));
    f.captions_ << QStringLiteral("KLV");
    EXPECT_TRUE(f.correApp(QStringLiteral("KLV")));
    EXPECT_FALSE(captionMatches(QString(), QString()));
}

TEST(HostWindow, NoDisplayMeansNoHost) {
    const QByteArray saved = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":987");  // nothing listens there
    XcbHostWindowFinder f;
    EXPECT_FALSE(f.correApp(QStringLiteral("KLV")));
    if (saved.isNull()) qunsetenv("DISPLAY"); else qputenv("DISPLAY", saved);
}

TEST(SingleInstanceLock, SecondHolderIsRefusedUntilFirstGoes) {
    QTemporaryDir dir;
    auto first = std::make_unique<SingleInstance>(QStringLiteral("QMTEST"), dir.path());
    ASSERT_TRUE(first->acquire());
    SingleInstance second(QStringLiteral("QMTEST"), dir.path());
    // QLockFile is per process: a second lock in the same process on the same file fails too.
    EXPECT_FALSE(second.acquire());
    first.reset();
    SingleInstance third(QStringLiteral("QMTEST"), dir.path());
    EXPECT_TRUE(third.acquire());
}

TEST(SingleInstanceLock, WhatAProgramKilledAsItTookTheLockLeftIsTakenOverAHeldLockIsNot) {
    // A lock file written by a process that is gone, and the files a kill leaves empty: the lock
    // created and not yet written, or the ".rmlock" of a program taking over a stale lock.
    const QByteArray gone = "2147483646\nQMTEST\n\n";
    struct Case {
        const char* what;
        QByteArray lock;
        std::optional<QByteArray> rmlock;
        bool heldByALiveProgram;
        bool taken;
    } cases[] = {
        {"written by a process that is gone", gone, std::nullopt, false, true},
        {"left empty", "", std::nullopt, false, true},
        {"gone, its .rmlock left empty", gone, "", false, true},
        {"empty, held by a program that is writing it", "", std::nullopt, true, false},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        SingleInstance lock(QStringLiteral("QMTEST"), dir.path());
        auto put = [](const QString& path, const QByteArray& bytes) {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(bytes);
            f.close();
            // A second old: past the moment a live program takes to write it, short of the half
            // minute after which QLockFile takes an unreadable .rmlock over itself.
            const struct timeval past[2] = {{::time(nullptr) - 1, 0}, {::time(nullptr) - 1, 0}};
            ASSERT_EQ(::utimes(QFile::encodeName(path).constData(), past), 0);
        };
        put(lock.lockPath(), c.lock);
        if (c.rmlock) put(lock.lockPath() + QStringLiteral(".rmlock"), *c.rmlock);
        const int holder = ::open(QFile::encodeName(lock.lockPath()).constData(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(holder, 0);
        if (c.heldByALiveProgram) {
            ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
        }
        EXPECT_EQ(lock.acquire(), c.taken) << c.what;
        ::close(holder);
    }
}

TEST(HostWindow, MinimisedOrOnAnotherWorkspaceCountsWithdrawnDoesNot) {
    using W = TopLevelWindow;
    struct Case {
        W window;
        bool counts;
    } cases[] = {
        {{true, W::NoWmState, false, false}, true},   // on screen, no window manager
        {{false, W::NoWmState, false, false}, false}, // unmapped without a window manager
        {{false, W::Iconic, true, false}, true},      // minimised
        {{false, W::Iconic, false, false}, true},     // minimised, no client list
        {{false, W::Withdrawn, true, true}, false},   // hidden by its program
        {{false, W::Normal, true, true}, true},       // on another workspace
        {{false, W::Normal, true, false}, false},     // unmapped on this workspace
        {{false, W::Normal, false, true}, false},     // not a client the window manager keeps
    };
    for (const Case& c : cases)
        EXPECT_EQ(countsAsShown(c.window), c.counts)
            << c.window.viewable << " " << c.window.wmState << " " << c.window.listedByWm << " " << c.window.onOtherDesktop;
}

namespace {

// A display of our own (Xvfb) on which the test plays the window manager's part.
class OwnDisplay {
public:
    OwnDisplay() {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) return;
        // The server picks a free display and writes its number on its standard output.
        server_.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                             QStringLiteral("tcp")});
        if (!server_.waitForStarted() || !server_.waitForReadyRead(10000)) return;
        bool ok = false;
        const int number = server_.readAllStandardOutput().trimmed().toInt(&ok);
        if (!ok) return;
        const QByteArray name = ":" + QByteArray::number(number);
        for (int i = 0; i < 100 && !c_; ++i) {
            QThread::msleep(50);
            xcb_connection_t* c = xcb_connect(name.constData(), nullptr);
            if (c && !xcb_connection_has_error(c))
                c_ = c;
            else if (c)
                xcb_disconnect(c);
        }
        if (!c_) return;
        saved_ = qgetenv("DISPLAY");
        qputenv("DISPLAY", name);
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    }
    ~OwnDisplay() {
        if (c_) {
            xcb_disconnect(c_);
            if (saved_.isNull()) qunsetenv("DISPLAY"); else qputenv("DISPLAY", saved_);
        }
        server_.kill();
        server_.waitForFinished();
    }
    bool ready() const { return c_ != nullptr; }
    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* r =
            xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, static_cast<uint16_t>(strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        std::free(r);
        return a;
    }
    void set32(xcb_window_t w, const char* prop, xcb_atom_t type, std::vector<uint32_t> values) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, atom(prop), type, 32, static_cast<uint32_t>(values.size()),
                            values.data());
    }
    // A top-level window with that caption; WM_STATE as given (NoWmState: none).
    xcb_window_t window(const char* caption, bool mapped, int wmState) {
        const xcb_window_t w = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, root_, 0, 0, 10, 10, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            static_cast<uint32_t>(strlen(caption)), caption);
        if (wmState != TopLevelWindow::NoWmState)
            set32(w, "WM_STATE", atom("WM_STATE"), {static_cast<uint32_t>(wmState), XCB_NONE});
        if (mapped) xcb_map_window(c_, w);
        return w;
    }
    void sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }
    xcb_window_t root() const { return root_; }

private:
    QProcess server_;
    xcb_connection_t* c_ = nullptr;
    xcb_window_t root_ = 0;
    QByteArray saved_;
};

}  // namespace

TEST(HostWindow, SearchReadsWindowStatesFromTheDisplay) {
    OwnDisplay d;
    if (!d.ready()) GTEST_SKIP() << "no Xvfb";
    const xcb_window_t shown = d.window("SHOWN", true, TopLevelWindow::NoWmState);
    const xcb_window_t iconic = d.window("ICONIC", false, TopLevelWindow::Iconic);
    const xcb_window_t withdrawn = d.window("WITHDRAWN", false, TopLevelWindow::Withdrawn);
    const xcb_window_t plain = d.window("UNMAPPED", false, TopLevelWindow::NoWmState);
    const xcb_window_t away = d.window("AWAY", false, TopLevelWindow::Normal);
    d.sync();
    XcbHostWindowFinder finder;
    // Without a window manager's list: the root's children.
    QStringList seen = finder.visibleCaptions();
    seen.sort();
    EXPECT_EQ(seen, (QStringList{"ICONIC", "SHOWN"}));

    // A window manager that lists its clients and keeps AWAY on workspace 1 while 0 is shown.
    d.set32(d.root(), "_NET_CLIENT_LIST", XCB_ATOM_WINDOW, {shown, iconic, withdrawn, plain, away});
    d.set32(d.root(), "_NET_CURRENT_DESKTOP", XCB_ATOM_CARDINAL, {0});
    d.set32(away, "_NET_WM_DESKTOP", XCB_ATOM_CARDINAL, {1});
    d.sync();
    seen = finder.visibleCaptions();
    seen.sort();
    EXPECT_EQ(seen, (QStringList{"AWAY", "ICONIC", "SHOWN"}));
    EXPECT_TRUE(finder.correApp(QStringLiteral("ICONIC")));
    EXPECT_FALSE(finder.correApp(QStringLiteral("WITHDRAWN")));
}

TEST(RuntimeFolder, WithoutTheVariableAPrivateFolderServesWithoutAWarning) {
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& m) { warnings << m; });
    const QString folder = runtimeFolder();
    SingleInstance lock(QStringLiteral("QMTEST2"));
    qInstallMessageHandler(previous);
    if (!saved.isNull()) qputenv("XDG_RUNTIME_DIR", saved);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join(QLatin1Char('\n')).toStdString();
    const QFileInfo info(folder);
    EXPECT_TRUE(info.isDir());
    EXPECT_EQ(info.permissions() & (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup), 0);
    EXPECT_TRUE(lock.lockPath().startsWith(folder));
}

TEST(RuntimeFolder, NeverOneAnotherUserCanWrite) {
    QTemporaryDir tmp, home, shared;
    const char* names[] = {"TMPDIR", "HOME", "XDG_RUNTIME_DIR"};
    QByteArray saved[3];
    for (int i = 0; i < 3; ++i) saved[i] = qgetenv(names[i]);
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    qputenv("HOME", QFile::encodeName(home.path()));
    // The variable names a folder others may write; the name in the temporary folder is another
    // user's (a link, for a test run without the right to give a folder away).
    ASSERT_EQ(::chmod(QFile::encodeName(shared.path()).constData(), 0777), 0);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(shared.path()));
    const QByteArray taken = QFile::encodeName(tmp.path() + QStringLiteral("/klv-runtime-") + QString::number(::getuid()));
    if (::geteuid() == 0)
        ASSERT_TRUE(::mkdir(taken.constData(), 0777) == 0 && ::chown(taken.constData(), 65534, 65534) == 0);
    else
        ASSERT_EQ(::symlink(QFile::encodeName(shared.path()).constData(), taken.constData()), 0);
    const QString own = runtimeFolder();
    const QFileInfo info(own);
    // Without a home to make one in: no folder, and no guard rather than a shared one.
    qputenv("HOME", "/proc/no-home");
    SingleInstance unguarded(QStringLiteral("QMTEST3"));
    for (int i = 0; i < 3; ++i) saved[i].isNull() ? qunsetenv(names[i]) : qputenv(names[i], saved[i]);
    EXPECT_EQ(own, home.path() + QStringLiteral("/.cache/klv-runtime"));
    EXPECT_TRUE(info.isDir() && !info.isSymLink());
    EXPECT_EQ(info.permissions() & (QFile::WriteOther | QFile::WriteGroup | QFile::ReadOther), 0);
    EXPECT_TRUE(unguarded.acquire());
    EXPECT_FALSE(unguarded.guarded());
}
