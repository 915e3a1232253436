// Box numbers, stored forms, entry formats and the small entry rules of the amount boxes.
#include "amount_entry.h"
#include "transaction_fixture.h"
#include "utilitarios.h"

namespace klv::test {
namespace {

TEST(AmountEntry, StoredFormsOfABoxText) {
    struct Case {
        const char* text;
        const char* whole;    // A(), "!" when refused
        const char* decimals; // R(), V()
    };
    const Case cases[] = {
        {"", "", ""},
        {"12,345.50", "12346", "12345.50"},
        {"12,345.49", "12345", "12345.49"},
        {"1,234.567", "1235", "1234.57"},
        {"7.5", "8", "7.50"},
        {"0", "0", "0.00"},
        {"0.00", "0", "0.00"},
        {" 42 ", "42", "42.00"},
        {".5", "1", "0.50"},
        {"99999999999999.5", "100000000000000", "99999999999999.50"},  // every digit kept
        {"9999999999999.995", "10000000000000", "10000000000000.00"},
        {"(12)", "!", "!"},
        {"-5", "!", "!"},
        {".", "!", "!"},
        {",5", "!", "!"},
        {"1e5", "!", "!"},
        {"   ", "!", "!"},
    };
    for (const Case& c : cases) {
        const auto w = storedWhole(S(c.text));
        const auto d = storedTwoDecimals(S(c.text));
        EXPECT_EQ(w.value_or(QStringLiteral("!")), S(c.whole)) << c.text;
        EXPECT_EQ(d.value_or(QStringLiteral("!")), S(c.decimals)) << c.text;
    }
}

TEST(AmountEntry, EditingAndDisplayFormsRoundTrip) {
    struct Case {
        EntryKind kind;
        const char* display;
        const char* editing;
    };
    const Case cases[] = {
        {EntryKind::Integer, "1,234", "1234"},
        {EntryKind::Integer, "12,345,678,901,234", "12345678901234"},
        {EntryKind::Integer, "0", "0"},
        {EntryKind::Decimal, "1,234.56", "1234.56"},
        {EntryKind::Decimal, "1,234,567,890,123.45", "1234567890123.45"},
        {EntryKind::Rate, "5.25", "5.25"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(editingText(c.kind, S(c.display)), S(c.editing)) << c.display;
        EXPECT_EQ(displayText(c.kind, S(c.editing)), S(c.display)) << c.editing;
    }
    // Empty stays empty; a text that is not a number stays as it is.
    for (EntryKind k : {EntryKind::Integer, EntryKind::Decimal, EntryKind::Rate}) {
        EXPECT_EQ(editingText(k, QString()), QString());
        EXPECT_EQ(displayText(k, QStringLiteral("(12)")), QStringLiteral("(12)"));
    }
    EXPECT_EQ(displayText(EntryKind::Decimal, QStringLiteral("7")), QStringLiteral("7.00"));
    EXPECT_EQ(displayText(EntryKind::Rate, QStringLiteral("7.5")), QStringLiteral("7.50"));
    EXPECT_EQ((std::vector<int>{editingLength(EntryKind::Integer), displayLength(EntryKind::Integer),
                                editingLength(EntryKind::Decimal), displayLength(EntryKind::Decimal),
                                editingLength(EntryKind::Rate), displayLength(EntryKind::Rate)}),
              (std::vector<int>{14, 18, 16, 20, 6, 6}));
}

TEST(AmountEntry, RateKeys) {
    Utilitarios util;
    struct Case {
        int key;
        const char* text;
        int code;
        bool tab;
    };
    const Case cases[] = {
        {'5', "1", '5', false},
        {'.', "1", '.', false},
        {'.', "1.2", 0, false},  // a second point
        {'\r', "5.25", 0, true},
        {'\r', "0", 0, false},
        {'\r', "", 0, false},
        {'a', "", 0, false},
        {8, "12", 8, false},
    };
    for (const Case& c : cases) {
        const RateKey r = rateKey(util, c.key, S(c.text));
        EXPECT_EQ(r.code, c.code) << c.key << " " << c.text;
        EXPECT_EQ(r.sendTab, c.tab) << c.key << " " << c.text;
    }
}

TEST(AmountEntry, ExclusiveAdjustmentsAndTheRegistrationCopy) {
    EXPECT_EQ(otherAdjustmentText(QStringLiteral("1,000")), QStringLiteral("0.00"));
    EXPECT_EQ(otherAdjustmentText(QStringLiteral("  ")), QStringLiteral("0.00"));
    EXPECT_EQ(otherAdjustmentText(QStringLiteral("0")), QStringLiteral("0"));
    EXPECT_EQ(otherAdjustmentText(QStringLiteral("0.00")), QStringLiteral("0.00"));

    EXPECT_TRUE(copiesToRegistration(QStringLiteral("01"), QStringLiteral("01"), false, QStringLiteral("2012")));
    EXPECT_FALSE(copiesToRegistration(QStringLiteral("02"), QStringLiteral("01"), false, QStringLiteral("2012")));
    // The other-methods transaction amount only before 2008.
    EXPECT_TRUE(copiesToRegistration(QStringLiteral("01"), QStringLiteral("01"), true, QStringLiteral("2007")));
    EXPECT_FALSE(copiesToRegistration(QStringLiteral("01"), QStringLiteral("01"), true, QStringLiteral("2008")));
    EXPECT_EQ(registrationCurrency(QStringLiteral("1")), QStringLiteral("02"));
    EXPECT_EQ(registrationCurrency(QString()), QStringLiteral("01"));
}

}  // namespace
}  // namespace klv::test
