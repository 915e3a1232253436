// 8027REP run as the host runs it, without a display, on a laid host environment.
#include "programa_resumen.h"

#include "db_rows.h"
#include "fault_injection.h"
#include "host_env.h"
#include "ini_file.h"
#include "single_instance.h"
#include "summary_files.h"
#include "test_env.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <functional>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace klv;
using klv::test::crLfLines;

namespace {

const QString kBase = QStringLiteral("8027200700A0000012");
const QStringList kSplit{QStringLiteral("0620601234565"), kBase};  // as a shell splits the line

class ProgramaTest : public ::testing::Test {
protected:
    ProgramaTest() {
        test::insertRow(env.db(), QStringLiteral("CAB"),
                        {{QStringLiteral("TIP_DOC_D"), 6}, {QStringLiteral("DOC_ID_D"), QStringLiteral("20601234565")},
                         {QStringLiteral("PERIODO"), QStringLiteral("2007")},
                         {QStringLiteral("FORMULARIO"), QStringLiteral("8027")},
                         {QStringLiteral("cNumero"), QStringLiteral("123456")}});
    }
    struct Run {
        int status;  // -1: killed
        QString err;
    };
    // The program, or another that starts it (`before` + the program + `args`).
    Run run(const QStringList& args, const QStringList& before = {}) {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("KLV_WINDIR"), host::winDirOf(env.root()));
        e.insert(QStringLiteral("XDG_RUNTIME_DIR"), runDir.path());
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (ajustarEntorno) ajustarEntorno(e);
        p.setProcessEnvironment(e);
        p.setWorkingDirectory(runDir.path());
        const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/8027REP");
        if (before.isEmpty()) {
            p.start(program, args);
        } else {
            // The leak checker cannot run under a tracer.
            e.insert(QStringLiteral("ASAN_OPTIONS"), e.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
            p.setProcessEnvironment(e);
            p.start(before.first(), before.mid(1) + QStringList{program} + args);
        }
        EXPECT_TRUE(p.waitForFinished(30000));
        return {p.exitStatus() == QProcess::CrashExit ? -1 : p.exitCode(), QString::fromLocal8Bit(p.readAllStandardError())};
    }
    QString sys(const QString& name) const { return env.sysPath() + name; }
    int spoolRows() { return env.db().scalar(QStringLiteral("SELECT count(*) FROM SPOOL")).toInt(); }

    test::Environment env;
    QTemporaryDir runDir;
    std::function<void(QProcessEnvironment&)> ajustarEntorno;  // changes to the program's environment
};

}  // namespace

TEST_F(ProgramaTest, HeadlessRunLeavesTheTextForTheHost) {
    const Run r = run(kSplit);
    EXPECT_EQ(r.status, resumen::Estado::Terminado) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();

    const QStringList texto = crLfLines(sys(QStringLiteral("TMP/") + kBase + QStringLiteral(".TXT")));
    EXPECT_EQ(texto.size(), 26);
    EXPECT_EQ(texto.first(), QStringLiteral("DOCUMENTO      : RUC  20601234565"));
    EXPECT_EQ(texto, crLfLines(sys(QStringLiteral("RPT/") + kBase + QStringLiteral(".txt"))));
    EXPECT_EQ(QDir(sys(QStringLiteral("RPT"))).entryList(QDir::Files, QDir::Name),
              (QStringList{QStringLiteral("00000001.PRN"), kBase + QStringLiteral(".PRN"), kBase + QStringLiteral(".txt")}));
    EXPECT_EQ(crLfLines(sys(QStringLiteral("RPT/00000001.PRN"))).size(), 29);
    EXPECT_EQ(crLfLines(sys(QStringLiteral("Trace.txt"))).size(), 2);
    EXPECT_EQ(spoolRows(), 1);
}

TEST_F(ProgramaTest, ALinkAtANameItWritesIsNeverFollowed) {
    // At the next markup name, the twin, its text and the copy: each replaced by the new file.
    const test::PlantedLinks files(env.root() + QStringLiteral("/elsewhere"),
                                   {sys(QStringLiteral("RPT/00000001.PRN")), sys(QStringLiteral("RPT/") + kBase + ".PRN"),
                                    sys(QStringLiteral("RPT/") + kBase + ".txt"), sys(QStringLiteral("TMP/") + kBase + ".TXT")});
    Run r = run(kSplit);
    EXPECT_EQ(r.status, resumen::Estado::Terminado) << r.err.toStdString();
    EXPECT_TRUE(files.untouched());
    EXPECT_EQ(crLfLines(sys(QStringLiteral("TMP/") + kBase + ".TXT")).size(), 26);

    // At the trace, which is appended to: the run stops, naming it, before it registers anything.
    const test::PlantedLinks trace(env.root() + QStringLiteral("/elsewhere2"), {sys(QStringLiteral("Trace.txt"))});
    r = run(kSplit);
    EXPECT_EQ(r.status, resumen::Estado::Detenido);
    EXPECT_TRUE(r.err.contains(sys(QStringLiteral("Trace.txt")))) << r.err.toStdString();
    EXPECT_TRUE(trace.untouched(false));
    EXPECT_EQ(spoolRows(), 1);

    // A hard link there is refused the same way.
    const QString target = env.root() + QStringLiteral("/elsewhere2/hard");
    test::writeBytes(target, "not yours\r\n");
    QFile::remove(sys(QStringLiteral("Trace.txt")));
    ASSERT_EQ(::link(QFile::encodeName(target).constData(), QFile::encodeName(sys(QStringLiteral("Trace.txt"))).constData()), 0);
    r = run(kSplit);
    EXPECT_EQ(r.status, resumen::Estado::Detenido);
    EXPECT_TRUE(r.err.contains(sys(QStringLiteral("Trace.txt")) + QStringLiteral(": Error de acceso a la ruta o el archivo")))
        << r.err.toStdString();
    EXPECT_EQ(crLfLines(target), QStringList{QStringLiteral("not yours")});
    EXPECT_EQ(spoolRows(), 1);
}

// A pipe (read by someone or not) or a device at the trace: the run stops at once, naming it, and
// writes nothing into it.
TEST_F(ProgramaTest, APipeOrADeviceAtTheTraceIsNeitherWaitedOnNorWrittenTo) {
    const QString trace = sys(QStringLiteral("Trace.txt"));
    const QByteArray name = QFile::encodeName(trace);
    const struct {
        const char* what;
        bool pipe, read;
    } kinds[] = {{"a pipe nobody reads", true, false}, {"a pipe being read", true, true}, {"a device", false, false}};
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.what);
        QFile::remove(trace);
        if (kind.pipe) {
            ASSERT_EQ(::mkfifo(name.constData(), 0666), 0);
        } else if (::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
            continue;  // a device is the superuser's to make
        }
        const int reader = kind.read ? ::open(name.constData(), O_RDONLY | O_NONBLOCK) : -1;
        const Run r = run(kSplit);
        EXPECT_EQ(r.status, resumen::Estado::Detenido);
        // A device may be refused at its open instead.
        EXPECT_TRUE(r.err.contains(trace + (kind.pipe ? QStringLiteral(": Error de acceso a la ruta o el archivo")
                                                      : QStringLiteral(": "))))
            << r.err.toStdString();
        EXPECT_EQ(spoolRows(), 0);
        if (reader >= 0) {
            char byte = 0;
            EXPECT_LE(::read(reader, &byte, 1), 0);
            ::close(reader);
        }
    }
    QFile::remove(trace);
}

TEST_F(ProgramaTest, ASecondCopyIsToldAndEndsWithoutWriting) {
    SingleInstance first(QStringLiteral("8027REP"), runDir.path());
    ASSERT_TRUE(first.acquire());
    const Run r = run(kSplit);
    EXPECT_EQ(r.status, resumen::Estado::OtraCopia);
    EXPECT_EQ(r.err, QStringLiteral("Presentación Telemática: La aplicación ya se encuentra en Ejecución\n"));
    EXPECT_FALSE(QFile::exists(sys(QStringLiteral("Trace.txt"))));
    EXPECT_EQ(spoolRows(), 0);
}

TEST_F(ProgramaTest, WithoutAPrivateFolderOnlyTheProgramSaysSo) {
    // No variable; the folder's name in the temporary folder taken (a link); no home to make one in.
    QTemporaryDir tmp;
    ASSERT_TRUE(QFile::link(runDir.path(), tmp.path() + QStringLiteral("/klv-runtime-") + QString::number(::getuid())));
    ajustarEntorno = [&tmp](QProcessEnvironment& e) {
        e.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        e.insert(QStringLiteral("TMPDIR"), tmp.path());
        e.insert(QStringLiteral("HOME"), QStringLiteral("/proc/no-home"));
    };
    const Run r = run(kSplit);
    EXPECT_EQ(r.status, resumen::Estado::Terminado) << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("Presentación Telemática: No se pudo tener una carpeta privada")))
        << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(QStringLiteral("QStandardPaths"))) << r.err.toStdString();
}

TEST_F(ProgramaTest, EveryStopIsToldAndEndsWithStatusOne) {
    // In order: each case keeps what the earlier ones changed and stops before it matters.
    const struct {
        const char* caso;
        std::function<void()> preparar;
        QStringList args;
        const char* mensaje;
    } casos[] = {
        {"bad line", [] {}, {QStringLiteral("0620601234565"), QStringLiteral("80/7200700A0000012")},
         "Presentación Telemática: El formulario (caracteres 18 a 21)"},
        {"no line", [] {}, {}, "Presentación Telemática: La línea de comandos debe tener 35 o 36 caracteres y tiene 0."},
        {"no declaration", [&] { env.db().exec(QStringLiteral("DELETE FROM CAB")); }, kSplit,
         "Presentación Telemática: No existe la declaración grabada"},
        {"no TMP", [&] { QFile::remove(sys(QStringLiteral("TMP"))); }, kSplit,
         "Presentación Telemática: No existe la carpeta temporal: "},
        {"no RPT", [&] { QDir(sys(QStringLiteral("RPT"))).removeRecursively(); }, kSplit,
         "Presentación Telemática: No existe la carpeta de reportes: "},
        {"no database",
         [&] {
             ini::writeString(QStringLiteral("Options"), QStringLiteral("DBName"), QStringLiteral("NADA.db"),
                              env.iniFile());
         },
         kSplit, "Error de Conección: "},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.caso);
        c.preparar();
        const Run r = run(c.args);
        EXPECT_EQ(r.status, resumen::Estado::Detenido);
        EXPECT_TRUE(r.err.startsWith(QString::fromUtf8(c.mensaje))) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(sys(QStringLiteral("tmp/") + kBase + QStringLiteral(".TXT"))));
        EXPECT_EQ(spoolRows(), 0);
    }
}

TEST_F(ProgramaTest, AKillLeavesTheEarlierFilesOrTheNewOnesUpToAPointAndTheNextRunClearsUp) {
    // The run is killed at each of its links and renames in turn (strace's fault injection),
    // over files an earlier run left.
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    if (strace.isEmpty()) GTEST_SKIP() << "strace is not installed (scripts/setup installs it)";
    auto killedAt = [&](const QString& call, int n) {
        return QStringList{strace, QStringLiteral("-f"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                           QStringLiteral("-e"), QStringLiteral("trace=") + call, QStringLiteral("-e"),
                           QStringLiteral("inject=%1:signal=KILL:when=%2").arg(call).arg(n)};
    };
    if (run(kSplit, killedAt(QStringLiteral("rename"), 1000)).status != 0) GTEST_SKIP() << "strace cannot trace here";
    const QStringList files{sys(QStringLiteral("RPT/") + kBase + QStringLiteral(".PRN")),
                            sys(QStringLiteral("RPT/") + kBase + QStringLiteral(".txt")),
                            sys(QStringLiteral("TMP/") + kBase + QStringLiteral(".TXT"))};
    int kills = 0;
    for (const QString& call : {QStringLiteral("link"), QStringLiteral("linkat"), QStringLiteral("rename")}) {
        for (int n = 1;; ++n) {
            for (const QString& f : files) test::writeBytes(f, "earlier run\r\n");
            const Run r = run(kSplit, killedAt(call, n));
            if (r.status != -1) {
                EXPECT_EQ(r.status, resumen::Estado::Terminado) << r.err.toStdString();
                break;
            }
            ++kills;
            // In the order twin, text, copy: a file is new only when those before it are.
            bool newer = true;
            for (const QString& f : files) {
                const bool isNew = crLfLines(f).size() == 26;
                EXPECT_TRUE(isNew || crLfLines(f) == QStringList{QStringLiteral("earlier run")}) << f.toStdString();
                EXPECT_TRUE(newer || !isNew) << call.toStdString() << " " << n << ": " << f.toStdString() << " is new";
                newer = isNew;
            }
        }
    }
    EXPECT_GE(kills, 9);
    // What the killed runs left under these names is gone after a run.
    const QStringList ours{QLatin1Char('*') + kBase + QLatin1Char('*')};
    EXPECT_EQ(QDir(sys(QStringLiteral("RPT"))).entryList(ours, QDir::Files | QDir::Hidden),
              (QStringList{kBase + QStringLiteral(".PRN"), kBase + QStringLiteral(".txt")}));
    EXPECT_EQ(QDir(sys(QStringLiteral("TMP"))).entryList(ours, QDir::Files | QDir::Hidden), QStringList{kBase + QStringLiteral(".TXT")});
}
