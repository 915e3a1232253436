#pragma once
// The view's model of the declaration's transactions grid.

#include "declaration_grid.h"

#include <QAbstractTableModel>

namespace klv {

// The grid's model: a read-only view of a TransactionGrid, handed to the view in batches as it
// scrolls. Double clicks and the current row are the view's.
class TransactionGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TransactionGridModel(QObject* parent = nullptr);

    // Shows the rows read apart (on the engine's thread: the model reads nothing itself).
    void replace(TransactionGrid grid);
    // A grid without rows.
    void clear();
    const TransactionGrid& grid() const { return grid_; }
    // Every row of the grid, fetched or not.
    int totalRows() const { return grid_.size(); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    TransactionGrid grid_;
    int shown_ = 0;
};

}  // namespace klv
