#include "format.h"

#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <gtest/gtest.h>

using namespace klv;
using fmt::format;

TEST(FormatMask, LeadingZeroMasks) {
    EXPECT_EQ(format(5, QStringLiteral("00")), QStringLiteral("05"));
    EXPECT_EQ(format(123, QStringLiteral("00")), QStringLiteral("123"));  // never truncates
    EXPECT_EQ(format(7, QStringLiteral("000")), QStringLiteral("007"));
    EXPECT_EQ(format(1, QStringLiteral("000000")), QStringLiteral("000001"));
    EXPECT_EQ(format(42, QStringLiteral("00000000")), QStringLiteral("00000042"));
    EXPECT_EQ(format(1234567, QStringLiteral("000000")), QStringLiteral("1234567"));
    // Twenty zeros: the sum rounded half away from zero.
    EXPECT_EQ(format(20000010049.0, QStringLiteral("00000000000000000000")), QStringLiteral("00000000020000010049"));
    EXPECT_EQ(format(2.5, QStringLiteral("00")), QStringLiteral("03"));
}

TEST(FormatMask, WholeAmountMask) {
    const QString m = QStringLiteral("#############0");
    EXPECT_EQ(format(0, m), QStringLiteral("0"));
    EXPECT_EQ(format(12345678901234.0, m), QStringLiteral("12345678901234"));
    EXPECT_EQ(format(1500.5, m), QStringLiteral("1501"));
    EXPECT_EQ(format(-20, m), QStringLiteral("-20"));
}

TEST(FormatMask, GroupedAmountMask) {
    const QString m = QStringLiteral("###,###,###,##0.00");
    EXPECT_EQ(format(0, m), QStringLiteral("0.00"));
    EXPECT_EQ(format(0.004, m), QStringLiteral("0.00"));
    EXPECT_EQ(format(0.005, m), QStringLiteral("0.01"));
    EXPECT_EQ(format(1.005, m), QStringLiteral("1.01"));
    EXPECT_EQ(format(1234.5, m), QStringLiteral("1,234.50"));
    EXPECT_EQ(format(12345678901234.0, m), QStringLiteral("12,345,678,901,234.00"));
    EXPECT_EQ(format(-1234567.891, m), QStringLiteral("-1,234,567.89"));
    EXPECT_EQ(format(-0.001, m), QStringLiteral("0.00"));
    EXPECT_EQ(format(999.999, m), QStringLiteral("1,000.00"));
}

TEST(FormatRound, HalfEvenAndHalfAway) {
    EXPECT_EQ(fmt::roundHalfEven(2.5), 2);
    EXPECT_EQ(fmt::roundHalfEven(3.5), 4);
    EXPECT_EQ(fmt::roundHalfEven(-2.5), -2);
    EXPECT_DOUBLE_EQ(fmt::roundHalfEven(0.125, 2), 0.12);
    EXPECT_DOUBLE_EQ(fmt::roundHalfEven(0.135, 2), 0.14);
    EXPECT_EQ(fmt::roundHalfAwayFromZero(2.5), 3);
    EXPECT_EQ(fmt::roundHalfAwayFromZero(-2.5), -3);
    EXPECT_DOUBLE_EQ(fmt::roundHalfAwayFromZero(1.005, 2), 1.01);
}

TEST(FormatNumbers, LenientValue) {
    EXPECT_EQ(fmt::val(QStringLiteral("")), 0);
    EXPECT_EQ(fmt::val(QStringLiteral("abc")), 0);
    EXPECT_EQ(fmt::val(QStringLiteral("  12abc")), 12);
    EXPECT_EQ(fmt::val(QStringLiteral("1 2 3")), 123);
    EXPECT_DOUBLE_EQ(fmt::val(QStringLiteral("-3.5e2x")), -350);
    EXPECT_DOUBLE_EQ(fmt::val(QStringLiteral("1.2.3")), 1.2);
    EXPECT_EQ(fmt::val(QStringLiteral("&H1F")), 31);
    EXPECT_EQ(fmt::val(QStringLiteral("&O17")), 15);
    // Found by fuzzing the report markup: more hexadecimal digits than 64 bits hold.
    EXPECT_GT(fmt::val(QStringLiteral("&HFFFFFFFFFFFFFFFFFFFF")), 1e24);
    EXPECT_EQ(fmt::val(QStringLiteral("06")), 6);
    EXPECT_EQ(fmt::val(QStringLiteral("1,000")), 1);
}

TEST(FormatNumbers, StrictValue) {
    EXPECT_FALSE(fmt::toNumber(QStringLiteral("")).has_value());
    EXPECT_FALSE(fmt::toNumber(QStringLiteral("12a")).has_value());
    EXPECT_FALSE(fmt::toNumber(QStringLiteral(".")).has_value());
    EXPECT_FALSE(fmt::toNumber(QStringLiteral("1:5")).has_value());
    EXPECT_DOUBLE_EQ(*fmt::toNumber(QStringLiteral(" 1,234.50 ")), 1234.5);
    EXPECT_DOUBLE_EQ(*fmt::toNumber(QStringLiteral("-7")), -7);
    EXPECT_DOUBLE_EQ(*fmt::toNumber(QStringLiteral("1.4")), 1.4);
    EXPECT_DOUBLE_EQ(*fmt::amountOrZero(QStringLiteral("  ")), 0);
    EXPECT_FALSE(fmt::amountOrZero(QStringLiteral("x")).has_value());
}

TEST(FormatNumbers, PlainText) {
    EXPECT_EQ(fmt::numberText(6), QStringLiteral("6"));
    EXPECT_EQ(fmt::numberText(12.5), QStringLiteral("12.5"));
    EXPECT_EQ(fmt::numberText(20000000001.0), QStringLiteral("20000000001"));
    EXPECT_EQ(fmt::numberText(0.1 + 0.2), QStringLiteral("0.3"));
    EXPECT_EQ(fmt::numberText(-4), QStringLiteral("-4"));
}

TEST(FormatDates, Masks) {
    const QDate d(2016, 3, 5);
    EXPECT_EQ(fmt::formatDate(d, QStringLiteral("dd/mm/yyyy")), QStringLiteral("05/03/2016"));
    EXPECT_EQ(fmt::formatDate(d, QStringLiteral("dd/MM/yyyy")), QStringLiteral("05/03/2016"));
    EXPECT_EQ(fmt::formatDate(d, QStringLiteral("yyyymmdd")), QStringLiteral("20160305"));
    EXPECT_EQ(fmt::formatDate(d, QStringLiteral("YYYY")), QStringLiteral("2016"));
    EXPECT_EQ(fmt::formatDate(QDateTime(d, QTime(14, 7, 9)), QStringLiteral("dd/mm/yyyy hh:nn:ss")), QStringLiteral("05/03/2016 14:07:09"));
}

TEST(FormatDates, Parsing) {
    EXPECT_EQ(fmt::parseDate(QStringLiteral("05/03/2016")), QDate(2016, 3, 5));
    EXPECT_EQ(fmt::parseDate(QStringLiteral("5/3/2016")), QDate(2016, 3, 5));
    EXPECT_EQ(fmt::parseDate(QStringLiteral("2016-03-05")), QDate(2016, 3, 5));
    EXPECT_FALSE(fmt::parseDate(QStringLiteral("31/02/2016")).has_value());
    EXPECT_FALSE(fmt::parseDate(QStringLiteral("hoy")).has_value());
    EXPECT_EQ(fmt::isoDate(QDate(2016, 3, 5)), QStringLiteral("2016-03-05"));
}

// Every output of format_table.tsv: the formatter's texts and roundings over many values (zero and
// minus zero, halves at each place, whole numbers past 15 digits, the largest and smallest doubles,
// infinities and NaNs, random amounts as stored) and the declaration print's amounts and currency
// arguments of texts (empty, blank, not numbers).
TEST(FormatTable, EveryValueAsTabled) {
    QFile file(QStringLiteral(KLV_FORMAT_TABLE));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList masks;
    int values = 0, texts = 0;
    auto hex = [](double v) {
        char text[64];
        std::snprintf(text, sizeof text, "%a", v);
        return std::string(text);
    };
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).chopped(1);
        const QStringList f = line.split(QLatin1Char('\t'));
        if (f[0] == QLatin1String("M")) {
            masks = f.mid(1);
        } else if (f[0] == QLatin1String("N")) {
            ASSERT_EQ(f.size(), masks.size() + 7) << qPrintable(line);
            const double v = std::strtod(f[1].toLatin1().constData(), nullptr);
            for (int m = 0; m < masks.size(); ++m)
                EXPECT_EQ(fmt::format(v, masks[m]).toStdString(), f[2 + m].toStdString()) << qPrintable(f[1] + " " + masks[m]);
            const int at = 2 + static_cast<int>(masks.size());
            EXPECT_EQ(fmt::numberText(v).toStdString(), f[at].toStdString()) << qPrintable(f[1]);
            EXPECT_EQ(hex(fmt::roundHalfEven(v, 2)), f[at + 1].toStdString()) << qPrintable(f[1]);
            EXPECT_EQ(hex(fmt::roundHalfAwayFromZero(v, 2)), f[at + 2].toStdString()) << qPrintable(f[1]);
            EXPECT_EQ(hex(fmt::roundHalfEven(v)), f[at + 3].toStdString()) << qPrintable(f[1]);
            EXPECT_EQ(hex(fmt::roundHalfAwayFromZero(v)), f[at + 4].toStdString()) << qPrintable(f[1]);
            ++values;
        } else if (f[0] == QLatin1String("T")) {
            ASSERT_EQ(f.size(), 4) << qPrintable(line);
            const QString text = QString(f[1]).replace(QStringLiteral("\\t"), QStringLiteral("\t"));
            const auto amount = fmt::amountOrZero(text);
            EXPECT_EQ(amount ? format(*amount, QStringLiteral("###,###,###,##0.00")) : text, f[2]) << qPrintable(f[1]);
            const auto code = fmt::toNumber(text);
            EXPECT_EQ(code ? format(*code, QStringLiteral("000")) : text, f[3]) << qPrintable(f[1]);
            ++texts;
        }
    }
    EXPECT_GT(values, 600);
    EXPECT_GT(texts, 40);
}
