// Files written whole or not at all, and the files abandoned by killed writers.
#include "fault_injection.h"
#include "whole_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utility>
#include <vector>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace klv {
namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

mode_t modeOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

// A write that fails (a full disk) fails the commit too, however many writes follow: the name
// keeps its earlier bytes and the new file goes.
TEST(WholeFileTest, AFailedWriteFailsTheCommitAndLeavesTheNameAsItWas) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("00000001.PRN"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("antes");
    }
    WholeFile f(path);
    ASSERT_TRUE(f.open());
    WriteFailure why;
    {
        test::FileSizeLimit full(8);
        EXPECT_FALSE(f.write(QByteArray(64, 'x'), &why));
    }
    EXPECT_EQ(why.number, 61);
    EXPECT_TRUE(f.write("fin"));  // room again: the file is short all the same
    WriteFailure atCommit;
    EXPECT_FALSE(f.commit(&atCommit));
    EXPECT_EQ(atCommit.number, 61);
    EXPECT_EQ(bytesOf(path), QByteArray("antes"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("00000001.PRN")});
}

// A sync that is told goes part by part through the file's bytes and tells the whole only once the
// file stands under its name.
TEST(WholeFileTest, AToldSyncGrowsToTheWholeOnlyOnceTheFileIsInPlace) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("00000001.PRN"));
    const QByteArray bytes(9 << 20, 'x');  // three parts
    WholeFile f(path);
    ASSERT_TRUE(f.open());
    ASSERT_TRUE(f.write(bytes));
    std::vector<std::pair<qint64, bool>> told;  // bytes synced, and whether the name held the file
    ASSERT_TRUE(f.commit(nullptr, [&](qint64 done, qint64 size) {
        EXPECT_EQ(size, bytes.size());
        told.emplace_back(done, QFileInfo::exists(path));
    }));
    ASSERT_GE(told.size(), 2u);
    EXPECT_EQ(told.front(), std::make_pair(qint64(0), false));
    EXPECT_EQ(told.back(), std::make_pair(qint64(bytes.size()), true));
    for (size_t i = 1; i + 1 < told.size(); ++i) {
        EXPECT_GT(told[i].first, told[i - 1].first);
        EXPECT_LT(told[i].first, bytes.size());
        EXPECT_FALSE(told[i].second);
    }
    EXPECT_EQ(bytesOf(path), bytes);
}

// A file written again keeps its permissions, whatever the umask gives a new one; a new file gets
// the ordinary ones.
TEST(WholeFileTest, AReplacedFileKeepsItsModeAndANewOneTakesTheUsual) {
    QTemporaryDir dir;
    for (const mode_t mode : {mode_t(0644), mode_t(0640), mode_t(0600), mode_t(0664)}) {
        const QString path = dir.filePath(QStringLiteral("QM000.INI"));
        QFile::remove(path);
        {
            QFile old(path);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        }
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
        WholeFile f(path);
        ASSERT_TRUE(f.open());
        ASSERT_TRUE(f.write("[Options]\r\n"));
        ASSERT_TRUE(f.commit());
        EXPECT_EQ(modeOf(path), mode) << std::oct << mode;
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    const QString fresh = dir.filePath(QStringLiteral("nuevo.txt"));
    WholeFile f(fresh);
    ASSERT_TRUE(f.open());
    ASSERT_TRUE(f.commit());
    EXPECT_EQ(modeOf(fresh), 0666 & ~mask);
}

// The new file is locked until it is in place: a sweep passes over it while it is written and
// takes it once its writer is gone (killed: its lock went with it).
TEST(WholeFileTest, ANewFileIsLockedUntilItIsInPlaceAndOnlyAbandonedOnesAreSwept) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("00000007.PRN"));
    auto f = std::make_unique<WholeFile>(path);
    ASSERT_TRUE(f->open());
    const QStringList written = QDir(dir.path()).entryList({QStringLiteral("00000007.PRN.*")}, QDir::Files);
    ASSERT_EQ(written.size(), 1);
    const QByteArray temp = QFile::encodeName(dir.filePath(written.front()));
    const int fd = ::open(temp.constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_NE(::flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(removeAbandonedReports(dir.path()), 0);
    ASSERT_TRUE(f->write("pNuevaHoja\r\n"));
    ASSERT_TRUE(f->commit());
    EXPECT_EQ(bytesOf(path), QByteArray("pNuevaHoja\r\n"));
    ::close(fd);

    // What a killed writer leaves: its file, no lock.
    for (const char* n : {"00000008.PRN.aB3dE9", "00000009.PRN.ZZZZZZ"}) {
        QFile left(dir.filePath(QString::fromLatin1(n)));
        ASSERT_TRUE(left.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(removeAbandonedReports(dir.path()), 2);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("00000007.PRN")});
}

// A file opened for appending is the file at the name and no other's: a link of either kind is
// refused, and a fresh start empties the file itself (same file, same permissions), never
// another one put in its place.
TEST(WholeFileTest, AppendingRefusesLinksAndAFreshStartEmptiesTheSameFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Trace.txt")), other = dir.filePath(QStringLiteral("other"));
    const QByteArray name = QFile::encodeName(path), otherName = QFile::encodeName(other);
    auto lay = [&] {
        QFile::remove(path);
        QFile::remove(other);
        QFile f(other);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write("antes\n") == 6);
    };
    for (const bool fresh : {false, true}) {
        SCOPED_TRACE(fresh ? "fresh" : "appended");
        for (const auto& link : {::link, ::symlink}) {
            lay();
            ASSERT_EQ(link(otherName.constData(), name.constData()), 0);
            QFile f(path);
            WriteFailure why;
            EXPECT_FALSE(openAppending(f, fresh, &why));
            EXPECT_EQ(why.number, 75);
            EXPECT_EQ(why.text, QStringLiteral("Error de acceso a la ruta o el archivo"));
            EXPECT_EQ(bytesOf(other), QByteArray("antes\n"));
        }
        lay();
        ASSERT_EQ(::rename(otherName.constData(), name.constData()), 0);
        ASSERT_EQ(::chmod(name.constData(), 0640), 0);
        struct stat before {}, after {};
        ::stat(name.constData(), &before);
        QFile f(path);
        ASSERT_TRUE(openAppending(f, fresh));
        f.write("y\n");
        f.close();
        ::stat(name.constData(), &after);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(modeOf(path), mode_t(0640));
        EXPECT_EQ(bytesOf(path), fresh ? QByteArray("y\n") : QByteArray("antes\ny\n"));
    }
    // A pipe planted at the name, nobody reading it: refused at once, never waited on.
    QFile::remove(path);
    ASSERT_EQ(::mkfifo(name.constData(), 0666), 0);
    QFile pipe(path);
    EXPECT_FALSE(openAppending(pipe, false));
}

}  // namespace
}  // namespace klv
