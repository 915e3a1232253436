#pragma once
// Record control number (cnumero): six digits computed from a row's own values just before the
// row is stored. Three digits come from the sum of the leading "numeric part" fields read as
// numbers, three from a position-weighted sum of the character codes (Windows-1252) of the
// remaining fields. The number takes no secret: anyone holding the row can recompute it.
//
// Fields are always taken by column name, in the order of the table's description (klv::schema),
// leaving cnumero out, so a table whose physical column order differs (PAR_VIN upgraded from the
// previous layout has its three newest columns after cnumero) gets the same number as a fresh
// one.

#include "schema.h"

#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <functional>
#include <vector>

namespace klv {

class Database;

// One field of the row: its value (NULL as an invalid or null QVariant) and its column type,
// which decides how the value becomes text.
struct ControlField {
    QVariant value;
    schema::JetType type = schema::JetType::Text;
};

// The text of a field: numbers in plain form ("6", "2015", "12.5"), dates as yyyymmdd, texts
// without leading and trailing blanks, NULL as the empty text.
QString controlText(const ControlField& field);

// The control number of a row given as its fields in order, cnumero NOT included. Fields 0 to
// nKeys - 1 form the numeric part, the rest the character part. nKeys 0 or less leaves the
// numeric part empty; nKeys equal to fields.size() leaves the character part empty. Throws
// DbError (3265, no such item) when nKeys exceeds the number of fields.
QString udf_NumeroControl(const std::vector<ControlField>& fields, int nKeys);

// The fields of one row of a module table (or of the host tables CAB and EFCONTROLNS), read by
// name in the description's order, cnumero left out. A column the row lacks counts as NULL.
// Throws std::invalid_argument for a table that carries no control number.
std::vector<ControlField> controlFields(const QString& table, const QSqlRecord& row);
std::vector<ControlField> controlFields(const QString& table, const QVariantMap& row);

QString numeroControl(const QString& table, const QSqlRecord& row, int nKeys);
QString numeroControl(const QString& table, const QVariantMap& row, int nKeys);

// The same number computed by the engine, for copies of many rows in one statement: every
// connection the database door opens (in a program that links this file) has the SQL function
//   KLV_NUMERO_CONTROL(table, nKeys, field0, ..., fieldN)
// whose fields are a row's columns in the table description's order, cnumero left out, and
// which returns the six digits udf_NumeroControl gives for them (one computation serves both).
// numeroControlSql writes the call for a table, naming its columns (prefixed by the alias when
// one is given):
//   INSERT INTO TRANSACCION2 (...) SELECT ..., KLV_NUMERO_CONTROL('TRANSACCION2', 5, W.tip_doc_d,
//   ...) FROM TMPTRANSACCION2 W WHERE ...
// A table without control number throws std::invalid_argument; nKeys above the number of fields
// fails the statement.
QString numeroControlSql(const QString& table, int nKeys, const QString& alias = QString());
// The same call over the numbered parameters ?1, ?2, ... bound to the row's fields in the
// description's order, for a statement that writes a row with its number from values bound once:
//   INSERT INTO TIP_VIN_PAR (tip_doc_d, ..., cod_tip_vin, cnumero) VALUES (?1, ..., ?6,
//   KLV_NUMERO_CONTROL('TIP_VIN_PAR', 4, ?1, ..., ?6))
QString numeroControlSqlParametros(const QString& table, int nKeys);

// A copy that computes no number counts its rows with the SQL function KLV_CUENTA_FILA(value),
// which gives back its argument as it is (its type and value) and counts one row: a statement
// calls it on one column of each row it copies, or in a condition on each row it walks.
//   INSERT INTO TMPTRATIPTRA (...) SELECT KLV_CUENTA_FILA(T.tip_doc_d), T.doc_id_d, ... FROM ...

// While it lives, `report` is called with the number of rows the SQL functions have numbered
// (KLV_NUMERO_CONTROL) or counted (KLV_CUENTA_FILA) on this thread since the guard was made, every
// `step` rows: progress of one-statement copies.
class RowProgress {
public:
    explicit RowProgress(std::function<void(qint64 rows)> report, qint64 step = 2000);
    ~RowProgress();
    RowProgress(const RowProgress&) = delete;
    RowProgress& operator=(const RowProgress&) = delete;
    void rowDone();
    qint64 rows() const { return rows_; }

private:
    std::function<void(qint64)> report_;
    qint64 step_;
    qint64 rows_ = 0;
    RowProgress* previous_;
};

// Reads the stored row whose key columns (in the description's key order) hold keyValues and
// computes its number; the empty text when no such row exists. Throws DbError on a database
// failure.
QString numeroControlFila(const Database& db, const QString& table, const QVariantList& keyValues, int nKeys);

}  // namespace klv
