#include "host_window.h"
#include "ini_file.h"
#include "single_instance.h"
#include "long_work.h"
#include "startup.h"
#include "test_env.h"
#include "utilitarios.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace klv;

namespace {

const QString kTitulo = QStringLiteral("8027 KLV - Precios de Transferencia - 1.4");

// A laid environment with a fresh context (nothing opened yet) for start-up to fill.
class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        cwd = QDir::currentPath();
        qunsetenv("KLV_GATE");
        ASSERT_TRUE(locks.isValid());
        ctx.messages = &messages;
        ctx.clock = &env.clock();
        services.finder = &host;
        services.lockFolder = locks.path();
        services.showMainWindow = [this](AppContext&) { ++shown; };
    }
    void TearDown() override {
        QDir::setCurrent(cwd);
        qunsetenv("KLV_GATE");
    }
    void setKey(const char* key, const QString& value) {
        ASSERT_TRUE(ini::writeString(QStringLiteral("Options"), QString::fromLatin1(key), value, env.iniFile()));
    }
    QString systemDb() {
        return ini::readString(QStringLiteral("Options"), QStringLiteral("SystemDB"), QString(), env.iniFile());
    }

    test::Environment env{false};
    QTemporaryDir locks;
    QString cwd;
    RecordingMessageService messages;
    FakeHostWindowFinder host{{QStringLiteral("Terminal"), QStringLiteral("KLV")}};
    AppContext ctx;
    Startup::Services services;
    int shown = 0;
};

}  // namespace

TEST_F(StartupTest, StartsBesideTheHostAndOpensTheSharedDatabase) {
    Startup s;
    EXPECT_EQ(s.Main(ctx, services), StartupResult::Started);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(ctx.gTitulo, kTitulo);
    ASSERT_NE(ctx.gUtil, nullptr);
    EXPECT_EQ(ctx.gUtil, s.utilitarios());
    // The window's context holds the engine, which holds the connection.
    EXPECT_FALSE(ctx.gDB);
    ASSERT_TRUE(ctx.engine);
    bool cont = false;
    QString user, password;
    LongWork::call(ctx, nullptr, [&](AppContext& w) {
        cont = w.db().tableExists(QStringLiteral("CONT"));
        user = w.db().handle().userName();
        password = w.db().handle().password();
    });
    EXPECT_TRUE(cont);
    EXPECT_EQ(ctx.gSysPath, env.sysPath());
    EXPECT_EQ(ctx.gDBFile, env.sysPath() + QStringLiteral("KLV.db"));
    EXPECT_EQ(ctx.gRptPath, env.sysPath() + QStringLiteral("RPT"));
    EXPECT_EQ(QDir::currentPath() + QLatin1Char('/'), env.sysPath());
    EXPECT_EQ(systemDb(), env.sysPath() + QStringLiteral("QM000.MDW"));
    // The workgroup credentials travel with the connection.
    EXPECT_EQ(user.size(), 8);
    EXPECT_EQ(password.size(), 8);
}

TEST_F(StartupTest, RefusesWithoutAnExactVisibleHostCaption) {
    for (const QStringList& captions : {QStringList{}, QStringList{QStringLiteral("klv")},
                                        QStringList{QStringLiteral("KLV ")}, QStringList{QStringLiteral(" KLV")},
                                        QStringList{QStringLiteral("KLV - Integrador")}}) {
        messages.clear();
        FakeHostWindowFinder other(captions);
        services.finder = &other;
        Startup s;
        EXPECT_EQ(s.Main(ctx, services), StartupResult::NoHost);
        ASSERT_EQ(messages.calls().size(), 1u);
        EXPECT_EQ(messages.last().text, QStringLiteral("Debe ejecutar este módulo desde el Integrador del KLV."));
        EXPECT_EQ(messages.last().style, 16);
        EXPECT_EQ(messages.last().title, kTitulo + QStringLiteral(" Error al ejecutar el módulo"));
    }
    EXPECT_EQ(shown, 0);
    EXPECT_FALSE(ctx.engine);
    EXPECT_TRUE(systemDb().isEmpty());  // nothing written before the configuration step
}

TEST_F(StartupTest, SecondInstanceIsToldAndTheFirstKeepsRunning) {
    Startup first;
    ASSERT_EQ(first.Main(ctx, services), StartupResult::Started);
    AppContext other;
    other.messages = &messages;
    Startup second;
    EXPECT_EQ(second.Main(other, services), StartupResult::AlreadyRunning);
    ASSERT_EQ(messages.calls().size(), 1u);
    EXPECT_EQ(messages.last().text, QStringLiteral("La Aplicación ya se encuentra en ejecución."));
    EXPECT_EQ(messages.last().style, 64);
    EXPECT_EQ(messages.last().title, kTitulo);
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(other.engine);
    // The first one still holds its lock and its database.
    SingleInstance third(QStringLiteral("QM8027"), locks.path());
    EXPECT_FALSE(third.acquire());
    EXPECT_TRUE(ctx.engine);
}

TEST_F(StartupTest, ClosedGateEndsSilentlyBeforeReadingTheConfiguration) {
    qputenv("KLV_GATE", "0");
    Startup s;
    EXPECT_EQ(s.Main(ctx, services), StartupResult::GateClosed);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(ctx.gSysPath.isEmpty());
    EXPECT_FALSE(ctx.engine);
}

TEST_F(StartupTest, IniKeysAreTrimmedExceptTheUser) {
    setKey("SysPath", QStringLiteral("  ") + env.sysPath() + QStringLiteral("  "));
    setKey("DBPath", QStringLiteral(" ") + env.sysPath() + QStringLiteral(" "));
    setKey("DBName", QStringLiteral("  KLV.db "));
    setKey("SysUser", QStringLiteral("  ana  "));
    EXPECT_TRUE(udp_LeerIni(ctx));
    EXPECT_EQ(ctx.gSysPath, env.sysPath());
    EXPECT_EQ(ctx.gDBFile, env.sysPath() + QStringLiteral("KLV.db"));
    EXPECT_EQ(ctx.gSysUser, QStringLiteral("  ana  "));
    EXPECT_EQ(ctx.gRptPath, env.sysPath() + QStringLiteral("RPT"));
}

TEST_F(StartupTest, DbPathIsJoinedToDbNameUnchanged) {
    QString folder = env.sysPath();
    folder.chop(1);  // no trailing separator
    setKey("DBPath", folder);
    EXPECT_TRUE(udp_LeerIni(ctx));
    EXPECT_EQ(ctx.gDBFile, folder + QStringLiteral("KLV.db"));
    // The file name runs into the folder name: that file does not exist and is not created.
    EXPECT_FALSE(udf_AbrirBaseDatos(ctx));
    ASSERT_EQ(messages.calls().size(), 1u);
    EXPECT_EQ(messages.last().title, QStringLiteral("Error de Conección"));
    EXPECT_EQ(messages.last().style, 0);
    EXPECT_TRUE(messages.last().text.endsWith(QStringLiteral("\n 3024")));
    EXPECT_FALSE(QFile::exists(ctx.gDBFile));
}

TEST_F(StartupTest, ANulByteInAPathStopsStartUpBeforeQtsFileCalls) {
    static QStringList said;  // what Qt prints on the terminal
    const QString nul = QStringLiteral("KLV.db") + QChar(0) + QStringLiteral("x");
    const struct {
        const char* key;
        QString value;
        StartupResult result;
        const char* endsWith;
    } cases[] = {
        {"DBName", nul, StartupResult::DatabaseFailed, "\n 3024"},
        {"SysPath", env.sysPath() + nul + QLatin1Char('/'), StartupResult::NoSysPath, "Integrador del KLV."},
    };
    for (const auto& c : cases) {
        const QString kept = ini::readString(QStringLiteral("Options"), QString::fromLatin1(c.key), QString(), env.iniFile());
        setKey(c.key, c.value);
        messages.clear();
        said.clear();
        const QtMessageHandler before =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) { said << m; });
        EXPECT_EQ(Startup().Main(ctx, services), c.result) << c.key;
        qInstallMessageHandler(before);
        EXPECT_EQ(said, QStringList()) << c.key;
        ASSERT_EQ(messages.calls().size(), 1u) << c.key;
        EXPECT_TRUE(messages.last().text.endsWith(QString::fromUtf8(c.endsWith))) << c.key;
        setKey(c.key, kept);
    }
}

TEST_F(StartupTest, MissingIniGivesEmptyValuesAndAClearStop) {
    QFile::remove(env.iniFile());
    ctx.gSysUser = QStringLiteral("x");
    QString motivo;
    EXPECT_FALSE(udp_LeerIni(ctx, &motivo));
    EXPECT_TRUE(ctx.gSysPath.isEmpty());
    EXPECT_TRUE(ctx.gDBFile.isEmpty());
    EXPECT_EQ(ctx.gRptPath, QStringLiteral("RPT"));
    EXPECT_TRUE(ctx.gSysUser.isEmpty());
    EXPECT_TRUE(motivo.contains(QStringLiteral("SysPath")));

    Startup s;
    EXPECT_EQ(s.Main(ctx, services), StartupResult::NoSysPath);
    ASSERT_EQ(messages.calls().size(), 1u);
    EXPECT_EQ(messages.last().style, 16);
    EXPECT_EQ(messages.last().title, kTitulo);
    EXPECT_FALSE(ctx.engine);
    EXPECT_EQ(shown, 0);
}

TEST_F(StartupTest, SysPathNamingNoFolderStopsStartUp) {
    setKey("SysPath", env.root() + QStringLiteral("/nowhere/"));
    Startup s;
    EXPECT_EQ(s.Main(ctx, services), StartupResult::NoSysPath);
    ASSERT_EQ(messages.calls().size(), 1u);
    EXPECT_TRUE(messages.last().text.contains(env.root() + QStringLiteral("/nowhere/")));
    EXPECT_EQ(QDir::currentPath(), cwd);
}

TEST_F(StartupTest, EmptyDatabasePathFailsWithTheConnectionMessage) {
    setKey("DBPath", QString());
    setKey("DBName", QString());
    Startup s;
    EXPECT_EQ(s.Main(ctx, services), StartupResult::DatabaseFailed);
    ASSERT_EQ(messages.calls().size(), 1u);
    EXPECT_EQ(messages.last().title, QStringLiteral("Error de Conección"));
    EXPECT_EQ(messages.last().style, 0);
    EXPECT_TRUE(messages.last().text.endsWith(QStringLiteral("\n 3044")));
    EXPECT_EQ(shown, 0);
    // SystemDB was written before the open failed.
    EXPECT_EQ(systemDb(), env.sysPath() + QStringLiteral("QM000.MDW"));
}

TEST_F(StartupTest, LockedDatabaseShows3051) {
    ASSERT_TRUE(udp_LeerIni(ctx));
    {
        QSqlDatabase holder = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
        holder.setDatabaseName(ctx.gDBFile);
        ASSERT_TRUE(holder.open());
        QSqlQuery q(holder);
        ASSERT_TRUE(q.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        EXPECT_FALSE(udf_AbrirBaseDatos(ctx, 50));
        q.exec(QStringLiteral("ROLLBACK"));
        holder.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));
    ASSERT_EQ(messages.calls().size(), 1u);
    EXPECT_EQ(messages.last().text, QStringLiteral(" 3051- Base esta bloqueda"));
    EXPECT_EQ(messages.last().style, 0);
    EXPECT_EQ(messages.last().title, QStringLiteral("Error de Conección"));
    EXPECT_FALSE(ctx.engine);
}

TEST(StartupCredentials, EightCharactersEach) {
    EXPECT_EQ(usuarioGrupoTrabajo().size(), 8);
    EXPECT_EQ(claveGrupoTrabajo().size(), 8);
    EXPECT_NE(usuarioGrupoTrabajo(), claveGrupoTrabajo());
}
