// Measuring the report's texts: the fixed pitch against shaping, the fit against every text
// measured by shaping, and the share of the measuring told as the print begins.
#include "markup_render.h"
#include "print_service.h"

#include "cp1252.h"

#include <QImage>
#include <QPrinter>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

using namespace klv;
using namespace klv::markup;

namespace {

// Every Latin-1 character that is no control character.
QString everyCharacter() {
    QString chars;
    for (char16_t c = 0x20; c < 0x100; ++c)
        if (c < 0x7F || c >= 0xA0) chars += QChar(c);
    return chars;
}

// Each of them followed by each: every pair of neighbours a report's text can hold.
QString everyPair() {
    const QString chars = everyCharacter();
    QString out;
    for (QChar a : chars)
        for (QChar b : chars) out += QString(a) + b;
    return out;
}

// The rectangle of the drawing commands at a scale with every text measured by shaping, the
// origin in it.
QRectF shapedBounds(const MarkupDocument& doc, double scale, const QPaintDevice* device) {
    std::vector<QRectF> drawn{QRectF()};
    for (const ParsedLine& c : doc.entries) {
        const QFontMetricsF m = ReportFace(c.size, c.bold, scale, device).metrics();
        if (c.keyword == Keyword::Pos && !c.text.isEmpty())
            drawn.emplace_back(c.x * scale, c.y * scale, m.horizontalAdvance(c.text), m.height());
        if (c.keyword == Keyword::PosVerti)
            for (qsizetype k = 0; k < c.text.size(); ++k)
                drawn.emplace_back(c.x * scale, (c.y + k * kVerticalStep) * scale, m.horizontalAdvance(c.text.mid(k, 1)),
                                   m.height());
        if (c.keyword == Keyword::Cuadro)
            drawn.push_back(QRectF(QPointF(c.x * scale, c.y * scale), QPointF(c.x2 * scale, c.y2 * scale)).normalized());
    }
    auto least = [&](auto edge) {
        return std::min_element(drawn.begin(), drawn.end(), [&](const QRectF& a, const QRectF& b) { return edge(a) < edge(b); });
    };
    auto most = [&](auto edge) {
        return std::max_element(drawn.begin(), drawn.end(), [&](const QRectF& a, const QRectF& b) { return edge(a) < edge(b); });
    };
    return QRectF(QPointF(least([](const QRectF& r) { return r.left(); })->left(),
                          least([](const QRectF& r) { return r.top(); })->top()),
                  QPointF(most([](const QRectF& r) { return r.right(); })->right(),
                          most([](const QRectF& r) { return r.bottom(); })->bottom()));
}

// The fit as it was made by shaping every text at every scale tried.
PageFit shapedFit(const MarkupDocument& doc, const QSizeF& area, double natural, const QPaintDevice* device) {
    PageFit fit{natural, {}};
    for (int attempt = 0;; ++attempt) {
        const QRectF drawn = shapedBounds(doc, fit.scale, device);
        fit.origin = -drawn.topLeft();
        const double shrink = std::min(area.width() / drawn.width(), area.height() / drawn.height());
        if (!(shrink < 1.0) || attempt == 8) return fit;
        fit.scale *= shrink * 0.999;
    }
}

MarkupDocument document(const QString& lines) { return readMarkup(cp1252::encode(lines)); }

}  // namespace

TEST(MarkupRender, FixedPitchWidthsAreTheShapedWidths) {
    // The report's font in every size the reports set (and the smaller ones a text too long for
    // its column takes), plain and bold, on the screen and on a printer, at its own scale and a
    // smaller one: every pair of neighbouring characters is as wide as shaping makes it.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    QTemporaryDir dir;
    printer.setOutputFileName(dir.filePath(QStringLiteral("x.pdf")));
    QImage screen(10, 10, QImage::Format_RGB32);
    const QString pairs = everyPair();
    const struct {
        const QPaintDevice* device;
        double scale;
    } cases[] = {{&screen, 1.0 / kScreenTwipsPerPixel}, {&printer, printer.resolution() / 1440.0},
                 {&printer, printer.resolution() / 1440.0 * 0.87}};
    for (const auto& c : cases)
        for (int points = 1; points <= 16; ++points)
            for (bool bold : {false, true}) {
                const ReportFace face(points, bold, c.scale, c.device);
                for (qsizetype at = 0; at + 1 < pairs.size(); at += 255) {
                    const QString chunk = pairs.mid(at, 256);
                    ASSERT_EQ(face.width(chunk), face.metrics().horizontalAdvance(chunk))
                        << points << (bold ? " bold at " : " at ") << c.scale << ": " << chunk.toStdString();
                }
                // A character outside Latin-1 is measured by shaping.
                const QString euro = QStringLiteral("1 €");
                EXPECT_EQ(face.width(euro), face.metrics().horizontalAdvance(euro));
            }
}

TEST(MarkupRender, TheFitIsWhatMeasuringEveryTextGives) {
    // Texts of several sizes and weights, one too wide for the paper, one of characters the pitch
    // does not cover, one of every Latin-1 character, one with a soft hyphen (which takes no room), a vertical text, a box drawn from its right corner, a drawing left of and
    // above the origin: the scale and the origin are those of every text shaped.
    QString lines = tagLine(Tag::Orientacion, kLandscape) + "\n";
    for (int i = 0; i < 40; ++i)
        lines += posLine(300 + 37 * i, 1700 + 270 * i, QString(10 + 3 * i, QChar(u'A' + i % 26)), boldWord(i % 2), 7 + i % 4, 0) + "\n";
    lines += posLine(100, 500, QString(150, QLatin1Char('=')), kTrue, 9, 0) + "\n";
    lines += posLine(14000, 900, QStringLiteral("“€ ‘quoted’ ♥”"), kFalse, 8, 0) + "\n";
    lines += posLine(500, 800, everyCharacter(), kFalse, 3, 0) + "\n";
    lines += posLine(500, 900, QStringLiteral("sin\u00ADguión"), kFalse, 8, 0) + "\n";  // a soft hyphen, no wider than nothing
    lines += QStringLiteral("pPosVerti|15500|300|VERTICAL|False|10|0|\n");
    lines += boxLine(11000, 1640, 8500, 300, 0) + "\n";
    lines += posLine(-200, -90, QStringLiteral("antes"), kFalse, 8, 1) + "\n";
    const MarkupDocument doc = document(lines);
    ASSERT_TRUE(doc.ok());
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    QTemporaryDir dir;
    printer.setOutputFileName(dir.filePath(QStringLiteral("x.pdf")));
    const double natural = printer.resolution() / 1440.0;
    for (const QSizeF area : {QSizeF(14000, 9500), QSizeF(9000, 12000), QSizeF(30000, 30000)}) {
        const PageFit fit = fitToArea(doc, area, natural, &printer);
        const PageFit shaped = shapedFit(doc, area, natural, &printer);
        EXPECT_EQ(fit.scale, shaped.scale) << area.width();
        EXPECT_EQ(fit.origin, shaped.origin) << area.width();
    }
}

TEST(MarkupRender, ThePrintTellsItsMeasuringBeforeItsFirstSheet) {
    QString lines;
    for (int i = 0; i < 5000; ++i) lines += posLine(300, 1700 + i % 20 * 270, QStringLiteral("fila %1").arg(i), kFalse, 8, i / 20) + "\n";
    const MarkupDocument doc = document(lines);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    QTemporaryDir dir;
    printer.setOutputFileName(dir.filePath(QStringLiteral("x.pdf")));
    PrinterCanvas canvas(printer, doc);
    std::vector<std::pair<qint64, qint64>> told;
    canvas.measuring = [&told](qint64 done, qint64 total) { told.emplace_back(done, total); };
    ASSERT_TRUE(canvas.begin(false));
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.front(), std::make_pair(qint64(0), qint64(5000)));
    EXPECT_EQ(told.back(), std::make_pair(qint64(5000), qint64(5000)));
    EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
    EXPECT_TRUE(canvas.end());
}
