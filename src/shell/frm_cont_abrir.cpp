#include "frm_cont_abrir.h"
#include "long_work.h"
#include "declarations_grid.h"
#include "wait_cursor.h"
#include "window_helpers.h"

#include "mensajes.h"

#include <QApplication>
#include <algorithm>
#include <QGroupBox>
#include <QMouseEvent>
#include <QScreen>
#include <QShowEvent>
#include <QScrollBar>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <functional>

namespace klv {
namespace {
constexpr const char* kFormName = "FrmContAbrir";

// A double click anywhere on the grid, on a row or where there is none (an empty list, below the
// last row), runs an action.
class DoubleClickFilter : public QObject {
public:
    DoubleClickFilter(QObject* parent, std::function<void()> action) : QObject(parent), action_(std::move(action)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonDblClick &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            action_();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> action_;
};

// As wide as every column's caption and values need (the grid sized them), within the screen, its
// frame included as far as it is known: at its place when it fits there, else moved left just as far as keeps it inside,
// and never wider than the screen (the grid then scrolls). Called once the window is laid out.
void fitWidthToColumns(QDialog* dialog, QTableView* grid) {
    const int columns = grid->horizontalHeader()->length() + grid->verticalHeader()->sizeHint().width() +
                        2 * grid->frameWidth() + grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2;
    const int around = dialog->width() - grid->width();  // the margins and borders beside the grid
    const int frame = dialog->frameGeometry().width() - dialog->width();
    const QScreen* screen = dialog->screen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    const int room = screen ? area.width() - frame - around : columns;
    grid->setMinimumWidth(std::min(columns, std::max(room, 200)));
    int width = std::max(dialog->width(), grid->minimumWidth() + around);
    if (screen) width = std::min(width, area.width() - frame);
    dialog->resize(width, dialog->height());
    if (screen) dialog->move(std::max(area.left(), std::min(dialog->x(), area.right() + 1 - width - frame)), dialog->y());
}

}  // namespace

FrmContAbrir::FrmContAbrir(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
    setObjectName(QString::fromLatin1(kFormName));
    WaitCursor wait;
    setHelpContext(ctx_.help, this, 1010);
    move(1000 / 15, 1000 / 15);
    resize(720, 360);

    label1_ = new QLabel(this);
    label1_->setObjectName(QStringLiteral("Label1"));
    auto* frame = new QGroupBox(QStringLiteral("Declaraciones Registradas"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    grid_ = createDeclarationsGrid(frame, &model_);
    auto* fl = new QVBoxLayout(frame);
    fl->addWidget(grid_);

    action_ = new QPushButton(this);
    action_->setObjectName(QStringLiteral("CmdOpciones_0"));
    close_ = new QPushButton(QStringLiteral("&Salir"), this);
    close_->setObjectName(QStringLiteral("CmdOpciones_1"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(action_);
    buttons->addWidget(close_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label1_);
    layout->addWidget(frame, 1);
    layout->addLayout(buttons);

    connect(action_, &QPushButton::clicked, this, [this] { CmdOpciones_Click(0); });
    connect(close_, &QPushButton::clicked, this, [this] { CmdOpciones_Click(1); });
    grid_->viewport()->installEventFilter(new DoubleClickFilter(this, [this] { CmdOpciones_Click(0); }));

    udp_Refresca_Grilla();
    if (ctx_.gAccion == 1) {
        action_->setText(QStringLiteral("&Modificar"));
        label1_->setText(QStringLiteral("Seleccione la Declaración que desea modificar :"));
        setWindowTitle(QStringLiteral("Modificar Declaraciones"));
    } else {
        action_->setText(QStringLiteral("&Eliminar"));
        label1_->setText(QStringLiteral("Seleccione la Declaración que desea eliminar :"));
        setWindowTitle(QStringLiteral("Eliminar Declaraciones"));
    }
    focusFirstControl(this);
}

void FrmContAbrir::showEvent(QShowEvent* event) {
    // Once on screen: the screen it opens on and its frame are known.
    if (!event->spontaneous()) fitWidthToColumns(this, grid_);
    QDialog::showEvent(event);
}

void FrmContAbrir::udp_Refresca_Grilla() {
    const DeclarationKey before = preselect_.docIdD.isEmpty() ? selectedKey() : preselect_;
    preselect_ = DeclarationKey();
    StoredDeclarationList rows;
    try {
        LongWork work(ctx_, this, QStringLiteral("Leyendo las declaraciones..."));
        rows = work.run<StoredDeclarationList>(
            [](AppContext& w, const WorkProgress&) { return listStoredDeclarations(w.db()); });
    } catch (const DbError& e) {
        rows = StoredDeclarationList();
        ctx_.msg(e.text() + QLatin1Char('\n') + QLatin1Char(' ') + QString::number(e.number()), MsgStyle::OkOnly,
                 QStringLiteral("Error"));
    } catch (const std::exception& e) {  // another work runs (WorkRefused)
        rows = StoredDeclarationList();
        ctx_.msg(failureText(e), MsgStyle::OkOnly, QStringLiteral("Error"));
    }
    const int keep = std::max(rows.find(before.docIdD, before.periodo), 0);
    model_->setRows(std::move(rows));
    fitColumnsToValues(grid_, *model_);
    if (rowCount() > 0) grid_->selectRow(keep);
}

int FrmContAbrir::rowCount() const { return model_ ? model_->rowCount() : 0; }

DeclarationKey FrmContAbrir::selectedKey() const {
    DeclarationKey key;
    if (!grid_ || !grid_->selectionModel()) return key;
    const QModelIndex current = grid_->currentIndex();
    const int row = current.isValid() ? current.row() : -1;
    if (row < 0 || row >= rowCount()) return key;
    const StoredDeclaration d = model_->rows().at(row);
    key.tipDocD = d.tipDocD;
    key.docIdD = d.docIdD;
    key.periodo = d.periodo;
    key.formulario = d.formulario;
    return key;
}

void FrmContAbrir::CmdOpciones_Click(int index) {
    if (index == 1) {
        reject();
        return;
    }
    try {
        if (ctx_.gAccion == 1) {
            if (rowCount() == 0) {
                udp_Mensaje(ctx_, 1, QString::fromLatin1(kFormName));
                return;
            }
            done(ModifyRequested);
        } else if (ctx_.gAccion == 3) {
            if (rowCount() == 0) {
                udp_Mensaje(ctx_, 2, QString::fromLatin1(kFormName));
                return;
            }
            if (ctx_.msg(QStringLiteral("¿Confirma que va a eliminar la Declaración?"), 292) != MsgAnswer::Yes) return;
            const DeclarationKey key = selectedKey();
            {
                WaitCursor wait;
                LongWork work(ctx_, this, QStringLiteral("Eliminando la declaración..."));
                work.runWork([&key](AppContext& w, const WorkProgress& progress) {
                    deleteStoredDeclaration(w.db(), key.docIdD, key.periodo, w.gFormulario, progress);
                });
            }
            udp_Refresca_Grilla();
        }
    } catch (const DbError& e) {
        ctx_.msg(e.text() + QLatin1Char('\n') + QLatin1Char(' ') + QString::number(e.number()), MsgStyle::OkOnly,
                 QStringLiteral("Error"));
    } catch (const std::exception& e) {  // another work runs (WorkRefused)
        ctx_.msg(failureText(e), MsgStyle::OkOnly, QStringLiteral("Error"));
    }
}

void FrmContAbrir::selectKey(const DeclarationKey& key) {
    preselect_ = key;
    udp_Refresca_Grilla();
}

void FrmContAbrir::run(AppContext& ctx, QWidget* parent) {
    DeclarationKey key;
    for (;;) {
        {
            FrmContAbrir chooser(ctx, parent);
            if (!key.docIdD.isEmpty()) chooser.selectKey(key);
            if (chooser.exec() != ModifyRequested) return;
            key = chooser.selectedKey();
        }
        if (!ctx.forms.declaration) {
            ctx.msg(QStringLiteral("En Desarrollo."), MsgStyle::Exclamation);
            continue;
        }
        if (!ctx.forms.declaration(parent, QString::fromLatin1(kFormName), &key)) return;
    }
}

}  // namespace klv
