#include "frm_paraisos.h"

#include "long_work.h"
#include "party_widgets.h"
#include "reference_lists.h"
#include "wait_cursor.h"
#include "window_helpers.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace klv {

FrmParaisos::FrmParaisos(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("FrmParaisos"));
    grdParaisos = new QTableView(this);
    grdParaisos->setObjectName(QStringLiteral("grdParaisos"));
    model_ = new QStandardItemModel(0, 3, this);
    model_->setHorizontalHeaderLabels({QStringLiteral("Código"), QStringLiteral("Descripción"), QString()});
    grdParaisos->setModel(model_);
    grdParaisos->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdParaisos->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdParaisos->setSelectionMode(QAbstractItemView::SingleSelection);
    grdParaisos->setWordWrap(true);
    grdParaisos->verticalHeader()->hide();
    // Long captions wrap within their column.
    grdParaisos->horizontalHeader()->setDefaultAlignment(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap));
    grdParaisos->horizontalHeader()->setStretchLastSection(true);
    grdParaisos->setColumnHidden(2, true);
    Label2 = party::label(QStringLiteral("Label2"),
                          QStringLiteral("Para mayor detalle de los numerales de la Base Legal del Art.24° Reglamento "
                                         "de Ley del Impuesto a la Renta, consultar la Ayuda(F1)."),
                          this);
    Label2->setWordWrap(true);
    CmdSalir = party::button(QStringLiteral("CmdSalir"), QStringLiteral("&Salir"), this);
    CmdSalir->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Label2, 1);
    bottom->addStretch(0);
    bottom->addWidget(CmdSalir, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grdParaisos, 1);
    layout->addLayout(bottom);
    connect(CmdSalir, &QPushButton::clicked, this, [this] { CmdSalir_Click(); });
}

bool FrmParaisos::Form_Load() {
    resize(party::px(7065), party::px(4140));
    setHelpContext(ctx_.help, this, 1007);
    WaitCursor wait;
    const QString kind = kind_;
    const ReferenceList lista = LongWork::call(ctx_, this, [kind](AppContext& w) { return listaReferencia(w, kind); });
    if (!lista.conocida) return false;
    setWindowTitle(lista.caption);
    model_->setHorizontalHeaderLabels({lista.columnas.value(0), lista.columnas.value(1), QString()});
    Label2->setVisible(lista.nota);
    setHelpContext(ctx_.help, this, lista.helpContext);
    model_->setRowCount(0);
    for (const auto& [a, b] : lista.filas) model_->appendRow({new QStandardItem(a), new QStandardItem(b)});
    grdParaisos->setEnabled(!lista.filas.empty());
    // The first column as wide as its longest text or caption (up to a third of the window); the
    // description takes the rest and wraps.
    grdParaisos->resizeColumnToContents(0);
    grdParaisos->setColumnWidth(0, std::min(grdParaisos->columnWidth(0), width() / 3));
    grdParaisos->resizeRowsToContents();
    return true;
}

void FrmParaisos::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The header as tall as its wrapped captions.
    QHeaderView* header = grdParaisos->horizontalHeader();
    const QFontMetrics fm(header->font());
    int alto = fm.height();
    for (int c = 0; c < 2; ++c) {
        const QRect r = fm.boundingRect(QRect(0, 0, std::max(grdParaisos->columnWidth(c) - 10, 20), 1000),
                                        Qt::TextWordWrap, model_->headerData(c, Qt::Horizontal).toString());
        alto = std::max(alto, r.height());
    }
    header->setFixedHeight(alto + 8);
    grdParaisos->resizeRowsToContents();
    // Form_Activate: the grid takes the focus when it has rows.
    if (grdParaisos->isEnabled()) grdParaisos->setFocus();
}

void FrmParaisos::run(AppContext& ctx, QWidget* parent, const QString& kind) {
    FrmParaisos form(ctx, parent);
    form.udf_DefCaller(kind);
    try {
        if (!form.Form_Load()) return;
    } catch (const std::exception& e) {
        party::mostrarFallo(ctx, e);
        return;
    }
    udp_CentrarForm(parent, &form);
    form.exec();
}

}  // namespace klv
