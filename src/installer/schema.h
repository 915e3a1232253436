#pragma once
// The one description of the module's own tables: columns in order with their engine type and
// size, primary keys, and which text columns accept the empty text. The installer generates its
// statements from it; every other subsystem takes its column lists from it, so copies between the
// stored and the working tables name their columns from here.

#include <QString>
#include <QStringList>
#include <vector>

namespace klv::schema {

enum class JetType { Byte, Long, Text, Memo, Date };

struct Column {
    QString name;
    JetType type;
    int size = 0;               // characters, for Text
    bool allowZeroLength = false;
};

struct Table {
    QString name;
    std::vector<Column> columns;  // in order; the last one is cnumero
    QStringList key;              // primary key columns, in order
    bool previousLayout = false;  // TRANSACCION / TMPTRANSACCION of the earlier layout

    QStringList columnNames() const;
    const Column* column(const QString& name) const;  // case-blind; nullptr when absent
    QString pkName() const { return QStringLiteral("PK_") + name; }
};

// Every module table (current and previous layout), in creation order.
const std::vector<Table>& moduleTables();
// The table of that name (case-blind); nullptr when it is not a module table.
const Table* findTable(const QString& name);
// The table of that name; throws std::out_of_range when unknown.
const Table& table(const QString& name);
// Column names of a module table in order (cnumero included).
QStringList columnNames(const QString& tableName);

// The SQLite type clause of a column: Byte -> INT CHECK 0..255, Long -> INT, Text(n) -> TEXT
// COLLATE NOCASE CHECK(length <= n), Memo -> TEXT COLLATE NOCASE, Date -> TEXT (yyyy-mm-dd).
QString sqliteType(const Column& c);
// CREATE TABLE statement with the key as CONSTRAINT PK_<table> PRIMARY KEY (...); key columns
// NOT NULL.
QString createStatement(const Table& t);

}  // namespace klv::schema
