#pragma once
// Draws the commands of a report-markup file with a QPainter, for the preview's canvases and for
// the printer alike. Positions are twips; scale is device pixels per twip (1/15 on the screen,
// resolution / 1440 on a printer), taken from the device's origin (the printable area's corner on
// a printer). The painter itself is never scaled, so a font size in points is applied once: the
// font's pixel size is computed from the same scale. Text is set in Liberation Mono (the metrics of
// Courier New); (x, y) is the top-left corner of the first character cell, so the baseline lies
// one ascent below y.

#include "markup_document.h"

#include <QPointF>
#include <QSizeF>

class QPaintDevice;
class QPainter;

namespace klv::markup {

inline const QString kReportFontFamily = QStringLiteral("Liberation Mono");
constexpr double kScreenTwipsPerPixel = 15.0;
// Step between the characters of a vertical text, whatever the size.
constexpr int kVerticalStep = 190;

void drawCommand(QPainter& painter, const ParsedLine& command, double scale);

// How a report is laid on a printable area: `scale` device pixels per twip, and where the report's
// origin goes, in device pixels from the area's corner.
struct PageFit {
    double scale = 1.0;
    QPointF origin;
};

// Fits every drawing command of the document, as drawCommand draws it on `device`, inside an area
// of `area` device pixels: at `natural` (the device's pixels per twip) when it fits, smaller, in
// the same proportions, when it does not. The origin moves only for a drawing left of or above it.
PageFit fitToArea(const MarkupDocument& doc, const QSizeF& area, double natural, const QPaintDevice* device);

}  // namespace klv::markup
