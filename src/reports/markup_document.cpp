#include "markup_document.h"

#include "cp1252.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPalette>
#include <QSet>

namespace klv::markup {
namespace {

const QColor kLightCyan(0xC0, 0xFF, 0xFF);
// Lines read between two reports of the share read.
constexpr int kLinesStep = 8192;

bool isDrawing(Keyword k) { return k == Keyword::Pos || k == Keyword::Cuadro || k == Keyword::PosVerti; }

// Texts repeat from row to row (a method, a currency, a party's name): a text equal to one read
// lately shares its characters, so a report of thousands of pages holds each of them about once.
class RecentTexts {
public:
    void share(QString& text) {
        if (text.isEmpty()) return;
        if (const auto it = recent_.constFind(text); it != recent_.cend()) {
            text = *it;
            return;
        }
        if (recent_.size() >= kKept) recent_.clear();
        recent_.insert(text);
    }

private:
    static constexpr qsizetype kKept = 4096;
    QSet<QString> recent_;
};

// Adds one line to the document; false when it is malformed (the failure is recorded).
bool addLine(MarkupDocument& doc, RecentTexts& texts, QByteArray bytes, int lineNo) {
    if (bytes.endsWith('\n')) bytes.chop(1);
    if (bytes.endsWith('\r')) bytes.chop(1);
    LineError error;
    auto parsed = parseMarkupLine(cp1252::decode(bytes), &error);
    if (!parsed) {
        if (error.number == 0) return true;
        doc.failure = ReadFailure{lineNo, error.number, error.description};
        return false;
    }
    if (isDrawing(parsed->keyword) && parsed->page < 0) {
        doc.failure = ReadFailure{lineNo, 340, QStringLiteral("la página %1 no existe").arg(parsed->page)};
        return false;
    }
    texts.share(parsed->text);
    doc.entries.push_back(std::move(*parsed));
    return true;
}

QColor systemColor(int index) {
    const QPalette pal = QGuiApplication::palette();
    switch (index) {
    case 5: return pal.color(QPalette::Base);          // window background
    case 8: return pal.color(QPalette::Text);          // window text
    case 15: return pal.color(QPalette::Button);       // button face
    case 18: return pal.color(QPalette::ButtonText);
    default: return pal.color(QPalette::Window);
    }
}

}  // namespace

bool MarkupDocument::landscape() const {
    for (const auto& e : entries)
        if (e.keyword == Keyword::Orientacion && e.text == kLandscape) return true;
    return false;
}

int MarkupDocument::lastPage() const {
    int last = 0;
    for (const auto& e : entries)
        if (isDrawing(e.keyword)) last = std::max<int>(last, e.page);
    return last + 1;
}

QColor MarkupDocument::background() const {
    QColor color = kLightCyan;
    for (const auto& e : entries)
        if (e.keyword == Keyword::Color)
            if (auto c = colorFromTag(e.text)) color = *c;
    return color;
}

MarkupDocument readMarkupFile(const QString& path, const WorkProgress& progress) {
    MarkupDocument doc;
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return doc;
    doc.exists = true;
    RecentTexts texts;
    const qint64 size = file.size();
    int lineNo = 0;
    while (!file.atEnd()) {
        if (progress && lineNo % kLinesStep == 0) progress(file.pos(), size);
        if (!addLine(doc, texts, file.readLine(), ++lineNo)) break;
    }
    if (progress) progress(size, size);
    return doc;
}

MarkupDocument readMarkup(const QByteArray& bytes) {
    MarkupDocument doc;
    doc.exists = true;
    RecentTexts texts;
    qsizetype start = 0;
    int lineNo = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0) end = bytes.size() - 1;
        if (!addLine(doc, texts, bytes.mid(start, end - start + 1), ++lineNo)) break;
        start = end + 1;
    }
    return doc;
}

std::optional<QColor> colorFromTag(const QString& value) {
    QString v = value.trimmed();
    if (v.endsWith(QLatin1Char('&'))) v.chop(1);
    if (!v.startsWith(QLatin1String("&H"), Qt::CaseInsensitive) || v.size() < 3 || v.size() > 10) return std::nullopt;
    bool ok = false;
    const uint n = v.mid(2).toUInt(&ok, 16);
    if (!ok) return std::nullopt;
    if ((n >> 24) == 0x80) return systemColor(static_cast<int>(n & 0xFF));
    return QColor(static_cast<int>(n & 0xFF), static_cast<int>((n >> 8) & 0xFF), static_cast<int>((n >> 16) & 0xFF));
}

std::vector<std::vector<int>> previewCanvases(const MarkupDocument& doc, const std::optional<PageRange>& range) {
    std::vector<std::vector<int>> canvases(1);
    int current = 0;  // page field of the newest canvas placed
    for (int i = 0; i < static_cast<int>(doc.entries.size()); ++i) {
        const ParsedLine& e = doc.entries[i];
        if (e.keyword == Keyword::NHojas) current = 0;
        if (!isDrawing(e.keyword)) continue;
        const int p = e.page;
        if (!range) {
            if (p >= 1 && p > current) current = p;
            if (static_cast<int>(canvases.size()) <= p) canvases.resize(p + 1);
            canvases[p].push_back(i);
            continue;
        }
        if (!range->holds(p)) continue;
        if (p > current) {
            if (range->desde >= 2 && current < 1) current = p;  // the first page of the range goes on canvas 0
            else {
                canvases.emplace_back();
                current = p;
            }
        }
        canvases.back().push_back(i);
    }
    return canvases;
}

bool printPass(const MarkupDocument& doc, const std::optional<PageRange>& range, PrintCanvas& canvas,
               const QPageRanges& pages) {
    const auto holds = [&](int pageField) {
        return (!range || range->holds(pageField)) && (pages.isEmpty() || pages.contains(pageField + 1));
    };
    if (!canvas.begin(doc.landscape())) return false;
    int last = 0;          // page field of the last drawing command
    bool drawn = false;    // something is on the current sheet
    bool pending = false;  // a page break waits for something to draw
    for (const auto& e : doc.entries) {
        if (isDrawing(e.keyword)) {
            last = e.page;
            if (!holds(e.page)) continue;
            if (pending) {
                if (!canvas.newSheet()) return false;
                pending = false;
            }
            canvas.draw(e);
            drawn = true;
        } else if (e.keyword == Keyword::NuevaHoja) {
            if (!holds(last)) continue;
            if (drawn) pending = true;
        }
    }
    return canvas.end();
}

}  // namespace klv::markup
