#include "database.h"

#include "format.h"
#include "prepared_statement.h"
#include "text_order.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sqlite3.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace klv {
namespace {

std::atomic<qint64> g_connectionSeq{0};

// The engine's text of a VB_CDBL failure; translate() knows it by this text.
constexpr char kTypeMismatchError[] = "type mismatch: not a number";

std::vector<Database::ConnectionSetup>& connectionSetups() {
    static std::vector<Database::ConnectionSetup> setups;
    return setups;
}

std::string_view bytesOf(sqlite3_value* v) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return p ? std::string_view(p, static_cast<size_t>(sqlite3_value_bytes(v))) : std::string_view();
}

QString textOf(sqlite3_value* v) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return p ? QString::fromUtf8(p) : QString();
}

// VB_VAL(x): the lenient numeric value of a text (NULL and text without a number give 0).
void sqlVal(sqlite3_context* ctx, int, sqlite3_value** argv) {
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL: sqlite3_result_double(ctx, 0); return;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: sqlite3_result_double(ctx, sqlite3_value_double(argv[0])); return;
    default:
        if (const auto n = fmt::plainNumber(bytesOf(argv[0]))) {
            sqlite3_result_double(ctx, *n);
            return;
        }
        sqlite3_result_double(ctx, fmt::val(textOf(argv[0])));
        return;
    }
}

// VB_CDBL(x): a strict number; NULL and the empty text read as 0, other non-numbers fail with
// kTypeMismatchError (DbErr::TypeMismatch).
void sqlCdbl(sqlite3_context* ctx, int, sqlite3_value** argv) {
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL: sqlite3_result_double(ctx, 0); return;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: sqlite3_result_double(ctx, sqlite3_value_double(argv[0])); return;
    default: {
        const std::string_view bytes = bytesOf(argv[0]);
        if (const auto plain = fmt::plainNumber(bytes)) {
            sqlite3_result_double(ctx, *plain);
            return;
        }
        const auto n = fmt::amountOrZero(textOf(argv[0]));
        if (!n) {
            sqlite3_result_error(ctx, kTypeMismatchError, -1);
            return;
        }
        sqlite3_result_double(ctx, *n);
    }
    }
}

// KLV_TEXT: the order of names (klv::compareText).
int textCollation(void*, int lengthA, const void* a, int lengthB, const void* b) {
    return compareTextUtf8(static_cast<const char*>(a), lengthA, static_cast<const char*>(b), lengthB);
}

sqlite3* nativeHandle(const QSqlDatabase& db) {
    const QVariant h = db.driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0) return nullptr;
    return *static_cast<sqlite3* const*>(h.constData());
}

void registerFunctions(sqlite3* handle) {
    if (!handle) return;
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(handle, "VB_VAL", 1, flags, nullptr, sqlVal, nullptr, nullptr);
    sqlite3_create_function(handle, "VB_CDBL", 1, flags, nullptr, sqlCdbl, nullptr, nullptr);
    sqlite3_create_collation_v2(handle, kTextCollation, SQLITE_UTF8, nullptr, textCollation, nullptr);
    for (Database::ConnectionSetup setup : connectionSetups()) setup(handle);
}

// SQLite's longest database path in bytes: its unix layer takes names of up to 512 bytes, the
// journal's ("-journal" added) included, and refuses longer ones as "unable to open". And the
// system's longest name of one folder or file.
constexpr qsizetype kMaxPathBytes = 504;
constexpr qsizetype kMaxNameBytes = 255;

// Why the path cannot be opened for its length, naming the limit that tripped; empty when it can.
QString pathTooLong(const QString& absolutePath, const QString& path) {
    for (const QString& part : absolutePath.split(QLatin1Char('/')))
        if (const qsizetype n = part.toUtf8().size(); n > kMaxNameBytes)
            return QStringLiteral("Un nombre de la ruta del archivo de la base de datos es demasiado largo (%1 bytes; el "
                                  "máximo de un nombre es %2): %3")
                .arg(QString::number(n), QString::number(kMaxNameBytes), path);
    if (const qsizetype n = absolutePath.toUtf8().size(); n > kMaxPathBytes)
        return QStringLiteral("La ruta del archivo de la base de datos es demasiado larga (%1 bytes; el máximo es %2): %3")
            .arg(QString::number(n), QString::number(kMaxPathBytes), path);
    return QString();
}

// Whether the file or folder may be written: the system lets this program write it, and its
// permissions let someone write it. The superuser may write anything, but a file or folder that
// nobody may write was made read-only on purpose, so it counts as read-only for every program.
bool writable(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
    return ::access(name.constData(), W_OK) == 0;
}

DbError readOnlyFile(const QString& path) {
    return DbError(DbErr::ReadOnly,
                   QStringLiteral("La base de datos '%1' es de solo lectura: no se pueden guardar cambios en ella").arg(path));
}

DbError fileReplaced(const QString& path) {
    return DbError(DbErr::FileReplaced,
                   QStringLiteral("El archivo de la base de datos '%1' fue reemplazado o borrado mientras el programa "
                                  "trabajaba: lo grabado desde entonces no está en él")
                       .arg(path));
}

// What an engine message names after its last ": " ("no such table: PARAM" names PARAM).
QString afterColon(const QString& detail) {
    const qsizetype colon = detail.lastIndexOf(QLatin1String(": "));
    return colon < 0 ? QString() : detail.mid(colon + 2).trimmed();
}

// SQLite refuses to write once the file it opened no longer has its name.
bool fileMoved(sqlite3* handle) { return handle && sqlite3_extended_errcode(handle) == SQLITE_READONLY_DBMOVED; }

}  // namespace

DbError::DbError(int number, const QString& text, bool locked)
    : std::runtime_error(QStringLiteral("%1 %2").arg(QString::number(number), text).toStdString()),
      number_(number),
      text_(text),
      locked_(locked) {}

QString failureText(const std::exception& e) {
    if (const auto* db = dynamic_cast<const DbError*>(&e))
        return db->text() + QStringLiteral(" (") + QString::number(db->number()) + QLatin1Char(')');
    return QString::fromLocal8Bit(e.what());
}

QVariant textValue(const QString& s) {
    if (s.isNull()) return QVariant(QString(QLatin1String("")));
    return QVariant(s);
}

DbError Database::translate(const QSqlError& error, const QString& context) {
    const int code = error.nativeErrorCode().toInt();
    const int primary = code & 0xFF;
    const QString detail = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    const QString lower = detail.toLower();
    int number = DbErr::Reserved;
    bool locked = false;
    QString text;
    // What the engine's message names: a table or a column, or the columns of a constraint.
    QString named;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
        number = DbErr::CannotOpen;
        locked = true;
        text = QStringLiteral("La base de datos está bloqueada por otro programa");
    } else if (primary == SQLITE_CANTOPEN) {
        number = DbErr::CannotOpen;
        text = QStringLiteral("No se puede abrir el archivo de la base de datos");
    } else if (primary == SQLITE_PERM || primary == SQLITE_AUTH) {
        number = DbErr::CannotOpen;
        text = QStringLiteral("No se tiene permiso para usar la base de datos");
    } else if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT) {
        number = DbErr::UnrecognizedFormat;
        text = QStringLiteral("Formato de base de datos no reconocido");
    } else if (primary == SQLITE_READONLY) {
        number = DbErr::ReadOnly;
        text = QStringLiteral("No se puede actualizar: la base de datos es de solo lectura");
    } else if (primary == SQLITE_FULL) {
        number = DbErr::DiskFull;
        text = QStringLiteral("No hay espacio en el disco");
    } else if (primary == SQLITE_IOERR) {
        number = DbErr::DiskError;
        text = QStringLiteral("Error de disco o de red");
    } else if (primary == SQLITE_CONSTRAINT) {
        named = afterColon(detail);
        if (lower.contains(QLatin1String("unique")) || lower.contains(QLatin1String("primary key"))) {
            number = DbErr::DuplicateKey;
            text = QStringLiteral("Ya existe un registro con la misma clave");
        } else if (lower.contains(QLatin1String("not null"))) {
            number = DbErr::NullInRequired;
            text = QStringLiteral("Un campo obligatorio no puede quedar vacío (Null)");
        } else if (lower.contains(QLatin1String("check"))) {
            number = DbErr::FieldTooSmall;
            text = QStringLiteral("El campo es demasiado pequeño para el dato que se quiso guardar");
            // The check's expression names its column in quotes: length("doc_id_d") <= 11.
            const qsizetype open = named.indexOf(QLatin1Char('"')), close = named.indexOf(QLatin1Char('"'), open + 1);
            named = open >= 0 && close > open ? named.mid(open + 1, close - open - 1) : QString();
        } else {
            text = QStringLiteral("Restricción de la base de datos");
        }
    } else if (const qsizetype already = lower.indexOf(QLatin1String(" already exists")); already >= 0) {
        // "table X already exists", "index X already exists"
        named = detail.left(already).section(QLatin1Char(' '), 1).trimmed();
        if (lower.startsWith(QLatin1String("index"))) {
            number = DbErr::PrimaryKeyExists;
            text = QStringLiteral("Ya existe la clave principal");
        } else {
            number = DbErr::TableExists;
            text = QStringLiteral("La tabla ya existe");
        }
    } else if (lower.contains(QLatin1String("duplicate column"))) {
        number = DbErr::FieldExists;
        text = QStringLiteral("El campo ya existe en la tabla");
        named = afterColon(detail);
    } else if (lower.contains(QLatin1String("no such table"))) {
        number = DbErr::UnknownTable;
        text = QStringLiteral("No se encuentra la tabla");
        named = afterColon(detail);
    } else if (lower.contains(QLatin1String("no such column"))) {
        number = DbErr::UnknownColumn;
        text = QStringLiteral("No se encuentra el campo");
        named = afterColon(detail);
    } else if (lower.contains(QLatin1String(kTypeMismatchError))) {
        // A stored amount that is not a number: the user can do nothing with the statement's
        // text, so the message is the catalogue's alone.
        return DbError(DbErr::TypeMismatch, QStringLiteral("No coinciden los tipos: un importe guardado no es un número"));
    } else {
        text = QStringLiteral("Error de base de datos");
    }
    // An error of a number of the system's own has its own words, and the names the engine gave;
    // only a failure without such a number keeps the engine's words, its one description.
    QString full = text;
    if (number != DbErr::Reserved) {
        if (!named.isEmpty()) full += QStringLiteral(": ") + named;
    } else if (!detail.isEmpty()) {
        full += QStringLiteral(" (") + detail + QLatin1Char(')');
    }
    if (!context.isEmpty()) full += QStringLiteral(": ") + context;
    return DbError(number, full, locked);
}

std::unique_ptr<Database> Database::open(const QString& path, const QString& user,
                                         const QString& password, int busyTimeoutMs) {
    if (path.trimmed().isEmpty())
        throw DbError(DbErr::BadPath, QStringLiteral("No se indicó el archivo de la base de datos"));
    // No file name holds a NUL: such a name is a file that does not exist, told before the
    // file system is asked (Qt's file calls complain on the terminal about it).
    if (path.contains(QChar(0)))
        throw DbError(DbErr::FileNotFound, QStringLiteral("No se encontró el archivo '%1'").arg(path));
    const QFileInfo info(path);
    if (const QString why = pathTooLong(info.absoluteFilePath(), path); !why.isEmpty())
        throw DbError(DbErr::CannotOpen, why);
    if (!info.absoluteDir().exists())
        throw DbError(DbErr::BadPath, QStringLiteral("La ruta '%1' no es válida").arg(path));
    if (!info.exists() || info.isDir())
        throw DbError(DbErr::FileNotFound, QStringLiteral("No se encontró el archivo '%1'").arg(path));
    if (!info.isReadable())
        throw DbError(DbErr::CannotOpen, QStringLiteral("No se tiene permiso para leer el archivo '%1'").arg(path));
    // Every program writes: a database it could only read would fail statement by statement.
    // SQLite keeps its journal beside the file, so the folder must take new files too.
    if (!writable(info.absoluteFilePath())) throw readOnlyFile(info.absoluteFilePath());
    if (!writable(info.absolutePath()))
        throw DbError(DbErr::ReadOnly, QStringLiteral("La carpeta '%1' no admite escritura: no se pueden guardar "
                                                      "cambios en la base de datos '%2'")
                                           .arg(info.absolutePath(), info.fileName()));

    std::unique_ptr<Database> db(new Database);
    db->serial_ = ++g_connectionSeq;
    db->connection_ = QStringLiteral("klv-%1").arg(db->serial_);
    db->path_ = info.absoluteFilePath();
    db->user_ = user;
    db->password_ = password;
    db->busyTimeoutMs_ = busyTimeoutMs;
    db->owner_ = std::this_thread::get_id();
    auto failure = [&](const QSqlError& error) {
        const DbError e = translate(error, db->path_);
        return DbError(e.number() == DbErr::Reserved ? DbErr::CannotOpen : e.number(), e.text(), e.locked());
    };
    {
        QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), db->connection_);
        // A URI with mode=rw: SQLite itself refuses to create a missing file.
        QUrl url = QUrl::fromLocalFile(db->path_);
        c.setDatabaseName(url.toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"));
        c.setUserName(user);
        c.setPassword(password);
        c.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
        if (!c.open()) throw failure(c.lastError());
        sqlite3* handle = nativeHandle(c);
        db->native_ = handle;  // the connection stays open as long as the door
        registerFunctions(handle);
        // The open is lazy: reading the catalogue proves the file is a database we may use. It is
        // the one statement that waits for a program holding the file.
        QSqlQuery probe(c);
        if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) throw failure(probe.lastError());
        if (handle && sqlite3_db_readonly(handle, "main") == 1) throw readOnlyFile(db->path_);
        struct stat st {};
        if (::stat(QFile::encodeName(db->path_).constData(), &st) == 0) {
            db->device_ = st.st_dev;
            db->inode_ = st.st_ino;
        }
    }
    db->setPageCache(PageCache::Working);
    return db;
}

Database::Identity Database::identity() const {
    checkThread();
    return Identity{path_, user_, password_, busyTimeoutMs_, static_cast<int>(pageCache_), device_, inode_};
}

std::unique_ptr<Database> Database::reopen(const Identity& id) {
    std::unique_ptr<Database> db = open(id.path, id.user, id.password, id.busyTimeoutMs);
    if (db->device_ != id.device || db->inode_ != id.inode) throw fileReplaced(id.path);
    if (id.pageCache != static_cast<int>(PageCache::Working)) db->setPageCache(static_cast<PageCache>(id.pageCache));
    return db;
}

void Database::wrongThread() {
    std::fputs("klv: una conexión a la base de datos se usó desde otro hilo que el que la abrió\n", stderr);
    std::fflush(stderr);
    std::abort();
}

void Database::setPageCache(PageCache size) const {
    pageCache_ = size;
    QSqlQuery pragma(handle());
    pragma.exec(size == PageCache::Working ? QStringLiteral("PRAGMA cache_size = -65536")
                                           : QStringLiteral("PRAGMA cache_size = -2048"));
}

struct Database::Savepoint {
    PreparedStatement open, release, rollbackTo;
};

Database::Savepoint& Database::savepoint(int depth) {
    if (savepoints_.size() < static_cast<size_t>(depth)) savepoints_.resize(depth);
    std::unique_ptr<Savepoint>& s = savepoints_[depth - 1];
    if (!s) {
        const QString name = QStringLiteral("klv_sp_%1").arg(depth);
        s.reset(new Savepoint{PreparedStatement(*this, QStringLiteral("SAVEPOINT ") + name),
                              PreparedStatement(*this, QStringLiteral("RELEASE ") + name),
                              PreparedStatement(*this, QStringLiteral("ROLLBACK TO ") + name)});
    }
    return *s;
}

Database::~Database() {
    checkThread();
    savepoints_.clear();  // finalized before the connection closes
    queries_.clear();
    native_ = nullptr;
    {
        QSqlDatabase c = QSqlDatabase::database(connection_, false);
        if (c.isOpen()) c.close();
    }
    QSqlDatabase::removeDatabase(connection_);
}

QSqlDatabase Database::handle() const {
    checkThread();
    return QSqlDatabase::database(connection_, false);
}

sqlite3* Database::sqliteHandle() const {
    checkThread();
    return native_;
}

bool Database::transactionLost() const {
    sqlite3* h = sqliteHandle();
    return depth_ > 0 && h && sqlite3_get_autocommit(h) != 0;
}

bool Database::settle() const {
    checkThread();
    sqlite3* db = sqliteHandle();
    for (sqlite3_stmt* s = sqlite3_next_stmt(db, nullptr); s; s = sqlite3_next_stmt(db, s))
        if (sqlite3_stmt_busy(s)) sqlite3_reset(s);
    return depth_ == 0 && sqlite3_get_autocommit(db) != 0;
}

void Database::ensureSameFile() const {
    checkThread();
    struct stat st {};
    if (::stat(QFile::encodeName(path_).constData(), &st) != 0 || st.st_dev != device_ || st.st_ino != inode_)
        throw fileReplaced(path_);
}

DbError Database::failure(const QSqlError& error) const {
    if (fileMoved(sqliteHandle())) return fileReplaced(path_);
    return translate(error);
}

DbError Database::engineError(sqlite3* handle, int code) {
    if (fileMoved(handle)) return fileReplaced(QString::fromUtf8(sqlite3_db_filename(handle, "main")));
    const QString text = handle ? QString::fromUtf8(sqlite3_errmsg(handle)) : QString();
    const int extended = handle ? sqlite3_extended_errcode(handle) : code;
    return translate(QSqlError(QString(), text, QSqlError::StatementError, QString::number(extended)));
}

Database::WriteStamp Database::writeStamp() const {
    sqlite3* h = sqliteHandle();
    return {transactions_, h ? sqlite3_total_changes64(h) : 0};
}

Database::ChangeStamp Database::changeStamp() const {
    ChangeStamp s;
    s.connection = serial_;
    if (sqlite3* h = sqliteHandle()) s.own = sqlite3_total_changes64(h);
    s.others = othersCommits();
    return s;
}

qint64 Database::othersCommits() const { return scalar(QStringLiteral("PRAGMA data_version")).toLongLong(); }

bool Database::addConnectionSetup(ConnectionSetup setup) {
    connectionSetups().push_back(setup);
    return true;
}

void Query::check() const { db_->checkThread(); }

Query::~Query() {
    if (db_) check();
}

bool Query::next() {
    check();
    return q_.next();
}

QVariant Query::value(int column) const {
    check();
    return q_.value(column);
}

QVariant Query::value(const QString& column) const {
    check();
    return q_.value(column);
}

bool Query::isNull(int column) const {
    check();
    return q_.isNull(column);
}

QSqlRecord Query::record() const {
    check();
    return q_.record();
}

void Query::finish() {
    check();
    q_.finish();
}

QSqlQuery Database::rawPrepare(const QString& sql) const {
    QSqlQuery q(handle());
    q.setForwardOnly(true);
    if (!q.prepare(sql)) throw failure(q.lastError());
    return q;
}

void Database::runQuery(QSqlQuery& q, const QVariantList& params) const {
    checkThread();
    for (int i = 0; i < params.size(); ++i) q.bindValue(i, params[i]);
    if (!q.exec()) throw failure(q.lastError());
}

Query Database::prepare(const QString& sql) const { return Query(*this, rawPrepare(sql)); }

void Database::run(Query& query, const QVariantList& params) const {
    checkThread();
    query.check();
    runQuery(query.q_, params);
}

Query Database::exec(const QString& sql, const QVariantList& params) const {
    QSqlQuery q(handle());
    q.setForwardOnly(true);
    if (params.isEmpty()) {
        if (!q.exec(sql)) throw failure(q.lastError());
        return Query(*this, std::move(q));
    }
    if (!q.prepare(sql)) throw failure(q.lastError());
    runQuery(q, params);
    return Query(*this, std::move(q));
}

QSqlQuery& Database::cachedQuery(const QString& sql) const {
    constexpr size_t kKept = 32;
    auto it = std::find_if(queries_.begin(), queries_.end(), [&sql](const CachedQuery& c) { return c.sql == sql; });
    if (it == queries_.end()) {
        QSqlQuery q = rawPrepare(sql);
        if (queries_.size() >= kKept) queries_.pop_back();
        queries_.insert(queries_.begin(), CachedQuery{sql, std::move(q)});
    } else if (it != queries_.begin()) {
        std::rotate(queries_.begin(), it, it + 1);
    }
    return queries_.front().query;
}

namespace {
// Ends a kept statement's run however the reading ends: it stays prepared, holding no lock.
struct Finished {
    QSqlQuery& q;
    ~Finished() { q.finish(); }
};
}  // namespace

QVariant Database::scalar(const QString& sql, const QVariantList& params) const {
    QSqlQuery& q = cachedQuery(sql);
    Finished finished{q};
    runQuery(q, params);
    return q.next() ? q.value(0) : QVariant();
}

std::vector<QSqlRecord> Database::rows(const QString& sql, const QVariantList& params) const {
    QSqlQuery& q = cachedQuery(sql);
    Finished finished{q};
    runQuery(q, params);
    std::vector<QSqlRecord> out;
    while (q.next()) out.push_back(q.record());
    return out;
}

int Database::changes() const {
    return static_cast<int>(scalar(QStringLiteral("SELECT changes()")).toLongLong());
}

void Database::emptyTable(const QString& table) const {
    PreparedStatement(*this, QStringLiteral("DELETE FROM ") + table).run();
}

bool Database::tableExists(const QString& table) const {
    return scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name = ? COLLATE NOCASE"),
                  {table})
               .toInt() > 0;
}

QStringList Database::columns(const QString& table) const {
    QStringList out;
    Query q = exec(QStringLiteral("SELECT name FROM pragma_table_info(?) ORDER BY cid"), {table});
    while (q.next()) out << q.value(0).toString();
    return out;
}

Transaction::Transaction(Database& db, bool immediate) : db_(db), depth_(db.depth_) {
    db.checkThread();
    if (depth_ == 0) {
        db_.exec(immediate ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
        ++db_.transactions_;
    } else {
        db_.savepoint(depth_).open.run();
    }
    ++db_.depth_;
}

Transaction::~Transaction() {
    if (!open_) return;
    try {
        rollback();
    } catch (...) {
        // Leaving scope during unwinding: nothing more can be done here.
    }
}

void Transaction::commit() {
    db_.checkThread();
    if (!open_) return;
    if (depth_ == 0) {
        PreparedStatement(db_, QStringLiteral("COMMIT")).run();
    } else {
        db_.savepoint(depth_).release.run();
    }
    open_ = false;
    --db_.depth_;
}

void Transaction::rollback() {
    db_.checkThread();
    if (!open_) return;
    open_ = false;
    --db_.depth_;
    ++db_.transactions_;  // what was read inside may be undone
    if (depth_ == 0) {
        db_.exec(QStringLiteral("ROLLBACK"));
    } else {
        Database::Savepoint& s = db_.savepoint(depth_);
        s.rollbackTo.run();
        s.release.run();
    }
}

}  // namespace klv
