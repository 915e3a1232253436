#include "fault_injection.h"
#include "installer_fixture.h"
#include "other_program.h"

#include "host_env.h"
#include "ini_file.h"
#include "numero_control.h"
#include "reference_data.h"
#include "reference_lists.h"
#include "vinculation_types.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlRecord>
#include <functional>

using namespace klv;
using namespace klv::test;
using installer::Installer;

namespace {

const QStringList kModuleTables = {"IDENTIFICA2", "PAR_VIN", "TIP_VIN", "TIP_VIN_PAR", "PARAISO_FISCAL",
                                   "TRANSACCION", "TMPTRANSACCION", "TRATIPTRA2", "TMPTRATIPTRA", "TMPTRADET",
                                   "TRANSACCION2", "TMPTRANSACCION2"};

QString schemaSql(Database& db) {
    QStringList out;
    for (const QSqlRecord& r : db.rows("SELECT name, sql FROM sqlite_master WHERE type='table' ORDER BY name"))
        out << r.value(1).toString();
    return out.join("\n");
}

}  // namespace

// ----------------------------------------------------------------------------------------------
// Fresh database, second run

TEST_F(InstallerTest, FreshDatabaseGetsEveryTableAndReferenceRowsWithoutAMessage) {
    EXPECT_EQ(runMain(), installer::Clean);
    EXPECT_TRUE(messages.empty()) << messages.last().text.toStdString();
    for (const QString& t : kModuleTables) {
        SCOPED_TRACE(t.toStdString());
        ASSERT_TRUE(db().tableExists(t));
        EXPECT_EQ(db().columns(t), schema::columnNames(t));
        EXPECT_TRUE(db().scalar("SELECT sql FROM sqlite_master WHERE name=?", {t}).toString().contains("CONSTRAINT PK_" + t));
    }
    // PARAM: every row once, texts exactly as listed.
    EXPECT_EQ(count("SELECT count(*) FROM PARAM WHERE Numero='395'"), 45);
    EXPECT_EQ(db().scalar("SELECT Funcion FROM PARAM WHERE Numero='395' AND Argumento='07'").toString(),
              QStringLiteral("Servicios de Consultoría . Ingresos Netos."));
    EXPECT_EQ(db().scalar("SELECT Correl_param FROM PARAM WHERE Numero='395' AND Argumento='70'").toString(), "0");
    EXPECT_EQ(db().scalar("SELECT Correl_param FROM PARAM WHERE Numero='395' AND Argumento='40'").toString(), "1");
    EXPECT_EQ(db().scalar("SELECT length(Funcion) FROM PARAM WHERE Numero='044' AND Argumento='32'").toInt(), 130);
    EXPECT_EQ(db().scalar("SELECT Funcion FROM PARAM WHERE Numero='876' AND Argumento='04'").toString(),
              QStringLiteral("DOMICILIO OFICIAL DE LA COMPAÑÍA, ASOCIACIÓN U OTRA ENTIDAD LEGAL"));
    EXPECT_EQ(db().scalar("SELECT Correl_param FROM PARAM WHERE Numero='992' AND Argumento='8027'").toString(), "");
    EXPECT_EQ(db().scalar("SELECT Funcion FROM PARAM WHERE Numero='996' AND Argumento='580'").toString(),
              "TRANSACCION2   R 1000   7");
    // Report titles (two blanks on each side of the dash of the first).
    EXPECT_EQ(count("SELECT count(*) FROM reportes"), 3);
    EXPECT_EQ(db().scalar("SELECT DesRep FROM reportes WHERE CodRep='PTR001'").toString(),
              QStringLiteral("Reporte de Envío  -  8027"));
    // Submission map from the shipped file, with the attached study's row.
    EXPECT_EQ(count("SELECT count(*) FROM ENVIO_T WHERE formulario='8027'"), 8);
    EXPECT_EQ(db().scalar("SELECT tabla_d FROM ENVIO_T WHERE formulario='8027' AND tabla_o='PDF'").toString(), "PDF");
    // Vinculation types and tax havens.
    EXPECT_EQ(count("SELECT count(*) FROM TIP_VIN WHERE formulario='8027' AND cnumero='666666'"), 14);
    const QString twelve = db().scalar("SELECT nom_tip_vin FROM TIP_VIN WHERE cod_tip_vin='12'").toString();
    EXPECT_TRUE(twelve.contains(QStringLiteral("ejerce influencia\u00A0dominante")));
    EXPECT_TRUE(twelve.endsWith(QStringLiteral("voto. ")));
    EXPECT_EQ(db().scalar("SELECT num_renta FROM TIP_VIN WHERE cod_tip_vin='14'").toString(),
              QStringLiteral("Num. 12, 6to Párrafo"));
    EXPECT_EQ(count("SELECT count(*) FROM PARAISO_FISCAL WHERE formulario='8027' AND cnumero='666666'"), 43);
    EXPECT_EQ(count("SELECT count(*) FROM PARAISO_FISCAL WHERE cod_par='9836'"), 0);
}

TEST_F(InstallerTest, SecondRunCreatesNothingEmptiesOnlyTheWorkingTransactionsAndAddsNoRowTwice) {
    ASSERT_EQ(runMain(), installer::Clean);
    db().exec("INSERT INTO TMPTRANSACCION2 (tip_doc_d, doc_id_d, periodo, formulario, tip_doc_p, doc_id_p, "
              "cor_transaccion, cnumero) VALUES (6,'20000000001','2015','8027',6,'X',1,'666666')");
    db().exec("INSERT INTO TMPTRATIPTRA VALUES (6,'20000000001','2015','8027',6,'X',1,'01','','666666')");
    db().exec("INSERT INTO TMPTRADET VALUES (6,'20000000001','2015','8027',6,'X',1,'01','d','5','666666')");
    // Texts changed since the first run are written again.
    db().exec("UPDATE PARAM SET Funcion='otro', Correl_param='0' WHERE Numero='395' AND Argumento='07'");
    db().exec("UPDATE TIP_VIN SET nom_tip_vin='x' WHERE cod_tip_vin='03'");
    db().exec("INSERT INTO PARAISO_FISCAL VALUES ('9836','9999','666666')");
    const long long params = count("SELECT count(*) FROM PARAM");
    const QString before = schemaSql(db());

    EXPECT_EQ(runMain(), installer::Clean);
    EXPECT_TRUE(messages.empty()) << messages.last().text.toStdString();
    EXPECT_EQ(schemaSql(db()), before);
    EXPECT_EQ(count("SELECT count(*) FROM TMPTRANSACCION2"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM TMPTRATIPTRA"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM TMPTRADET"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM PARAM"), params);
    EXPECT_EQ(count("SELECT count(*) FROM reportes"), 3);
    EXPECT_EQ(count("SELECT count(*) FROM ENVIO_T WHERE formulario='8027'"), 8);
    EXPECT_EQ(count("SELECT count(*) FROM TIP_VIN"), 14);
    EXPECT_EQ(count("SELECT count(*) FROM PARAISO_FISCAL"), 43);
    EXPECT_EQ(db().scalar("SELECT Funcion || '/' || Correl_param FROM PARAM WHERE Numero='395' AND Argumento='07'").toString(),
              QStringLiteral("Servicios de Consultoría . Ingresos Netos./1"));
    EXPECT_NE(db().scalar("SELECT nom_tip_vin FROM TIP_VIN WHERE cod_tip_vin='03'").toString(), "x");
}

// ----------------------------------------------------------------------------------------------
// Previous layout

TEST_F(InstallerTest, PreviousLayoutIsUpgradedAndItsRowsCarriedOver) {
    buildPreviousLayout();
    db().exec("ALTER TABLE TRANSACCION ADD COLUMN obs TEXT DEFAULT 'x'");  // after cnumero: not read
    EXPECT_EQ(runMain(), installer::Clean);
    EXPECT_TRUE(messages.empty()) << messages.last().text.toStdString();
    for (const QString& t : kModuleTables) EXPECT_TRUE(db().tableExists(t)) << t.toStdString();

    // Headers copied; ruc stays NULL; the number over four key fields.
    const auto ids = db().rows("SELECT * FROM IDENTIFICA2 ORDER BY periodo");
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_TRUE(ids[0].isNull("ruc"));
    EXPECT_EQ(ids[0].value("autcontext").toString(), "1");
    EXPECT_EQ(ids[0].value("cnumero").toString(), numeroControl("IDENTIFICA2", ids[0], 4));
    EXPECT_TRUE(ids[0].value("cnumero").toString().startsWith("049"));  // 6+20000000001+2015+8027
    // Transaction types copied with their amount NULL, eight key fields.
    const auto types = db().rows("SELECT * FROM TRATIPTRA2");
    ASSERT_EQ(types.size(), 2u);
    EXPECT_TRUE(types[0].isNull("monto_transaccion"));
    EXPECT_EQ(types[0].value("cnumero").toString(), numeroControl("TRATIPTRA2", types[0], 8));
    // Transactions: the 47 values in place, the newer columns NULL, a new number over seven.
    const auto trs = db().rows("SELECT * FROM TRANSACCION2");
    ASSERT_EQ(trs.size(), 1u);
    EXPECT_EQ(trs[0].value("mto_sin_tran_mon_ori").toString(), "1500");
    EXPECT_EQ(trs[0].value("met_val_ints").toString(), "02");
    EXPECT_EQ(trs[0].value("ind_transac_fin").toString(), "0");
    for (int i = 47; i < 64; ++i) EXPECT_TRUE(trs[0].isNull(i)) << i;
    EXPECT_EQ(trs[0].value("cnumero").toString(), numeroControl("TRANSACCION2", trs[0], 7));
    EXPECT_NE(trs[0].value("cnumero").toString(), "999999");

    // PAR_VIN gains its three columns after cnumero; its number is computed by name.
    const QStringList pv = db().columns("PAR_VIN");
    EXPECT_EQ(pv.size(), 19);
    EXPECT_EQ(pv.mid(15), QStringList({"cnumero", "tip_dir_legal", "des_dir_legal", "fec_nac"}));
    const auto party = db().rows("SELECT * FROM PAR_VIN");
    ASSERT_EQ(party.size(), 1u);
    EXPECT_EQ(party[0].value("cnumero").toString(), numeroControl("PAR_VIN", party[0], 4));
    EXPECT_EQ(db().scalar("SELECT cnumero FROM TIP_VIN_PAR").toString(),
              numeroControlFila(db(), "TIP_VIN_PAR", {6, "20000000001", "8027", 6, "20100000001", "01"}, 4));

    // The old tables stay, the working copy of the types is rebuilt empty, the old map rows go.
    EXPECT_TRUE(db().tableExists("IDENTIFICA"));
    EXPECT_EQ(count("SELECT count(*) FROM TMPTRATIPTRA"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM ENVIO_T WHERE tabla_o IN ('IDENTIFICA','TRATIPTRA','TRANSACCION')"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM PARAISO_FISCAL WHERE cod_par='9836'"), 0);
    EXPECT_EQ(db().scalar("SELECT cnumero FROM PARAISO_FISCAL WHERE cod_par='9019'").toString(), "666666");
}

TEST_F(InstallerTest, PartyTableGainsExactlyTheColumnsItLacks) {
    buildPreviousLayout(true);
    EXPECT_EQ(runMain(), installer::Clean);
    EXPECT_EQ(db().columns("PAR_VIN").mid(15), QStringList({"cnumero", "tip_dir_legal", "des_dir_legal", "fec_nac"}));
    EXPECT_EQ(db().scalar("SELECT tip_dir_legal FROM PAR_VIN").toString(), "01");
}

TEST_F(InstallerTest, LaterRunsMergeOnlyMissingKeysAndKeepTheOldMapRows) {
    buildPreviousLayout();
    ASSERT_EQ(runMain(), installer::Clean);
    // Rows changed or added in the old tables after the upgrade.
    db().exec("UPDATE IDENTIFICA SET autcontext='0' WHERE periodo='2015'");
    db().exec("INSERT INTO IDENTIFICA VALUES (6,'20000000001','2017','8027','1','1','x','000000')");
    db().exec("INSERT INTO TRATIPTRA VALUES (6,'20000000001','2015','8027',6,'20100000001',2,'03','000000')");
    db().exec("INSERT INTO ENVIO_T VALUES ('8027','IDENTIFICA','IDENTIFICA','TXT',1,0,1,2,4,3,0,0,0)");
    db().exec("INSERT INTO ENVIO_T VALUES ('8027','TRANSACCION','TRANSACCION','TXT',1,0,1,2,4,3,0,0,0)");
    db().exec("INSERT INTO TRANSACCION (tip_doc_d, doc_id_d, periodo, formulario, tip_doc_p, doc_id_p, cor_transaccion) "
              "VALUES (6,'20000000001','2015','8027',6,'20100000001',9)");

    EXPECT_EQ(runMain(), installer::Clean);
    EXPECT_EQ(count("SELECT count(*) FROM IDENTIFICA2"), 3);
    EXPECT_EQ(db().scalar("SELECT autcontext FROM IDENTIFICA2 WHERE periodo='2015'").toString(), "1");
    EXPECT_EQ(count("SELECT count(*) FROM TRATIPTRA2"), 3);
    // TRANSACCION is merged only in the run that creates TRANSACCION2.
    EXPECT_EQ(count("SELECT count(*) FROM TRANSACCION2"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM ENVIO_T WHERE tabla_o='IDENTIFICA'"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM ENVIO_T WHERE tabla_o='TRANSACCION'"), 0);

    EXPECT_EQ(runMain(), installer::Clean);
    EXPECT_EQ(count("SELECT count(*) FROM IDENTIFICA2"), 3);
    EXPECT_EQ(count("SELECT count(*) FROM TRATIPTRA2"), 3);
}

TEST_F(InstallerTest, AnUpgradeCutShortIsCompletedByTheNextRun) {
    // Only the header table of the current layout made it.
    db().exec(schema::createStatement(schema::table("IDENTIFICA2")));
    EXPECT_EQ(runMain(), installer::Clean);
    EXPECT_TRUE(messages.empty()) << messages.last().text.toStdString();
    for (const QString& t : kModuleTables) EXPECT_TRUE(db().tableExists(t)) << t.toStdString();
    EXPECT_EQ(count("SELECT count(*) FROM TIP_VIN"), 14);
}

namespace {

// A module table's CREATE statement with one column declared otherwise (dropped when def is
// empty); key: its primary key constraint, "" for none.
QString tableWith(const QString& name, const QString& column = {}, const QString& def = {}, const char* key = nullptr) {
    const schema::Table& t = schema::table(name);
    QStringList defs;
    for (const schema::Column& c : t.columns) {
        if (c.name != column) defs << c.name + " " + schema::sqliteType(c);
        else if (!def.isEmpty()) defs << c.name + " " + def;
    }
    const QString k = key ? QString::fromLatin1(key) : t.key.join(", ");
    if (!k.isEmpty()) defs << "PRIMARY KEY (" + k + ")";
    return "CREATE TABLE " + name + " (" + defs.join(", ") + ")";
}

// The previous transactions with their second and third columns swapped.
QString transaccionSwapped() {
    QStringList defs;
    for (const schema::Column& c : schema::table("TRANSACCION").columns) defs << c.name + " " + schema::sqliteType(c);
    defs.swapItemsAt(1, 2);
    return "CREATE TABLE TRANSACCION (" + defs.join(", ") + ")";
}

// The same table declared with the type words the installer's statements are written in.
QString inJetWords(const schema::Table& t) {
    QStringList defs;
    for (const schema::Column& c : t.columns) {
        static const QStringList words = {"Byte", "long", "Double", "text", "Memo", "Date"};
        const QString size = c.type == schema::JetType::Text ? QString("(%1)").arg(c.size) : QString();
        defs << "[" + c.name + "] " + words[int(c.type)] + size;
    }
    defs << "CONSTRAINT PK_" + t.name + " PRIMARY KEY ([" + t.key.join("],[") + "])";
    return "CREATE TABLE " + t.name + "( " + defs.join(", ") + ")";
}

// The host tables the installer loads first (PARAM, reportes, ENVIO_T): hostLoaded true; every
// other table: false.
QMap<QString, QStringList> picked(const DatabasePicture& picture, bool hostLoaded) {
    static const QStringList loaded = {"PARAM", "REPORTES", "ENVIO_T"};
    QMap<QString, QStringList> out;
    for (auto it = picture.tables().begin(); it != picture.tables().end(); ++it)
        if (loaded.contains(it.key().toUpper()) == hostLoaded) out.insert(it.key(), it.value());
    return out;
}

}  // namespace

TEST_F(InstallerTest, TablesTheModuleCouldNotUseStopTheRunOnceTheHostRowsAreLoadedAndOthersAreTaken) {
    // The host's rows as a run that completes leaves them.
    ASSERT_EQ(runMain(), installer::Clean);
    const QMap<QString, QStringList> loaded = picked(DatabasePicture(db()), true);
    const QString oldTypes =
        "CREATE TABLE TMPTRATIPTRA (" + schema::table("TRATIPTRA2").key.join(", ") + ", cnumero TEXT)";
    const struct {
        const char* what;
        std::function<void(Database&)> make;
        const char* table;  // the table refused, nullptr when the run takes the database
        const char* why;
    } cases[] = {
        // Dropped and created anew by the run: any layout.
        {"previous layout with older working types", [&](Database& d) {
             buildPreviousLayout();
             d.exec("DROP TABLE TMPTRATIPTRA");
             d.exec(oldTypes);
         }, nullptr, ""},
        {"working transactions of the previous layout",
         [](Database& d) {
             const QString sql = schema::createStatement(schema::table("TMPTRANSACCION"));
             d.exec(QString(sql).replace("TMPTRANSACCION", "TMPTRANSACCION2"));
         },
         nullptr, ""},
        // Kept: the type words of the installer's statements store what the module writes alike.
        {"declared in the installer's own words", [](Database& d) {
             for (const schema::Table& t : schema::moduleTables()) d.exec(inJetWords(t));
         }, nullptr, ""},
        {"extra columns that need no value", [](Database& d) {
             d.exec(tableWith("TIP_VIN"));
             d.exec("ALTER TABLE TIP_VIN ADD COLUMN obs TEXT");
             d.exec("ALTER TABLE TIP_VIN ADD COLUMN n INT NOT NULL DEFAULT 0");
         }, nullptr, ""},
        // Read: only the columns the migration takes, and their order where it reads by position.
        {"previous tables of any types", [&](Database& d) {
             buildPreviousLayout();
             d.exec("DROP TABLE TRATIPTRA");
             d.exec("CREATE TABLE TRATIPTRA (tip_doc_d, doc_id_d, periodo, formulario, tip_doc_p, doc_id_p, "
                    "cor_transaccion, cod_tip_transaccion, obs)");
         }, nullptr, ""},
        {"old transactions in another order, not read", [](Database& d) {
             d.exec(schema::createStatement(schema::table("TRANSACCION2")));
             d.exec(transaccionSwapped());
         }, nullptr, ""},
        {"old transactions in another order, read", [](Database& d) { d.exec(transaccionSwapped()); }, "TRANSACCION",
         "(las columnas están en otro orden)"},
        {"old header without a column read", [](Database& d) {
             d.exec("CREATE TABLE IDENTIFICA (tip_doc_d INT, doc_id_d TEXT, periodo TEXT, formulario TEXT, "
                    "autcontext TEXT)");
         }, "IDENTIFICA", "(faltan esttecpt)"},
        {"unknown columns only", [](Database& d) { d.exec("CREATE TABLE PAR_VIN(a, b)"); }, "PAR_VIN",
         "faltan tip_doc_d, doc_id_d"},
        {"working types kept by the current layout", [&](Database& d) {
             d.exec(schema::createStatement(schema::table("IDENTIFICA2")));
             d.exec(oldTypes);
         }, "TMPTRATIPTRA", "(faltan monto_transaccion;"},
        {"a view", [](Database& d) { d.exec("CREATE VIEW PAR_VIN AS SELECT 1 AS tip_doc_d"); }, "PAR_VIN",
         "(es una vista"},
        {"a view of the transactions", [](Database& d) {
             d.exec(schema::createStatement(schema::table("TRANSACCION")));
             d.exec("CREATE VIEW TRANSACCION2 AS SELECT * FROM TRANSACCION");
         }, "TRANSACCION2", "(es una vista"},
        {"a code stored as a number", [](Database& d) { d.exec(tableWith("TIP_VIN", "cod_tip_vin", "INT")); },
         "TIP_VIN", "(son de otro tipo cod_tip_vin INT)"},
        {"a document number stored as a number", [](Database& d) { d.exec(tableWith("PAR_VIN", "doc_id_p", "Memo")); },
         "PAR_VIN", "(son de otro tipo doc_id_p Memo)"},
        {"a number stored as a text", [](Database& d) { d.exec(tableWith("TRATIPTRA2", "cor_transaccion", "TEXT")); },
         "TRATIPTRA2", "(son de otro tipo cor_transaccion TEXT)"},
        {"an extra column that needs a value", [](Database& d) {
             d.exec(tableWith("TIP_VIN").replace("PRIMARY KEY", "obs TEXT NOT NULL, PRIMARY KEY"));
         }, "TIP_VIN", "(sobran obs, que exigen un valor)"},
        {"an extra column whose default is NULL", [](Database& d) {
             d.exec(tableWith("TIP_VIN").replace("PRIMARY KEY", "obs TEXT NOT NULL DEFAULT NULL, PRIMARY KEY"));
         }, "TIP_VIN", "(sobran obs, que exigen un valor)"},
        {"an index", [](Database& d) {
             d.exec("CREATE TABLE OTRA (a)");
             d.exec("CREATE INDEX TIP_VIN ON OTRA (a)");
         }, "TIP_VIN", "(es un índice, no una tabla)"},
        // Keys: only where a write relies on them.
        {"no key where every write tests first or rewrites", [](Database& d) {
             for (const char* t : {"IDENTIFICA2", "TIP_VIN", "TIP_VIN_PAR", "PARAISO_FISCAL", "TMPTRADET"})
                 d.exec(tableWith(QString::fromLatin1(t), {}, {}, ""));
         }, nullptr, ""},
        {"no key under the parties' ON CONFLICT", [](Database& d) { d.exec(tableWith("PAR_VIN", {}, {}, "")); },
         "PAR_VIN", "(no tiene la clave primaria (tip_doc_d, doc_id_d, formulario, tip_doc_p, doc_id_p))"},
        {"no key on the stored transactions", [](Database& d) { d.exec(tableWith("TRANSACCION2", {}, {}, "")); },
         "TRANSACCION2", "(no tiene la clave primaria (tip_doc_d, "},
        {"no key on the stored types", [](Database& d) { d.exec(tableWith("TRATIPTRA2", {}, {}, "")); },
         "TRATIPTRA2", "(no tiene la clave primaria (tip_doc_d, "},
        {"no key on the working types kept", [](Database& d) { d.exec(tableWith("TMPTRATIPTRA", {}, {}, "")); },
         "TMPTRATIPTRA", "(no tiene la clave primaria (tip_doc_d, "},
        {"a key over other columns", [](Database& d) { d.exec(tableWith("PARAISO_FISCAL", {}, {}, "cod_par")); },
         "PARAISO_FISCAL", "(no tiene la clave primaria (cod_par, formulario))"},
        {"a key over as many other columns",
         [](Database& d) { d.exec(tableWith("PARAISO_FISCAL", {}, {}, "cod_par, cnumero")); }, "PARAISO_FISCAL",
         "(no tiene la clave primaria (cod_par, formulario))"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        env.reset();
        SetUp();
        c.make(db());
        const QString layout = schemaSql(db());
        const DatabasePicture before(db());
        if (!c.table) {
            if (runMain() != installer::Clean || !messages.empty()) {
                ADD_FAILURE() << "not taken: " << messages.last().text.toStdString();
                continue;
            }
            QStringList missing;
            for (const schema::Table& t : schema::moduleTables())
                for (const QString& n : t.columnNames())
                    if (!db().columns(t.name).contains(n, Qt::CaseInsensitive)) missing << t.name + "." + n;
            EXPECT_TRUE(missing.isEmpty()) << missing.join(", ").toStdString();
            EXPECT_EQ(count("SELECT count(*) FROM TIP_VIN"), 14);
            continue;
        }
        EXPECT_EQ(runMain(), installer::Stopped);
        EXPECT_EQ(messages.calls().size(), 1u);
        if (messages.empty()) continue;
        EXPECT_EQ(messages.last().title, installer::kTituloParada);
        EXPECT_EQ(messages.last().style, 16);
        EXPECT_TRUE(messages.last().text.startsWith(QStringLiteral("La tabla %1 ").arg(c.table)) &&
                    messages.last().text.contains(QString::fromUtf8(c.why)) &&
                    messages.last().text.endsWith(QStringLiteral(
                        ").\nNo se cambió ninguna tabla del módulo: revise esa tabla y ejecute de nuevo la instalación.")))
            << messages.last().text.toStdString();
        // The host's rows are loaded; no other table changes.
        EXPECT_EQ(schemaSql(db()), layout);
        const DatabasePicture after(db());
        EXPECT_TRUE(picked(after, true) == loaded) << "the host's rows not loaded";
        EXPECT_TRUE(picked(after, false) == picked(before, false)) << "a module table changed";
    }
}

TEST_F(InstallerTest, AKeylessVinculationTableWithARepeatedRowIsRefreshedInPlaceAndReadAsItStands) {
    db().exec(tableWith("TIP_VIN", {}, {}, ""));
    for (int i = 0; i < 2; ++i) db().exec("INSERT INTO TIP_VIN VALUES ('01', '8027', 'antes', 'Num. 0', '000000')");
    const installer::TipVinRow& first = installer::tipVinRows().front();
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        ASSERT_EQ(runMain(), installer::Clean);
        EXPECT_TRUE(messages.empty()) << messages.last().text.toStdString();
        // Both copies take the texts; every other code is added once, and once only.
        EXPECT_EQ(count("SELECT count(*) FROM TIP_VIN"), 15);
        EXPECT_EQ(count("SELECT count(DISTINCT cod_tip_vin) FROM TIP_VIN"), 14);
        EXPECT_EQ(count("SELECT count(*) FROM TIP_VIN WHERE cod_tip_vin = '01' AND nom_tip_vin = ? AND num_renta = ? "
                        "AND cnumero = '666666'",
                        {first.texto, first.numRenta}),
                  2);
    }
    // The module's lists: every row in code order, with the texts loaded.
    const auto tipos = udp_CargarLstTipVin(env->ctx());
    ASSERT_EQ(tipos.size(), 15u);
    for (size_t i = 0; i < tipos.size(); ++i) {
        SCOPED_TRACE(i);
        const installer::TipVinRow& r = installer::tipVinRows()[i < 2 ? 0 : i - 1];
        EXPECT_EQ(tipos[i].codigo, r.codigo);
        EXPECT_EQ(tipos[i].numRenta, r.numRenta);
        EXPECT_EQ(tipos[i].nombre, r.texto);
    }
    const ReferenceList lista = listaReferencia(env->ctx(), kListaVinculo);
    ASSERT_EQ(lista.filas.size(), 15u);
    EXPECT_EQ(lista.filas[1], lista.filas[0]);
}

TEST_F(InstallerTest, MissingOldTransactionTypesStopTheUpgradeWithTheErrorShown) {
    buildPreviousLayout();
    db().exec("DROP TABLE TRATIPTRA");
    EXPECT_EQ(runMain(), installer::Stopped);
    ASSERT_EQ(messages.calls().size(), 1u);
    EXPECT_EQ(messages.last().title, installer::kTituloParada);
    EXPECT_EQ(messages.last().style, 16);
    EXPECT_TRUE(messages.last().text.startsWith(QStringLiteral("Error Número : 3078\n")));
    // What was done before the error stays.
    EXPECT_EQ(count("SELECT count(*) FROM IDENTIFICA2"), 2);
}

// ----------------------------------------------------------------------------------------------
// The submission map file

TEST(EnvioLine, FieldsAreReadBetweenSeparators) {
    const auto r = installer::parseEnvioLine(" 9999 | PAR_VIN |PV| TXT | 4 |0|1|2|3.5|0|0|0|7| sobrante");
    EXPECT_EQ(r.tablaO, "PAR_VIN");
    EXPECT_EQ(r.tablaD, "PV");
    EXPECT_EQ(r.tablaExt, "TXT");
    EXPECT_EQ(r.bytes, (std::array<int, 3>{4, 0, 1}));
    EXPECT_DOUBLE_EQ(r.numbers[1], 3.5);
    EXPECT_DOUBLE_EQ(r.numbers[5], 7);
    EXPECT_EQ(r.values().size(), 12);

    auto errorOf = [](const QString& line) {
        try {
            installer::parseEnvioLine(line);
        } catch (const DbError& e) {
            return e.number();
        }
        return 0;
    };
    EXPECT_EQ(errorOf("8027|A|B|C|1|0|1|2|4|3|0|0|0"), 5);   // twelve separators
    EXPECT_EQ(errorOf("8027|A|B|C||0|1|2|4|3|0|0|0|"), 13);  // empty number
    EXPECT_EQ(errorOf("8027|A|B|C|1|0|1|x|4|3|0|0|0|"), 13);
    EXPECT_EQ(errorOf("8027|A|B|C|1|256|1|2|4|3|0|0|0|"), 6);
    EXPECT_EQ(errorOf("8027|A|B|C|-1|0|1|2|4|3|0|0|0|"), 6);
}

TEST_F(InstallerTest, ABlankLineEndsTheMapAndOtherFormCodesAreStoredAs8027) {
    writeEnvFile({"9999|AAA|A1|TXT|1|0|1|2|4|3|0|0|0|", "8027|BBB|B1|TXT|2|0|1|2|4|3|0|0|0|", "   ",
                  "8027|CCC|C1|TXT|3|0|1|2|4|3|0|0|0|"});
    db().exec("INSERT INTO ENVIO_T VALUES ('8027','BBB','viejo','X',9,9,9,9,9,9,9,9,9)");
    EXPECT_EQ(runMain(), installer::Clean);
    EXPECT_EQ(count("SELECT count(*) FROM ENVIO_T WHERE tabla_o='AAA' AND formulario='8027'"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM ENVIO_T WHERE tabla_o='BBB'"), 1);
    EXPECT_EQ(db().scalar("SELECT tabla_d || indice FROM ENVIO_T WHERE tabla_o='BBB'").toString(), "B12");
    EXPECT_EQ(count("SELECT count(*) FROM ENVIO_T WHERE tabla_o='CCC'"), 0);
}

TEST_F(InstallerTest, ABadLineStopsTheRunKeepingTheRowsBeforeIt) {
    writeEnvFile({"8027|AAA|A1|TXT|1|0|1|2|4|3|0|0|0|", "8027|BBB|B1|TXT|2|0|1|2|4|3|0|0|", "8027|CCC|C1|TXT|3|0|1|2|4|3|0|0|0|"});
    EXPECT_EQ(runMain(), installer::Stopped);
    ASSERT_EQ(messages.calls().size(), 1u);
    EXPECT_EQ(messages.last().style, 16);
    EXPECT_TRUE(messages.last().text.startsWith(QStringLiteral("Error Número : 5\n")));
    EXPECT_TRUE(messages.last().text.contains(QStringLiteral("línea 2")));
    EXPECT_EQ(count("SELECT count(*) FROM ENVIO_T WHERE tabla_o='AAA'"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM ENVIO_T WHERE tabla_o='CCC'"), 0);
    EXPECT_GT(count("SELECT count(*) FROM PARAM WHERE Numero='395'"), 0);
    // The module tables come after the map: none in this run.
    EXPECT_FALSE(db().tableExists("IDENTIFICA2"));

    writeEnvFile({"8027|AAA|A1|TXT|1|0|1|2|4|3|0|0|0|", "8027|BBB|B1|TXT|2|0|1|dos|4|3|0|0|0|"});
    EXPECT_EQ(runMain(), installer::Stopped);
    EXPECT_TRUE(messages.last().text.startsWith(QStringLiteral("Error Número : 13\n")));

    QFile::remove(env->sysPath() + installer::kEnvFile);
    EXPECT_EQ(runMain(), installer::Stopped);
    EXPECT_TRUE(messages.last().text.startsWith(QStringLiteral("Error Número : 53\n")));
}

TEST_F(InstallerTest, TheShippedMapIsLaidWholeOrNotAtAll) {
    QFile::remove(env->sysPath() + installer::kEnvFile);
    const QString tmp = env->sysPath() + QStringLiteral("tmp");
    const FolderPicture before(tmp);
    const int failed = failAtEveryFileSize([&] { return installer::writeEnvFile(env->sysPath()); },
                                           [&](qint64 limit) { EXPECT_TRUE(unchanged(before, tmp)) << limit; }, 64);
    EXPECT_GE(failed, 3);
    QFile f(env->sysPath() + installer::kEnvFile);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), installer::shippedEnvFile());
}

// ----------------------------------------------------------------------------------------------
// Control-number refresh

TEST_F(InstallerTest, RefreshRewritesWrongNumbersAndIsAllOrNothing) {
    ASSERT_EQ(runMain(), installer::Clean);
    Installer inst(messages);
    ASSERT_TRUE(inst.run(db(), env->sysPath()));
    messages.clear();
    // An empty table commits at once, silently.
    EXPECT_TRUE(inst.udf_ActualizaNumeroControl("PAR_VIN", 4));
    EXPECT_TRUE(messages.empty());

    const QString ins = "INSERT INTO PAR_VIN (tip_doc_d, doc_id_d, formulario, tip_doc_p, doc_id_p, razon_social, "
                        "fec_nac, cnumero) VALUES (6,'20000000001','8027',6,?,?, '1990-01-31', ?)";
    db().exec(ins, {"20100000001", "Ñandú S.A.", "000000"});
    db().exec(ins, {"20100000002", "Otra", "111111"});
    EXPECT_TRUE(inst.udf_ActualizaNumeroControl("PAR_VIN", 4));
    for (const QSqlRecord& r : db().rows("SELECT * FROM PAR_VIN"))
        EXPECT_EQ(r.value("cnumero").toString(), numeroControl("PAR_VIN", r, 4));

    // A failure on the last row leaves every number as it was.
    db().exec("UPDATE PAR_VIN SET cnumero='000000'");
    db().exec("CREATE TRIGGER refuse BEFORE UPDATE OF cnumero ON PAR_VIN WHEN NEW.doc_id_p='20100000002' "
              "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    EXPECT_FALSE(inst.udf_ActualizaNumeroControl("PAR_VIN", 4));
    EXPECT_EQ(count("SELECT count(*) FROM PAR_VIN WHERE cnumero='000000'"), 2);
    ASSERT_EQ(messages.calls().size(), 1u);
    EXPECT_EQ(messages.last().text, QStringLiteral("Error en la actualización del KLV 8027\n           Intente nuevamente"));
    EXPECT_EQ(messages.last().style, 16);
    EXPECT_EQ(messages.last().title, "ERROR:");
    EXPECT_FALSE(db().inTransaction());
}

// ----------------------------------------------------------------------------------------------
// Statement policy and utilities

TEST_F(InstallerTest, StatementErrorsAreShownOrPassedOverAndTheRunGoesOn) {
    Installer inst(messages);
    ASSERT_TRUE(inst.run(db(), env->sysPath()));
    messages.clear();
    db().exec("INSERT INTO TIP_VIN_PAR VALUES (6,'20000000001','8027',6,'X','01','1')");

    // A table that exists: the question, and the table is left as it is whatever the answer.
    messages.script(MsgAnswer::Yes);
    inst.udp_EjecutaSQL(schema::createStatement(schema::table("TIP_VIN_PAR")));
    ASSERT_EQ(messages.calls().size(), 1u);
    EXPECT_EQ(messages.last().text, QStringLiteral("\nSe  detectado que ya existen las tablas del KLV Desea Sobreescribirlas?"));
    EXPECT_EQ(messages.last().style, 292);
    EXPECT_EQ(messages.last().title, "Mensaje");
    EXPECT_EQ(count("SELECT count(*) FROM TIP_VIN_PAR"), 1);

    // A key that exists: nothing shown.
    inst.udp_EjecutaSQL("CREATE UNIQUE INDEX PK_EXTRA ON TIP_VIN_PAR (cnumero)");
    inst.udp_EjecutaSQL("CREATE UNIQUE INDEX PK_EXTRA ON TIP_VIN_PAR (cnumero)");
    EXPECT_EQ(messages.calls().size(), 1u);

    // Anything else: number and text, and the caller goes on.
    inst.udp_EjecutaSQL("DELETE FROM NO_SUCH_TABLE WHERE x = ?", {1});
    ASSERT_EQ(messages.calls().size(), 2u);
    EXPECT_TRUE(messages.last().text.startsWith(QStringLiteral("Error Número : 3078\n")));
    EXPECT_EQ(messages.last().style, 16);
    EXPECT_EQ(messages.last().title, "Error al Ejecutar Sentencia SQL");
    EXPECT_EQ(inst.failures(), 2);
}

TEST_F(InstallerTest, ExistenceTestsCompareAsTheInstallerExpects) {
    Installer inst(messages);
    ASSERT_TRUE(inst.run(db(), env->sysPath()));
    EXPECT_TRUE(inst.udf_ExisteTabla("IDENTIFICA2"));
    EXPECT_FALSE(inst.udf_ExisteTabla("identifica2"));
    EXPECT_FALSE(inst.udf_ExisteTabla("IDENTIFICA"));
    EXPECT_TRUE(inst.udf_ExisteCampo("PAR_VIN", "fec_nac"));
    EXPECT_FALSE(inst.udf_ExisteCampo("PAR_VIN", "FEC_NAC"));
    EXPECT_FALSE(inst.udf_ExisteCampo("par_vin", "fec_nac"));
    // A reference row of another text is updated in place, never doubled.
    inst.udp_GrabaParam("395", "07", "x", "0");
    inst.udp_GrabaParam("395", "07", "Servicios de Consultoría . Ingresos Netos.", "1");
    EXPECT_EQ(count("SELECT count(*) FROM PARAM WHERE Numero='395' AND Argumento='07'"), 1);
    // Values holding quotes are stored as they are.
    inst.udp_GrabaParam("999", "O'Neil", "it's", "");
    EXPECT_EQ(db().scalar("SELECT Funcion FROM PARAM WHERE Argumento=?", {"O'Neil"}).toString(), "it's");
}

// ----------------------------------------------------------------------------------------------
// Configuration and the program

TEST_F(InstallerTest, ConfigurationProblemsEndTheRunWithTheirMessage) {
    const QString ini = env->iniFile();
    const QString sysPath = env->sysPath();
    // SysPath ending in a doubled separator loses one.
    ASSERT_TRUE(ini::writeString("Options", "SysPath", sysPath + "/", ini));
    EXPECT_EQ(runMain(), installer::Clean);

    ASSERT_TRUE(ini::writeString("Options", "DBName", "missing.db", ini));
    EXPECT_EQ(runMain(), installer::Stopped);
    ASSERT_EQ(messages.calls().size(), 1u);
    EXPECT_EQ(messages.last().title, QStringLiteral("Error de Conección"));
    EXPECT_EQ(messages.last().style, 0);
    EXPECT_TRUE(messages.last().text.endsWith(QStringLiteral("\n 3024")));

    ASSERT_TRUE(ini::writeString("Options", "SysPath", "   ", ini));
    EXPECT_EQ(runMain(), installer::Stopped);
    ASSERT_EQ(messages.calls().size(), 1u);
    EXPECT_EQ(messages.last().text, QStringLiteral("Debe instalar primero el KLV "));
    EXPECT_EQ(messages.last().style, 64);
    EXPECT_EQ(messages.last().title, QStringLiteral("Mensaje"));
}

TEST_F(InstallerTest, ProgramRunsHeadlessAndReportsThroughItsExitStatus) {
    // Every program is built into the same folder as the test executables.
    const QString dir = QCoreApplication::applicationDirPath();
    const QString bin = dir + "/act8027";
    if (!QFile::exists(bin)) GTEST_SKIP() << "act8027 not built";
    QProcess p;
    QProcessEnvironment pe = QProcessEnvironment::systemEnvironment();
    pe.insert("KLV_WINDIR", host::winDirOf(env->root()));
    pe.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(pe);
    p.start(bin, {});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_TRUE(db().tableExists("TRANSACCION2"));

    ASSERT_TRUE(ini::writeString("Options", "SysPath", "", env->iniFile()));
    p.start(bin, {});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(QString::fromLocal8Bit(p.readAllStandardError()).contains("Debe instalar primero el KLV"));
}

// ----------------------------------------------------------------------------------------------
// Another program on the database

namespace {
int runWithTimeout(RecordingMessageService& messages, int busyTimeoutMs) {
    messages.clear();
    Installer inst(messages);
    inst.busyTimeoutMs = busyTimeoutMs;
    return inst.Main();
}
}  // namespace

TEST_F(InstallerTest, AnotherProgramWritingForAFewSecondsIsWaitedFor) {
    {
        WriteLockHolder other(env->dbFile(), 2000);
        ASSERT_TRUE(other.held());
        EXPECT_EQ(runWithTimeout(messages, 5000), installer::Clean);
    }
    EXPECT_TRUE(messages.empty()) << messages.last().text.toStdString();
    for (const QString& t : kModuleTables) EXPECT_TRUE(db().tableExists(t)) << t.toStdString();
}

TEST_F(InstallerTest, AHoldLongerThanTheTimeoutIsWaitedForOnceStopsTheRunAndTheNextRunCompletes) {
    // A read lock lets the step write but not commit; a write lock keeps it from beginning.
    for (const auto lock : {LockHolder::Lock::Write, LockHolder::Lock::Read}) {
        SCOPED_TRACE(int(lock));
        env.reset();
        SetUp();
        qint64 waited = 0;
        {
            LockHolder other(env->dbFile(), 1500, lock);
            ASSERT_TRUE(other.held());
            QElapsedTimer clock;
            clock.start();
            EXPECT_EQ(runWithTimeout(messages, 500), installer::Stopped);
            waited = clock.elapsed();
        }
        EXPECT_LT(waited, 950) << "one busy timeout of 500 ms";
        ASSERT_EQ(messages.calls().size(), 1u);
        EXPECT_EQ(messages.last().title, installer::kTituloParada);
        EXPECT_TRUE(messages.last().text.startsWith(QStringLiteral("Error Número : 3051\n"))) << messages.last().text.toStdString();
        for (const QString& t : kModuleTables) EXPECT_FALSE(db().tableExists(t)) << t.toStdString();
        EXPECT_EQ(runMain(), installer::Clean);
        for (const QString& t : kModuleTables) EXPECT_TRUE(db().tableExists(t)) << t.toStdString();
    }
}

TEST_F(InstallerTest, ADatabaseReplacedAtAnyCommitStopsTheRunNamingTheFile) {
    // Four steps, then the refresh of two tables: six commits.
    for (int n = 1; n <= 6; ++n) {
        SCOPED_TRACE(n);
        auto conn = Database::open(env->dbFile());
        Installer inst(messages);
        messages.clear();
        const FileGoneAtCommit gone(*conn, FileGoneAtCommit::How::Replaced, n);
        EXPECT_FALSE(inst.run(*conn, env->sysPath()));
        EXPECT_TRUE(gone.struck());
        ASSERT_EQ(messages.calls().size(), 1u);
        EXPECT_EQ(messages.last().title, installer::kTituloParada);
        EXPECT_TRUE(messages.last().text.startsWith(QStringLiteral("Error Número : 3420\n"))) << messages.last().text.toStdString();
        EXPECT_TRUE(messages.last().text.contains(conn->path()));
    }
}

TEST_F(InstallerTest, AReadOnlyDatabaseIsReportedOnceNamingTheFile) {
    QProcess::execute(QStringLiteral("chmod"), {QStringLiteral("-R"), QStringLiteral("a+rX"), env->root()});
    QFile::setPermissions(env->dbFile(), QFile::ReadOwner | QFile::ReadOther | QFile::ReadGroup);
    const QString file = env->dbFile();
    const auto refused = [&] {
        runWithTimeout(messages, 1000);
        return messages.calls().size() == 1u && messages.last().title == installer::kTituloConexion &&
                       messages.last().text.contains(file) && messages.last().text.endsWith(QStringLiteral("\n 3027"))
                   ? 0
                   : 1;
    };
    EXPECT_EQ(asOrdinaryUser(refused), 0);
    EXPECT_EQ(refused(), 0) << "the superuser too";
}
