#pragma once
// What another program can do to the shared database while ours runs: hold its write or a read
// lock for a while, or (for read-only files) run a piece of the test as an ordinary user.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <functional>
#include <future>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

namespace klv::test {

// A connection of its own, on a thread of its own, that takes the database's write lock (writes)
// or a read lock (reads inside a transaction), and lets go after `ms` milliseconds. The
// constructor returns once the lock is held.
class LockHolder {
public:
    enum class Lock { Write, Read };
    LockHolder(const QString& path, int ms, Lock lock) {
        std::promise<bool> held;
        std::future<bool> ready = held.get_future();
        thread_ = std::thread([path, ms, lock, &held] {
            const QString name = QStringLiteral("other-program");
            {
                QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
                c.setDatabaseName(path);
                bool ok = c.open();
                QSqlQuery q(c);
                if (lock == Lock::Write)
                    ok = ok && q.exec(QStringLiteral("BEGIN IMMEDIATE")) &&
                         q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS OTHER_PROGRAM (x INT)")) &&
                         q.exec(QStringLiteral("INSERT INTO OTHER_PROGRAM VALUES (1)"));
                else
                    ok = ok && q.exec(QStringLiteral("BEGIN")) && q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) &&
                         q.next();
                held.set_value(ok);
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
                q.finish();
                q.exec(QStringLiteral("COMMIT"));
                q.finish();
                c.close();
            }
            QSqlDatabase::removeDatabase(name);
        });
        ok_ = ready.get();
    }
    ~LockHolder() { thread_.join(); }
    bool held() const { return ok_; }

private:
    std::thread thread_;
    bool ok_ = false;
};

struct WriteLockHolder : LockHolder {
    WriteLockHolder(const QString& path, int ms) : LockHolder(path, ms, Lock::Write) {}
};
struct ReadLockHolder : LockHolder {
    ReadLockHolder(const QString& path, int ms) : LockHolder(path, ms, Lock::Read) {}
};

// Runs f as an ordinary user and returns its result (0 to 255). The superuser writes any file
// whatever its permissions, so as root f runs in a child process that has dropped to "nobody".
inline int asOrdinaryUser(const std::function<int()>& f) {
    if (::geteuid() != 0) return f();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(254);
        ::_exit(f());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
}

}  // namespace klv::test
