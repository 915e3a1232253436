// 8027REP with the database or a file failing at each step that writes: the database and the
// system folder stay exactly as before (the trace, a log, excepted), the files an earlier run left
// under the same name included, and no file is ever half there.
#include "conversor_texto.h"
#include "programa_resumen.h"

#include "db_rows.h"
#include "fault_injection.h"
#include "summary_files.h"
#include "test_env.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace klv;
using namespace klv::test;

namespace {

const QString kBase = QStringLiteral("8027200700A0000012");
const QStringList kLinea{QStringLiteral("0620601234565    ") + kBase};
const QStringList kNoFolder{QStringLiteral("Trace.txt"), QStringLiteral("KLV.db"), QStringLiteral("KLV.db-journal")};

class SummaryFaults : public ::testing::Test {
protected:
    SummaryFaults() {
        insertRow(env.db(), QStringLiteral("CAB"),
                  {{QStringLiteral("TIP_DOC_D"), 6}, {QStringLiteral("DOC_ID_D"), QStringLiteral("20601234565")},
                   {QStringLiteral("PERIODO"), QStringLiteral("2007")}, {QStringLiteral("FORMULARIO"), QStringLiteral("8027")}});
        // An earlier run left its files; the twin, its text and the copy are told apart from what
        // this run would write.
        EXPECT_EQ(run(), resumen::Estado::Terminado);
        for (const QString& f : {rpt(".PRN"), rpt(".txt"), tmp()}) writeBytes(f, "earlier run\r\n");
    }
    int run() {
        env.messages().clear();
        return resumen::Main(kLinea, {&env.messages(), &env.clock(), lockDir.path()});
    }
    QString rpt(const char* ext) { return env.sysPath() + QStringLiteral("RPT/") + kBase + QLatin1String(ext); }
    QString tmp() { return env.sysPath() + QStringLiteral("tmp/") + kBase + QStringLiteral(".TXT"); }

    Environment env;
    QTemporaryDir lockDir;
};

TEST_F(SummaryFaults, ADatabaseFaultLeavesEverythingAsBefore) {
    const DatabasePicture before(env.db());
    const FolderPicture files(env.sysPath(), kNoFolder);
    const int writes = failAtEveryWrite(env.db(), [&] { return run() == resumen::Estado::Terminado; },
                                        [&](const WriteFault& f) {
                                            EXPECT_TRUE(unchanged(before, env.db())) << f.describe();
                                            EXPECT_TRUE(unchanged(files, env.sysPath(), kNoFolder)) << f.describe();
                                            EXPECT_EQ(env.messages().calls().size(), 1u) << f.describe();
                                        });
    EXPECT_EQ(writes, 1);  // the SPOOL row
    EXPECT_EQ(crLfLines(tmp()).size(), 26);
}

TEST_F(SummaryFaults, AFileThatCannotBeWrittenLeavesEverythingAsBefore) {
    // Each file of the run in turn cannot be put in place: a folder stands where it goes.
    for (const QString& blocked : {env.sysPath() + QStringLiteral("RPT/00000002.PRN"), rpt(".PRN"), rpt(".txt"), tmp()}) {
        SCOPED_TRACE(blocked.toStdString());
        QFile::remove(blocked);
        ASSERT_TRUE(QDir().mkpath(blocked));
        const DatabasePicture before(env.db());
        const FolderPicture files(env.sysPath(), kNoFolder);
        EXPECT_EQ(run(), resumen::Estado::Detenido);
        EXPECT_EQ(env.messages().calls().size(), 1u);
        EXPECT_TRUE(unchanged(before, env.db()));
        EXPECT_TRUE(unchanged(files, env.sysPath(), kNoFolder));
        ASSERT_TRUE(QDir().rmdir(blocked));
        if (blocked.contains(kBase)) writeBytes(blocked, "earlier run\r\n");
    }
    EXPECT_EQ(run(), resumen::Estado::Terminado);
    EXPECT_EQ(crLfLines(tmp()).size(), 26);
}

TEST_F(SummaryFaults, OnAFullDiskNoSpoolRowNamesAMissingFile) {
    // The system folder, database and trace included, on a full disk with one more block of room
    // at each run, until a run gets through. A stopped run deletes its SPOOL row with its markup;
    // where the delete fails too (its journal needs room), the markup stays, empty or whole.
    // The trace, which grows by a line at each pass over CAB, is laid so that the run's first line
    // fills its last block: the second takes a block of its own, between the SPOOL row and the
    // twin, and the files of the run then want more room than the row took.
    const QString trace = env.sysPath() + QStringLiteral("Trace.txt");
    const qint64 line = QFileInfo(trace).size() / 2;
    writeBytes(trace, QByteArray(4096 - line - 2, '-') + "\r\n");
    int rowsKept = 0;
    for (int blocks = 0;; ++blocks) {
        SCOPED_TRACE(blocks);
        ASSERT_LT(blocks, 64) << "the run never completed";
        const FullDisk disk(env.sysPath(), blocks * 4096);
        if (!disk.skipReason().isEmpty()) GTEST_SKIP() << disk.skipReason().toStdString();
        const int status = run();
        const auto db = Database::open(env.dbFile());
        for (const QSqlRecord& r : db->rows(QStringLiteral("SELECT Archivo FROM SPOOL"))) {
            const QString markup = env.sysPath() + QStringLiteral("RPT/") + r.value(0).toString();
            EXPECT_TRUE(QFileInfo(markup).isFile()) << markup.toStdString();
            const qsizetype lines = crLfLines(markup).size();
            EXPECT_TRUE(lines == 0 || lines == 29) << markup.toStdString() << " " << lines;
            if (status != resumen::Estado::Terminado && r.value(0).toString() == QStringLiteral("00000002.PRN"))
                ++rowsKept;
        }
        if (status == resumen::Estado::Terminado) break;
    }
    EXPECT_GE(rowsKept, 1);  // some stop could not delete its row

    // The markup never written (RPT full) and its row not deleted (the database refuses it as on
    // a full disk): the row keeps an empty markup.
    const QString markup = env.sysPath() + QStringLiteral("RPT/00000002.PRN");
    const FullDisk rpt(env.sysPath() + QStringLiteral("RPT"), 0);
    if (!rpt.skipReason().isEmpty()) GTEST_SKIP() << rpt.skipReason().toStdString();
    {
        const WriteFault fault(env.db(), 2, FaultKind::Transaction);
        EXPECT_EQ(run(), resumen::Estado::Detenido);
    }
    EXPECT_TRUE(env.messages().last().text.endsWith(QStringLiteral(": Disco lleno"))) << env.messages().last().text.toStdString();
    EXPECT_EQ(env.db().scalar(QStringLiteral("SELECT count(*) FROM SPOOL WHERE Archivo = '00000002.PRN'")).toInt(), 1);
    EXPECT_TRUE(QFileInfo(markup).isFile());
    EXPECT_EQ(QFileInfo(markup).size(), 0);
}

// A message service that runs `alMostrar` as a box is shown.
class MensajesConAccion : public RecordingMessageService {
public:
    std::function<void()> alMostrar;
    int show(const QString& text, int style, const QString& title) override {
        if (alMostrar) alMostrar();
        return RecordingMessageService::show(text, style, title);
    }
};

TEST_F(SummaryFaults, AnEarlierFileThatCannotBeKeptAsideStopsTheRunBeforeItWrites) {
    // In turn, a folder stands where the second link or the copy of an earlier file would go, so
    // neither can be made; should the run go on, the database refuses its first row. The folder
    // goes when the stop is told: the run's undoing then finds nothing aside, as when a link and a
    // copy failed leaving nothing, and must still keep the earlier file.
    for (const QString& anterior : {rpt(".PRN"), rpt(".txt"), tmp()}) {
        SCOPED_TRACE(anterior.toStdString());
        const QFileInfo i(anterior);
        const QString aparte = i.path() + QStringLiteral("/.") + i.fileName() + QStringLiteral(".anterior");
        const DatabasePicture before(env.db());
        const FolderPicture files(env.sysPath(), kNoFolder);
        ASSERT_TRUE(QDir().mkpath(aparte));
        MensajesConAccion mensajes;
        mensajes.alMostrar = [&] { QDir().rmdir(aparte); };
        {
            const WriteFault fault(env.db(), 1);
            EXPECT_EQ(resumen::Main(kLinea, {&mensajes, &env.clock(), lockDir.path()}), resumen::Estado::Detenido);
        }
        ASSERT_EQ(mensajes.calls().size(), 1u);
        EXPECT_TRUE(mensajes.last().text.contains(i.fileName())) << mensajes.last().text.toStdString();
        EXPECT_TRUE(unchanged(before, env.db()));
        EXPECT_TRUE(unchanged(files, env.sysPath(), kNoFolder));
    }
}

TEST_F(SummaryFaults, ATraceThatCannotGrowIsToldWithItsCause) {
    // The trace fills its last block: the run's first line wants one more, past the file-size
    // limit, then on a disk left without room.
    const QString trace = env.sysPath() + QStringLiteral("Trace.txt");
    const QString expected =
        QStringLiteral("Error Técnico : ( 61) No se pudo escribir el archivo de traza %1: Disco lleno").arg(trace);
    writeBytes(trace, QByteArray(4094, '-') + "\r\n");
    {
        const FileSizeLimit full(4096);
        EXPECT_EQ(run(), resumen::Estado::Detenido);
    }
    EXPECT_EQ(env.messages().last().text, expected);
    const FullDisk disk(env.sysPath(), 0);
    if (!disk.skipReason().isEmpty()) return;  // no disk of its own here: the limit above stands for it
    EXPECT_EQ(run(), resumen::Estado::Detenido);
    EXPECT_EQ(env.messages().last().text, expected);
}

TEST_F(SummaryFaults, TheConverterOnAFullDiskKeepsTheEarlierText) {
    const FolderPicture files(env.sysPath(), kNoFolder);
    writeBytes(rpt(".PRN"), QByteArray("<!np!>\r\n").repeated(1) + QByteArray("a line of the summary\r\n").repeated(60));
    const FolderPicture withTwin(env.sysPath(), kNoFolder);
    resumen::ConversorTexto conversor(env.messages(), env.sysPath() + QStringLiteral("RPT/"));
    const int failed = failAtEveryFileSize([&] { return conversor.udf_ImprimirArchivo(kBase + QStringLiteral(".PRN")); },
                                           [&](qint64 limit) {
                                               EXPECT_TRUE(unchanged(withTwin, env.sysPath(), kNoFolder)) << limit;
                                               // The cause and its number, not the cancellation that follows;
                                               // the number's own words, not the system's.
                                               const QString text = env.messages().last().text;
                                               EXPECT_TRUE(text.startsWith(QStringLiteral("Error Técnico : ( 61) ")) &&
                                                           text.endsWith(QStringLiteral(": Disco lleno")))
                                                   << text.toStdString();
                                           });
    EXPECT_GE(failed, 5);
    EXPECT_EQ(crLfLines(rpt(".txt")).size(), 61);
    EXPECT_FALSE(unchanged(files, env.sysPath(), kNoFolder));
}

}  // namespace
