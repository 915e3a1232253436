#include "import_fields.h"

#include "cp1252.h"
#include "database.h"
#include "utilitarios.h"

#include <array>

namespace klv::import {

namespace {

char16_t upperCode(char16_t u) {
    if (u >= 'a' && u <= 'z') return u - 32;
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return u - 32;
    switch (u) {
    case 0xFF: return 0x0178;    // ÿ -> Ÿ
    case 0x0161: return 0x0160;  // š -> Š
    case 0x0153: return 0x0152;  // œ -> Œ
    case 0x017E: return 0x017D;  // ž -> Ž
    default: return u;
    }
}

}  // namespace

const QString& digitsText(int value, int width) {
    static const std::vector<QString> texts = [] {
        std::vector<QString> t;
        for (int i = 0; i < 10; ++i) t.push_back(QString::number(i));
        for (int i = 0; i < 100; ++i) t.push_back(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
        return t;
    }();
    return texts[static_cast<size_t>(width == 1 ? value : 10 + value)];
}

char upperByte(char b) {
    // cp1252 upper-cases byte for byte: a-z and à-þ (but ÷) move down 32; ÿ š œ ž have their own.
    static const std::array<char, 256> table = [] {
        std::array<char, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[i] = static_cast<char>(cp1252::charCode(QChar(upperCode(cp1252::fromCode(i).unicode()))));
        return t;
    }();
    return table[static_cast<unsigned char>(b)];
}

QString upperCp1252(const QString& text) {
    QString out = text;
    for (QChar& c : out) c = QChar(upperCode(c.unicode()));
    return out;
}

bool FieldReader::nextValue(QString& value) {
    if (left_ <= 0) return false;
    const QChar* chars = line_.data();
    const qsizetype size = line_.size();
    const qsizetype start = pos_;
    qsizetype bar = start;
    while (bar < size && chars[bar] != QLatin1Char('|')) ++bar;
    if (bar == size) {
        left_ = 0;
        return false;
    }
    pos_ = bar + 1;
    --left_;
    if (bar == start) return false;
    qsizetype b = start, e = bar;
    while (b < e && chars[b] == QLatin1Char(' ')) ++b;
    while (e > b && chars[e - 1] == QLatin1Char(' ')) --e;
    const QStringView v(chars + b, e - b);
    if (v.isEmpty()) {
        static const QString empty(QLatin1String(""));
        value = empty;
    } else if (v.size() <= 2 && isAsciiDigit(v[0].unicode()) && isAsciiDigit(v.back().unicode())) {
        const int first = v[0].unicode() - '0';
        value = v.size() == 1 ? digitsText(first, 1) : digitsText(first * 10 + (v[1].unicode() - '0'), 2);
    } else {
        value = v.toString();
        for (QChar& c : value) c = QChar(upperCode(c.unicode()));
    }
    return true;
}

bool scanChars(const QString& value, const std::function<bool(int)>& accepts) {
    for (QChar c : value) {
        const int code = cp1252::charCode(c);
        if (code < 32 || code == 127 || !accepts(code)) return false;
    }
    return true;
}

Fixed4 fixed4(std::string_view text) {
    constexpr Fixed4 kMax = (static_cast<Fixed4>(1) << 120);
    size_t i = 0;
    const size_t n = text.size();
    auto skipBlanks = [&] {
        while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
    };
    skipBlanks();
    bool negative = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    Fixed4 v = 0;
    int decimals = -1;
    for (; i < n; ++i) {
        const char c = text[i];
        if (c == '.' && decimals < 0) {
            decimals = 0;
            continue;
        }
        if (!isAsciiDigit(c)) break;
        if (decimals >= 4) continue;
        if (v < kMax) v = v * 10 + (c - '0');
        if (decimals >= 0) ++decimals;
    }
    for (int d = std::max(decimals, 0); d < 4; ++d)
        if (v < kMax) v *= 10;
    return negative ? -v : v;
}

namespace {
QSet<QString> codes(const Database& db, const QString& sql) {
    QSet<QString> out;
    Query q = db.exec(sql);
    while (q.next()) out.insert(q.value(0).toString().toUpper());
    return out;
}
}  // namespace

ReferenceCache::ReferenceCache(const Database& db)
    : paises_(codes(db, QStringLiteral("SELECT Argumento FROM PARAM WHERE Numero='976'"))),
      direcciones_(codes(db, QStringLiteral("SELECT Argumento FROM PARAM WHERE Numero='876'"))),
      monedas_(codes(db, QStringLiteral("SELECT Argumento FROM PARAM WHERE Numero='883'"))),
      paraisos_(codes(db, QStringLiteral("SELECT cod_par FROM PARAISO_FISCAL"))) {}

}  // namespace klv::import
