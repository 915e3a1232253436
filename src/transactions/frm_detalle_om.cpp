#include "frm_detalle_om.h"

#include "frm_transacciones_common.h"
#include "key_filters.h"
#include "long_work.h"
#include "type_detail.h"
#include "wait_cursor.h"
#include "window_helpers.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace klv {
namespace {

constexpr int kColCod = 0;
constexpr int kColDes = 1;
constexpr int kColMonto = 2;
constexpr int kAmountDigits = 14;

// The amount cell takes digits only, at most 14 (the column holds 14 characters).
class AmountDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* editor = new QLineEdit(parent);
        editor->setObjectName(QStringLiteral("grdDetalle_OM_Monto"));
        editor->setMaxLength(kAmountDigits);
        editor->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        KeyCodeFilter::install(editor, [](int code) { return code == 8 || (code >= '0' && code <= '9') ? code : 0; });
        return editor;
    }
};

}  // namespace

FrmDetalle_OM::FrmDetalle_OM(AppContext& ctx, const TransactionKey& key, std::function<void(const QString&)> onTotal,
                             QWidget* parent)
    : QDialog(parent), ctx_(ctx), key_(key), onTotal_(std::move(onTotal)) {
    setObjectName(QStringLiteral("FrmDetalle_OM"));
    setWindowTitle(QStringLiteral("Detalle"));
    resize(7200 / 15, 4200 / 15);

    model_ = new QStandardItemModel(0, 3, this);
    model_->setHorizontalHeaderLabels({QStringLiteral("Cod"), QString::fromUtf8("Transacción"), QStringLiteral("Monto")});
    grdDetalle_OM = named<QTableView>(QStringLiteral("grdDetalle_OM"), this);
    grdDetalle_OM->setModel(model_);
    grdDetalle_OM->setItemDelegateForColumn(kColMonto, new AmountDelegate(grdDetalle_OM));
    grdDetalle_OM->setSelectionBehavior(QAbstractItemView::SelectItems);
    grdDetalle_OM->setSelectionMode(QAbstractItemView::SingleSelection);
    grdDetalle_OM->setEditTriggers(QAbstractItemView::AllEditTriggers);
    grdDetalle_OM->verticalHeader()->setDefaultSectionSize(grdDetalle_OM->fontMetrics().height() + 6);
    grdDetalle_OM->horizontalHeader()->setSectionResizeMode(kColCod, QHeaderView::ResizeToContents);
    grdDetalle_OM->horizontalHeader()->setSectionResizeMode(kColDes, QHeaderView::Stretch);
    grdDetalle_OM->horizontalHeader()->resizeSection(kColMonto, 130);
    grdDetalle_OM->installEventFilter(this);

    auto* total = named<QLabel>(QStringLiteral("LblTotal"), QStringLiteral("Total:"), this);
    TxtTotalMonto = named<QLineEdit>(QStringLiteral("TxtTotalMonto"), this);
    lockBox(TxtTotalMonto, true);
    TxtTotalMonto->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    TxtTotalMonto->setFixedWidth(130);
    CmdSalir = named<QPushButton>(QStringLiteral("CmdSalir"), QStringLiteral("&Salir"), this);
    CmdSalir->setAutoDefault(false);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(total);
    bottom->addWidget(TxtTotalMonto);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(CmdSalir);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grdDetalle_OM, 1);
    layout->addLayout(bottom);
    layout->addLayout(buttons);

    connect(CmdSalir, &QPushButton::clicked, this, [this] { CmdSalir_Click(); });
    connect(model_, &QStandardItemModel::itemChanged, this, [this](QStandardItem* item) {
        if (!filling_ && item->column() == kColMonto) amountEdited(item->row(), item->text());
    });
    connect(grdDetalle_OM->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        if (!filling_) refreshTotal();
    });
}

void FrmDetalle_OM::run(AppContext& ctx, QWidget* parent, const TransactionKey& key,
                        std::function<void(const QString&)> onTotal) {
    FrmDetalle_OM form(ctx, key, std::move(onTotal), parent);
    try {
        form.Form_Load();
    } catch (const std::exception& e) {
        ctx.msg(QStringLiteral("No se pudo leer el detalle de la transacción.\r\n") + QString::fromLocal8Bit(e.what()),
                MsgStyle::Critical);
        return;
    }
    form.exec();
}

void FrmDetalle_OM::Form_Load() {
    WaitCursor wait;
    // The rows and their total in one call.
    struct Loaded {
        std::vector<DetailRow> rows;
        Deferred<QString> total;
    };
    const Loaded loaded = LongWork::call(ctx_, this, [key = key_](AppContext& w) {
        Loaded l;
        l.rows = detailRows(w, key);
        l.total = Deferred<QString>::of([&] { return TotalMonto(w, key); });
        return l;
    });
    filling_ = true;
    model_->removeRows(0, model_->rowCount());
    for (const DetailRow& r : loaded.rows) {
        auto* code = new QStandardItem(r.code);
        auto* des = new QStandardItem(r.description);
        auto* monto = new QStandardItem(r.monto.isNull() ? QString() : r.monto.toString());
        code->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        des->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        monto->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        model_->appendRow({code, des, monto});
    }
    fitDescriptions();
    grdDetalle_OM->setEnabled(model_->rowCount() > 0);
    // The first amount is made current without a refresh of its own: the total read above follows.
    if (model_->rowCount() > 0) grdDetalle_OM->setCurrentIndex(model_->index(0, kColMonto));
    filling_ = false;
    showTotal(loaded.total);
}

void FrmDetalle_OM::fitDescriptions() {
    // The form widens, within the screen, until every description reads whole (up to 70
    // characters).
    const QFontMetrics fm = grdDetalle_OM->fontMetrics();
    int description = 0;
    for (int r = 0; r < model_->rowCount(); ++r)
        description = std::max(description, fm.horizontalAdvance(model_->item(r, kColDes)->text()));
    QHeaderView* header = grdDetalle_OM->horizontalHeader();
    const int grid = grdDetalle_OM->verticalHeader()->sizeHint().width() + header->sectionSize(kColCod) + description +
                     fm.averageCharWidth() * 2 + header->sectionSize(kColMonto) + 2 * grdDetalle_OM->frameWidth() +
                     grdDetalle_OM->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const QMargins m = layout()->contentsMargins();
    int wanted = grid + m.left() + m.right();
    if (const QScreen* s = screen()) wanted = std::min(wanted, s->availableGeometry().width());
    if (wanted > width()) resize(wanted, height());
}

void FrmDetalle_OM::showTotal(const Deferred<QString>& total) {
    try {
        TxtTotalMonto->setText(total.get());
    } catch (const std::exception& e) {
        ctx_.msg(QString::fromLocal8Bit(e.what()), MsgStyle::Critical);
    }
}

void FrmDetalle_OM::refreshTotal() {
    // Reached from a focus change or a key while another work runs (a box of that work on
    // screen): the total is read inside that work's wait when it allows, and otherwise stays as
    // shown, without a box of its own; the next refresh reads it again.
    if (LongWork::running()) {
        try {
            TxtTotalMonto->setText(LongWork::call(ctx_, this, [key = key_](AppContext& w) { return TotalMonto(w, key); }));
        } catch (const std::exception&) {
        }
        return;
    }
    showTotal(transaction_form::readDeferred<QString>(ctx_, this, [key = key_](AppContext& w) { return TotalMonto(w, key); }));
}

void FrmDetalle_OM::amountEdited(int row, const QString& text) {
    const QString code = model_->item(row, kColCod)->text();
    // The amount stored, then the total, in one call.
    struct Stored {
        Deferred<bool> saved;
        Deferred<QString> total;
    };
    Stored stored;
    try {
        stored = LongWork::call(ctx_, this, [key = key_, code, text](AppContext& w) {
            Stored s;
            s.saved = Deferred<bool>::of([&] {
                setDetailAmount(w, key, code, text);
                return true;
            });
            s.total = Deferred<QString>::of([&] { return TotalMonto(w, key); });
            return s;
        });
    } catch (const std::exception& e) {
        // The call itself failed (another work runs): nothing was stored, the total stays.
        ctx_.msg(QStringLiteral("No se pudo guardar el monto.\r\n") + QString::fromLocal8Bit(e.what()), MsgStyle::Critical);
        return;
    }
    try {
        stored.saved.get();
    } catch (const std::exception& e) {
        ctx_.msg(QStringLiteral("No se pudo guardar el monto.\r\n") + QString::fromLocal8Bit(e.what()), MsgStyle::Critical);
    }
    showTotal(stored.total);
}

void FrmDetalle_OM::CmdSalir_Click() {
    // An amount still being typed (the window closed from its frame) is stored first: moving
    // the current cell hands the open editor's text to the grid.
    const QModelIndex current = grdDetalle_OM->currentIndex();
    if (current.isValid()) {
        grdDetalle_OM->setCurrentIndex(QModelIndex());
        grdDetalle_OM->setCurrentIndex(current);
    }
    // The total and whether every amount is given, in one call.
    struct Closing {
        Deferred<QString> total;
        Deferred<bool> complete;
    };
    Closing closing;
    try {
        closing = LongWork::call(ctx_, this, [key = key_](AppContext& w) {
            Closing c;
            c.total = Deferred<QString>::of([&] { return TotalMonto(w, key); });
            c.complete = Deferred<bool>::of([&] { return allAmountsGiven(w, key); });
            return c;
        });
    } catch (const std::exception& e) {
        ctx_.msg(QString::fromLocal8Bit(e.what()), MsgStyle::Critical);
        return;
    }
    showTotal(closing.total);
    if (onTotal_) onTotal_(TxtTotalMonto->text());
    bool complete = false;
    try {
        complete = closing.complete.get();
    } catch (const std::exception& e) {
        ctx_.msg(QString::fromLocal8Bit(e.what()), MsgStyle::Critical);
        return;
    }
    if (!complete) {
        ctx_.msg(msgFaltanMontos(), MsgStyle::Critical);
        return;
    }
    closing_ = true;
    accept();
}

void FrmDetalle_OM::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    // Closing the window any other way runs the check of "&Salir".
    event->ignore();
    CmdSalir_Click();
}

void FrmDetalle_OM::reject() { CmdSalir_Click(); }

bool enterPressesFocusedButton(QWidget* window, QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) return false;
    auto* button = qobject_cast<QPushButton*>(window->focusWidget());
    if (!button || !button->isEnabled() || !window->isAncestorOf(button)) return false;
    button->click();
    return true;
}

void FrmDetalle_OM::keyPressEvent(QKeyEvent* event) {
    if (!enterPressesFocusedButton(this, event)) QDialog::keyPressEvent(event);
}

void FrmDetalle_OM::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (grdDetalle_OM->isEnabled()) grdDetalle_OM->setFocus();
    refreshTotal();
}

bool FrmDetalle_OM::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grdDetalle_OM && (event->type() == QEvent::KeyPress || event->type() == QEvent::FocusOut))
        refreshTotal();
    return QDialog::eventFilter(watched, event);
}

}  // namespace klv
