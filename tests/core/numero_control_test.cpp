#include "database.h"
#include "db_rows.h"
#include "numero_control.h"
#include "schema.h"

#include <QDate>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

using namespace klv;
using schema::JetType;

namespace {

ControlField text(const QString& s) { return {QVariant(s), JetType::Text}; }
ControlField null(JetType t = JetType::Text) { return {QVariant(), t}; }

std::unique_ptr<Database> emptyDatabase(const QTemporaryDir& dir) {
    const QString path = dir.path() + "/cn.db";
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.close();
    return Database::open(path);
}

QVariantMap identifica2Example() {
    return {{"tip_doc_d", 6},          {"doc_id_d", "20000000001"}, {"periodo", "2015"}, {"formulario", "8027"},
            {"autcontext", "1"},       {"esttecpt", "0"},           {"ruc", "20000000002"}, {"cnumero", "123456"}};
}

}  // namespace

TEST(NumeroControl, WorkedExampleOfADeclarationHeader) {
    QVariantMap row = identifica2Example();
    EXPECT_EQ(numeroControl("IDENTIFICA2", row, 4), QStringLiteral("049289"));
    // The stored number itself never takes part.
    row["cnumero"] = "999999";
    EXPECT_EQ(numeroControl("IDENTIFICA2", row, 4), QStringLiteral("049289"));
    row.remove("cnumero");
    EXPECT_EQ(numeroControl("IDENTIFICA2", row, 4), QStringLiteral("049289"));
    // Column names are matched without regard to case; any other field changes the number.
    row.remove("ruc");
    row["RUC"] = "20000000003";
    EXPECT_NE(numeroControl("IDENTIFICA2", row, 4), QStringLiteral("049289"));
}

TEST(NumeroControl, FieldTextsByType) {
    EXPECT_EQ(controlText({QVariant(6), JetType::Byte}), QStringLiteral("6"));
    EXPECT_EQ(controlText({QVariant(12.5), JetType::Long}), QStringLiteral("12.5"));
    EXPECT_EQ(controlText({QVariant(" 0042 "), JetType::Long}), QStringLiteral("42"));
    EXPECT_EQ(controlText({QVariant("2016-03-05"), JetType::Date}), QStringLiteral("20160305"));
    EXPECT_EQ(controlText({QVariant(QDate(2016, 3, 5)), JetType::Date}), QStringLiteral("20160305"));
    EXPECT_EQ(controlText(text("  AB C  ")), QStringLiteral("AB C"));
    // Only blanks are trimmed: a no-break space is a character of the text.
    EXPECT_EQ(controlText(text(QStringLiteral("A\u00A0"))), QStringLiteral("A\u00A0"));
    EXPECT_EQ(controlText(text(QString())), QString());
    EXPECT_EQ(controlText(null(JetType::Date)), QString());
    EXPECT_EQ(controlText({QVariant(3), JetType::Text}), QStringLiteral("3"));
}

TEST(NumeroControl, AccentedLettersAndDatesCountByTheirWindows1252Codes) {
    // "Ñañ": 209x1 + 97x2 + 241x3 = 1126; "20160305": 1815; total 2941.
    const std::vector<ControlField> f = {text(QStringLiteral("Ñañ")), {QVariant("2016-03-05"), JetType::Date}};
    EXPECT_EQ(udf_NumeroControl(f, 0), QStringLiteral("000941"));
    // A text that is no date counts as written.
    EXPECT_EQ(udf_NumeroControl({{QVariant("2016-02-30"), JetType::Date}}, 0), udf_NumeroControl({text("2016-02-30")}, 0));
    // In the numeric part a date adds its eight digits as a number: 6 + 20160305.
    const std::vector<ControlField> k = {{QVariant(6), JetType::Byte}, {QVariant("2016-03-05"), JetType::Date}};
    EXPECT_EQ(udf_NumeroControl(k, 2), QStringLiteral("311000"));
    // A number in the character part counts by its characters: 3 is 51 x 1.
    EXPECT_EQ(udf_NumeroControl({{QVariant(3), JetType::Byte}}, 0), QStringLiteral("000051"));
}

TEST(NumeroControl, NullsTextsAndFractionsInTheNumericPart) {
    EXPECT_EQ(udf_NumeroControl({null(), null(JetType::Byte), null(JetType::Date), null(JetType::Memo)}, 2),
              QStringLiteral("000000"));
    // Letters among digits add nothing; an empty text neither.
    EXPECT_EQ(udf_NumeroControl({text("20ABC"), text(""), text("7")}, 3), QStringLiteral("007000"));
    // Fractions add up before rounding, and a half rounds away from zero.
    EXPECT_EQ(udf_NumeroControl({text("1.4"), text("1.2")}, 2), QStringLiteral("003000"));
    EXPECT_EQ(udf_NumeroControl({text("2.5")}, 1), QStringLiteral("003000"));
    EXPECT_EQ(udf_NumeroControl({text("1.4")}, 1), QStringLiteral("001000"));
    // A negative sum never shows its sign.
    EXPECT_EQ(udf_NumeroControl({text("-1234")}, 1), QStringLiteral("234000"));
    // A long numeric document number among the keys keeps its last digits: sixteen digits, and
    // 2^60 (nineteen digits, exact as a double).
    EXPECT_EQ(udf_NumeroControl({text("1234567890123456")}, 1), QStringLiteral("456000"));
    EXPECT_EQ(udf_NumeroControl({text("1152921504606846976")}, 1), QStringLiteral("976000"));
}

TEST(NumeroControl, KeyCountEdges) {
    const std::vector<ControlField> f = {text("5"), text("A")};
    EXPECT_EQ(udf_NumeroControl(f, 2), QStringLiteral("005000"));  // character part empty
    EXPECT_EQ(udf_NumeroControl(f, 0), QStringLiteral("000118"));  // '5' 53 + 'A' 65
    EXPECT_EQ(udf_NumeroControl(f, -3), QStringLiteral("000118"));
    try {
        udf_NumeroControl(f, 3);
        FAIL() << "a key count beyond the fields must fail";
    } catch (const DbError& e) {
        EXPECT_EQ(e.number(), 3265);
    }
    EXPECT_THROW(controlFields("PARAM", QVariantMap()), std::invalid_argument);
}

TEST(NumeroControl, LongTextsAndHighCodesDoNotOverflow) {
    // 200 x 'ÿ' (255): products reach 51000, beyond a 16-bit integer.
    const QString s(200, QChar(0x00FF));
    EXPECT_EQ(udf_NumeroControl({{QVariant(s), JetType::Memo}}, 0), QStringLiteral("000500"));  // 255 x 20100
}

TEST(NumeroControl, ComputedByNameWhateverThePhysicalColumnOrder) {
    QTemporaryDir dir;
    auto db = emptyDatabase(dir);
    db->exec(schema::createStatement(schema::table("PAR_VIN")));
    // The same table as an upgrade leaves it: the three newest columns after cnumero.
    db->exec("CREATE TABLE PV_OLD (tip_doc_d INT, doc_id_d TEXT, formulario TEXT, tip_doc_p INT, doc_id_p TEXT, "
             "cod_par TEXT, flag_par_fis TEXT, cod_nat_jur TEXT, otr_nat_jur TEXT, flag_par_vin TEXT, flag_con_dom TEXT, "
             "razon_social TEXT, nom_par_vin TEXT, apepat_par_vin TEXT, apemat_par_vin TEXT, cnumero TEXT, "
             "tip_dir_legal TEXT, des_dir_legal TEXT, fec_nac TEXT)");
    const QVariantList values = {6, "20000000001", "8027", 1, "12345678", "9589", "0", "1", "", "01", "01",
                                 "", "José", "Peña", "Ruiz", "01", "Av. Sol 123", "1980-07-15"};
    QVariantList fresh = values;
    fresh << "000000";
    db->exec("INSERT INTO PAR_VIN VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", fresh);
    QVariantList old = values.mid(0, 15);
    old << "111111" << values.mid(15);
    db->exec("INSERT INTO PV_OLD VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", old);

    const QVariantList key = {6, "20000000001", "8027", 1, "12345678"};
    const QString n = numeroControlFila(*db, "PAR_VIN", key, 4);
    ASSERT_EQ(n.size(), 6);
    const auto oldRows = db->rows("SELECT * FROM PV_OLD");
    ASSERT_EQ(oldRows.size(), 1u);
    EXPECT_EQ(numeroControl("PAR_VIN", oldRows.front(), 4), n);
    // 6 + 20000000001 + 8027 + 1 = 20000008035.
    EXPECT_TRUE(n.startsWith("035"));
    EXPECT_EQ(numeroControlFila(*db, "PAR_VIN", {6, "20000000001", "8027", 1, "nobody"}, 4), QString());
}

// The SQL function gives udf_NumeroControl's number on a varied sample: NULL and empty texts,
// blanks, ñ and accented letters, characters outside Windows-1252, dates in several forms, long
// texts, large and negative integers, decimals, texts in numeric columns; for several key counts.
TEST(NumeroControl, SqlFunctionGivesTheSameNumberAsTheFunction) {
    QTemporaryDir dir;
    auto db = emptyDatabase(dir);

    std::mt19937 rng(8027);
    auto pick = [&rng](const QVariantList& pool) { return pool[static_cast<int>(rng() % pool.size())]; };
    const QString longText = QString::fromUtf8("Ñandú Peña ").repeated(30);
    const QVariantList texts = {QVariant(), "", " ", "  AB C  ", QString::fromUtf8("Ñañ"), QString::fromUtf8("áéíóú Ü ü"),
                                "20000000001", "007", "12.5", "-3", "1e5", "1,234", QString::fromUtf8("A\u00A0"),
                                QString::fromUtf8("€ 5"), QString::fromUtf8("日本"), longText, 3, 0.1};
    const QVariantList numbers = {QVariant(), 0, 6, 255, -5, qlonglong(1) << 40, 999999999999999LL, 1000000000000000LL,
                                  123456789012345678LL, 12.5, -0.5, "abc", " 42 ", "007", "", "12.5"};
    const QVariantList dates = {QVariant(), "2016-03-05", "05/03/2016", "1/2/2016", "not a date", "", "2016-13-45", 20160305};
    struct Case {
        const char* table;
        std::vector<int> keys;
    };
    for (const Case& c : {Case{"PAR_VIN", {-1, 0, 3, 4, 5, 18}}, Case{"TRANSACCION2", {0, 5, 7, 64}}, Case{"TIP_VIN", {0, 2, 4}}}) {
        const schema::Table& t = schema::table(c.table);
        // The table's columns with their affinities and no constraint, so that any value fits.
        QStringList cols;
        for (const auto& col : t.columns)
            cols << col.name + (col.type == JetType::Byte || col.type == JetType::Long ? " INT"
                                : col.type == JetType::Double                        ? " REAL"
                                                                                     : " TEXT");
        db->exec(QString("CREATE TABLE %1 (%2)").arg(t.name, cols.join(", ")));
        Transaction tx(*db);
        for (int row = 0; row < 300; ++row) {
            QVariantMap values;
            for (const auto& col : t.columns)
                values[col.name] = pick(col.type == JetType::Date   ? dates
                                        : col.type == JetType::Text || col.type == JetType::Memo ? texts
                                                                                                 : numbers);
            test::insertRow(*db, t.name, values);
        }
        tx.commit();
        for (int k : c.keys) {
            Query q = db->exec(QString("SELECT %1 AS CN_SQL, * FROM %2").arg(numeroControlSql(t.name, k), t.name));
            int rows = 0;
            while (q.next()) {
                ++rows;
                ASSERT_EQ(q.value(0).toString(), numeroControl(t.name, q.record(), k)) << c.table << " keys " << k << " row " << rows;
            }
            EXPECT_EQ(rows, 300);
        }
    }
    // Too many keys fails the statement, as it fails the function.
    EXPECT_NE(test::dbErrorNumber([&] { db->exec(QString("SELECT %1 FROM TIP_VIN").arg(numeroControlSql("TIP_VIN", 5))); }), 0);
    // The rows numbered are counted for the progress of a long copy.
    qint64 reported = 0;
    RowProgress progress([&](qint64 rows) { reported = rows; }, 100);
    Query all = db->exec(QString("SELECT %1 FROM PAR_VIN").arg(numeroControlSql("PAR_VIN", 4)));
    while (all.next()) {
    }
    EXPECT_EQ(progress.rows(), 300);
    EXPECT_EQ(reported, 300);
    // A copy without numbers counts its rows too, each value given back as it is (type included).
    for (const char* column : {"tip_doc_d", "doc_id_d"})
        EXPECT_EQ(db->scalar(QString("SELECT count(*) FROM PAR_VIN WHERE quote(KLV_CUENTA_FILA(%1)) IS NOT quote(%1)")
                                 .arg(column))
                      .toInt(),
                  0)
            << column;
    EXPECT_EQ(progress.rows(), 900);
}
