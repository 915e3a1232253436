#pragma once
// Draws the commands of a report-markup file with a QPainter, for the preview's canvases and for
// the printer alike. Positions are twips; scale is device pixels per twip (1/15 on the screen,
// resolution / 1440 on a printer), taken from the device's origin (the printable area's corner on
// a printer). The painter itself is never scaled, so a font size in points is applied once: the
// font's pixel size is computed from the same scale. Text is set in Liberation Mono (the metrics of
// Courier New); (x, y) is the top-left corner of the first character cell, so the baseline lies
// one ascent below y.

#include "markup_document.h"
#include "work_progress.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPointF>
#include <QSizeF>
#include <bitset>
#include <map>
#include <memory>
#include <utility>

class QPaintDevice;
class QPainter;

namespace klv::markup {

inline const QString kReportFontFamily = QStringLiteral("Liberation Mono");
constexpr double kScreenTwipsPerPixel = 15.0;
// Step between the characters of a vertical text, whatever the size.
constexpr int kVerticalStep = 190;

// The report's font in one size and weight at one scale on one device, with its metrics.
class ReportFace {
public:
    ReportFace(int points, bool bold, double scale, const QPaintDevice* device);
    const QFont& font() const { return font_; }
    const QFontMetricsF& metrics() const { return metrics_; }
    // Whether every character of the text, alone, is as wide as the pitch (Latin-1, no control
    // character, and not one such as the soft hyphen, which takes no room).
    bool pitched(QStringView text) const;
    // The width of a text as the font lays it out. The font is fixed-pitch: a pitched text is that
    // many pitches wide, exactly the width shaping gives; any other text is shaped.
    double width(QStringView text) const;
    // The pitch, when every one of the characters `used` (Latin-1 codes) is that wide; 0 otherwise.
    double pitchFor(const std::bitset<256>& used) const;

private:
    bool plain(char16_t c) const;
    QFont font_;
    QFontMetricsF metrics_;
    double pitch_ = 0;
    mutable std::bitset<256> known_, plain_;
};

// The faces of one scale and device, each made once.
class ReportFaces {
public:
    ReportFaces(double scale, const QPaintDevice* device) : scale_(scale), device_(device) {}
    const ReportFace& face(int points, bool bold);

private:
    double scale_;
    const QPaintDevice* device_;
    std::map<std::pair<int, bool>, std::unique_ptr<ReportFace>> faces_;
};

// Draws commands on one painter at one scale: each font is made once, and the painter's font and
// pen are set only when they change.
class CommandPainter {
public:
    CommandPainter(QPainter& painter, double scale);
    void draw(const ParsedLine& command);

private:
    void useFace(const ParsedLine& command);
    QPainter& painter_;
    double scale_;
    ReportFaces faces_;
    const ReportFace* current_ = nullptr;
    enum class Pen { None, Text, Box } pen_ = Pen::None;
};

// How a report is laid on a printable area: `scale` device pixels per twip, and where the report's
// origin goes, in device pixels from the area's corner.
struct PageFit {
    double scale = 1.0;
    QPointF origin;
};

// Fits every drawing command of the document, as CommandPainter draws it on `device`, inside an
// area of `area` device pixels: at `natural` (the device's pixels per twip) when it fits, smaller,
// in the same proportions, when it does not. The origin moves only for a drawing left of or above
// it. `progress` hears the commands looked at of all of them.
PageFit fitToArea(const MarkupDocument& doc, const QSizeF& area, double natural, const QPaintDevice* device,
                  const WorkProgress& progress = {});

}  // namespace klv::markup
