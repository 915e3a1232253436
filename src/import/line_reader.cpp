#include "line_reader.h"

#include <cstring>

namespace klv::import {
namespace {

constexpr qint64 kChunk = 1 << 16;

// The first CR or LF in [from, end), or end.
const char* lineEnd(const char* from, const char* end) {
    const auto* lf = static_cast<const char*>(std::memchr(from, '\n', static_cast<size_t>(end - from)));
    const char* limit = lf ? lf : end;
    const auto* cr = static_cast<const char*>(std::memchr(from, '\r', static_cast<size_t>(limit - from)));
    return cr ? cr : limit;
}

}  // namespace

LineReader::LineReader(const QString& path) : file_(path) {}

bool LineReader::open() {
    if (!file_.open(QIODevice::ReadOnly)) {
        error_ = file_.errorString();
        return false;
    }
    size_ = file_.size();
    return true;
}

// The next block in place of the bytes handed out (every line takes its bytes before asking for
// more, so the buffer never holds more than one block).
bool LineReader::fill() {
    if (eof_) return false;
    buffer_.resize(kChunk);
    pos_ = 0;
    const qint64 n = file_.read(buffer_.data(), kChunk);
    if (n <= 0) {
        buffer_.resize(0);
        if (n < 0) error_ = file_.errorString();
        eof_ = true;
        return false;
    }
    buffer_.resize(n);
    return true;
}

void LineReader::take(QByteArray& line, Rest& rest, const char* from, qsizetype n) {
    const qsizetype kept = std::min<qsizetype>(n, kLargoMaximoLinea - line.size());
    if (kept > 0) line.append(from, kept);
    from += kept;
    n -= kept;
    if (n <= 0) return;
    rest.cut = true;
    if (!rest.separator && std::memchr(from, '|', static_cast<size_t>(n))) rest.separator = true;
    for (qsizetype i = n - 1; i >= 0; --i)
        if (from[i] != ' ') {
            rest.last = from[i];
            break;
        }
}

void LineReader::finish(QByteArray& line, const Rest& rest) {
    if (!rest.cut) return;
    if (rest.separator) line.append('|');
    if (rest.last != 0 && rest.last != '|') line.append(rest.last);
}

bool LineReader::next(QByteArray& line) {
    line.resize(0);
    if (!file_.isOpen()) return false;
    // A CR that closed the previous line at the end of a block may be followed by its LF.
    if (pendingCr_) {
        if (pos_ >= buffer_.size()) fill();
        if (pos_ < buffer_.size() && buffer_[pos_] == '\n') {
            ++pos_;
            ++consumed_;
        }
        pendingCr_ = false;
    }
    Rest rest;
    bool any = false;  // a byte of this line was read
    for (;;) {
        if (pos_ >= buffer_.size() && !fill()) break;
        const char* data = buffer_.constData();
        const qsizetype end = buffer_.size();
        const qsizetype i = lineEnd(data + pos_, data + end) - data;
        take(line, rest, data + pos_, i - pos_);
        consumed_ += i - pos_;
        any = any || i > pos_;
        pos_ = i;
        if (i < end) {
            qsizetype after = i + 1;
            if (data[i] == '\r') {
                if (after < end) {
                    if (data[after] == '\n') ++after;
                } else {
                    pendingCr_ = true;
                }
            }
            consumed_ += after - pos_;
            pos_ = after;
            ++lines_;
            finish(line, rest);
            return true;
        }
    }
    // The end of the file: the rest is a last line without a line end.
    if (!any) return false;
    ++lines_;
    finish(line, rest);
    return true;
}

}  // namespace klv::import
