// The transaction file import: field, record and case codes, the empty-field rules around 2008,
// 2012 and 2013, the rows and numbers written, re-import, the refusals, and random input.
#include "cp1252.h"
#include "import_core.h"
#include "import_fixture.h"
#include "transaction_import.h"

#include <QRandomGenerator>
#include <QSqlRecord>

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
    ImportRequest request(const QString& periodo, const QString& answer2 = QStringLiteral("0")) {
        ImportRequest req;
        req.kind = periodo.toInt() < 2012 ? ImportKind::TransaccionesAntes2012 : ImportKind::Transacciones2012;
        req.ruc = kRuc;
        req.periodo = periodo;
        req.answer1 = QStringLiteral("0");
        req.answer2 = answer2;
        req.rptPath = ctx().gRptPath;
        return req;
    }
    QString code(const QStringList& f, const QString& periodo = QStringLiteral("2015"),
                 const QString& answer2 = QStringLiteral("0")) {
        ReferenceCache ref(db());
        TransactionImporter imp(ctx(), request(periodo, answer2), ref);
        return imp.importarLinea(join(f));
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

    out = run(cp1252::encode(join(line00())));
    EXPECT_EQ(out.counts.transferidos, 1);
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT max(cor_transaccion) FROM TMPTRANSACCION2 WHERE tip_doc_p=6")).toInt(), 3);
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
