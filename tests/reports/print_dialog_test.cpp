// The print dialog with a laid environment: its list, the two actions, the spool row, and the
// declaration it writes previewed and printed to PDF (left in bin/screenshots to be looked at).
#include "frm_impxpag.h"
#include "frm_imprimir.h"
#include "frm_preview.h"

#include "db_rows.h"
#include "message_service.h"
#include "status_panels.h"
#include "test_env.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTableView>
#include <QTranslator>
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
    FrmImprimir all(ctx());
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
    ctx().gSysUser = QStringLiteral("PEPE");
    FrmImprimir own(ctx());
    EXPECT_EQ(listed(own), (QStringList{"20601234565 2016", "20601234565 2014"}));
}

TEST_F(PrintDialog, PreliminarWritesTheReportAndOpensThePageRange) {
    QDir().mkpath(QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots"));  // run alone too
    FrmImprimir dialog(ctx());
    dialog.show();
    QApplication::processEvents();
    dialog.grab().save(QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots/imprimir.png"));
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
    EXPECT_EQ(ctx().gAccion, 2);

    // The file written: two light cyan pages in the preview, two landscape pages on paper.
    FrmPreview preview(ctx(), file, std::nullopt);
    ASSERT_TRUE(preview.Form_Load());
    EXPECT_EQ(preview.TotalHojas(), 2);
    EXPECT_EQ(preview.canvasImage(1).pixelColor(5, 5), QColor(0xC0, 0xFF, 0xFF));
    preview.show();
    QApplication::processEvents();
    preview.grab().save(QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots/declaration-page1.png"));

    const QString pdf = QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots/declaration.pdf");
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

TEST_F(PrintDialog, AVanishedRowOrAFailedWriteStopsBothActions) {
    FrmImprimir dialog(ctx());
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

// Qt's own dialogs speak Spanish once the program environment has loaded Qt's translation.
TEST(QtTranslation, ThePrintDialogSpeaksSpanish) {
    if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_es.qm")))
        GTEST_SKIP() << "Qt's Spanish translation is not installed (scripts/setup installs qt6-translations-l10n)";
    prepareProgramEnvironment();  // the application exists: the translation is loaded at once
    QPrinter printer;
    QPrintDialog dialog(&printer);
    QStringList texts{dialog.windowTitle()};
    for (const QAbstractButton* b : dialog.findChildren<QAbstractButton*>()) texts << b->text();
    for (const QLabel* l : dialog.findChildren<QLabel*>()) texts << l->text();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Imprimir"));
    for (const char* spanish : {"Cancelar", "&Opciones >>", "&Nombre:", "Páginas", "Desactivada"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(spanish))) << spanish;
    delete QCoreApplication::instance()->findChild<QTranslator*>(QStringLiteral("klvQtTranslation"));
}
