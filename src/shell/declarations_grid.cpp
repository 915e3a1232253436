#include "declarations_grid.h"

#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>

namespace klv {

QTableView* createDeclarationsGrid(QWidget* parent, QStandardItemModel** model) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(QStringLiteral("GrdDeclaraciones"));
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->setDefaultSectionSize(20);
    *model = new QStandardItemModel(0, 7, parent);
    (*model)->setHorizontalHeaderLabels({QStringLiteral("Tipo de Documento"), QStringLiteral("Nro Documento"),
                                         QStringLiteral("Nombre/ R.S."), QStringLiteral("Periodo"),
                                         QStringLiteral("Autorizado Conta.M.E."), QStringLiteral("Eva.Tec. Prec.Trans."),
                                         QStringLiteral("Formulario")});
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
