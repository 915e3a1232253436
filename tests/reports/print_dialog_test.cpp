// The print dialog with a laid environment: its list, the two actions, the spool row, and the
// declaration it writes previewed and printed to PDF (in the run's own folder, shots_dir.h).
#include "frm_impxpag.h"
#include "frm_imprimir.h"
#include "frm_preview.h"
#include "markup_document.h"
#include "print_service.h"

#include "bar_readings.h"
#include "db_rows.h"
#include "progress_window.h"
#include "message_service.h"
#include "shots_dir.h"
#include "status_panels.h"
#include "test_env.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QTranslator>
#include <cmath>
#include <gtest/gtest.h>

using namespace klv;

namespace {

const QString kEmpresa = QStringLiteral("20601234565");
const QString kPersona = QStringLiteral("10412345679");

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

struct PdfWord {
    QRectF box;  // points
    QString text;
};

// The words of each page of a PDF, with their boxes, as pdftotext finds them.
std::vector<std::vector<PdfWord>> pdfWords(const QString& pdf) {
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    std::vector<std::vector<PdfWord>> pages;
    const QStringList sheets = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")})
                                   .split(QStringLiteral("<page "));
    for (qsizetype i = 1; i < sheets.size(); ++i) {
        auto& words = pages.emplace_back();
        for (auto m = word.globalMatch(sheets[i]); m.hasNext();) {
            const auto w = m.next();
            words.push_back({QRectF(QPointF(w.captured(1).toDouble(), w.captured(2).toDouble()),
                                    QPointF(w.captured(3).toDouble(), w.captured(4).toDouble())),
                             w.captured(5)});
        }
    }
    return pages;
}

// Prints the report (those pages, when given) into a PDF on that paper with those margins in
// millimetres (the PDF printer's own when negative); the printable area in points, empty when the
// print failed.
QRectF printToPdf(const markup::MarkupDocument& doc, const QString& pdf, QPageSize::PageSizeId paper,
                  const QMarginsF& margins, const QPageRanges& pages = {}) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPageSize(QPageSize(paper));
    if (margins.left() >= 0) printer.setPageMargins(margins, QPageLayout::Millimeter);
    PrinterCanvas canvas(printer, doc);
    if (!markup::printPass(doc, std::nullopt, canvas, pages)) return {};
    return printer.pageLayout().paintRect(QPageLayout::Point);
}

class PrintDialog : public ::testing::Test {
protected:
    PrintDialog() {
        declaration(kEmpresa, QStringLiteral("2014"));
        declaration(kEmpresa, QStringLiteral("2016"));
        declaration(kPersona, QStringLiteral("2015"));
        for (int i = 1; i <= 3; ++i) {
            const QString doc = QStringLiteral("2010000000%1").arg(i);
            test::insertRow(db(), QStringLiteral("PAR_VIN"),
                            {{"tip_doc_d", 6}, {"doc_id_d", kEmpresa}, {"formulario", "8027"}, {"tip_doc_p", 6},
                             {"doc_id_p", doc}, {"razon_social", QStringLiteral("PROVEEDOR %1 S.A.").arg(i)},
                             {"cnumero", "000000"}});
            test::insertRow(db(), QStringLiteral("TRANSACCION2"),
                            {{"tip_doc_d", 6}, {"doc_id_d", kEmpresa}, {"periodo", "2016"}, {"formulario", "8027"},
                             {"tip_doc_p", 6}, {"doc_id_p", doc}, {"cor_transaccion", 1}, {"flag_val_met", "00"},
                             {"ind_transac_fin", "0"}, {"cod_tip_moneda", "2"},
                             {"mto_sin_tran_mon_ori", QString::number(i * 1500)},
                             {"mto_sin_tran_mon_reg", QString::number(i * 1000)}, {"cnumero", "000000"}});
        }
    }
    Database& db() { return env_.db(); }
    AppContext& ctx() { return env_.ctx(); }
    // The context the dialog gets, as QM8027's window has it.
    AppContext& window() { return env_.windowCtx(); }
    void declaration(const QString& ruc, const QString& periodo) {
        test::insertRow(db(), QStringLiteral("IDENTIFICA2"),
                        {{"tip_doc_d", 6}, {"doc_id_d", ruc}, {"periodo", periodo}, {"formulario", "8027"},
                         {"autcontext", "0"}, {"esttecpt", "1"}, {"ruc", ruc}, {"cnumero", "000000"}});
    }
    int spoolRows() { return db().scalar(QStringLiteral("SELECT COUNT(*) FROM SPOOL WHERE CodRep='PTR002'")).toInt(); }
    QStringList listed(const FrmImprimir& dialog) {
        auto* grid = dialog.findChild<QTableView*>(QStringLiteral("GrdDeclaraciones"));
        QStringList out;
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            out << grid->model()->index(r, 1).data().toString() + QLatin1Char(' ') +
                       grid->model()->index(r, 3).data().toString();
        return out;
    }

    test::Environment env_;
};

}  // namespace

TEST_F(PrintDialog, ListsWhatTheUserMaySeeAndWritesTheStatusPanels) {
    FrmImprimir all(window());
    EXPECT_EQ(all.windowTitle(), QStringLiteral("Imprimir "));
    EXPECT_EQ(listed(all), (QStringList{"10412345679 2015", "20601234565 2016", "20601234565 2014"}));
    all.selectRow(1);
    EXPECT_EQ(env_.panels().PanelRuc(), kEmpresa);
    EXPECT_EQ(env_.panels().PanelPeriodo(), QStringLiteral("2016"));
    EXPECT_EQ(env_.panels().PanelNombre(), QStringLiteral("EMPRESA DEMOSTRACION S.A.C."));
    EXPECT_EQ(env_.panels().PanelFormulario(), QStringLiteral("8027"));

    db().exec(QStringLiteral("UPDATE CONT SET Usuario='OTRO' WHERE Doc_id_d=?"), {kPersona});
    db().exec(QStringLiteral("INSERT INTO CLAVES (Usuario, Tipo) VALUES ('PEPE', '1')"));
    db().exec(QStringLiteral("UPDATE CONT SET Usuario='PEPE' WHERE Doc_id_d=?"), {kEmpresa});
    window().gSysUser = QStringLiteral("PEPE");
    FrmImprimir own(window());
    EXPECT_EQ(listed(own), (QStringList{"20601234565 2016", "20601234565 2014"}));
}

TEST_F(PrintDialog, PreliminarWritesTheReportAndOpensThePageRange) {
    FrmImprimir dialog(window());
    dialog.show();
    QApplication::processEvents();
    dialog.grab().save(test::shotsDir() + QStringLiteral("/imprimir.png"));
    dialog.selectRow(1);
    QString caption, total, file;
    dialog.showRangeDialog = [&](FrmImpxPag& range) {
        caption = range.windowTitle();
        total = range.findChild<QLineEdit*>(QStringLiteral("txtTotPaginas"))->text();
        file = range.fileName();
    };
    auto* grid = dialog.findChild<QTableView*>(QStringLiteral("GrdDeclaraciones"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(grid, &enter);
    EXPECT_EQ(caption, QStringLiteral("Impresión de 2 páginas"));
    EXPECT_EQ(total, QStringLiteral("2"));
    EXPECT_EQ(spoolRows(), 1);
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT Archivo FROM SPOOL WHERE CodRep='PTR002'")).toString(), file);
    EXPECT_EQ(dialog.currentRow(), 1) << "the same row after the preview";
    EXPECT_EQ(window().gAccion, 2);

    // The file written: two light cyan pages in the preview, two landscape pages on paper.
    FrmPreview preview(window(), file, std::nullopt);
    ASSERT_TRUE(preview.Form_Load());
    EXPECT_EQ(preview.TotalHojas(), 2);
    EXPECT_EQ(preview.canvasImage(1).pixelColor(5, 5), QColor(0xC0, 0xFF, 0xFF));
    preview.show();
    QApplication::processEvents();
    preview.grab().save(test::shotsDir() + QStringLiteral("/declaration-page1.png"));

    const QString pdf = test::shotsDir() + QStringLiteral("/declaration.pdf");
    QFile::remove(pdf);
    qputenv("KLV_PRINT_PDF", pdf.toLocal8Bit());
    dialog.CmdImprimir_Click(1);
    qunsetenv("KLV_PRINT_PDF");
    EXPECT_EQ(spoolRows(), 2) << "each action writes a new spool file";
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n")))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("842 x 595"))) << "landscape: " << info.toStdString();
    EXPECT_TRUE(run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).contains(QStringLiteral("MONEDA DE REGISTRO")));
}

TEST_F(PrintDialog, WritingReadingAndPrintingShowTheShareOfTheirWork) {
    // While the declaration's rows are written, while the preview reads the report and while the
    // print measures and paints it, the bar tells how much of the work is done.
    const auto delay = ProgressWindow::setAppearAfter(std::chrono::milliseconds(0));
    const auto restore = qScopeGuard([delay] { ProgressWindow::setAppearAfter(delay); });
    constexpr int kRows = 30000;
    db().exec(QStringLiteral("WITH RECURSIVE N(I) AS (SELECT 2 UNION ALL SELECT I+1 FROM N WHERE I<?) "
                             "INSERT INTO TRANSACCION2 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P,"
                             " COR_TRANSACCION, FLAG_VAL_MET, IND_TRANSAC_FIN, COD_TIP_MONEDA, MTO_SIN_TRAN_MON_ORI,"
                             " MTO_SIN_TRAN_MON_REG, CNUMERO)"
                             " SELECT 6, ?, '2016', '8027', 6, '20100000001', I, '00', '0', '2', '10', '10', '000000' FROM N"),
              {kRows - 2, kEmpresa});
    FrmImprimir dialog(window());
    dialog.show();
    dialog.selectRow(1);
    QString file;
    dialog.showRangeDialog = [&](FrmImpxPag& range) { file = range.fileName(); };
    {
        test::BarReadings bar;
        dialog.CmdImprimir_Click(0);
        ASSERT_FALSE(file.isEmpty());
        EXPECT_FALSE(bar.shares().empty()) << bar.readings.size() << " readings of the writing, none with a share";
    }
    {
        test::BarReadings bar;
        FrmPreview preview(window(), file, std::nullopt);
        ASSERT_TRUE(preview.Form_Load());
        EXPECT_GT(preview.TotalHojas(), kRows / 33);
        EXPECT_FALSE(bar.shares().empty()) << bar.readings.size() << " readings of the reading, none with a share";
    }
    const QString pdf = test::shotsDir() + QStringLiteral("/declaration-shares.pdf");
    qputenv("KLV_PRINT_PDF", pdf.toLocal8Bit());
    const auto unset = qScopeGuard([] { qunsetenv("KLV_PRINT_PDF"); });
    test::BarReadings bar;
    dialog.CmdImprimir_Click(1);
    EXPECT_FALSE(bar.shares().empty()) << bar.readings.size() << " readings of the print, none with a share";
}

// Every text of the declaration lies inside the printable area the printer reports, whatever its
// paper and margins, in the report's own characters; where the report fits it keeps its size.
TEST_F(PrintDialog, TheDeclarationLiesInsideThePrintableArea) {
    FrmImprimir dialog(window());
    QString file;
    dialog.printWhole = [&](const QString& name) { return !(file = name).isEmpty(); };
    dialog.selectRow(1);
    dialog.CmdImprimir_Click(1);
    const markup::MarkupDocument declaration = markup::readMarkupFile(ctx().gRptPath + QLatin1Char('/') + file);
    ASSERT_TRUE(declaration.ok());
    // A text left of and above the page's origin moves in too.
    const markup::MarkupDocument offside = markup::readMarkup(
        "<!Orientacion!>V<!/Orientacion!>\npPos|-600|-300|ANTES DEL MARGEN|True|12|0|\npPos|300|300|DENTRO|False|9|0|\n");
    ASSERT_TRUE(offside.ok());
    const QString ruler(150, QLatin1Char('='));
    const struct {
        const char* what;
        const markup::MarkupDocument& doc;
        QPageSize::PageSizeId paper;
        QMarginsF margins;  // millimetres; negative: the PDF printer's own
        bool natural;       // printed at its own size
    } cases[] = {
        {"a PDF as printed", declaration, QPageSize::A4, {-1, -1, -1, -1}, false},
        {"A4, 6.35 mm", declaration, QPageSize::A4, {6.35, 6.35, 6.35, 6.35}, false},
        {"Letter, 6.35 mm", declaration, QPageSize::Letter, {6.35, 6.35, 6.35, 6.35}, false},
        {"A4, 25 mm left", declaration, QPageSize::A4, {25, 5, 5, 5}, false},
        {"A3, 10 mm", declaration, QPageSize::A3, {10, 10, 10, 10}, true},
        {"left of the origin", offside, QPageSize::A4, {6.35, 6.35, 6.35, 6.35}, true},
    };
    const QString pdf = QDir::temp().filePath(QStringLiteral("klv-printable-%1.pdf").arg(QCoreApplication::applicationPid()));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QRectF area = printToPdf(c.doc, pdf, c.paper, c.margins);
        ASSERT_FALSE(area.isEmpty());
        int words = 0;
        bool ruled = false;
        for (const auto& page : pdfWords(pdf)) {
            for (const PdfWord& w : page) {
                ++words;
                EXPECT_TRUE(area.adjusted(-0.5, -0.5, 0.5, 0.5).contains(w.box)) << w.text.toStdString();
                if (w.text == ruler) {
                    ruled = true;
                    EXPECT_EQ(std::abs(w.box.width() - 150 * 0.6 * 9) < 1, c.natural) << w.box.width();
                }
            }
        }
        EXPECT_GT(words, 3);
        if (&c.doc == &declaration) {
            EXPECT_TRUE(ruled);
        }
    }
    QFile::remove(pdf);
}

// No two texts of the declaration overlap and none crosses a line of its box: with row numbers of
// five and six digits, page numbers past 100, a document of 30 characters, a currency with the
// other currency's name and an amount of 18 characters. Printed at its own size on A3, where a
// report position x lies at 10 mm + x / 20 pt.
TEST_F(PrintDialog, NoTextOfTheDeclarationOverlapsAnotherOrCrossesItsBox) {
    const QString doc30 = QStringLiteral("PASAPORTE-0123456789-ABCDEFGHI");
    test::insertRow(db(), QStringLiteral("PAR_VIN"),
                    {{"tip_doc_d", 6}, {"doc_id_d", kEmpresa}, {"formulario", "8027"}, {"tip_doc_p", 7},
                     {"doc_id_p", doc30}, {"razon_social", QStringLiteral("COMPAÑIA INTERNACIONAL DE COMERCIO EXTERIOR S.A.")},
                     {"cnumero", "000000"}});
    db().exec(QStringLiteral(
                  "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
                  "INSERT INTO TRANSACCION2 (tip_doc_d, doc_id_d, periodo, formulario, tip_doc_p, doc_id_p, "
                  "cor_transaccion, flag_val_met, ind_transac_fin, cod_tip_moneda, nom_otro_tip_mon, "
                  "mto_sin_tran_mon_ori, mto_sin_tran_mon_reg, cnumero) "
                  "SELECT 6, ?, '2016', '8027', 7, ?, i, '00', '0', '2', 'FRANCO SUIZO XX', '999999999999.9', '1000', '000000' FROM n"),
              {kEmpresa, doc30});
    FrmImprimir dialog(window());
    QString file;
    dialog.printWhole = [&](const QString& name) { return !(file = name).isEmpty(); };
    dialog.selectRow(1);
    dialog.CmdImprimir_Click(1);
    const markup::MarkupDocument doc = markup::readMarkupFile(ctx().gRptPath + QLatin1Char('/') + file);
    ASSERT_TRUE(doc.ok());
    // Pages 1, 304 (rows 9,983 to 10,015) and 3,031 (rows 99,974 to 100,006).
    QPageRanges pages;
    for (int page : {1, 304, 3031}) pages.addPage(page);
    const QString pdf = test::shotsDir() + QStringLiteral("/declaration-100000.pdf");
    const QRectF area = printToPdf(doc, pdf, QPageSize::A3, {10, 10, 10, 10}, pages);
    ASSERT_FALSE(area.isEmpty());
    const QPointF origin = area.topLeft();
    std::vector<QRectF> boxes;
    for (const auto& e : doc.entries)
        if (e.keyword == markup::Keyword::Cuadro && e.page == 0)
            boxes.push_back(QRectF(origin + QPointF(e.x, e.y) / 20, origin + QPointF(e.x2, e.y2) / 20));

    const auto sheets = pdfWords(pdf);
    ASSERT_EQ(sheets.size(), 3u);
    QStringList seen;
    for (const auto& words : sheets) {
        for (size_t i = 0; i < words.size(); ++i) {
            const auto& [box, word] = words[i];
            seen << word;
            // Edges that only touch are not an overlap.
            const QRectF inner = box.adjusted(0.2, 0.2, -0.2, -0.2);
            for (const QRectF& b : boxes)
                EXPECT_TRUE(!inner.intersects(b) || b.contains(inner)) << word.toStdString() << " crosses a box";
            // A text written over the same text, and an underline, are meant to lie on another.
            for (size_t j = i + 1; j < words.size(); ++j)
                if (inner.intersects(words[j].box) && word != words[j].text && !word.startsWith(QLatin1Char('_')) &&
                    !words[j].text.startsWith(QLatin1Char('_')))
                    ADD_FAILURE() << word.toStdString() << " overlaps " << words[j].text.toStdString();
        }
    }
    for (const char* word : {"10000", "100000", "PASAPORTE-0123456789-ABCDEFGHI", "XX", "999,999,999,999.90", "304)", "3031)"})
        EXPECT_TRUE(seen.contains(QString::fromLatin1(word))) << word;
}

TEST_F(PrintDialog, AVanishedRowOrAFailedWriteStopsBothActions) {
    FrmImprimir dialog(window());
    int shown = 0, printed = 0;
    dialog.showRangeDialog = [&](FrmImpxPag&) { ++shown; };
    dialog.printWhole = [&](const QString&) { return ++printed > 0; };
    for (int action : {0, 1}) {
        if (action == 1) declaration(kEmpresa, QStringLiteral("2014"));
        dialog.udp_Refresca_Grilla();
        dialog.selectRow(2);
        db().exec(QStringLiteral("DELETE FROM IDENTIFICA2 WHERE PERIODO='2014'"));
        dialog.CmdImprimir_Click(action);
        EXPECT_EQ(env_.messages().last().text, QStringLiteral("La declaración seleccionada ya no existe."));
    }
    EXPECT_EQ(shown + printed, 0);
    EXPECT_EQ(spoolRows(), 0);
    EXPECT_EQ(dialog.rowCount(), 2) << "the list was refreshed";

    ASSERT_TRUE(QDir().rename(ctx().gRptPath, ctx().gRptPath + QStringLiteral(".gone")));
    env_.messages().clear();
    for (int action : {0, 1}) {
        dialog.selectRow(0);
        dialog.CmdImprimir_Click(action);
    }
    EXPECT_EQ(shown + printed, 0);
    ASSERT_EQ(env_.messages().calls().size(), 2u);
    EXPECT_EQ(env_.messages().last().title, QStringLiteral("Impresión"));
    EXPECT_TRUE(env_.messages().last().text.startsWith(QStringLiteral("Error Técnico : (75) ")));
    EXPECT_EQ(spoolRows(), 0) << "a report never written leaves no SPOOL row";
    dialog.CmdImprimir_Click(2);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

// The texts a user sees in a dialog: its title, its tabs, buttons, labels, frames, lists and tips.
QStringList shownTexts(const QWidget& dialog) {
    QStringList texts{dialog.windowTitle()};
    for (const QWidget* w : dialog.findChildren<QWidget*>()) {
        texts << w->toolTip();
        if (const auto* b = qobject_cast<const QAbstractButton*>(w)) texts << b->text();
        if (const auto* l = qobject_cast<const QLabel*>(w)) texts << l->text();
        if (const auto* g = qobject_cast<const QGroupBox*>(w)) texts << g->title();
        if (const auto* t = qobject_cast<const QTabWidget*>(w))
            for (int i = 0; i < t->count(); ++i) texts << t->tabText(i);
        if (const auto* c = qobject_cast<const QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i) texts << c->itemText(i);
    }
    texts.removeAll(QString());
    return texts;
}

// Qt's own dialogs speak Spanish once the program environment has loaded Qt's translation: the
// print dialog and its printer properties (page, job options, advanced), with the few texts Qt's
// Spanish catalogue lacks supplied by our own.
TEST(QtTranslation, ThePrintDialogSpeaksSpanish) {
    if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_es.qm")))
        GTEST_SKIP() << "Qt's Spanish translation is not installed (scripts/setup installs qt6-translations-l10n)";
    prepareProgramEnvironment();  // the application exists: the translation is loaded at once
    QPrinter printer;
    QPrintDialog dialog(&printer);
    const QStringList texts = shownTexts(dialog);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Imprimir"));
    for (const char* spanish : {"Cancelar", "&Opciones >>", "&Nombre:", "Páginas", "Desactivada",
                                "Indique páginas o intervalos separados por comas. Un intervalo son dos números "
                                "separados por un guion. Por ejemplo: 3,5-7,9 imprime las páginas 3, 5, 6, 7 y 9."})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(spanish))) << spanish;

    // "Propiedades" opens the printer properties modally: read them once shown, then close them.
    QStringList properties;
    const QDeadlineTimer deadline(10000);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* shown = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (shown && shown != &dialog) properties = shownTexts(*shown);
        if (shown && (shown != &dialog || deadline.hasExpired())) shown->reject();
    });
    poll.start(20);
    dialog.show();
    dialog.findChild<QAbstractButton*>(QStringLiteral("properties"))->click();
    poll.stop();
    ASSERT_FALSE(properties.isEmpty()) << "the printer properties were not shown";
    for (const char* spanish : {"Propiedades de impresora", "Página", "Opciones de trabajo", "Avanzado",
                                "Hay conflictos entre algunas opciones. Corríjalos, por favor."})
        EXPECT_TRUE(properties.contains(QString::fromUtf8(spanish))) << spanish;
    delete QCoreApplication::instance()->findChild<QTranslator*>(QStringLiteral("klvQtTranslation"));
}
