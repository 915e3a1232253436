#include "report_markup.h"

#include "cp1252.h"
#include "format.h"
#include "whole_file.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <charconv>
#include <cmath>

namespace klv::markup {
namespace {

constexpr qsizetype kFlushAt = 1 << 16;

const QString& tagName(Tag tag) {
    static const QString names[] = {QStringLiteral("font"), QStringLiteral("nHojas"), QStringLiteral("Orientacion"),
                                    QStringLiteral("Color")};
    return names[static_cast<int>(tag)];
}

// The leading number of a field rounded to a 16-bit integer (a half goes to the even
// neighbour). Plain digits take a short way; anything else is read as Val reads it.
std::optional<int> number16(QStringView field) {
    qsizetype i = 0;
    while (i < field.size() && field[i] == QLatin1Char(' ')) ++i;
    QStringView rest = field.mid(i);
    bool plain = !rest.isEmpty() && rest.size() <= 6;
    for (qsizetype k = 0; plain && k < rest.size(); ++k)
        plain = (rest[k].unicode() >= '0' && rest[k].unicode() <= '9') ||
                (k == 0 && rest[k] == QLatin1Char('-') && rest.size() > 1);
    double v = plain ? static_cast<double>(rest.toInt()) : std::rint(fmt::val(field.toString()));
    if (!std::isfinite(v) || v < -32768.0 || v > 32767.0) return std::nullopt;
    return static_cast<int>(v);
}

std::optional<bool> booleanWord(const QString& field) {
    const QString w = field.trimmed();
    if (w.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (w.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    return std::nullopt;
}

// Splits the fields of a command; each must end with "|".
class FieldReader {
public:
    FieldReader(const QString& line, qsizetype cursor, LineError* error) : line_(line), cursor_(cursor), error_(error) {}
    bool next(QString* out) {
        const qsizetype bar = line_.indexOf(QLatin1Char('|'), cursor_);
        if (bar < 0) {
            *error_ = {5, QStringLiteral("falta el separador \"|\" al final de un campo")};
            return false;
        }
        *out = line_.mid(cursor_, bar - cursor_);
        cursor_ = bar + 1;
        return true;
    }
    bool number(qint16* out) {
        QString f;
        if (!next(&f)) return false;
        const auto n = number16(f);
        if (!n) {
            *error_ = {6, QStringLiteral("desbordamiento: el número \"%1\" no cabe en 16 bits").arg(f.left(40))};
            return false;
        }
        *out = static_cast<qint16>(*n);
        return true;
    }
    bool boolean(bool* out) {
        QString f;
        if (!next(&f)) return false;
        const auto b = booleanWord(f);
        if (!b) {
            *error_ = {13, QStringLiteral("no coinciden los tipos: \"%1\" no es True ni False").arg(f.left(40))};
            return false;
        }
        *out = *b;
        return true;
    }

private:
    const QString& line_;
    qsizetype cursor_;
    LineError* error_;
};

// A line's text made by pieces, for posLine and boxLine.
class TextLine {
public:
    void raw(const char* s) { text_ += QLatin1String(s); }
    void number(int n) { text_ += QString::number(n); }
    void data(QStringView s) { text_ += dataText(s.toString()); }
    QString take() { return std::move(text_); }

private:
    QString text_;
};

// A line's Windows-1252 bytes made by pieces, straight into the writer's buffer; `to` points into
// room enough for the pieces (MarkupWriter::room).
class ByteLine {
public:
    explicit ByteLine(char* to) : to_(to) {}
    void raw(const char* s) {
        while (*s) *to_++ = *s++;
    }
    void number(int n) { to_ = std::to_chars(to_, to_ + kNumberChars, n).ptr; }
    // As dataText, then encoded: a character becomes one byte, and only "|", CR and LF become these
    // bytes, so they are mended after.
    void data(QStringView s) {
        char* from = to_;
        to_ = cp1252::encodeInto(s, to_);
        for (char* b = from; b < to_; ++b) {
            if (*b == '|') *b = '\xA6';
            else if (*b == '\r' || *b == '\n') *b = ' ';
        }
    }
    char* end() const { return to_; }
    static constexpr qsizetype kNumberChars = 11;

private:
    char* to_;
};

template <class Out>
void writePos(Out& out, int x, int y, QStringView text, QStringView bold, int size, int page) {
    out.raw("pPos|");
    out.number(x);
    out.raw("|");
    out.number(y);
    out.raw("|");
    out.data(text);
    out.raw("|");
    out.data(bold);
    out.raw("|");
    out.number(size);
    out.raw("|");
    out.number(page);
    out.raw("|");
}

template <class Out>
void writeBox(Out& out, int x1, int y1, int x2, int y2, int page) {
    out.raw("pCuadro|");
    for (int n : {x1, y1, x2, y2, page}) {
        out.number(n);
        out.raw("|");
    }
}

// The most bytes a pos or box line takes besides its text and bold word: the keyword, the bars and
// five numbers.
constexpr qsizetype kLineFrame = 16 + 5 * (ByteLine::kNumberChars + 1);

}  // namespace

QString tagLine(Tag tag, const QString& value) {
    const QString& n = tagName(tag);
    return QStringLiteral("<!") + n + QStringLiteral("!>") + dataText(value) + QStringLiteral("<!/") + n +
           QStringLiteral("!>");
}

QString posLine(int x, int y, const QString& text, const QString& bold, int size, int page) {
    TextLine out;
    writePos(out, x, y, text, bold, size, page);
    return out.take();
}

QString boxLine(int x1, int y1, int x2, int y2, int page) {
    TextLine out;
    writeBox(out, x1, y1, x2, y2, page);
    return out.take();
}

QString dataText(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        if (c == QLatin1Char('|')) c = QChar(0x00A6);
        else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) c = QLatin1Char(' ');
    }
    return out;
}

MarkupWriter::MarkupWriter(const QString& path) : file_(std::make_unique<WholeFile>(path)) {
    buffer_.reserve(2 * kFlushAt);
    WriteFailure why;
    if (!file_->open(&why)) fail(why);
}

MarkupWriter::~MarkupWriter() = default;

void MarkupWriter::header(const QString& orientation, const QString& color) {
    tag(Tag::Font, kFontCourierNew);
    tag(Tag::NHojas, QStringLiteral("1"));
    tag(Tag::Orientacion, orientation);
    tag(Tag::Color, color);
}

void MarkupWriter::tag(Tag t, const QString& value) { line(tagLine(t, value)); }

void MarkupWriter::pos(int x, int y, const QString& text, const QString& bold, int size, int page) {
    ByteLine out(room(kLineFrame + text.size() + bold.size()));
    writePos(out, x, y, text, bold, size, page);
    endLine(out.end());
}

void MarkupWriter::box(int x1, int y1, int x2, int y2, int page) {
    ByteLine out(room(kLineFrame));
    writeBox(out, x1, y1, x2, y2, page);
    endLine(out.end());
}

void MarkupWriter::newPage() { line(newPageLine()); }

void MarkupWriter::line(const QString& text) {
    char* const from = room(text.size());
    char* const end = cp1252::encodeInto(text, from);
    std::replace(from, end, '\r', ' ');
    std::replace(from, end, '\n', ' ');
    endLine(end);
}

// The buffer keeps its size between lines (its first used_ bytes are the lines not yet written):
// a line only moves used_, and the buffer is resized when it must grow and around a write.
char* MarkupWriter::room(qsizetype bytes) {
    if (used_ + bytes + 2 > buffer_.size()) buffer_.resize(std::max(used_ + bytes + 2, 2 * kFlushAt));
    return buffer_.data() + used_;
}

void MarkupWriter::endLine(char* end) {
    *end++ = '\r';
    *end++ = '\n';
    used_ = end - buffer_.constData();
    ++lines_;
    if (used_ >= kFlushAt) flush();
}

void MarkupWriter::flush() {
    if (used_ == 0) return;
    buffer_.resize(used_);
    used_ = 0;
    WriteFailure why;
    if (!failed_ && !file_->write(buffer_, &why)) fail(why);
}

void MarkupWriter::fail(const WriteFailure& why) {
    failed_ = true;
    error_ = why.text;
    errorNumber_ = why.number;
}

bool MarkupWriter::commit(const std::function<void(qint64, qint64)>& synced) {
    flush();
    if (failed_) {
        file_->cancel();
        return false;
    }
    WriteFailure why;
    if (!file_->commit(&why, synced)) {
        fail(why);
        return false;
    }
    return true;
}

std::optional<ParsedLine> parseMarkupLine(const QString& line, LineError* error) {
    *error = {};
    // The keyword grows until it ends with "|" (dropped), "!>" or "aHoja".
    qsizetype end = -1;
    qsizetype cursor = 0;
    for (qsizetype n = 1; n <= line.size(); ++n) {
        const QStringView kw(line.constData(), n);
        if (kw.endsWith(QLatin1Char('|'))) {
            end = n - 1;
            cursor = n;
            break;
        }
        if (kw.endsWith(QLatin1String("!>")) || kw.endsWith(QLatin1String("aHoja"))) {
            end = n;
            cursor = n;
            break;
        }
    }
    if (end < 0) return std::nullopt;
    const QStringView keyword = QStringView(line).left(end).trimmed();

    ParsedLine p;
    static const struct {
        const char* word;
        Keyword kind;
        const char* closing;
    } kTags[] = {{"<!font!>", Keyword::Font, "<!/font!>"},
                 {"<!nHojas!>", Keyword::NHojas, "<!/nHojas!>"},
                 {"<!Color!>", Keyword::Color, "<!/Color!>"},
                 {"<!Orientacion!>", Keyword::Orientacion, "<!/Orientacion!>"}};
    for (const auto& t : kTags) {
        if (keyword != QLatin1String(t.word)) continue;
        const qsizetype close = line.indexOf(QLatin1String(t.closing), cursor);
        if (close < 0) {
            *error = {5, QStringLiteral("falta la etiqueta de cierre %1").arg(QLatin1String(t.closing))};
            return std::nullopt;
        }
        p.keyword = t.kind;
        p.text = line.mid(cursor, close - cursor);
        if (t.kind == Keyword::Color || t.kind == Keyword::Orientacion) p.text = p.text.trimmed();
        return p;
    }

    FieldReader f(line, cursor, error);
    if (keyword == QLatin1String("pNuevaHoja")) {
        p.keyword = Keyword::NuevaHoja;
        return p;
    }
    if (keyword == QLatin1String("pCuadro")) {
        p.keyword = Keyword::Cuadro;
        if (f.number(&p.x) && f.number(&p.y) && f.number(&p.x2) && f.number(&p.y2) && f.number(&p.page)) return p;
        return std::nullopt;
    }
    const bool pos = keyword == QLatin1String("pPos");
    if (pos || keyword == QLatin1String("pPosVerti")) {
        p.keyword = pos ? Keyword::Pos : Keyword::PosVerti;
        if (f.number(&p.x) && f.number(&p.y) && f.next(&p.text) && f.boolean(&p.bold) && f.number(&p.size) &&
            f.number(&p.page)) {
            if (pos && p.size == 0) p.size = 8;
            return p;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace klv::markup
