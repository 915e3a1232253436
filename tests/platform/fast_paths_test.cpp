// The fast paths of bulk work hold to the general code: plain numbers read from text or bytes
// give the general readings' exact double, in C++ and in the SQL functions; the row cursor reads
// and binds as the database door does.
#include "database.h"
#include "db_rows.h"
#include "format.h"
#include "row_cursor.h"

#include <QFile>
#include <QTemporaryDir>
#include <bit>
#include <gtest/gtest.h>
#include <random>

using namespace klv;

namespace {

bool sameDouble(double a, double b) { return std::bit_cast<quint64>(a) == std::bit_cast<quint64>(b); }
bool same(std::optional<double> a, std::optional<double> b) { return a.has_value() == b.has_value() && (!a || sameDouble(*a, *b)); }

// Thousands of texts: random strings over digits, signs, points, commas, blanks, exponents,
// letters and a non-ASCII letter, and plain numbers of up to twenty digits.
QStringList sampleTexts() {
    std::mt19937 rng(8027);
    const QString alphabet = QString::fromUtf8("0123456789012345678901234567890123456789+-.,  eEDd\taH&ñ");
    QStringList out;
    for (int i = 0; i < 4000; ++i) {
        QString t;
        for (int n = static_cast<int>(rng() % 13); n > 0; --n) t += alphabet[static_cast<int>(rng() % alphabet.size())];
        out << t;
    }
    for (int i = 0; i < 2000; ++i) {
        QString t = rng() % 4 == 0 ? QStringLiteral("-") : rng() % 4 == 0 ? QStringLiteral("+") : QString();
        const int digits = 1 + static_cast<int>(rng() % 20);
        const int point = static_cast<int>(rng() % (digits + 3));  // beyond the digits: none
        for (int d = 0; d < digits; ++d) {
            if (d == point) t += QLatin1Char('.');
            t += QChar('0' + static_cast<int>(rng() % 10));
        }
        out << t;
    }
    return out;
}

QString emptyDatabase(const QTemporaryDir& dir) {
    const QString path = dir.path() + QStringLiteral("/f.db");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    return path;
}

}  // namespace

TEST(FastNumbers, AgreeWithTheGeneralReadingsInCppAndSql) {
    QTemporaryDir dir;
    auto db = Database::open(emptyDatabase(dir));
    int fast = 0;
    for (const QString& t : sampleTexts()) {
        SCOPED_TRACE(t.toStdString());
        const auto plain = fmt::plainNumber(QStringView(t));
        const QByteArray utf8 = t.toUtf8();
        ASSERT_TRUE(same(plain, fmt::plainNumber(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())))));
        if (plain) {
            ++fast;
            ASSERT_TRUE(same(plain, fmt::detail::toNumberGeneral(t)));
            ASSERT_TRUE(sameDouble(*plain, fmt::detail::valGeneral(t)));
        }
        ASSERT_TRUE(sameDouble(db->scalar(QStringLiteral("SELECT VB_VAL(?)"), {textValue(t)}).toDouble(), fmt::val(t)));
        const auto strict = fmt::amountOrZero(t);
        if (strict)
            ASSERT_TRUE(sameDouble(db->scalar(QStringLiteral("SELECT VB_CDBL(?)"), {textValue(t)}).toDouble(), *strict));
        else
            ASSERT_NE(test::dbErrorNumber([&] { db->scalar(QStringLiteral("SELECT VB_CDBL(?)"), {textValue(t)}); }), 0);
    }
    EXPECT_GT(fast, 1500);  // the plain numbers of the sample take the fast path
}

TEST(RowCursorTest, ReadsAndBindsAsTheDoor) {
    QTemporaryDir dir;
    auto db = Database::open(emptyDatabase(dir));
    db->exec(QStringLiteral("CREATE TABLE T (k INT, t TEXT)"));
    test::insertRow(*db, QStringLiteral("T"), {{QStringLiteral("k"), 1}, {QStringLiteral("t"), QString::fromUtf8("Ñandú")}});
    test::insertRow(*db, QStringLiteral("T"), {{QStringLiteral("k"), 2}, {QStringLiteral("t"), QVariant()}});
    test::insertRow(*db, QStringLiteral("T"), {{QStringLiteral("k"), 3}, {QStringLiteral("t"), textValue(QString())}});

    RowCursor c(*db, QStringLiteral("SELECT k, t FROM T WHERE k >= ? ORDER BY k"), {1});
    const int t = c.column(QStringLiteral("T"));
    ASSERT_EQ(t, 1);
    ASSERT_TRUE(c.next());
    EXPECT_EQ(c.integer(0), 1);
    EXPECT_EQ(c.text(t), QString::fromUtf8("Ñandú"));
    EXPECT_EQ(c.bytes(t), std::string_view("\xC3\x91" "and\xC3\xBA"));
    ASSERT_TRUE(c.next());
    EXPECT_TRUE(c.isNull(t));
    EXPECT_TRUE(c.text(t).isNull());
    EXPECT_FALSE(c.value(t).isValid());
    ASSERT_TRUE(c.next());
    EXPECT_FALSE(c.isNull(t));
    EXPECT_TRUE(c.isEmpty(t));
    EXPECT_FALSE(c.text(t).isNull());
    EXPECT_FALSE(c.next());

    // A null string binds NULL, the empty text binds the empty text.
    RowCursor n(*db, QStringLiteral("SELECT ? IS NULL, ? IS NULL, ? + 1"), {QString(), textValue(QString()), 2.5});
    ASSERT_TRUE(n.next());
    EXPECT_EQ(n.integer(0), 1);
    EXPECT_EQ(n.integer(1), 0);
    EXPECT_EQ(n.value(2).toDouble(), 3.5);
    EXPECT_EQ(test::dbErrorNumber([&] { RowCursor bad(*db, QStringLiteral("SELECT * FROM NOPE")); }), DbErr::UnknownTable);
}
