// A report and its SPOOL row with the database or the report folder failing half-way: the SPOOL
// table and the report folder are left as before (or, where not even the row's removal can be
// written, with the row and an empty report under its name), and no report is ever half there.
#include "import_error_report.h"
#include "report_writer.h"
#include "spool.h"

#include "cp1252.h"
#include "fault_injection.h"
#include "test_env.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace klv;
using namespace klv::test;

namespace {

const QString kRuc = QStringLiteral("20601234565");

class ReportFaults : public ::testing::Test {
protected:
    ReportFaults() {
        // An error file of 300 lines: a report of five pages, some 40 KB.
        QFile f(importErrorFile(env_.ctx(), 1, kRuc));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        for (int i = 1; i <= 300; ++i)
            f.write(cp1252::encode(QString::number(i).leftJustified(7) + QStringLiteral("6      20100000009    ") +
                                   QStringLiteral("Código de país inválido")) + "\r\n");
        // An earlier report, with its SPOOL row, that the failed runs must leave as it is.
        QFile earlier(rpt() + QLatin1Char('/') + udf_NumeroSpool(env_.ctx(), QStringLiteral("PTR002"), Declarant{6, kRuc}));
        EXPECT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("pNuevaHoja\r\n");
    }
    QString rpt() { return env_.ctx().gRptPath; }
    // What the import does: a SPOOL row, then the report written under its name.
    bool report() {
        env_.messages().clear();
        QString spool;
        try {
            spool = udf_NumeroSpoolReporte(env_.ctx(), QStringLiteral("PTR003"), Declarant{6, kRuc});
        } catch (const DbError&) {
            return false;
        }
        if (spool.isEmpty()) return false;
        return udp_ReporteErroresImportacion(env_.ctx(), 1, kRuc, QStringLiteral("EMPRESA"), spool).ok;
    }

    Environment env_;
};

TEST_F(ReportFaults, ADatabaseFaultLeavesNoRowAndNoFile) {
    const DatabasePicture before(env_.db());
    const FolderPicture files(rpt());
    const int writes = failAtEveryWrite(env_.db(), [&] { return report(); }, [&](const WriteFault& f) {
        EXPECT_TRUE(unchanged(before, env_.db())) << f.describe();
        EXPECT_TRUE(unchanged(files, rpt())) << f.describe();
    });
    EXPECT_EQ(writes, 1);
    EXPECT_TRUE(QFile::exists(rpt() + QStringLiteral("/00000002.PRN")));
}

TEST_F(ReportFaults, AReportThatCannotBeWrittenTakesItsSpoolRowAway) {
    // A folder where the report goes: the file can be neither written nor put in place.
    ASSERT_TRUE(QDir().mkpath(rpt() + QStringLiteral("/00000002.PRN")));
    const DatabasePicture before(env_.db());
    const FolderPicture files(rpt());
    EXPECT_FALSE(report());
    EXPECT_TRUE(env_.messages().last().text.startsWith(QStringLiteral("Error Técnico : (75) ")));
    EXPECT_TRUE(unchanged(before, env_.db()));
    EXPECT_TRUE(unchanged(files, rpt()));
}

TEST_F(ReportFaults, AFullDiskNeverLeavesHalfAReport) {
    // The SPOOL row is taken first (the database file is larger than the limits tried), then
    // the report is written with files limited to 0, 4 KB, 8 KB, ...
    const FolderPicture files(rpt());
    const QString spool = udf_NumeroSpool(env_.ctx(), QStringLiteral("PTR003"), Declarant{6, kRuc});
    const int failed = failAtEveryFileSize([&] {
        env_.messages().clear();
        return udp_ReporteErroresImportacion(env_.ctx(), 1, kRuc, QStringLiteral("EMPRESA"), spool).ok;
    }, [&](qint64 limit) {
        // The row goes with the report, or (when the disk has no room for its removal either) it
        // stays with an empty file under its name: never a row naming a missing report.
        const bool row =
            env_.db().scalar(QStringLiteral("SELECT count(*) FROM SPOOL WHERE Archivo = ?"), {spool}).toInt() == 1;
        const QFileInfo report(rpt() + QLatin1Char('/') + spool);
        EXPECT_EQ(report.isFile(), row) << "limit " << limit;
        if (row) {
            EXPECT_EQ(report.size(), 0) << "limit " << limit;
        }
        EXPECT_TRUE(unchanged(files, rpt(), {spool})) << "limit " << limit;
        EXPECT_TRUE(env_.messages().last().text.startsWith(QStringLiteral("Error Técnico : (61) "))) << "limit " << limit;
    }, 4096);
    EXPECT_GE(failed, 8);
    EXPECT_GT(QFileInfo(rpt() + QLatin1Char('/') + spool).size(), 30000);
}

TEST_F(ReportFaults, ARowThatCannotBeGivenBackKeepsAnEmptyReportBesideIt) {
    // Neither the report nor the removal of its SPOOL row can be written: the row stays, and so
    // does a file of no bytes under its name, so the row never names a missing report.
    const QString spool = udf_NumeroSpool(env_.ctx(), QStringLiteral("PTR003"), Declarant{6, kRuc});
    {
        const WriteFault fault(env_.db(), 1);
        const FileSizeLimit full(0);
        EXPECT_FALSE(udp_ReporteErroresImportacion(env_.ctx(), 1, kRuc, QStringLiteral("EMPRESA"), spool).ok);
    }
    EXPECT_EQ(env_.db().scalar(QStringLiteral("SELECT count(*) FROM SPOOL WHERE Archivo = ?"), {spool}).toInt(), 1);
    const QFileInfo file(rpt() + QLatin1Char('/') + spool);
    EXPECT_TRUE(file.isFile());
    EXPECT_EQ(file.size(), 0);
}

}  // namespace
