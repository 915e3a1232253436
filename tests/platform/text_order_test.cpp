#include "database.h"
#include "text_order.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

using namespace klv;

namespace {
// Names in the order of names: case aside, accented letters beside their base letter.
const QStringList kOrdered = {
    QStringLiteral("3M PERU"),      QStringLiteral("ABC"),          QStringLiteral("África"),
    QStringLiteral("ÁFRICA TRADE"), QStringLiteral("aguila"),       QStringLiteral("Águila S.A."),
    QStringLiteral("Muñoz"),        QStringLiteral("MUÑOZ LTDA"),   QStringLiteral("NANDO"),
    QStringLiteral("ÑANDÚ S.A."),   QStringLiteral("ñandú sac"),    QStringLiteral("NUEVO"),
    QStringLiteral("Zeta"),
};
}  // namespace

TEST(TextOrder, NamesSortWithoutCaseAndWithAccentsBesideTheirLetter) {
    QStringList shuffled = kOrdered;
    std::reverse(shuffled.begin(), shuffled.end());
    std::stable_sort(shuffled.begin(), shuffled.end(), textLess);
    EXPECT_EQ(shuffled, kOrdered);
    struct Pair {
        const char* a;
        const char* b;
        int sign;
    } pairs[] = {
        {"acme", "ACME", 0},       // case aside
        {"ACME", "ÁCME", -1},      // the unaccented spelling first
        {"ÁCME", "acmf", -1},      // the accent only breaks ties
        {"ACME", "ACME S.A.", -1}, // a prefix first
        {"", "A", -1},
        {"Ü", "V", -1},
    };
    for (const Pair& p : pairs) {
        const int c = compareText(QString::fromUtf8(p.a), QString::fromUtf8(p.b));
        EXPECT_EQ((c > 0) - (c < 0), p.sign) << p.a << " / " << p.b;
        const QByteArray a(p.a), b(p.b);
        const int u = compareTextUtf8(a.constData(), a.size(), b.constData(), b.size());
        EXPECT_EQ((u > 0) - (u < 0), p.sign) << p.a << " / " << p.b << " (UTF-8)";
    }
}

TEST(TextOrder, EveryConnectionOrdersByTheCollation) {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/names.db");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    auto db = Database::open(path);
    db->exec(QStringLiteral("CREATE TABLE N (name TEXT COLLATE NOCASE)"));
    for (auto it = kOrdered.crbegin(); it != kOrdered.crend(); ++it)
        db->exec(QStringLiteral("INSERT INTO N VALUES (?)"), {*it});
    QStringList read;
    Query q = db->exec(QStringLiteral("SELECT name FROM N ORDER BY name COLLATE %1, rowid DESC")
                               .arg(QString::fromLatin1(kTextCollation)));
    while (q.next()) read << q.value(0).toString();
    EXPECT_EQ(read, kOrdered);
}
