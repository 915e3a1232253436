#include "host_env.h"
#include "ini_file.h"
#include "test_env.h"
#include "utilitarios.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace klv;

namespace {

QStringList names(std::initializer_list<const char*> list) {
    QStringList out;
    for (const char* n : list) out << QString::fromLatin1(n);
    return out;
}

class HostEnvTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QString error;
        ASSERT_TRUE(host::initEnvironment(dir.path(), &error)) << error.toStdString();
    }
    QString ini() const { return host::winDirOf(dir.path()) + QStringLiteral("/QM000.INI"); }
    QString key(const char* k) const {
        return ini::readString(QStringLiteral("Options"), QString::fromLatin1(k), QString(), ini());
    }
    std::unique_ptr<Database> open() const {
        return Database::open(key("DBPath").trimmed() + key("DBName").trimmed());
    }
    QTemporaryDir dir;
};

}  // namespace

TEST_F(HostEnvTest, LaysFoldersIniAndDatabaseInSysPath) {
    const QString sys = host::sysPathOf(dir.path());
    EXPECT_TRUE(sys.endsWith(QLatin1Char('/')));
    EXPECT_EQ(key("SysPath"), sys);
    // The installer opens SysPath + DBName, the module DBPath + DBName: the same file.
    EXPECT_EQ(key("DBPath"), sys);
    EXPECT_EQ(key("DBName"), QStringLiteral("KLV.db"));
    EXPECT_FALSE(key("SysVersion").isEmpty());
    EXPECT_FALSE(key("SysMenu").isEmpty());
    EXPECT_EQ(key("SysUser"), QStringLiteral("DEMO"));
    EXPECT_TRUE(QFileInfo(sys + QStringLiteral("RPT")).isDir());
    EXPECT_TRUE(QFileInfo(sys + QStringLiteral("tmp")).isDir());
    EXPECT_TRUE(QFileInfo(sys + QStringLiteral("TMP")).isDir());
    EXPECT_TRUE(QFileInfo::exists(sys + QStringLiteral("KLV.db")));
}

TEST_F(HostEnvTest, HostTablesHaveTheColumnsInOrder) {
    auto db = open();
    EXPECT_EQ(db->columns(QStringLiteral("CAB")),
              names({"TIP_DOC_D", "DOC_ID_D", "PERIODO", "FORMULARIO", "nrocheque", "Fec_pro", "Estado",
                     "rectifica", "cNumero"}));
    EXPECT_EQ(db->columns(QStringLiteral("EFCONTROLNS")),
              names({"TIP_DOC_D", "DOC_ID_D", "Periodo", "Formulario", "Semana", "nomarc", "tab_d", "RutArc",
                     "tamarc", "Marca", "Indice", "num_tuplas", "cnum", "cNumero"}));
    EXPECT_EQ(db->columns(QStringLiteral("SPOOL")),
              names({"CodRep", "Secuencia", "Archivo", "Fecha", "Usuario", "TIP_DOC_D", "DOC_ID_D"}));
    EXPECT_EQ(db->columns(QStringLiteral("PARAM")), names({"Numero", "Argumento", "Funcion", "Correl_param"}));
    EXPECT_EQ(db->columns(QStringLiteral("ENVIO_T")),
              names({"formulario", "tabla_o", "tabla_d", "tabla_ext", "indice", "obliga", "c_tip_doc_d",
                     "c_doc_id_d", "c_Formulario", "c_periodo", "c_estado", "c_envio", "c_semana"}));
    // The taxpayer list reads CONT's second and fourth columns by position.
    const QStringList cont = db->columns(QStringLiteral("CONT"));
    ASSERT_GE(cont.size(), 4);
    EXPECT_EQ(cont[1], QStringLiteral("Doc_id_d"));
    EXPECT_EQ(cont[3], QStringLiteral("Nombre"));
    for (const char* t : {"CLAVES", "reportes", "Error", "HF5937CAB"})
        EXPECT_TRUE(db->tableExists(QString::fromLatin1(t))) << t;
    EXPECT_EQ(db->columns(QStringLiteral("Error")), names({"coderror", "DescError"}));
}

TEST_F(HostEnvTest, SeedsUserTaxpayersParametersAndSubmissionMap) {
    auto db = open();
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT Tipo FROM CLAVES WHERE Usuario = ?"), {QStringLiteral("DEMO")})
                  .toString(),
              QStringLiteral("0"));
    const auto cont = db->rows(QStringLiteral("SELECT Doc_id_d, Usuario FROM CONT WHERE Tip_doc_d = 6 ORDER BY 1"));
    ASSERT_EQ(cont.size(), 2u);
    for (const auto& r : cont) {
        EXPECT_TRUE(Utilitarios().ValidaRuc(r.value(0).toString())) << r.value(0).toString().toStdString();
        EXPECT_EQ(r.value(1).toString(), QStringLiteral("DEMO"));
    }
    for (const char* doc : {"1", "4", "6", "7"}) {
        const QString f = db->scalar(QStringLiteral("SELECT Funcion FROM PARAM WHERE Numero='044' AND Argumento=?"),
                                     {QString::fromLatin1(doc)})
                              .toString();
        EXPECT_EQ(f.size(), 130) << doc;
    }
    const QString ruc = db->scalar(QStringLiteral("SELECT Funcion FROM PARAM WHERE Numero='044' AND Argumento='6'"))
                            .toString();
    EXPECT_EQ(ruc.mid(45, 2), QStringLiteral("11"));  // length
    EXPECT_EQ(ruc.mid(127, 1), QStringLiteral("1"));  // digits only
    EXPECT_EQ(ruc.mid(129, 1), QStringLiteral("1"));  // exact length
    EXPECT_EQ(ruc.mid(31, 12).trimmed(), QStringLiteral("RUC"));
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT count(*) FROM PARAM WHERE Numero='883' AND Argumento "
                                        "IN ('001','002','003','004','005')"))
                  .toInt(),
              5);
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT Funcion FROM PARAM WHERE Numero='976' AND Argumento='9589'")).toString(),
              QStringLiteral("PERU"));
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT count(*) FROM PARAM WHERE Numero='876'")).toInt(), 4);
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT tabla_d FROM ENVIO_T WHERE formulario='8027' AND tabla_o='PDF'"))
                  .toString(),
              QStringLiteral("PDF"));
    // Every import error code with its text.
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT count(*) FROM Error")).toInt(), 217);
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT DescError FROM Error WHERE coderror='0710'")).toString(),
              QStringLiteral("Los montos no pueden ser de más de 14 caracteres"));
}

TEST_F(HostEnvTest, SecondRunKeepsRowsAndSettings) {
    {
        auto db = open();
        db->exec(QStringLiteral("UPDATE PARAM SET Funcion='CAMBIADO' WHERE Numero='883' AND Argumento='001'"));
        db->exec(QStringLiteral("INSERT INTO SPOOL (CodRep, Secuencia, Archivo) VALUES ('PTR002','000001','00000001.PRN')"));
    }
    ASSERT_TRUE(ini::writeString(QStringLiteral("Options"), QStringLiteral("SysUser"), QStringLiteral(" ana "), ini()));
    ASSERT_TRUE(host::initEnvironment(dir.path()));
    EXPECT_EQ(key("SysUser"), QStringLiteral(" ana "));
    // The copy in SysPath follows the user of the Windows-directory copy.
    EXPECT_EQ(ini::readString(QStringLiteral("Options"), QStringLiteral("SysUser"), QString(),
                              host::sysPathOf(dir.path()) + QStringLiteral("QM000.INI")),
              QStringLiteral(" ana "));
    auto db = open();
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT Funcion FROM PARAM WHERE Numero='883' AND Argumento='001'")).toString(),
              QStringLiteral("CAMBIADO"));
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT count(*) FROM SPOOL")).toInt(), 1);
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT count(*) FROM CONT")).toInt(), 2);
}

TEST(HostEnv, UnwritableFolderFailsWithReason) {
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/plain");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    QString error;
    EXPECT_FALSE(host::initEnvironment(file + QStringLiteral("/demo"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(host::initEnvironment(QString(), &error));
}

TEST(HostEnv, AFolderNameOutsideWindows1252IsRefusedBeforeAnythingIsLaid) {
    QTemporaryDir dir;
    const QString odd = dir.path() + QString::fromUtf8("/año-日本");
    QString error;
    EXPECT_FALSE(host::initEnvironment(odd, &error));
    EXPECT_TRUE(error.contains(QString::fromUtf8("(日本)"))) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(odd));
    EXPECT_TRUE(host::initEnvironment(dir.path() + QString::fromUtf8("/año"), &error)) << error.toStdString();
}

TEST(HostEnv, DocumentTypeLayoutPutsFieldsAtTheirColumns) {
    const QString f = host::documentTypeLayout(QStringLiteral("PASAPORTE"), QStringLiteral("PASAPORTE"), 12, 0, false);
    ASSERT_EQ(f.size(), 130);
    EXPECT_EQ(f.left(30).trimmed(), QStringLiteral("PASAPORTE"));
    EXPECT_EQ(f.mid(45, 2), QStringLiteral("12"));
    EXPECT_EQ(f.at(127), QLatin1Char('0'));
    EXPECT_EQ(f.at(129), QLatin1Char('0'));
}

TEST(TestEnvironment, GivesAContextOnTheLaidDatabaseAndRestoresWinDir) {
    qputenv("KLV_WINDIR", "/nowhere");
    {
        test::Environment env;
        EXPECT_EQ(qEnvironmentVariable("KLV_WINDIR"), host::winDirOf(env.root()));
        EXPECT_TRUE(env.sysPath().endsWith(QStringLiteral("/sys/")));
        EXPECT_EQ(env.dbFile(), env.sysPath() + QStringLiteral("KLV.db"));
        EXPECT_EQ(env.ctx().gRptPath, env.sysPath() + QStringLiteral("RPT"));
        EXPECT_EQ(env.ctx().gSysUser, QStringLiteral("DEMO"));
        EXPECT_EQ(env.ctx().clock->today(), QDate(2026, 12, 8));
        EXPECT_TRUE(env.db().tableExists(QStringLiteral("CAB")));
        ASSERT_NE(env.ctx().gUtil, nullptr);
        env.ctx().msg(QStringLiteral("hola"), 48);
        EXPECT_EQ(env.messages().last().title, env.ctx().gTitulo);
    }
    EXPECT_EQ(qEnvironmentVariable("KLV_WINDIR"), QStringLiteral("/nowhere"));
    qunsetenv("KLV_WINDIR");
}
