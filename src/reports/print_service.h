#pragma once
// Printing a report-markup file on paper or into a PDF. The user picks a printer (or a PDF file)
// in QPrintDialog; the environment variable KLV_PRINT_PDF names a PDF file instead and skips the
// dialog, for scripts and tests. Positions in twips are mapped to device units from the corner of
// the printable area, smaller when the report would not fit inside it. A file whose orientation
// tag is "H" prints that job in landscape; every other job is portrait.

#include "markup_document.h"

#include <QString>
#include <memory>
#include <optional>

class QPrintDialog;
class QPrinter;
class QWidget;

namespace klv {

struct AppContext;

// A print pass of `doc` drawn on a QPrinter (begun by begin(), ended by end()). Every page is
// laid at one scale that keeps the whole report inside the printable area the printer reports.
class PrinterCanvas : public markup::PrintCanvas {
public:
    PrinterCanvas(QPrinter& printer, const markup::MarkupDocument& doc);
    ~PrinterCanvas() override;
    bool begin(bool landscape) override;
    bool newSheet() override;
    void draw(const markup::ParsedLine& command) override;
    bool end() override;
    QString error() const override { return error_; }
    int errorNumber() const { return errorNumber_; }  // 482 no printer, 57 a device error

    // Told, as begin() measures the report to fit it, the commands measured of all of them.
    WorkProgress measuring;

private:
    QPrinter& printer_;
    const markup::MarkupDocument& doc_;
    struct Painter;
    std::unique_ptr<Painter> painter_;
    QString error_;
    int errorNumber_ = 0;
};

// Prints the document (read whole and found sound by the caller), asking where unless
// KLV_PRINT_PDF is set. Shows its failures with the title "Impresión" ("La Impresión ha sido
// Cancelada." when the dialog is cancelled); true when the job was printed. The hourglass shows
// only while the pages are drawn, never over the dialog or a message.
bool printReport(AppContext& ctx, QWidget* parent, const markup::MarkupDocument& doc,
                 const std::optional<markup::PageRange>& range);

// Asks with QPrintDialog, prepared by preparePrintDialog, where to print; true when the user
// accepted. The PDF file of an accepted dialog is the one the next dialog of this run offers.
bool askWhereToPrint(QPrinter& printer, QWidget* parent, const markup::MarkupDocument& doc,
                     const std::optional<markup::PageRange>& range);
// The print dialog's page boxes hold the report's pages (those of the range, when one is given),
// all of them at first; no current page or selection is offered. Its output file is captioned
// "&Archivo:" and holds the PDF file last chosen in this run, if any (Qt offers a print.pdf at
// every opening).
void preparePrintDialog(QPrintDialog& dialog, const markup::MarkupDocument& doc,
                        const std::optional<markup::PageRange>& range);
// The pages chosen in the print dialog, counted as the report counts them; empty for all pages.
QPageRanges chosenPages(const QPrinter& printer);

}  // namespace klv
