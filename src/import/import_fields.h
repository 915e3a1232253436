#pragma once
// What both file imports do to a field and a line: split at "|", blanks trimmed, letters
// upper-cased as Windows-1252 does, character scans, exact amounts, and the reference lookups
// cached for one run.

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <string_view>

namespace klv {
class Database;
}

namespace klv::import {

// Upper case as the Windows code page knows it: a-z, the accented letters and ÿ š œ ž; ß and µ
// (which have no upper case there) and every other character stay.
QString upperCp1252(const QString& text);
// Exact comparison with a text of ASCII characters, inline: a line makes hundreds of them ("6" is
// not "06").
template <size_t N>
bool is(const QString& v, const char (&s)[N]) {
    if (v.size() != static_cast<qsizetype>(N - 1)) return false;
    for (size_t i = 0; i + 1 < N; ++i)
        if (v[static_cast<qsizetype>(i)].unicode() != static_cast<char16_t>(s[i])) return false;
    return true;
}
// True when the value is one of the texts.
template <size_t... N>
bool in(const QString& v, const char (&... s)[N]) {
    return (is(v, s) || ...);
}

// Reads the fields of a line one after another: the text before each "|", at most `max` of them
// (what follows the last separator read is not a field). A field the line lacks (too few
// separators) or without a single character is empty; any other field's value has its blanks
// (spaces only) trimmed and its letters upper-cased as upperCp1252 does. Values of one or two
// digits are shared rather than made anew: a transaction line holds some fifty of them.
class FieldReader {
public:
    FieldReader(const QString& line, int max) : line_(line), left_(max) {}
    // The next field: false when it is empty, else true with its value.
    bool next(QString& value) {
        // A separator where the field begins: the empty fields are most of a transaction line.
        if (left_ > 0 && pos_ < line_.size() && line_[pos_] == QLatin1Char('|')) {
            ++pos_;
            --left_;
            return false;
        }
        return nextValue(value);
    }

private:
    bool nextValue(QString& value);

    QStringView line_;
    qsizetype pos_ = 0;
    int left_;
};

// A scan of the characters of a value with a test on their Windows-1252 codes: false at the first
// character the test refuses. Control characters (codes below 32 and 127) are refused whatever the
// test says.
bool scanChars(const QString& value, const std::function<bool(int)>& accepts);
// The same scan over Windows-1252 bytes (each byte is its character's code).
template <class Accepts>
bool scanBytes(std::string_view value, Accepts accepts) {
    for (const char b : value) {
        const int code = static_cast<unsigned char>(b);
        if (code < 32 || code == 127 || !accepts(code)) return false;
    }
    return true;
}

// The texts "0" to "9" (width 1) and "00" to "99" (width 2), made once and shared: most values of
// a line are such.
const QString& digitsText(int value, int width);

// A Windows-1252 byte upper-cased as upperCp1252 upper-cases its character.
char upperByte(char b);

// An exact amount in ten-thousandths, wide enough that sums of a line's amounts cannot overflow
// (the compiler's 128-bit integer; __extension__ keeps -Wpedantic quiet about it).
__extension__ typedef __int128 Fixed4;

// An amount as an exact number of ten-thousandths: the leading number of the text (blanks
// skipped, an optional sign, digits, one point, digits); 0 when there is none. Digits past the
// fourth decimal are dropped; a value too large to hold saturates.
Fixed4 fixed4(std::string_view text);

// Reference rows one run looks up again and again, read once.
class ReferenceCache {
public:
    explicit ReferenceCache(const Database& db);
    bool pais(const QString& code) const { return paises_.contains(code.toUpper()); }          // PARAM '976'
    bool tipoDireccion(const QString& code) const { return direcciones_.contains(code.toUpper()); }  // '876'
    bool moneda(const QString& code) const { return monedas_.contains(code.toUpper()); }       // '883'
    bool paraisoFiscal(const QString& code) const { return paraisos_.contains(code.toUpper()); }

private:
    QSet<QString> paises_, direcciones_, monedas_, paraisos_;
};

}  // namespace klv::import
