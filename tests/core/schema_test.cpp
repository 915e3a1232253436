#include "db_rows.h"
#include "database.h"
#include "schema.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace klv;

namespace {

// A new, empty SQLite file opened through the database door.
std::unique_ptr<Database> emptyDatabase(const QTemporaryDir& dir) {
    const QString path = dir.path() + QStringLiteral("/schema.db");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.close();
    return Database::open(path);
}

}  // namespace

TEST(SchemaData, TwelveTablesInCreationOrderEachEndingWithCnumero) {
    QStringList names;
    for (const auto& t : schema::moduleTables()) {
        names << t.name;
        ASSERT_FALSE(t.columns.empty());
        EXPECT_EQ(t.columns.back().name, QStringLiteral("cnumero")) << t.name.toStdString();
        EXPECT_EQ(t.columns.back().size, 6);
        for (const QString& k : t.key) EXPECT_NE(t.column(k), nullptr) << t.name.toStdString() << " " << k.toStdString();
    }
    EXPECT_EQ(names, QStringList({"IDENTIFICA2", "PAR_VIN", "TIP_VIN", "TIP_VIN_PAR", "PARAISO_FISCAL", "TRANSACCION",
                                  "TMPTRANSACCION", "TRATIPTRA2", "TMPTRATIPTRA", "TMPTRADET", "TRANSACCION2",
                                  "TMPTRANSACCION2"}));
    EXPECT_EQ(schema::findTable(QStringLiteral("tmpTRANSACCION2")), &schema::table(QStringLiteral("TMPTRANSACCION2")));
    EXPECT_EQ(schema::findTable(QStringLiteral("CAB")), nullptr);
    EXPECT_THROW(schema::table(QStringLiteral("IDENTIFICA")), std::out_of_range);
}

TEST(SchemaData, ColumnCountsAndSharedLayouts) {
    EXPECT_EQ(schema::table("IDENTIFICA2").columns.size(), 8u);
    EXPECT_EQ(schema::table("PAR_VIN").columns.size(), 19u);
    EXPECT_EQ(schema::table("TIP_VIN_PAR").columns.size(), 7u);
    EXPECT_EQ(schema::table("TIP_VIN").columns.size(), 5u);
    EXPECT_EQ(schema::table("PARAISO_FISCAL").columns.size(), 3u);
    EXPECT_EQ(schema::table("TRATIPTRA2").columns.size(), 10u);
    EXPECT_EQ(schema::table("TMPTRADET").columns.size(), 11u);
    EXPECT_EQ(schema::table("TRANSACCION2").columns.size(), 65u);
    EXPECT_EQ(schema::table("TRANSACCION").columns.size(), 48u);

    // Working and stored copies are copied by position: their orders must match.
    EXPECT_EQ(schema::columnNames("TRANSACCION2"), schema::columnNames("TMPTRANSACCION2"));
    EXPECT_EQ(schema::columnNames("TRATIPTRA2"), schema::columnNames("TMPTRATIPTRA"));
    // The previous layout is the first 47 columns of the current one, then cnumero.
    const QStringList cur = schema::columnNames("TRANSACCION2");
    QStringList prev = cur.mid(0, 47);
    prev << QStringLiteral("cnumero");
    EXPECT_EQ(schema::columnNames("TRANSACCION"), prev);
    EXPECT_EQ(cur[46], QStringLiteral("ind_transac_fin"));
    EXPECT_EQ(cur[47], QStringLiteral("par_analizada"));
    EXPECT_EQ(cur[63], QStringLiteral("valor_pli_mmnt"));

    const QStringList parVin = schema::columnNames("PAR_VIN");
    EXPECT_EQ(parVin.mid(15, 3), QStringList({"tip_dir_legal", "des_dir_legal", "fec_nac"}));
    EXPECT_EQ(schema::table("PAR_VIN").column("fec_nac")->type, schema::JetType::Date);
    EXPECT_EQ(schema::table("TIP_VIN").column("nom_tip_vin")->type, schema::JetType::Memo);
    EXPECT_EQ(schema::table("TRANSACCION2").column("cor_transaccion")->type, schema::JetType::Long);
    EXPECT_EQ(schema::table("TRANSACCION2").column("mto_lim_inf_pcnc")->size, 16);
}

TEST(SchemaData, ZeroLengthListsFollowThePreviousLayoutRules) {
    auto zl = [](const char* table) {
        QStringList out;
        for (const auto& c : schema::table(table).columns)
            if (c.allowZeroLength) out << c.name;
        return out;
    };
    EXPECT_EQ(zl("IDENTIFICA2"), QStringList({"ruc"}));
    EXPECT_EQ(zl("PAR_VIN"), QStringList({"otr_nat_jur", "razon_social", "nom_par_vin", "apepat_par_vin",
                                          "apemat_par_vin", "tip_dir_legal", "des_dir_legal"}));
    EXPECT_EQ(zl("TIP_VIN"), QStringList({"nom_tip_vin", "num_renta"}));
    EXPECT_TRUE(zl("TIP_VIN_PAR").isEmpty());
    EXPECT_TRUE(zl("PARAISO_FISCAL").isEmpty());
    const QStringList tr = zl("TRANSACCION");
    EXPECT_EQ(tr.size(), 37);
    EXPECT_EQ(tr.first(), QStringLiteral("nom_otro_tip_mon"));
    EXPECT_EQ(tr.last(), QStringLiteral("met_val_ints"));
    EXPECT_TRUE(tr.contains("mto_tot_aju_res_neg_reg"));
    EXPECT_FALSE(tr.contains("ind_transac_fin"));
    EXPECT_FALSE(tr.contains("flag_val_met"));
    EXPECT_EQ(zl("TMPTRANSACCION"), tr);
    EXPECT_TRUE(zl("TRANSACCION2").isEmpty());
    EXPECT_EQ(zl("TMPTRATIPTRA"), QStringList({"monto_transaccion"}));
    EXPECT_EQ(zl("TMPTRADET"), QStringList({"des_transaccion", "monto"}));
}

TEST(SchemaStatements, EveryTableIsCreatedWithItsColumnsInOrderAndANamedKey) {
    QTemporaryDir dir;
    auto db = emptyDatabase(dir);
    for (const auto& t : schema::moduleTables()) db->exec(schema::createStatement(t));
    for (const auto& t : schema::moduleTables()) {
        SCOPED_TRACE(t.name.toStdString());
        EXPECT_EQ(db->columns(t.name), t.columnNames());
        // The key, in its order.
        QStringList pk;
        Query q = db->exec(QStringLiteral("SELECT name, pk FROM pragma_table_info(?) WHERE pk > 0 ORDER BY pk"),
                               {t.name});
        while (q.next()) pk << q.value(0).toString();
        EXPECT_EQ(pk, t.key);
        const QString sql =
            db->scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE type='table' AND name=?"), {t.name}).toString();
        EXPECT_TRUE(sql.contains(QStringLiteral("CONSTRAINT PK_") + t.name + QStringLiteral(" PRIMARY KEY")));
        // Integer columns are never the rowid alias.
        EXPECT_FALSE(sql.contains(QStringLiteral("INTEGER")));
    }
    // A second CREATE of an existing table is reported as the engine's "table exists".
    EXPECT_EQ(test::dbErrorNumber([&] { db->exec(schema::createStatement(schema::table("IDENTIFICA2"))); }), DbErr::TableExists);
}

TEST(SchemaStatements, ColumnRulesHoldOnARealFile) {
    QTemporaryDir dir;
    auto db = emptyDatabase(dir);
    db->exec(schema::createStatement(schema::table("IDENTIFICA2")));
    db->exec(schema::createStatement(schema::table("TMPTRATIPTRA")));
    const QString ins = QStringLiteral("INSERT INTO IDENTIFICA2 VALUES (?,?,?,?,?,?,?,?)");
    // The empty text and NULL are both accepted and stay distinct.
    db->exec(ins, {6, "20000000001", "2015", "8027", "1", "0", textValue(QString()), "049289"});
    db->exec(ins, {6, "20000000001", "2016", "8027", "1", "0", QVariant(), "000000"});
    EXPECT_EQ(db->scalar("SELECT count(*) FROM IDENTIFICA2 WHERE ruc = ''").toInt(), 1);
    EXPECT_EQ(db->scalar("SELECT count(*) FROM IDENTIFICA2 WHERE ruc IS NULL").toInt(), 1);
    db->exec("INSERT INTO TMPTRATIPTRA VALUES (6,'20000000001','2015','8027',6,'X',1,'01','','666666')");
    // Keys: duplicates (also by letter case) and NULL are refused.
    EXPECT_EQ(test::dbErrorNumber([&] { db->exec(ins, {6, "20000000001", "2015", "8027", "0", "0", "", "1"}); }),
              DbErr::DuplicateKey);
    EXPECT_EQ(test::dbErrorNumber([&] { db->exec(ins, {QVariant(), "20000000001", "2017", "8027", "0", "0", "", "1"}); }),
              DbErr::NullInRequired);
    // Byte range and text sizes are enforced.
    EXPECT_EQ(test::dbErrorNumber([&] { db->exec(ins, {256, "20000000001", "2018", "8027", "0", "0", "", "1"}); }),
              DbErr::FieldTooSmall);
    EXPECT_EQ(test::dbErrorNumber([&] { db->exec(ins, {6, "200000000011", "2018", "8027", "0", "0", "", "1"}); }),
              DbErr::FieldTooSmall);
    EXPECT_EQ(test::dbErrorNumber([&] { db->exec(ins, {6, "20000000001", "2018", "8027", "10", "0", "", "1"}); }),
              DbErr::FieldTooSmall);
    // Texts compare without regard to case, as the shared database always has.
    EXPECT_EQ(db->scalar("SELECT count(*) FROM TMPTRATIPTRA WHERE doc_id_p = 'x'").toInt(), 1);
}

TEST(SchemaHost, HostLayoutsTheSystemWritesByPosition) {
    ASSERT_NE(schema::findHostTable("param"), nullptr);
    EXPECT_EQ(schema::findHostTable("PARAM")->columnNames(),
              QStringList({"Numero", "Argumento", "Funcion", "Correl_param"}));
    EXPECT_EQ(schema::findHostTable("ENVIO_T")->columns.size(), 13u);
    EXPECT_EQ(schema::findHostTable("ENVIO_T")->columnNames().last(), QStringLiteral("c_semana"));
    EXPECT_EQ(schema::findHostTable("reportes")->columns.size(), 3u);
    EXPECT_EQ(schema::findHostTable("CAB")->columnNames().mid(0, 5),
              QStringList({"TIP_DOC_D", "DOC_ID_D", "PERIODO", "FORMULARIO", "nrocheque"}));
    EXPECT_EQ(schema::findHostTable("EFCONTROLNS")->columns.size(), 14u);
    EXPECT_EQ(schema::findTable("PARAM"), nullptr);
    // Host tables without limits generate plain text columns.
    QTemporaryDir dir;
    auto db = emptyDatabase(dir);
    for (const auto& t : schema::hostTables()) db->exec(schema::createStatement(t));
    EXPECT_EQ(db->columns("EFCONTROLNS"), schema::findHostTable("EFCONTROLNS")->columnNames());
}
