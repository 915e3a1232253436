#pragma once
// Pieces of SQL shared by the declaration's queries: the key condition of a declaration with its
// bound values, the readings of stored texts, and the count of rows a long read has read.

#include "keys.h"

#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <functional>

namespace klv::decl {

// "A.TIP_DOC_D=? AND A.DOC_ID_D=? AND A.PERIODO=? AND A.FORMULARIO=?" (alias optional).
QString keyCondition(const QString& alias = QString());
QVariantList keyParams(const DeclarationKey& key);
// The same without the form code (the save and the totals leave it out).
QString keyConditionNoForm(const QString& alias = QString());
QVariantList keyParamsNoForm(const DeclarationKey& key);
// Order in which the working and stored transactions are walked: by their key.
QString transactionOrder(const QString& alias = QString());
// The rows of aliases `a` and `b` belong to the same transaction: their seven key columns equal
// (the transaction tables' key, so the engine finds the transaction through its key index).
QString sameTransaction(const QString& a, const QString& b);

// Column names joined with ", ", each prefixed by the alias when one is given.
QString columnList(const QStringList& names, const QString& alias = QString());

// A stored value as text: NULL gives "".
inline QString text(const QVariant& v) { return v.isNull() ? QString() : v.toString(); }
// NULL or the empty text.
inline bool isEmpty(const QVariant& v) { return v.isNull() || v.toString().isEmpty(); }

// Number reading of an amount text: empty or blank is 0, a number its value; any other text
// counts by its leading number (so it never stops a check).
double amount(const QString& text);

// The value of a period text: the number at the start of the trimmed text, 0 when there is none.
int periodValue(const QString& periodo);

// Told now and then, on the engine's thread, how many rows a loop over a long read has read so
// far: every kRowsReadStep rows, so that a loop over hundreds of thousands of rows pays nothing
// for it. countRow counts one more row and tells it at each step.
using RowsRead = std::function<void(qint64 rows)>;
constexpr qint64 kRowsReadStep = 2000;
inline void countRow(qint64& rows, const RowsRead& rowsRead) {
    if (++rows % kRowsReadStep == 0 && rowsRead) rowsRead(rows);
}

}  // namespace klv::decl
