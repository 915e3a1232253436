#pragma once
// A report-markup file read whole, and the two ways of going through it: the preview's pages
// (drawing commands gathered on page canvases by their page field) and the printer's pass
// (commands in file order, sheets parted at the page breaks).
//
// The whole file is read before anything is shown or printed. A malformed line stops the reading;
// what was read before it is kept and the failure names the line.

#include "report_markup.h"
#include "work_progress.h"

#include <QColor>
#include <QPageRanges>
#include <QString>
#include <optional>
#include <vector>

namespace klv::markup {

// A page range chosen by the user, pages counted from 1. Page field p is page p + 1.
struct PageRange {
    int desde = 1;
    int hasta = 1;
    bool holds(int pageField) const { return pageField + 1 >= desde && pageField + 1 <= hasta; }
};

struct ReadFailure {
    int line = 0;    // 1-based line of the file
    int number = 0;  // run-time error number (5, 6, 13, 340 a page that cannot exist)
    QString description;
};

struct MarkupDocument {
    bool exists = false;
    std::vector<ParsedLine> entries;  // tags, commands and breaks in file order, up to a malformed line
    std::optional<ReadFailure> failure;

    bool ok() const { return exists && !failure; }
    // The last page the drawing commands name, counted from 1 (1 when there is none).
    int lastPage() const;
    // "H" in any orientation tag: the print job is landscape.
    bool landscape() const;
    // The last colour tag as a colour; light cyan (&H00FFFFC0&) without one or when unreadable.
    QColor background() const;
};

// Reads a file of the report folder, telling `progress` the bytes read of the file's size. exists is
// False for a missing file (or one that cannot be opened for reading).
MarkupDocument readMarkupFile(const QString& path, const WorkProgress& progress = {});
// Reads markup held in memory (Windows-1252 bytes; lines end with LF, an ending CR is dropped).
MarkupDocument readMarkup(const QByteArray& bytes);

// A colour tag's value: "&H" and up to eight hexadecimal digits, closed by "&". The low bytes are
// blue, green and red; a top byte of 80 names a system colour (5 the window background).
std::optional<QColor> colorFromTag(const QString& value);

// The preview's page canvases: entry indices of the drawing commands on each canvas. Without a
// range a command goes on the canvas of its page field (canvases up to the highest page field
// exist); with a range the pages of the range lie on canvases 0, 1, 2, ... in order, and commands
// outside it are left out.
std::vector<std::vector<int>> previewCanvases(const MarkupDocument& doc, const std::optional<PageRange>& range);

// Where a print pass draws: a printer, or a recording canvas in tests.
class PrintCanvas {
public:
    virtual ~PrintCanvas() = default;
    // Starts the job in the orientation of the file. False (and error()) when it cannot start.
    virtual bool begin(bool landscape) = 0;
    virtual bool newSheet() = 0;
    virtual void draw(const ParsedLine& command) = 0;
    virtual bool end() = 0;
    virtual QString error() const { return {}; }
};

// One print pass: every drawing command in file order (those of the range, when one is given,
// and of `pages` too, pages counted from 1, when it is not empty); a page break begins a new sheet
// only when something is drawn after it, and is ignored when the page of the last drawing command
// is left out. False when the canvas failed.
bool printPass(const MarkupDocument& doc, const std::optional<PageRange>& range, PrintCanvas& canvas,
               const QPageRanges& pages = {});

}  // namespace klv::markup
