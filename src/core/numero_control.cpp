#include "numero_control.h"

#include "cp1252.h"
#include "database.h"
#include "format.h"

#include <QDate>
#include <QDateTime>
#include <cmath>
#include <stdexcept>

namespace klv {

namespace {

constexpr int kItemNotFound = 3265;

// Blanks only, as the stored texts are padded with blanks (a no-break space is a character).
QString trimBlanks(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == QLatin1Char(' ')) ++b;
    while (e > b && s[e - 1] == QLatin1Char(' ')) --e;
    return s.mid(b, e - b);
}

bool isNull(const QVariant& v) { return !v.isValid() || v.isNull(); }

bool isNumberVariant(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::SChar:
        return true;
    default:
        return false;
    }
}

QString numericText(const QVariant& v) {
    if (isNumberVariant(v)) return fmt::numberText(v.toDouble());
    const QString t = trimBlanks(v.toString());
    if (const auto n = fmt::toNumber(t)) return fmt::numberText(*n);
    return t;
}

QString dateText(const QVariant& v) {
    QDate d;
    if (v.typeId() == QMetaType::QDate)
        d = v.toDate();
    else if (v.typeId() == QMetaType::QDateTime)
        d = v.toDateTime().date();
    else if (const auto p = fmt::parseDate(v.toString()))
        d = *p;
    if (!d.isValid()) return trimBlanks(v.toString());
    return fmt::formatDate(d, QStringLiteral("yyyymmdd"));
}

QString threeDigits(int last) {
    const char digits[3] = {static_cast<char>('0' + last / 100), static_cast<char>('0' + last / 10 % 10),
                            static_cast<char>('0' + last % 10)};
    return QString::fromLatin1(digits, 3);
}

// The last three digits of the sum rounded to a whole number (half away from zero).
QString checkDigits(double sum) {
    // Whole sums below 10^15 (nearly every row) skip the decimal formatting.
    if (sum >= 0 && sum < 1e15 && sum == static_cast<double>(static_cast<qint64>(sum)))
        return threeDigits(static_cast<int>(static_cast<qint64>(sum) % 1000));
    // From sixteen digits on (a long numeric document number among the keys) the decimal form
    // keeps only fifteen significant digits: the last three come from the value itself.
    if (std::isfinite(sum) && std::fabs(sum) >= 1e15)
        return threeDigits(static_cast<int>(std::fmod(std::round(std::fabs(sum)), 1000.0)));
    return fmt::format(sum, QStringLiteral("00000000000000000000")).right(3);
}

// The value a key field adds to the numeric part: its text read as a number when the text as a
// whole is one, else 0. Whole numbers and plain digit texts take a short way with the same result.
double numericPart(const ControlField& f) {
    if (isNull(f.value)) return 0;
    const int type = f.value.typeId();
    if (type == QMetaType::Int || type == QMetaType::LongLong || type == QMetaType::UInt || type == QMetaType::UChar ||
        type == QMetaType::Short || type == QMetaType::UShort)
        return static_cast<double>(f.value.toLongLong());
    if (type == QMetaType::QString && f.type != schema::JetType::Date) {
        const QString t = trimBlanks(f.value.toString());
        if (!t.isEmpty() && t.size() <= 15) {
            bool digits = true;
            for (QChar c : t)
                if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                    digits = false;
                    break;
                }
            if (digits) return static_cast<double>(t.toLongLong());
        }
    }
    const QString t = controlText(f);
    return fmt::isNumeric(t) ? fmt::val(t) : 0;
}

const schema::Table& controlledTable(const QString& name) {
    const schema::Table* t = schema::findTable(name);
    if (!t) t = schema::findHostTable(name);
    if (!t || t->columns.empty() || t->columns.back().name.compare(QLatin1String("cnumero"), Qt::CaseInsensitive) != 0)
        throw std::invalid_argument("table without control number: " + name.toStdString());
    return *t;
}

template <class Lookup>
std::vector<ControlField> fieldsOf(const QString& table, Lookup lookup) {
    const schema::Table& t = controlledTable(table);
    std::vector<ControlField> out;
    out.reserve(t.columns.size() - 1);
    for (size_t i = 0; i + 1 < t.columns.size(); ++i) out.push_back({lookup(t.columns[i].name), t.columns[i].type});
    return out;
}

}  // namespace

QString controlText(const ControlField& f) {
    if (isNull(f.value)) return QString();
    switch (f.type) {
    case schema::JetType::Byte:
    case schema::JetType::Long:
    case schema::JetType::Double: return numericText(f.value);
    case schema::JetType::Date: return dateText(f.value);
    case schema::JetType::Text:
    case schema::JetType::Memo: break;
    }
    return trimBlanks(f.value.toString());
}

QString udf_NumeroControl(const std::vector<ControlField>& fields, int nKeys) {
    const int count = static_cast<int>(fields.size());
    if (nKeys > count)
        throw DbError(kItemNotFound, QStringLiteral("No se encontró el elemento en esta colección (campo %1)").arg(nKeys - 1));
    const int keys = std::max(nKeys, 0);

    double sum1 = 0;
    for (int i = 0; i < keys; ++i) sum1 += numericPart(fields[i]);
    // 64-bit products and sum: a long text or a high character code cannot overflow.
    qint64 sum2 = 0;
    for (int i = keys; i < count; ++i) {
        const QString t = controlText(fields[i]);
        for (qsizetype k = 0; k < t.size(); ++k) sum2 += static_cast<qint64>(cp1252::charCode(t[k])) * (k + 1);
    }
    return checkDigits(sum1) + checkDigits(static_cast<double>(sum2));
}

std::vector<ControlField> controlFields(const QString& table, const QSqlRecord& row) {
    return fieldsOf(table, [&row](const QString& name) {
        const int i = row.indexOf(name);
        return i < 0 ? QVariant() : row.value(i);
    });
}

std::vector<ControlField> controlFields(const QString& table, const QVariantMap& row) {
    return fieldsOf(table, [&row](const QString& name) {
        const auto exact = row.constFind(name);
        if (exact != row.constEnd()) return exact.value();
        for (auto it = row.constBegin(); it != row.constEnd(); ++it)
            if (it.key().compare(name, Qt::CaseInsensitive) == 0) return it.value();
        return QVariant();
    });
}

QString numeroControl(const QString& table, const QSqlRecord& row, int nKeys) {
    return udf_NumeroControl(controlFields(table, row), nKeys);
}

QString numeroControl(const QString& table, const QVariantMap& row, int nKeys) {
    return udf_NumeroControl(controlFields(table, row), nKeys);
}

QString numeroControlFila(const Database& db, const QString& table, const QVariantList& keyValues, int nKeys) {
    const schema::Table& t = controlledTable(table);
    if (keyValues.size() != t.key.size())
        throw std::invalid_argument("wrong number of key values for " + table.toStdString());
    QStringList where;
    for (const QString& k : t.key) where << QLatin1Char('"') + k + QStringLiteral("\" = ?");
    const auto rows = db.rows(QStringLiteral("SELECT * FROM %1 WHERE %2").arg(t.name, where.join(QStringLiteral(" AND "))),
                              keyValues);
    if (rows.empty()) return QString();
    return numeroControl(t.name, rows.front(), nKeys);
}

}  // namespace klv
