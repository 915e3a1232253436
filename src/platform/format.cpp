#include "format.h"

#include <QRegularExpression>
#include <QVarLengthArray>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace klv::fmt {
namespace {

// Decimal digits of |value| with 15 significant digits: digits (no leading zeros except "0", no
// trailing zeros) and the position of the decimal point within them (may be <0 or > count).
struct Decimal {
    char digits[15];  // e.g. "1005"
    int count = 0;    // no digits for an infinity or a NaN
    int point = 0;    // digits before the decimal point, e.g. 1 for 1.005
    bool negative = false;
};

// True when the exact value of a positive finite double has 16 significant digits, the last a 5:
// a tie at the 15th. Write v = m * 2^e with m odd. A whole number D * 10^k with D odd (its last
// digit a 5) holds exactly 2^k, so e = k, and m = D * 5^k < 2^53 with D >= 10^15 leaves k at most 1:
// such a number is looked at whole. A fraction has exactly the digits of m * 5^-e, an odd multiple
// of 5.
bool tieAtFifteenDigits(double v) {
    int exp = 0;
    const double mantissa = std::frexp(v, &exp);  // v = mantissa * 2^exp, 0.5 <= mantissa < 1
    auto m = static_cast<quint64>(std::ldexp(mantissa, 53));
    int e = exp - 53;
    while (m % 2 == 0) {
        m /= 2;
        ++e;
    }
    constexpr quint64 kLow = 1'000'000'000'000'000ULL, kHigh = 10'000'000'000'000'000ULL;  // 10^15, 10^16
    if (e >= 0) {
        if (e > 1) return false;
        quint64 n = m << e, unit = 1;  // unit: the place of the 16th digit
        if (n < kLow) return false;
        while (n / unit >= kHigh) unit *= 10;
        return n % (10 * unit) == 5 * unit;
    }
    quint64 n = m;
    for (int k = 0; k < -e; ++k) {
        if (n >= kHigh / 5 + 1) return false;
        n *= 5;
    }
    return n >= kLow && n < kHigh;
}

Decimal toDecimal(double value) {
    Decimal d;
    d.negative = std::signbit(value) && value != 0.0;
    if (!std::isfinite(value)) return d;
    // d.dddddddddddddde+XX: 15 significant digits, correctly rounded, a tie away from zero.
    const double v = std::fabs(value);
    const bool tie = v != 0 && tieAtFifteenDigits(v);
    char text[40];
    const char* end = std::to_chars(text, text + sizeof text, v, std::chars_format::scientific, tie ? 15 : 14).ptr;
    const char* e = std::find(static_cast<const char*>(text), end, 'e');
    for (const char* p = text; p < e && d.count < 15; ++p)
        if (*p != '.') d.digits[d.count++] = *p;
    int exp = 0;
    for (const char* p = e + 2; p < end; ++p) exp = exp * 10 + (*p - '0');
    if (e[1] == '-') exp = -exp;
    if (tie) {
        // The 16 exact digits end with the 5: the 15 before it rounded up.
        int i = 14;
        for (; i >= 0 && d.digits[i] == '9'; --i) d.digits[i] = '0';
        if (i >= 0) {
            ++d.digits[i];
        } else {
            d.digits[0] = '1';
            ++exp;
        }
    }
    while (d.count > 1 && d.digits[d.count - 1] == '0') --d.count;
    d.point = exp + 1;
    if (d.count == 1 && d.digits[0] == '0') d.point = 1;
    return d;
}

// A decimal rounded to a number of places: `whole` digits (no leading zeros but a lone "0") and
// `fracCount` fraction digits (exactly as many as the places asked), one after the other.
struct Rounded {
    QVarLengthArray<char, 64> chars;  // one spare place in front for a carry
    qsizetype wholeFrom = 0, wholeCount = 0, fracCount = 0;
    const char* whole() const { return chars.data() + wholeFrom; }
    const char* frac() const { return whole() + wholeCount; }
    bool anyNonZero() const {
        for (qsizetype i = 0; i < wholeCount + fracCount; ++i)
            if (whole()[i] != '0') return true;
        return false;
    }
};

// Rounds the decimal to `decimals` places; halfEven selects the tie rule.
Rounded roundDecimal(const Decimal& d, int decimals, bool halfEven) {
    // The digits with the point at `point`, zeros in front when it lies before them and behind up
    // to one place past the kept ones.
    int point = d.point;
    const int lead = point <= 0 ? -point + 1 : 0;
    if (point <= 0) point = 1;
    const qsizetype length = std::max<qsizetype>(lead + d.count, qsizetype(point) + decimals + 1);
    Rounded r;
    r.chars.resize(1 + length);
    char* all = r.chars.data() + 1;
    std::fill(all, all + length, '0');
    std::copy(d.digits, d.digits + d.count, all + lead);
    const qsizetype keep = qsizetype(point) + decimals;
    const int first = all[keep] - '0';
    const bool beyond = std::any_of(all + keep + 1, all + length, [](char c) { return c != '0'; });
    bool up = false;
    if (first > 5 || (first == 5 && beyond)) up = true;
    else if (first == 5) up = !halfEven || (all[keep - 1] - '0') % 2 == 1;
    char* kept = all;
    if (up) {
        qsizetype i = keep - 1;
        for (; i >= 0 && kept[i] == '9'; --i) kept[i] = '0';
        if (i >= 0) {
            ++kept[i];
        } else {
            *--kept = '1';
            ++point;
        }
    }
    qsizetype from = 0;
    while (from < point - 1 && kept[from] == '0') ++from;
    r.wholeFrom = (kept - r.chars.data()) + from;
    r.wholeCount = point - from;
    r.fracCount = decimals;
    return r;
}

// Powers of ten a double holds exactly.
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A whole number below 10^15 and a power of ten up to 10^22 are exact doubles, so one division
// rounds correctly: the same double as a full decimal conversion of the text.
template <class Char>
std::optional<double> readPlain(const Char* p, qsizetype n) {
    qsizetype i = 0;
    bool negative = false;
    if (i < n && (p[i] == Char('+') || p[i] == Char('-'))) negative = p[i++] == Char('-');
    qint64 mantissa = 0;
    int significant = 0, decimals = 0;
    bool digits = false, point = false;
    for (; i < n; ++i) {
        const auto c = p[i];
        if (c >= Char('0') && c <= Char('9')) {
            digits = true;
            if (point) ++decimals;
            if (mantissa == 0 && c == Char('0')) continue;  // leading zeros are not significant
            if (++significant > 15) return std::nullopt;
            mantissa = mantissa * 10 + (c - Char('0'));
        } else if (c == Char('.') && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digits || decimals > 22) return std::nullopt;
    const double v = static_cast<double>(mantissa) / kPow10[decimals];
    return negative ? -v : v;
}

double roundTo(double value, int decimals, bool halfEven) {
    if (!std::isfinite(value)) return value;
    const Decimal d = toDecimal(value);
    const Rounded r = roundDecimal(d, decimals < 0 ? 0 : decimals, halfEven);
    QVarLengthArray<char, 64> text(r.wholeCount + 1 + r.fracCount);
    char* p = std::copy(r.whole(), r.whole() + r.wholeCount, text.data());
    if (r.fracCount > 0) {
        *p++ = '.';
        p = std::copy(r.frac(), r.frac() + r.fracCount, p);
    }
    double v = 0;
    if (std::from_chars(text.data(), p, v).ec == std::errc::result_out_of_range)
        v = std::numeric_limits<double>::infinity();  // rounded up past the largest double
    return d.negative ? -v : v;
}

}  // namespace

std::optional<double> plainNumber(std::string_view text) { return readPlain(text.data(), static_cast<qsizetype>(text.size())); }

std::optional<double> plainNumber(QStringView text) { return readPlain(text.utf16(), text.size()); }

double val(const QString& text) {
    if (const auto n = plainNumber(QStringView(text))) return *n;
    return detail::valGeneral(text);
}

std::optional<double> toNumber(const QString& text) {
    if (const auto n = plainNumber(QStringView(text))) return n;
    return detail::toNumberGeneral(text);
}

double detail::valGeneral(const QString& text) {
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            s.append(c);
    if (s.startsWith(QLatin1Char('&'))) {
        const QChar kind = s.size() > 1 ? s[1].toUpper() : QChar();
        int base = kind == QLatin1Char('H') ? 16 : kind == QLatin1Char('O') ? 8 : 0;
        if (base == 0) return 0;
        // Summed as a double: digits past 64 bits make a huge number (callers reject it by its
        // range), never a wrapped one.
        double v = 0;
        for (int i = 2; i < s.size(); ++i) {
            const int dv = s[i].isDigit() ? s[i].digitValue()
                           : (base == 16 && s[i].toUpper() >= QLatin1Char('A') && s[i].toUpper() <= QLatin1Char('F'))
                               ? s[i].toUpper().unicode() - 'A' + 10
                               : -1;
            if (dv < 0 || dv >= base) break;
            v = v * base + dv;
        }
        return v;
    }
    int i = 0;
    QString num;
    if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) num += s[i++];
    bool digits = false, point = false;
    while (i < s.size()) {
        const QChar c = s[i];
        if (c.isDigit() && c.unicode() < 128) {
            num += c;
            digits = true;
        } else if (c == QLatin1Char('.') && !point) {
            num += c;
            point = true;
        } else {
            break;
        }
        ++i;
    }
    if (!digits) return 0;
    if (i < s.size() && (s[i].toUpper() == QLatin1Char('E') || s[i].toUpper() == QLatin1Char('D'))) {
        QString exp = QStringLiteral("e");
        int j = i + 1;
        if (j < s.size() && (s[j] == QLatin1Char('+') || s[j] == QLatin1Char('-'))) exp += s[j++];
        bool expDigits = false;
        while (j < s.size() && s[j].isDigit() && s[j].unicode() < 128) {
            exp += s[j++];
            expDigits = true;
        }
        if (expDigits) num += exp;
    }
    return num.toDouble();
}

std::optional<double> detail::toNumberGeneral(const QString& text) {
    static const QRegularExpression re(QStringLiteral(
        "^[+-]?(\\d{1,3}(,\\d{3})+|\\d+)?(\\.\\d*)?([eE][+-]?\\d+)?$"));
    const QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    const auto m = re.match(t);
    if (!m.hasMatch()) return std::nullopt;
    QString plain = t;
    plain.remove(QLatin1Char(','));
    // Needs at least one digit in the mantissa.
    static const QRegularExpression exponent(QStringLiteral("[eE]"));
    static const QRegularExpression digit(QStringLiteral("\\d"));
    const QString mantissa = plain.section(exponent, 0, 0);
    if (!mantissa.contains(digit)) return std::nullopt;
    bool ok = false;
    const double v = plain.toDouble(&ok);
    if (!ok) return std::nullopt;
    return v;
}

std::optional<double> amountOrZero(const QString& text) {
    if (const auto n = plainNumber(QStringView(text))) return n;
    if (text.trimmed().isEmpty()) return 0.0;
    return toNumber(text);
}

double roundHalfEven(double value, int decimals) { return roundTo(value, decimals, true); }
double roundHalfAwayFromZero(double value, int decimals) { return roundTo(value, decimals, false); }

QString format(double value, const QString& mask) {
    // The mask: grouping and the least whole digits before its '.', the places and the least
    // shown after it.
    const qsizetype dot = mask.indexOf(QLatin1Char('.'));
    bool group = false;
    int minWhole = 0, decimals = 0, minFrac = 0;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const char16_t c = mask[i].unicode();
        if (dot < 0 || i < dot) {
            if (c == u',') group = true;
            else if (c == u'0') ++minWhole;
        } else if (i > dot) {
            if (c == u'0') minFrac = ++decimals;
            else if (c == u'#') ++decimals;
        }
    }
    const Decimal d = toDecimal(value);
    const Rounded r = roundDecimal(d, decimals, false);
    qsizetype fracCount = r.fracCount;
    while (fracCount > minFrac && r.frac()[fracCount - 1] == '0') --fracCount;
    qsizetype wholeCount = r.wholeCount;
    if (wholeCount == 1 && r.whole()[0] == '0' && minWhole == 0) wholeCount = 0;
    const qsizetype zeros = std::max<qsizetype>(0, minWhole - wholeCount);
    const qsizetype digits = zeros + wholeCount;

    QVarLengthArray<char, 64> out(2 + digits + digits / 3 + 1 + fracCount);
    char* p = out.data();
    if (d.negative && r.anyNonZero()) *p++ = '-';
    for (qsizetype i = 0; i < digits; ++i) {
        *p++ = i < zeros ? '0' : r.whole()[i - zeros];
        if (group && digits > 3 && (digits - 1 - i) % 3 == 0 && i < digits - 1) *p++ = ',';
    }
    if (dot >= 0 && (fracCount > 0 || minFrac > 0)) {
        *p++ = '.';
        p = std::copy(r.frac(), r.frac() + fracCount, p);
    }
    return QString::fromLatin1(out.data(), p - out.data());
}

QString numberText(double value) {
    if (value == 0) return QStringLiteral("0");
    const Decimal d = toDecimal(value);
    const Rounded r = roundDecimal(d, std::max(0, d.count - d.point), false);
    qsizetype fracCount = r.fracCount;
    while (fracCount > 0 && r.frac()[fracCount - 1] == '0') --fracCount;
    QVarLengthArray<char, 64> out(1 + r.wholeCount + 1 + fracCount);
    char* p = out.data();
    if (d.negative) *p++ = '-';
    p = std::copy(r.whole(), r.whole() + r.wholeCount, p);
    if (fracCount > 0) {
        *p++ = '.';
        p = std::copy(r.frac(), r.frac() + fracCount, p);
    }
    return QString::fromLatin1(out.data(), p - out.data());
}

QString formatDate(const QDateTime& when, const QString& mask) {
    const QDate date = when.date();
    const QTime time = when.time();
    QString out;
    int i = 0;
    bool lastWasHour = false;
    while (i < mask.size()) {
        const QChar c = mask[i];
        const QChar lc = c.toLower();
        int run = 1;
        while (i + run < mask.size() && mask[i + run].toLower() == lc && (lc == QLatin1Char('d') || lc == QLatin1Char('m') || lc == QLatin1Char('y') || lc == QLatin1Char('h') || lc == QLatin1Char('n') || lc == QLatin1Char('s')))
            ++run;
        auto two = [](int v) { return QString::asprintf("%02d", v); };
        if (lc == QLatin1Char('d')) {
            out += run >= 2 ? two(date.day()) : QString::number(date.day());
            lastWasHour = false;
        } else if (lc == QLatin1Char('m')) {
            if (lastWasHour && c == QLatin1Char('m'))
                out += run >= 2 ? two(time.minute()) : QString::number(time.minute());
            else
                out += run >= 2 ? two(date.month()) : QString::number(date.month());
            lastWasHour = false;
        } else if (lc == QLatin1Char('y')) {
            out += run >= 4 ? QString::asprintf("%04d", date.year()) : two(date.year() % 100);
            lastWasHour = false;
        } else if (lc == QLatin1Char('h')) {
            out += run >= 2 ? two(time.hour()) : QString::number(time.hour());
            lastWasHour = true;
        } else if (lc == QLatin1Char('n')) {
            out += run >= 2 ? two(time.minute()) : QString::number(time.minute());
        } else if (lc == QLatin1Char('s')) {
            out += run >= 2 ? two(time.second()) : QString::number(time.second());
        } else {
            out += c;
            run = 1;
        }
        i += run;
    }
    return out;
}

QString formatDate(const QDate& date, const QString& mask) {
    return formatDate(QDateTime(date, QTime(0, 0)), mask);
}

namespace {
// The number of the ASCII digits t[from, from + n); -1 when one is no digit.
int fixedDigits(QStringView t, qsizetype from, qsizetype n) {
    int v = 0;
    for (qsizetype i = from; i < from + n; ++i) {
        if (t[i] < QLatin1Char('0') || t[i] > QLatin1Char('9')) return -1;
        v = v * 10 + (t[i].unicode() - '0');
    }
    return v;
}
}  // namespace

std::optional<QDate> parseDate(const QString& text) {
    // The two forms of ten characters (the stored one and the one shown) read directly.
    if (const QStringView v = QStringView(text).trimmed(); v.size() == 10) {
        int y = -1, m = -1, d = -1;
        if (v[2] == QLatin1Char('/') && v[5] == QLatin1Char('/')) {
            d = fixedDigits(v, 0, 2), m = fixedDigits(v, 3, 2), y = fixedDigits(v, 6, 4);
        } else if (v[4] == QLatin1Char('-') && v[7] == QLatin1Char('-')) {
            y = fixedDigits(v, 0, 4), m = fixedDigits(v, 5, 2), d = fixedDigits(v, 8, 2);
        }
        if (y >= 0 && m >= 0 && d >= 0) {
            const QDate date(y, m, d);
            if (!date.isValid()) return std::nullopt;
            return date;
        }
    }
    const QString t = text.trimmed();
    static const QRegularExpression dmy(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{4})(?:[ T].*)?$"));
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})(?:[ T].*)?$"));
    QDate d;
    if (auto m = dmy.match(t); m.hasMatch())
        d = QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    else if (auto m2 = iso.match(t); m2.hasMatch())
        d = QDate(m2.captured(1).toInt(), m2.captured(2).toInt(), m2.captured(3).toInt());
    if (!d.isValid()) return std::nullopt;
    return d;
}

QString isoDate(const QDate& date) { return date.toString(QStringLiteral("yyyy-MM-dd")); }

}  // namespace klv::fmt
