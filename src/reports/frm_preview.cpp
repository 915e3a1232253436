#include "frm_preview.h"
#include "long_work.h"

#include "markup_render.h"
#include "print_service.h"
#include "wait_cursor.h"

#include <QAction>
#include <QGridLayout>
#include <QPainter>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace klv {
namespace {

// The page on show, drawn from the page model each time it is painted.
class CanvasWidget : public QWidget {
public:
    CanvasWidget(const FrmPreview& form, QWidget* parent) : QWidget(parent), form_(form) {
        setObjectName(QStringLiteral("picPrevia"));
        setFixedSize(FrmPreview::kCanvasWidth, FrmPreview::kCanvasHeight);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        form_.paintCanvas(painter, form_.HojaActual());
    }

private:
    const FrmPreview& form_;
};

}  // namespace

FrmPreview::FrmPreview(AppContext& ctx, const QString& nomArchivo, std::optional<markup::PageRange> range,
                       QWidget* parent)
    : QDialog(parent), ctx_(ctx), nomArchivo_(nomArchivo), range_(range) {
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("Presentación Preliminar"));
    background_ = markup::MarkupDocument().background();
    resize(1000, 740);

    toolbar_ = new QToolBar(this);
    toolbar_->setObjectName(QStringLiteral("tlbPrevia"));
    toolbar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    const struct {
        int index;
        const char* text;
        QStyle::StandardPixmap icon;
    } buttons[] = {{1, "", QStyle::SP_CustomBase},
                   {2, "Pag Anterior", QStyle::SP_ArrowBack},
                   {3, "Pag Sgt", QStyle::SP_ArrowForward},
                   {4, "Imprimir", QStyle::SP_FileDialogContentsView},
                   {5, "Salir", QStyle::SP_DialogCloseButton}};
    for (const auto& b : buttons) {
        QAction* a = b.index == 1 ? toolbar_->addAction(QString())
                                  : toolbar_->addAction(style()->standardIcon(b.icon), QString::fromUtf8(b.text));
        a->setObjectName(QStringLiteral("tlbPrevia_%1").arg(b.index));
        connect(a, &QAction::triggered, this, [this, i = b.index] { tlbPrevia_ButtonClick(i); });
    }

    picFondo_ = new QWidget(this);
    picFondo_->setObjectName(QStringLiteral("picFondo"));
    picFondo_->setAutoFillBackground(true);
    picFondo_->setBackgroundRole(QPalette::Dark);
    canvas_ = new CanvasWidget(*this, picFondo_);
    for (int i = 0; i < 2; ++i) {
        vsb_[i] = new QScrollBar(Qt::Vertical, this);
        vsb_[i]->setObjectName(QStringLiteral("vsbPic_%1").arg(i));
        vsb_[i]->setSingleStep(20);
        connect(vsb_[i], &QScrollBar::valueChanged, this, [this, i](int v) {
            vsb_[1 - i]->setValue(v);
            placeCanvas();
        });
    }
    hscroll_ = new QScrollBar(Qt::Horizontal, this);
    hscroll_->setObjectName(QStringLiteral("HScroll1"));
    hscroll_->setSingleStep(20);
    connect(hscroll_, &QScrollBar::valueChanged, this, [this] { placeCanvas(); });

    auto* grid = new QGridLayout;
    grid->setSpacing(0);
    grid->addWidget(vsb_[0], 0, 0);
    grid->addWidget(picFondo_, 0, 1);
    grid->addWidget(vsb_[1], 0, 2);
    grid->addWidget(hscroll_, 1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(toolbar_);
    layout->addLayout(grid, 1);
    placeCanvas();
}

// The report read is let go on a worker: freeing one of thousands of pages holds no window.
FrmPreview::~FrmPreview() { LongWork::release(std::move(doc_)); }

QString FrmPreview::path() const { return ctx_.gRptPath + QLatin1Char('/') + nomArchivo_; }

bool FrmPreview::Form_Load() {
    setHelpContext(ctx_.help, this, 1012);
    {
        WaitCursor wait;
        // A report of thousands of pages is read on the engine's thread (on a thread of its own
        // where there is no engine).
        LongWork work(ctx_, this, QStringLiteral("Leyendo el reporte..."));
        work.withoutDatabase();
        const QString file = path();
        const std::optional<markup::PageRange> range = range_;
        auto read = work.run<std::pair<markup::MarkupDocument, std::vector<std::vector<int>>>>(
            [&](AppContext&, const WorkProgress& progress) {
                markup::MarkupDocument doc = markup::readMarkupFile(file, progress);
                auto canvases = markup::previewCanvases(doc, range);
                return std::make_pair(std::move(doc), std::move(canvases));
            });
        doc_ = std::move(read.first);
        canvases_ = std::move(read.second);
        background_ = doc_.background();
    }
    pMostrar(0);
    if (!doc_.exists) {
        ctx_.msg(QStringLiteral("Archivo Físico del Reporte no Existe"), MsgStyle::Critical,
                 QStringLiteral("Error al Imprimir"));
        return false;
    }
    if (doc_.failure) {
        const auto& f = *doc_.failure;
        ctx_.msg(QStringLiteral("Error tecnico:  %1\nLínea %2 del reporte: %3\nIntente nuevamente por favor.")
                     .arg(f.number)
                     .arg(f.line)
                     .arg(f.description),
                 MsgStyle::Critical, QStringLiteral("Error"));
        return false;
    }
    return true;
}

void FrmPreview::pMostrar(int n) {
    const int total = TotalHojas();
    if (n == 0) hojaActual_ = 0;
    else if (n == -2 && hojaActual_ > 0) --hojaActual_;
    else if (n == -1 && hojaActual_ != total - 1) ++hojaActual_;
    vsb_[0]->setValue(0);
    vsb_[1]->setValue(0);
    placeCanvas();
    canvas_->update();
}

void FrmPreview::tlbPrevia_ButtonClick(int button) {
    switch (button) {
    case 2: pMostrar(-2); break;
    case 3: pMostrar(-1); break;
    case 4: printFile(); break;
    case 5: close(); break;
    default: break;
    }
}

bool FrmPreview::printFile() {
    // Each pass reads the file again, and lets it go on a worker.
    markup::MarkupDocument doc;
    const auto letGo = qScopeGuard([&doc] { LongWork::release(std::move(doc)); });
    {
        WaitCursor wait;
        LongWork work(ctx_, this, QStringLiteral("Leyendo el reporte..."));
        work.withoutDatabase();
        const QString file = path();
        doc = work.run<markup::MarkupDocument>(
            [&](AppContext&, const WorkProgress& progress) { return markup::readMarkupFile(file, progress); });
    }
    if (!doc.exists) {
        ctx_.msg(QStringLiteral("Archivo Físico del Reporte no Existe"), MsgStyle::Critical,
                 QStringLiteral("Error al Imprimir"));
        return false;
    }
    if (doc.failure) {
        ctx_.msg(QStringLiteral("Error Técnico : (%1) Línea %2 del reporte: %3")
                     .arg(doc.failure->number)
                     .arg(doc.failure->line)
                     .arg(doc.failure->description),
                 MsgStyle::OkOnly, QStringLiteral("Impresión"));
        return false;
    }
    return printReport(ctx_, this, doc, range_);
}

void FrmPreview::paintCanvas(QPainter& painter, int index) const {
    painter.fillRect(QRect(0, 0, kCanvasWidth, kCanvasHeight), background_);
    if (index < 0 || index >= TotalHojas()) return;
    painter.setRenderHint(QPainter::TextAntialiasing);
    markup::CommandPainter commands(painter, 1.0 / markup::kScreenTwipsPerPixel);
    for (int i : canvases_[index]) commands.draw(doc_.entries[i]);
}

QImage FrmPreview::canvasImage(int index) const {
    QImage image(kCanvasWidth, kCanvasHeight, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);  // 96 dpi, as the screen
    image.setDotsPerMeterY(3780);
    QPainter painter(&image);
    paintCanvas(painter, index);
    return image;
}

void FrmPreview::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    updateBars();
    placeCanvas();
}

void FrmPreview::wheelEvent(QWheelEvent* event) {
    const QPoint d = event->angleDelta();
    QScrollBar* bar = d.y() == 0 && d.x() != 0 ? hscroll_ : vsb_[0];
    QCoreApplication::sendEvent(bar, event);
}

void FrmPreview::updateBars() {
    const int v = std::max(0, kCanvasHeight - picFondo_->height());
    for (auto* bar : vsb_) {
        bar->setRange(0, v);
        bar->setPageStep(std::max(1, picFondo_->height()));
    }
    hscroll_->setRange(kCanvasLeft, std::max(0, kCanvasWidth + kCanvasLeft - picFondo_->width()));
    hscroll_->setPageStep(std::max(1, picFondo_->width()));
}

void FrmPreview::placeCanvas() {
    if (!canvas_ || !hscroll_) return;
    canvas_->move(kCanvasLeft - hscroll_->value(), -vsb_[0]->value());
}

}  // namespace klv
