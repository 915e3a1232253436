#pragma once
// The one description of the module's own tables: columns in order with their engine type and
// size, primary keys, and which text columns accept the empty text. The installer generates its
// statements from it; every other subsystem takes its column lists from it, so copies between the
// stored and the working tables name their columns from here.
//
// A second, separate description lists the host's tables as far as this system writes or
// fingerprints them (PARAM, reportes, ENVIO_T, CAB, EFCONTROLNS). The host owns those tables; the
// order given here is the one the record control number and the positional inserts rely on.

#include <QString>
#include <QStringList>
#include <vector>

namespace klv::schema {

enum class JetType { Byte, Long, Double, Text, Memo, Date };

struct Column {
    QString name;
    JetType type;
    int size = 0;               // characters, for Text (0: no limit)
    bool allowZeroLength = false;
};

struct Table {
    QString name;
    std::vector<Column> columns;  // in order; the last one of a module table is cnumero
    QStringList key;              // primary key columns, in order

    QStringList columnNames() const;
    const Column* column(const QString& name) const;  // case-blind; nullptr when absent
    bool isKey(const QString& column) const;          // case-blind
    QString pkName() const { return QStringLiteral("PK_") + name; }
};

// Every module table (current and previous layout), in creation order: IDENTIFICA2, PAR_VIN,
// TIP_VIN, TIP_VIN_PAR, PARAISO_FISCAL, TRANSACCION, TMPTRANSACCION, TRATIPTRA2, TMPTRATIPTRA,
// TMPTRADET, TRANSACCION2, TMPTRANSACCION2.
const std::vector<Table>& moduleTables();
// The table of that name (case-blind); nullptr when it is not a module table.
const Table* findTable(const QString& name);
// The table of that name; throws std::out_of_range when unknown.
const Table& table(const QString& name);
// Column names of a module table in order (cnumero included).
QStringList columnNames(const QString& tableName);

// Host tables this system writes: PARAM, reportes, ENVIO_T, CAB, EFCONTROLNS (columns in the
// host's order; key empty where the host defines none the system relies on).
const std::vector<Table>& hostTables();
// The host table of that name (case-blind); nullptr when not described.
const Table* findHostTable(const QString& name);

// The SQLite type clause of a column: Byte -> INT CHECK 0..255, Long -> INT, Double -> REAL,
// Text(n) -> TEXT COLLATE NOCASE CHECK(length <= n), Memo -> TEXT COLLATE NOCASE,
// Date -> TEXT (yyyy-mm-dd).
QString sqliteType(const Column& c);
// CREATE TABLE statement with the key as CONSTRAINT PK_<table> PRIMARY KEY (...); key columns
// NOT NULL. A table without key gets no constraint.
QString createStatement(const Table& t);

}  // namespace klv::schema
