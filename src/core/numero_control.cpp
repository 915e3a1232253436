#include "numero_control.h"

#include "cp1252.h"
#include "database.h"
#include "format.h"

#include <QDate>
#include <QDateTime>
#include <cmath>
#include <cstdio>
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// The last three digits of the sum rounded to a whole number (half away from zero), into out[0..2].
void checkDigits(double sum, char* out) {
    int last;
    // Whole sums below 10^15 (nearly every row) skip the decimal formatting.
    if (sum >= 0 && sum < 1e15 && sum == static_cast<double>(static_cast<qint64>(sum))) {
        last = static_cast<int>(static_cast<qint64>(sum) % 1000);
    } else if (std::isfinite(sum) && std::fabs(sum) >= 1e15) {
        // From sixteen digits on (a long numeric document number among the keys) the decimal form
        // keeps only fifteen significant digits: the last three come from the value itself.
        last = static_cast<int>(std::fmod(std::round(std::fabs(sum)), 1000.0));
    } else {
        const QString t = fmt::format(sum, QStringLiteral("00000000000000000000")).right(3);
        for (int i = 0; i < 3; ++i) out[i] = static_cast<char>(t[i].unicode());
        return;
    }
    out[0] = static_cast<char>('0' + last / 100);
    out[1] = static_cast<char>('0' + last / 10 % 10);
    out[2] = static_cast<char>('0' + last % 10);
}

// The general value a key field adds to the numeric part: its text read as a number when the
// text as a whole is one, else 0.
double numericPartOf(const ControlField& f) {
    const QString t = controlText(f);
    return fmt::isNumeric(t) ? fmt::val(t) : 0;
}

qint64 weightedCodes(QStringView t) {
    // 64-bit products and sum: a long text or a high character code cannot overflow.
    qint64 sum = 0;
    for (qsizetype k = 0; k < t.size(); ++k) {
        const char16_t c = t[k].unicode();
        sum += static_cast<qint64>(c < 0x80 ? c : cp1252::charCode(t[k])) * (k + 1);
    }
    return sum;
}

// ASCII text: each byte is its own Windows-1252 code.
qint64 weightedCodes(std::string_view t) {
    qint64 sum = 0;
    for (size_t k = 0; k < t.size(); ++k) sum += static_cast<qint64>(static_cast<unsigned char>(t[k])) * static_cast<qint64>(k + 1);
    return sum;
}

template <class View>
View trimBlankView(View t) {
    qsizetype b = 0, e = static_cast<qsizetype>(t.size());
    while (b < e && t[b] == ' ') ++b;
    while (e > b && t[e - 1] == ' ') --e;
    return t.substr(b, e - b);
}

QStringView trimBlankView(QStringView t) {
    qsizetype b = 0, e = t.size();
    while (b < e && t[b] == QLatin1Char(' ')) ++b;
    while (e > b && t[e - 1] == QLatin1Char(' ')) --e;
    return t.mid(b, e - b);
}

int unit(QChar c) { return c.unicode(); }
int unit(char c) { return static_cast<unsigned char>(c); }

template <class View>
bool allDigits(View t) {
    for (qsizetype i = 0; i < static_cast<qsizetype>(t.size()); ++i)
        if (unit(t[i]) < '0' || unit(t[i]) > '9') return false;
    return true;
}

template <class View>
qint64 digitValue(View t) {
    qint64 v = 0;
    for (qsizetype i = 0; i < static_cast<qsizetype>(t.size()); ++i) v = v * 10 + (unit(t[i]) - '0');
    return v;
}

// The eight digits yyyymmdd of a date written yyyy-mm-dd (the stored form), as controlText gives
// them: a valid date of the years 1000 to 9999; false for any other text.
template <class View>
bool isoDateDigits(View t, char* out) {
    if (t.size() != 10 || unit(t[4]) != '-' || unit(t[7]) != '-') return false;
    int k = 0;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        const int c = unit(t[i]);
        if (c < '0' || c > '9') return false;
        out[k++] = static_cast<char>(c);
    }
    const auto number = [out](int from, size_t n) { return static_cast<int>(digitValue(std::string_view(out + from, n))); };
    return out[0] != '0' && QDate::isValid(number(0, 4), number(4, 2), number(6, 2));
}

bool isNumericColumn(schema::JetType t) {
    return t == schema::JetType::Byte || t == schema::JetType::Long || t == schema::JetType::Double;
}

// One field as the computation reads it, without copying its text: a whole number, a text (the
// variant's UTF-16 or the engine's ASCII bytes), or any other value kept as a variant. Plain
// values take the short ways below; everything else goes through controlText, so the C++ and the
// SQL forms of the number share one computation and give the same result.
struct FieldView {
    enum Kind { Null, Integer, Utf16, Ascii, Other };
    Kind kind = Null;
    schema::JetType type = schema::JetType::Text;
    qint64 integer = 0;
    QStringView utf16;
    std::string_view ascii;
    QVariant other;

    ControlField general() const {
        switch (kind) {
        case Null: return {QVariant(), type};
        case Integer: return {QVariant(static_cast<qlonglong>(integer)), type};
        case Utf16: return {QVariant(utf16.toString()), type};
        case Ascii: return {QVariant(QString::fromLatin1(ascii.data(), static_cast<qsizetype>(ascii.size()))), type};
        case Other: break;
        }
        return {other, type};
    }

    // What the field adds to the numeric part.
    double numericPart() const {
        switch (kind) {
        case Null: return 0;
        case Integer: return static_cast<double>(integer);
        case Utf16:
        case Ascii:
            if (type != schema::JetType::Date) {
                // Plain digit keys (document numbers, periods, form codes) read directly.
                if (kind == Utf16) {
                    const QStringView t = trimBlankView(utf16);
                    if (!t.isEmpty() && t.size() <= 15 && allDigits(t)) return static_cast<double>(digitValue(t));
                } else {
                    const std::string_view t = trimBlankView(ascii);
                    if (!t.empty() && t.size() <= 15 && allDigits(t)) return static_cast<double>(digitValue(t));
                }
            }
            break;
        case Other: break;
        }
        return numericPartOf(general());
    }

    // The position-weighted sum of the character codes of the field's text.
    qint64 characterSum() const {
        switch (kind) {
        case Null: return 0;
        case Integer:
            // A whole number's text is its digits (numeric columns keep 15 significant digits).
            if (!isNumericColumn(type) || (integer > -1000000000000000LL && integer < 1000000000000000LL)) {
                char digits[24];
                const int n = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(integer));
                return weightedCodes(std::string_view(digits, static_cast<size_t>(n)));
            }
            break;
        case Utf16:
        case Ascii: {
            if (type == schema::JetType::Date) {
                char date[8];
                const bool iso = kind == Utf16 ? isoDateDigits(trimBlankView(utf16), date)
                                               : isoDateDigits(trimBlankView(ascii), date);
                if (iso) return weightedCodes(std::string_view(date, 8));
                break;
            }
            const bool numeric = isNumericColumn(type);
            if (kind == Utf16) {
                const QStringView t = trimBlankView(utf16);
                if (!numeric) return weightedCodes(t);
                // A plain whole number without leading zeros is its own text.
                if (t.size() <= 15 && (t.size() == 1 || (!t.isEmpty() && t[0] != QLatin1Char('0'))) && allDigits(t))
                    return weightedCodes(t);
            } else {
                const std::string_view t = trimBlankView(ascii);
                if (!numeric) return weightedCodes(t);
                if (t.size() <= 15 && (t.size() == 1 || (!t.empty() && t[0] != '0')) && allDigits(t))
                    return weightedCodes(t);
            }
            break;
        }
        case Other: break;
        }
        return weightedCodes(QStringView(controlText(general())));
    }
};

FieldView viewOf(const ControlField& f) {
    FieldView v;
    v.type = f.type;
    if (isNull(f.value)) return v;
    switch (f.value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
        v.kind = FieldView::Integer;
        v.integer = f.value.toLongLong();
        return v;
    case QMetaType::QString:
        v.kind = FieldView::Utf16;
        v.utf16 = *static_cast<const QString*>(f.value.constData());
        return v;
    default:
        v.kind = FieldView::Other;
        v.other = f.value;
        return v;
    }
}

// The six digits of the row: fields 0 to nKeys - 1 (nKeys already checked) are the numeric part.
void computeDigits(const FieldView* fields, int count, int nKeys, char* out) {
    const int keys = std::max(nKeys, 0);
    double sum1 = 0;
    for (int i = 0; i < keys; ++i) sum1 += fields[i].numericPart();
    qint64 sum2 = 0;
    for (int i = keys; i < count; ++i) sum2 += fields[i].characterSum();
    checkDigits(sum1, out);
    checkDigits(static_cast<double>(sum2), out + 3);
}

QString tooFewFields(int nKeys) {
    return QStringLiteral("No se encontró el elemento en esta colección (campo %1)").arg(nKeys - 1);
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

// The progress of the rows numbered or counted by the SQL functions on this thread (see
// RowProgress).
thread_local RowProgress* t_progress = nullptr;

// KLV_NUMERO_CONTROL(table, nKeys, field0, ..., fieldN): the fields in the description's order,
// cnumero left out. The table's description is looked up once per statement.
void sqlNumeroControl(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    auto* table = static_cast<const schema::Table*>(sqlite3_get_auxdata(ctx, 0));
    if (!table) {
        // Kept for the statement's run only: a statement run for every row of an import finds its
        // table among the ones named before.
        const auto* name = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
        const std::string_view given(name ? name : "");
        thread_local std::vector<std::pair<std::string, const schema::Table*>> named;
        for (const auto& [n, t] : named)
            if (n == given) table = t;
        if (!table) {
            try {
                table = &controlledTable(QString::fromUtf8(given.data(), static_cast<qsizetype>(given.size())));
            } catch (const std::exception& e) {
                sqlite3_result_error(ctx, e.what(), -1);
                return;
            }
            named.emplace_back(given, table);
        }
        sqlite3_set_auxdata(ctx, 0, const_cast<schema::Table*>(table), nullptr);
    }
    const int count = argc - 2;
    if (count != static_cast<int>(table->columns.size()) - 1) {
        sqlite3_result_error(ctx, "KLV_NUMERO_CONTROL: the fields do not match the table", -1);
        return;
    }
    const int nKeys = sqlite3_value_int(argv[1]);
    if (nKeys > count) {
        sqlite3_result_error(ctx, tooFewFields(nKeys).toUtf8().constData(), -1);
        return;
    }
    // Kept from row to row: no allocation per row.
    thread_local std::vector<FieldView> views;
    if (views.size() < static_cast<size_t>(count)) views.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        sqlite3_value* v = argv[i + 2];
        FieldView& f = views[static_cast<size_t>(i)];
        f.type = table->columns[static_cast<size_t>(i)].type;
        switch (sqlite3_value_type(v)) {
        case SQLITE_NULL: f.kind = FieldView::Null; break;
        case SQLITE_INTEGER:
            f.kind = FieldView::Integer;
            f.integer = sqlite3_value_int64(v);
            break;
        case SQLITE_FLOAT:
            f.kind = FieldView::Other;
            f.other = QVariant(sqlite3_value_double(v));
            break;
        case SQLITE_BLOB:
            f.kind = FieldView::Other;
            f.other = QVariant(QByteArray(static_cast<const char*>(sqlite3_value_blob(v)), sqlite3_value_bytes(v)));
            break;
        default: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
            const std::string_view bytes(p ? p : "", p ? static_cast<size_t>(sqlite3_value_bytes(v)) : 0);
            bool ascii = true;
            for (char c : bytes) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
            if (ascii) {
                f.kind = FieldView::Ascii;
                f.ascii = bytes;
            } else {
                // Other characters are read as the database driver reads them: the engine's UTF-16.
                f.kind = FieldView::Utf16;
                const void* w = sqlite3_value_text16(v);
                f.utf16 = QStringView(static_cast<const QChar*>(w), sqlite3_value_bytes16(v) / 2);
            }
        }
        }
    }
    char digits[6];
    try {
        computeDigits(views.data(), count, nKeys, digits);
    } catch (const std::exception& e) {
        sqlite3_result_error(ctx, e.what(), -1);
        return;
    }
    sqlite3_result_text(ctx, digits, 6, SQLITE_TRANSIENT);
    if (RowProgress* p = t_progress) p->rowDone();
}

// KLV_CUENTA_FILA(value): the value as it is, one row counted.
void sqlCuentaFila(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3_result_value(ctx, argv[0]);
    if (RowProgress* p = t_progress) p->rowDone();
}

void installSqlFunctions(sqlite3* handle) {
    sqlite3_create_function(handle, "KLV_NUMERO_CONTROL", -1, SQLITE_UTF8, nullptr, sqlNumeroControl, nullptr, nullptr);
    sqlite3_create_function(handle, "KLV_CUENTA_FILA", 1, SQLITE_UTF8, nullptr, sqlCuentaFila, nullptr, nullptr);
}

// Every connection the database door opens knows the SQL form of the number.
const bool kSqlFunctionsInstalled = Database::addConnectionSetup(&installSqlFunctions);

}  // namespace

RowProgress::RowProgress(std::function<void(qint64)> report, qint64 step)
    : report_(std::move(report)), step_(std::max<qint64>(step, 1)), previous_(t_progress) {
    t_progress = this;
}

RowProgress::~RowProgress() { t_progress = previous_; }

void RowProgress::rowDone() {
    if (++rows_ % step_ == 0 && report_) report_(rows_);
}

namespace {
// The call with the field of each column (in the description's order, cnumero left out) written
// by `field`.
template <class Field>
QString numeroControlCall(const QString& table, int nKeys, Field field) {
    const schema::Table& t = controlledTable(table);
    QString sql = QStringLiteral("KLV_NUMERO_CONTROL('%1', %2").arg(t.name).arg(nKeys);
    for (size_t i = 0; i + 1 < t.columns.size(); ++i) sql += QStringLiteral(", ") + field(i, t.columns[i].name);
    return sql + QLatin1Char(')');
}
}  // namespace

QString numeroControlSql(const QString& table, int nKeys, const QString& alias) {
    const QString prefix = alias.isEmpty() ? QString() : alias + QLatin1Char('.');
    return numeroControlCall(table, nKeys, [&prefix](size_t, const QString& column) { return prefix + column; });
}

QString numeroControlSqlParametros(const QString& table, int nKeys) {
    return numeroControlCall(table, nKeys, [](size_t i, const QString&) { return QStringLiteral("?%1").arg(i + 1); });
}

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
    if (nKeys > count) throw DbError(kItemNotFound, tooFewFields(nKeys));
    std::vector<FieldView> views;
    views.reserve(fields.size());
    for (const ControlField& f : fields) views.push_back(viewOf(f));
    char digits[6];
    computeDigits(views.data(), count, nKeys, digits);
    return QString::fromLatin1(digits, 6);
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
