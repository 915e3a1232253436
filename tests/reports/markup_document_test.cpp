#include "markup_document.h"
#include "page_range.h"

#include "cp1252.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace klv::markup;

namespace {

// A file of `pages` pages: a box and a text on each, pages parted by pNuevaHoja.
QByteArray pagesFile(int pages, const QString& orientation = kPortrait, bool announceSeven = false) {
    QString s = tagLine(Tag::Font, kFontCourierNew) + "\r\n" +
                tagLine(Tag::NHojas, announceSeven ? QStringLiteral("7") : QStringLiteral("1")) + "\r\n" +
                tagLine(Tag::Orientacion, orientation) + "\r\n" + tagLine(Tag::Color, kColorLightCyan) + "\r\n";
    for (int p = 0; p < pages; ++p) {
        if (p > 0) s += newPageLine() + "\r\n";
        s += boxLine(150, 300, 1700, 1640, p) + "\r\n";
        s += posLine(300, 350, QStringLiteral("Página %1").arg(p + 1), kTrue, 10, p) + "\r\n";
    }
    return klv::cp1252::encode(s);
}

// The texts on each canvas.
std::vector<QStringList> canvasTexts(const MarkupDocument& doc, const std::optional<PageRange>& range) {
    std::vector<QStringList> out;
    for (const auto& canvas : previewCanvases(doc, range)) {
        QStringList texts;
        for (int i : canvas)
            if (doc.entries[i].keyword == Keyword::Pos) texts << doc.entries[i].text;
        out.push_back(texts);
    }
    return out;
}

// Records what a print pass does.
class RecordingCanvas : public PrintCanvas {
public:
    bool begin(bool landscape) override {
        log << (landscape ? "begin H" : "begin V");
        return true;
    }
    bool newSheet() override {
        log << "sheet";
        return true;
    }
    void draw(const ParsedLine& c) override {
        if (c.keyword == Keyword::Pos) log << c.text;
    }
    bool end() override {
        log << "end";
        return true;
    }
    QStringList log;
};

QStringList printed(const MarkupDocument& doc, const std::optional<PageRange>& range, const QString& pages = {}) {
    RecordingCanvas canvas;
    EXPECT_TRUE(printPass(doc, range, canvas, QPageRanges::fromString(pages)));
    return canvas.log;
}

}  // namespace

TEST(PreviewPages, PagesByPageFieldAndByRange) {
    const MarkupDocument three = readMarkup(pagesFile(3));
    ASSERT_TRUE(three.ok());
    using L = std::vector<QStringList>;
    EXPECT_EQ(canvasTexts(three, std::nullopt), (L{{"Página 1"}, {"Página 2"}, {"Página 3"}}));
    EXPECT_EQ(canvasTexts(three, PageRange{2, 3}), (L{{"Página 2"}, {"Página 3"}}));
    EXPECT_EQ(canvasTexts(three, PageRange{1, 1}), (L{{"Página 1"}}));
    EXPECT_EQ(canvasTexts(three, PageRange{2, 99}), (L{{"Página 2"}, {"Página 3"}}));
    EXPECT_EQ(canvasTexts(readMarkup(pagesFile(3, kPortrait, true)), std::nullopt).size(), 3u)
        << "the announced page count is not used";
    EXPECT_EQ(canvasTexts(readMarkup(pagesFile(5)), PageRange{1, 1}), (L{{"Página 1"}}));
    // Equal texts read are held once.
    const MarkupDocument twice = readMarkup(pagesFile(1) + pagesFile(1));
    ASSERT_EQ(twice.entries.size(), 12u);
    EXPECT_TRUE(twice.entries[5].text.isSharedWith(twice.entries[11].text));
}

TEST(PreviewPages, BackgroundColourOfTheColourTag) {
    EXPECT_EQ(readMarkup(pagesFile(1)).background(), QColor(0xC0, 0xFF, 0xFF));
    EXPECT_EQ(colorFromTag(QStringLiteral("&H000000FF&")), QColor(Qt::red)) << "low byte is red";
    EXPECT_EQ(colorFromTag(QStringLiteral("&H00FF0000&")), QColor(Qt::blue));
    EXPECT_TRUE(colorFromTag(kColorWindow).has_value()) << "a system colour";
    EXPECT_FALSE(colorFromTag(QStringLiteral("")).has_value());
    EXPECT_FALSE(colorFromTag(QStringLiteral("&HZZ&")).has_value());
}

TEST(PrintPass, SheetsPartOnlyAtBreaksFollowedByDrawing) {
    const MarkupDocument three = readMarkup(pagesFile(3, kLandscape));
    EXPECT_EQ(printed(three, std::nullopt),
              (QStringList{"begin H", "Página 1", "sheet", "Página 2", "sheet", "Página 3", "end"}));
    // The break after page 2 is issued but nothing follows: one sheet, no blank one.
    EXPECT_EQ(printed(three, PageRange{2, 2}), (QStringList{"begin H", "Página 2", "end"}));
    EXPECT_EQ(printed(three, PageRange{2, 3}), (QStringList{"begin H", "Página 2", "sheet", "Página 3", "end"}));
    // Pages chosen in the print dialog (the report's pages), also within a range.
    EXPECT_EQ(printed(three, std::nullopt, QStringLiteral("1,3")),
              (QStringList{"begin H", "Página 1", "sheet", "Página 3", "end"}));
    EXPECT_EQ(printed(three, PageRange{2, 3}, QStringLiteral("3")), (QStringList{"begin H", "Página 3", "end"}));
    EXPECT_EQ(three.lastPage(), 3);
    // Landscape is for the job of an "H" file only.
    EXPECT_EQ(printed(readMarkup(pagesFile(1)), std::nullopt), (QStringList{"begin V", "Página 1", "end"}));
}

TEST(MarkupFile, AMalformedLineStopsTheReadingAndNamesItsLine) {
    QByteArray bytes = pagesFile(2);
    bytes += "pPos|10|99999|x|False|8|1|\r\n";
    bytes += klv::cp1252::encode(posLine(300, 350, QStringLiteral("después"), kFalse, 8, 2) + "\r\n");
    QTemporaryDir dir;
    QFile f(dir.filePath("x.PRN"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    const MarkupDocument doc = readMarkupFile(f.fileName());
    ASSERT_TRUE(doc.failure.has_value());
    EXPECT_EQ(doc.failure->line, 10);
    EXPECT_EQ(doc.failure->number, 6);
    EXPECT_EQ(previewCanvases(doc, std::nullopt).size(), 2u) << "the pages read before it stay";
    EXPECT_EQ(readMarkup("pPos|1|1|x|False|8|-1|\r\n").failure->number, 340) << "no page before the first";
    EXPECT_FALSE(readMarkupFile(dir.filePath("missing.PRN")).exists);
    EXPECT_FALSE(readMarkupFile(dir.path()).exists) << "a folder is no report";
}

TEST(PageRangeDialogChecks, InTheirOrder) {
    const struct {
        const char* desde;
        const char* hasta;
        const char* message;
    } refused[] = {
        {"  ", "", "Ingrese página de inicio."},
        {"0", "", "Página inicial debe ser a partir de 1."},
        {"3", "", "Página inicial no debe ser mayor a total de páginas del reporte."},
        {"1", " ", "Ingrese página de Fin."},
        {"2", "1", "Página final no debe ser menor a la página inicial."},
    };
    for (const auto& r : refused) {
        const auto check = klv::checkPageRange(QString::fromUtf8(r.desde), QString::fromUtf8(r.hasta), 2);
        ASSERT_TRUE(std::holds_alternative<QString>(check)) << r.desde;
        EXPECT_EQ(std::get<QString>(check), QString::fromUtf8(r.message));
    }
    auto range = [](const char* d, const char* h, int total) {
        const auto c = klv::checkPageRange(QString::fromUtf8(d), QString::fromUtf8(h), total);
        const auto r = std::get<PageRange>(c);
        return std::pair{r.desde, r.hasta};
    };
    EXPECT_EQ(range("1.5", "2", 5), (std::pair{2, 2})) << "a half goes to the even neighbour";
    EXPECT_EQ(range("2", "99", 5), (std::pair{2, 99}));
    EXPECT_EQ(range("2", "99999", 5), (std::pair{2, 5})) << "beyond a page number: the last page";
}
