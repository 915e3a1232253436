// Files written whole or not at all, and the files abandoned by killed writers.
#include "fault_injection.h"
#include "whole_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
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

}  // namespace
}  // namespace klv
