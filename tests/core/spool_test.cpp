// Report-spool numbering over the host table SPOOL.
#include "spool.h"
#include "services_fixture.h"
#include "whole_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlRecord>

namespace klv::test {
namespace {

class SpoolTest : public ServicesTest {
protected:
    QString nuevo(const QString& cod) { return udf_NumeroSpool(ctx(), cod, decl); }
    void fila(const QString& cod, const QString& sec, const QString& archivo) {
        insert("SPOOL", {{"CodRep", cod}, {"Secuencia", sec}, {"Archivo", archivo}});
    }
    QString secuencia(const QString& archivo) {
        return db().scalar("SELECT Secuencia FROM SPOOL WHERE Archivo = ?", {archivo}).toString();
    }
    const Declarant decl{6, "20601234565"};
};

TEST_F(SpoolTest, FirstReportOfAnEmptySpoolAndTheRowWritten) {
    ctx().gSysUser = "DEMO  ";
    env().clock().set(QDateTime(QDate(2026, 3, 5), QTime(14, 7, 9)));
    EXPECT_EQ(nuevo("PTR002"), "00000001.PRN");
    const auto filas = db().rows("SELECT CodRep, Secuencia, Archivo, Fecha, Usuario, TIP_DOC_D, DOC_ID_D FROM SPOOL");
    ASSERT_EQ(filas.size(), 1u);
    const QSqlRecord& r = filas.front();
    EXPECT_EQ(r.value(0).toString(), "PTR002");
    EXPECT_EQ(r.value(1).toString(), "000001");
    EXPECT_EQ(r.value(2).toString(), "00000001.PRN");
    EXPECT_EQ(r.value(3).toString(), "2026-03-05 14:07:09");
    EXPECT_EQ(r.value(4).toString(), "DEMO  ");
    EXPECT_EQ(r.value(5).toInt(), 6);
    EXPECT_EQ(r.value(6).toString(), "20601234565");
}

TEST_F(SpoolTest, SequencePerCodeFileNumberAcrossCodes) {
    EXPECT_EQ(nuevo("PTR002"), "00000001.PRN");
    EXPECT_EQ(nuevo("PTR002"), "00000002.PRN");
    EXPECT_EQ(nuevo("PTR003"), "00000003.PRN");
    EXPECT_EQ(nuevo("PTR002"), "00000004.PRN");
    EXPECT_EQ(nuevo("DE0003"), "00000005.PRN");
    EXPECT_EQ(secuencia("00000001.PRN"), "000001");
    EXPECT_EQ(secuencia("00000002.PRN"), "000002");
    EXPECT_EQ(secuencia("00000003.PRN"), "000001");
    EXPECT_EQ(secuencia("00000004.PRN"), "000003");
    EXPECT_EQ(secuencia("00000005.PRN"), "000001");
}

TEST_F(SpoolTest, ContinuesTheNumbersOfOtherProgramsAndCodes) {
    fila("PTR001", "000041", "00000007.PRN");
    EXPECT_EQ(nuevo("PTR002"), "00000008.PRN");
    EXPECT_EQ(secuencia("00000008.PRN"), "000001");
    EXPECT_EQ(nuevo("PTR001"), "00000009.PRN");
    EXPECT_EQ(secuencia("00000009.PRN"), "000042");
}

TEST_F(SpoolTest, NamesAndSequencesThatAreNotNumbersArePassedOver) {
    fila("PTR002", "000004", "00000041.PRN");
    fila("PTR002", "ABC", "INFORME.PRN");
    fila("PTR002", "", "9999999X.PRN");
    fila("PTR003", "000009", "ZZZZZZZZ.PRN");
    EXPECT_EQ(nuevo("PTR002"), "00000042.PRN");
    EXPECT_EQ(secuencia("00000042.PRN"), "000005");
    EXPECT_EQ(nuevo("PTR003"), "00000043.PRN");
    EXPECT_EQ(secuencia("00000043.PRN"), "000010");
}

TEST_F(SpoolTest, FileNumberIsTheNumericMaximum) {
    fila("PTR002", "000001", "00000099.PRN");
    fila("PTR002", "000002", "00000100.PRN");
    EXPECT_EQ(nuevo("PTR002"), "00000101.PRN");
}

TEST_F(SpoolTest, ACodeWithAnApostropheIsOnlyData) {
    EXPECT_EQ(nuevo("PT'R02"), "00000001.PRN");
    EXPECT_EQ(nuevo("PT'R02"), "00000002.PRN");
    EXPECT_EQ(secuencia("00000002.PRN"), "000002");
}

TEST_F(SpoolTest, TwoConnectionsNeverTakeTheSameName) {
    // A second program on the same database file, as the summary program runs beside the module.
    auto otro = Database::open(env().dbFile());
    EXPECT_EQ(nuevo("PTR002"), "00000001.PRN");
    EXPECT_EQ(numeroSpool(*otro, "PTR001", decl, "OTRO", QDateTime::currentDateTime(), ctx().gRptPath), "00000002.PRN");
    EXPECT_EQ(nuevo("PTR002"), "00000003.PRN");
    EXPECT_EQ(db().scalar("SELECT count(DISTINCT Archivo) FROM SPOOL").toInt(), 3);
}

// A row is committed only once its report file stands, empty, under its name; a file that cannot be
// created leaves no row. What killed writers left half-way goes, what a writer still holds stays.
TEST_F(SpoolTest, EveryRowHasItsFileFromTheMomentItIsCommitted) {
    const QString rpt = ctx().gRptPath;
    ASSERT_TRUE(QDir().mkpath(rpt));
    QFile::remove(rpt + "/00000001.PRN");
    QFile::link(rpt + "/elsewhere.txt", rpt + "/00000001.PRN");  // a link planted at the name
    EXPECT_EQ(nuevo("PTR002"), "00000001.PRN");
    const QFileInfo made(rpt + "/00000001.PRN");
    EXPECT_TRUE(made.isFile() && !made.isSymLink());
    EXPECT_EQ(made.size(), 0);
    EXPECT_FALSE(QFile::exists(rpt + "/elsewhere.txt"));

    // Left by killed writers, and one still being written.
    for (const char* n : {"00000001.PRN.Ab12Cd", "00000009.PRN.zz99ZZ"}) QFile(rpt + "/" + n).open(QIODevice::WriteOnly);
    for (const char* n : {"00000001.PRN.tooLong1", "INFORME.PRN.Ab12Cd"}) QFile(rpt + "/" + n).open(QIODevice::WriteOnly);
    WholeFile writing(rpt + "/00000005.PRN");
    ASSERT_TRUE(writing.open());
    EXPECT_EQ(nuevo("PTR002"), "00000002.PRN");
    QStringList left = QDir(rpt).entryList({"*.PRN.*"}, QDir::Files);
    ASSERT_EQ(left.size(), 3);  // the writer's own and the names outside the pattern
    EXPECT_TRUE(left.contains("00000001.PRN.tooLong1") && left.contains("INFORME.PRN.Ab12Cd"));
    writing.cancel();

    // A file that cannot be put in place (a folder stands at its name): no row.
    ASSERT_TRUE(QDir().mkpath(rpt + "/00000003.PRN"));
    EXPECT_THROW(nuevo("PTR002"), SpoolFileError);
    EXPECT_EQ(db().scalar("SELECT count(*) FROM SPOOL").toInt(), 2);
    EXPECT_TRUE(QDir(rpt).entryList({"00000003.PRN.*"}).isEmpty());

    // A folder that takes no file: no row.
    ctx().gRptPath = env().root() + "/missing/RPT";
    EXPECT_THROW(nuevo("PTR002"), SpoolFileError);
    EXPECT_EQ(db().scalar("SELECT count(*) FROM SPOOL").toInt(), 2);
    EXPECT_FALSE(db().inTransaction());
}

// A row whose commit fails (a constraint checked at the commit) leaves no file under its name.
TEST_F(SpoolTest, ARowThatCannotBeCommittedTakesItsFileAway) {
    db().exec("PRAGMA foreign_keys = ON");
    db().exec("CREATE TABLE PADRE (K INTEGER PRIMARY KEY)");
    db().exec("CREATE TABLE HIJO (K INTEGER REFERENCES PADRE (K) DEFERRABLE INITIALLY DEFERRED)");
    db().exec("CREATE TRIGGER spool_hijo AFTER INSERT ON SPOOL BEGIN INSERT INTO HIJO VALUES (1); END");
    EXPECT_THROW(nuevo("PTR002"), DbError);
    EXPECT_EQ(db().scalar("SELECT count(*) FROM SPOOL").toInt(), 0);
    EXPECT_FALSE(db().inTransaction());
    EXPECT_FALSE(QFile::exists(ctx().gRptPath + "/00000001.PRN"));
}

// A row that cannot be given back keeps its file: what was written stays, a missing one comes back
// empty, so the row never names a file that is not there.
TEST_F(SpoolTest, ARowThatCannotBeFreedKeepsItsFile) {
    db().exec("CREATE TRIGGER spool_fijo BEFORE DELETE ON SPOOL BEGIN SELECT RAISE(ABORT, 'fijo'); END");
    for (const bool written : {true, false}) {
        SCOPED_TRACE(written ? "written" : "missing");
        const QString archivo = nuevo("PTR002"), ruta = ctx().gRptPath + "/" + archivo;
        if (written) {
            QFile f(ruta);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write("pNuevaHoja\r\n") == 12);
        } else {
            ASSERT_TRUE(QFile::remove(ruta));
        }
        liberarSpoolConArchivo(db(), archivo, ruta);
        EXPECT_FALSE(secuencia(archivo).isEmpty());
        QFile f(ruta);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), written ? QByteArray("pNuevaHoja\r\n") : QByteArray());
    }
}

TEST_F(SpoolTest, AFailedInsertAddsNothingAndLeavesNoTransactionOpen) {
    // Another writer took the next name behind our back: the key refuses the duplicate.
    db().exec("CREATE TRIGGER spool_ocupado BEFORE INSERT ON SPOOL WHEN NEW.CodRep = 'PTR009' "
              "BEGIN SELECT RAISE(ABORT, 'ocupado'); END");
    EXPECT_THROW(nuevo("PTR009"), DbError);
    EXPECT_EQ(db().scalar("SELECT count(*) FROM SPOOL").toInt(), 0);
    EXPECT_FALSE(db().inTransaction());
    EXPECT_EQ(nuevo("PTR002"), "00000001.PRN");
}

}  // namespace
}  // namespace klv::test
