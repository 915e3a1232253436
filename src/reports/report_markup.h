#pragma once
// The report-markup file: one item per line, Windows-1252, every line ended by CR LF.
//
//   <!font!>Courier New<!/font!>        header tags, first in the file
//   <!nHojas!>1<!/nHojas!>
//   <!Orientacion!>V<!/Orientacion!>    "H" prints landscape
//   <!Color!>&H80000005&<!/Color!>      background of the preview pages
//   pPos|x|y|text|bold|size|page|       a text; (x, y) in twips, the top-left of its first cell
//   pCuadro|x1|y1|x2|y2|page|           a box
//   pPosVerti|x|y|text|bold|size|page|  a text written downwards, one character under the other
//   pNuevaHoja                          the printer's page break
//
// MarkupWriter writes such a file whole or not at all: the lines go to a temporary file beside
// the target, which replaces the target only on commit(). Data never changes the structure of a
// line: a text is written only inside a pPos field, with "|" turned into "¦" and line breaks
// into blanks; tags and page breaks have calls of their own.
//
// parseMarkupLine reads one line by the reader's rule: the keyword grows from the first character
// until it ends with "|" (dropped), "!>" (kept) or "aHoja", is trimmed and compared with exact
// case; a line whose keyword is unknown or never ends is skipped.

#include "whole_file.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace klv::markup {

// Bold words as the writers of this system put them.
inline const QString kTrue = QStringLiteral("True");
inline const QString kFalse = QStringLiteral("False");
inline QString boldWord(bool bold) { return bold ? kTrue : kFalse; }

// Values of the header tags the writers put.
inline const QString kFontCourierNew = QStringLiteral("Courier New");
inline const QString kPortrait = QStringLiteral("V");
inline const QString kLandscape = QStringLiteral("H");
inline const QString kColorWindow = QStringLiteral("&H80000005&");     // the desktop's window background
inline const QString kColorLightCyan = QStringLiteral("&H00FFFFC0&");  // the declaration print

enum class Tag { Font, NHojas, Orientacion, Color };

// The exact text of one line (without its CR LF).
QString tagLine(Tag tag, const QString& value);
QString posLine(int x, int y, const QString& text, const QString& bold, int size, int page);
QString boxLine(int x1, int y1, int x2, int y2, int page);
inline QString newPageLine() { return QStringLiteral("pNuevaHoja"); }
// A data text made safe for a pPos field: "|" becomes "¦", CR and LF become blanks.
QString dataText(const QString& text);

class MarkupWriter {
public:
    // Opens a temporary file beside `path`; nothing is visible at `path` until commit().
    explicit MarkupWriter(const QString& path);
    ~MarkupWriter();  // without commit() the temporary file is removed and `path` is untouched
    MarkupWriter(const MarkupWriter&) = delete;
    MarkupWriter& operator=(const MarkupWriter&) = delete;

    // The four header tags in the writers' order: font "Courier New", nHojas "1", orientation, colour.
    void header(const QString& orientation, const QString& color);
    void tag(Tag tag, const QString& value);
    // A text at (x, y) on a page (0 for the first). `bold` is written as the caller gives it
    // ("True", "False", or "TRUE" where a caller writes it so); `text` passes through dataText().
    void pos(int x, int y, const QString& text, const QString& bold, int size, int page);
    void pos(int x, int y, const QString& text, bool bold, int size, int page) {
        pos(x, y, text, boldWord(bold), size, page);
    }
    void box(int x1, int y1, int x2, int y2, int page);
    void newPage();
    // Any line exactly as given (a caller that composes its own): still one line, no line breaks.
    void line(const QString& text);

    int lineCount() const { return lines_; }
    // Writes the rest and replaces the target file. False (and errorString()) when the folder
    // cannot be written, the disk is full or the file could not be replaced; the target is then
    // as it was before. `synced` hears the file's bytes on the disk of its size (WholeFile::commit).
    bool commit(const std::function<void(qint64 done, qint64 size)>& synced = {});
    QString errorString() const { return error_; }
    // The error number of the failure: that of the failed write (61 a full disk, ...,
    // klv::fileErrorNumber), 75 when the file could not be opened.
    int errorNumber() const { return errorNumber_; }

private:
    // Room for a line of at most `bytes` bytes and its CR LF at the end of the buffer; endLine
    // ends the line where its bytes end.
    char* room(qsizetype bytes);
    void endLine(char* end);
    void flush();
    void fail(const WriteFailure& why);
    std::unique_ptr<WholeFile> file_;
    QByteArray buffer_;
    qsizetype used_ = 0;
    QString error_;
    int errorNumber_ = 75;
    int lines_ = 0;
    bool failed_ = false;
};

// ---- Reading -------------------------------------------------------------------------------

enum class Keyword : quint8 { Font, NHojas, Color, Orientacion, Pos, Cuadro, PosVerti, NuevaHoja };

// One line read. A report of thousands of pages holds millions of them, so the numbers (16 bits
// in the file) are held in 16 bits.
struct ParsedLine {
    Keyword keyword = Keyword::Pos;
    bool bold = false;
    qint16 x = 0, y = 0;    // pPos, pPosVerti; pCuadro: x1, y1
    qint16 x2 = 0, y2 = 0;  // pCuadro
    qint16 size = 0;        // pPos: 8 when the field reads 0; pPosVerti unchanged
    qint16 page = 0;
    QString text;           // pPos, pPosVerti; header tags: the value (Orientacion and Color trimmed)
};

// Why a line cannot be read, with the run-time error number it stands for.
struct LineError {
    int number = 0;  // 5 missing closing tag or "|", 6 a number outside 16 bits, 13 a bold field that is no Boolean word
    QString description;
};

// nullopt with *error empty: the line is skipped (unknown keyword, or no keyword end).
// nullopt with *error set: the line is malformed.
std::optional<ParsedLine> parseMarkupLine(const QString& line, LineError* error);

}  // namespace klv::markup
