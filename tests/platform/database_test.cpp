#include "db_rows.h"
#include "database.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
    EXPECT_EQ(test::dbErrorNumber([&] { other->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (2, 'b')")); }), DbErr::CannotOpen);
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

TEST(DatabaseStatements, ErrorsMapToEngineNumbers) {
    QTemporaryDir dir;
    auto db = Database::open(makeDatabase(dir));
    db->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (1, 'a')"));
    EXPECT_EQ(test::dbErrorNumber([&] { db->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (1, 'b')")); }), DbErr::DuplicateKey);
    EXPECT_EQ(test::dbErrorNumber([&] { db->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (2, 'much too long')")); }), DbErr::FieldTooSmall);
    EXPECT_EQ(test::dbErrorNumber([&] { db->exec(QStringLiteral("INSERT INTO T (k, t) VALUES (NULL, 'x')")); }), DbErr::NullInRequired);
    EXPECT_EQ(test::dbErrorNumber([&] { db->exec(QStringLiteral("CREATE TABLE t (x INTEGER)")); }), DbErr::TableExists);
    EXPECT_EQ(test::dbErrorNumber([&] { db->exec(QStringLiteral("ALTER TABLE T ADD COLUMN k INTEGER")); }), DbErr::FieldExists);
    EXPECT_EQ(test::dbErrorNumber([&] { db->exec(QStringLiteral("SELECT * FROM Nope")); }), DbErr::UnknownTable);
    EXPECT_EQ(test::dbErrorNumber([&] { db->exec(QStringLiteral("SELECT nope FROM T")); }), DbErr::UnknownColumn);
}

TEST(DatabaseStatements, CatalogueIsCaseBlind) {
    QTemporaryDir dir;
    auto db = Database::open(makeDatabase(dir));
    EXPECT_TRUE(db->tableExists(QStringLiteral("t")));
    EXPECT_FALSE(db->tableExists(QStringLiteral("T2")));
    EXPECT_TRUE(db->columnExists(QStringLiteral("T"), QStringLiteral("K")));
    EXPECT_FALSE(db->columnExists(QStringLiteral("T"), QStringLiteral("z")));
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
