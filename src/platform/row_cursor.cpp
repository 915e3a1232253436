#include "row_cursor.h"

#include <QDate>
#include <QDateTime>
#include <sqlite3.h>

namespace klv {
namespace {

// Binds as QtSql's SQLite driver does: null strings and byte arrays as NULL, dates as ISO text.
int bind(sqlite3_stmt* stmt, int i, const QVariant& v) {
    if (!v.isValid() || v.isNull()) return sqlite3_bind_null(stmt, i);
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULong:
    case QMetaType::ULongLong: return sqlite3_bind_int64(stmt, i, v.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float: return sqlite3_bind_double(stmt, i, v.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        if (b.isNull()) return sqlite3_bind_null(stmt, i);
        return sqlite3_bind_blob64(stmt, i, b.constData(), static_cast<sqlite3_uint64>(b.size()), SQLITE_TRANSIENT);
    }
    case QMetaType::QDate: return bind(stmt, i, QVariant(v.toDate().toString(Qt::ISODate)));
    case QMetaType::QDateTime: return bind(stmt, i, QVariant(v.toDateTime().toString(Qt::ISODateWithMs)));
    default: {
        const QString s = v.toString();
        if (s.isNull()) return sqlite3_bind_null(stmt, i);
        return sqlite3_bind_text16(stmt, i, s.utf16(), static_cast<int>(s.size() * 2), SQLITE_TRANSIENT);
    }
    }
}

}  // namespace

RowCursor::RowCursor(const Database& db, const QString& sql, const QVariantList& params) : db_(db) {
    sqlite3* handle = db.sqliteHandle();
    if (!handle) throw DbError(DbErr::Reserved, QStringLiteral("La base de datos no está abierta"));
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(handle, utf8.constData(), static_cast<int>(utf8.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK) throw Database::engineError(handle, rc);
    try {
        bindAll(params);
    } catch (const DbError&) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw;
    }
}

RowCursor::~RowCursor() {
    if (!stmt_) return;
    db_.checkThread();
    sqlite3_finalize(stmt_);
}

void RowCursor::bindAll(const QVariantList& params) {
    int rc = SQLITE_OK;
    for (int i = 0; i < params.size() && rc == SQLITE_OK; ++i) rc = bind(stmt_, i + 1, params[i]);
    if (rc != SQLITE_OK) throw Database::engineError(sqlite3_db_handle(stmt_), rc);
}

void RowCursor::rerun(const QVariantList& params) {
    db_.checkThread();
    if (!stmt_) return;
    sqlite3_reset(stmt_);
    done_ = false;
    bindAll(params);
}

void RowCursor::finish() {
    db_.checkThread();
    if (stmt_) sqlite3_reset(stmt_);
    done_ = true;
}

bool RowCursor::next() {
    db_.checkThread();
    if (!stmt_ || done_) return false;
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    // Reset at once: the statement holds no read of the database between runs.
    done_ = true;
    if (rc == SQLITE_DONE) {
        sqlite3_reset(stmt_);
        return false;
    }
    const DbError e = Database::engineError(sqlite3_db_handle(stmt_), rc);
    sqlite3_reset(stmt_);
    throw e;
}

int RowCursor::columnCount() const {
    db_.checkThread();
    return stmt_ ? sqlite3_column_count(stmt_) : 0;
}

int RowCursor::column(const QString& name) const {
    for (int i = 0; i < columnCount(); ++i)
        if (name.compare(QString::fromUtf8(sqlite3_column_name(stmt_, i)), Qt::CaseInsensitive) == 0) return i;
    return -1;
}

bool RowCursor::isNull(int col) const {
    db_.checkThread();
    return sqlite3_column_type(stmt_, col) == SQLITE_NULL;
}

std::string_view RowCursor::bytes(int col) const {
    db_.checkThread();
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, col));
    if (!p) return {};
    return std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(stmt_, col)));
}

namespace {
bool isAscii(std::string_view b) {
    for (char c : b)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}
}  // namespace

// Read as QtSql's driver reads it: the engine's own UTF-16 of the value (ASCII straight from its
// bytes, which is the same text).
QString RowCursor::text(int col) const {
    if (isNull(col)) return QString();
    const std::string_view b = bytes(col);
    if (isAscii(b)) return QString::fromLatin1(b.data(), static_cast<qsizetype>(b.size()));
    const void* p = sqlite3_column_text16(stmt_, col);
    if (!p) return QString(QLatin1String(""));
    return QString(static_cast<const QChar*>(p), sqlite3_column_bytes16(stmt_, col) / 2);
}

QString RepeatedTexts::text(const RowCursor& c, int col) {
    if (c.isNull(col)) return QString();
    const std::string_view b = c.bytes(col);
    if (!isAscii(b)) return c.text(col);
    const QLatin1StringView latin(b.data(), static_cast<qsizetype>(b.size()));
    for (const QString& r : recent_)
        if (r.size() == latin.size() && r == latin) return r;
    QString made = QString::fromLatin1(latin);
    if (recent_.size() < kKept)
        recent_.push_back(made);
    else
        recent_[next_++ % kKept] = made;
    return made;
}

qint64 RowCursor::integer(int col) const {
    db_.checkThread();
    return sqlite3_column_int64(stmt_, col);
}

QVariant RowCursor::value(int col) const {
    db_.checkThread();
    switch (sqlite3_column_type(stmt_, col)) {
    case SQLITE_INTEGER: return QVariant(static_cast<qlonglong>(sqlite3_column_int64(stmt_, col)));
    case SQLITE_FLOAT: return QVariant(sqlite3_column_double(stmt_, col));
    case SQLITE_BLOB: {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt_, col));
        return QVariant(QByteArray(p, sqlite3_column_bytes(stmt_, col)));
    }
    case SQLITE_NULL: return QVariant();
    default: return QVariant(text(col));
    }
}

bool lookupRow(std::unique_ptr<RowCursor>& slot, const Database& db, const QString& sql, const QVariantList& params,
               const std::function<void(const RowCursor&)>& read) {
    if (!slot)
        slot = std::make_unique<RowCursor>(db, sql, params);
    else
        slot->rerun(params);
    if (!slot->next()) return false;
    read(*slot);
    slot->finish();  // a lookup reads its first row only
    return true;
}

}  // namespace klv
