#pragma once
// The chooser grid's model: a read-only view of the stored declarations as listed, one row per
// declaration, the codes shown by their texts (RUC, SI, NO). Nothing is made per cell: the view
// asks for the cells it paints.

#include "declaration_store.h"

#include <QAbstractTableModel>

namespace klv {

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

}  // namespace klv
