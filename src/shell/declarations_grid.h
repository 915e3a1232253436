#pragma once
// The grid of stored declarations that the declaration chooser and the print dialog show: whole
// rows, one selected at a time, read-only, with the seven columns of a declaration.

#include "declaration_store.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <functional>
#include <string_view>
#include <vector>

class QStandardItem;
class QStandardItemModel;
class QTableView;
class QWidget;

namespace klv {

// "Tipo de Documento", "Nro Documento", "Nombre/ R.S.", "Periodo", "Autorizado Conta.M.E.",
// "Eva.Tec. Prec.Trans.", "Formulario".
QStringList declarationCaptions();

// A table model over a StoredDeclarationList: the view asks for the cells it paints, so tens of
// thousands of declarations cost no item per cell. Codes are shown by their texts (RUC, SI, NO).
class StoredDeclarationsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit StoredDeclarationsModel(QObject* parent = nullptr);

    void setRows(StoredDeclarationList rows);
    const StoredDeclarationList& rows() const { return rows_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Up to `count` rows whose texts in the column are the widest by `width` (an estimate of the
    // width of a UTF-8 text), the widest first.
    std::vector<int> widestRows(int column, int count, const std::function<int(std::string_view)>& width) const;

private:
    StoredDeclarationList rows_;
};

// A grid named GrdDeclaraciones over a table model of the stored declarations (owned by the
// grid's parent): the chooser's, which lists every declaration.
QTableView* createDeclarationsGrid(QWidget* parent, StoredDeclarationsModel** model);
// Sizes each column of the chooser's grid to its caption and its widest value: every value's width
// is estimated from the widths of its characters in the grid's font, and the few widest are
// measured by the grid's own size hints. Tens of thousands of rows cost no text layout each.
void fitColumnsToValues(QTableView* grid, const StoredDeclarationsModel& model);
// The same grid over an item model to fill with declarationRowItems (a short list).
QTableView* createDeclarationsGrid(QWidget* parent, QStandardItemModel** model);
// The cells of one declaration: type, number, name, period, the two answers as SI/NO, form.
QList<QStandardItem*> declarationRowItems(const StoredDeclaration& d);

}  // namespace klv
