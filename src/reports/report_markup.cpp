#include "report_markup.h"

#include "cp1252.h"
#include "format.h"
#include "whole_file.h"

#include <QDir>
#include <QFileInfo>
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

}  // namespace

QString tagLine(Tag tag, const QString& value) {
    const QString& n = tagName(tag);
    return QStringLiteral("<!") + n + QStringLiteral("!>") + dataText(value) + QStringLiteral("<!/") + n +
           QStringLiteral("!>");
}

QString posLine(int x, int y, const QString& text, const QString& bold, int size, int page) {
    return QStringLiteral("pPos|%1|%2|%3|%4|%5|%6|")
        .arg(QString::number(x), QString::number(y), dataText(text), dataText(bold), QString::number(size),
             QString::number(page));
}

QString boxLine(int x1, int y1, int x2, int y2, int page) {
    return QStringLiteral("pCuadro|%1|%2|%3|%4|%5|")
        .arg(QString::number(x1), QString::number(y1), QString::number(x2), QString::number(y2), QString::number(page));
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
    line(posLine(x, y, text, bold, size, page));
}

void MarkupWriter::box(int x1, int y1, int x2, int y2, int page) { line(boxLine(x1, y1, x2, y2, page)); }

void MarkupWriter::newPage() { line(newPageLine()); }

void MarkupWriter::line(const QString& text) {
    QString one = text;
    one.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    buffer_ += cp1252::encode(one);
    buffer_ += "\r\n";
    ++lines_;
    if (buffer_.size() >= kFlushAt) flush();
}

void MarkupWriter::flush() {
    if (buffer_.isEmpty()) return;
    WriteFailure why;
    if (!failed_ && !file_->write(buffer_, &why)) fail(why);
    buffer_.clear();
}

void MarkupWriter::fail(const WriteFailure& why) {
    failed_ = true;
    error_ = why.text;
    errorNumber_ = why.number;
}

bool MarkupWriter::commit() {
    flush();
    if (failed_) {
        file_->cancel();
        return false;
    }
    WriteFailure why;
    if (!file_->commit(&why)) {
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
