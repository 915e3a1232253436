// The digest text of an attached file.
#include "file_digest.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace klv {
namespace {

class FileDigestTest : public ::testing::Test {
protected:
    QString archivo(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(FileDigestTest, DecimalBytesOfTheSha1OfTheContents) {
    // SHA-1 of nothing: da 39 a3 ee 5e 6b 4b 0d 32 55 bf ef 95 60 18 90 af d8 07 09.
    EXPECT_EQ(udf_HashArchivo(archivo("vacio.pdf", {})), QString("218571632389410775135085191239149962414417521679"));
    // SHA-1 of "abc": a9 99 3e 36 47 06 81 6a ba 3e 25 71 78 50 c2 6c 9c d0 d8 9d.
    const QString abc = archivo("abc.pdf", "abc");
    EXPECT_EQ(udf_HashArchivo(abc), QString("1691536254716129106186623711312080194108156208216157"));
    // The same file twice, and its path with blanks around it.
    EXPECT_EQ(udf_HashArchivo(abc), udf_HashArchivo("  " + abc + "   "));
}

TEST_F(FileDigestTest, AFileThatCannotBeReadGivesNoDigestNotThePreviousOne) {
    ASSERT_TRUE(udf_HashArchivo(archivo("a.pdf", "abc")).has_value());
    QString error;
    EXPECT_FALSE(udf_HashArchivo(dir.filePath("falta.pdf"), &error).has_value());
    EXPECT_TRUE(error.contains("falta.pdf")) << error.toStdString();
    EXPECT_FALSE(udf_HashArchivo(dir.path()).has_value());
    EXPECT_FALSE(udf_HashArchivo("   ").has_value());
}

TEST(BytesAStrTest, NoSeparatorsNoLeadingZerosAndOnlyTheFirstN) {
    const QByteArray bytes("\x01\xC8\x23\x00\x07", 5);
    EXPECT_EQ(udf_BytesAStr(bytes, 4), "1200350");
    EXPECT_EQ(udf_BytesAStr(bytes, 20), "12003507");
    EXPECT_EQ(udf_BytesAStr(QByteArray(20, '\0'), 20), QString(20, '0'));
}

}  // namespace
}  // namespace klv
