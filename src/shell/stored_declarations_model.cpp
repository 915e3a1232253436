#include "stored_declarations_model.h"

namespace klv {
namespace {

constexpr int kColumns = 7;

const char* const kCaptions[kColumns] = {"Tipo de Documento",     "Nro Documento",        "Nombre/ R.S.", "Periodo",
                                         "Autorizado Conta.M.E.", "Eva.Tec. Prec.Trans.", "Formulario"};

}  // namespace

StoredDeclarationsModel::StoredDeclarationsModel(QObject* parent) : QAbstractTableModel(parent) {}

void StoredDeclarationsModel::setRows(StoredDeclarationList rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int StoredDeclarationsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_.size();
}

int StoredDeclarationsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant StoredDeclarationsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    const int row = index.row();
    using F = StoredDeclarationList::Field;
    switch (index.column()) {
    case 0: return documentTypeText(rows_.tipDocD(row));
    case 1: return rows_.text(row, F::DocIdD);
    case 2: return rows_.text(row, F::RazonSocial);
    case 3: return rows_.text(row, F::Periodo);
    case 4: return yesNoText(rows_.text(row, F::AutContExt));
    case 5: return yesNoText(rows_.text(row, F::EstTecPt));
    case 6: return rows_.text(row, F::Formulario);
    default: return {};
    }
}

QVariant StoredDeclarationsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kColumns)
        return QString::fromUtf8(kCaptions[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

}  // namespace klv
