// The type list: its order and the ticking rules of each option.
#include "declaration_state.h"
#include "transaction_fixture.h"
#include "transaction_types.h"

namespace klv::test {
namespace {

class TypesTest : public TransactionTest {
protected:
    TypesTest() : types(udp_CargarLvwTipTransacc(ctx())) {}

    int at(const char* code) const {
        for (int i = 0; i < static_cast<int>(types.size()); ++i)
            if (types[i].code == QLatin1String(code)) return i;
        return -1;
    }
    QStringList ticked() const {
        QStringList out;
        for (const TypeItem& t : types)
            if (t.ticked) out << t.code;
        return out;
    }
    // The user switches a check box.
    TickResult check(const char* code, const QString& flag, const QString& mode = kModoNuevo) {
        const int i = at(code);
        types[i].ticked = !types[i].ticked;
        return onItemCheck(types, i, mode, flag);
    }
    std::vector<TypeItem> types;
};

TEST_F(TypesTest, IncomeTypesFirstThenByCode) {
    ASSERT_EQ(types.size(), 45u);
    EXPECT_EQ(types[0].code, QStringLiteral("01"));
    EXPECT_EQ(types[17].code, QStringLiteral("18"));
    EXPECT_EQ(types[18].code, QStringLiteral("39"));
    EXPECT_EQ(types[22].code, QStringLiteral("19"));
    EXPECT_EQ(types[44].code, QStringLiteral("72"));
    // The financial types stand at positions 12 and 38 of the installed list.
    EXPECT_EQ(at("12"), 11);
    EXPECT_EQ(at("34"), 37);
    EXPECT_FALSE(types[0].description.isEmpty());
}

TEST_F(TypesTest, OneTypeUnderWithoutMethodAndTraditional) {
    check("05", kSinMetodo);
    check("07", kSinMetodo);
    EXPECT_EQ(ticked(), QStringList{QStringLiteral("07")});
    EXPECT_EQ(onItemClick(types, at("07"), kModoNuevo, kSinMetodo).financiera, 0);
    EXPECT_TRUE(ticked().isEmpty());
    EXPECT_EQ(check("12", kTradicional).financiera, 1);
    const TickResult r = check("12", kTradicional);  // unticking a financial type leaves it financial
    EXPECT_TRUE(ticked().isEmpty());
    EXPECT_EQ(r.financiera, 1);
    EXPECT_TRUE(r.modified);
}

TEST_F(TypesTest, SeveralTypesOrTheFinancialPairUnderOtherMethods) {
    check("03", kOtros);
    check("05", kOtros);
    EXPECT_EQ(ticked(), (QStringList{QStringLiteral("03"), QStringLiteral("05")}));
    TickResult r = check("34", kOtros);
    EXPECT_EQ(ticked(), (QStringList{QStringLiteral("12"), QStringLiteral("34")}));
    EXPECT_EQ(r.financiera, 1);
    EXPECT_TRUE(r.message39);
    r = check("12", kOtros);  // cannot be unticked alone
    EXPECT_EQ(ticked(), (QStringList{QStringLiteral("12"), QStringLiteral("34")}));
    EXPECT_TRUE(r.message39);
    r = onItemClick(types, at("03"), kModoNuevo, kOtros);
    EXPECT_EQ(ticked(), QStringList{QStringLiteral("03")});
    EXPECT_EQ(r.financiera, 0);
    EXPECT_FALSE(r.message39);
}

TEST_F(TypesTest, StoredTicksAreFrozenWhenModifying) {
    types[at("02")].ticked = true;
    types[at("09")].ticked = true;
    const TickResult r = check("05", kOtros, kModoModificar);
    EXPECT_EQ(ticked(), (QStringList{QStringLiteral("02"), QStringLiteral("09")}));
    EXPECT_FALSE(r.modified);
    EXPECT_EQ(r.financiera, -1);
    EXPECT_FALSE(onItemClick(types, at("02"), kModoModificar, kOtros).modified);
    EXPECT_EQ(ticked().size(), 2);

    party();
    typeRow(1, QStringLiteral("09"), QStringLiteral("1"));
    typeRow(1, QStringLiteral("02"), QStringLiteral("2"));
    const TransactionKey key{DeclarationKey{6, kRuc, QStringLiteral("2012"), QStringLiteral("8027")}, Party{6, kDoc}, 1};
    EXPECT_EQ(storedTypeCodes(ctx(), key), (QStringList{QStringLiteral("02"), QStringLiteral("09")}));
}

}  // namespace
}  // namespace klv::test
