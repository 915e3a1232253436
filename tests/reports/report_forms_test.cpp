// The preview, the page-range dialog and printing, as a user meets them. The screenshots and PDFs
// go to the run's own folder (shots_dir.h).
#include "frm_impxpag.h"
#include "frm_preview.h"
#include "import_error_report.h"
#include "print_service.h"
#include "report_markup.h"
#include "show_report.h"

#include "cp1252.h"
#include "shots_dir.h"
#include "test_env.h"
#include "when_shown.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QProcess>
#include <QKeyEvent>
#include <gtest/gtest.h>

using namespace klv;

namespace {

// A three-page report in the report folder: a header box, a title and a few lines on each page.
QString writeThreePages(test::Environment& env, const QString& orientation = markup::kPortrait) {
    const QString name = QStringLiteral("00000042.PRN");
    markup::MarkupWriter w(env.ctx().gRptPath + QLatin1Char('/') + name);
    w.header(orientation, markup::kColorLightCyan);
    for (int p = 0; p < 3; ++p) {
        if (p > 0) w.newPage();
        w.box(150, 300, 8500, 1100, p);
        w.pos(380, 500, QStringLiteral("PÁGINA %1 DE 3").arg(p + 1), true, 16, p);
        for (int i = 0; i < 10; ++i)
            w.pos(300, 1400 + 270 * i, QStringLiteral("%1  Línea de prueba ñ á é   |%2|").arg(i + 1).arg(p + 1), false, 9, p);
    }
    EXPECT_TRUE(w.commit());
    return name;
}

int pdfPages(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    if (!p.waitForFinished(20000)) return -1;
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Pages:"))) return line.mid(6).trimmed().toInt();
    return -1;
}

void typeText(QWidget* w, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
    }
}

struct PdfTarget {
    explicit PdfTarget(const QString& file) : path(test::shotsDir() + QLatin1Char('/') + file) {
        QFile::remove(path);
        qputenv("KLV_PRINT_PDF", path.toLocal8Bit());
    }
    ~PdfTarget() { qunsetenv("KLV_PRINT_PDF"); }
    QString path;
};

}  // namespace

TEST(FrmPreview, ShowsAThreePageFileAndMovesBetweenPages) {
    test::Environment env;
    const QString file = writeThreePages(env);
    FrmPreview preview(env.windowCtx(), file, std::nullopt);
    ASSERT_TRUE(preview.Form_Load());
    EXPECT_EQ(preview.windowTitle(), QStringLiteral("Presentación Preliminar"));
    EXPECT_EQ(preview.TotalHojas(), 3);
    EXPECT_EQ(preview.canvasImage(0).pixelColor(5, 5), QColor(0xC0, 0xFF, 0xFF));
    preview.show();
    QApplication::processEvents();
    preview.grab().save(test::shotsDir() + QStringLiteral("/preview-page1.png"));

    preview.tlbPrevia_ButtonClick(2);
    EXPECT_EQ(preview.HojaActual(), 0) << "nothing before page 1";
    preview.tlbPrevia_ButtonClick(3);
    preview.tlbPrevia_ButtonClick(3);
    EXPECT_EQ(preview.HojaActual(), 2);
    preview.tlbPrevia_ButtonClick(3);
    EXPECT_EQ(preview.HojaActual(), 2) << "nothing after page 3";
    preview.grab().save(test::shotsDir() + QStringLiteral("/preview-page3.png"));

    // The wheel over the page (the window gets it from the page) scrolls it down; a page move
    // shows the top again.
    auto* canvas = preview.findChild<QWidget*>(QStringLiteral("picPrevia"));
    auto* bar = preview.findChild<QScrollBar*>(QStringLiteral("vsbPic_1"));
    ASSERT_TRUE(canvas && bar);
    QWheelEvent wheel(QPointF(50, 50), preview.mapToGlobal(QPointF(50, 50)), {}, QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&preview, &wheel);
    EXPECT_GT(bar->value(), 0);
    EXPECT_EQ(canvas->y(), -bar->value());
    preview.tlbPrevia_ButtonClick(2);
    EXPECT_EQ(bar->value(), 0);
    preview.tlbPrevia_ButtonClick(3);

    // Printed from the toolbar: the window stays on its page.
    PdfTarget pdf(QStringLiteral("preview-toolbar.pdf"));
    auto* print = preview.findChild<QAction*>(QStringLiteral("tlbPrevia_4"));
    ASSERT_TRUE(print);
    EXPECT_EQ(print->text(), QStringLiteral("Imprimir"));
    print->trigger();
    EXPECT_EQ(pdfPages(pdf.path), 3);
    EXPECT_EQ(preview.HojaActual(), 2);
    preview.tlbPrevia_ButtonClick(2);
    EXPECT_EQ(preview.HojaActual(), 1);
}

TEST(FrmPreview, ARangeShowsAndPrintsItsPagesOnly) {
    test::Environment env;
    const QString file = writeThreePages(env, markup::kLandscape);
    FrmPreview range23(env.windowCtx(), file, markup::PageRange{2, 3});
    ASSERT_TRUE(range23.Form_Load());
    EXPECT_EQ(range23.TotalHojas(), 2);
    EXPECT_EQ(range23.HojaActual(), 0);
    range23.show();
    QApplication::processEvents();
    range23.grab().save(test::shotsDir() + QStringLiteral("/preview-range2-3.png"));

    FrmPreview range22(env.windowCtx(), file, markup::PageRange{2, 2});
    ASSERT_TRUE(range22.Form_Load());
    EXPECT_EQ(range22.TotalHojas(), 1);
    PdfTarget pdf(QStringLiteral("range2-2-landscape.pdf"));
    EXPECT_TRUE(range22.printFile());
    EXPECT_EQ(pdfPages(pdf.path), 1);

    FrmPreview range11(env.windowCtx(), file, markup::PageRange{1, 1});
    ASSERT_TRUE(range11.Form_Load());
    EXPECT_EQ(range11.TotalHojas(), 1);
}

TEST(FrmPreview, MissingOrMalformedFiles) {
    test::Environment env;
    FrmPreview missing(env.windowCtx(), QStringLiteral("00000099.PRN"), std::nullopt);
    EXPECT_FALSE(missing.Form_Load());
    EXPECT_EQ(env.messages().last().text, QStringLiteral("Archivo Físico del Reporte no Existe"));
    EXPECT_EQ(env.messages().last().title, QStringLiteral("Error al Imprimir"));
    EXPECT_EQ(env.messages().last().style, 16);
    EXPECT_EQ(missing.TotalHojas(), 1) << "an empty first page";

    PdfTarget pdf(QStringLiteral("never.pdf"));
    EXPECT_FALSE(udp_MostrarReporte(env.windowCtx(), nullptr, QStringLiteral("00000099.PRN"), QStringLiteral("xx")));
    EXPECT_FALSE(QFile::exists(pdf.path));

    QFile bad(env.ctx().gRptPath + QStringLiteral("/00000007.PRN"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("pPos|10|175|uno|False|8|0|\r\npNuevaHoja\r\npPos|10|175|dos|False|8|1|\r\npPos|10|350|tres|Quizas|8|1|\r\n");
    bad.close();
    FrmPreview malformed(env.windowCtx(), QStringLiteral("00000007.PRN"), std::nullopt);
    EXPECT_FALSE(malformed.Form_Load());
    EXPECT_EQ(env.messages().last().text,
              QStringLiteral("Error tecnico:  13\nLínea 4 del reporte: no coinciden los tipos: \"Quizas\" no es True ni "
                             "False\nIntente nuevamente por favor."));
    EXPECT_EQ(env.messages().last().title, QStringLiteral("Error"));
    EXPECT_EQ(malformed.TotalHojas(), 2) << "the pages read before the bad line";

    // Printing checks the whole file before the job starts.
    EXPECT_FALSE(udp_MostrarReporte(env.windowCtx(), nullptr, QStringLiteral("00000007.PRN"), QStringLiteral("xx")));
    EXPECT_TRUE(env.messages().last().text.startsWith(QStringLiteral("Error Técnico : (13) Línea 4")));
    EXPECT_EQ(env.messages().last().title, QStringLiteral("Impresión"));
    EXPECT_FALSE(QFile::exists(pdf.path));
}

TEST(FrmPreview, DirectPrintWithoutAWindow) {
    test::Environment env;
    const QString file = writeThreePages(env, markup::kLandscape);
    PdfTarget pdf(QStringLiteral("direct-print.pdf"));
    EXPECT_TRUE(udp_MostrarReporte(env.windowCtx(), nullptr, file, QStringLiteral("xx")));
    EXPECT_EQ(pdfPages(pdf.path), 3);
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible()) << "no window is shown";
}

TEST(FrmImpxPag, NoticeChecksAndPreviewOfTheRange) {
    test::Environment env;
    FrmImpxPag dialog(env.windowCtx(), QStringLiteral("00000042.PRN"), 2);
    dialog.setWindowTitle(QStringLiteral("Impresión de 2 páginas"));
    std::vector<std::pair<int, int>> shown;
    dialog.setPreview([&](const QString& file, const markup::PageRange& r) {
        EXPECT_EQ(file, QStringLiteral("00000042.PRN"));
        shown.push_back({r.desde, r.hasta});
    });
    const QString notice = FrmImpxPag::notice();
    EXPECT_EQ(notice.indexOf(QStringLiteral("páginas")) - notice.indexOf(QStringLiteral("contiene")) - 8, 18);
    auto* desde = dialog.findChild<QLineEdit*>(QStringLiteral("txtPagDesde"));
    auto* hasta = dialog.findChild<QLineEdit*>(QStringLiteral("txtPagHasta"));
    auto* total = dialog.findChild<QLineEdit*>(QStringLiteral("txtTotPaginas"));
    ASSERT_TRUE(desde && hasta && total);
    EXPECT_EQ(desde->text(), QStringLiteral("1"));
    EXPECT_EQ(hasta->text(), QString());
    EXPECT_EQ(total->text(), QStringLiteral("2"));
    dialog.show();
    QApplication::processEvents();
    dialog.grab().save(test::shotsDir() + QStringLiteral("/impxpag.png"));

    // Keys: letters are dropped in both boxes.
    desde->clear();
    typeText(desde, QStringLiteral("a1.5"));
    EXPECT_EQ(desde->text(), QStringLiteral("1.5"));
    typeText(hasta, QStringLiteral("x2"));
    EXPECT_EQ(hasta->text(), QStringLiteral("2"));

    desde->setText(QStringLiteral("3"));
    dialog.cmdAccion_Click(0);
    EXPECT_EQ(env.messages().last().text, QStringLiteral("Página inicial no debe ser mayor a total de páginas del reporte."));
    EXPECT_EQ(env.messages().last().title, QStringLiteral("Impresión de 2 páginas"));
    EXPECT_EQ(env.messages().last().style, 16);
    EXPECT_TRUE(shown.empty());

    desde->setText(QStringLiteral("1.5"));
    dialog.cmdAccion_Click(0);
    EXPECT_EQ(shown, (std::vector<std::pair<int, int>>{{2, 2}}));
    // Enter on the focused "&Preliminar" presses it, as Enter in the boxes moves on to it.
    auto* preliminar = dialog.findChild<QPushButton*>(QStringLiteral("cmdAccion_0"));
    ASSERT_TRUE(preliminar);
    preliminar->setFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(preliminar, &enter);
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_TRUE(dialog.isVisible()) << "the dialog stays for another range";
    dialog.cmdAccion_Click(1);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(FrmPreview, ImportErrorReportOfAHandWrittenErrorFile) {
    test::Environment env;
    // The transaction import's layout: line number padded to 7, key to 23, the message.
    QFile err(importErrorFile(env.ctx(), 1, QStringLiteral("20601234565")));
    ASSERT_TRUE(err.open(QIODevice::WriteOnly));
    for (int i = 1; i <= 70; ++i)
        err.write(cp1252::encode(QString::number(i).leftJustified(7) + QStringLiteral("6      20100070970  ").leftJustified(23) +
                                 QStringLiteral("El código de moneda no existe en la tabla (línea %1)").arg(i)) +
                  "\r\n");
    err.close();
    const ImportErrorReportResult r = udp_ReporteErroresImportacion(
        env.ctx(), 1, QStringLiteral("20601234565"), QStringLiteral("EMPRESA DEMOSTRACION S.A.C."),
        QStringLiteral("00000077.PRN"));
    ASSERT_TRUE(r.ok);
    FrmPreview preview(env.windowCtx(), QStringLiteral("00000077.PRN"), std::nullopt);
    ASSERT_TRUE(preview.Form_Load());
    EXPECT_EQ(preview.TotalHojas(), 2);
    EXPECT_EQ(preview.background(), QApplication::palette().color(QPalette::Base));
    preview.show();
    QApplication::processEvents();
    preview.grab().save(test::shotsDir() + QStringLiteral("/error-report-page1.png"));
    preview.tlbPrevia_ButtonClick(3);
    preview.grab().save(test::shotsDir() + QStringLiteral("/error-report-page2.png"));
    PdfTarget pdf(QStringLiteral("error-report.pdf"));
    EXPECT_TRUE(preview.printFile());
    EXPECT_EQ(pdfPages(pdf.path), 2);
}

TEST(PrintService, ThePrintDialogsPagesAreTheReportsPages) {
    test::Environment env;
    const auto doc = markup::readMarkupFile(env.ctx().gRptPath + QLatin1Char('/') + writeThreePages(env));
    const struct {
        std::optional<markup::PageRange> range;
        int min, max;
    } cases[] = {{std::nullopt, 1, 3}, {markup::PageRange{2, 99}, 2, 3}, {markup::PageRange{2, 2}, 2, 2}};
    for (const auto& c : cases) {
        QPrinter printer;
        QPrintDialog dialog(&printer);
        preparePrintDialog(dialog, doc, c.range);
        EXPECT_TRUE(dialog.testOption(QAbstractPrintDialog::PrintPageRange));
        EXPECT_FALSE(dialog.testOption(QAbstractPrintDialog::PrintCurrentPage));
        EXPECT_EQ((std::pair{dialog.minPage(), dialog.maxPage()}), (std::pair{c.min, c.max}));
        EXPECT_TRUE(chosenPages(printer).isEmpty()) << "all pages until the user chooses";
    }
    QPrinter printer;
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(2, 3);
    EXPECT_EQ(chosenPages(printer).toString(), QStringLiteral("2-3"));
}

// Qt's print dialog captions its output file "&Archivo:" and offers the PDF file of the last dialog
// accepted in this run: a file typed in a cancelled dialog is not kept.
TEST(PrintService, ThePrintDialogOffersTheLastChosenFile) {
    test::Environment env;
    const auto doc = markup::readMarkupFile(env.ctx().gRptPath + QLatin1Char('/') + writeThreePages(env));
    QTemporaryDir dir;
    const QString chosen = dir.filePath(QStringLiteral("elegido.pdf"));
    const struct {
        QString typed;
        bool accept;
    } dialogs[] = {{chosen, true}, {dir.filePath(QStringLiteral("otro.pdf")), false}, {QString(), false}};
    QStringList captions, offered;
    for (const auto& d : dialogs) {
        test::whenShown<QPrintDialog>([&](QPrintDialog& dialog) {
            auto* caption = dialog.findChild<QLabel*>(QStringLiteral("lOutput"));
            auto* file = dialog.findChild<QLineEdit*>(QStringLiteral("filename"));
            auto* printers = dialog.findChild<QComboBox*>(QStringLiteral("printers"));
            if (!caption || !file || !printers) return dialog.reject();
            captions << caption->text();
            offered << file->text();
            printers->setCurrentIndex(printers->count() - 1);  // "Print to File (PDF)"
            if (!d.typed.isEmpty()) file->setText(d.typed);
            d.accept ? dialog.accept() : dialog.reject();
        });
        QPrinter printer;
        EXPECT_EQ(askWhereToPrint(printer, nullptr, doc, std::nullopt), d.accept);
        if (d.accept) {
            EXPECT_EQ(printer.outputFileName(), chosen);
        }
    }
    EXPECT_EQ(captions.join(QLatin1Char('|')).toStdString(), "&Archivo:|&Archivo:|&Archivo:");
    ASSERT_EQ(offered.size(), 3);
    EXPECT_EQ(offered.mid(1).join(QLatin1Char('|')), chosen + QLatin1Char('|') + chosen);
}
