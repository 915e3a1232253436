// The two report bodies compared as whole markup files with the files under golden/. With
// KLV_UPDATE_GOLDEN=1 the tests write the golden files anew (look at the difference before
// committing it).
#include "declaration_print.h"
#include "import_error_report.h"
#include "markup_document.h"

#include "cp1252.h"
#include "db_rows.h"
#include "format.h"
#include "report_writer.h"
#include "test_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <algorithm>
#include <vector>
#include <gtest/gtest.h>

using namespace klv;

namespace {

const QString kRuc = QStringLiteral("20601234565");

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The file equals golden/<name>.PRN.
void expectGolden(const QString& written, const QString& name) {
    const QString golden = QStringLiteral(KLV_GOLDEN_DIR "/") + name + QStringLiteral(".PRN");
    const QByteArray actual = readAll(written);
    ASSERT_FALSE(actual.isEmpty()) << "nothing written for " << name.toStdString();
    if (qEnvironmentVariable("KLV_UPDATE_GOLDEN") == QLatin1String("1")) {
        QFile f(golden);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(actual);
        return;
    }
    const QStringList want = cp1252::decode(readAll(golden)).split(QStringLiteral("\r\n"));
    const QStringList got = cp1252::decode(actual).split(QStringLiteral("\r\n"));
    for (int i = 0; i < std::min(want.size(), got.size()); ++i)
        ASSERT_EQ(got[i].toStdString(), want[i].toStdString()) << name.toStdString() << " line " << i + 1;
    EXPECT_EQ(got.size(), want.size()) << name.toStdString();
}

// The texts of a markup file's pPos lines, with their page field.
QStringList texts(const QString& path) {
    QStringList out;
    for (const auto& e : markup::readMarkupFile(path).entries)
        if (e.keyword == markup::Keyword::Pos) out << QStringLiteral("%1:%2").arg(e.page).arg(e.text);
    return out;
}

class ReportBodies : public ::testing::Test {
protected:
    AppContext& ctx() { return env_.ctx(); }

    void identifica(const QString& periodo, const QString& aut, const QString& est, const QVariant& ruc) {
        test::insertRow(env_.db(), QStringLiteral("IDENTIFICA2"),
                        {{"tip_doc_d", 6}, {"doc_id_d", kRuc}, {"periodo", periodo}, {"formulario", "8027"},
                         {"autcontext", aut}, {"esttecpt", est}, {"ruc", ruc}, {"cnumero", "000000"}});
    }
    void party(const QString& docIdP, const QString& name, int tipDocP = 6, const QString& form = QStringLiteral("8027")) {
        test::insertRow(env_.db(), QStringLiteral("PAR_VIN"),
                        {{"tip_doc_d", 6}, {"doc_id_d", kRuc}, {"formulario", form}, {"tip_doc_p", tipDocP},
                         {"doc_id_p", docIdP}, {"razon_social", name}, {"cnumero", "000000"}});
    }
    // A stored transaction: its amount of origin, and amounts of record the totals sum.
    void transaction(const QString& periodo, const QString& docIdP, int cor, const QString& flag, const QString& ind,
                     const QVariant& origin, const QString& moneda = QStringLiteral("1"), const QVariant& otra = {},
                     int tipDocP = 6) {
        QVariantMap row{{"tip_doc_d", 6}, {"doc_id_d", kRuc}, {"periodo", periodo}, {"formulario", "8027"},
                        {"tip_doc_p", tipDocP}, {"doc_id_p", docIdP}, {"cor_transaccion", cor},
                        {"flag_val_met", flag}, {"ind_transac_fin", ind}, {"cod_tip_moneda", moneda},
                        {"nom_otro_tip_mon", otra}, {"cnumero", "000000"}};
        const bool fin = ind == QLatin1String("1");
        if (flag == QLatin1String("00")) {
            row.insert(fin ? "mto_sin_cap_mon_ori" : "mto_sin_tran_mon_ori", origin);
            row.insert(fin ? "mto_sin_ints_mon_reg" : "mto_sin_tran_mon_reg", "1500");
        } else if (flag == QLatin1String("01")) {
            row.insert(fin ? "mto_ints_mon_ori" : "mto_tran_mon_ori", origin);
            row.insert(fin ? "mto_ints_sin_aju_pr" : "mto_sin_aju_pr", "1000");
            row.insert(fin ? "mto_ints_aju_pr" : "mto_aju_pr", "1200");
        } else {
            row.insert(fin ? "mto_tot_cap_mon_ori" : "mto_tra_mon_ori", origin);
            row.insert(fin ? "mto_tot_ints_mon_reg" : "mto_tra_mon_reg", "2500");
            row.insert(fin ? "mto_tot_aju_res_pos_reg" : "mto_aju_res_pos_reg", "0");
            row.insert(fin ? "mto_tot_aju_res_neg_reg" : "mto_aju_res_neg_reg", "0");
        }
        test::insertRow(env_.db(), QStringLiteral("TRANSACCION2"), row);
    }
    // The request the print dialog builds for the stored declaration.
    ReportOutcome print(const QString& periodo, const QString& name = QStringLiteral("EMPRESA DEMOSTRACION S.A.C."),
                        const WorkProgress& progress = {}) {
        ReportRequest r;
        r.tipoReporte = 2;
        r.archivo = QStringLiteral("%1.PRN").arg(++files_, 8, 10, QLatin1Char('0'));
        r.docIdD = kRuc;
        r.razonSocial = name;
        r.periodo = periodo;
        const auto answers = CargarCasillas(ctx(), QStringLiteral("6"), kRuc, periodo);
        EXPECT_TRUE(answers.has_value());
        r.autContExt = answers->autContExt;
        r.estTecPT = answers->estTecPT;
        r.rucEstudio = answers->rucEstudio;
        return udp_ImprimirReporte(ctx(), r, QString(), progress);
    }
    // Rows of a declaration: n transactions of method 00 with one party each.
    void manyTransactions(const QString& periodo, int n) {
        for (int i = 1; i <= n; ++i) {
            const QString doc = QStringLiteral("2010000%1").arg(i, 4, 10, QLatin1Char('0'));
            party(doc, QStringLiteral("INFORMADO %1").arg(i, 3, 10, QLatin1Char('0')));
            transaction(periodo, doc, 1, QStringLiteral("00"), QStringLiteral("0"), QStringLiteral("%1").arg(i * 1000));
        }
    }
    // An error file written as the import writes it.
    void errorFile(int kind, int errors) {
        QFile f(importErrorFile(ctx(), kind, kRuc));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        for (int i = 1; i <= errors; ++i) {
            // The import's layout: the line number (transactions only) in 7, the key in 23, the message.
            const QString key = QStringLiteral("6      2010000%1  ").arg(i % 10);
            QString line = (kind == 1 ? QString::number(i).leftJustified(7) : QString()) + key.leftJustified(23) +
                           QStringLiteral("Código de país inválido (Nº %1)").arg(i);
            f.write(cp1252::encode(line) + "\r\n");
        }
    }

    test::Environment env_;
    int files_ = 0;
};

}  // namespace

TEST_F(ReportBodies, DeclarationWithoutTransactionsIsHeaderAndQuestionsOnOnePage) {
    identifica(QStringLiteral("2011"), QStringLiteral("1"), QStringLiteral("0"), QVariant());
    const ReportOutcome out = print(QStringLiteral("2011"));
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(out.pages, 1);
    expectGolden(out.path, QStringLiteral("decl_0_2011_si"));
}

TEST_F(ReportBodies, DeclarationOfOneTransactionMovesTheTotalsToPageTwo) {
    identifica(QStringLiteral("2015"), QStringLiteral("0"), QStringLiteral("1"), QStringLiteral(" 20100070970 "));
    const QString longName = QStringLiteral("COMPAÑÍA DE SERVICIOS LOGÍSTICOS Y FINANCIEROS DEL PACÍFICO SUR S.A.");
    party(QStringLiteral("20100070971"), longName);
    transaction(QStringLiteral("2015"), QStringLiteral("20100070971"), 1, QStringLiteral("02"), QStringLiteral("1"),
                QStringLiteral("1234567.5"), QStringLiteral("0"), QStringLiteral("FRANCO SUIZO"));
    const ReportOutcome out = print(QStringLiteral("2015"), QStringLiteral("EMPRESA DE PRUEBA CON UN NOMBRE MUY LARGO S.A.C."));
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(out.pages, 2);
    expectGolden(out.path, QStringLiteral("decl_1_2015_no"));
}

TEST_F(ReportBodies, DeclarationOfTwentyFiveTransactionsOfEveryMethod) {
    identifica(QStringLiteral("2015"), QStringLiteral("1"), QStringLiteral("1"), kRuc);
    manyTransactions(QStringLiteral("2015"), 19);
    // Two parties of equal name, a party of another form code only, a missing currency, an empty amount.
    party(QStringLiteral("10412345679"), QStringLiteral("MISMO NOMBRE"));
    party(QStringLiteral("X1234"), QStringLiteral("MISMO NOMBRE"), 7);
    party(QStringLiteral("20555555551"), QStringLiteral("OTRO FORMULARIO"), 6, QStringLiteral("9999"));
    transaction(QStringLiteral("2015"), QStringLiteral("X1234"), 1, QStringLiteral("01"), QStringLiteral("1"),
                QStringLiteral("300"), QStringLiteral("2"), {}, 7);
    transaction(QStringLiteral("2015"), QStringLiteral("10412345679"), 1, QStringLiteral("01"), QStringLiteral("0"),
                QStringLiteral("200"), QStringLiteral("3"));
    transaction(QStringLiteral("2015"), QStringLiteral("10412345679"), 2, QStringLiteral("00"), QStringLiteral("1"),
                QVariant(), QStringLiteral("99"));
    transaction(QStringLiteral("2015"), QStringLiteral("20555555551"), 1, QStringLiteral("02"), QStringLiteral("0"),
                QStringLiteral(""), QStringLiteral("1"));
    transaction(QStringLiteral("2015"), QStringLiteral("20100000001"), 2, QStringLiteral("02"), QStringLiteral("0"),
                QStringLiteral("7"), QStringLiteral("1"));
    transaction(QStringLiteral("2015"), QStringLiteral("20100000002"), 2, QStringLiteral("01"), QStringLiteral("1"),
                QStringLiteral("99999999999999"), QStringLiteral("1"));
    const ReportOutcome out = print(QStringLiteral("2015"));
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(out.pages, 2) << "the last check opens no page holding only the header";
    expectGolden(out.path, QStringLiteral("decl_25_2015_si"));
}

TEST_F(ReportBodies, PagesOfSixteenAndSeventeenTransactions) {
    identifica(QStringLiteral("2012"), QStringLiteral("0"), QStringLiteral("0"), QVariant());
    manyTransactions(QStringLiteral("2012"), 16);
    const ReportOutcome sixteen = print(QStringLiteral("2012"));
    ASSERT_TRUE(sixteen.ok);
    EXPECT_EQ(sixteen.pages, 2);
    const QStringList t16 = texts(sixteen.path);
    EXPECT_TRUE(t16.contains(QStringLiteral("0:16"))) << "16 rows fill page 1";
    EXPECT_TRUE(t16.contains(QStringLiteral("1:Declarante (Pag. 2)")));
    EXPECT_TRUE(t16.contains(QStringLiteral("1:16 Transacciones realizadas.")));

    party(QStringLiteral("20100009999"), QStringLiteral("ZZ ULTIMO"));
    transaction(QStringLiteral("2012"), QStringLiteral("20100009999"), 1, QStringLiteral("00"), QStringLiteral("0"),
                QStringLiteral("5"));
    const ReportOutcome seventeen = print(QStringLiteral("2012"));
    ASSERT_TRUE(seventeen.ok);
    EXPECT_EQ(seventeen.pages, 2);
    const QStringList t17 = texts(seventeen.path);
    EXPECT_TRUE(t17.contains(QStringLiteral("1:17"))) << "the 17th row starts page 2";
    EXPECT_TRUE(t17.contains(QStringLiteral("1:MONEDA DE REGISTRO : Nuevos Soles-Peru")));
    EXPECT_TRUE(t17.filter(QStringLiteral("ZZ ULTIMO")).first().startsWith(QStringLiteral("1:")));
}

// Each row's amount is printed as the amount reading takes its stored text, whatever its form
// (plain numbers are read from their bytes, any other text the general way), and each row's
// currency is its own when the currencies of consecutive rows alternate.
TEST_F(ReportBodies, EveryStoredAmountAndCurrencyOfARowIsPrintedAsItReads) {
    identifica(QStringLiteral("2015"), QStringLiteral("0"), QStringLiteral("0"), QVariant());
    const QStringList stored{QStringLiteral("1234.5"), QStringLiteral("-0.5"),  QStringLiteral(" 12"),
                             QStringLiteral("1,234.50"), QStringLiteral("abc"), QStringLiteral("1e3"),
                             QStringLiteral("+7"),     QStringLiteral(""),     QStringLiteral("00012"),
                             QStringLiteral("6abc")};
    for (int i = 0; i < stored.size(); ++i) {
        const QString doc = QStringLiteral("2010000%1").arg(i, 4, 10, QLatin1Char('0'));
        party(doc, QStringLiteral("PARTE %1").arg(i, 2, 10, QLatin1Char('0')));
        transaction(QStringLiteral("2015"), doc, 1, QStringLiteral("02"), QStringLiteral("0"), stored[i],
                    i % 2 ? QStringLiteral("2") : QStringLiteral("1"));
    }
    const ReportOutcome out = print(QStringLiteral("2015"));
    ASSERT_TRUE(out.ok);
    QStringList amounts, currencies;
    for (const auto& e : markup::readMarkupFile(out.path).entries) {
        if (e.keyword != markup::Keyword::Pos || e.page != 0) continue;
        if (e.x == 13850) amounts << e.text;
        if (e.x >= 11550 && e.x < 13850 && !e.text.isEmpty()) currencies << e.text;
    }
    ASSERT_EQ(amounts.size(), stored.size());
    ASSERT_EQ(currencies.size(), stored.size());
    for (int i = 0; i < stored.size(); ++i) {
        const auto n = fmt::amountOrZero(stored[i]);
        const QString want = udf_AlinearDerecha(n ? fmt::format(*n, QStringLiteral("###,###,###,##0.00")) : stored[i], 18);
        EXPECT_EQ(amounts[i].toStdString(), want.toStdString()) << stored[i].toStdString();
        EXPECT_EQ(currencies[i].toStdString(), currencies[i % 2].toStdString()) << i;
    }
    EXPECT_NE(currencies[0].toStdString(), currencies[1].toStdString());
    EXPECT_EQ(amounts.last().trimmed(), QStringLiteral("6abc"));  // no number: printed as stored
}

TEST_F(ReportBodies, ImportErrorReportsOfBothKinds) {
    const struct {
        int kind;
        int errors;
        const char* golden;
        int pages;
    } cases[] = {{0, 0, "err_parties_0", 1}, {1, 1, "err_transactions_1", 1}, {1, 65, "err_transactions_65", 2},
                 {0, 130, nullptr, 3}};
    int n = 0;
    for (const auto& c : cases) {
        errorFile(c.kind, c.errors);
        const QString spool = QStringLiteral("%1.PRN").arg(++n, 8, 10, QLatin1Char('0'));
        const ImportErrorReportResult r =
            udp_ReporteErroresImportacion(ctx(), c.kind, kRuc, QStringLiteral("EMPRESA DEMOSTRACION S.A.C."), spool);
        ASSERT_TRUE(r.ok) << c.errors;
        EXPECT_EQ(r.file, ctx().gRptPath + QLatin1Char('/') + spool);
        EXPECT_EQ(r.pages, c.pages) << c.errors;
        if (c.golden) expectGolden(r.file, QString::fromLatin1(c.golden));
        const QStringList t = texts(r.file);
        EXPECT_EQ(t.filter(QStringLiteral("Sub-Total de Errores:")).size(), c.errors / 65) << c.errors;
        EXPECT_EQ(t.filter(QStringLiteral("Pag:%1").arg(c.pages)).size(), 1) << c.errors;
        EXPECT_TRUE(t[t.size() - 2].endsWith(QStringLiteral("Total de Errores:      %1").arg(c.errors))) << c.errors;
    }
    EXPECT_TRUE(env_.messages().empty());
}

TEST_F(ReportBodies, TheShareIsWholeOnlyOnceTheReportStandsWritten) {
    // What the body lays out is half the work, the file synced to the disk the other half: the
    // share is whole only once the report stands under its name, for the print and the error report.
    identifica(QStringLiteral("2015"), QStringLiteral("1"), QStringLiteral("0"), QVariant());
    manyTransactions(QStringLiteral("2015"), 3);
    errorFile(1, 65);
    for (const bool declaration : {true, false}) {
        const QString name = QStringLiteral("%1.PRN").arg(files_ + 1, 8, 10, QLatin1Char('0'));
        const QString path = ctx().gRptPath + QLatin1Char('/') + name;
        struct Told {
            qint64 done, total, onDisk;
        };
        std::vector<Told> told;
        const WorkProgress progress = [&](qint64 done, qint64 total) { told.push_back({done, total, QFileInfo(path).size()}); };
        if (declaration) {
            ASSERT_TRUE(print(QStringLiteral("2015"), QStringLiteral("EMPRESA DEMOSTRACION S.A.C."), progress).ok);
        } else {
            ++files_;
            ASSERT_TRUE(udp_ReporteErroresImportacion(ctx(), 1, kRuc, QString(), name, progress).ok);
        }
        ASSERT_FALSE(told.empty()) << declaration;
        EXPECT_EQ(told.back().done, told.back().total) << declaration;
        EXPECT_EQ(told.back().onDisk, QFileInfo(path).size()) << declaration;
        EXPECT_GT(told.back().onDisk, 0) << declaration;
        for (size_t i = 0; i + 1 < told.size(); ++i) {
            EXPECT_LT(told[i].done, told[i].total) << declaration << " report " << i;
            EXPECT_EQ(told[i].onDisk, 0) << declaration << " report " << i;
        }
        EXPECT_TRUE(std::any_of(told.begin(), told.end(), [](const Told& t) { return 2 * t.done == t.total; }))
            << declaration << ": the body laid out whole at half the work";
    }
}

TEST_F(ReportBodies, AMissingErrorFileWritesNoReport) {
    // The box is shown with the arrow, not the hourglass of the writing.
    struct CursorAtBox : RecordingMessageService {
        int show(const QString& text, int style, const QString& title) override {
            hourglass = QGuiApplication::overrideCursor() != nullptr;
            return RecordingMessageService::show(text, style, title);
        }
        bool hourglass = true;
    } box;
    ctx().messages = &box;
    QFile::remove(importErrorFile(ctx(), 1, kRuc));
    const ImportErrorReportResult r = udp_ReporteErroresImportacion(ctx(), 1, kRuc, QString(), QStringLiteral("00000009.PRN"));
    ctx().messages = &env_.messages();
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(QFile::exists(r.file));
    ASSERT_FALSE(box.empty());
    EXPECT_FALSE(box.hourglass);
    EXPECT_TRUE(box.last().text.startsWith(QStringLiteral("Error Técnico : (53) ")));
    EXPECT_EQ(box.last().title, QStringLiteral("Impresión"));
    EXPECT_EQ(importErrorFile(ctx(), 1, kRuc), ctx().gSysPath + QStringLiteral("RPT20601234565T.Err"));
    EXPECT_EQ(importErrorFile(ctx(), 0, kRuc), ctx().gSysPath + QStringLiteral("RPT20601234565.Err"));
}
