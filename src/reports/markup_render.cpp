#include "markup_render.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace klv::markup {
namespace {

QFont reportFont(int points, bool bold, double scale) {
    QFont font(kReportFontFamily);
    font.setStyleHint(QFont::TypeWriter);
    // Sizes far beyond any report are held to a sane range so a hostile file cannot stall drawing.
    const double twips = std::clamp(points, 1, 400) * 20.0;
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(twips * scale))));
    font.setBold(bold);
    return font;
}

void setReportFont(QPainter& painter, int points, bool bold, double scale) {
    painter.setFont(reportFont(points, bold, scale));
}

void drawTextAt(QPainter& painter, double x, double y, const QString& text) {
    const QFontMetricsF metrics(painter.font(), painter.device());
    painter.drawText(QPointF(x, y + metrics.ascent()), text);
}

// The rectangle, in device pixels, that the drawing commands of the document cover at `scale`,
// with the origin in it: a text by its cells in the font it is drawn in, a box by its corners.
QRectF drawnBounds(const MarkupDocument& doc, double scale, const QPaintDevice* device) {
    std::map<std::pair<int, bool>, QFontMetricsF> fonts;
    auto metrics = [&](const ParsedLine& c) -> const QFontMetricsF& {
        const auto key = std::pair<int, bool>{c.size, c.bold};
        auto it = fonts.find(key);
        if (it == fonts.end()) it = fonts.emplace(key, QFontMetricsF(reportFont(c.size, c.bold, scale), device)).first;
        return it->second;
    };
    double left = 0, top = 0, right = 0, bottom = 0;
    auto cover = [&](const QRectF& r) {
        left = std::min(left, r.left());
        top = std::min(top, r.top());
        right = std::max(right, r.right());
        bottom = std::max(bottom, r.bottom());
    };
    for (const ParsedLine& c : doc.entries) {
        switch (c.keyword) {
        case Keyword::Pos:
            if (!c.text.isEmpty()) {
                const QFontMetricsF& m = metrics(c);
                cover(QRectF(c.x * scale, c.y * scale, m.horizontalAdvance(c.text), m.height()));
            }
            break;
        case Keyword::PosVerti:
            for (qsizetype k = 0; k < c.text.size(); ++k) {
                const QFontMetricsF& m = metrics(c);
                cover(QRectF(c.x * scale, (c.y + k * kVerticalStep) * scale, m.horizontalAdvance(c.text.mid(k, 1)),
                             m.height()));
            }
            break;
        case Keyword::Cuadro:
            cover(QRectF(QPointF(c.x * scale, c.y * scale), QPointF(c.x2 * scale, c.y2 * scale)).normalized());
            break;
        default: break;
        }
    }
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

}  // namespace

PageFit fitToArea(const MarkupDocument& doc, const QSizeF& area, double natural, const QPaintDevice* device) {
    PageFit fit{natural, {}};
    if (area.isEmpty()) return fit;
    // The font sizes are whole pixels, so a text does not shrink exactly with the scale: measure
    // again at the smaller scale until everything fits.
    for (int attempt = 0;; ++attempt) {
        const QRectF drawn = drawnBounds(doc, fit.scale, device);
        fit.origin = -drawn.topLeft();
        const double shrink = std::min(area.width() / drawn.width(), area.height() / drawn.height());
        if (!(shrink < 1.0) || attempt == 8) return fit;  // fits (or nothing is drawn)
        fit.scale *= shrink * 0.999;
    }
}

void drawCommand(QPainter& painter, const ParsedLine& c, double scale) {
    painter.setPen(Qt::black);
    switch (c.keyword) {
    case Keyword::Pos:
        setReportFont(painter, c.size, c.bold, scale);
        drawTextAt(painter, c.x * scale, c.y * scale, c.text);
        break;
    case Keyword::PosVerti:
        setReportFont(painter, c.size, c.bold, scale);
        for (qsizetype k = 0; k < c.text.size(); ++k)
            drawTextAt(painter, c.x * scale, (c.y + k * kVerticalStep) * scale, c.text.mid(k, 1));
        break;
    case Keyword::Cuadro: {
        QPen pen(Qt::black);
        pen.setWidth(1);
        pen.setCosmetic(true);
        painter.setPen(pen);
        const double x1 = c.x * scale, y1 = c.y * scale, x2 = c.x2 * scale, y2 = c.y2 * scale;
        painter.drawLine(QPointF(x1, y1), QPointF(x1, y2));
        painter.drawLine(QPointF(x2, y1), QPointF(x2, y2));
        painter.drawLine(QPointF(x1, y1), QPointF(x2, y1));
        painter.drawLine(QPointF(x1, y2), QPointF(x2, y2));
        break;
    }
    default: break;
    }
}

}  // namespace klv::markup
