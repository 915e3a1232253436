#pragma once
// Draws the commands of a report-markup file with a QPainter, for the preview's canvases and for
// the printer alike. Positions are twips; scale is device pixels per twip (1/15 on the screen,
// resolution / 1440 on a printer), taken from the device's origin (the printable area's corner on
// a printer). The painter itself is never scaled, so a font size in points is applied once: the
// font's pixel size is computed from the same scale. Text is set in Liberation Mono (the metrics of
// Courier New); (x, y) is the top-left corner of the first character cell, so the baseline lies
// one ascent below y.

#include "report_markup.h"

class QPainter;

namespace klv::markup {

inline const QString kReportFontFamily = QStringLiteral("Liberation Mono");
constexpr double kScreenTwipsPerPixel = 15.0;
// Step between the characters of a vertical text, whatever the size.
constexpr int kVerticalStep = 190;

void drawCommand(QPainter& painter, const ParsedLine& command, double scale);

}  // namespace klv::markup
