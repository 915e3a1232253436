#include "frm_partes_vinc.h"

#include "combo_fillers.h"
#include "frm_partes_vinc_det.h"
#include "long_work.h"
#include "mensajes.h"
#include "param_lookups.h"
#include "party_state.h"
#include "party_widgets.h"
#include "wait_cursor.h"
#include "window_helpers.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace klv {

using party::button;
using party::frame;
using party::label;

namespace {
constexpr int kColumns = 9;

// What choosing a declarant reads: its name and its parties.
struct DeclarantParties {
    QString nombre;
    std::vector<PartyListRow> rows;
};

// What the delete hands back: whether the party went, and the list read after it.
struct Deleted {
    bool deleted = false;
    std::vector<PartyListRow> rows;
};
}  // namespace

FrmPartesVinc::FrmPartesVinc(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
    setObjectName(party::kFrmPartesVinc);
    setWindowTitle(QStringLiteral("Listado de Informados"));
    useDesignFont(this);

    auto* frame1 = frame(QStringLiteral("Frame1"), QStringLiteral("Declarante"), this);
    auto* label0 = label(QStringLiteral("Label10_0"), QStringLiteral("Ruc :"), frame1);
    auto* label1 = label(QStringLiteral("Label10_1"), QStringLiteral("Razón Social :"), frame1);
    CboNumDoc = new QComboBox(frame1);
    CboNumDoc->setObjectName(QStringLiteral("CboNumDoc"));
    CboNumDoc->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    CboNumDoc->setMinimumContentsLength(48);
    TxtRazon_Social = party::lineEdit(QStringLiteral("TxtRazon_Social"), frame1);
    TxtRazon_Social->setEnabled(false);
    auto* g1 = new QGridLayout(frame1);
    g1->addWidget(label0, 0, 0);
    g1->addWidget(CboNumDoc, 0, 1);
    g1->addWidget(label1, 1, 0);
    g1->addWidget(TxtRazon_Social, 1, 1, 1, 2);
    g1->setColumnStretch(2, 1);

    auto* fraRelacion = frame(QStringLiteral("FraRelacion"), QStringLiteral("Informados del Declarante"), this);
    GrdVinculadas = new QTableView(fraRelacion);
    GrdVinculadas->setObjectName(QStringLiteral("GrdVinculadas"));
    model_ = new QStandardItemModel(0, kColumns, this);
    model_->setHorizontalHeaderLabels(columnasInformados());
    GrdVinculadas->setModel(model_);
    GrdVinculadas->setSelectionBehavior(QAbstractItemView::SelectRows);
    GrdVinculadas->setSelectionMode(QAbstractItemView::SingleSelection);
    GrdVinculadas->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GrdVinculadas->setWordWrap(false);
    GrdVinculadas->verticalHeader()->setDefaultSectionSize(20);
    GrdVinculadas->verticalHeader()->hide();
    GrdVinculadas->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Each column at least as wide as its caption (drawn bold on the current column).
    QFont bold = GrdVinculadas->horizontalHeader()->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    const int widths[kColumns] = {80, 140, 260, 70, 140, 60, 100, 150, 70};
    for (int c = 0; c < kColumns; ++c)
        GrdVinculadas->setColumnWidth(c, std::max(widths[c], metrics.horizontalAdvance(columnasInformados().at(c)) + 16));
    lblNumVinculadas = label(QStringLiteral("lblNumVinculadas"), textoRegistros(0), fraRelacion, true);
    const QString captions[] = {QStringLiteral("&Nuevo"), QStringLiteral("&Modificar"), QStringLiteral("&Eliminar"),
                                QStringLiteral("&Importar")};
    auto* buttons = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        CmdOpciones[i] = button(QStringLiteral("CmdOpciones_%1").arg(i), captions[i], fraRelacion);
        buttons->addWidget(CmdOpciones[i]);
        connect(CmdOpciones[i], &QPushButton::clicked, this, [this, i] { CmdOpciones_Click(i); });
    }
    buttons->addStretch(1);
    CmdSalir = button(QStringLiteral("CmdSalir"), QStringLiteral("&Salir"), fraRelacion);
    buttons->addWidget(CmdSalir);
    auto* g2 = new QVBoxLayout(fraRelacion);
    g2->addWidget(GrdVinculadas, 1);
    g2->addWidget(lblNumVinculadas);
    g2->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame1);
    layout->addWidget(fraRelacion, 1);

    connect(CboNumDoc, qOverload<int>(&QComboBox::activated), this, [this](int) { CboNumDoc_Click(); });
    connect(CmdSalir, &QPushButton::clicked, this, [this] { CmdSalir_Click(); });
    connect(GrdVinculadas, &QTableView::doubleClicked, this, [this](const QModelIndex&) {
        CmdOpciones_Click(CmdOpciones[3]->text() == QLatin1String("&Seleccionar") ? 3 : 1);
    });
}

void FrmPartesVinc::Form_Load(const QString& cboNumDoc) {
    resize(party::px(9510), party::px(6885));
    party::moveTopLeft(this, parentWidget());
    setHelpContext(ctx_.help, this, 1019);
    WaitCursor wait;
    if (selectionMode()) {
        for (int i = 0; i < 3; ++i) CmdOpciones[i]->hide();
        CmdOpciones[3]->setText(QStringLiteral("&Seleccionar"));
        CboNumDoc->clear();
        CboNumDoc->addItem(cboNumDoc);
        CboNumDoc->setCurrentIndex(0);
        CboNumDoc->setEnabled(false);
        CboNumDoc_Click();
    } else {
        for (QPushButton* b : CmdOpciones) b->show();
        CmdOpciones[3]->setText(QStringLiteral("&Importar"));
        udp_AnchoListaCombo(this, CboNumDoc, 70);
        udp_CargaCombo(CboNumDoc, LongWork::call(ctx_, this, [](AppContext& w) {
                           return udf_ItemsContribuyentes(w, QStringLiteral("6"));
                       }));
        CboNumDoc->setCurrentIndex(-1);
    }
    // The declarant's combo, or in selection mode (combo locked) the list.
    focusFirstControl(this);
}

QString FrmPartesVinc::ruc() const { return CboNumDoc->currentText().left(11); }

void FrmPartesVinc::CboNumDoc_Click() {
    try {
        WaitCursor wait;
        const QString ruc = this->ruc();
        DeclarantParties read = LongWork::call(ctx_, this, [ruc](AppContext& w) {
            return DeclarantParties{nombreDeclarante(w, ruc), listarInformados(w, 6, ruc)};
        });
        showFromStart(TxtRazon_Social, read.nombre);
        showRows(std::move(read.rows));
    } catch (const std::exception& e) {
        reportFailure(e);
    }
}

void FrmPartesVinc::udp_Refresca_Grilla(int tipDocD, const QString& docIdD) {
    WaitCursor wait;
    showRows(LongWork::call(ctx_, this, [tipDocD, docIdD](AppContext& w) { return listarInformados(w, tipDocD, docIdD); }));
}

void FrmPartesVinc::showRows(std::vector<PartyListRow> rows) {
    const std::optional<Party> keep = currentParty();
    rows_ = std::move(rows);
    model_->setRowCount(0);
    int current = 0;
    for (const PartyListRow& r : rows_) {
        QList<QStandardItem*> items;
        for (int c = 0; c < kColumns; ++c) items << new QStandardItem(r.texto(c));
        if (keep && keep->tipDocP == r.party.tipDocP && keep->docIdP == r.party.docIdP) current = model_->rowCount();
        model_->appendRow(items);
    }
    if (!rows_.empty()) GrdVinculadas->selectRow(current);
    // Names and countries as wide as their longest text (within reason), never below the caption.
    for (int c : {2, 4}) {
        const int before = GrdVinculadas->columnWidth(c);
        GrdVinculadas->resizeColumnToContents(c);
        GrdVinculadas->setColumnWidth(c, std::clamp(GrdVinculadas->columnWidth(c), before, 420));
    }
    lblNumVinculadas->setText(textoRegistros(static_cast<int>(rows_.size())));
}

std::optional<Party> FrmPartesVinc::currentParty() const {
    const int row = GrdVinculadas->currentIndex().isValid() ? GrdVinculadas->currentIndex().row() : 0;
    if (row < 0 || row >= static_cast<int>(rows_.size())) return std::nullopt;
    return rows_[static_cast<size_t>(row)].party;
}

void FrmPartesVinc::CmdOpciones_Click(int index) {
    const bool sinDeclarante = CboNumDoc->currentIndex() < 0 || CboNumDoc->currentText().isEmpty();
    if (index == 3 && CmdOpciones[3]->text() == QLatin1String("&Seleccionar")) {
        selected_ = currentParty();
        CmdSalir_Click();
        return;
    }
    if (sinDeclarante) {
        udp_Mensaje(ctx_, 1, party::kFrmPartesVinc);
        CboNumDoc->setFocus();
        return;
    }
    const QString ruc = this->ruc();
    switch (index) {
    case 0:
        openOver([&] {
            FrmPartesVincDet::run(ctx_, parentWidget(), party::kNuevo, ruc, TxtRazon_Social->text(), nullptr);
        });
        break;
    case 1: {
        const std::optional<Party> p = currentParty();
        if (!p) {
            udp_Mensaje(ctx_, 2, party::kFrmPartesVinc);
            return;
        }
        openOver([&] {
            FrmPartesVincDet::run(ctx_, parentWidget(), party::kModificar, ruc, TxtRazon_Social->text(), &*p);
        });
        break;
    }
    case 2: {
        const std::optional<Party> p = currentParty();
        if (!p) {
            udp_Mensaje(ctx_, 3, party::kFrmPartesVinc);
            return;
        }
        try {
            // On the engine's thread: the questions asked (their boxes shown on the window's thread),
            // the party deleted and the list read again.
            LongWork work(ctx_, this, QStringLiteral("Eliminando el informado..."));
            const Party parte = *p;
            Deleted out = work.run<Deleted>([ruc, parte](AppContext& w, const WorkProgress&) {
                Deleted d;
                d.deleted = udp_EliminarInformado(w, ruc, parte);
                if (d.deleted) d.rows = listarInformados(w, 6, ruc);
                return d;
            });
            if (out.deleted) showRows(std::move(out.rows));
        } catch (const std::exception& e) {
            reportFailure(e);
        }
        break;
    }
    case 3:
        if (!ctx_.forms.importDialog) {
            ctx_.msg(QStringLiteral("En Desarrollo."), MsgStyle::Exclamation);
            return;
        }
        openOver([&] {
            OpenDeclaration decl;
            decl.cboNumDoc = CboNumDoc->currentText();
            ctx_.forms.importDialog(parentWidget(), party::kFrmPartesVinc, &decl);
        });
        break;
    default:
        break;
    }
}

void FrmPartesVinc::openOver(const std::function<void()>& open) {
    hide();
    open();
    show();
    raise();
    activateWindow();
    try {
        udp_Refresca_Grilla(6, ruc());
    } catch (const std::exception& e) {
        reportFailure(e);
    }
}

void FrmPartesVinc::CmdSalir_Click() {
    closing_ = true;
    done(QDialog::Accepted);
}

void FrmPartesVinc::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    event->ignore();
    CmdSalir_Click();
}

void FrmPartesVinc::reportFailure(const std::exception& e) { party::mostrarFallo(ctx_, e); }

void FrmPartesVinc::showModal() {
    setWindowModality(Qt::ApplicationModal);
    show();
    // A loop of our own rather than exec(): the register hides itself while the detail or the
    // import dialog is open, and hiding must not end it.
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::DialogExec);
}

void FrmPartesVinc::run(AppContext& ctx, QWidget* parent, const QString& caller) {
    FrmPartesVinc form(ctx, parent);
    form.udp_Def_Caller(caller);
    try {
        form.Form_Load();
    } catch (const std::exception& e) {
        party::mostrarFallo(ctx, e);
        return;
    }
    form.showModal();
}

std::optional<Party> FrmPartesVinc::select(AppContext& ctx, QWidget* parent, const QString& cboNumDoc) {
    FrmPartesVinc form(ctx, parent);
    form.udp_Def_Caller(party::kFrmTransacciones);
    form.Form_Load(cboNumDoc);
    form.showModal();
    return form.selected();
}

}  // namespace klv
