// The six totals in form mode (working copy, returned) and report mode (stored rows, globals).
#include "declaration_fixture.h"
#include "totals.h"

namespace klv::test {
namespace {

class TotalsTest : public DeclarationTest {
protected:
    DeclarationTotals formTotals(const QString& caller = QString()) {
        return upd_TotalizarMtoTransacc(ctx(), 6, QStringLiteral("2015"), kRuc, caller);
    }
    DeclarationTotals reportTotals() { return upd_TotalizarMtoTransacc(ctx(), 6, QStringLiteral("2015"), kRuc, kCallerImpRep); }
    void reportGlobals(const QString& value) {
        for (QString* g : {&ctx().gTotMtoTran00, &ctx().gTotMtoSinAju01, &ctx().gTotMtoAju01, &ctx().gTotMtoTran02,
                           &ctx().gTotMtoAjuPos02, &ctx().gTotMtoAjuNeg02})
            *g = value;
    }
    static QStringList all(const DeclarationTotals& t) {
        return {t.mtoTran00, t.mtoSinAju01, t.mtoAju01, t.mtoTran02, t.mtoAjuPos02, t.mtoAjuNeg02};
    }
};

TEST_F(TotalsTest, NoTransactionsGiveZeroInBothModes) {
    const QStringList zeros(6, QStringLiteral("0.00"));
    EXPECT_EQ(all(formTotals()), zeros);
    EXPECT_EQ(all(reportTotals()), zeros);
    EXPECT_EQ(ctx().gTotMtoTran00, QStringLiteral("0.00"));
    EXPECT_EQ(ctx().gTotMtoAjuNeg02, QStringLiteral("0.00"));
}

TEST_F(TotalsTest, FormModeSumsFinancialAndNonFinancialColumnsOfEachMethod) {
    const QString t = QStringLiteral("TMPTRANSACCION2");
    transaction(t, key(), QStringLiteral("P1"), 1, QStringLiteral("00"), QStringLiteral("0"),
                {{QStringLiteral("MTO_SIN_TRAN_MON_REG"), QStringLiteral("1500")}});
    transaction(t, key(), QStringLiteral("P1"), 2, QStringLiteral("00"), QStringLiteral("1"),
                {{QStringLiteral("MTO_SIN_INTS_MON_REG"), QStringLiteral("25")}});
    // Only the PR method used: the empty method columns count 0.
    transaction(t, key(), QStringLiteral("P2"), 1, QStringLiteral("01"), QStringLiteral("0"),
                {{QStringLiteral("MTO_SIN_AJU_PR"), QStringLiteral("1000")}, {QStringLiteral("MTO_AJU_PR"), QStringLiteral("1200")},
                 {QStringLiteral("MTO_SIN_AJU_CI"), QString(QLatin1String(""))}});
    transaction(t, key(), QStringLiteral("P2"), 2, QStringLiteral("01"), QStringLiteral("1"),
                {{QStringLiteral("MTO_INTS_SIN_AJU_CI"), QStringLiteral("5")}, {QStringLiteral("MTO_INTS_AJU_CI"), QStringLiteral("7")}});
    transaction(t, key(), QStringLiteral("P3"), 1, QStringLiteral("02"), QStringLiteral("0"),
                {{QStringLiteral("MTO_TRA_MON_REG"), QStringLiteral("2000000")},
                 {QStringLiteral("MTO_AJU_RES_POS_REG"), QStringLiteral("10")},
                 {QStringLiteral("MTO_AJU_RES_NEG_REG"), QStringLiteral("0")}});
    transaction(t, key(), QStringLiteral("P3"), 2, QStringLiteral("02"), QStringLiteral("1"),
                {{QStringLiteral("MTO_TOT_INTS_MON_REG"), QStringLiteral("3")},
                 {QStringLiteral("MTO_TOT_AJU_RES_POS_REG"), QStringLiteral("0")},
                 {QStringLiteral("MTO_TOT_AJU_RES_NEG_REG"), QStringLiteral("4")}});
    // Another declarant and a row of another method flag are left out.
    transaction(t, key(QStringLiteral("2015"), kRucOtro), QStringLiteral("P1"), 1, QStringLiteral("00"), QStringLiteral("0"),
                {{QStringLiteral("MTO_SIN_TRAN_MON_REG"), QStringLiteral("999")}});
    transaction(t, key(), QStringLiteral("P4"), 1, QStringLiteral("03"), QStringLiteral("0"),
                {{QStringLiteral("MTO_SIN_TRAN_MON_REG"), QStringLiteral("999")}});

    reportGlobals(QStringLiteral("untouched"));
    const DeclarationTotals f = formTotals();
    EXPECT_EQ(f.mtoTran00, QStringLiteral("1,525.00"));
    EXPECT_EQ(f.mtoSinAju01, QStringLiteral("1,005.00"));
    EXPECT_EQ(f.mtoAju01, QStringLiteral("1,207.00"));
    EXPECT_EQ(f.mtoTran02, QStringLiteral("2,000,003.00"));
    EXPECT_EQ(f.mtoAjuPos02, QStringLiteral("10.00"));
    EXPECT_EQ(f.mtoAjuNeg02, QStringLiteral("4.00"));
    // Form mode leaves the report globals alone; the working copy is not what reports read.
    EXPECT_EQ(ctx().gTotMtoTran00, QStringLiteral("untouched"));
    EXPECT_EQ(all(reportTotals()), QStringList(6, QStringLiteral("0.00")));
}

TEST_F(TotalsTest, EmptyOrNullAmountsCountAsZero) {
    const QString t = QStringLiteral("TMPTRANSACCION2");
    transaction(t, key(), QStringLiteral("P1"), 1, QStringLiteral("00"), QStringLiteral("0"),
                {{QStringLiteral("MTO_SIN_TRAN_MON_REG"), QString(QLatin1String(""))}});
    transaction(t, key(), QStringLiteral("P1"), 2, QStringLiteral("02"), QStringLiteral("0"),
                {{QStringLiteral("MTO_TRA_MON_REG"), QStringLiteral("40")}});
    const DeclarationTotals f = formTotals();
    EXPECT_EQ(f.mtoTran00, QStringLiteral("0.00"));
    EXPECT_EQ(f.mtoSinAju01, QStringLiteral("0.00"));
    EXPECT_EQ(f.mtoTran02, QStringLiteral("40.00"));
    EXPECT_EQ(f.mtoAjuNeg02, QStringLiteral("0.00"));
}

TEST_F(TotalsTest, ReportModeReadsStoredRowsAndDropsTheLeadingZero) {
    const QString t = QStringLiteral("TRANSACCION2");
    transaction(t, key(), QStringLiteral("P1"), 1, QStringLiteral("02"), QStringLiteral("0"),
                {{QStringLiteral("MTO_TRA_MON_REG"), QStringLiteral("1234567")},
                 {QStringLiteral("MTO_AJU_RES_POS_REG"), QStringLiteral("0")},
                 {QStringLiteral("MTO_AJU_RES_NEG_REG"), QStringLiteral("0")}});
    transaction(t, key(), QStringLiteral("P1"), 2, QStringLiteral("01"), QStringLiteral("0"),
                {{QStringLiteral("MTO_SIN_AJU_PCNC"), QStringLiteral("0")}});
    const DeclarationTotals r = reportTotals();
    EXPECT_EQ(ctx().gTotMtoTran00, QStringLiteral("0.00"));   // no '00' rows
    EXPECT_EQ(ctx().gTotMtoSinAju01, QStringLiteral(".00"));  // rows summing to 0
    EXPECT_EQ(ctx().gTotMtoAju01, QStringLiteral(".00"));
    EXPECT_EQ(ctx().gTotMtoTran02, QStringLiteral("1,234,567.00"));
    EXPECT_EQ(ctx().gTotMtoAjuPos02, QStringLiteral(".00"));
    EXPECT_EQ(ctx().gTotMtoAjuNeg02, QStringLiteral("0.00"));
    EXPECT_EQ(r.mtoAjuPos02, ctx().gTotMtoAjuPos02);
}

TEST_F(TotalsTest, OnlyTheExactCallerNameSelectsReportMode) {
    transaction(QStringLiteral("TRANSACCION2"), key(), QStringLiteral("P1"), 1, QStringLiteral("00"), QStringLiteral("0"),
                {{QStringLiteral("MTO_SIN_TRAN_MON_REG"), QStringLiteral("5")}});
    reportGlobals(QStringLiteral("untouched"));
    EXPECT_EQ(formTotals(QStringLiteral("imprep")).mtoTran00, QStringLiteral("0.00"));
    EXPECT_EQ(ctx().gTotMtoTran00, QStringLiteral("untouched"));
    EXPECT_EQ(reportTotals().mtoTran00, QStringLiteral("5.00"));
}

TEST_F(TotalsTest, AmountThatIsNotANumberFailsTheQuery) {
    transaction(QStringLiteral("TMPTRANSACCION2"), key(), QStringLiteral("P1"), 1, QStringLiteral("02"), QStringLiteral("0"),
                {{QStringLiteral("MTO_TRA_MON_REG"), QStringLiteral("12A")}});
    EXPECT_THROW(formTotals(), DbError);
}

TEST(JudgedTotals, OnlyTheFirstFourCountAndOnlyTheirSign) {
    DeclarationTotals t{QStringLiteral("0.00"), QStringLiteral("0.00"), QStringLiteral("0.00"), QStringLiteral("0.00"),
                        QStringLiteral("5,000.00"), QStringLiteral("7.00")};
    EXPECT_FALSE(anyJudgedTotalAboveZero(t));
    t.mtoAju01 = QStringLiteral("0.01");
    EXPECT_TRUE(anyJudgedTotalAboveZero(t));
    t.mtoAju01 = QStringLiteral("-1,000.00");
    EXPECT_FALSE(anyJudgedTotalAboveZero(t));
    t.mtoTran02 = QStringLiteral("1,525.00");
    EXPECT_TRUE(anyJudgedTotalAboveZero(t));
}

}  // namespace
}  // namespace klv::test
