// Not a check: with KLV_DEMO_DB naming a demo database (scripts/demo), writes three working
// transactions of the open 2012 declaration of the demo declarant through the save, as the form
// would, so the declaration form can be tried on them. Skipped otherwise.
#include "database.h"
#include "db_rows.h"
#include "declaration_state.h"
#include "message_service.h"
#include "transaction_fixture.h"
#include "transaction_save.h"
#include "transaction_types.h"

namespace klv::test {
namespace {

TEST(DemoRows, WriteThreeTransactionsIntoTheDemoWorkingCopy) {
    const QString path = qEnvironmentVariable("KLV_DEMO_DB");
    if (path.isEmpty()) GTEST_SKIP() << "KLV_DEMO_DB not set";
    AppContext ctx;
    RecordingMessageService messages;
    ctx.messages = &messages;
    ctx.gDB = Database::open(path);
    const QString periodo = QStringLiteral("2012");

    auto ensureParty = [&](const QString& doc, const QString& name, bool haven) {
        if (ctx.db().scalar(QStringLiteral("SELECT 1 FROM PAR_VIN WHERE DOC_ID_D=? AND DOC_ID_P=?"), {kRuc, doc}).isValid())
            return;
        insertRow(ctx.db(), QStringLiteral("PAR_VIN"),
                  {{QStringLiteral("TIP_DOC_D"), 6}, {QStringLiteral("DOC_ID_D"), kRuc},
                   {QStringLiteral("FORMULARIO"), QStringLiteral("8027")}, {QStringLiteral("TIP_DOC_P"), 6},
                   {QStringLiteral("DOC_ID_P"), doc}, {QStringLiteral("RAZON_SOCIAL"), name},
                   {QStringLiteral("COD_PAR"), haven ? QStringLiteral("9077") : QStringLiteral("9589")},
                   {QStringLiteral("FLAG_PAR_FIS"), haven ? QStringLiteral("1") : QStringLiteral("0")},
                   {QStringLiteral("COD_NAT_JUR"), QStringLiteral("2")}, {QStringLiteral("FLAG_PAR_VIN"), QStringLiteral("01")},
                   {QStringLiteral("FLAG_CON_DOM"), QStringLiteral("01")}, {QStringLiteral("CNUMERO"), QStringLiteral("000000")}});
    };
    ensureParty(QStringLiteral("20100000001"), QStringLiteral("DISTRIBUIDORA LOCAL SAC"), false);
    ensureParty(QStringLiteral("20100000002"), QStringLiteral("HOLDING CARIBE SA"), true);

    auto base = [&](const QString& doc, const QString& flag, bool fin, const QStringList& types) {
        return newTransaction(ctx, doc, flag, fin, periodo, types, QStringLiteral("0"));
    };
    auto mustSave = [&](const TransactionState& st) {
        const SaveResult r = Grabar_Transacc(ctx, st);
        ASSERT_EQ(r.outcome, SaveOutcome::Saved) << r.verdict.message().toStdString();
    };

    // "00" for the domiciled party outside tax havens.
    TransactionState a = base(QStringLiteral("20100000001"), QStringLiteral("00"), false, {QStringLiteral("01")});
    a.texts[QStringLiteral("CboTipMoneda")] = QStringLiteral("01  -  SOLES");
    a.texts[QStringLiteral("TxtMtoSinTranMonOri")] = QStringLiteral("150,000");
    a.texts[QStringLiteral("TxtMtoSinTranMonReg")] = QStringLiteral("150,000");
    a.checks[QStringLiteral("OptCont_SETP")] = true;
    mustSave(a);

    // "01" financial (a loan) for the tax-haven party.
    TransactionState b = base(QStringLiteral("20100000002"), QStringLiteral("01"), true, {QStringLiteral("12")});
    b.texts[QStringLiteral("CboTipMoneda1")] = QStringLiteral("02  -  DOLAR");
    b.texts[QStringLiteral("TxtMtoCapMonOri")] = QStringLiteral("500,000");
    b.texts[QStringLiteral("TxtMtoIntsMonOri")] = QStringLiteral("25,000");
    b.texts[QStringLiteral("TxtTasEfeAnu")] = QStringLiteral("5.00");
    b.texts[QStringLiteral("TxtSalCapMonReg")] = QStringLiteral("400,000");
    b.checks[QStringLiteral("ChkPCNP")] = true;
    b.texts[QStringLiteral("TxtSinAjusPCNP")] = QStringLiteral("24,000");
    b.texts[QStringLiteral("TxtAjusPCNP")] = QStringLiteral("25,000");
    b.checks[QStringLiteral("OptInf_MT")] = true;
    mustSave(b);

    // "02" not financial for the tax-haven party, with the per-type amounts of its two types.
    TransactionState c = base(QStringLiteral("20100000002"), QStringLiteral("02"), false,
                              {QStringLiteral("05"), QStringLiteral("07")});
    for (const auto& [code, monto] : {std::pair{"05", "100000"}, std::pair{"07", "250000"}})
        insertRow(ctx.db(), QStringLiteral("TMPTRADET"),
                  {{QStringLiteral("TIP_DOC_D"), 6}, {QStringLiteral("DOC_ID_D"), kRuc}, {QStringLiteral("PERIODO"), periodo},
                   {QStringLiteral("FORMULARIO"), QStringLiteral("8027")}, {QStringLiteral("TIP_DOC_P"), 6},
                   {QStringLiteral("DOC_ID_P"), QStringLiteral("20100000002")}, {QStringLiteral("COR_TRANSACCION"), 2},
                   {QStringLiteral("COD_TIP_TRANSACCION"), QLatin1String(code)},
                   {QStringLiteral("DES_TRANSACCION"), QStringLiteral("detalle")}, {QStringLiteral("MONTO"), QLatin1String(monto)},
                   {QStringLiteral("CNUMERO"), QStringLiteral("666666")}});
    c.texts[QStringLiteral("CboTipMoneda2")] = QStringLiteral("02  -  DOLAR");
    c.texts[QStringLiteral("TxtMtoTraMonOri")] = QStringLiteral("400,000");
    c.texts[QStringLiteral("TxtMtoTraMonReg")] = QStringLiteral("350,000");
    c.texts[QStringLiteral("TxtMtoAjuResPosReg")] = QStringLiteral("10,000");
    c.texts[QStringLiteral("TxtMtoAjuResNegReg")] = QStringLiteral("0");
    c.texts[QStringLiteral("CboMetodoVal")] = QStringLiteral("04 - MPU");
    c.checks[QStringLiteral("OptCont_OM")] = true;
    mustSave(c);
    EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace klv::test
