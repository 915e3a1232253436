#include "frm_imprimir.h"
#include "long_work.h"

#include "declaration_print.h"
#include "declarations_grid.h"
#include "frm_impxpag.h"
#include "report_writer.h"
#include "show_report.h"
#include "spool.h"
#include "status_panels.h"
#include "wait_cursor.h"
#include "window_helpers.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace klv {
namespace {

void showDbError(const AppContext& ctx, const DbError& e) {
    const auto [text, style] = reportFailureMessage(e.number(), e.text());
    ctx.msg(text, style, QStringLiteral("Impresión"));
}

}  // namespace

FrmImprimir::FrmImprimir(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("frmImprimir"));
    setWindowTitle(QStringLiteral("Imprimir "));
    resize(760, 380);
    showRangeDialog = [](FrmImpxPag& dialog) { dialog.exec(); };
    printWhole = [this](const QString& file) { return udp_MostrarReporte(ctx_, this, file, QStringLiteral("xx")); };

    auto* frame = new QGroupBox(QStringLiteral("Declaraciones registradas"), this);
    frame->setObjectName(QStringLiteral("Frame2"));
    grid_ = createDeclarationsGrid(frame, &model_);
    grid_->installEventFilter(this);
    auto* fl = new QVBoxLayout(frame);
    fl->addWidget(grid_);
    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { writePanels(); });
    connect(grid_, &QTableView::doubleClicked, this, [this] { CmdImprimir_Click(0); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    const char* captions[] = {"&Preliminar", "&Imprimir", "&Salir"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(QString::fromUtf8(captions[i]), this);
        b->setObjectName(QStringLiteral("CmdImprimir_%1").arg(i));  // Enter presses the focused one
        connect(b, &QPushButton::clicked, this, [this, i] { CmdImprimir_Click(i); });
        buttons->addWidget(b);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame, 1);
    layout->addLayout(buttons);

    WaitCursor wait;
    udp_Refresca_Grilla();
    // Wide enough for every column.
    int columns = grid_->verticalHeader()->sizeHint().width() + 2 * grid_->frameWidth() + 48;
    for (int c = 0; c < model_->columnCount(); ++c) columns += grid_->columnWidth(c);
    resize(std::max(width(), columns), height());
    focusFirstControl(this);
}

void FrmImprimir::run(AppContext& ctx, QWidget* parent) {
    FrmImprimir dialog(ctx, parent);
    dialog.exec();
}

FrmImprimir::ListRead FrmImprimir::readList(AppContext& w) {
    try {
        return {listPrintableDeclarations(w), std::nullopt};
    } catch (const DbError& e) {
        return {{}, e};
    }
}

void FrmImprimir::udp_Refresca_Grilla() {
    ListRead read;
    try {
        read = LongWork::call(ctx_, this, [](AppContext& w) { return readList(w); });
    } catch (const DbError& e) {
        read.failure = e;
    } catch (const std::exception& e) {
        // Refused while another work runs: the list stays as it is.
        ctx_.msg(failureText(e), MsgStyle::Critical);
        return;
    }
    fillGrid(std::move(read));
}

void FrmImprimir::fillGrid(ListRead read) {
    const int keep = std::max(0, currentRow());
    rows_ = std::move(read.rows);
    if (read.failure) showDbError(ctx_, *read.failure);
    model_->setRowCount(0);
    for (const auto& d : rows_)
        model_->appendRow(declarationRowItems(d));
    grid_->resizeColumnsToContents();
    if (!rows_.empty()) selectRow(std::min(keep, rowCount() - 1));
}

int FrmImprimir::currentRow() const {
    const QModelIndex i = grid_->currentIndex();
    return i.isValid() && i.row() < rowCount() ? i.row() : -1;
}

void FrmImprimir::selectRow(int row) {
    if (row < 0 || row >= rowCount()) return;
    grid_->setCurrentIndex(model_->index(row, 0));
    grid_->selectRow(row);
}

void FrmImprimir::writePanels() {
    const int row = currentRow();
    if (row < 0 || !ctx_.panels) return;
    ctx_.panels->setPanelRuc(rows_[row].docIdD);
    ctx_.panels->setPanelNombre(rows_[row].razonSocial);
    ctx_.panels->setPanelPeriodo(rows_[row].periodo);
    ctx_.panels->setPanelFormulario(ctx_.gFormulario);
}

void FrmImprimir::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    writePanels();
}

bool FrmImprimir::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            CmdImprimir_Click(0);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString FrmImprimir::writeReport(bool preview, int* pages) {
    const StoredDeclaration d = rows_[currentRow()];
    // What the work gives back: the report written, or the declaration gone and the list read again.
    struct Written {
        bool gone = false;
        ListRead list;
        QString archivo;
        ReportOutcome outcome;
    };
    Written written;
    try {
        // One work reads the declaration's answers, takes the report's number and writes the
        // report: its SPOOL row is written only where the report is, and the writing removes it
        // again when it fails.
        LongWork work(ctx_, this, QStringLiteral("Escribiendo el reporte..."));
        written = work.run<Written>([d, preview](AppContext& w, const WorkProgress& progress) {
            Written out;
            ReportRequest request;
            auto fromRow = [&] {
                request.docIdD = d.docIdD.trimmed();
                request.tipDoc = QStringLiteral("6");
                request.razonSocial = d.razonSocial.trimmed();
                request.periodo = d.periodo.trimmed();
                if (preview) request.tipoImportacion = 2;
            };
            auto setKind = [&] {
                w.gAccion = 2;
                request.tipoReporte = 2;
                request.destino = QStringLiteral("ARCHIVO");
            };
            // The two actions keep their orders: the preview sets the request first, the print
            // reads the row first.
            if (preview) setKind();
            fromRow();
            const auto answers = CargarCasillas(w, request.tipDoc, request.docIdD, request.periodo);
            if (!answers) {
                out.gone = true;
                out.list = readList(w);
                return out;
            }
            request.autContExt = answers->autContExt;
            request.estTecPT = answers->estTecPT;
            request.rucEstudio = answers->rucEstudio;
            if (!preview) setKind();
            request.archivo = udf_NumeroSpoolReporte(w, QStringLiteral("PTR002"), Declarant{6, request.docIdD});
            if (request.archivo.isEmpty()) return out;  // told already
            out.outcome = udp_ImprimirReporte(w, request, QString(), progress);
            out.archivo = request.archivo;
            return out;
        });
    } catch (const DbError& e) {
        showDbError(ctx_, e);
        return {};
    } catch (const std::exception& e) {
        ctx_.msg(failureText(e), MsgStyle::Critical);
        return {};
    }
    if (written.gone) {
        ctx_.msg(QStringLiteral("La declaración seleccionada ya no existe."), MsgStyle::Exclamation);
        fillGrid(std::move(written.list));
        return {};
    }
    if (!written.outcome.ok) return {};
    *pages = written.outcome.pages;
    return written.archivo;
}

void FrmImprimir::CmdImprimir_Click(int index) {
    if (index == 2) {
        accept();
        return;
    }
    if (rows_.empty() || currentRow() < 0) return;
    const int row = currentRow();
    int pages = 0;
    const QString file = writeReport(index == 0, &pages);
    if (file.isEmpty()) return;
    if (index == 0) {
        FrmImpxPag dialog(ctx_, file, pages, this);
        dialog.setWindowTitle(QStringLiteral("Impresión de %1 páginas").arg(pages));
        showRangeDialog(dialog);
        selectRow(row);
    } else {
        printWhole(file);
    }
}

}  // namespace klv
