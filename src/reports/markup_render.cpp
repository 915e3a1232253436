#include "markup_render.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace klv::markup {
namespace {

void setReportFont(QPainter& painter, int points, bool bold, double scale) {
    QFont font(kReportFontFamily);
    font.setStyleHint(QFont::TypeWriter);
    // Sizes far beyond any report are held to a sane range so a hostile file cannot stall drawing.
    const double twips = std::clamp(points, 1, 400) * 20.0;
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(twips * scale))));
    font.setBold(bold);
    painter.setFont(font);
}

void drawTextAt(QPainter& painter, double x, double y, const QString& text) {
    const QFontMetricsF metrics(painter.font(), painter.device());
    painter.drawText(QPointF(x, y + metrics.ascent()), text);
}

}  // namespace

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
