#pragma once
// Reads an import file line by line without holding it whole: the lines of the party and
// transaction files and of the separator count. A line ends at CR LF, LF or a lone CR; the end of
// the last line adds no empty line after it. Lines may be of any length; the bytes come back as
// read (Windows-1252), without the line end, and decode with klv::cp1252::decode.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace klv::import {

class LineReader {
public:
    explicit LineReader(const QString& path);
    // False when the file cannot be opened for reading; error() then says why.
    bool open();
    // The next line into `line`; false at the end of the file (or after a read failure, which
    // error() then names).
    bool next(QByteArray& line);

    qint64 size() const { return size_; }             // bytes of the file when opened
    qint64 bytesRead() const { return consumed_; }    // bytes handed out so far, line ends included
    qint64 lineNumber() const { return lines_; }      // lines handed out so far
    const QString& error() const { return error_; }
    bool failed() const { return !error_.isEmpty(); }

private:
    bool fill();

    QFile file_;
    QByteArray buffer_;
    qsizetype pos_ = 0;
    bool eof_ = false;
    bool pendingCr_ = false;  // the previous line ended with CR at the end of a chunk
    qint64 size_ = 0;
    qint64 consumed_ = 0;
    qint64 lines_ = 0;
    QString error_;
};

}  // namespace klv::import
