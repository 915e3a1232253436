#include "cp1252.h"
#include "fault_injection.h"
#include "ini_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace klv;

namespace {
class IniTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        qputenv("KLV_WINDIR", dir.path().toLocal8Bit());
    }
    void TearDown() override { qunsetenv("KLV_WINDIR"); }
    void write(const QByteArray& content, const QString& name = QStringLiteral("QM000.INI")) {
        QFile f(dir.path() + QLatin1Char('/') + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QByteArray content(const QString& name = QStringLiteral("QM000.INI")) {
        QFile f(dir.path() + QLatin1Char('/') + name);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    QTemporaryDir dir;
};
}  // namespace

TEST_F(IniTest, WindowsDirectoryComesFromEnvironmentOrHome) {
    EXPECT_EQ(ini::windowsDirectory(), dir.path());
    qunsetenv("KLV_WINDIR");
    EXPECT_EQ(ini::windowsDirectory(), QDir::homePath() + QStringLiteral("/.config/klv"));
}

TEST_F(IniTest, ReadsValuesExactlyAndComparesNamesWithoutCase) {
    write("[Other]\r\nSysUser=nobody\r\n[options]\r\nSysPath= /srv/klv/ \r\n sysuser =  ana  \r\nDBName=DATA.db\r\n");
    const QString f = QStringLiteral("QM000.INI");
    // The value keeps its blanks: callers decide what to trim.
    EXPECT_EQ(ini::readString(QStringLiteral("Options"), QStringLiteral("SysPath"), QString(), f), QStringLiteral(" /srv/klv/ "));
    EXPECT_EQ(ini::readString(QStringLiteral("OPTIONS"), QStringLiteral("SysUser"), QString(), f), QStringLiteral("  ana  "));
    EXPECT_EQ(ini::readString(QStringLiteral("Other"), QStringLiteral("sysuser"), QString(), f), QStringLiteral("nobody"));
}

TEST_F(IniTest, OnePairOfQuotesAroundAValueIsDropped) {
    const struct {
        const char* written;
        const char* read;
    } cases[] = {
        {"\"KLV.db\"", "KLV.db"}, {" 'KLV.db'\t", "KLV.db"}, {"\" ana \"", " ana "}, {"''", ""},
        {"\"KLV.db'", "\"KLV.db'"}, {"\"", "\""}, {" \"a\" b", " \"a\" b"}, {"\"\"x\"\"", "\"x\""},
        {"  ana  ", "  ana  "},
    };
    for (const auto& c : cases) {
        write(QByteArray("[Options]\r\nDBName=") + c.written + "\r\n");
        EXPECT_EQ(ini::readString(QStringLiteral("Options"), QStringLiteral("DBName"), QString(), QStringLiteral("QM000.INI")),
                  QString::fromLatin1(c.read))
            << c.written;
    }
}

TEST_F(IniTest, MissingFileSectionOrKeyGivesDefault) {
    EXPECT_EQ(ini::readString(QStringLiteral("Options"), QStringLiteral("SysPath"), QString(), QStringLiteral("QM000.INI")), QString());
    write("[Options]\nA=1\n");
    EXPECT_EQ(ini::readString(QStringLiteral("Options"), QStringLiteral("B"), QStringLiteral("x"), QStringLiteral("QM000.INI")), QStringLiteral("x"));
    EXPECT_EQ(ini::readString(QStringLiteral("Nope"), QStringLiteral("A"), QString(), QStringLiteral("QM000.INI")), QString());
}

TEST_F(IniTest, WriteReplacesOneKeyAndKeepsEveryOtherLine) {
    write("; comment\r\n[Options]\r\nSysPath=/a/\r\nSystemDB=old\r\nDBName=x.db\r\n\r\n[Next]\r\nK=v\r\n");
    ASSERT_TRUE(ini::writeString(QStringLiteral("options"), QStringLiteral("systemdb"), QStringLiteral("/a/QM000.MDW"), QStringLiteral("QM000.INI")));
    EXPECT_EQ(content(), QByteArray("; comment\r\n[Options]\r\nSysPath=/a/\r\nsystemdb=/a/QM000.MDW\r\nDBName=x.db\r\n\r\n[Next]\r\nK=v\r\n"));
    // A new key goes at the end of its section, before the blank line.
    ASSERT_TRUE(ini::writeString(QStringLiteral("Options"), QStringLiteral("New"), QStringLiteral("1"), QStringLiteral("QM000.INI")));
    EXPECT_EQ(content(), QByteArray("; comment\r\n[Options]\r\nSysPath=/a/\r\nsystemdb=/a/QM000.MDW\r\nDBName=x.db\r\nNew=1\r\n\r\n[Next]\r\nK=v\r\n"));
}

TEST_F(IniTest, AWriteGoesThroughALinkToTheFileItNames) {
    // A user's QM000.INI kept elsewhere and linked into the Windows folder stays one file.
    write("[Options]\r\nK=old\r\n", QStringLiteral("kept.ini"));
    ASSERT_TRUE(QFile::link(dir.path() + QStringLiteral("/kept.ini"), dir.path() + QStringLiteral("/QM000.INI")));
    ASSERT_TRUE(ini::writeString(QStringLiteral("Options"), QStringLiteral("K"), QStringLiteral("new"), QStringLiteral("QM000.INI")));
    EXPECT_TRUE(QFileInfo(dir.path() + QStringLiteral("/QM000.INI")).isSymLink());
    EXPECT_EQ(content(QStringLiteral("kept.ini")), QByteArray("[Options]\r\nK=new\r\n"));
}

TEST_F(IniTest, WriteCreatesFileAndSection) {
    ASSERT_TRUE(ini::writeString(QStringLiteral("Options"), QStringLiteral("SystemDB"), QStringLiteral("/x/QM000.MDW"), QStringLiteral("QM000.INI")));
    EXPECT_EQ(content(), QByteArray("[Options]\r\nSystemDB=/x/QM000.MDW\r\n"));
}

TEST_F(IniTest, ValuesAreWindows1252) {
    write("[Options]\r\nSysUser=Mu\xF1oz\r\n");
    EXPECT_EQ(ini::readString(QStringLiteral("Options"), QStringLiteral("SysUser"), QString(), QStringLiteral("QM000.INI")),
              QString::fromUtf8("Muñoz"));
}

TEST_F(IniTest, PathsAreUsedAsGiven) {
    const QString path = dir.path() + QStringLiteral("/sub/file.ini");
    ASSERT_TRUE(ini::writeString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("V"), path));
    EXPECT_EQ(ini::readString(QStringLiteral("S"), QStringLiteral("K"), QString(), path), QStringLiteral("V"));
}

TEST_F(IniTest, WriteLeavesEveryOtherLineByteForByte) {
    // Every byte value in one key, a UTF-8 name in another, lines ending three ways, no final ending.
    QByteArray all;
    for (int c = 1; c < 256; ++c)
        if (c != '\r' && c != '\n') all.append(static_cast<char>(c));
    const QByteArray before = "[Options]\r\nAll=" + all + "\nName=\xC3\x81LVAREZ\rSystemDB=old\r\n[Host]\nK=v";
    write(before);
    ASSERT_TRUE(ini::writeString(QStringLiteral("Options"), QStringLiteral("SystemDB"), QStringLiteral("/a/QM000.MDW"),
                                 QStringLiteral("QM000.INI")));
    QByteArray expected = before;
    expected.replace("SystemDB=old", "SystemDB=/a/QM000.MDW");
    EXPECT_EQ(content(), expected);
    // A key added after a last line without an ending gives that line the file's ending.
    ASSERT_TRUE(ini::writeString(QStringLiteral("Host"), QStringLiteral("New"), QStringLiteral("1"), QStringLiteral("QM000.INI")));
    EXPECT_EQ(content(), expected + "\nNew=1\n");
    EXPECT_EQ(ini::readString(QStringLiteral("Options"), QStringLiteral("All"), QString(), QStringLiteral("QM000.INI")),
              cp1252::decode(all));
}

TEST_F(IniTest, ByteOrderMarkDoesNotHideTheFirstSection) {
    write("\xEF\xBB\xBF[Options]\r\nSysPath=/srv/klv/\r\n");
    EXPECT_EQ(ini::readString(QStringLiteral("Options"), QStringLiteral("SysPath"), QString(), QStringLiteral("QM000.INI")),
              QStringLiteral("/srv/klv/"));
    ASSERT_TRUE(ini::writeString(QStringLiteral("Options"), QStringLiteral("SystemDB"), QStringLiteral("x"), QStringLiteral("QM000.INI")));
    EXPECT_EQ(content(), QByteArray("\xEF\xBB\xBF[Options]\r\nSysPath=/srv/klv/\r\nSystemDB=x\r\n"));
}

TEST_F(IniTest, AWriteOnAFullDiskLeavesTheFileAsItWas) {
    write("[Options]\r\nSysPath=/srv/klv/\r\nDBPath=/srv/klv/\r\nDBName=KLV.db\r\nSysUser=DEMO\r\n");
    const test::FolderPicture before(dir.path());
    const int failed = test::failAtEveryFileSize(
        [] { return ini::writeString("Options", "SystemDB", "/srv/klv/QM000.MDW", "QM000.INI"); },
        [&](qint64 limit) { EXPECT_TRUE(test::unchanged(before, dir.path())) << limit; }, 16);
    EXPECT_GE(failed, 5);
    EXPECT_EQ(ini::readString("Options", "SystemDB", "", "QM000.INI"), "/srv/klv/QM000.MDW");
}
