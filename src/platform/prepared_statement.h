#pragma once
// A writing statement prepared once on the engine and run many times, for loops that write a row
// per step (a file import's lines, the savepoints of nested transactions): values are bound by
// position without QVariant and nothing is read back but the count of rows changed. It stores and
// fails as the Database door does (the same texts, the same DbError numbers and texts), so a
// caller may move a statement from Database::run to here without changing what is stored.
//
//   PreparedStatement ins(db, "INSERT INTO T (A, B) VALUES (?, ?)");
//   for (...) { ins.bindText(0, a); ins.bindInt(1, b); ins.run(); }

#include "database.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace klv {

class PreparedStatement {
public:
    // Prepares the statement; throws DbError. The Database must outlive the statement.
    PreparedStatement(const Database& db, const QString& sql);
    ~PreparedStatement();
    PreparedStatement(PreparedStatement&& other) noexcept;
    PreparedStatement& operator=(PreparedStatement&& other) noexcept;
    PreparedStatement(const PreparedStatement&) = delete;
    PreparedStatement& operator=(const PreparedStatement&) = delete;

    // The value of parameter i (from 0) for the next runs. A text is bound as given; a null
    // QString binds the empty text, as textValue does (never NULL).
    void bindText(int i, const QString& text);
    void bindInt(int i, qint64 value);
    void bindNull(int i);
    // A value as the door binds it: NULL for a null value, a whole number as an integer, a text as
    // bindText does, anything else as its text.
    void bindValue(int i, const QVariant& value);

    // Runs the statement to its end and makes it ready for the next run; returns the rows it
    // changed. Throws DbError (the statement is ready again all the same).
    int run();

private:
    const Database* db_ = nullptr;
    sqlite3* handle_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
    std::vector<QByteArray> bytes_;  // the bound texts of ASCII characters, kept until rebound
};

}  // namespace klv
