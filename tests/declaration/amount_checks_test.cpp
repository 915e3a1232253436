// Largest-amount check, amount consistency by valuation method, per-type detail amounts.
#include "amount_checks.h"
#include "declaration_fixture.h"
#include "totals.h"

namespace klv::test {
namespace {

class AmountChecksTest : public DeclarationTest {
protected:
    // Non-financial '00' transactions of distinct parties, one per amount in the currency of record.
    void amounts(const std::vector<const char*>& values) {
        int i = 0;
        for (const char* v : values)
            transaction(kTmp, key(), QStringLiteral("P%1").arg(++i), 1, QStringLiteral("00"), QStringLiteral("0"),
                        {{QStringLiteral("MTO_SIN_TRAN_MON_REG"), S(v)}});
    }
    QString largest() { return udf_Verificar_Montos(ctx(), key()); }
};

TEST_F(AmountChecksTest, LargestAmountThresholds) {
    struct Case {
        std::vector<const char*> values;
        const char* expected;
    };
    const Case cases[] = {
        {{}, ""},
        {{"9000000"}, ""},                 // one amount: never a question
        {{"100", "100", "5000"}, "1000.00"},
        {{"100", "1000"}, ""},              // the largest equals the threshold
        {{"100", "1001"}, "1000.00"},
        {{"1", "2", "4", "100"}, "23.33"},  // 70 / 3 held with four decimals
        {{"0", "500"}, ""},                 // threshold 0: no question
        {{"0", "0", "0"}, ""},
        {{"5000", "5000", "10"}, ""},       // only one of the equal largest is left out
        {{"99000000000000", "99000000000000", "99000000000000", "1"}, ""},  // beyond 64 bits: no overflow
        {{"1", "1", "99000000000000"}, "10.00"},
    };
    for (const Case& c : cases) {
        db().exec(QStringLiteral("DELETE FROM TMPTRANSACCION2"));
        amounts(c.values);
        EXPECT_EQ(largest(), S(c.expected)) << c.values.size() << " amounts";
    }
    EXPECT_EQ(largeAmountQuestion(QStringLiteral("1000.00")), S("Existen transacciones mayores a 1000.00. ¿Es correcto?"));
    EXPECT_TRUE(messages().empty());
}

TEST_F(AmountChecksTest, LargestAmountTakesTheColumnsOfEachMethodAndSkipsEmptyOnes) {
    // A '01' row gives one amount per method carrying an adjusted amount; its unadjusted columns
    // are never read.
    transaction(kTmp, key(), QStringLiteral("P1"), 1, QStringLiteral("01"), QStringLiteral("0"),
                {{QStringLiteral("MTO_AJU_PCNC"), QStringLiteral("100")}, {QStringLiteral("MTO_AJU_PR"), QString(QLatin1String(""))},
                 {QStringLiteral("MTO_AJU_CI"), QStringLiteral("300")}, {QStringLiteral("MTO_SIN_AJU_PR"), QStringLiteral("900000")}});
    // Financial rows count their interest, not their capital.
    transaction(kTmp, key(), QStringLiteral("P2"), 1, QStringLiteral("00"), QStringLiteral("1"),
                {{QStringLiteral("MTO_SIN_INTS_MON_REG"), QStringLiteral("200")}, {QStringLiteral("MTO_SIN_CAP_MON_ORI"), QStringLiteral("800000")}});
    transaction(kTmp, key(), QStringLiteral("P3"), 1, QStringLiteral("02"), QStringLiteral("1"),
                {{QStringLiteral("MTO_TOT_INTS_MON_REG"), QStringLiteral("50000")}});
    // (100 + 300 + 200) x 10 / 3 = 2000
    EXPECT_EQ(largest(), QStringLiteral("2000.00"));
}

struct RuleCase {
    const char* flag;
    const char* ind;
    std::vector<std::pair<const char*, const char*>> values;  // nullptr value: NULL
    const char* message;  // "" when the row passes
};

void PrintTo(const RuleCase& c, std::ostream* os) {
    *os << c.flag << '/' << c.ind << (*c.message ? " fails" : " passes");
}

class MethodRulesTest : public AmountChecksTest, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(MethodRulesTest, OneRow) {
    const RuleCase& c = GetParam();
    QVariantMap values;
    for (const auto& [col, v] : c.values) values.insert(S(col), v ? QVariant(S(v)) : QVariant());
    transaction(kTmp, key(), QStringLiteral("20100000001"), 1, S(c.flag), S(c.ind), values);
    const bool ok = udf_Verificar_Metodos_Montos(ctx(), key());
    if (QString(S(c.message)).isEmpty()) {
        EXPECT_TRUE(ok);
        EXPECT_TRUE(messages().empty()) << messages().last().text.toStdString();
    } else {
        EXPECT_FALSE(ok);
        ASSERT_EQ(messages().calls().size(), 1u);
        EXPECT_EQ(messages().last().text, S(c.message) + QStringLiteral("Num.Doc. Informado = 20100000001 "));
        EXPECT_EQ(messages().last().style, 48);
        EXPECT_EQ(messages().last().title, ctx().gTitulo);
    }
}

const char* kInvalid00 = "Ingreso no válido. ";
const char* kOneAdjustment = "Consignar solo un monto de ajuste a los resultados (POSITIVO o NEGATIVO). ";

INSTANTIATE_TEST_SUITE_P(
    WithoutMethodFinancial, MethodRulesTest,
    ::testing::Values(
        RuleCase{"00", "1", {{"MTO_SIN_CAP_MON_ORI", "0"}}, "El monto de capital (Moneda de Origen) debe ser mayor a cero. "},
        RuleCase{"00", "1", {{"MTO_SIN_CAP_MON_ORI", nullptr}}, "El monto de capital (Moneda de Origen) debe ser mayor a cero. "},
        RuleCase{"00", "1", {{"MTO_SIN_CAP_MON_ORI", "5000"}, {"MTO_SIN_INTS_MON_ORI", "0"}, {"MTO_SIN_INTS_MON_REG", "0"}, {"SAL_SIN_CAP_MON_REG", ""}}, kInvalid00},
        RuleCase{"00", "1", {{"MTO_SIN_CAP_MON_ORI", "5000"}, {"MTO_SIN_INTS_MON_ORI", "0"}, {"MTO_SIN_INTS_MON_REG", "0"}, {"SAL_SIN_CAP_MON_REG", "0"}}, ""},
        RuleCase{"00", "1", {{"MTO_SIN_CAP_MON_ORI", "5000"}, {"MTO_SIN_INTS_MON_ORI", "300"}, {"MTO_SIN_INTS_MON_REG", "0"}, {"SAL_SIN_CAP_MON_REG", "0"}}, kInvalid00},
        RuleCase{"00", "1", {{"MTO_SIN_CAP_MON_ORI", " 5000 "}, {"MTO_SIN_INTS_MON_ORI", "300"}, {"MTO_SIN_INTS_MON_REG", "20"}, {"SAL_SIN_CAP_MON_REG", "100"}}, ""}));

INSTANTIATE_TEST_SUITE_P(
    WithoutMethodNonFinancial, MethodRulesTest,
    ::testing::Values(
        RuleCase{"00", "0", {{"MTO_SIN_TRAN_MON_ORI", "1000"}, {"MTO_SIN_TRAN_MON_REG", "0"}}, "Los montos deben ser cero o mayores a cero. "},
        RuleCase{"00", "0", {{"MTO_SIN_TRAN_MON_ORI", "0"}, {"MTO_SIN_TRAN_MON_REG", "0"}}, ""},
        RuleCase{"00", "0", {{"MTO_SIN_TRAN_MON_ORI", "1000"}, {"MTO_SIN_TRAN_MON_REG", "3500"}}, ""},
        RuleCase{"00", "0", {{"MTO_SIN_TRAN_MON_ORI", ""}, {"MTO_SIN_TRAN_MON_REG", "3500"}}, "Los montos deben ser cero o mayores a cero. "}));

INSTANTIATE_TEST_SUITE_P(
    TraditionalFinancial, MethodRulesTest,
    ::testing::Values(
        RuleCase{"01", "1", {{"MTO_CAP_MON_ORI", "0"}}, "El monto del capital (Moneda de Origen) no es válido. "},
        RuleCase{"01", "1", {{"MTO_CAP_MON_ORI", "900"}, {"MTO_INTS_MON_ORI", "0"}, {"MTO_INTS_SIN_AJU_PCNC", "250"}},
                 "Los intereses sin ajustar para el método PCNC (Moneda de Registro) no es válido. "},
        RuleCase{"01", "1", {{"MTO_CAP_MON_ORI", "900"}, {"MTO_INTS_MON_ORI", "0"}, {"MTO_INTS_SIN_AJU_PR", "0"}, {"MTO_INTS_AJU_PR", "10"}}, ""},
        RuleCase{"01", "1", {{"MTO_CAP_MON_ORI", "900"}, {"MTO_INTS_MON_ORI", "300"}, {"MTO_INTS_SIN_AJU_PCNC", "250"}},
                 "Ingrese intereses ajustado e intereses sin ajustar para el método PCNC (Moneda de Registro). "},
        RuleCase{"01", "1", {{"MTO_CAP_MON_ORI", "900"}, {"MTO_INTS_MON_ORI", "300"}, {"MTO_INTS_SIN_AJU_CI", "250"}, {"MTO_INTS_AJU_CI", "0"}},
                 "Ingrese intereses ajustado e intereses sin ajustar para el método CI (Moneda de Registro). "},
        RuleCase{"01", "1", {{"MTO_CAP_MON_ORI", "900"}, {"MTO_INTS_MON_ORI", "300"}, {"MTO_INTS_SIN_AJU_CI", "250"}, {"MTO_INTS_AJU_CI", "260"}}, ""}));

INSTANTIATE_TEST_SUITE_P(
    TraditionalNonFinancial, MethodRulesTest,
    ::testing::Values(
        RuleCase{"01", "0", {{"MTO_TRAN_MON_ORI", "8000"}}, ""},
        RuleCase{"01", "0", {{"MTO_TRAN_MON_ORI", "8000"}, {"MTO_SIN_AJU_PR", "0"}, {"MTO_AJU_PR", "500"}},
                 "El monto sin ajustar para el método PR (Moneda de Registro) no es válido. "},
        RuleCase{"01", "0", {{"MTO_TRAN_MON_ORI", "8000"}, {"MTO_SIN_AJU_CI", "700"}, {"MTO_AJU_CI", "0"}},
                 "El monto ajustado para el método CI (Moneda de Registro) no es válido. "},
        RuleCase{"01", "0", {{"MTO_TRAN_MON_ORI", "8000"}, {"MTO_SIN_AJU_CI", "700"}, {"MTO_AJU_CI", "750"}}, ""},
        RuleCase{"01", "0", {{"MTO_TRAN_MON_ORI", "0"}, {"MTO_SIN_AJU_PCNC", "0"}, {"MTO_AJU_PCNC", "1200"}}, ""},
        RuleCase{"01", "0", {{"MTO_TRAN_MON_ORI", "0"}, {"MTO_SIN_AJU_PR", "5"}, {"MTO_AJU_PR", ""}},
                 "El monto sin ajustar para el método PR (Moneda de Registro) no es válido. "}));

INSTANTIATE_TEST_SUITE_P(
    OtherMethodsFinancial, MethodRulesTest,
    ::testing::Values(
        RuleCase{"02", "1", {{"MTO_TOT_CAP_MON_ORI", "0"}}, "Consignar monto total del capital (Moneda de Origen). "},
        // An empty capital is not the text "0": it passes the first rule.
        RuleCase{"02", "1", {{"MTO_TOT_CAP_MON_ORI", ""}, {"MTO_TOT_INTS_MON_ORI", "10"}, {"MTO_TOT_INTS_MON_REG", "0"}},
                 "Monto total de los intereses (Moneda de Registro) no es válido. "},
        RuleCase{"02", "1", {{"MTO_TOT_CAP_MON_ORI", "100"}, {"MTO_TOT_INTS_MON_ORI", "10"}, {"MTO_TOT_INTS_MON_REG", "12"},
                             {"MTO_TOT_AJU_RES_POS_REG", "100"}, {"MTO_TOT_AJU_RES_NEG_REG", "50"}}, kOneAdjustment},
        RuleCase{"02", "1", {{"MTO_TOT_CAP_MON_ORI", "100"}, {"MTO_TOT_INTS_MON_ORI", "10"}, {"MTO_TOT_INTS_MON_REG", "12"},
                             {"MTO_TOT_AJU_RES_POS_REG", "100"}, {"MTO_TOT_AJU_RES_NEG_REG", ""}}, ""}));

INSTANTIATE_TEST_SUITE_P(
    OtherMethodsNonFinancial, MethodRulesTest,
    ::testing::Values(
        RuleCase{"02", "0", {{"MTO_TRA_MON_ORI", "0"}, {"MTO_TRA_MON_REG", "0"}}, ""},
        RuleCase{"02", "0", {{"MTO_TRA_MON_ORI", "0"}, {"MTO_TRA_MON_REG", ""}},
                 "Ingreso del monto de la transacción (Moneda de Registro) inconsistente. "},
        RuleCase{"02", "0", {{"MTO_TRA_MON_ORI", "100"}, {"MTO_TRA_MON_REG", "0"}},
                 "Ingreso del monto de la transacción (Moneda de Registro) inconsistente. "},
        RuleCase{"02", "0", {{"MTO_TRA_MON_ORI", ""}, {"MTO_TRA_MON_REG", "500"}}, ""},
        RuleCase{"02", "0", {{"MTO_TRA_MON_ORI", "100"}, {"MTO_TRA_MON_REG", "100"}, {"MTO_AJU_RES_POS_REG", "100"},
                             {"MTO_AJU_RES_NEG_REG", "50"}}, kOneAdjustment},
        RuleCase{"02", "0", {{"MTO_TRA_MON_ORI", "100"}, {"MTO_TRA_MON_REG", "100"}, {"MTO_AJU_RES_POS_REG", "100"},
                             {"MTO_AJU_RES_NEG_REG", "0"}}, ""}));

INSTANTIATE_TEST_SUITE_P(
    OutsideTheSixCases, MethodRulesTest,
    ::testing::Values(RuleCase{"03", "0", {{"MTO_TRA_MON_ORI", "0"}, {"MTO_TRA_MON_REG", ""}}, ""},
                      RuleCase{"02", "", {{"MTO_TRA_MON_ORI", "0"}, {"MTO_TRA_MON_REG", ""}}, ""}));

TEST_F(AmountChecksTest, FirstFailingTransactionInKeyOrderIsTheOneReported) {
    const QVariantMap bad{{QStringLiteral("MTO_SIN_TRAN_MON_ORI"), QStringLiteral("1")}, {QStringLiteral("MTO_SIN_TRAN_MON_REG"), QStringLiteral("0")}};
    transaction(kTmp, key(), QStringLiteral("BBB"), 1, QStringLiteral("00"), QStringLiteral("0"), bad);
    transaction(kTmp, key(), QStringLiteral("AAA"), 2, QStringLiteral("00"), QStringLiteral("0"), bad);
    transaction(kTmp, key(), QStringLiteral("AAA"), 1, QStringLiteral("02"), QStringLiteral("0"),
                {{QStringLiteral("MTO_TRA_MON_ORI"), QStringLiteral("0")}, {QStringLiteral("MTO_TRA_MON_REG"), QStringLiteral("7")}});
    EXPECT_FALSE(udf_Verificar_Metodos_Montos(ctx(), key()));
    ASSERT_EQ(messages().calls().size(), 1u);
    EXPECT_EQ(messages().last().text, S("Ingreso del monto de la transacción (Moneda de Registro) inconsistente. "
                                        "Num.Doc. Informado = AAA "));
    // Rows of another declaration are not examined.
    messages().clear();
    EXPECT_TRUE(udf_Verificar_Metodos_Montos(ctx(), key(QStringLiteral("2016"))));
    EXPECT_TRUE(messages().empty());
}

TEST_F(AmountChecksTest, OneReadingGivesTheFormsTotalsAndJudgesOnlyTheFormsRows) {
    auto row = [&](const char* party, const char* flag, const char* ind, QVariantMap amounts, const char* form = "8027") {
        DeclarationKey k = key();
        k.formulario = S(form);
        static int cor = 0;
        transaction(kTmp, k, S(party), ++cor, S(flag), S(ind), amounts);
    };
    // Texts that are no plain number, read as each total reads them.
    row("P1", "00", "0", {{"MTO_SIN_TRAN_MON_REG", " 12.5 "}});
    row("P1", "00", "1", {{"MTO_SIN_INTS_MON_REG", "1,000"}});
    row("P2", "01", "0", {{"MTO_SIN_AJU_PR", "1,000"}, {"MTO_AJU_PR", "abc"}, {"MTO_SIN_AJU_CI", "0.1"}, {"MTO_AJU_CI", ""}});
    row("P2", "01", "1", {{"MTO_INTS_SIN_AJU_CI", "0.2"}, {"MTO_INTS_AJU_CI", "7"}});
    row("P3", "02", "0", {{"MTO_TRA_MON_REG", "0.3"}, {"MTO_AJU_RES_POS_REG", "10"}, {"MTO_AJU_RES_NEG_REG", ""}});
    row("P3", "02", "1", {{"MTO_TOT_INTS_MON_REG", "3"}, {"MTO_TOT_AJU_RES_NEG_REG", "4"}});
    row("P4", "03", "0", {{"MTO_SIN_TRAN_MON_REG", "999"}});
    // A row of another form code adds into the totals but is not judged: its amounts break a rule
    // and stand far above the others.
    auto otherForm = [&] {
        row("P5", "00", "0", {{"MTO_SIN_TRAN_MON_ORI", "1"}, {"MTO_SIN_TRAN_MON_REG", "0"}}, "9999");
        row("P5", "02", "0", {{"MTO_TRA_MON_ORI", "9"}, {"MTO_TRA_MON_REG", "900000"}}, "9999");
    };
    otherForm();
    const AmountReview review = revisarMontos(ctx(), key());
    const DeclarationTotals form = upd_TotalizarMtoTransacc(ctx(), 6, QStringLiteral("2015"), kRuc, QString());
    const DeclarationTotals& read = review.totals();
    EXPECT_EQ((QStringList{read.mtoTran00, read.mtoSinAju01, read.mtoAju01, read.mtoTran02, read.mtoAjuPos02, read.mtoAjuNeg02}),
              (QStringList{form.mtoTran00, form.mtoSinAju01, form.mtoAju01, form.mtoTran02, form.mtoAjuPos02, form.mtoAjuNeg02}));
    EXPECT_EQ(read.mtoTran02, QStringLiteral("900,003.30"));

    db().exec(QStringLiteral("DELETE FROM TMPTRANSACCION2"));
    row("P1", "00", "0", {{"MTO_SIN_TRAN_MON_ORI", "10"}, {"MTO_SIN_TRAN_MON_REG", "10"}});
    otherForm();
    const AmountReview judged = revisarMontos(ctx(), key());
    EXPECT_TRUE(judged.rulesHold);
    EXPECT_EQ(judged.largeAmountThreshold, QString());

    // An amount that the totals read strictly and is no number fails the totals, not the rest.
    row("P6", "02", "0", {{"MTO_TRA_MON_ORI", "5"}, {"MTO_TRA_MON_REG", "cinco"}});
    EXPECT_THROW(upd_TotalizarMtoTransacc(ctx(), 6, QStringLiteral("2015"), kRuc, QString()), DbError);
    const AmountReview failing = revisarMontos(ctx(), key());
    EXPECT_THROW(failing.totals(), DbError);
    EXPECT_FALSE(failing.rulesHold);
    EXPECT_TRUE(messages().empty());
}

class DetailAmountsTest : public AmountChecksTest {
protected:
    void otherMethods(const QString& periodo, const QString& party, const QString& ind, const QVariant& monto) {
        transaction(kTmp, key(periodo), party, 1, QStringLiteral("02"), ind);
        transactionType(QStringLiteral("TMPTRATIPTRA"), key(periodo), party, 1, QStringLiteral("05"), QStringLiteral("10"));
        transactionType(QStringLiteral("TMPTRATIPTRA"), key(periodo), party, 1, QStringLiteral("07"), monto);
    }
    const QString kMessage = S("Existen transacciones no financieras en OTROS Métodos que no se ha ingresado el detalle del "
                               "Monto de las transacciones en moneda de registro. Num.Doc. Informado = ");
};

TEST_F(DetailAmountsTest, AppliesFrom2008) {
    otherMethods(QStringLiteral("2007"), QStringLiteral("P1"), QStringLiteral("0"), QVariant());
    EXPECT_TRUE(udf_Verificar_Detalle_Montos(ctx(), key(QStringLiteral("2007"))));
    otherMethods(QStringLiteral("2008"), QStringLiteral("P1"), QStringLiteral("0"), QVariant());
    EXPECT_FALSE(udf_Verificar_Detalle_Montos(ctx(), key(QStringLiteral("2008"))));
    ASSERT_EQ(messages().calls().size(), 1u);
    EXPECT_EQ(messages().last().text, kMessage + QStringLiteral("P1 "));
    EXPECT_EQ(messages().last().style, 48);
}

TEST_F(DetailAmountsTest, MissingMeansNullOrEmptyText) {
    otherMethods(QStringLiteral("2010"), QStringLiteral("P1"), QStringLiteral("0"), QStringLiteral("0"));
    otherMethods(QStringLiteral("2010"), QStringLiteral("P2"), QStringLiteral("0"), QStringLiteral(" "));
    transaction(kTmp, key(QStringLiteral("2010")), QStringLiteral("P3"), 1, QStringLiteral("02"), QStringLiteral("0"));  // no types
    // Financial and other methods' rows are never examined.
    otherMethods(QStringLiteral("2010"), QStringLiteral("P4"), QStringLiteral("1"), QVariant());
    transaction(kTmp, key(QStringLiteral("2010")), QStringLiteral("P5"), 1, QStringLiteral("01"), QStringLiteral("0"));
    transactionType(QStringLiteral("TMPTRATIPTRA"), key(QStringLiteral("2010")), QStringLiteral("P5"), 1, QStringLiteral("05"), QVariant());
    EXPECT_TRUE(udf_Verificar_Detalle_Montos(ctx(), key(QStringLiteral("2010"))));
    EXPECT_TRUE(messages().empty());

    otherMethods(QStringLiteral("2010"), QStringLiteral("P9"), QStringLiteral("0"), QString(QLatin1String("")));
    otherMethods(QStringLiteral("2010"), QStringLiteral("P8"), QStringLiteral("0"), QVariant());
    EXPECT_FALSE(udf_Verificar_Detalle_Montos(ctx(), key(QStringLiteral("2010"))));
    ASSERT_EQ(messages().calls().size(), 1u);
    EXPECT_EQ(messages().last().text, kMessage + QStringLiteral("P8 "));
}

}  // namespace
}  // namespace klv::test
