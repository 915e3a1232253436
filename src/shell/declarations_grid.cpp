#include "declarations_grid.h"

#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>

namespace klv {
namespace {

constexpr int kColumns = 7;

QTableView* declarationsView(QWidget* parent) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(QStringLiteral("GrdDeclaraciones"));
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->setDefaultSectionSize(20);
    return grid;
}

}  // namespace

QStringList declarationCaptions() {
    return {QStringLiteral("Tipo de Documento"),     QStringLiteral("Nro Documento"),
            QStringLiteral("Nombre/ R.S."),          QStringLiteral("Periodo"),
            QStringLiteral("Autorizado Conta.M.E."), QStringLiteral("Eva.Tec. Prec.Trans."),
            QStringLiteral("Formulario")};
}

StoredDeclarationsModel::StoredDeclarationsModel(QObject* parent) : QAbstractTableModel(parent) {}

void StoredDeclarationsModel::setRows(StoredDeclarationList rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int StoredDeclarationsModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_.size(); }

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
        return declarationCaptions().at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

QTableView* createDeclarationsGrid(QWidget* parent, StoredDeclarationsModel** model) {
    QTableView* grid = declarationsView(parent);
    *model = new StoredDeclarationsModel(parent);
    grid->setModel(*model);
    return grid;
}

QTableView* createDeclarationsGrid(QWidget* parent, QStandardItemModel** model) {
    QTableView* grid = declarationsView(parent);
    *model = new QStandardItemModel(0, kColumns, parent);
    (*model)->setHorizontalHeaderLabels(declarationCaptions());
    grid->setModel(*model);
    return grid;
}

QList<QStandardItem*> declarationRowItems(const StoredDeclaration& d) {
    return {new QStandardItem(documentTypeText(d.tipDocD)), new QStandardItem(d.docIdD),
            new QStandardItem(d.razonSocial),                new QStandardItem(d.periodo),
            new QStandardItem(yesNoText(d.autContExt)),     new QStandardItem(yesNoText(d.estTecPt)),
            new QStandardItem(d.formulario)};
}

}  // namespace klv
