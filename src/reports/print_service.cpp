#include "print_service.h"
#include "long_work.h"

#include "app_context.h"
#include "markup_render.h"
#include "report_writer.h"
#include "wait_cursor.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>

namespace klv {

struct PrinterCanvas::Painter {
    QPainter painter;
    std::optional<markup::CommandPainter> commands;
};

PrinterCanvas::PrinterCanvas(QPrinter& printer, const markup::MarkupDocument& doc)
    : printer_(printer), doc_(doc), painter_(std::make_unique<Painter>()) {}
PrinterCanvas::~PrinterCanvas() {
    if (painter_->painter.isActive()) painter_->painter.end();
}

bool PrinterCanvas::begin(bool landscape) {
    printer_.setFullPage(false);
    printer_.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    if (!painter_->painter.begin(&printer_)) {
        errorNumber_ = 482;
        error_ = QStringLiteral("No existe una impresora seleccionada.Verifique.");
        return false;
    }
    // The painter's origin is the printable area's corner; nothing may be drawn beyond that area,
    // which a printer cannot reach.
    const markup::PageFit fit = markup::fitToArea(doc_, printer_.pageRect(QPrinter::DevicePixel).size(),
                                                  printer_.resolution() / 1440.0, &printer_, measuring);
    painter_->painter.translate(fit.origin);
    painter_->commands.emplace(painter_->painter, fit.scale);
    return true;
}

bool PrinterCanvas::newSheet() {
    if (printer_.newPage()) return true;
    errorNumber_ = 57;
    error_ = QStringLiteral("No se pudo comenzar una nueva hoja.");
    return false;
}

void PrinterCanvas::draw(const markup::ParsedLine& command) { painter_->commands->draw(command); }

bool PrinterCanvas::end() {
    if (painter_->painter.end()) return true;
    errorNumber_ = 57;
    error_ = QStringLiteral("No se pudo terminar la impresión.");
    return false;
}

namespace {

// Measuring the report before its first sheet takes about a two-hundredth of painting it: of the
// bar's steps, each page to print has one for its measuring and the rest for its painting.
constexpr qint64 kStepsPerPage = 200;

// A printer canvas that tells the report measured, then the sheets begun, as progress.
class CountedSheets : public markup::PrintCanvas {
public:
    CountedSheets(PrinterCanvas& canvas, const WorkProgress& progress, qint64 pages)
        : canvas_(canvas), progress_(progress), pages_(pages) {}
    bool begin(bool landscape) override {
        canvas_.measuring = [this](qint64 measured, qint64 commands) {
            progress_(commands > 0 ? measured * pages_ / commands : 0, pages_ * kStepsPerPage);
        };
        const bool begun = canvas_.begin(landscape);
        progress_(pages_, pages_ * kStepsPerPage);
        return begun;
    }
    bool newSheet() override {
        progress_(pages_ + ++sheets_ * (kStepsPerPage - 1), pages_ * kStepsPerPage);
        return canvas_.newSheet();
    }
    void draw(const markup::ParsedLine& command) override { canvas_.draw(command); }
    bool end() override { return canvas_.end(); }
    QString error() const override { return canvas_.error(); }

private:
    PrinterCanvas& canvas_;
    const WorkProgress& progress_;
    qint64 pages_;
    qint64 sheets_ = 0;
};

// The PDF file chosen in the last accepted print dialog of this run.
QString& lastOutputFile() {
    static QString file;
    return file;
}

}  // namespace

bool printReport(AppContext& ctx, QWidget* parent, const markup::MarkupDocument& doc,
                 const std::optional<markup::PageRange>& range) {
    const QString title = QStringLiteral("Impresión");
    auto fail = [&](int number, const QString& description) {
        const auto [text, style] = reportFailureMessage(number, description);
        if (!text.isEmpty()) ctx.msg(text, style, title);
        return false;
    };
    QPrinter printer(QPrinter::HighResolution);
    const QString pdf = qEnvironmentVariable("KLV_PRINT_PDF");
    if (!pdf.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    } else {
        if (runningHeadless()) return fail(482, {});
        if (!askWhereToPrint(printer, parent, doc, range)) return fail(20545, {});
    }
    PrinterCanvas canvas(printer, doc);
    bool printed = false;
    {
        // The pages are painted off the window's thread (a printer may be painted from any one
        // thread at a time): on the engine's thread, or on a thread of their own in a program
        // without one; the window's thread, which keeps the printer's dialog, shows how many are done.
        WaitCursor wait;
        const QPageRanges pages = chosenPages(printer);
        const qint64 total = range ? range->hasta - range->desde + 1 : doc.lastPage();
        LongWork work(ctx, parent, QStringLiteral("Imprimiendo..."));
        work.withoutDatabase();
        printed = work.run<bool>([&](AppContext&, const WorkProgress& progress) {
            CountedSheets counted(canvas, progress, total);
            return markup::printPass(doc, range, counted, pages);
        });
    }
    return printed || fail(canvas.errorNumber(), canvas.error());
}

bool askWhereToPrint(QPrinter& printer, QWidget* parent, const markup::MarkupDocument& doc,
                     const std::optional<markup::PageRange>& range) {
    QPrintDialog dialog(&printer, parent);
    preparePrintDialog(dialog, doc, range);
    if (dialog.exec() != QDialog::Accepted) return false;
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        lastOutputFile() = printer.outputFileName();
    return true;
}

void preparePrintDialog(QPrintDialog& dialog, const markup::MarkupDocument& doc,
                        const std::optional<markup::PageRange>& range) {
    // The page boxes count the report's pages; this pass prints those it is given (a printer's
    // own page selection would count the sheets of a ranged job instead).
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    const int first = range ? std::clamp(range->desde, 1, doc.lastPage()) : 1;
    const int last = range ? std::clamp(range->hasta, first, doc.lastPage()) : doc.lastPage();
    dialog.setMinMax(first, last);
    dialog.setFromTo(first, last);
    // The output file's box and its caption, by their names in Qt's dialog.
    if (auto* caption = dialog.findChild<QLabel*>(QStringLiteral("lOutput")))
        caption->setText(QStringLiteral("&Archivo:"));
    if (auto* file = dialog.findChild<QLineEdit*>(QStringLiteral("filename")); file && !lastOutputFile().isEmpty())
        file->setText(lastOutputFile());
}

QPageRanges chosenPages(const QPrinter& printer) {
    return printer.printRange() == QPrinter::PageRange ? printer.pageRanges() : QPageRanges();
}

}  // namespace klv
