#include "db_rows.h"
#include "database.h"
#include "other_program.h"
#include "prepared_statement.h"
#include "row_cursor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <functional>
#include <thread>

using namespace klv;

namespace {

QString makeDatabase(const QTemporaryDir& dir, const QString& name = QStringLiteral("data.db")) {
    const QString path = dir.path() + QLatin1Char('/') + name;
    {
        QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("maker"));
        c.setDatabaseName(path);
        EXPECT_TRUE(c.open());
        QSqlQuery q(c);
        EXPECT_TRUE(q.exec(QStringLiteral("CREATE TABLE T (k INT NOT NULL, t TEXT COLLATE NOCASE CHECK(length(t) <= 8), "
                                          "CONSTRAINT PK_T PRIMARY KEY (k))")));
        c.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("maker"));
    return path;
}

}  // namespace

TEST(DatabaseOpen, MissingFileIsAnErrorAndIsNeverCreated) {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/missing.db");
    EXPECT_EQ(test::dbErrorNumber([&] { Database::open(path); }), DbErr::FileNotFound);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(test::dbErrorNumber([&] { Database::open(QString()); }), DbErr::BadPath);
    EXPECT_EQ(test::dbErrorNumber([&] { Database::open(dir.path() + QStringLiteral("/no/such/dir/x.db")); }), DbErr::BadPath);
}

TEST(DatabaseOpen, FileThatIsNotADatabaseIsRefused) {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/junk.db");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    const int n = test::dbErrorNumber([&] { Database::open(path); });
    EXPECT_TRUE(n == DbErr::UnrecognizedFormat || n == DbErr::CannotOpen) << n;
}

TEST(DatabaseOpen, LockedDatabaseMapsTo3051) {
    QTemporaryDir dir;
    const QString path = makeDatabase(dir);
    auto holder = Database::open(path);
    Transaction lock(*holder, true);
    holder->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (1, 'a')"));
    auto other = Database::open(path, QString(), QString(), 50);
    try {
        other->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (2, 'b')"));
        ADD_FAILURE() << "no error";
    } catch (const DbError& e) {
        EXPECT_EQ(e.number(), DbErr::CannotOpen);
        EXPECT_TRUE(e.locked());
        EXPECT_TRUE(e.text().contains(QStringLiteral("bloqueada"))) << e.text().toStdString();
    }
}

// A lookup that finds several rows reads the first and holds no read afterwards: another
// connection commits at once.
TEST(DatabaseStatements, ALookupHoldsNoReadAfterItsFirstRow) {
    QTemporaryDir dir;
    const QString path = makeDatabase(dir);
    auto db = Database::open(path);
    db->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (1, 'a'), (2, 'b')"));
    std::unique_ptr<RowCursor> slot;
    int first = 0;
    EXPECT_TRUE(lookupRow(slot, *db, QStringLiteral("SELECT k FROM T ORDER BY k"), {},
                          [&](const RowCursor& r) { first = static_cast<int>(r.integer(0)); }));
    EXPECT_EQ(first, 1);
    auto other = Database::open(path, QString(), QString(), 50);
    EXPECT_NO_THROW(other->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (3, 'c')")));
}

// Between two works the connection is settled: a cursor and a query left half-read hold no read
// afterwards, so another connection commits at once.
TEST(DatabaseStatements, SettlingEndsTheReadsOfStatementsLeftHalfRead) {
    QTemporaryDir dir;
    const QString path = makeDatabase(dir);
    auto db = Database::open(path);
    db->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (1, 'a'), (2, 'b')"));
    RowCursor rows(*db, QStringLiteral("SELECT k FROM T ORDER BY k"));
    ASSERT_TRUE(rows.next());
    Query query = db->exec(QStringLiteral("SELECT k FROM T ORDER BY k DESC"));
    ASSERT_TRUE(query.next());
    EXPECT_TRUE(db->settle());
    auto other = Database::open(path, QString(), QString(), 50);
    EXPECT_NO_THROW(other->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (3, 'c')")));
}

TEST(DatabaseStatements, BoundParametersKeepApostrophesNullAndEmptyApart) {
    QTemporaryDir dir;
    auto db = Database::open(makeDatabase(dir));
    db->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (?, ?)"), {1, QStringLiteral("O'Hara")});
    db->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (?, ?)"), {2, QVariant()});
    db->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (?, ?)"), {3, textValue(QString())});
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT t FROM T WHERE k=1")).toString(), QStringLiteral("O'Hara"));
    EXPECT_TRUE(db->scalar(QStringLiteral("SELECT t FROM T WHERE k=2")).isNull());
    const QVariant empty = db->scalar(QStringLiteral("SELECT t FROM T WHERE k=3"));
    EXPECT_FALSE(empty.isNull());
    EXPECT_EQ(empty.toString(), QString());
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT count(*) FROM T WHERE t = ?"), {QStringLiteral("o'hara")}).toInt(), 1);
}

// Each failure the system numbers says in Spanish what it is, naming what the engine named, and
// never shows the statement; only a failure without a number of its own keeps the engine's words.
TEST(DatabaseStatements, ErrorsMapToEngineNumbersWithTextsOfTheirOwn) {
    QTemporaryDir dir;
    auto db = Database::open(makeDatabase(dir));
    db->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (1, 'a')"));
    const struct {
        const char* sql;
        int number;
        const char* text;
    } statements[] = {
        {"INSERT INTO T (k, t) VALUES (1, 'b')", DbErr::DuplicateKey, "Ya existe un registro con la misma clave: T.k"},
        {"INSERT INTO T (k, t) VALUES (2, 'much too long')", DbErr::FieldTooSmall,
         "El campo es demasiado pequeño para el dato que se quiso guardar"},
        {"INSERT INTO T (k, t) VALUES (NULL, 'x')", DbErr::NullInRequired,
         "Un campo obligatorio no puede quedar vacío (Null): T.k"},
        {"CREATE TABLE t (x INTEGER)", DbErr::TableExists, "La tabla ya existe: t"},
        {"ALTER TABLE T ADD COLUMN k INTEGER", DbErr::FieldExists, "El campo ya existe en la tabla: k"},
        {"SELECT * FROM Nope", DbErr::UnknownTable, "No se encuentra la tabla: Nope"},
        {"SELECT nope FROM T", DbErr::UnknownColumn, "No se encuentra el campo: nope"},
    };
    for (const auto& c : statements) {
        try {
            db->exec(QString::fromUtf8(c.sql));
            ADD_FAILURE() << c.sql;
        } catch (const DbError& e) {
            EXPECT_EQ(e.number(), c.number) << c.sql;
            EXPECT_EQ(e.text(), QString::fromUtf8(c.text)) << c.sql;
        }
    }
    const struct {
        int code;
        const char* engine;
        int number;
        const char* text;
    } engine[] = {
        {SQLITE_BUSY, "database is locked", DbErr::CannotOpen, "La base de datos está bloqueada por otro programa"},
        {SQLITE_FULL, "database or disk is full", DbErr::DiskFull, "No hay espacio en el disco"},
        {SQLITE_READONLY, "attempt to write a readonly database", DbErr::ReadOnly,
         "No se puede actualizar: la base de datos es de solo lectura"},
        {SQLITE_IOERR_WRITE, "disk I/O error", DbErr::DiskError, "Error de disco o de red"},
        {SQLITE_ERROR, "something else", DbErr::Reserved, "Error de base de datos (something else)"},
    };
    for (const auto& c : engine) {
        const DbError e = Database::translate(
            QSqlError(QString(), QString::fromUtf8(c.engine), QSqlError::StatementError, QString::number(c.code)));
        EXPECT_EQ(e.number(), c.number) << c.engine;
        EXPECT_EQ(e.text(), QString::fromUtf8(c.text)) << c.engine;
    }
}

TEST(DatabaseStatements, CatalogueIsCaseBlind) {
    QTemporaryDir dir;
    auto db = Database::open(makeDatabase(dir));
    EXPECT_TRUE(db->tableExists(QStringLiteral("t")));
    EXPECT_FALSE(db->tableExists(QStringLiteral("T2")));
    EXPECT_EQ(db->columns(QStringLiteral("T")), (QStringList{QStringLiteral("k"), QStringLiteral("t")}));
}

TEST(DatabaseStatements, NumericFunctionsReadAmountTexts) {
    QTemporaryDir dir;
    auto db = Database::open(makeDatabase(dir));
    EXPECT_DOUBLE_EQ(db->scalar(QStringLiteral("SELECT VB_VAL(' 12abc')")).toDouble(), 12.0);
    EXPECT_DOUBLE_EQ(db->scalar(QStringLiteral("SELECT VB_VAL(NULL)")).toDouble(), 0.0);
    EXPECT_DOUBLE_EQ(db->scalar(QStringLiteral("SELECT VB_CDBL('')")).toDouble(), 0.0);
    EXPECT_DOUBLE_EQ(db->scalar(QStringLiteral("SELECT VB_CDBL(NULL)")).toDouble(), 0.0);
    EXPECT_DOUBLE_EQ(db->scalar(QStringLiteral("SELECT VB_CDBL('1500')")).toDouble(), 1500.0);
    EXPECT_THROW(db->scalar(QStringLiteral("SELECT VB_CDBL('12x')")), DbError);
}

TEST(DatabaseTransaction, RollsBackUnlessCommittedAndNests) {
    QTemporaryDir dir;
    auto db = Database::open(makeDatabase(dir));
    {
        Transaction t(*db);
        db->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (1, 'a')"));
    }
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT count(*) FROM T")).toInt(), 0);
    {
        Transaction outer(*db);
        db->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (1, 'a')"));
        {
            Transaction inner(*db);
            db->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (2, 'b')"));
        }  // inner rolled back alone
        {
            Transaction inner(*db);
            db->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (3, 'c')"));
            inner.commit();
        }
        outer.commit();
    }
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT group_concat(k) FROM (SELECT k FROM T ORDER BY k)")).toString(), QStringLiteral("1,3"));
    EXPECT_FALSE(db->inTransaction());
}

TEST(DatabaseTransaction, FailureInsideLeavesRowsAsTheyWere) {
    QTemporaryDir dir;
    auto db = Database::open(makeDatabase(dir));
    db->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (1, 'keep')"));
    try {
        Transaction t(*db);
        db->exec(QStringLiteral("DELETE FROM T"));
        db->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (2, 'far too long')"));
        t.commit();
    } catch (const DbError&) {
    }
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT t FROM T")).toString(), QStringLiteral("keep"));
}

namespace {

// The error a call throws (number 0 when none).
DbError errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const DbError& e) {
        return e;
    }
    return DbError(0, QString());
}

}  // namespace

TEST(DatabaseOpen, EachCauseOf3051SaysWhatItIs) {
    QTemporaryDir dir;
    const QString path = makeDatabase(dir);
    // A path longer than the engine takes, to a file that exists.
    QString deep = dir.path();
    while (deep.size() < 480) deep += QLatin1Char('/') + QString(60, QLatin1Char('d'));
    ASSERT_TRUE(QDir().mkpath(deep));
    const QString longPath = deep + QLatin1Char('/') + QString(40, QLatin1Char('f')) + QStringLiteral(".db");
    ASSERT_TRUE(QFile::copy(path, longPath));
    DbError e = errorOf([&] { Database::open(longPath); });
    EXPECT_EQ(e.number(), DbErr::CannotOpen);
    EXPECT_FALSE(e.locked());
    EXPECT_TRUE(e.text().contains(QStringLiteral("demasiado larga"))) << e.text().toStdString();
    // One name too long for a folder: that limit is named, not the whole path's.
    e = errorOf([&] { Database::open(dir.path() + QLatin1Char('/') + QString(300, QLatin1Char('n')) + QStringLiteral("/x.db")); });
    EXPECT_TRUE(e.text().contains(QStringLiteral("(300 bytes; el máximo de un nombre es 255)"))) << e.text().toStdString();
    // A file the user may not read.
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                          QFile::WriteOther | QFile::ExeOther);
    QFile::setPermissions(path, QFileDevice::Permissions());
    EXPECT_EQ(test::asOrdinaryUser([&] {
                  const DbError u = errorOf([&] { Database::open(path); });
                  return u.number() == DbErr::CannotOpen && !u.locked() && u.text().contains(QStringLiteral("leer")) ? 0 : 1;
              }),
              0);
}

TEST(DatabaseOpen, ReadOnlyFileOrFolderIsReportedOnceAtOpenNamingTheFile) {
    QTemporaryDir dir;
    const QFileDevice::Permissions open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                          QFile::WriteOther | QFile::ExeOther;
    const QFileDevice::Permissions readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    QFile::setPermissions(dir.path(), open);
    struct Case {
        const char* name;
        QFileDevice::Permissions folder, file;
    } cases[] = {{"file", open, readOnly}, {"folder", readOnly, open}};
    for (const Case& c : cases) {
        const QString folder = dir.path() + QLatin1Char('/') + QString::fromLatin1(c.name);
        ASSERT_TRUE(QDir().mkpath(folder));
        QTemporaryDir maker;
        ASSERT_TRUE(QFile::copy(makeDatabase(maker), folder + QStringLiteral("/data.db")));
        QFile::setPermissions(folder + QStringLiteral("/data.db"), c.file);
        QFile::setPermissions(folder, c.folder);
        const auto refused = [&] {
            const DbError e = errorOf([&] { Database::open(folder + QStringLiteral("/data.db")); });
            return e.number() == DbErr::ReadOnly && e.text().contains(QStringLiteral("data.db")) ? 0 : 1;
        };
        EXPECT_EQ(test::asOrdinaryUser(refused), 0) << c.name;
        // Nobody may write it: the superuser is refused too.
        EXPECT_EQ(refused(), 0) << c.name << " as this user";
        QFile::setPermissions(folder, open);
    }
}

TEST(DatabaseOpen, DatabaseHeldByAnotherProgramIsWaitedForOnce) {
    QTemporaryDir dir;
    const QString path = makeDatabase(dir);
    // An exclusive hold keeps every reader out, the open's own reads included.
    auto holder = Database::open(path);
    holder->exec(QStringLiteral("BEGIN EXCLUSIVE"));
    QElapsedTimer clock;
    clock.start();
    const DbError e = errorOf([&] { Database::open(path, QString(), QString(), 1000); });
    const qint64 waited = clock.elapsed();
    holder->exec(QStringLiteral("ROLLBACK"));
    EXPECT_EQ(e.number(), DbErr::CannotOpen);
    EXPECT_TRUE(e.locked());
    EXPECT_GE(waited, 900);
    EXPECT_LT(waited, 1900);  // one busy timeout, not two
}

TEST(DatabaseTransaction, TakesTheWriteLockAtItsStartAndWaitsForAnotherWriter) {
    QTemporaryDir dir;
    const QString path = makeDatabase(dir);
    auto db = Database::open(path, QString(), QString(), 5000);
    {
        // A read followed by a write: begun deferred, SQLite would refuse the write at once.
        test::WriteLockHolder other(path, 500);
        ASSERT_TRUE(other.held());
        Transaction t(*db);
        db->scalar(QStringLiteral("SELECT count(*) FROM T"));
        db->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (1, 'a')"));
        t.commit();
    }
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT count(*) FROM T")).toInt(), 1);
    // Held past the timeout: the transaction cannot begin, and nothing is written.
    auto impatient = Database::open(path, QString(), QString(), 100);
    test::WriteLockHolder other(path, 800);
    const DbError e = errorOf([&] {
        Transaction t(*impatient);
        impatient->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (2, 'b')"));
        t.commit();
    });
    EXPECT_EQ(e.number(), DbErr::CannotOpen);
    EXPECT_TRUE(e.locked());
    EXPECT_FALSE(impatient->inTransaction());
}

TEST(DatabaseTransaction, CommitBehindAReaderFailsAsTheDoorSaysAndLeavesTheTransactionToUndo) {
    QTemporaryDir dir;
    const QString path = makeDatabase(dir);
    auto db = Database::open(path, QString(), QString(), 300);
    // Another program reading holds the commit back until the busy timeout.
    auto reader = Database::open(path);
    auto reading = std::make_unique<Transaction>(*reader, false);
    reader->scalar(QStringLiteral("SELECT count(*) FROM T"));
    {
        Transaction t(*db);
        db->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (1, 'a')"));
        const DbError e = errorOf([&] { t.commit(); });
        EXPECT_EQ(e.number(), DbErr::CannotOpen);
        EXPECT_TRUE(e.locked());
        EXPECT_TRUE(db->inTransaction());
    }
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT count(*) FROM T")).toInt(), 0);
    reading.reset();
    {
        Transaction t(*db);
        db->emptyTable(QStringLiteral("T"));
        db->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (2, 'b')"));
        t.commit();
    }
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT k FROM T")).toInt(), 2);
}

TEST(DatabaseThreads, ReopenedOnAWorkerTheSameFileWithItsFunctionsButNeverAnotherFileInItsPlace) {
    QTemporaryDir dir;
    const QString path = makeDatabase(dir);
    Database::Identity id;
    {
        auto db = Database::open(path, QString(), QString(), 300);
        id = db->identity();
    }
    std::thread([&] {
        auto worker = Database::reopen(id);
        worker->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (1, 'a')"));
        // VB_VAL is registered on every connection.
        EXPECT_EQ(worker->scalar(QStringLiteral("SELECT VB_VAL('12abc')")).toDouble(), 12.0);
    }).join();
    EXPECT_EQ(Database::open(path)->scalar(QStringLiteral("SELECT count(*) FROM T")).toInt(), 1);
    // A file renamed over the path is not the file the connection opened.
    const QString other = dir.filePath(QStringLiteral("otra.db"));
    ASSERT_TRUE(QFile::copy(path, other));
    ASSERT_EQ(::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()), 0);
    std::thread([&] { EXPECT_EQ(errorOf([&] { Database::reopen(id); }).number(), DbErr::FileReplaced); }).join();
}

// The change stamp tells a commit of another connection in the rollback journal's mode and in WAL
// (where the file's header does not follow each commit), the connection's own writes, and a
// connection opened again on the file; nothing written leaves it as it was.
TEST(DatabaseStamps, ChangeStampMovesWithEveryCommitInBothJournalModesAndNamesItsConnection) {
    for (const char* mode : {"DELETE", "WAL"}) {
        SCOPED_TRACE(mode);
        QTemporaryDir dir;
        const QString path = makeDatabase(dir);
        auto db = Database::open(path);
        ASSERT_EQ(db->scalar(QStringLiteral("PRAGMA journal_mode=") + QLatin1String(mode)).toString().toUpper(),
                  QLatin1String(mode));
        auto other = Database::open(path);
        const Database::ChangeStamp before = db->changeStamp();
        db->scalar(QStringLiteral("SELECT count(*) FROM T"));
        EXPECT_EQ(db->changeStamp(), before);
        other->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (1, 'a')"));
        const Database::ChangeStamp afterOther = db->changeStamp();
        EXPECT_NE(afterOther, before);
        db->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (2, 'b')"));
        EXPECT_NE(db->changeStamp(), afterOther);
        // A connection opened again counts afresh from where a new one starts: its stamp is
        // another's, although both counts read as they did.
        auto fresh = Database::open(path);
        const Database::Identity id = fresh->identity();
        const Database::ChangeStamp first = fresh->changeStamp();
        fresh.reset();
        const Database::ChangeStamp again = Database::reopen(id)->changeStamp();
        EXPECT_EQ(again.own, first.own);
        EXPECT_EQ(again.others, first.others);
        EXPECT_NE(again, first);
    }
}

// Every door to a connection, used from a thread that did not open it, stops the program: the
// statements, the queries handed out (their reads and their end), the binds, the cursors' readers
// and their runs, the transactions, the stamps, the handles, the file and the closing.
TEST(DatabaseThreadsDeathTest, AConnectionUsedFromAnotherThreadStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    QTemporaryDir dir;
    const QString path = makeDatabase(dir);
    auto db = Database::open(path);
    db->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (1, 'a')"));
    auto insert = std::make_unique<PreparedStatement>(*db, QStringLiteral("INSERT INTO T (k, t) VALUES (?, 'c')"));
    auto rows = std::make_unique<RowCursor>(*db, QStringLiteral("SELECT k FROM T"));
    ASSERT_TRUE(rows->next());
    auto query = std::make_unique<Query>(db->exec(QStringLiteral("SELECT k, t FROM T")));
    auto prepared = std::make_unique<Query>(db->prepare(QStringLiteral("SELECT k FROM T WHERE k = ?")));
    auto other = Database::open(path);
    const std::vector<std::pair<const char*, std::function<void()>>> doors = {
        {"scalar", [&] { db->scalar(QStringLiteral("SELECT 1")); }},
        {"rows", [&] { db->rows(QStringLiteral("SELECT 1")); }},
        {"exec", [&] { db->exec(QStringLiteral("SELECT 1")); }},
        {"prepare", [&] { db->prepare(QStringLiteral("SELECT 1")); }},
        {"run a prepared query", [&] { db->run(*prepared, {1}); }},
        {"a query's next row", [&] { query->next(); }},
        {"a query's value", [&] { query->value(0); }},
        {"a query's value by name", [&] { query->value(QStringLiteral("t")); }},
        {"a query's record", [&] { query->record(); }},
        {"a query's end", [&] { query->finish(); }},
        {"a query freed", [&] { query.reset(); }},
        {"a statement's run", [&] { insert->run(); }},
        {"a text bound", [&] { insert->bindText(0, QStringLiteral("x")); }},
        {"a number bound", [&] { insert->bindInt(0, 2); }},
        {"a null bound", [&] { insert->bindNull(0); }},
        {"a value bound", [&] { insert->bindValue(0, 2); }},
        {"a statement freed", [&] { insert.reset(); }},
        {"a cursor's next row", [&] { rows->next(); }},
        {"a cursor's text", [&] { rows->text(0); }},
        {"a cursor's number", [&] { rows->integer(0); }},
        {"a cursor's value", [&] { rows->value(0); }},
        {"a cursor's null test", [&] { rows->isNull(0); }},
        {"a cursor's bytes", [&] { rows->bytes(0); }},
        {"a cursor's columns", [&] { rows->columnCount(); }},
        {"a cursor run again", [&] { rows->rerun({}); }},
        {"a cursor's end", [&] { rows->finish(); }},
        {"a cursor freed", [&] { rows.reset(); }},
        {"a transaction", [&] { Transaction t(*db); }},
        {"the change stamp", [&] { db->changeStamp(); }},
        {"the write stamp", [&] { db->writeStamp(); }},
        {"the handle", [&] { db->handle(); }},
        {"the engine's handle", [&] { db->sqliteHandle(); }},
        {"the file's identity", [&] { db->identity(); }},
        {"the file's path", [&] { db->path(); }},
        {"the check of the file", [&] { db->ensureSameFile(); }},
        {"the transaction's state", [&] { db->inTransaction(); }},
        {"the connection closed", [&] { other.reset(); }},
    };
    for (const auto& [door, use] : doors) {
        SCOPED_TRACE(door);
        EXPECT_DEATH(std::thread(use).join(), "otro hilo");
    }
}
