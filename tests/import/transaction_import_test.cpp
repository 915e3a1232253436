// The transaction file import: field, record and case codes, the empty-field rules around 2008,
// 2012 and 2013, the rows and numbers written, re-import, the refusals, and random input.
#include "cp1252.h"
#include "error_log.h"
#include "fault_injection.h"
#include "import_core.h"
#include "import_fixture.h"
#include "transaction_import.h"

#include <QRandomGenerator>
#include <QSqlRecord>
#include <sqlite3.h>

namespace klv::test {
namespace {

using namespace klv::import;

const QString kParte = QStringLiteral("20100047218");   // domiciled
const QString kParaiso = QStringLiteral("AB123");        // abroad, in a tax haven

// A "00" non-financial line of the domiciled party flagging type 01.
QStringList line00() {
    QStringList f(149);
    f[0] = QStringLiteral("06");
    f[1] = kParte;
    f[2] = QStringLiteral("00");
    f[3] = QStringLiteral("0");
    f[4] = QStringLiteral("01");
    f[6] = QStringLiteral("100");
    f[7] = QStringLiteral("100");
    for (int i = 43; i <= 87; ++i) f[i - 1] = QStringLiteral("0");
    f[42] = QStringLiteral("1");
    return f;
}
// A "02" non-financial line of the tax-haven party: types 01 and 02 with their detail amounts.
QStringList line02() {
    QStringList f = line00();
    f[0] = QStringLiteral("07");
    f[1] = kParaiso;
    f[2] = QStringLiteral("02");
    f[6].clear();
    f[7].clear();
    f[30] = QStringLiteral("300");
    f[31] = QStringLiteral("300");
    f[32] = QStringLiteral("0");
    f[33] = QStringLiteral("0");
    f[34] = QStringLiteral("06");
    f[43] = QStringLiteral("1");
    f[87] = QStringLiteral("100");
    f[88] = QStringLiteral("200");
    f[144] = QStringLiteral("01");
    f[145] = QStringLiteral("10");
    f[146] = QStringLiteral("20");
    f[147] = QStringLiteral("15");
    f[148] = QStringLiteral("3.5");
    return f;
}
QString join(const QStringList& f) { return f.join(QLatin1Char('|')) + QLatin1Char('|'); }

class TransactionImportTest : public ImportTest {
protected:
    TransactionImportTest() {
        party(6, kParte, QStringLiteral("01"), QStringLiteral("0"));
        party(7, kParaiso, QStringLiteral("02"), QStringLiteral("1"));
    }
    void party(int tip, const QString& doc, const QString& dom, const QString& fis) {
        insertRow(db(), QStringLiteral("PAR_VIN"),
                  {{"tip_doc_d", 6}, {"doc_id_d", kRuc}, {"formulario", "8027"}, {"tip_doc_p", tip},
                   {"doc_id_p", doc}, {"cod_par", fis == "1" ? "9019" : "9589"}, {"flag_par_fis", fis},
                   {"cod_nat_jur", "2"}, {"flag_par_vin", "01"}, {"flag_con_dom", dom}, {"razon_social", "P"},
                   {"cnumero", "1"}});
    }
    ImportRequest request(const QString& periodo, const QString& answer2 = QStringLiteral("0"),
                          const QString& answer1 = QStringLiteral("0")) {
        ImportRequest req;
        req.kind = periodo.toInt() < 2012 ? ImportKind::TransaccionesAntes2012 : ImportKind::Transacciones2012;
        req.ruc = kRuc;
        req.periodo = periodo;
        req.answer1 = answer1;
        req.answer2 = answer2;
        req.rptPath = ctx().gRptPath;
        return req;
    }
    QString code(const QStringList& f, const QString& periodo = QStringLiteral("2015"),
                 const QString& answer2 = QStringLiteral("0"), const QString& answer1 = QStringLiteral("0")) {
        ReferenceCache ref(db());
        TransactionImporter imp(ctx(), request(periodo, answer2, answer1), ref);
        return imp.importarLinea(cp1252::encode(join(f)).toStdString());
    }
    ImportOutcome run(const QByteArray& bytes, const QString& periodo = QStringLiteral("2015")) {
        ImportRequest req = request(periodo);
        req.filePath = writeFile(kRuc + QStringLiteral(".TXT"), bytes);
        return ejecutarImportacion(ctx(), req, {});
    }
};

TEST_F(TransactionImportTest, FieldRecordAndCaseCodes) {
    struct Case {
        QStringList line;
        int field;
        QString value;
        const char* code;
    };
    const QStringList a = line00(), o = line02();
    const Case cases[] = {
        {a, 0, {}, ""},
        {o, 0, {}, ""},
        {a, 1, QStringLiteral("0"), "0652"},
        {a, 1, {}, "0601"},
        {a, 2, QStringLiteral("20555555556"), "0600"},
        {a, 2, QStringLiteral("O'BRIEN"), "0600"},
        {a, 3, {}, "0604"},
        {a, 5, QStringLiteral("9"), "0656"},
        {a, 6, QStringLiteral("SOL"), "0712"},
        {a, 7, QStringLiteral("1A"), "0657"},
        {a, 7, {}, "0608"},
        {a, 20, QString(15, QLatin1Char('1')), "0710"},  // not the line's group, still too long
        {a, 43, QStringLiteral("2"), "0692"},
        {a, 43, QStringLiteral("0"), "0648"},
        {a, 44, QStringLiteral("1"), "0649"},
        {a, 54, QStringLiteral("1"), "0651"},            // financial type on a non-financial line
        {a, 8, QStringLiteral("90"), "0695"},            // the currency of registration
        {a, 133, QStringLiteral("01"), "0771"},          // 2013 on, answer No
        {o, 89, QStringLiteral("201"), "0750"},          // one unit off
        {o, 89, {}, "0749"},
        {o, 89, QString(15, QLatin1Char('1')), "0710"},
        {o, 33, QStringLiteral("5"), "0693"},            // with 34 "5" below: both adjustments
        {o, 33, QStringLiteral("00"), "0740"},           // with 34 "00": above "0" as text
        {o, 145, {}, "0769"},
        {o, 145, QStringLiteral("06"), "0702"},
        {o, 147, QStringLiteral("5"), "0758"},
        {o, 148, QStringLiteral("25"), "0754"},
        {o, 146, QStringLiteral("0"), "0761"},
        {o, 149, {}, "0770"},
        {o, 146, QStringLiteral("1.234"), "0717"},
    };
    for (const Case& c : cases) {
        QStringList f = c.line;
        if (c.field > 0) f[c.field - 1] = c.value;
        if (c.field == 33) f[33] = c.value;
        EXPECT_EQ(code(f), QString::fromLatin1(c.code)) << c.field << " '" << c.value.toStdString() << "'";
    }
}

// The codes the table above leaves out, one line each, on a line of every case; with the
// declaration's period and answers where they matter.
TEST_F(TransactionImportTest, EveryOtherCode) {
    party(7, QStringLiteral("XY999"), QStringLiteral("02"), QStringLiteral("0"));  // abroad, no tax haven
    party(1, QStringLiteral("1234567"), QStringLiteral("01"), QStringLiteral("0"));
    party(6, QStringLiteral("2010004721"), QStringLiteral("01"), QStringLiteral("0"));
    const QStringList n00 = line00();
    const QStringList f00 = withFields(n00, "4=1;7=;8=;9=1000;10=50;11=5.5;12=50;13=1000;43=0;54=1");
    const QStringList n01 = withFields(n00, "1=07;2=AB123;3=01;5=02;7=;8=;14=100;15=100;16=110;134=10;135=20;136=15");
    const QStringList pr = withFields(n01, "15=;16=;134=;135=;136=;17=90;18=95;137=10;138=20;139=15;140=5");
    const QStringList ci = withFields(n01, "15=;16=;134=;135=;136=;19=90;20=95;141=10;142=20;143=15;144=5");
    const QStringList f01 = withFields(n00, "1=07;2=AB123;3=01;4=1;5=02;7=;8=;21=1000;22=50;23=5.5;24=1000;25=50;26=55;43=0;54=1");
    const QStringList n02 = withFields(line02(), "5=02");
    const QStringList f02 = withFields(n02, "4=1;31=;32=;33=;34=;35=;36=1000;37=50;38=50;39=1000;40=0;41=0;42=05;43=0;44=0;"
                                            "54=1;88=;89=;145=;146=;147=;148=;149=");
    struct Case {
        const QStringList& base;
        const char* changes;
        const char* code;
        const char* periodo = "2015";
        const char* answer2 = "0";
        const char* answer1 = "0";
    };
    const Case cases[] = {
        {f00, "", ""}, {n01, "", ""}, {pr, "", ""}, {ci, "", ""}, {f01, "", ""}, {n02, "", ""}, {f02, "", ""},
        // Empty fields, pairs judged on the values read so far.
        {n00, "2=", "0602"}, {n00, "4=", "0603"}, {n00, "5=", "0605"}, {n00, "5=00", "0606"}, {n00, "8=", "0609"},
        {f00, "9=", "0610"}, {f00, "10=", "0611"}, {f00, "11=", "0612"}, {f00, "12=", "0613"}, {f00, "13=", "0614"},
        {n01, "14=", "0615"}, {n01, "16=", "0617"}, {n01, "17=5", "0619"}, {n01, "19=5", "0621"},
        {n01, "16= ;17=", "0617"}, {n01, "15=;16=;134=;135=;136=", "0699"},
        {f01, "21=", "0622"}, {f01, "22=", "0623"}, {f01, "23=", "0624"}, {f01, "24=", "0625"}, {f01, "26=", "0627"},
        {f01, "27=5", "0629"}, {f01, "29=5", "0631"}, {f01, "25=;26=", "0700"},
        {n02, "31=", "0632"}, {n02, "32=", "0633"}, {n02, "33=", "0634"}, {n02, "34=", "0635"}, {n02, "35=", "0636"},
        {f02, "36=", "0637"}, {f02, "37=", "0638"}, {f02, "38=", "0639"}, {f02, "39=", "0640"}, {f02, "40=", "0641"},
        {f02, "41=", "0642"}, {f02, "42=", "0643"}, {n00, "", "0701", "2015", "1"},
        // Field checks.
        {n00, "1=1;2=1234567", "0653"}, {n00, "1=6;2=2010004721", "0653"}, {n00, "1=06;2=2010004721", ""},
        {n00, "3=03", "0654"}, {n00, "4=2", "0655"}, {n00, "5=001", "0656"}, {n00, "5=1", ""},
        {n00, "5=00;6=AAAAAAAAAAAAAAAA", "0711"}, {n00, "5=00;6=AAAAAAAAAAAAAAA", ""}, {n00, "5=00;6=A\x01", "0711"},
        {n00, "8=1.0", "0658"}, {f00, "9=1A", "0659"}, {f00, "10=1A", "0660"}, {f00, "11=1,5", "0661"},
        {f00, "11=.5", "0661"}, {f00, "11=.", "0661"}, {f00, "11=1.2.3", "0661"}, {f00, "12=A", "0662"},
        {f00, "11=123456789012", "0661"}, {f00, "11=12345678901", ""},  // the rate's column holds 14 characters
        {f00, "13=A", "0663"}, {n01, "14=A", "0664"}, {n01, "15=A", "0665"}, {n01, "16=A", "0666"},
        {n01, "17=A;18=1", "0667"}, {n01, "17=1;18=A", "0668"}, {n01, "19=A;20=1", "0669"}, {n01, "19=1;20=A", "0670"},
        {f01, "21=A", "0671"}, {f01, "22=A", "0672"}, {f01, "23=.5", "0673"}, {f01, "24=A", "0674"},
        {f01, "25=A", "0675"}, {f01, "26=A", "0676"}, {f01, "27=A;28=1", "0677"}, {f01, "27=1;28=A", "0678"},
        {f01, "29=A;30=1", "0679"}, {f01, "29=1;30=A", "0680"}, {n02, "31=A", "0681"}, {n02, "32=A", "0682"},
        {n02, "33=A", "0683"}, {n02, "34=A", "0684"}, {n02, "35=07", "0685"}, {f02, "36=A", "0686"},
        {f02, "37=A", "0687"}, {f02, "38=A", "0688"}, {f02, "39=A", "0689"}, {f02, "40=A", "0690"},
        {f02, "41=A", "0691"}, {f02, "42=6", "0685"}, {n00, "35=123456789012345", ""}, {n02, "89=200.00001", "0749"},
        {n00, "134=1,5", "0703"}, {n00, "134=12345678901234", "0703"}, {n00, "134=1.555", "0703"}, {n00, "135=A,", "0704"},
        {n00, "136=A,", "0705"}, {n00, "137=A,", "0706"}, {n00, "138=A,", "0707"}, {n00, "139=A,", "0708"},
        {n00, "140=A,", "0709"}, {n00, "141=A,", "0713"}, {n00, "142=A,", "0714"}, {n00, "143=A,", "0715"},
        {n00, "144=A,", "0716"}, {n00, "147=A,", "0718"}, {n00, "148=A,", "0719"}, {n00, "149=A,", "0752"},
        {n00, "145=07", ""}, {n02, "35=05;145=06", ""},
        // Record rules.
        {n01, "1=06;2=20100047218", "0647"}, {n01, "2=XY999", "0647"}, {n01, "2=XY999;134=;135=;136=", "0647", "2007"},
        {f00, "43=1", "0650"}, {f00, "54=0;43=1", "0650"}, {f00, "54=0;80=1", ""}, {f02, "40=5;41=5", "0693"},
        {f00, "12=60", "0696"}, {n02, "5=01;32=310;89=210", "0697"}, {f02, "5=01;38=60", "0698"},
        {n00, "5=02;8=90", "0695", "2015", "0", "1"}, {n00, "5=02;8=90", ""},
        // Case rules, method choice and ranges.
        {n00, "5=02;7=-5;8=-5", "0657"}, {f00, "9=0", "0748"}, {f00, "5=02;10=0", "0748"}, {f00, "10=0;12=0", ""},
        {n01, "14=0", "0731"}, {n01, "15=0", "0731"}, {n01, "16=0", "0736"}, {n01, "17=0;18=5", "0733"},
        {n01, "17=5;18=0", "0737"}, {n01, "19=0;20=5", "0735"}, {n01, "19=5;20=0", "0738"},
        {n01, "17=90;18=95", "0760"}, {pr, "19=90;20=95", "0760"}, {n01, "134=0;17=9;18=9", "0760"},
        {n01, "134=0", "0755"}, {n01, "135=", "0756"}, {n01, "136=0", "0757"}, {n01, "134=ABC", "0703"},
        {n01, "135=1-2", "0704"}, {n01, "134=-1;135=-2", "0704"},  // the last failing sign check
        {n01, "136=5", "0754"},
        {pr, "137=0", "0761"}, {pr, "140=", "0764"}, {pr, "137=A", "0706"}, {pr, "140=A", "0709"},
        {pr, "137=-1;138=-2", "0706"},  // the first failing sign check
        {pr, "137=30", "0758"}, {pr, "139=25", "0754"}, {ci, "142=0", "0762"}, {ci, "143=0", "0763"},
        {ci, "144=0", "0764"}, {ci, "141=A", "0713"}, {ci, "144=A", "0716"}, {ci, "141=30", "0758"},
        {f01, "21=0", "0720"}, {f01, "22=0", "0721"}, {f01, "22=0;25=0;27=5;28=6", "0723"},
        {f01, "22=0;25=0;29=5;30=6", "0725"}, {f01, "25=0", "0727"}, {f01, "27=5;28=0", "0728"},
        {f01, "29=5;30=0", "0729"}, {n02, "32=0;88=0;89=0", "0741"}, {n02, "31=0", "0741"},
        {n02, "146=A", "0766"}, {n02, "147=A", "0767"}, {n02, "148=A", "0768"}, {n02, "147=", "0762"},
        {n02, "148=0", "0763"}, {n02, "149=-1", "0752"}, {n02, "149=A", "0752"},
        {f02, "36=0", "0742"}, {f02, "37=0", "0745"}, {f02, "38=0", "0745"}, {f02, "40=5;41=00", "0743"},
        {n02, "88=", "", "2007"}, {n02, "88=1A", "", "2007"},
        {f02, "125=000000000000000300", ""},  // a detail amount that is not written: no length rule
    };
    for (const Case& c : cases)
        EXPECT_EQ(code(withFields(c.base, c.changes), QString::fromLatin1(c.periodo), QString::fromLatin1(c.answer2),
                       QString::fromLatin1(c.answer1)),
                  QString::fromLatin1(c.code))
            << c.changes << " " << c.periodo;
}

TEST_F(TransactionImportTest, AmountsOfAnotherCurrencyBothZeroOrBothAbove) {
    QStringList a = line00();
    a[4] = QStringLiteral("02");
    a[7] = QStringLiteral("0");
    EXPECT_EQ(code(a), QStringLiteral("0746"));
    a[6] = QStringLiteral("0");
    EXPECT_EQ(code(a), QString());
}

TEST_F(TransactionImportTest, PeriodRules) {
    QStringList a = line00();
    EXPECT_EQ(code(a, QStringLiteral("2012"), QStringLiteral("0")), QStringLiteral("0701"));  // 133 required
    a[132] = QStringLiteral("03");
    EXPECT_EQ(code(a, QStringLiteral("2012"), QStringLiteral("0")), QStringLiteral("0701"));
    a[132] = QStringLiteral("01");
    EXPECT_EQ(code(a, QStringLiteral("2012"), QStringLiteral("0")), QString());
    a[132] = QStringLiteral("011");
    EXPECT_EQ(code(a, QStringLiteral("2015"), QString()), QStringLiteral("0701"));  // neither answer: too long to store
    // Answer Si: the domiciled party needs a method (0646); a tax-haven party always (0645).
    QStringList si = line00();
    si[132] = QStringLiteral("02");
    EXPECT_EQ(code(si, QStringLiteral("2015"), QStringLiteral("1")), QStringLiteral("0646"));
    si[0] = QStringLiteral("07");
    si[1] = kParaiso;
    si[132].clear();
    EXPECT_EQ(code(si, QStringLiteral("2015"), QStringLiteral("0")), QStringLiteral("0645"));
    // Before 2008 a domiciled party must be without method.
    QStringList m = line00();
    m[2] = QStringLiteral("01");
    m[6].clear();
    m[7].clear();
    m[13] = QStringLiteral("100");
    m[14] = QStringLiteral("100");
    m[15] = QStringLiteral("110");
    EXPECT_EQ(code(m, QStringLiteral("2007"), QStringLiteral("1")), QStringLiteral("0644"));
    // Before 2008 the detail amounts of "02" are neither read nor compared.
    QStringList o = line02();
    o[88].clear();
    for (int i = 133; i <= 149; ++i) o[i - 1].clear();
    EXPECT_EQ(code(o, QStringLiteral("2007"), QStringLiteral("1")), QString());
}

TEST_F(TransactionImportTest, RowsTypesAndNumbersThenReimportNumbersOn) {
    const QString file = join(line00()) + QStringLiteral("\r\n") + join(line02()) + QStringLiteral("\n") + join(line00());
    ImportOutcome out = run(cp1252::encode(file));
    EXPECT_EQ(out.status, ImportOutcome::Status::Terminado);
    EXPECT_EQ(out.counts.transferidos, 3);
    EXPECT_EQ(out.counts.actualizados, 0);
    EXPECT_EQ(out.message, QStringLiteral("Archivo : ") + out.importPath + QStringLiteral(" transferido"));
    const auto rows = db().rows(QStringLiteral("SELECT * FROM TMPTRANSACCION2 ORDER BY tip_doc_p, cor_transaccion"));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].value("cor_transaccion").toInt(), 1);
    EXPECT_EQ(rows[1].value("cor_transaccion").toInt(), 2);
    EXPECT_EQ(rows[0].value("MTO_SIN_TRAN_MON_ORI").toString(), QStringLiteral("100"));
    EXPECT_TRUE(rows[0].value("MTO_TRA_MON_ORI").isNull());       // another case's column
    EXPECT_TRUE(rows[0].value("par_analizada").isNull());         // "00": only when given
    EXPECT_EQ(rows[2].value("par_analizada").toString(), QString());  // "02": always, empty here
    EXPECT_FALSE(rows[2].value("par_analizada").isNull());
    EXPECT_EQ(rows[2].value("valor_pli_mmnt").toString(), QStringLiteral("3.5"));
    EXPECT_EQ(rows[2].value("cnumero").toString(), QStringLiteral("666666"));
    const auto types = db().rows(QStringLiteral("SELECT cod_tip_transaccion, monto_transaccion FROM TMPTRATIPTRA "
                                                "WHERE tip_doc_p=7 ORDER BY 1"));
    ASSERT_EQ(types.size(), 2u);
    EXPECT_EQ(types[1].value(0).toString(), QStringLiteral("02"));
    EXPECT_EQ(types[1].value(1).toString(), QStringLiteral("200"));
    // A type without detail amount (the "00" lines) leaves the amount unset.
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT count(*) FROM TMPTRATIPTRA WHERE monto_transaccion IS NULL")).toInt(), 2);

    out = run(cp1252::encode(join(line00())));
    EXPECT_EQ(out.counts.transferidos, 1);
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT max(cor_transaccion) FROM TMPTRANSACCION2 WHERE tip_doc_p=6")).toInt(), 3);
}

// What each case writes: its own columns ("" where the rules store an empty text), the others unset.
TEST_F(TransactionImportTest, TheColumnsOfEachCase) {
    struct Case {
        const char* changes;
        std::vector<std::pair<const char*, const char*>> columns;  // nullptr: unset
    };
    const Case cases[] = {
        {"4=1;7=;8=;9=1000;10=50;11=5.5;12=50;13=1000;43=0;54=1",
         {{"TAS_SIN_EFE_ANU", "5.50"}, {"MTO_SIN_INTS_MON_REG", "50"}, {"par_analizada", nullptr}, {"MTO_SIN_TRAN_MON_ORI", nullptr}}},
        {"1=07;2=AB123;3=01;5=02;7=;8=;14=100;16=110;17=90;18=95;137=10;138=20;139=15;140=5;133=",
         {{"MTO_SIN_AJU_PCNC", ""}, {"MTO_AJU_PCNC", ""}, {"MTO_AJU_PR", "95"}, {"MTO_SIN_AJU_CI", ""},
          {"mto_margen_bruto_pr", "5"}, {"mto_lim_inf_pcnc", nullptr}, {"par_analizada", nullptr}}},
        {"1=07;2=AB123;3=01;4=1;5=02;7=;8=;21=1000;22=50;23=5.5;24=1000;25=50;26=55;43=0;54=1",
         {{"TAS_EFE_ANU", "5.5"}, {"MTO_INTS_AJU_PCNC", "55"}, {"MTO_INTS_SIN_AJU_PR", ""}, {"MTO_TRAN_MON_ORI", nullptr}}},
        {"1=07;2=AB123;3=02;4=1;5=02;7=;8=;36=1000;37=50;38=50;39=1000;40=0;41=0;42=05;43=0;54=1",
         {{"MET_VAL_INTS", "05"}, {"par_analizada", ""}, {"MET_VAL", nullptr}, {"valor_pli_mmnt", nullptr}}},
        // Values of two characters: digits (kept as typed, zeros included) and a digit with a point.
        {"1=07;2=AB123;3=01;4=1;5=02;7=;8=;21=1000;22=50;23=7.;24=1000;25=50;26=12;43=0;54=1",
         {{"TAS_EFE_ANU", "7."}, {"MTO_INTS_AJU_PCNC", "12"}, {"COD_TIP_MONEDA", "02"}}},
        // Letters upper-cased as the code page does: ß and µ have no upper case there.
        {"5=00;6= dólar ñ ßµ ", {{"NOM_OTRO_TIP_MON", "DÓLAR Ñ ßµ"}, {"COD_TIP_MONEDA", "00"}}},
    };
    for (const Case& c : cases) {
        db().exec(QStringLiteral("DELETE FROM TMPTRANSACCION2"));
        ASSERT_EQ(run(cp1252::encode(join(withFields(line00(), c.changes)))).counts.transferidos, 1) << c.changes;
        const QSqlRecord r = db().rows(QStringLiteral("SELECT * FROM TMPTRANSACCION2")).front();
        for (const auto& [column, value] : c.columns) {
            if (!value) {
                EXPECT_TRUE(r.value(column).isNull()) << c.changes << " " << column;
            } else {
                EXPECT_FALSE(r.value(column).isNull()) << c.changes << " " << column;
                EXPECT_EQ(r.value(column).toString(), QString::fromUtf8(value)) << c.changes << " " << column;
            }
        }
    }
}

TEST_F(TransactionImportTest, RejectedLinesAreLoggedWithTheirNumber) {
    QStringList bad = line00();
    bad[2] = QStringLiteral("03");
    const ImportOutcome out = run(cp1252::encode(join(line00()) + QStringLiteral("\n") + join(bad)));
    EXPECT_EQ(out.counts.rechazados, 1);
    EXPECT_TRUE(out.message.isEmpty());
    EXPECT_EQ(out.errPath, ctx().gRptPath + kRuc + QStringLiteral("T.Err"));
    EXPECT_EQ(readAll(out.errPath), cp1252::encode(QStringLiteral("2      06     20100047218     ") +
                                                   S("El Indicador de Método de Valoración no es Válido.")) +
                                        "\r\n");
    EXPECT_EQ(count(QStringLiteral("TMPTRANSACCION2")), 1);
}

TEST_F(TransactionImportTest, ALinkAtTheLogOrErrorFileIsRefusedNotFollowed) {
    QStringList bad = line00();
    bad[2] = QStringLiteral("03");
    const PlantedLinks links(env().root() + QStringLiteral("/elsewhere"),
                             {rutaLog(ctx().gRptPath, kRuc), rutaErr(ctx().gRptPath, kRuc, true)});
    const ImportOutcome out = run(cp1252::encode(join(bad)));
    // The run stops at the first rejected line, as for a log it may not write.
    EXPECT_EQ(out.status, ImportOutcome::Status::FallaLog);
    EXPECT_EQ(out.message, S("Error tecnico:  75\nError de acceso a la ruta o el archivo\nIntente nuevamente por favor."));
    EXPECT_TRUE(links.untouched(false));
}

TEST_F(TransactionImportTest, AFailureAtAnyRowKeepsTheLinesBeforeItWholeAndCountsThem) {
    const QByteArray file = cp1252::encode(join(line00()) + QStringLiteral("\n") + join(line02()) +
                                           QStringLiteral("\n") + join(line00()));
    const int typesBefore[] = {0, 1, 3, 4};  // type rows of the first lines: one, two, one
    sweepWriteFaults(
        [&] { return run(file); }, 7,  // a transaction row and its type rows a line
        [&](int kept) {
            EXPECT_EQ(count(QStringLiteral("TMPTRANSACCION2")), kept);
            EXPECT_EQ(count(QStringLiteral("TMPTRATIPTRA")), typesBefore[kept]);
        },
        [&] {
            db().exec(QStringLiteral("DELETE FROM TMPTRANSACCION2"));
            db().exec(QStringLiteral("DELETE FROM TMPTRATIPTRA"));
        });
}

// A batch that cannot be committed, even written again (another program keeps reading the file),
// is left out whole: the database, the counts and the error log as before it.
TEST_F(TransactionImportTest, ABatchThatCannotBeSavedLeavesNothingAndSaysSo) {
    QStringList bad = line00();
    bad[2] = QStringLiteral("03");
    const QByteArray file = cp1252::encode(join(line00()) + QStringLiteral("\n") + join(bad) + QStringLiteral("\n") +
                                           join(line02()));
    const DatabasePicture before(db());
    auto reader = Database::open(db().path());
    reader->exec(QStringLiteral("BEGIN"));
    reader->scalar(QStringLiteral("SELECT count(*) FROM TMPTRANSACCION2"));
    db().exec(QStringLiteral("PRAGMA busy_timeout=50"));
    const ImportOutcome out = run(file);
    reader->exec(QStringLiteral("ROLLBACK"));
    EXPECT_EQ(out.status, ImportOutcome::Status::FallaBaseDatos);
    EXPECT_EQ(out.linea, 0);
    EXPECT_EQ(out.lineasConservadas, 0);
    EXPECT_EQ(out.counts.transferidos + out.counts.rechazados, 0);
    EXPECT_TRUE(out.message.startsWith(S("Error al guardar las líneas leídas: "))) << out.message.toStdString();
    EXPECT_TRUE(out.message.endsWith(S("\nNo se conservó ninguna línea del archivo."))) << out.message.toStdString();
    EXPECT_TRUE(unchanged(before, db()));
    EXPECT_EQ(readAll(out.logPath), QByteArray());
    EXPECT_EQ(readAll(out.errPath), QByteArray());
}

// Another program holds the write lock: the import waits for it once (here: not at all, and
// counts), stops at the first line with one message, and writes nothing.
TEST_F(TransactionImportTest, ALockHeldByAnotherProgramIsWaitedForOnce) {
    auto other = Database::open(db().path());
    other->exec(QStringLiteral("BEGIN IMMEDIATE"));
    int waits = 0;
    sqlite3_busy_handler(
        db().sqliteHandle(),
        [](void* waited, int tries) {
            if (tries == 0) ++*static_cast<int*>(waited);
            return 0;
        },
        &waits);
    const ImportOutcome out = run(cp1252::encode(join(line00()) + QStringLiteral("\n") + join(line00())));
    other->exec(QStringLiteral("ROLLBACK"));
    EXPECT_EQ(waits, 1);
    EXPECT_EQ(out.status, ImportOutcome::Status::FallaBaseDatos);
    EXPECT_EQ(out.linea, 1);
    // In Spanish, without the statement, and saying that nothing was kept.
    EXPECT_EQ(out.message, S("Error en la línea 1 del archivo: La base de datos está bloqueada por otro programa (3051)\n"
                             "No se conservó ninguna línea del archivo."));
    EXPECT_EQ(count(QStringLiteral("TMPTRANSACCION2")), 0);
}

TEST_F(TransactionImportTest, ShapeRefusals) {
    ImportOutcome out = run(QByteArray(148, '|'));
    EXPECT_EQ(out.message, S("El archivo de importación no tiene el número de campos correctos"));
    QStringList full = line00();
    full[140] = QStringLiteral("1");
    out = run(cp1252::encode(join(full)), QStringLiteral("2011"));
    EXPECT_EQ(out.message, S("Los últimos 17 campos deben estar vacios"));
    EXPECT_EQ(out.title, S("Error en archivo de importación"));
    EXPECT_EQ(count(QStringLiteral("TMPTRANSACCION2")), 0);
    // Before 2012 the 132 fields are read and the line goes in.
    full[140].clear();
    EXPECT_EQ(run(cp1252::encode(join(full)), QStringLiteral("2011")).counts.transferidos, 1);
}

TEST_F(TransactionImportTest, RandomInputNeverCrashes) {
    QRandomGenerator rng(8027);
    const QByteArray alphabet("|||||0123456789.-ABC ,()\xf1\r\n\t\b");
    for (int round = 0; round < 40; ++round) {
        QByteArray bytes;
        const int lines = rng.bounded(1, 6);
        for (int l = 0; l < lines; ++l) {
            QByteArray line = cp1252::encode(join(round % 2 ? line00() : line02()));
            for (int k = rng.bounded(0, 12); k > 0; --k)
                line[rng.bounded(0, static_cast<int>(line.size()))] = alphabet[rng.bounded(0, static_cast<int>(alphabet.size()))];
            bytes += line + "\r\n";
        }
        EXPECT_NO_THROW(run(bytes));
        ImportRequest req = request(QStringLiteral("2015"));
        req.kind = ImportKind::Partes;
        req.filePath = writeFile(kRuc + QStringLiteral(".ifm"), bytes);
        EXPECT_NO_THROW(ejecutarImportacion(ctx(), req, {}));
    }
}

}  // namespace
}  // namespace klv::test

namespace klv::test {
namespace {

// The demo's sample files: parties first, then their transactions of 2015 (both answers No).
TEST(DemoFiles, ImportWithAFewBadLines) {
    Environment env;
    AppContext& ctx = env.ctx();
    const QString dir = QStringLiteral(KLV_DEMO_FILES);
    ImportRequest req;
    req.kind = ImportKind::Partes;
    req.ruc = kRuc;
    req.filePath = dir + QStringLiteral("/") + kRuc + QStringLiteral(".ifm");
    req.rptPath = ctx.gRptPath;
    ImportOutcome out = ejecutarImportacion(ctx, req, {});
    EXPECT_EQ(out.counts.transferidos, 4);
    EXPECT_EQ(out.counts.actualizados, 0);
    EXPECT_EQ(out.counts.rechazados, 2);
    req.kind = ImportKind::Transacciones2012;
    req.periodo = QStringLiteral("2015");
    req.answer1 = req.answer2 = QStringLiteral("0");
    req.filePath = dir + QStringLiteral("/") + kRuc + QStringLiteral(".TXT");
    out = ejecutarImportacion(ctx, req, {});
    EXPECT_EQ(out.counts.transferidos, 5);
    EXPECT_EQ(out.counts.rechazados, 3);
    QFile err(out.errPath);
    ASSERT_TRUE(err.open(QIODevice::ReadOnly));
    const QString text = cp1252::decode(err.readAll());
    for (const char* c : {"No encontró el Informado", "Solo en Otros Métodos", "La suma de los montos de detalle"})
        EXPECT_TRUE(text.contains(S(c))) << c;
}

}  // namespace
}  // namespace klv::test
