#include "format.h"

#include <QRegularExpression>
#include <cmath>

namespace klv::fmt {
namespace {

// Decimal digits of |value| with 15 significant digits: digits (no leading zeros except "0")
// and the position of the decimal point within them (may be <0 or > size).
struct Decimal {
    QString digits;  // e.g. "1005"
    int point = 0;   // digits before the decimal point, e.g. 1 for 1.005
    bool negative = false;
};

Decimal toDecimal(double value) {
    Decimal d;
    d.negative = std::signbit(value) && value != 0.0;
    if (!std::isfinite(value)) return d;
    // %.14e gives d.dddddddddddddde+XX: 15 significant digits.
    const QString s = QString::asprintf("%.14e", std::fabs(value));
    const int e = s.indexOf(QLatin1Char('e'));
    QString mant = s.left(e);
    mant.remove(QLatin1Char('.'));
    const int exp = s.mid(e + 1).toInt();
    // strip trailing zeros of the mantissa
    while (mant.size() > 1 && mant.endsWith(QLatin1Char('0'))) mant.chop(1);
    d.digits = mant;
    d.point = exp + 1;
    if (mant == QLatin1String("0")) d.point = 1;
    return d;
}

// Rounds the decimal to `decimals` places; halfEven selects the tie rule.
// Returns whole-part digits and fraction digits (exactly `decimals` long).
void roundDecimal(const Decimal& d, int decimals, bool halfEven, QString* whole, QString* frac) {
    // Build a plain digit string with the point at `point`.
    QString all = d.digits;
    int point = d.point;
    if (point <= 0) {
        all = QString(-point + 1, QLatin1Char('0')) + all;
        point = 1;
    }
    if (all.size() < point + decimals + 1) all += QString(point + decimals + 1 - all.size(), QLatin1Char('0'));
    QString kept = all.left(point + decimals);
    const QString rest = all.mid(point + decimals);
    bool up = false;
    const int first = rest.isEmpty() ? 0 : rest[0].digitValue();
    static const QRegularExpression nonZero(QStringLiteral("[1-9]"));
    const bool beyond = rest.mid(1).contains(nonZero);
    if (first > 5 || (first == 5 && beyond)) up = true;
    else if (first == 5 && !beyond) {
        if (!halfEven) up = true;
        else up = !kept.isEmpty() && (kept.back().digitValue() % 2 == 1);
    }
    if (up) {
        int i = kept.size() - 1;
        while (i >= 0) {
            if (kept[i] == QLatin1Char('9')) {
                kept[i] = QLatin1Char('0');
                --i;
            } else {
                kept[i] = QChar(kept[i].unicode() + 1);
                break;
            }
        }
        if (i < 0) {
            kept.prepend(QLatin1Char('1'));
            ++point;
        }
    }
    *whole = kept.left(point);
    *frac = kept.mid(point);
    while (whole->size() > 1 && whole->startsWith(QLatin1Char('0'))) whole->remove(0, 1);
    if (whole->isEmpty()) *whole = QStringLiteral("0");
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
    QString whole, frac;
    const Decimal d = toDecimal(value);
    roundDecimal(d, decimals < 0 ? 0 : decimals, halfEven, &whole, &frac);
    QString text = whole;
    if (!frac.isEmpty()) text += QLatin1Char('.') + frac;
    const double r = text.toDouble();
    return d.negative ? -r : r;
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
    const int dot = mask.indexOf(QLatin1Char('.'));
    const QString wholeMask = dot < 0 ? mask : mask.left(dot);
    const QString fracMask = dot < 0 ? QString() : mask.mid(dot + 1);
    const bool group = wholeMask.contains(QLatin1Char(','));
    const int minWhole = static_cast<int>(wholeMask.count(QLatin1Char('0')));
    int decimals = 0, minFrac = 0;
    for (QChar c : fracMask) {
        if (c == QLatin1Char('0')) {
            ++decimals;
            minFrac = decimals;
        } else if (c == QLatin1Char('#')) {
            ++decimals;
        }
    }
    QString whole, frac;
    const Decimal d = toDecimal(value);
    roundDecimal(d, decimals, false, &whole, &frac);
    while (frac.size() > minFrac && frac.endsWith(QLatin1Char('0'))) frac.chop(1);
    if (whole == QLatin1String("0") && minWhole == 0) whole.clear();
    if (whole.size() < minWhole) whole = QString(minWhole - whole.size(), QLatin1Char('0')) + whole;
    if (group && whole.size() > 3) {
        QString g;
        int n = 0;
        for (int i = whole.size() - 1; i >= 0; --i) {
            g.prepend(whole[i]);
            if (++n % 3 == 0 && i > 0) g.prepend(QLatin1Char(','));
        }
        whole = g;
    }
    QString out = whole;
    if (dot >= 0 && (!frac.isEmpty() || minFrac > 0)) out += QLatin1Char('.') + frac;
    static const QRegularExpression nonZero(QStringLiteral("[1-9]"));
    const bool zero = !QString(whole + frac).contains(nonZero);
    if (d.negative && !zero) out.prepend(QLatin1Char('-'));
    return out;
}

QString numberText(double value) {
    if (value == 0) return QStringLiteral("0");
    const Decimal d = toDecimal(value);
    QString whole, frac;
    const int decimals = std::max(0, static_cast<int>(d.digits.size()) - d.point);
    roundDecimal(d, decimals, false, &whole, &frac);
    while (frac.endsWith(QLatin1Char('0'))) frac.chop(1);
    QString out = whole;
    if (!frac.isEmpty()) out += QLatin1Char('.') + frac;
    if (d.negative) out.prepend(QLatin1Char('-'));
    return out;
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
