#include "installer_fixture.h"

#include "cp1252.h"

#include <QFile>
#include <QSqlRecord>

namespace klv::test {

void InstallerTest::SetUp() {
    env = std::make_unique<Environment>(false);
    QString error;
    ASSERT_TRUE(installer::writeEnvFile(env->sysPath(), &error)) << error.toStdString();
}

int InstallerTest::runMain() {
    messages.clear();
    installer::Installer inst(messages);
    return inst.Main();
}

QStringList InstallerTest::tables() {
    QStringList out;
    for (const QSqlRecord& r : db().rows("SELECT upper(name) FROM sqlite_master WHERE type='table' ORDER BY 1"))
        out << r.value(0).toString();
    return out;
}

long long InstallerTest::count(const QString& sql, const QVariantList& params) {
    return db().scalar(sql, params).toLongLong();
}

void InstallerTest::writeEnvFile(const QStringList& lines) {
    QFile f(env->sysPath() + installer::kEnvFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (const QString& l : lines) f.write(cp1252::encode(l) + "\r\n");
}

void InstallerTest::buildPreviousLayout(bool withParVinDirLegal) {
    Database& d = db();
    d.exec("CREATE TABLE IDENTIFICA (tip_doc_d INT, doc_id_d TEXT, periodo TEXT, formulario TEXT, autcontext TEXT, "
           "esttecpt TEXT, fec_pre TEXT, cnumero TEXT)");
    d.exec("INSERT INTO IDENTIFICA VALUES (6,'20000000001','2015','8027','1','0','x','000000')");
    d.exec("INSERT INTO IDENTIFICA VALUES (6,'20601234565','2016','8027','0','1','x','000000')");
    d.exec("CREATE TABLE TRATIPTRA (tip_doc_d INT, doc_id_d TEXT, periodo TEXT, formulario TEXT, tip_doc_p INT, "
           "doc_id_p TEXT, cor_transaccion INT, cod_tip_transaccion TEXT, cnumero TEXT)");
    d.exec("INSERT INTO TRATIPTRA VALUES (6,'20000000001','2015','8027',6,'20100000001',1,'01','000000')");
    d.exec("INSERT INTO TRATIPTRA VALUES (6,'20000000001','2015','8027',6,'20100000001',1,'12','000000')");
    for (const char* t : {"TRANSACCION", "TMPTRANSACCION", "TIP_VIN", "TIP_VIN_PAR", "PARAISO_FISCAL", "TMPTRATIPTRA"})
        d.exec(schema::createStatement(schema::table(QString::fromLatin1(t))));
    QVariantList tr;
    for (int i = 0; i < 48; ++i) tr << QVariant();
    tr[0] = 6, tr[1] = "20000000001", tr[2] = "2015", tr[3] = "8027", tr[4] = 6, tr[5] = "20100000001", tr[6] = 1;
    tr[7] = "01", tr[8] = "01", tr[10] = "1500", tr[45] = "02", tr[46] = "0", tr[47] = "999999";
    d.exec("INSERT INTO TRANSACCION VALUES (" + QString("?,").repeated(47) + "?)", tr);
    d.exec("INSERT INTO PARAISO_FISCAL VALUES ('9836','8027','666666')");
    d.exec("INSERT INTO PARAISO_FISCAL VALUES ('9019','8027','123456')");
    d.exec("INSERT INTO TIP_VIN_PAR VALUES (6,'20000000001','8027',6,'20100000001','01','000000')");
    d.exec("INSERT INTO TMPTRATIPTRA VALUES (6,'20000000001','2015','8027',6,'20100000001',1,'01','9','666666')");

    // PAR_VIN of the previous layout: the first fifteen columns of today's, then cnumero.
    const schema::Table& pv = schema::table("PAR_VIN");
    QStringList defs;
    for (int i = 0; i < 15; ++i) defs << pv.columns[i].name + " " + schema::sqliteType(pv.columns[i]);
    defs << "cnumero TEXT";
    if (withParVinDirLegal) defs << "tip_dir_legal TEXT";
    defs << "PRIMARY KEY (" + pv.key.join(", ") + ")";
    d.exec("CREATE TABLE PAR_VIN (" + defs.join(", ") + ")");
    QVariantList pvRow = {6, "20000000001", "8027", 6, "20100000001", "9019", "1", "2", "", "01", "02",
                          "Peña Hermanos S.A.", "", "", "", "000000"};
    if (withParVinDirLegal) pvRow << "01";
    d.exec("INSERT INTO PAR_VIN VALUES (" + QString("?,").repeated(pvRow.size() - 1) + "?)", pvRow);

    for (const char* t : {"IDENTIFICA", "TRATIPTRA", "TRANSACCION"})
        d.exec("INSERT INTO ENVIO_T VALUES ('8027', ?, ?, 'TXT', 1, 0, 1, 2, 4, 3, 0, 0, 0)",
               {QString::fromLatin1(t), QString::fromLatin1(t)});
}

}  // namespace klv::test
