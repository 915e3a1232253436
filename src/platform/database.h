#pragma once
// The one door to the shared SQLite database. It opens an existing file only, runs statements
// with bound parameters, maps SQLite failures to the engine error numbers the system tests for,
// and offers an RAII transaction guard. Forms and logic never build a connection or put a value
// into SQL text.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <memory>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

class QSqlError;
struct sqlite3;

namespace klv {

// Engine error numbers the system reports or tests for.
namespace DbErr {
constexpr int Reserved = 3000;       // any failure without a closer number
constexpr int TypeMismatch = 13;     // a stored text read as a number is not one (VB_CDBL)
constexpr int TableExists = 3010;    // CREATE TABLE of a table that exists
constexpr int DuplicateKey = 3022;   // a row with the same key exists
constexpr int FileNotFound = 3024;   // the database file does not exist
constexpr int ReadOnly = 3027;       // the file or table cannot be written
constexpr int DiskFull = 3035;
constexpr int DiskError = 3043;
constexpr int BadPath = 3044;        // empty path or a folder that does not exist
constexpr int CannotOpen = 3051;     // busy, locked or unopenable file
constexpr int UnknownColumn = 3061;
constexpr int UnknownTable = 3078;
constexpr int FieldTooSmall = 3163;  // text longer than the column allows
constexpr int PrimaryKeyExists = 3283;
constexpr int NullInRequired = 3314;
constexpr int UnrecognizedFormat = 3343;
constexpr int FieldExists = 3380;    // ALTER TABLE ADD COLUMN of a column that exists
constexpr int NoCurrentRecord = 3021;
constexpr int FileReplaced = 3420;   // the path no longer names the open file (replaced or deleted)
}  // namespace DbErr

class DbError : public std::runtime_error {
public:
    DbError(int number, const QString& text, bool locked = false);
    int number() const { return number_; }
    const QString& text() const { return text_; }
    // True when the database is held by another program (CannotOpen for that reason, not for an
    // unreadable file or a path too long).
    bool locked() const { return locked_; }

private:
    int number_;
    QString text_;
    bool locked_;
};

// The text of a failure for a message box: a database error's text with its number in
// parentheses, or any other exception's own text.
QString failureText(const std::exception& e);

// A QVariant that binds as the empty text even when the string is a null QString (Qt binds a
// null QString as SQL NULL). Use QVariant() to store NULL on purpose.
QVariant textValue(const QString& s);

class Database;

// A statement's run handed out by the door (exec, prepare): like the door, every call on it, its
// end included, is checked to come from the connection's thread.
class Query {
public:
    Query(Query&& other) noexcept : db_(std::exchange(other.db_, nullptr)), q_(std::move(other.q_)) {}
    Query& operator=(Query&& other) noexcept {
        if (this != &other) {
            db_ = std::exchange(other.db_, nullptr);
            q_ = std::move(other.q_);
        }
        return *this;
    }
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    // Moves to the next row; false after the last one.
    bool next();
    QVariant value(int column) const;
    QVariant value(const QString& column) const;
    bool isNull(int column) const;
    QSqlRecord record() const;
    // Ends the run, the rows not read dropped: the statement holds no read of the database.
    void finish();

private:
    friend class Database;
    Query(const Database& db, QSqlQuery query) : db_(&db), q_(std::move(query)) {}
    void check() const;
    const Database* db_;
    QSqlQuery q_;
};

class Database {
public:
    // Opens an existing database file for reading and writing. Throws DbError: BadPath for an
    // empty path or a missing folder, FileNotFound for a missing file (never creates one),
    // CannotOpen for a file held by another program longer than the busy timeout (locked()), an
    // unreadable file or a path too long (each with its own text), ReadOnly for a file or folder
    // that cannot be written (every program writes; one that nobody may write counts as such for
    // the superuser too), UnrecognizedFormat for a file that is not a database. A held file is
    // waited for once, up to busyTimeoutMs.
    static std::unique_ptr<Database> open(const QString& path, const QString& user = QString(),
                                          const QString& password = QString(),
                                          int busyTimeoutMs = 10000);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // What opened this connection: the file (and which file the path named), the user, the busy
    // timeout and the page cache. reopen() opens the same again, on the calling thread, once this
    // connection has been closed (the engine closes the connection of a work that threw or left a
    // transaction open, and opens it again for the next work). Throws DbError as open() does, and
    // FileReplaced, naming the file, when the path no longer names the file this connection opened.
    struct Identity {
        QString path, user, password;
        int busyTimeoutMs = 10000;
        int pageCache = 0;
        unsigned long long device = 0, inode = 0;
    };
    Identity identity() const;
    static std::unique_ptr<Database> reopen(const Identity& id);

    // One connection, one thread: a connection (and its statements, queries, transactions, cursors
    // and their binds and readers) belongs to the thread that opened it. Used from any other
    // thread, every call, closing included, writes what happened to standard error and aborts the
    // program, in every build.
    void checkThread() const {
        if (std::this_thread::get_id() != owner_) wrongThread();
    }

    // Leaves the connection holding nothing between two uses: every statement still reading is
    // reset (its read of the file ends). False when a transaction is open: the connection must
    // then be closed to give it up.
    bool settle() const;

    const QString& path() const {
        checkThread();
        return path_;
    }
    QSqlDatabase handle() const;
    // Runs one statement with positional ('?') bound parameters; throws DbError on failure.
    // The returned query is positioned before its first row (forward only).
    Query exec(const QString& sql, const QVariantList& params = {}) const;
    // Prepares once for running many times with run(); throws DbError.
    Query prepare(const QString& sql) const;
    void run(Query& query, const QVariantList& params) const;
    // First column of the first row; an invalid QVariant when there is no row.
    QVariant scalar(const QString& sql, const QVariantList& params = {}) const;
    // Every row, read at once.
    std::vector<QSqlRecord> rows(const QString& sql, const QVariantList& params = {}) const;
    // (scalar and rows keep the statements of their last few texts prepared: a lookup made for
    // every party of an import is prepared once.)
    // Rows changed by the last INSERT, UPDATE or DELETE.
    int changes() const;
    // Deletes every row of `table`. Throws DbError.
    void emptyTable(const QString& table) const;

    bool tableExists(const QString& table) const;  // case-blind, as the engine compares names
    QStringList columns(const QString& table) const;  // in table order

    // After each commit of a long run: throws DbError FileReplaced, naming the file, when the
    // path no longer names the file this connection opened (another file renamed over it, or it
    // was deleted or moved). What was committed since then went into a file nobody can open.
    void ensureSameFile() const;

    // The engine's page cache. The open gives every connection 64 MB (Working), which holds the
    // indexes of a declaration of hundreds of thousands of rows through the passes of the forms'
    // work. A program that reads its rows once (the summary) takes the engine's own 2 MB
    // (OnePass): a larger cache only fills with pages it never reads again. A size the engine
    // refuses leaves the cache as it was: it changes no result.
    enum class PageCache { Working, OnePass };
    void setPageCache(PageCache size) const;
    PageCache pageCache() const { return pageCache_; }

    bool inTransaction() const {
        checkThread();
        return depth_ > 0;
    }
    // True when a transaction guard is open but the engine has already rolled the whole
    // transaction back (a full disk, an I/O error, a trigger's ROLLBACK): what was written since
    // the outermost guard began is gone, and its guards can only be left.
    bool transactionLost() const;

    // What this connection has written, cheaply: a count of the outermost transactions it began
    // and of the rollbacks (of a transaction or a savepoint) it made, and SQLite's count of the
    // rows its statements changed. Two equal stamps taken inside one write transaction mean that
    // nothing was written or undone in between, by this connection or another (which cannot write
    // while the transaction holds the write lock).
    struct WriteStamp {
        qint64 transactions = 0;  // begun and rolled back
        qint64 rows = 0;
        bool operator==(const WriteStamp&) const = default;
    };
    WriteStamp writeStamp() const;

    // Changes the database has seen through this connection: the rows it changed and the commits
    // of other connections (othersCommits(), which moves in every journal mode, WAL included, where
    // the change counter in the file's header does not follow each commit). Both counts are this
    // connection's own, so the stamp names the connection too: a stamp of another connection, or
    // of this file opened again, never equals this one's. Two equal stamps mean that nothing was
    // written in between.
    struct ChangeStamp {
        qint64 connection = 0;
        qint64 own = 0;
        qint64 others = 0;
        bool operator==(const ChangeStamp&) const = default;
    };
    ChangeStamp changeStamp() const;
    // Commits of other connections this one has seen (the engine's data_version): unlike the
    // file's change counter, this connection's own commits do not move it.
    qint64 othersCommits() const;

    // The engine's handle of this connection, for the row cursor, the prepared statements and the
    // SQL functions of the layers above.
    sqlite3* sqliteHandle() const;
    // SQL functions of the layers above (the record control number of core): each setup runs on
    // every connection opened after it was added. A library adds its setup from a static
    // initializer of the file that defines the function, so every program that links the function
    // has it on all its connections.
    using ConnectionSetup = void (*)(sqlite3*);
    static bool addConnectionSetup(ConnectionSetup setup);

    // Maps a QtSql error to the engine's numbers and a text for the user, in Spanish: an error of
    // a number of the system's own (3051 a lock, 3035 a full disk, 3027 read-only, 3043 a disk
    // error, ...) says what it is and names the table or column the engine named; only a failure
    // without such a number (3000) adds the engine's own words. `context` (the file at the open)
    // follows after ": ". A statement's text is never part of it.
    static DbError translate(const QSqlError& error, const QString& context = QString());
    // The failure of a statement run straight on the engine, as translate() reports a failing
    // QtSql statement (from the engine's message and extended code).
    static DbError engineError(sqlite3* handle, int code);

private:
    friend class Transaction;
    Database() = default;
    friend class Query;
    [[noreturn]] static void wrongThread();
    void runQuery(QSqlQuery& q, const QVariantList& params) const;
    QSqlQuery rawPrepare(const QString& sql) const;
    // The statements of the savepoint at a nesting depth (1 for the first guard inside a
    // transaction), prepared once: an import opens one for every line.
    struct Savepoint;
    Savepoint& savepoint(int depth);
    // A failing QtSql statement's error; a write refused because the file was moved away is
    // reported as FileReplaced, naming the file.
    DbError failure(const QSqlError& error) const;
    QString connection_;
    qint64 serial_ = 0;  // this connection among those the process opened (connection_ names it)
    QString path_;
    QString user_, password_;
    int busyTimeoutMs_ = 10000;
    mutable PageCache pageCache_ = PageCache::Working;
    std::thread::id owner_;
    // The opened file's identity, to tell whether the path still names it.
    unsigned long long device_ = 0, inode_ = 0;
    int depth_ = 0;
    qint64 transactions_ = 0;
    std::vector<std::unique_ptr<Savepoint>> savepoints_;
    // The statements of scalar() and rows(), most recently used first.
    QSqlQuery& cachedQuery(const QString& sql) const;
    struct CachedQuery {
        QString sql;
        QSqlQuery query;
    };
    mutable std::vector<CachedQuery> queries_;
    sqlite3* native_ = nullptr;  // the engine's handle of the connection, read once
};

// Commit on commit(), rollback when it leaves scope otherwise. Nested guards become savepoints of
// the outer transaction. The outermost guard takes the write lock when it begins (BEGIN
// IMMEDIATE): a transaction that read first and wrote later could not wait for another writer
// (SQLite refuses the upgrade at once), while waiting at the start honours the busy timeout.
// immediate = false is for a guard that only reads.
class Transaction {
public:
    explicit Transaction(Database& db, bool immediate = true);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();
    void rollback();

private:
    Database& db_;
    int depth_;  // 0 for the outermost transaction, else the depth of its savepoint
    bool open_ = true;
};

}  // namespace klv
