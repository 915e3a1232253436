#pragma once
// A forward-only reader of a SELECT's rows straight from the engine, for loops over many rows
// (checks over a whole working copy, readers of large tables): nothing is copied until a column
// is asked for, and texts can be read as the engine's own UTF-8 bytes without making a QString.
// Columns are read by position: resolve a name once with column() before the loop. Parameters
// are bound as the Database door binds them (a null QString binds NULL; see textValue).
//
//   RowCursor c(db, "SELECT DOC_ID_P, MTO FROM T WHERE K=?", {key});
//   const int mto = c.column("MTO");
//   while (c.next()) total += fmt::plainNumber(c.bytes(mto)).value_or(0);

#include "database.h"

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

struct sqlite3_stmt;

namespace klv {

class RowCursor {
public:
    // Prepares and binds; throws DbError. The Database must outlive the cursor.
    RowCursor(const Database& db, const QString& sql, const QVariantList& params = {});
    ~RowCursor();
    RowCursor(const RowCursor&) = delete;
    RowCursor& operator=(const RowCursor&) = delete;

    // Moves to the next row; false after the last one. Throws DbError.
    bool next();
    // Runs the statement again with other parameters, prepared once (a lookup made for every line
    // of an import): rows of the earlier run not read are dropped. Throws DbError.
    void rerun(const QVariantList& params);
    // Ends the run, the rows not read dropped: the statement holds no read of the database.
    void finish();

    int columnCount() const;
    // Position of a result column by name (without regard to case); -1 when absent.
    int column(const QString& name) const;

    bool isNull(int col) const;
    // The value as UTF-8 text ("" for NULL), valid until the next call on this column or row.
    std::string_view bytes(int col) const;
    // NULL or the empty text.
    bool isEmpty(int col) const { return bytes(col).empty(); }
    // The value as a QString, as QtSql reads it: a null QString for NULL.
    QString text(int col) const;
    qint64 integer(int col) const;
    // The value as QtSql gives it: qint64, double, QString, QByteArray, or a null QVariant.
    QVariant value(int col) const;

private:
    const Database& db_;
    void bindAll(const QVariantList& params);

    sqlite3_stmt* stmt_ = nullptr;
    bool done_ = false;  // the last run has given its last row
};

// Texts that repeat down a column (a period, a code, a declarant's name) made once and shared by
// the rows that hold them: one per column, it keeps the column's last few distinct values.
class RepeatedTexts {
public:
    // The column's text (as RowCursor::text), shared with an earlier row's equal text.
    QString text(const RowCursor& c, int col);

private:
    static constexpr size_t kKept = 16;
    std::vector<QString> recent_;
    size_t next_ = 0;
};

// A lookup made again and again (once a party of an import): the statement is prepared in `slot`
// at the first call and run again with the parameters at later ones; `read` gets its first row,
// when there is one, and the run then ends, so that no read of the database is held between
// lookups. False when there is no row. Throws DbError.
bool lookupRow(std::unique_ptr<RowCursor>& slot, const Database& db, const QString& sql, const QVariantList& params,
               const std::function<void(const RowCursor&)>& read);

}  // namespace klv
