#include "transaction_grid_model.h"

#include <algorithm>

namespace klv {
namespace {

// Rows handed to the view at a time, as it scrolls.
constexpr int kFetchBatch = 1000;

}  // namespace

TransactionGridModel::TransactionGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void TransactionGridModel::replace(TransactionGrid grid) {
    beginResetModel();
    grid_ = std::move(grid);
    shown_ = std::min(grid_.size(), kFetchBatch);
    endResetModel();
}

void TransactionGridModel::clear() {
    beginResetModel();
    grid_.clear();
    shown_ = 0;
    endResetModel();
}

int TransactionGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_; }

int TransactionGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kGridColumns; }

QVariant TransactionGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shown_) return {};
    const auto column = static_cast<GridColumn>(index.column());
    if (role == Qt::DisplayRole) return grid_.text(index.row(), column);
    if (role == Qt::TextAlignmentRole && (column == GridColumn::Cor || column == GridColumn::Total))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant TransactionGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
    if (section < 0 || section >= kGridColumns) return {};
    return gridCaption(static_cast<GridColumn>(section));
}

bool TransactionGridModel::canFetchMore(const QModelIndex& parent) const { return !parent.isValid() && shown_ < grid_.size(); }

void TransactionGridModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid() || shown_ >= grid_.size()) return;
    const int more = std::min(grid_.size() - shown_, kFetchBatch);
    beginInsertRows(QModelIndex(), shown_, shown_ + more - 1);
    shown_ += more;
    endInsertRows();
}

}  // namespace klv
