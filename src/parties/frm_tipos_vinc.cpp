#include "frm_tipos_vinc.h"

#include "long_work.h"
#include "party_widgets.h"
#include "vinculation_types.h"
#include "wait_cursor.h"
#include "window_helpers.h"

#include <QHeaderView>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace klv {

using party::button;
using party::frame;
using party::label;

namespace {

// Measures each cell wrapped within its column, so a row is as tall as its longest text needs.
class WrappedCells : public QStyledItemDelegate {
public:
    explicit WrappedCells(QTreeView* view) : QStyledItemDelegate(view), view_(view) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem within(option);
        within.rect = QRect(0, 0, view_->header()->sectionSize(index.column()), 1);
        return QStyledItemDelegate::sizeHint(within, index);
    }

private:
    QTreeView* view_;
};

}  // namespace

FrmTiposVinc::FrmTiposVinc(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("FrmTiposVinc"));
    setWindowTitle(QStringLiteral("Tipos de Vinculación"));
    useDesignFont(this);

    auto* fra = frame(QStringLiteral("FraTipoVincul"),
                      QStringLiteral("Seleccione Tipos de Vinculación entre el Declarante y el Informado"), this);
    auto* cmdTit1 = button(QStringLiteral("CmdTit1"), QStringLiteral("Art.24° Reglamento de Ley del Impuesto a la Renta"), fra);
    cmdTit1->setFocusPolicy(Qt::NoFocus);
    LvwParteVinculada = new QTreeWidget(fra);
    LvwParteVinculada->setObjectName(QStringLiteral("LvwParteVinculada"));
    LvwParteVinculada->setRootIsDecorated(false);
    LvwParteVinculada->setHeaderLabels(
        {QStringLiteral("Código"), QStringLiteral("Num. Art°24 - Impuesto a la Renta"), QStringLiteral("Descripción")});
    // The description takes the rest of the list's width and wraps there, each row as tall as its
    // description, so every description shows whole.
    LvwParteVinculada->setWordWrap(true);
    LvwParteVinculada->setAlternatingRowColors(true);  // where one description ends and the next begins
    LvwParteVinculada->setItemDelegate(new WrappedCells(LvwParteVinculada));
    LvwParteVinculada->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The bar stays, so the width the rows are measured for does not change with it.
    LvwParteVinculada->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LvwParteVinculada->header()->setStretchLastSection(true);
    LvwParteVinculada->setColumnWidth(0, 70);
    LvwParteVinculada->setColumnWidth(1, 240);
    connect(LvwParteVinculada->header(), &QHeaderView::sectionResized, LvwParteVinculada,
            [this] { LvwParteVinculada->doItemsLayout(); });
    auto* fl = new QVBoxLayout(fra);
    fl->setSpacing(0);
    fl->addWidget(cmdTit1);
    fl->addWidget(LvwParteVinculada, 1);

    auto* label1 = label(QStringLiteral("Label1"), QStringLiteral("NOTA : "), this);
    auto* label2 = label(QStringLiteral("Label2"),
                         QStringLiteral("Para mayor detalle de los numerales de la Base Legal del Art.24° Reglamento de "
                                        "Ley del Impuesto a la Renta, consultar la Ayuda(F1)."),
                         this);
    label2->setWordWrap(true);
    CmdAceptar = button(QStringLiteral("CmdAceptar"), QStringLiteral("&Aceptar"), this);
    CmdSalir = button(QStringLiteral("CmdSalir"), QStringLiteral("&Salir"), this);
    auto* note = new QHBoxLayout;
    note->addWidget(label1, 0, Qt::AlignTop);
    note->addWidget(label2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(CmdAceptar);
    buttons->addWidget(CmdSalir);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fra, 1);
    layout->addLayout(note);
    layout->addLayout(buttons);
    resize(820, 420);

    connect(CmdAceptar, &QPushButton::clicked, this, [this] { cmdAceptar_Click(); });
    connect(CmdSalir, &QPushButton::clicked, this, [this] { CmdSalir_Click(); });
    // A click on the check box toggles the tick by itself (itemChanged comes between the press and
    // the click); a click elsewhere on the item inverts it here. A toggle by the keyboard (space)
    // is no click: each press forgets it.
    LvwParteVinculada->viewport()->installEventFilter(this);
    connect(LvwParteVinculada, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) {
        if (!toggling_) toggledByBox_ = item;
    });
    connect(LvwParteVinculada, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) {
        if (toggledByBox_ == item) {
            toggledByBox_ = nullptr;
            return;
        }
        LvwParteVinculada_ItemClick(item);
    });
}

bool FrmTiposVinc::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && watched == LvwParteVinculada->viewport()) toggledByBox_ = nullptr;
    return QDialog::eventFilter(watched, event);
}

bool FrmTiposVinc::Form_Load(const QStringList& ticks) {
    // At the screen's top left corner, whatever window it is opened from.
    move((parentWidget() ? parentWidget()->screen() : screen())->geometry().topLeft());
    setHelpContext(ctx_.help, this, 1023);
    std::vector<TipoVinculacion> tipos;
    {
        WaitCursor wait;
        tipos = LongWork::call(ctx_, this, [](AppContext& w) { return udp_CargarLstTipVin(w); });
    }
    if (tipos.empty()) {
        // The program's default title.
        ctx_.msg(QStringLiteral("NO SE ENCONTRO TIPOS DE VINCULACION"), MsgStyle::OkOnly, QStringLiteral("QM8027"));
        return false;
    }
    toggling_ = true;
    LvwParteVinculada->clear();
    for (const TipoVinculacion& t : tipos) {
        auto* item = new QTreeWidgetItem(LvwParteVinculada, {t.codigo, t.numRenta, t.nombre});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, ticks.contains(t.codigo.trimmed()) ? Qt::Checked : Qt::Unchecked);
        item->setToolTip(2, t.nombre);
    }
    toggling_ = false;
    focusFirstControl(this);
    return true;
}

std::optional<QStringList> FrmTiposVinc::run(AppContext& ctx, QWidget* parent, const QStringList& ticks) {
    FrmTiposVinc form(ctx, parent);
    try {
        if (!form.Form_Load(ticks)) return std::nullopt;
    } catch (const std::exception& e) {
        party::mostrarFallo(ctx, e);
        return std::nullopt;
    }
    form.exec();
    if (!form.accepted()) return std::nullopt;
    return form.ticks();
}

QStringList FrmTiposVinc::ticks() const {
    QStringList out;
    for (int i = 0; i < LvwParteVinculada->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = LvwParteVinculada->topLevelItem(i);
        const QString code = item->text(0).trimmed();
        if (item->checkState(0) == Qt::Checked && !out.contains(code)) out << code;
    }
    return out;
}

void FrmTiposVinc::cmdAceptar_Click() {
    accepted_ = true;
    accept();
}

void FrmTiposVinc::CmdSalir_Click() {
    accepted_ = false;
    reject();
}

void FrmTiposVinc::LvwParteVinculada_ItemClick(QTreeWidgetItem* item) {
    if (!item) return;
    toggling_ = true;
    item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    toggling_ = false;
}

}  // namespace klv
