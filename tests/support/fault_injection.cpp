#include "fault_injection.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSqlField>
#include <QSqlRecord>
#include <csignal>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace klv::test {
namespace {

const QString kCounter = QStringLiteral("klv_fault_counter");

QString cell(const QVariant& v) {
    if (v.isNull()) return QStringLiteral("NULL");
    switch (v.typeId()) {
    case QMetaType::QString: return QLatin1Char('\'') + v.toString() + QLatin1Char('\'');
    case QMetaType::QByteArray: return QStringLiteral("x'") + QString::fromLatin1(v.toByteArray().toHex()) + QLatin1Char('\'');
    default: return v.toString();
    }
}

QStringList userTables(const Database& db) {
    QStringList out;
    for (const QSqlRecord& r : db.rows(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT "
                                                      "LIKE 'sqlite\\_%' ESCAPE '\\' AND name <> ? ORDER BY name"),
                                       {kCounter}))
        out << r.value(0).toString();
    return out;
}

QString quoted(const QString& name) { return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"'); }

// Up to `most` entries of a that b lacks.
template <class Map>
QStringList onlyIn(const Map& a, const Map& b, int most) {
    QStringList out;
    for (auto it = a.begin(); it != a.end() && out.size() < most; ++it)
        if (!b.contains(it.key()) || b.value(it.key()) != it.value()) out << it.key();
    return out;
}

QStringList missing(const QStringList& a, const QStringList& b, int most) {
    QStringList out;
    for (const QString& x : a) {
        if (out.size() >= most) break;
        if (a.count(x) > b.count(x) && !out.contains(x)) out << x;
    }
    return out;
}

}  // namespace

DatabasePicture::DatabasePicture(const Database& db) {
    for (const QString& t : userTables(db)) {
        QStringList& rows = tables_[t];
        Query q = db.exec(QStringLiteral("SELECT * FROM ") + quoted(t));
        while (q.next()) {
            const QSqlRecord r = q.record();
            QStringList cells;
            for (int c = 0; c < r.count(); ++c) cells << cell(r.value(c));
            rows << cells.join(QStringLiteral(" | "));
        }
        rows.sort();
    }
}

FolderPicture::FolderPicture(const QString& root, const QStringList& except) {
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir base(root);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        QString rel = base.relativeFilePath(path);
        if (except.contains(rel)) continue;
        if (info.isDir() && !info.isSymLink()) {
            entries_.insert(rel + QLatin1Char('/'), QByteArray());
            continue;
        }
        QFile f(path);
        entries_.insert(rel, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>"));
    }
}

::testing::AssertionResult unchanged(const DatabasePicture& before, const Database& db) {
    const DatabasePicture now(db);
    if (now.tables() == before.tables()) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    QStringList names = before.tables().keys() + now.tables().keys();
    names.removeDuplicates();
    for (const QString& t : names) {
        const QStringList a = before.tables().value(t), b = now.tables().value(t);
        if (a == b) continue;
        failure << "\n  " << t.toStdString() << ": " << a.size() << " rows before, " << b.size() << " now";
        for (const QString& r : missing(a, b, 3)) failure << "\n    gone:  " << r.toStdString();
        for (const QString& r : missing(b, a, 3)) failure << "\n    added: " << r.toStdString();
    }
    return failure;
}

::testing::AssertionResult unchanged(const FolderPicture& before, const QString& root, const QStringList& except) {
    const FolderPicture now(root, except);
    if (now.entries() == before.entries()) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    for (const QString& e : onlyIn(before.entries(), now.entries(), 5))
        failure << "\n  " << (now.entries().contains(e) ? "changed: " : "gone:    ") << e.toStdString();
    for (const QString& e : onlyIn(now.entries(), before.entries(), 5))
        if (!before.entries().contains(e)) failure << "\n  added:   " << e.toStdString();
    return failure;
}

WriteFault::WriteFault(Database& db, int n, FaultKind kind) : db_(db), n_(n), kind_(kind) {
    Transaction t(db);  // one commit for the whole arming
    const QStringList tables = userTables(db);
    db.exec(QStringLiteral("CREATE TABLE %1 (n INT NOT NULL, at INT NOT NULL)").arg(kCounter));
    db.exec(QStringLiteral("INSERT INTO %1 VALUES (0, ?)").arg(kCounter), {n});
    const QString action = kind == FaultKind::Transaction ? QStringLiteral("ROLLBACK") : QStringLiteral("ABORT");
    int i = 0;
    for (const QString& t : tables)
        for (const char* op : {"INSERT", "UPDATE", "DELETE"}) {
            const QString name = QStringLiteral("klv_fault_%1").arg(++i);
            db.exec(QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 BEGIN "
                                   "UPDATE %4 SET n = n + 1; "
                                   "SELECT RAISE(%5, 'falla provocada: disco lleno') FROM %4 WHERE n >= at; END")
                        .arg(name, QLatin1String(op), quoted(t), kCounter, action));
            triggers_ << name;
        }
    t.commit();
}

WriteFault::~WriteFault() {
    try {
        Transaction t(db_);
        for (const QString& name : triggers_) db_.exec(QStringLiteral("DROP TRIGGER IF EXISTS ") + name);
        db_.exec(QStringLiteral("DROP TABLE IF EXISTS ") + kCounter);
        t.commit();
    } catch (const DbError& e) {
        ADD_FAILURE() << "cannot disarm the fault: " << e.what();
    }
}

std::string WriteFault::describe() const {
    return "with writes failing from the " + std::to_string(n_) + "th on (" +
           (kind_ == FaultKind::Transaction ? "transaction rolled back" : "statement undone") + ")";
}

int failAtEveryWrite(Database& db, const std::function<bool()>& operation,
                     const std::function<void(const WriteFault&)>& afterFailure, FaultKind kind) {
    constexpr int kMost = 5000;  // more writes than any case of the suite makes
    for (int n = 1; n <= kMost; ++n) {
        const WriteFault fault(db, n, kind);
        if (operation()) return n - 1;
        afterFailure(fault);
    }
    ADD_FAILURE() << "the operation never completed";
    return kMost;
}

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
}

int failAtEveryFileSize(const std::function<bool()>& operation, const std::function<void(qint64)>& afterFailure,
                        qint64 step) {
    int failed = 0;
    for (qint64 limit = 0;; limit += step) {
        bool done = false;
        {
            const FileSizeLimit l(static_cast<rlim_t>(limit));
            done = operation();
        }
        if (done) return failed;
        ++failed;
        afterFailure(limit);
        if (limit > (qint64{64} << 20)) {
            ADD_FAILURE() << "the operation never completed";
            return failed;
        }
    }
}

FileGoneAtCommit::FileGoneAtCommit(Database& db, How how, int n) : db_(db), how_(how), n_(n) {
    if (how_ == How::Replaced) {
        copy_ = db_.path() + QStringLiteral(".copia");
        QFile::remove(copy_);
        EXPECT_TRUE(QFile::copy(db_.path(), copy_));
    }
    sqlite3_commit_hook(db_.sqliteHandle(), &FileGoneAtCommit::onCommit, this);
}

FileGoneAtCommit::~FileGoneAtCommit() {
    sqlite3_commit_hook(db_.sqliteHandle(), nullptr, nullptr);
    if (!copy_.isEmpty()) QFile::remove(copy_);
}

int FileGoneAtCommit::onCommit(void* self) {
    auto* f = static_cast<FileGoneAtCommit*>(self);
    if (++f->commits_ == f->n_) {
        const QByteArray path = QFile::encodeName(f->db_.path());
        if (f->how_ == How::Deleted)
            ::unlink(path.constData());
        else
            ::rename(QFile::encodeName(f->copy_).constData(), path.constData());
    }
    return 0;  // the commit goes on
}

}  // namespace klv::test

namespace klv::test {

namespace {

// Copies the files and folders under `from` into `to`; the bytes copied.
qint64 copyTree(const QString& from, const QString& to) {
    qint64 bytes = 0;
    QDir().mkpath(to);
    QDirIterator it(from, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo i = it.nextFileInfo();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(i.filePath());
        if (i.isDir()) {
            QDir().mkpath(target);
        } else {
            QFile::copy(i.filePath(), target);
            bytes += i.size();
        }
    }
    return bytes;
}

}  // namespace

FullDisk::FullDisk(const QString& name, qint64 freeBytes) : folder_(QDir::cleanPath(name)) {
    const QString& folder = folder_;
    const QString aside = folder + QStringLiteral(".aside");
    QDir(aside).removeRecursively();
    const qint64 held = copyTree(folder, aside);
    const QByteArray where = QFile::encodeName(folder);
    // Room for what it holds, one block per file and the space to leave, with some to spare.
    const QByteArray options = "size=" + QByteArray::number(held + freeBytes + (1 << 20));
    if (::mount("tmpfs", where.constData(), "tmpfs", 0, options.constData()) != 0) {
        skip_ = QStringLiteral("cannot mount a small tmpfs to fill (needs the superuser): %1")
                    .arg(QString::fromLocal8Bit(std::strerror(errno)));
        QDir(aside).removeRecursively();
        return;
    }
    mounted_ = true;
    copyTree(aside, folder);
    QDir(aside).removeRecursively();
    struct statvfs fs {};
    QFile filler(folder + QStringLiteral("/.filler"));
    if (::statvfs(where.constData(), &fs) != 0 || !filler.open(QIODevice::WriteOnly)) {
        skip_ = QStringLiteral("cannot fill the tmpfs");
        return;
    }
    const qint64 keep = freeBytes / qint64(fs.f_bsize) * qint64(fs.f_bsize);
    filler.write(QByteArray(qint64(fs.f_bavail) * qint64(fs.f_bsize) - keep, 'x'));
    filler.close();
    if (::statvfs(where.constData(), &fs) != 0 || qint64(fs.f_bavail) * qint64(fs.f_bsize) != keep)
        skip_ = QStringLiteral("the tmpfs could not be filled to %1 bytes left").arg(keep);
}

FullDisk::~FullDisk() {
    if (mounted_) ::umount2(QFile::encodeName(folder_).constData(), MNT_DETACH);
}

PlantedLinks::PlantedLinks(const QString& elsewhere, const QStringList& names) : names_(names) {
    QDir().mkpath(elsewhere);
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString target = elsewhere + QStringLiteral("/target") + QString::number(i);
        QFile f(target);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write("not yours " + QByteArray::number(i)) > 0);
        f.close();
        QFile::remove(names[i]);
        EXPECT_TRUE(QFile::link(target, names[i])) << names[i].toStdString();
        targets_ << target;
    }
}

::testing::AssertionResult PlantedLinks::untouched(bool replaced) const {
    QStringList wrong;
    for (qsizetype i = 0; i < names_.size(); ++i) {
        QFile f(targets_[i]);
        if (!f.open(QIODevice::ReadOnly) || f.readAll() != "not yours " + QByteArray::number(i))
            wrong << QStringLiteral("the target of %1 was written").arg(names_[i]);
        if (replaced && QFileInfo(names_[i]).isSymLink()) wrong << QStringLiteral("%1 is still a link").arg(names_[i]);
    }
    if (wrong.isEmpty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << wrong.join(QStringLiteral("; ")).toStdString();
}

}  // namespace klv::test
