#include "report_markup.h"

#include "cp1252.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace klv::markup;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

ParsedLine parsed(const QString& line) {
    LineError e;
    const auto p = parseMarkupLine(line, &e);
    EXPECT_TRUE(p.has_value()) << line.toStdString() << " : " << e.description.toStdString();
    return p.value_or(ParsedLine{});
}

int errorOf(const QString& line) {
    LineError e;
    const auto p = parseMarkupLine(line, &e);
    EXPECT_FALSE(p.has_value()) << line.toStdString();
    return e.number;
}

}  // namespace

TEST(MarkupWriter, WritesExactLinesInWindows1252WithCrLf) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("00000001.PRN"));
    MarkupWriter w(path);
    w.header(kLandscape, kColorLightCyan);
    w.pos(300, 350, QStringLiteral("07/12/2026"), true, 10, 0);
    w.pos(300, 4000, QStringLiteral("SIN ESTUDIO TÉCNICO  "), QStringLiteral("TRUE"), 10, 0);
    w.box(150, 300, 1700, 1640, 1);
    w.newPage();
    EXPECT_FALSE(QFile::exists(path)) << "nothing is visible before commit";
    ASSERT_TRUE(w.commit());
    const QByteArray expected = klv::cp1252::encode(QStringLiteral(
        "<!font!>Courier New<!/font!>\r\n"
        "<!nHojas!>1<!/nHojas!>\r\n"
        "<!Orientacion!>H<!/Orientacion!>\r\n"
        "<!Color!>&H00FFFFC0&<!/Color!>\r\n"
        "pPos|300|350|07/12/2026|True|10|0|\r\n"
        "pPos|300|4000|SIN ESTUDIO TÉCNICO  |TRUE|10|0|\r\n"
        "pCuadro|150|300|1700|1640|1|\r\n"
        "pNuevaHoja\r\n"));
    EXPECT_EQ(fileBytes(path), expected);
    EXPECT_EQ(w.lineCount(), 8);
}

// Lines of every length, one far longer than the writer's buffer among them, land whole and in
// order across the buffer's writes to the file.
TEST(MarkupWriter, ManyLinesAndOneLongerThanItsBufferAreWrittenWhole) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("00000003.PRN"));
    MarkupWriter w(path);
    QByteArray expected;
    for (int i = 0; i < 20000; ++i) {
        const QString text = i == 7000 ? QString(200000, QLatin1Char('x')) : QString(i % 97, QChar(0x00F1));
        w.pos(i, -i, text, i % 2 == 0, 8, i / 100);
        if (i % 1000 == 999) w.box(i, i, i + 1, i + 1, 0);
        expected += klv::cp1252::encode(posLine(i, -i, text, i % 2 == 0 ? kTrue : kFalse, 8, i / 100)) + "\r\n";
        if (i % 1000 == 999) expected += klv::cp1252::encode(boxLine(i, i, i + 1, i + 1, 0)) + "\r\n";
    }
    ASSERT_TRUE(w.commit());
    EXPECT_TRUE(fileBytes(path) == expected);
    EXPECT_EQ(w.lineCount(), 20020);
}

TEST(MarkupWriter, DataCannotChangeTheStructureOfALine) {
    // A "|" or a line break in data, or data that looks like a tag or a break, stays a text.
    const struct {
        QString text;
        QString written;
    } cases[] = {
        {QStringLiteral("A|B"), QStringLiteral("A¦B")},
        {QStringLiteral("uno\r\ndos"), QStringLiteral("uno  dos")},
        {QStringLiteral("uno\ndos\rtres"), QStringLiteral("uno dos tres")},
        {QStringLiteral("<!font!>x<!/font!>"), QStringLiteral("<!font!>x<!/font!>")},
        {QStringLiteral("pNuevaHoja"), QStringLiteral("pNuevaHoja")},
        {QStringLiteral("   tres blancos"), QStringLiteral("   tres blancos")},
    };
    // The writer's own path, straight to bytes, writes the same lines.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("00000001.PRN"));
    MarkupWriter w(path);
    QByteArray expected;
    for (const auto& c : cases) {
        const QString line = posLine(10, 175, c.text, kFalse, 8, 0);
        const ParsedLine p = parsed(line);
        EXPECT_EQ(p.keyword, Keyword::Pos) << line.toStdString();
        EXPECT_EQ(p.text, c.written) << line.toStdString();
        EXPECT_EQ(p.y, 175);
        w.pos(10, 175, c.text, false, 8, 0);
        expected += klv::cp1252::encode(posLine(10, 175, c.written, kFalse, 8, 0)) + "\r\n";
    }
    ASSERT_TRUE(w.commit());
    EXPECT_EQ(fileBytes(path), expected);
    EXPECT_EQ(klv::cp1252::encode(dataText(QStringLiteral("|"))), QByteArray("\xA6"));
}

TEST(MarkupWriter, WrittenLinesReadBackUnchanged) {
    const ParsedLine t = parsed(posLine(-32768, 32767, QStringLiteral(" ñandú "), kTrue, 16, 3));
    EXPECT_EQ(t.x, -32768);
    EXPECT_EQ(t.y, 32767);
    EXPECT_EQ(t.text, QStringLiteral(" ñandú "));
    EXPECT_TRUE(t.bold);
    EXPECT_EQ(t.size, 16);
    EXPECT_EQ(t.page, 3);
    const ParsedLine b = parsed(boxLine(100, 200, 5000, 900, 0));
    EXPECT_EQ(b.keyword, Keyword::Cuadro);
    EXPECT_EQ((std::vector<int>{b.x, b.y, b.x2, b.y2, b.page}), (std::vector<int>{100, 200, 5000, 900, 0}));
    const ParsedLine c = parsed(tagLine(Tag::Color, kColorWindow));
    EXPECT_EQ(c.keyword, Keyword::Color);
    EXPECT_EQ(c.text, kColorWindow);
    EXPECT_EQ(parsed(newPageLine()).keyword, Keyword::NuevaHoja);
}

TEST(MarkupWriter, WithoutCommitOrWhenTheFolderIsMissingTheTargetIsUntouched) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("00000002.PRN"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    {
        MarkupWriter w(path);
        w.pos(10, 175, QStringLiteral("x"), false, 8, 0);
    }
    EXPECT_EQ(fileBytes(path), QByteArray("old"));
    MarkupWriter bad(dir.filePath(QStringLiteral("no/such/folder/x.PRN")));
    bad.newPage();
    EXPECT_FALSE(bad.commit());
    EXPECT_FALSE(bad.errorString().isEmpty());
}

TEST(MarkupReader, ReadsLinesByTheKeywordRule) {
    EXPECT_EQ(parsed(QStringLiteral("   pNuevaHoja")).keyword, Keyword::NuevaHoja);
    EXPECT_EQ(parsed(QStringLiteral("pPos|0|0|x|False||0|")).size, 8) << "an empty size is 8";
    EXPECT_EQ(parsed(QStringLiteral("pPos|0|0|x|False|0|0|")).size, 8);
    EXPECT_EQ(parsed(QStringLiteral("pPos|0|0|x|False|abc|0|")).size, 8);
    EXPECT_EQ(parsed(QStringLiteral("pPosVerti|0|0|x|False|0|0|")).size, 0) << "unchanged in pPosVerti";
    EXPECT_TRUE(parsed(QStringLiteral("pPos|0|0|x| tRuE |8|0|")).bold);
    EXPECT_EQ(parsed(QStringLiteral("pPos| 12abc|2.5|x|False|8|0|")).x, 12);
    EXPECT_EQ(parsed(QStringLiteral("pPos|3.5|2.5|x|False|8|0|")).x, 4) << "halves go to the even neighbour";
    EXPECT_EQ(parsed(QStringLiteral("pPos|3.5|2.5|x|False|8|0|")).y, 2);
    EXPECT_EQ(parsed(QStringLiteral("pPos|x|0|x|False|8|0|")).x, 0);
    EXPECT_EQ(parsed(QStringLiteral("<!Orientacion!> H <!/Orientacion!>")).text, QStringLiteral("H"));
    EXPECT_EQ(parsed(QStringLiteral("<!font!> Courier <!/font!>")).text, QStringLiteral(" Courier "));
    EXPECT_EQ(parsed(QStringLiteral("pPos|1|2|a|False|8|0|extra")).text, QStringLiteral("a"));

    // Skipped: an unknown keyword, the wrong case, a line nothing ends, an empty line.
    for (const char* skipped : {"palabra|1|", "ppos|1|2|x|False|8|0|", "sin fin", "", "<!otro!>x<!/otro!>"}) {
        LineError e;
        EXPECT_FALSE(parseMarkupLine(QString::fromUtf8(skipped), &e).has_value()) << skipped;
        EXPECT_EQ(e.number, 0) << skipped;
    }
}

TEST(MarkupReader, MalformedLinesAreErrorsNotCrashes) {
    EXPECT_EQ(errorOf(QStringLiteral("pPos|1|2|x|False|8|0")), 5) << "last field without its bar";
    EXPECT_EQ(errorOf(QStringLiteral("<!font!>Courier New")), 5) << "no closing tag";
    EXPECT_EQ(errorOf(QStringLiteral("pPos|32768|2|x|False|8|0|")), 6);
    EXPECT_EQ(errorOf(QStringLiteral("pCuadro|1|2|3|-32769|0|")), 6);
    EXPECT_EQ(errorOf(QStringLiteral("pPos|1|2|x|1E400|8|0|")), 13);
    EXPECT_EQ(errorOf(QStringLiteral("pPos|1|2|x|Verdadero|8|0|")), 13);
    EXPECT_EQ(errorOf(QStringLiteral("pPos|1E400|2|x|False|8|0|")), 6);
}

TEST(MarkupReader, RandomBytesNeverCrashOrHang) {
    QRandomGenerator rng(8027);
    const QByteArray alphabet("pPosCuadroNVertiHj|<!>/&0123456789-. \r\n\xA6\xF1");
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes(static_cast<int>(rng.bounded(200)), '\0');
        for (char& b : bytes)
            b = rng.bounded(2) ? alphabet.at(static_cast<int>(rng.bounded(alphabet.size())))
                               : static_cast<char>(rng.bounded(256));
        if (round % 3 == 0) bytes.prepend(round % 2 ? "pPos|" : "<!Color!>");
        LineError e;
        (void)parseMarkupLine(klv::cp1252::decode(bytes), &e);
    }
    SUCCEED();
}
