#pragma once
// The grid of stored declarations that the declaration chooser and the print dialog show: whole
// rows, one selected at a time, read-only, with the seven columns of a declaration.

#include "declaration_store.h"

#include <QList>

class QStandardItem;
class QStandardItemModel;
class QTableView;
class QWidget;

namespace klv {

// A grid named GrdDeclaraciones with its model (owned by the grid's parent).
QTableView* createDeclarationsGrid(QWidget* parent, QStandardItemModel** model);
// The cells of one declaration: type, number, name, period, the two answers as SI/NO, form.
QList<QStandardItem*> declarationRowItems(const StoredDeclaration& d);

}  // namespace klv
