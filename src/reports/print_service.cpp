#include "print_service.h"

#include "app_context.h"
#include "markup_render.h"
#include "report_writer.h"
#include "wait_cursor.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>

namespace klv {

struct PrinterCanvas::Painter {
    QPainter painter;
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
                                                  printer_.resolution() / 1440.0, &printer_);
    scale_ = fit.scale;
    painter_->painter.translate(fit.origin);
    return true;
}

bool PrinterCanvas::newSheet() {
    if (printer_.newPage()) return true;
    errorNumber_ = 57;
    error_ = QStringLiteral("No se pudo comenzar una nueva hoja.");
    return false;
}

void PrinterCanvas::draw(const markup::ParsedLine& command) { markup::drawCommand(painter_->painter, command, scale_); }

bool PrinterCanvas::end() {
    if (painter_->painter.end()) return true;
    errorNumber_ = 57;
    error_ = QStringLiteral("No se pudo terminar la impresión.");
    return false;
}

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
        QPrintDialog dialog(&printer, parent);
        preparePrintDialog(dialog, doc, range);
        if (dialog.exec() != QDialog::Accepted) return fail(20545, {});
    }
    PrinterCanvas canvas(printer, doc);
    bool printed = false;
    {
        WaitCursor wait;
        printed = markup::printPass(doc, range, canvas, chosenPages(printer));
    }
    return printed || fail(canvas.errorNumber(), canvas.error());
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
}

QPageRanges chosenPages(const QPrinter& printer) {
    return printer.printRange() == QPrinter::PageRange ? printer.pageRanges() : QPageRanges();
}

}  // namespace klv
