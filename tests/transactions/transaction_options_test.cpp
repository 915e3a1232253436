// The three tables of valuation options: on choosing the informado, after a save, after a load.
#include "transaction_fixture.h"
#include "transaction_options.h"

namespace klv::test {
namespace {

// S selected Sin Método, M methods enabled, F frame enabled, L type list, T tab 1, P analysed
// party of tab 1 disabled; '-' for off.
QString flags(const OptionAvailability& a) {
    QString s;
    s += a.selectSinMetodo ? 'S' : '-';
    s += a.methodsEnabled ? 'M' : '-';
    s += a.frameEnabled ? 'F' : '-';
    s += a.typeListEnabled ? 'L' : '-';
    s += a.tab1Available ? 'T' : '-';
    s += a.analysedPartyDisabled ? 'P' : '-';
    return s;
}

struct Case {
    const char* periodo;
    const char* respuesta;
    bool domiciled;
    bool haven;
    const char* choosing;
    const char* afterSave;
    const char* afterLoad;
};

TEST(TransactionOptions, ThreeTablesEachForItsOwnProcedure) {
    const Case cases[] = {
        // from 2013 with answer "0": any party is limited on choosing
        {"2013", "0", true, true, "S-F-TP", "-MFL--", "---L--"},
        {"2013", "0", false, true, "S-F-TP", "S----P", "------"},
        {"2013", "0", false, false, "S-F-TP", "S-----", "S---T-"},
        // domiciled
        {"2007", "1", true, false, "S-----", "S-----", "S-----"},
        {"2012", "0", true, false, "S-----", "S-----", "S--LT-"},
        {"2012", "0", true, true, "SMF---", "-MFL--", "---L--"},
        {"2008", "1", true, false, "SMF---", "-MFL--", "---L--"},
        // not domiciled
        {"2012", "0", false, true, "-MFL--", "-MFL--", "------"},
        {"2012", "1", false, false, "-MFL--", "-MFL--", "------"},
        {"2012", "0", false, false, "S-----", "S-----", "S---T-"},
        {"2007", "0", false, false, "S-----", "S-----", "S-----"},
    };
    for (const Case& c : cases) {
        const QString p = S(c.periodo), a = S(c.respuesta);
        const auto where = std::string(c.periodo) + " " + c.respuesta + (c.domiciled ? " D" : " -") + (c.haven ? "H" : "-");
        EXPECT_EQ(flags(optionsOnChoosing(p, a, c.domiciled, c.haven)), S(c.choosing)) << where;
        EXPECT_EQ(flags(optionsAfterSave(p, a, c.domiciled, c.haven)), S(c.afterSave)) << where;
        EXPECT_EQ(flags(optionsAfterLoad(p, a, c.domiciled, c.haven)), S(c.afterLoad)) << where;
    }
}

TEST(TransactionOptions, PeriodTests) {
    EXPECT_TRUE(periodFrom2008(QStringLiteral("2008")));
    EXPECT_FALSE(periodFrom2008(QStringLiteral("2007")));
    EXPECT_TRUE(periodFrom2013(QStringLiteral("2013")));
    EXPECT_TRUE(periodFrom2012(QStringLiteral(" 2012 ")));
    EXPECT_FALSE(periodFrom2012(QString()));
    EXPECT_FALSE(periodFrom2012(QStringLiteral("2011")));
}

}  // namespace
}  // namespace klv::test
