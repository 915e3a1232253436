#pragma once
// Faults injected half-way through a multi-row write, and pictures of the database and of folders
// that show a failed write left everything exactly as it was.
//
// Database: every row written counts; from the n-th on they fail. failAtEveryWrite runs an
// operation once for each n until a run gets through, and checks after each failed run:
//
//     const DatabasePicture before(db());
//     const int writes = failAtEveryWrite(db(), [&] { return save(); }, [&](const WriteFault& f) {
//         EXPECT_TRUE(unchanged(before, db())) << f.describe();
//     });
//
// The fault lives in the database file (triggers and a counter table), so it also strikes other
// connections and other programs on the same file. Files: FileSizeLimit (a full disk: writes
// past the limit fail) and failAtEveryFileSize; a folder made where a file goes cannot be
// replaced by it (QDir().mkpath), which also works for the superuser.

#include "database.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace klv::test {

// Every row of every table (SQLite's own and the fault counter left out), sorted, NULL told apart
// from the empty text and numbers from texts.
class DatabasePicture {
public:
    explicit DatabasePicture(const Database& db);
    const QMap<QString, QStringList>& tables() const { return tables_; }

private:
    QMap<QString, QStringList> tables_;
};

// Every file and folder under a folder, by relative path (folders end with "/"), with the bytes of
// each file: a writer's leftover temporary file shows too. `except`: relative paths left out (a
// log that is appended on purpose).
class FolderPicture {
public:
    explicit FolderPicture(const QString& root, const QStringList& except = {});
    const QMap<QString, QByteArray>& entries() const { return entries_; }

private:
    QMap<QString, QByteArray> entries_;
};

// Success when the database, or the folder, holds what the picture shows; else the differences.
::testing::AssertionResult unchanged(const DatabasePicture& before, const Database& db);
::testing::AssertionResult unchanged(const FolderPicture& before, const QString& root, const QStringList& except = {});

// How the failing write fails.
enum class FaultKind {
    Statement,    // the statement fails and its changes are undone (a constraint, a lock)
    Transaction,  // the whole transaction is rolled back by the engine, as on a full disk
};

// Arms the database so that, from the n-th row written from now on (INSERT, UPDATE or DELETE of
// any table present), writes fail, as on a disk that stays full. Disarmed (triggers and counter
// dropped) on destruction.
class WriteFault {
public:
    WriteFault(Database& db, int n, FaultKind kind = FaultKind::Statement);
    ~WriteFault();
    WriteFault(const WriteFault&) = delete;
    WriteFault& operator=(const WriteFault&) = delete;

    int at() const { return n_; }
    FaultKind kind() const { return kind_; }
    std::string describe() const;

private:
    Database& db_;
    int n_;
    FaultKind kind_;
    QStringList triggers_;
};

// Runs `operation` (true when it completed) with writes failing from the n-th on, for n = 1, 2,
// ... until a run completes (that run is kept: the operation is then done). `afterFailure` runs
// after each failed run. Returns the number of failed runs, which is the number of rows the
// operation writes. A statement fault shows best what a failure swallowed would leave: the rows
// written before it stay pending, and a commit would keep them.
int failAtEveryWrite(Database& db, const std::function<bool()>& operation,
                     const std::function<void(const WriteFault&)>& afterFailure,
                     FaultKind kind = FaultKind::Statement);

// While it lives, the n-th commit that writes on the connection (counted from now) first takes the
// database file's name away: the file deleted, or a copy of it as it is now renamed over it. The
// commit then goes into a file that nobody can open any more, as when a user replaces or deletes
// the file while a program works in it.
class FileGoneAtCommit {
public:
    enum class How { Deleted, Replaced };
    FileGoneAtCommit(Database& db, How how, int n = 1);
    ~FileGoneAtCommit();
    FileGoneAtCommit(const FileGoneAtCommit&) = delete;
    FileGoneAtCommit& operator=(const FileGoneAtCommit&) = delete;
    bool struck() const { return commits_ >= n_; }

private:
    static int onCommit(void* self);
    Database& db_;
    How how_;
    int n_;
    int commits_ = 0;
    QString copy_;
};

// While it lives, no file of this process grows past `bytes` (RLIMIT_FSIZE, the superuser too;
// SIGXFSZ ignored, so the write fails as on a full disk). Binds the database file as well.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

// A full disk for real: a small tmpfs mounted over `folder`, holding a copy of what the folder
// held, filled up to `freeBytes` left (rounded down to whole blocks; 0 leaves none). Needs the
// superuser: otherwise skipReason() says why there is no disk, and the test must skip. Unmounted
// on destruction (what was written on it goes; the folder shows what it held before).
class FullDisk {
public:
    FullDisk(const QString& folder, qint64 freeBytes);
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;
    const QString& skipReason() const { return skip_; }

private:
    QString folder_;
    QString skip_;
    bool mounted_ = false;
};

// Symbolic links planted at `names`, each pointing to a file of its own under `elsewhere` with
// bytes of its own. untouched(): every target still holds its bytes, and (with replaced) every
// name that holds something is no longer a link.
class PlantedLinks {
public:
    PlantedLinks(const QString& elsewhere, const QStringList& names);
    ::testing::AssertionResult untouched(bool replaced = true) const;

private:
    QStringList names_, targets_;
};

// Runs `operation` (true when it completed) with files limited to 0, step, 2 step, ... bytes
// until it completes; `afterFailure(limit)` after each failed run. Returns the failed runs.
int failAtEveryFileSize(const std::function<bool()>& operation, const std::function<void(qint64)>& afterFailure,
                        qint64 step = 256);

}  // namespace klv::test
