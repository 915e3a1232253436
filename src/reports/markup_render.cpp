#include "markup_render.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <vector>

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

// A Latin-1 character that is no control character: a candidate for the pitch.
bool latinPrintable(char16_t c) { return c < 0x100 && (c >= 0xA0 || (c >= 0x20 && c < 0x7F)); }

// What the fit needs of the drawing commands, gathered in one pass: the texts of each size and
// weight by their lengths and places (their widths come from the pitch at each scale tried), the
// distinct boxes, and the few commands measured by shaping.
struct DrawnSummary {
    struct Texts {
        std::bitset<256> used;               // the characters of the texts
        std::map<qsizetype, int> rightmost;  // by length: the greatest x of a text that long
        int minX = 0, minY = 0, maxY = 0;
        bool any = false;
    };
    std::map<std::pair<int, bool>, Texts> texts;
    std::set<std::array<int, 4>> boxes;
    std::vector<int> shaped;  // entries whose texts are measured by shaping at every scale

    // A text that is not pitched at `natural` (the first scale tried) is measured by shaping; a size
    // whose texts lose their pitch at another scale is measured text by text there.
    DrawnSummary(const MarkupDocument& doc, ReportFaces& natural, const WorkProgress& progress) {
        constexpr int kStep = 1 << 16;
        const int n = static_cast<int>(doc.entries.size());
        for (int i = 0; i < n; ++i) {
            if (progress && i % kStep == 0) progress(i, n);
            const ParsedLine& c = doc.entries[i];
            switch (c.keyword) {
            case Keyword::Pos: {
                if (c.text.isEmpty()) break;
                if (!natural.face(c.size, c.bold).pitched(c.text)) {
                    shaped.push_back(i);
                    break;
                }
                Texts& t = texts[{c.size, c.bold}];
                for (QChar ch : c.text) t.used.set(ch.unicode());
                int& right = t.rightmost.try_emplace(c.text.size(), c.x).first->second;
                right = std::max<int>(right, c.x);
                t.minX = t.any ? std::min<int>(t.minX, c.x) : c.x;
                t.minY = t.any ? std::min<int>(t.minY, c.y) : c.y;
                t.maxY = t.any ? std::max<int>(t.maxY, c.y) : c.y;
                t.any = true;
                break;
            }
            case Keyword::PosVerti:
                if (!c.text.isEmpty()) shaped.push_back(i);
                break;
            case Keyword::Cuadro: boxes.insert({c.x, c.y, c.x2, c.y2}); break;
            default: break;
            }
        }
        if (progress) progress(n, n);
    }
};

// The rectangle, in device pixels, that the drawing commands cover at `scale`, with the origin in
// it: a text by its cells in the font it is drawn in, a box by its corners.
QRectF drawnBounds(const MarkupDocument& doc, const DrawnSummary& summary, double scale, const QPaintDevice* device) {
    ReportFaces faces(scale, device);
    double left = 0, top = 0, right = 0, bottom = 0;
    auto cover = [&](const QRectF& r) {
        left = std::min(left, r.left());
        top = std::min(top, r.top());
        right = std::max(right, r.right());
        bottom = std::max(bottom, r.bottom());
    };
    auto coverText = [&](const ParsedLine& c, const ReportFace& face) {
        cover(QRectF(c.x * scale, c.y * scale, face.width(c.text), face.metrics().height()));
    };
    for (const auto& [key, t] : summary.texts) {
        const ReportFace& face = faces.face(key.first, key.second);
        const double pitch = face.pitchFor(t.used);
        if (pitch == 0) {
            // Some character is not as wide as the others in this size: every text measured.
            for (const ParsedLine& c : doc.entries)
                if (c.keyword == Keyword::Pos && c.size == key.first && c.bold == key.second && !c.text.isEmpty())
                    coverText(c, face);
            continue;
        }
        // The leftmost, topmost and lowest texts, and for each length the rightmost one: the
        // same edges as every text's own, since multiplying and adding keep the order.
        const double height = face.metrics().height();
        cover(QRectF(t.minX * scale, t.minY * scale, 0, height));
        cover(QRectF(t.minX * scale, t.maxY * scale, 0, height));
        for (const auto& [length, x] : t.rightmost) cover(QRectF(x * scale, t.minY * scale, length * pitch, height));
    }
    for (int i : summary.shaped) {
        const ParsedLine& c = doc.entries[i];
        const ReportFace& face = faces.face(c.size, c.bold);
        if (c.keyword == Keyword::Pos) {
            coverText(c, face);
            continue;
        }
        for (qsizetype k = 0; k < c.text.size(); ++k)
            cover(QRectF(c.x * scale, (c.y + k * kVerticalStep) * scale, face.width(QStringView(c.text).mid(k, 1)),
                         face.metrics().height()));
    }
    for (const auto& b : summary.boxes)
        cover(QRectF(QPointF(b[0] * scale, b[1] * scale), QPointF(b[2] * scale, b[3] * scale)).normalized());
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

}  // namespace

ReportFace::ReportFace(int points, bool bold, double scale, const QPaintDevice* device)
    : font_(reportFont(points, bold, scale)), metrics_(font_, device),
      pitch_(metrics_.horizontalAdvance(QString(QLatin1Char(' ')))) {}

bool ReportFace::plain(char16_t c) const {
    if (!known_[c]) {
        known_.set(c);
        plain_[c] = latinPrintable(c) && metrics_.horizontalAdvance(QString(QChar(c))) == pitch_;
    }
    return plain_[c];
}

bool ReportFace::pitched(QStringView text) const {
    for (QChar c : text)
        if (!latinPrintable(c.unicode()) || !plain(c.unicode())) return false;
    return true;
}

double ReportFace::width(QStringView text) const {
    if (!pitched(text)) return metrics_.horizontalAdvance(text.toString());
    return static_cast<double>(text.size()) * pitch_;
}

double ReportFace::pitchFor(const std::bitset<256>& used) const {
    for (char16_t c = 0; c < 256; ++c)
        if (used[c] && !plain(c)) return 0;
    return pitch_;
}

const ReportFace& ReportFaces::face(int points, bool bold) {
    auto& slot = faces_[{points, bold}];
    if (!slot) slot = std::make_unique<ReportFace>(points, bold, scale_, device_);
    return *slot;
}

CommandPainter::CommandPainter(QPainter& painter, double scale)
    : painter_(painter), scale_(scale), faces_(scale, painter.device()) {}

void CommandPainter::useFace(const ParsedLine& c) {
    const ReportFace& face = faces_.face(c.size, c.bold);
    if (&face == current_) return;
    painter_.setFont(face.font());
    current_ = &face;
}

void CommandPainter::draw(const ParsedLine& c) {
    if (c.keyword == Keyword::Pos || c.keyword == Keyword::PosVerti) {
        if (pen_ != Pen::Text) {
            painter_.setPen(Qt::black);
            pen_ = Pen::Text;
        }
        useFace(c);
        const double ascent = current_->metrics().ascent();
        if (c.keyword == Keyword::Pos) {
            painter_.drawText(QPointF(c.x * scale_, c.y * scale_ + ascent), c.text);
        } else {
            for (qsizetype k = 0; k < c.text.size(); ++k)
                painter_.drawText(QPointF(c.x * scale_, (c.y + k * kVerticalStep) * scale_ + ascent), c.text.mid(k, 1));
        }
    } else if (c.keyword == Keyword::Cuadro) {
        // Every box takes its pen anew, from the text's, as it always has: a PDF then holds the
        // stroke state before each box, byte for byte as before.
        painter_.setPen(Qt::black);
        QPen pen(Qt::black);
        pen.setWidth(1);
        pen.setCosmetic(true);
        painter_.setPen(pen);
        pen_ = Pen::Box;
        const double x1 = c.x * scale_, y1 = c.y * scale_, x2 = c.x2 * scale_, y2 = c.y2 * scale_;
        painter_.drawLine(QPointF(x1, y1), QPointF(x1, y2));
        painter_.drawLine(QPointF(x2, y1), QPointF(x2, y2));
        painter_.drawLine(QPointF(x1, y1), QPointF(x2, y1));
        painter_.drawLine(QPointF(x1, y2), QPointF(x2, y2));
    }
}

PageFit fitToArea(const MarkupDocument& doc, const QSizeF& area, double natural, const QPaintDevice* device,
                  const WorkProgress& progress) {
    PageFit fit{natural, {}};
    if (area.isEmpty()) return fit;
    ReportFaces faces(natural, device);
    const DrawnSummary summary(doc, faces, progress);
    // The font sizes are whole pixels, so a text does not shrink exactly with the scale: measure
    // again at the smaller scale until everything fits.
    for (int attempt = 0;; ++attempt) {
        const QRectF drawn = drawnBounds(doc, summary, fit.scale, device);
        fit.origin = -drawn.topLeft();
        const double shrink = std::min(area.width() / drawn.width(), area.height() / drawn.height());
        if (!(shrink < 1.0) || attempt == 8) return fit;  // fits (or nothing is drawn)
        fit.scale *= shrink * 0.999;
    }
}

}  // namespace klv::markup
