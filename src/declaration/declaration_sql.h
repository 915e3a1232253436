#pragma once
// Pieces of SQL shared by the declaration's queries: the key condition of a declaration with its
// bound values, and the readings of stored texts.

#include "keys.h"

#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

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

}  // namespace klv::decl
