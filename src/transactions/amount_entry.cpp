#include "amount_entry.h"

#include "format.h"
#include "utilitarios.h"

namespace klv {
namespace {

// Adds one unit to a string of digits ("199" -> "200", "99" -> "100").
QString incremented(QString digits) {
    int i = digits.size() - 1;
    while (i >= 0 && digits[i] == QLatin1Char('9')) digits[i--] = QLatin1Char('0');
    if (i < 0) return QLatin1Char('1') + digits;
    digits[i] = QChar(digits[i].unicode() + 1);
    return digits;
}

QString groupThousands(const QString& digits) {
    QString out;
    const int n = digits.size();
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += QLatin1Char(',');
        out += digits[i];
    }
    return out;
}

// The rounded number split in its whole digits and exactly `decimals` fraction digits.
void roundParts(const BoxNumber& n, int decimals, QString* whole, QString* frac) {
    QString f = n.frac;
    if (f.size() <= decimals) {
        *whole = n.whole;
        *frac = f + QString(decimals - f.size(), QLatin1Char('0'));
        return;
    }
    const bool up = f[decimals] >= QLatin1Char('5');  // halves away from zero
    QString kept = n.whole + f.left(decimals);
    if (up) kept = incremented(kept);
    *whole = kept.left(kept.size() - decimals);
    *frac = kept.right(decimals);
    if (whole->isEmpty()) *whole = QStringLiteral("0");
}

}  // namespace

double BoxNumber::value() const {
    return (frac.isEmpty() ? whole : whole + QLatin1Char('.') + frac).toDouble();
}

bool BoxNumber::isZero() const {
    if (whole != QLatin1String("0")) return false;
    for (QChar c : frac)
        if (c != QLatin1Char('0')) return false;
    return true;
}

QString BoxNumber::rounded(int decimals) const {
    QString w, f;
    roundParts(*this, decimals, &w, &f);
    return decimals > 0 ? w + QLatin1Char('.') + f : w;
}

QString BoxNumber::grouped(int decimals) const {
    QString w, f;
    roundParts(*this, decimals, &w, &f);
    return decimals > 0 ? groupThousands(w) + QLatin1Char('.') + f : groupThousands(w);
}

std::optional<BoxNumber> readBoxNumber(const QString& text) {
    const QString t = text.trimmed();
    BoxNumber n;
    int i = 0;
    bool digits = false;
    for (; i < t.size() && t[i] != QLatin1Char('.'); ++i) {
        if (isAsciiDigit(t[i].unicode())) {
            n.whole += t[i];
            digits = true;
        } else if (t[i] != QLatin1Char(',') || !digits) {
            return std::nullopt;  // a comma only groups digits already typed
        }
    }
    if (i < t.size()) {
        for (++i; i < t.size(); ++i) {
            if (!isAsciiDigit(t[i].unicode())) return std::nullopt;
            n.frac += t[i];
            digits = true;
        }
    }
    if (!digits) return std::nullopt;
    while (n.whole.size() > 1 && n.whole.startsWith(QLatin1Char('0'))) n.whole.remove(0, 1);
    if (n.whole.isEmpty()) n.whole = QStringLiteral("0");
    return n;
}

std::optional<QString> storedWhole(const QString& text) {
    if (text.isEmpty()) return QString(QLatin1String(""));
    const auto n = readBoxNumber(text);
    if (!n) return std::nullopt;
    return n->rounded(0);
}

std::optional<QString> storedTwoDecimals(const QString& text) {
    if (text.isEmpty()) return QString(QLatin1String(""));
    const auto n = readBoxNumber(text);
    if (!n) return std::nullopt;
    return n->rounded(2);
}

int editingLength(EntryKind kind) {
    switch (kind) {
    case EntryKind::Integer: return 14;
    case EntryKind::Decimal: return 16;
    case EntryKind::Rate: return 6;
    }
    return 0;
}

int displayLength(EntryKind kind) {
    switch (kind) {
    case EntryKind::Integer: return 18;
    case EntryKind::Decimal: return 20;
    case EntryKind::Rate: return 6;
    }
    return 0;
}

QString editingText(EntryKind kind, const QString& text) {
    const auto n = readBoxNumber(text);
    if (text.isEmpty() || !n) return text;
    return n->rounded(kind == EntryKind::Integer ? 0 : 2);
}

QString displayText(EntryKind kind, const QString& text) {
    const auto n = readBoxNumber(text);
    if (text.isEmpty() || !n) return text;
    switch (kind) {
    case EntryKind::Integer: return n->grouped(0);
    case EntryKind::Decimal: return n->grouped(2);
    case EntryKind::Rate: return n->rounded(2);
    }
    return text;
}

RateKey rateKey(const Utilitarios& util, int code, const QString& boxText) {
    RateKey r;
    if (code == '.' && boxText.contains(QLatin1Char('.'))) return r;
    if (code == '\r' && fmt::val(boxText.trimmed()) != 0) r.sendTab = true;
    r.code = util.EsDigito(code, true, false, false) ? code : 0;
    return r;
}

QString otherAdjustmentText(const QString& otherText) {
    if (otherText.trimmed().isEmpty()) return QStringLiteral("0.00");
    const auto n = readBoxNumber(otherText);
    if (n && !n->isZero()) return QStringLiteral("0.00");
    return otherText;
}

bool copiesToRegistration(const QString& currencyCode, const QString& registrationCode, bool otherMethodsAmount,
                          const QString& periodo) {
    if (currencyCode != registrationCode) return false;
    return !otherMethodsAmount || QString::compare(periodo, QStringLiteral("2008")) < 0;
}

}  // namespace klv
