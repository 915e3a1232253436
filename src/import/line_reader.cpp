#include "line_reader.h"

#include <cstring>

namespace klv::import {
namespace {
constexpr qint64 kChunk = 1 << 16;
}

LineReader::LineReader(const QString& path) : file_(path) {}

bool LineReader::open() {
    if (!file_.open(QIODevice::ReadOnly)) {
        error_ = file_.errorString();
        return false;
    }
    size_ = file_.size();
    return true;
}

bool LineReader::fill() {
    if (eof_) return false;
    if (pos_ > 0) {
        buffer_.remove(0, pos_);
        pos_ = 0;
    }
    const qsizetype old = buffer_.size();
    buffer_.resize(old + kChunk);
    const qint64 n = file_.read(buffer_.data() + old, kChunk);
    if (n < 0) {
        buffer_.resize(old);
        error_ = file_.errorString();
        eof_ = true;
        return false;
    }
    buffer_.resize(old + n);
    if (n == 0) eof_ = true;
    return n > 0;
}

namespace {

// The first CR or LF in [from, end), or end.
const char* lineEnd(const char* from, const char* end) {
    const auto* lf = static_cast<const char*>(std::memchr(from, '\n', static_cast<size_t>(end - from)));
    const char* limit = lf ? lf : end;
    const auto* cr = static_cast<const char*>(std::memchr(from, '\r', static_cast<size_t>(limit - from)));
    return cr ? cr : limit;
}

// The bytes into `line`, reusing its buffer when it has one of its own.
void copyInto(QByteArray& line, const char* from, qsizetype n) {
    line.resize(n);
    if (n > 0) std::memcpy(line.data(), from, static_cast<size_t>(n));
}

}  // namespace

bool LineReader::next(QByteArray& line) {
    line.resize(0);
    if (!file_.isOpen()) return false;
    // A CR that closed the previous line at the end of a chunk may be followed by its LF.
    if (pendingCr_) {
        if (pos_ >= buffer_.size()) fill();
        if (pos_ < buffer_.size() && buffer_[pos_] == '\n') {
            ++pos_;
            ++consumed_;
        }
        pendingCr_ = false;
    }
    qsizetype scanFrom = pos_;
    for (;;) {
        const char* data = buffer_.constData();
        const qsizetype end = buffer_.size();
        const qsizetype i = lineEnd(data + scanFrom, data + end) - data;
        if (i < end) {
            const char c = data[i];
            copyInto(line, data + pos_, i - pos_);
            qsizetype after = i + 1;
            if (c == '\r') {
                if (after < end) {
                    if (data[after] == '\n') ++after;
                } else {
                    pendingCr_ = true;
                }
            }
            consumed_ += after - pos_;
            pos_ = after;
            ++lines_;
            return true;
        }
        scanFrom = buffer_.size() - pos_;
        if (!fill()) break;
    }
    // The end of the file: the rest is a last line without a line end.
    if (pos_ < buffer_.size()) {
        copyInto(line, buffer_.constData() + pos_, buffer_.size() - pos_);
        consumed_ += buffer_.size() - pos_;
        pos_ = buffer_.size();
        ++lines_;
        return true;
    }
    return false;
}

}  // namespace klv::import
