#include "import_fields.h"

#include "cp1252.h"
#include "database.h"

namespace klv::import {

QString upperCp1252(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u >= 'a' && u <= 'z')
            c = QChar(u - 32);
        else if (u >= 0xE0 && u <= 0xFE && u != 0xF7)
            c = QChar(u - 32);
        else if (u == 0xFF)
            c = QChar(0x0178);  // ÿ -> Ÿ
        else if (u == 0x0161)
            c = QChar(0x0160);  // š -> Š
        else if (u == 0x0153)
            c = QChar(0x0152);  // œ -> Œ
        else if (u == 0x017E)
            c = QChar(0x017D);  // ž -> Ž
    }
    return out;
}

bool inList(const QString& value, std::initializer_list<const char*> list) {
    for (const char* s : list)
        if (value == QLatin1String(s)) return true;
    return false;
}

QString trimBlanks(const QString& text) {
    qsizetype b = 0, e = text.size();
    while (b < e && text[b] == QLatin1Char(' ')) ++b;
    while (e > b && text[e - 1] == QLatin1Char(' ')) --e;
    return text.mid(b, e - b);
}

SplitLine splitFields(const QString& line, int max) {
    SplitLine s;
    s.raw.reserve(max);
    s.empty.reserve(max);
    qsizetype start = 0;
    while (s.raw.size() < max) {
        const qsizetype bar = line.indexOf(QLatin1Char('|'), start);
        if (bar < 0) break;
        s.raw << line.mid(start, bar - start);
        s.empty.push_back(bar == start);
        start = bar + 1;
    }
    return s;
}

bool scanChars(const QString& value, const std::function<bool(int)>& accepts) {
    for (QChar c : value) {
        const int code = cp1252::charCode(c);
        if (code < 32 || code == 127 || !accepts(code)) return false;
    }
    return true;
}

__int128 fixed4(const QString& text) {
    constexpr __int128 kMax = (static_cast<__int128>(1) << 120);
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t'))) ++i;
    };
    skipBlanks();
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    __int128 v = 0;
    int decimals = -1;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('.') && decimals < 0) {
            decimals = 0;
            continue;
        }
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) break;
        if (decimals >= 4) continue;
        if (v < kMax) v = v * 10 + (c.unicode() - '0');
        if (decimals >= 0) ++decimals;
    }
    for (int d = std::max(decimals, 0); d < 4; ++d)
        if (v < kMax) v *= 10;
    return negative ? -v : v;
}

namespace {
QSet<QString> codes(const Database& db, const QString& sql) {
    QSet<QString> out;
    QSqlQuery q = db.exec(sql);
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
