#include "prepared_statement.h"

#include <sqlite3.h>

namespace klv {

PreparedStatement::PreparedStatement(const Database& db, const QString& sql) : db_(&db), handle_(db.sqliteHandle()) {
    if (!handle_) throw DbError(DbErr::Reserved, QStringLiteral("La base de datos no está abierta"));
    const int rc = sqlite3_prepare16_v2(handle_, sql.constData(), static_cast<int>(sql.size() * 2), &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        const DbError e = Database::engineError(handle_, sqlite3_extended_errcode(handle_));
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw e;
    }
    bytes_.resize(static_cast<size_t>(sqlite3_bind_parameter_count(stmt_)));
}

PreparedStatement::~PreparedStatement() {
    if (!stmt_) return;
    db_->checkThread();
    sqlite3_finalize(stmt_);
}

PreparedStatement::PreparedStatement(PreparedStatement&& other) noexcept
    : db_(other.db_), handle_(other.handle_), stmt_(other.stmt_), bytes_(std::move(other.bytes_)) {
    other.stmt_ = nullptr;
}

PreparedStatement& PreparedStatement::operator=(PreparedStatement&& other) noexcept {
    if (this != &other) {
        if (stmt_) {
            db_->checkThread();
            sqlite3_finalize(stmt_);
        }
        db_ = other.db_;
        handle_ = other.handle_;
        stmt_ = other.stmt_;
        bytes_ = std::move(other.bytes_);
        other.stmt_ = nullptr;
    }
    return *this;
}

void PreparedStatement::bindText(int i, const QString& text) {
    // A text of ASCII characters goes in as its bytes, kept here until rebound, so the engine
    // neither converts nor copies it; any other text as UTF-16, which the engine converts. The
    // bytes end with a zero, and are bound as ending there when they hold no other: the engine then
    // hands them to a function or a CHECK without first copying them to add one.
    db_->checkThread();
    QByteArray& bytes = bytes_.at(static_cast<size_t>(i));
    const qsizetype n = text.size();
    const QChar* chars = text.constData();
    bool ascii = true, zero = false;
    for (qsizetype k = 0; k < n && ascii; ++k) {
        ascii = chars[k].unicode() < 0x80;
        zero = zero || chars[k].unicode() == 0;
    }
    int rc;
    if (ascii) {
        bytes.resize(n);
        char* to = bytes.data();
        for (qsizetype k = 0; k < n; ++k) to[k] = static_cast<char>(chars[k].unicode());
        rc = sqlite3_bind_text(stmt_, i + 1, n ? to : "", zero ? static_cast<int>(n) : -1, SQLITE_STATIC);
    } else {
        rc = sqlite3_bind_text16(stmt_, i + 1, chars, static_cast<int>(n * 2), SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK) throw Database::engineError(handle_, rc);
}

void PreparedStatement::bindInt(int i, qint64 value) {
    db_->checkThread();
    const int rc = sqlite3_bind_int64(stmt_, i + 1, value);
    if (rc != SQLITE_OK) throw Database::engineError(handle_, rc);
}

void PreparedStatement::bindNull(int i) {
    db_->checkThread();
    const int rc = sqlite3_bind_null(stmt_, i + 1);
    if (rc != SQLITE_OK) throw Database::engineError(handle_, rc);
}

void PreparedStatement::bindValue(int i, const QVariant& value) {
    db_->checkThread();
    if (!value.isValid() || value.isNull()) {
        bindNull(i);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar: bindInt(i, value.toLongLong()); return;
    case QMetaType::QString: bindText(i, *static_cast<const QString*>(value.constData())); return;
    default: bindText(i, value.toString()); return;
    }
}

int PreparedStatement::run() {
    db_->checkThread();
    int rc;
    while ((rc = sqlite3_step(stmt_)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        const int code = sqlite3_extended_errcode(handle_);
        const DbError e = Database::engineError(handle_, code);
        sqlite3_reset(stmt_);
        throw e;
    }
    sqlite3_reset(stmt_);
    return sqlite3_changes(handle_);
}

}  // namespace klv
