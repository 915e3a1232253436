#pragma once
// The grid of stored declarations that the declaration chooser and the print dialog show: whole
// rows, one selected at a time, read-only, with the seven columns of a declaration.

#include "declaration_store.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

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

private:
    StoredDeclarationList rows_;
};

// A grid named GrdDeclaraciones over a table model of the stored declarations (owned by the
// grid's parent): the chooser's, which lists every declaration.
QTableView* createDeclarationsGrid(QWidget* parent, StoredDeclarationsModel** model);
// The same grid over an item model to fill with declarationRowItems (a short list).
QTableView* createDeclarationsGrid(QWidget* parent, QStandardItemModel** model);
// The cells of one declaration: type, number, name, period, the two answers as SI/NO, form.
QList<QStandardItem*> declarationRowItems(const StoredDeclaration& d);

}  // namespace klv
