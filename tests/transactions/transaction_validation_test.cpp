// The check before a save: each rule set walked message by message, fixing each failure in turn
// until the transaction passes.
#include "amount_rules.h"
#include "transaction_fixture.h"
#include "transaction_validation.h"

#include <functional>

namespace klv::test {
namespace {

struct Step {
    QString expected;   // the message shown
    int tab = -1;
    QString focus;
    std::function<void(TransactionState&)> fix;
};

// "Msg n" of the catalogue.
QString M(int n) {
    Verdict v;
    v.catalogue = n;
    return v.message();
}

class ValidationTest : public TransactionTest {
protected:
    // Checks the steps in order: each check must fail with the step's message, tab and focus;
    // after the last fix the transaction passes. Returns the state as the fixes left it.
    TransactionState walk(TransactionState st, const std::vector<Step>& steps) {
        int i = 0;
        for (const Step& s : steps) {
            const Verdict v = udf_ValidaText(st);
            EXPECT_FALSE(v.ok) << "step " << i << " expected " << s.expected.toStdString();
            if (v.ok) return st;
            EXPECT_EQ(v.message(), s.expected) << "step " << i;
            EXPECT_EQ(v.tab, s.tab) << "step " << i;
            EXPECT_EQ(v.focus, s.focus) << "step " << i;
            s.fix(st);
            ++i;
        }
        const Verdict v = udf_ValidaText(st);
        EXPECT_TRUE(v.ok) << v.message().toStdString();
        return st;
    }
    static std::function<void(TransactionState&)> set(const char* control, const char* text) {
        return [control, text](TransactionState& st) { st.texts[QLatin1String(control)] = S(text); };
    }
    static std::function<void(TransactionState&)> tickOn(const char* control, bool on = true) {
        return [control, on](TransactionState& st) { st.checks[QLatin1String(control)] = on; };
    }
    static std::function<void(TransactionState&)> both(std::function<void(TransactionState&)> a,
                                                       std::function<void(TransactionState&)> b) {
        return [a, b](TransactionState& st) {
            a(st);
            b(st);
        };
    }
};

TEST_F(ValidationTest, OpeningThenSetAWithoutMethod) {
    TransactionState st = state(QStringLiteral("00"));
    st.texts.remove(QStringLiteral("CboTipDocP"));
    st.texts.remove(QStringLiteral("CboDocIdP"));
    st.checks.clear();
    st.tab = 0;
    tick(st, {});
    walk(st, {
        {M(1), -1, "CmdSelec", set("CboTipDocP", "06  -  RUC")},
        {M(2), -1, "CmdSelec", set("CboDocIdP", "20100000001")},
        {M(4), -1, "", tickOn("OptSinValMet")},
        {M(38), 1, "CboTipMoneda", [](TransactionState& s) { s.tab = 1; }},
        {M(5), -1, "CboTipMoneda", both(tickOn("ChkOtraMoneda"), set("TxtOtroTipMoneda", "   "))},
        {M(6), -1, "TxtOtroTipMoneda", set("TxtOtroTipMoneda", "YEN")},
        {M(7), -1, "TxtMtoSinTranMonOri", set("TxtMtoSinTranMonOri", "1,000")},
        {M(8), -1, "TxtMtoSinTranMonReg", set("TxtMtoSinTranMonReg", "0")},
        // another currency: the amounts of record and origin are not compared
        {rules::msgZeroOrAboveZero(), -1, "", both(tickOn("ChkOtraMoneda", false), set("CboTipMoneda", "01  -  SOLES"))},
        {rules::msgZeroOrAboveZero(), -1, "", set("TxtMtoSinTranMonReg", "2,000")},
        {M(36), -1, "TxtMtoSinTranMonReg", set("TxtMtoSinTranMonReg", "900")},
        {M(44), -1, "", tickOn("OptCont_SETP")},
        {msgSinTipo(), 0, "", [](TransactionState& s) { tick(s, {QStringLiteral("05")}); }},
    });
    // The analysed-party rule of this option stops at 2012, and the form shows it from 2012.
    for (const char* p : {"2011", "2013"}) {
        TransactionState s = state(QStringLiteral("00"), false, S(p));
        s.texts[QStringLiteral("CboTipMoneda")] = QStringLiteral("01  -  SOLES");
        s.texts[QStringLiteral("TxtMtoSinTranMonOri")] = QStringLiteral("0");
        s.texts[QStringLiteral("TxtMtoSinTranMonReg")] = QStringLiteral("0");
        EXPECT_TRUE(udf_ValidaText(s).ok) << p;
    }
}

TEST_F(ValidationTest, SetAFinancial) {
    TransactionState st = state(QStringLiteral("00"), true);
    st.tab = 1;
    st.texts[QStringLiteral("CboTipMoneda")] = QStringLiteral("01  -  SOLES");
    st.checks[QStringLiteral("OptInf_SETP")] = true;
    walk(st, {
        {M(9), -1, "TxtMtoSinCapMonOri", set("TxtMtoSinCapMonOri", "0")},
        {M(10), -1, "TxtMtoSinIntsMonOri", set("TxtMtoSinIntsMonOri", "5")},
        {M(11), -1, "TxtTasSinEfeAnu", set("TxtTasSinEfeAnu", " . ")},
        {M(11), -1, "TxtTasSinEfeAnu", set("TxtTasSinEfeAnu", "7.5")},
        {M(12), -1, "TxtMtoSinIntsMonReg", set("TxtMtoSinIntsMonReg", "0")},
        {M(13), -1, "TxtSalSinCapMonReg", set("TxtSalSinCapMonReg", "10")},
        {M(35), -1, "TxtSalSinCapMonReg", set("TxtSalSinCapMonReg", "0")},
        {rules::msgCapitalAboveZero(), -1, "", set("TxtMtoSinCapMonOri", "100")},
        {S("No es valido"), -1, "", set("TxtMtoSinIntsMonOri", "0")},  // a loan without interest
    });
}

TEST_F(ValidationTest, SetBTraditionalFrom2012) {
    TransactionState st = state(QStringLiteral("01"));
    st.tab = 0;
    st.checks[QStringLiteral("ChkPCNP")] = true;
    walk(st, {
        {M(37), 2, "CboTipMoneda1", set("CboTipMoneda1", "02  -  DOLAR")},
        {M(14), -1, "", set("TxtSinAjusPCNP", "100")},
        {M(17), -1, "", set("TxtAjusPCNP", "120")},
        {M(40), -1, "TxtMtoLimInfPCNC", set("TxtMtoLimInfPCNC", "0.00")},
        {M(40), -1, "TxtMtoLimInfPCNC", set("TxtMtoLimInfPCNC", "20.00")},
        {M(41), -1, "TxtMtoLimSupPCNC", set("TxtMtoLimSupPCNC", "10.00")},
        {M(42), -1, "TxtMtoMedPCNC", set("TxtMtoMedPCNC", "0.0")},  // "0.0" is not missing
        {M(43), -1, "TxtMtoLimInfPCNC", set("TxtMtoLimSupPCNC", "20.00")},  // equal bounds pass
        {M(55), -1, "", set("TxtMtoMedPCNC", "20")},                          // the median on a bound passes
        {M(7), -1, "TxtMtoTranMonOri", set("TxtMtoTranMonOri", "0")},
        {rules::msgMethodAmount(rules::MethodFault::Unadjusted, QStringLiteral("PCNC")), -1, "",
         set("TxtMtoTranMonOri", "500")},
        // PR from 2012: amounts, then its range, no focus
        {M(44), -1, "", both(tickOn("OptInf_MT"), tickOn("ChkPR"))},
        {M(15), -1, "", set("TxtSinAjusPr", "10")},
        {M(18), -1, "", set("TxtAjusPr", "0")},
        {M(45), -1, "", set("TxtLimInfPR", "5")},
        {M(46), -1, "", set("TxtLimSupPR", "6")},
        {M(47), -1, "", set("TxtMedPR", "7")},
        {M(48), -1, "", set("TxtMargBrutoPR", "1")},
        {M(55), -1, "", set("TxtMedPR", "5.5")},
        {rules::msgMethodAmount(rules::MethodFault::Adjusted, QStringLiteral("PR")), -1, "", set("TxtAjusPr", "12")},
    });
}

TEST_F(ValidationTest, SetBBefore2012AndFinancial) {
    TransactionState st = state(QStringLiteral("01"), false, QStringLiteral("2011"));
    st.tab = 2;
    st.texts[QStringLiteral("CboTipMoneda1")] = QStringLiteral("01  -  SOLES");
    st.texts[QStringLiteral("TxtMtoTranMonOri")] = QStringLiteral("100");
    walk(st, {
        {M(33), -1, "", both(tickOn("ChkPR"), tickOn("ChkCI"))},
        {M(18), -1, "TxtAjusPr", set("TxtAjusPr", "1")},  // before 2012 the adjusted amount first
        {M(15), -1, "TxtSinAjusPr", set("TxtSinAjusPr", "1")},
        {M(16), -1, "TxtSinAjusCi", set("TxtSinAjusCi", "1")},
        {M(19), -1, "TxtAjusCi", set("TxtAjusCi", "1")},
    });

    TransactionState f = state(QStringLiteral("01"), true);
    f.tab = 2;
    f.texts[QStringLiteral("CboTipMoneda1")] = QStringLiteral("01  -  SOLES");
    f.checks[QStringLiteral("ChkPCNP")] = true;
    f.checks[QStringLiteral("OptCont_MT")] = true;
    f.texts[QStringLiteral("TxtSinAjusPCNP")] = QStringLiteral("250");
    f.texts[QStringLiteral("TxtAjusPCNP")] = QStringLiteral("0");
    walk(f, {
        {M(9), -1, "TxtMtoCapMonOri", set("TxtMtoCapMonOri", "0")},
        {M(10), -1, "TxtMtoIntsMonOri", set("TxtMtoIntsMonOri", "0")},
        {M(11), -1, "TxtTasEfeAnu", set("TxtTasEfeAnu", "5")},
        {M(13), -1, "TxtSalCapMonReg", set("TxtSalCapMonReg", "0")},
        {rules::msgCapitalNotValid(), -1, "", set("TxtMtoCapMonOri", "1,000")},
        {rules::msgMethodInterest(rules::InterestFault::Unadjusted, QStringLiteral("PCNC")), -1, "",
         set("TxtMtoIntsMonOri", "300")},
        {rules::msgMethodInterest(rules::InterestFault::Both, QStringLiteral("PCNC")), -1, "", set("TxtAjusPCNP", "260")},
    });
}

TEST_F(ValidationTest, SetCOtherMethods) {
    TransactionState st = state(QStringLiteral("02"), true);
    st.tab = 0;
    walk(st, {
        {M(34), 3, "CboTipMoneda2", set("CboTipMoneda2", "01  -  SOLES")},
        {M(27), -1, "TxtMtoTotCapMonOri", set("TxtMtoTotCapMonOri", "0")},
        {M(28), -1, "TxtMtoTotIntsMonOri", set("TxtMtoTotIntsMonOri", "10")},
        {M(29), -1, "TxtMtoTotIntsMonReg", set("TxtMtoTotIntsMonReg", "0")},
        {M(30), -1, "TxtSalTotCapMonReg", set("TxtSalTotCapMonReg", "0")},
        {rules::msgTotalCapital(), -1, "", set("TxtMtoTotCapMonOri", "5000")},
        {rules::msgTotalInterests(), -1, "", set("TxtMtoTotIntsMonReg", "10")},
        {M(22), -1, "CboMetodoVal", both(set("TxtMtoAjuResPosReg", "100"), set("TxtMtoAjuResNegReg", "50"))},
        {rules::msgOnlyOneAdjustment(), -1, "", set("TxtMtoAjuResNegReg", "0.00")},
        {M(22), -1, "CboMetodoVal", set("CboMetodoVal", "06 - MMNT")},
        {M(44), -1, "", tickOn("OptCont_OM")},  // financial: no profit-level indicator
    });

    TransactionState n = state(QStringLiteral("02"));
    n.tab = 3;
    n.texts[QStringLiteral("CboTipMoneda2")] = QStringLiteral("01  -  SOLES");
    n.checks[QStringLiteral("OptInf_OM")] = true;
    n = walk(n, {
        {M(25), -1, "TxtMtoTraMonOri", set("TxtMtoTraMonOri", "0")},
        {M(26), -1, "TxtMtoTraMonReg", set("TxtMtoTraMonReg", "5")},
        {M(36), -1, "TxtMtoTraMonReg", set("TxtMtoTraMonOri", "1,000")},
        {M(22), -1, "CboMetodoVal", set("CboMetodoVal", "06 - MMNT")},
        {M(23), -1, "TxtMtoAjuResPosReg", set("TxtMtoAjuResPosReg", "0")},
        {M(24), -1, "TxtMtoAjuResNegReg", set("TxtMtoAjuResNegReg", "")},
        {M(24), -1, "TxtMtoAjuResNegReg", set("TxtMtoAjuResNegReg", "0")},
        {M(53), -1, "CboRangoPLI", set("CboRangoPLI", "01 Utilidad")},
        {M(45), -1, "TxtLimInfOM", set("TxtLimInfOM", "3")},
        {M(46), -1, "TxtLimSupOM", set("TxtLimSupOM", "2")},
        {M(47), -1, "TxtMedianaOM", set("TxtMedianaOM", "2.5")},
        {M(54), -1, "TxtValorPLIOM", set("TxtValorPLIOM", "1")},
        {M(43), -1, "", set("TxtLimSupOM", "4")},
        {M(55), -1, "", set("TxtMedianaOM", "3")},
    });
    // Methods "04" and "05" skip the profit-level group, even from 2012.
    n.texts[QStringLiteral("CboMetodoVal")] = QStringLiteral("04 - MPU");
    n.texts.remove(QStringLiteral("CboRangoPLI"));
    n.texts.remove(QStringLiteral("TxtLimInfOM"));
    EXPECT_TRUE(udf_ValidaText(n).ok) << udf_ValidaText(n).message().toStdString();
    n.texts[QStringLiteral("TxtMtoTraMonOri")] = QStringLiteral("0");
    n.texts[QStringLiteral("TxtMtoTraMonReg")] = QStringLiteral("0.00");
    EXPECT_EQ(udf_ValidaText(n).message(), rules::msgAmountInconsistent());
}

TEST_F(ValidationTest, StoredFormsMustFitTheirColumns) {
    TransactionState st = state(QStringLiteral("00"));
    st.texts[QStringLiteral("CboTipMoneda")] = QStringLiteral("02  -  DOLAR");
    st.checks[QStringLiteral("OptCont_SETP")] = true;
    st.texts[QStringLiteral("TxtMtoSinTranMonOri")] = QStringLiteral("(12)");
    st.texts[QStringLiteral("TxtMtoSinTranMonReg")] = QStringLiteral("1");
    const struct {
        const char* control;
        const char* text;
        QString message;
    } cases[] = {
        {"TxtMtoSinTranMonOri", "(12)", msgNoEsNumero()},                 // read by the rules
        {"TxtMtoSinTranMonOri", "123,456,789,012,345", msgMontoLargo()},  // 15 digits
        {"TxtMtoSinTranMonOri", "99999999999999.5", msgMontoLargo()},     // rounds to 15 digits
    };
    for (const auto& c : cases) {
        st.texts[QLatin1String(c.control)] = S(c.text);
        const Verdict v = udf_ValidaText(st);
        EXPECT_EQ(v.message(), c.message) << c.text;
        EXPECT_EQ(v.focus, QLatin1String(c.control)) << c.text;
    }
    st.texts[QStringLiteral("TxtMtoSinTranMonOri")] = QStringLiteral("12,345,678,901,234");
    st.texts[QStringLiteral("TxtMtoSinTranMonReg")] = QStringLiteral("12,345,678,901,234");
    EXPECT_TRUE(udf_ValidaText(st).ok);
    st.checks[QStringLiteral("ChkOtraMoneda")] = true;
    st.texts[QStringLiteral("TxtOtroTipMoneda")] = QStringLiteral(" CORONAS DANESAS ");  // 15 when trimmed
    EXPECT_TRUE(udf_ValidaText(st).ok);
    st.texts[QStringLiteral("TxtOtroTipMoneda")] = QStringLiteral("CORONAS NORUEGAS");
    EXPECT_EQ(udf_ValidaText(st).message(), msgMonedaLarga());

    // A range value: 13 integer digits and two decimals; hidden MMNT boxes are written too.
    TransactionState c = state(QStringLiteral("02"));
    c.texts[QStringLiteral("CboTipMoneda2")] = QStringLiteral("02  -  DOLAR");
    c.checks[QStringLiteral("OptCont_OM")] = true;
    for (const char* b : {"TxtMtoTraMonOri", "TxtMtoTraMonReg", "TxtMtoAjuResPosReg", "TxtMtoAjuResNegReg"})
        c.texts[QLatin1String(b)] = QStringLiteral("0");
    c.texts[QStringLiteral("CboMetodoVal")] = QStringLiteral("04 - MPU");
    c.texts[QStringLiteral("TxtMedianaOM")] = QStringLiteral("1,234,567,890,123.45");
    EXPECT_TRUE(udf_ValidaText(c).ok);
    c.texts[QStringLiteral("TxtMedianaOM")] = QStringLiteral("12,345,678,901,234");
    EXPECT_EQ(udf_ValidaText(c).message(), msgValorLargo(13));
    c.texts[QStringLiteral("TxtMedianaOM")] = QStringLiteral("1.2.3");
    EXPECT_EQ(udf_ValidaText(c).message(), msgNoEsNumero());
}

}  // namespace
}  // namespace klv::test
