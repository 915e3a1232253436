#pragma once
// Reads an import file line by line without holding it whole: the lines of the party and
// transaction files and of the separator count. A line ends at CR LF, LF or a lone CR; the end of
// the last line adds no empty line after it. The bytes come back as read (Windows-1252), without
// the line end, and decode with klv::cp1252::decode.
//
// Memory stays flat whatever the file holds: the file is read in 64 KiB blocks, and of a line
// longer than kLargoMaximoLinea only what the checks read is kept. Such a line comes back as its
// first kLargoMaximoLinea bytes followed by at most two bytes standing for the rest: one "|" when
// the rest holds a separator, then the rest's last byte other than a blank when that is not a "|".
// Blanks at the end of a line mean nothing to any check, so a line whose rest is only blanks comes
// back as its first kLargoMaximoLinea bytes.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace klv::import {

// The longest line whose separators can be counted: a separator past this position refuses the
// line (and with it the whole file).
constexpr int kLargoMaximoLinea = 32767;

class LineReader {
public:
    explicit LineReader(const QString& path);
    // False when the file cannot be opened for reading; error() then says why.
    bool open();
    // The next line into `line` (cut as above when longer than kLargoMaximoLinea); false at the
    // end of the file (or after a read failure, which error() then names).
    bool next(QByteArray& line);

    qint64 size() const { return size_; }             // bytes of the file when opened
    qint64 bytesRead() const { return consumed_; }    // bytes handed out or passed over so far, line ends included
    qint64 lineNumber() const { return lines_; }      // lines handed out so far
    const QString& error() const { return error_; }
    bool failed() const { return !error_.isEmpty(); }

private:
    // What the checks need of the bytes of a line past kLargoMaximoLinea.
    struct Rest {
        bool cut = false;        // the line is longer than kLargoMaximoLinea
        bool separator = false;  // a "|" lies past it
        char last = 0;           // the last byte past it other than a blank (0: none yet)
    };
    bool fill();
    static void take(QByteArray& line, Rest& rest, const char* from, qsizetype n);
    static void finish(QByteArray& line, const Rest& rest);

    QFile file_;
    QByteArray buffer_;
    qsizetype pos_ = 0;
    bool eof_ = false;
    bool pendingCr_ = false;  // the previous line ended with CR at the end of a block
    qint64 size_ = 0;
    qint64 consumed_ = 0;
    qint64 lines_ = 0;
    QString error_;
};

}  // namespace klv::import
