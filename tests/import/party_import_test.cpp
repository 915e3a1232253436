// The party file import: field and line codes, what a sound line writes, the whole-file refusals,
// a run's counts, re-import, the log failure and a database failure in the middle of a line.
#include "cp1252.h"
#include "error_log.h"
#include "fault_injection.h"
#include "import_core.h"
#include "import_fixture.h"
#include "party_import.h"

#include <QSqlRecord>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace klv::test {
namespace {

using namespace klv::import;

// A domiciled company (type 06, a valid RUC), related by type 01.
QStringList companyLine(const QString& doc = QStringLiteral("20100047218")) {
    QStringList f(28);
    f[0] = QStringLiteral("06");
    f[1] = doc;
    f[5] = QStringLiteral("Empresa Uno SAC");
    f[6] = QStringLiteral("01");
    f[7] = QStringLiteral("9589");
    f[8] = QStringLiteral("0");
    f[9] = QStringLiteral("2");
    for (int i = 11; i <= 24; ++i) f[i] = QStringLiteral("0");
    f[11] = QStringLiteral("1");
    return f;
}
// A natural person abroad (type 07, passport), outside tax havens, related by type 02.
QStringList personAbroad() {
    QStringList f = companyLine(QStringLiteral("AB12345"));
    f[0] = QStringLiteral("07");
    f[2] = QStringLiteral("perez");
    f[3] = QStringLiteral("gomez");
    f[4] = QStringLiteral("ana");
    f[5].clear();
    f[6] = QStringLiteral("02");
    f[7] = QStringLiteral("9063");
    f[9] = QStringLiteral("1");
    f[11] = QStringLiteral("0");
    f[12] = QStringLiteral("1");
    return f;
}
QString join(const QStringList& f) { return f.join(QLatin1Char('|')) + QLatin1Char('|'); }

class PartyImportTest : public ImportTest {
protected:
    QString code(const QStringList& f) {
        ReferenceCache ref(db());
        PartyFields out;
        return leerLineaInformado(ctx(), ref, join(f), out);
    }
    ImportOutcome run(const QByteArray& bytes) { return runFile(writeFile(kRuc + QStringLiteral(".ifm"), bytes)); }
    ImportOutcome runFile(const QString& path) {
        ImportRequest req;
        req.kind = ImportKind::Partes;
        req.ruc = kRuc;
        req.filePath = path;
        req.rptPath = ctx().gRptPath;
        return ejecutarImportacion(ctx(), req, {});
    }
    QSqlRecord row(const QString& doc) {
        const auto r = db().rows(QStringLiteral("SELECT * FROM PAR_VIN WHERE DOC_ID_P=?"), {doc});
        return r.empty() ? QSqlRecord() : r.front();
    }
    QStringList types(const QString& doc) {
        QStringList out;
        for (const auto& r : db().rows(QStringLiteral("SELECT cod_tip_vin FROM TIP_VIN_PAR WHERE DOC_ID_P=? ORDER BY 1"), {doc}))
            out << r.value(0).toString();
        return out;
    }
};

TEST_F(PartyImportTest, FieldAndLineCodes) {
    struct Case {
        int field;  // 1-based; 0 for a line-wide change
        QString value;
        const char* code;
    };
    const Case cases[] = {
        {0, {}, ""},
        {1, {}, "0900"}, {7, {}, "0902"}, {10, {}, "0905"},
        {1, QStringLiteral("99"), "0906"},
        {2, QStringLiteral("2010004721"), "0928"},    // ten digits of "06": the RUC test wins
        {2, QStringLiteral("2010004721A"), "0907"},   // a letter: the character scan wins
        {2, QStringLiteral("20100047219"), "0928"},
        {3, QStringLiteral("PEREZ#"), "0908"},
        {7, QStringLiteral("1"), "0912"},
        {8, QStringLiteral("1234"), "0923"},          // unknown and domiciled abroad: the last check wins
        {8, QStringLiteral("9063"), "0923"},
        {10, QStringLiteral("9"), "0929"},
        {10, QStringLiteral("1"), "0952"},            // a natural person with a company name
        {11, QStringLiteral("OTRA"), "0951"},
        {12, QStringLiteral("X"), "0917"},
        {12, QStringLiteral("0"), "0919"},            // no type ticked, domiciled
        {1, QStringLiteral("6"), "0906"},             // passes the field, refused by the line
        {26, QStringLiteral("01"), "0806"},
        {6, S("Ex\bmpresa"), "0911"},                 // a control character
    };
    for (const Case& c : cases) {
        QStringList f = companyLine();
        if (c.field > 0) f[c.field - 1] = c.value;
        EXPECT_EQ(code(f), QString::fromLatin1(c.code)) << c.field << " " << c.value.toStdString();
    }
    // A natural person abroad: birth date, address pair, tax-haven rule.
    struct Abroad {
        int field;
        QString value;
        const char* code;
    };
    const Abroad abroad[] = {
        {0, {}, ""},
        {28, QStringLiteral("1980-05-17"), ""},
        {28, QStringLiteral("17/05/1980"), "0803"},
        {28, QStringLiteral("1980-02-30"), "0804"},
        {28, QStringLiteral("2030-01-01"), "0805"},
        {26, QStringLiteral("01"), "0801"},
        {27, QStringLiteral("CALLE 1"), "0802"},
        {13, QStringLiteral("0"), "0918"},
        {1, QStringLiteral("01"), "0906"},  // a national identity card abroad
    };
    for (const Abroad& c : abroad) {
        QStringList f = personAbroad();
        if (c.field > 0) f[c.field - 1] = c.value;
        if (c.field == 1) f[1] = QStringLiteral("12345678");
        EXPECT_EQ(code(f), QString::fromLatin1(c.code)) << c.field << " " << c.value.toStdString();
    }
    // In a tax haven nothing needs ticking.
    QStringList haven = personAbroad();
    haven[7] = QStringLiteral("9019");
    haven[8] = QStringLiteral("1");
    haven[12] = QStringLiteral("0");
    EXPECT_EQ(code(haven), QString());
    haven[8] = QStringLiteral("0");
    EXPECT_EQ(code(haven), QStringLiteral("0927"));
}

// The codes the table above leaves out, one line each, and the order of the line rules.
TEST_F(PartyImportTest, EveryOtherCodeAndTheOrderOfTheLineRules) {
    const QStringList company = companyLine(), abroad = personAbroad();
    const QStringList other = withFields(company, "1=31;2=X1;7=02;8=9063;10=9;11=FIDEICOMISO");  // kind 9 abroad
    const QStringList dni = withFields(company, "1=01;2=12345678;3=PEREZ;4=GOMEZ;5=ANA;6=;10=1");  // natural at home
    const QStringList firm = withFields(abroad, "1=31;3=;4=;5=;6=EMP;10=2");                       // legal abroad
    struct Case {
        const QStringList& base;
        const char* changes;
        const char* code;
    };
    const Case cases[] = {
        {other, "", ""}, {dni, "", ""}, {firm, "", ""},
        {company, "2=", "0901"}, {company, "1=0;2=   ", "0901"}, {company, "8=", "0903"}, {company, "9=", "0904"},
        {dni, "2=1234567", "0907"}, {abroad, "2=1234567890123", "0907"}, {abroad, "4=GO#", "0909"},
        {abroad, "5=AN#", "0910"}, {abroad, "8=1234", "0913"}, {abroad, "8=9589", "0926"}, {company, "9=2", "0914"},
        {company, "9=1", "0925"}, {company, "10=3", "0915"}, {company, "3=X", "0953"}, {other, "11=", "0950"},
        {other, "11=123456789012345678901", "0950"},
        {dni, "3=;4=", "0920"}, {dni, "3=", "0921"}, {dni, "4=", "0922"}, {dni, "1=04;2=P1;3=;4=", "0920"},
        {dni, "1=7;2=P1;3=;4=", ""},                         // "7" is not "07"
        {dni, "1=32;2=P1", "0906"}, {other, "1=07", "0906"}, {firm, "1=07", "0906"},
        {company, "1=01;2=12345678", "0906"},                // 0920 first, then replaced
        {abroad, "1=06;2=20100047218;26=01", "0906"},        // the address pair only while no code
        {abroad, "26=01;27=CALLE", ""}, {other, "26=01", "0806"}, {abroad, "26=1;27=C", "0810"},
        {abroad, "26=99;27=C", "0809"}, {company, "27=C", "0807"},
        {abroad, "26=01;27=CCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCC", "0811"},
        {company, "28=1980-01-01", "0808"}, {firm, "28=1980-01-01", "0812"}, {abroad, "28=1980-1-011", "0803"},
    };
    for (const Case& c : cases) EXPECT_EQ(code(withFields(c.base, c.changes)), QString::fromLatin1(c.code)) << c.changes;
}

TEST_F(PartyImportTest, ARunWritesCountsLogsAndReimportUpdates) {
    QStringList bad = companyLine(QStringLiteral("20555555556"));
    bad[6] = QStringLiteral("03");
    QStringList person = personAbroad();
    person[3] = S("muñoz");
    person[27] = QStringLiteral("1980-05-17");
    const QByteArray file = cp1252::encode(join(companyLine()) + QStringLiteral("\r\n") + join(bad) +
                                           QStringLiteral("\r\n") + join(person) + QStringLiteral("   \r\n"));
    ImportOutcome out = run(file);
    EXPECT_EQ(out.status, ImportOutcome::Status::Terminado);
    EXPECT_EQ(out.counts.transferidos, 2);
    EXPECT_EQ(out.counts.actualizados, 0);
    EXPECT_EQ(out.counts.rechazados, 1);
    EXPECT_TRUE(out.message.isEmpty());

    const QSqlRecord c = row(QStringLiteral("20100047218"));
    EXPECT_EQ(c.value("RAZON_SOCIAL").toString(), QStringLiteral("EMPRESA UNO SAC"));
    EXPECT_EQ(c.value("FLAG_PAR_VIN").toString(), QStringLiteral("01"));
    EXPECT_EQ(c.value("TIP_DOC_P").toInt(), 6);
    EXPECT_EQ(c.value("cnumero").toString().size(), 6);
    EXPECT_TRUE(c.value("APEPAT_PAR_VIN").isNull());
    EXPECT_EQ(types(QStringLiteral("20100047218")), QStringList{QStringLiteral("01")});
    const QSqlRecord p = row(QStringLiteral("AB12345"));
    EXPECT_EQ(p.value("RAZON_SOCIAL").toString(), S("PEREZ MUÑOZ, ANA"));
    EXPECT_EQ(p.value("FEC_NAC").toString(), QStringLiteral("1980-05-17"));

    // The rejected line: the log holds it as read, the error file its key and text.
    EXPECT_EQ(readAll(out.logPath), cp1252::encode(join(bad)) + "\r\n");
    EXPECT_EQ(readAll(out.errPath), cp1252::encode(QStringLiteral("06     20555555556     ") +
                                                   S("El identificador de Condicion de Domicilio del Informado es inválido.")) +
                                        "\r\n");

    // Again, with the surname left out and another type: updated, the stored surname kept.
    person[2].clear();
    person[12] = QStringLiteral("0");
    person[13] = QStringLiteral("1");
    out = run(cp1252::encode(join(companyLine()) + QStringLiteral("\n") + join(person)));
    EXPECT_EQ(out.counts.transferidos, 0);
    EXPECT_EQ(out.counts.actualizados, 2);
    EXPECT_EQ(out.message, QStringLiteral("Archivo : ") + out.importPath + QStringLiteral(" Importado Satisfactoriamente."));
    EXPECT_EQ(row(QStringLiteral("AB12345")).value("APEPAT_PAR_VIN").toString(), QStringLiteral("PEREZ"));
    EXPECT_EQ(row(QStringLiteral("AB12345")).value("RAZON_SOCIAL").toString(), S("PEREZ MUÑOZ, ANA"));
    EXPECT_EQ(types(QStringLiteral("AB12345")), QStringList{QStringLiteral("03")});
}

TEST_F(PartyImportTest, ALinkAtTheLogOrErrorFileIsRefusedNotFollowed) {
    QStringList bad = companyLine(QStringLiteral("20555555556"));
    bad[6] = QStringLiteral("03");
    const PlantedLinks links(env().root() + QStringLiteral("/elsewhere"),
                             {rutaLog(ctx().gRptPath, kRuc), rutaErr(ctx().gRptPath, kRuc, false)});
    const ImportOutcome out = run(cp1252::encode(join(bad)));
    // The run stops at the first rejected line, as for a log it may not write.
    EXPECT_EQ(out.status, ImportOutcome::Status::FallaLog);
    EXPECT_EQ(out.message, S("Error tecnico:  75\nError de acceso a la ruta o el archivo\nIntente nuevamente por favor."));
    EXPECT_TRUE(links.untouched(false));
}

// The peak resident memory (KiB) of a child process that runs `work`; -1 when the work failed.
long childPeakKiB(const std::function<bool()>& work) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(work() ? 0 : 1);
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return usage.ru_maxrss;
}

TEST_F(PartyImportTest, AHundredMegabyteLineTakesNoMoreMemoryThanAShortFile) {
    const QByteArray line = cp1252::encode(join(companyLine()));
    const QByteArray blanks(1 << 20, ' ');
    auto peak = [&](int megabytesOfBlanks) {
        const QString path = writeFile(kRuc + QStringLiteral(".ifm"), line);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::Append));
        for (int i = 0; i < megabytesOfBlanks; ++i) f.write(blanks);
        f.close();
        return childPeakKiB([&] {
            const ImportOutcome out = runFile(path);
            return out.status == ImportOutcome::Status::Terminado && out.counts.transferidos + out.counts.actualizados == 1;
        });
    };
    const long normal = peak(0);
    const long endless = peak(100);
    ASSERT_GT(normal, 0);
    ASSERT_GT(endless, 0);
    EXPECT_LT(endless - normal, 4096) << "peak " << normal << " KiB, with the line of 100 MB " << endless << " KiB";
}

TEST_F(PartyImportTest, AnotherFormsPartyIsLeftAlone) {
    insertRow(db(), QStringLiteral("PAR_VIN"),
              {{"tip_doc_d", 6}, {"doc_id_d", kRuc}, {"formulario", "9999"}, {"tip_doc_p", 6},
               {"doc_id_p", "20100047218"}, {"cod_par", "9589"}, {"flag_par_fis", "0"}, {"cod_nat_jur", "2"},
               {"flag_par_vin", "02"}, {"flag_con_dom", "01"}, {"razon_social", "OTRO FORMULARIO"}, {"cnumero", "1"}});
    insertRow(db(), QStringLiteral("TIP_VIN_PAR"),
              {{"tip_doc_d", 6}, {"doc_id_d", kRuc}, {"formulario", "9999"}, {"tip_doc_p", 6},
               {"doc_id_p", "20100047218"}, {"cod_tip_vin", "05"}, {"cnumero", "1"}});
    EXPECT_EQ(run(cp1252::encode(join(companyLine()))).counts.transferidos, 1);
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT razon_social FROM PAR_VIN WHERE formulario='9999'")).toString(),
              QStringLiteral("OTRO FORMULARIO"));
    EXPECT_EQ(count(QStringLiteral("TIP_VIN_PAR")), 2);
}

TEST_F(PartyImportTest, TypeRowsLeftWithoutTheirPartyAreReplaced) {
    insertRow(db(), QStringLiteral("TIP_VIN_PAR"),
              {{"tip_doc_d", 6}, {"doc_id_d", kRuc}, {"formulario", "8027"}, {"tip_doc_p", 6},
               {"doc_id_p", "20555555556"}, {"cod_tip_vin", "05"}, {"cnumero", "1"}});
    EXPECT_EQ(run(cp1252::encode(join(companyLine()) + QStringLiteral("\n") + join(companyLine(QStringLiteral("20555555556")))))
                  .counts.transferidos,
              2);
    EXPECT_EQ(types(QStringLiteral("20555555556")), QStringList{QStringLiteral("01")});
}

TEST_F(PartyImportTest, WholeFileRefusalsAndEmptyOrMissingFiles) {
    ImportOutcome out = run(QByteArray(27, '|') + "\r\n");
    EXPECT_EQ(out.status, ImportOutcome::Status::ArchivoRechazado);
    EXPECT_EQ(out.message, S("El archivo de importación no tiene el número de campos correctos (28)"));
    EXPECT_EQ(out.title, QStringLiteral("Importador de Registros"));
    EXPECT_EQ(out.lblTransferidos, QStringLiteral("0          Registros Transferidos"));
    EXPECT_EQ(out.lblRechazados, QStringLiteral("0          Registros Rechazados"));
    out = run(cp1252::encode(join(companyLine()) + QStringLiteral("\r\n\r\n")));
    EXPECT_EQ(out.status, ImportOutcome::Status::ArchivoRechazado);  // an empty line at the end
    for (const char* end : {"X", "\t"}) {  // only blanks may follow the last separator
        out = run(cp1252::encode(join(companyLine()) + QString::fromLatin1(end)));
        EXPECT_EQ(out.message, S("Cada línea del archivo debe terminar con el separador |")) << end;
    }
    EXPECT_EQ(out.title, S("Error en archivo de importación"));
    EXPECT_EQ(count(QStringLiteral("PAR_VIN")), 0);

    out = run(QByteArray());
    EXPECT_EQ(out.status, ImportOutcome::Status::Terminado);
    EXPECT_EQ(out.counts.transferidos + out.counts.rechazados, 0);
    ImportRequest req;
    req.kind = ImportKind::Partes;
    req.ruc = kRuc;
    req.filePath = folder() + QStringLiteral("/falta.ifm");
    req.rptPath = ctx().gRptPath;
    EXPECT_EQ(ejecutarImportacion(ctx(), req, {}).status, ImportOutcome::Status::FallaArchivo);
}

TEST_F(PartyImportTest, LogFailureAndDatabaseFailureStopKeepingEarlierLines) {
    QStringList bad = companyLine(QStringLiteral("20555555556"));
    bad[6] = QStringLiteral("03");
    QDir().mkpath(ctx().gRptPath + kRuc + QStringLiteral(".Log"));
    ImportOutcome out = run(cp1252::encode(join(companyLine()) + QStringLiteral("\n") + join(bad) + QStringLiteral("\n") +
                                           join(companyLine(QStringLiteral("10444444440")))));
    EXPECT_EQ(out.status, ImportOutcome::Status::FallaLog);
    EXPECT_EQ(out.title, QStringLiteral("Error"));
    EXPECT_EQ(out.counts.transferidos, 1);
    EXPECT_EQ(count(QStringLiteral("PAR_VIN")), 1);
    QDir(ctx().gRptPath + kRuc + QStringLiteral(".Log")).removeRecursively();

    // A failure while the second line writes its types: nothing of that line, the first kept.
    db().exec(QStringLiteral("CREATE TRIGGER falla BEFORE INSERT ON TIP_VIN_PAR WHEN NEW.doc_id_p='20555555556' "
                             "BEGIN SELECT RAISE(ABORT, 'falla inyectada'); END"));
    db().exec(QStringLiteral("DELETE FROM PAR_VIN"));
    out = run(cp1252::encode(join(companyLine()) + QStringLiteral("\n") + join(companyLine(QStringLiteral("20555555556"))) +
                             QStringLiteral("\n") + join(companyLine(QStringLiteral("10444444440")))));
    EXPECT_EQ(out.status, ImportOutcome::Status::FallaBaseDatos);
    EXPECT_EQ(out.linea, 2);
    EXPECT_TRUE(out.message.contains(S("línea 2")));
    EXPECT_EQ(out.counts.transferidos, 1);
    EXPECT_EQ(count(QStringLiteral("PAR_VIN")), 1);
    EXPECT_TRUE(row(QStringLiteral("20555555556")).isEmpty());
}

// Two new parties, then the first again with another type: an update of a row written earlier in
// the same batch, its type rows replaced.
TEST_F(PartyImportTest, AFailureAtAnyRowKeepsTheLinesBeforeItWholeAndCountsThem) {
    const QByteArray file = cp1252::encode(join(companyLine()) + QStringLiteral("\n") +
                                           join(companyLine(QStringLiteral("20555555556"))) + QStringLiteral("\n") +
                                           join(withFields(companyLine(), "12=0;13=1")));
    const QStringList docs{QStringLiteral("20100047218"), QStringLiteral("20555555556")};
    sweepWriteFaults(
        [&] { return run(file); }, 8,  // a party and its type; the row tried, updated, its type replaced
        [&](int kept) {
            EXPECT_EQ(count(QStringLiteral("PAR_VIN")), std::min(kept, 2));
            for (int i = 0; i < 2; ++i)
                EXPECT_EQ(types(docs[i]), i < kept ? QStringList{QStringLiteral("01")} : QStringList()) << docs[i].toStdString();
        },
        [&] {
            db().exec(QStringLiteral("DELETE FROM PAR_VIN"));
            db().exec(QStringLiteral("DELETE FROM TIP_VIN_PAR"));
        });
}

TEST_F(PartyImportTest, ADatabaseReplacedDuringTheRunKeepsAndCountsNothing) {
    QStringList bad = companyLine(QStringLiteral("20555555556"));
    bad[6] = QStringLiteral("03");
    const FileGoneAtCommit gone(db(), FileGoneAtCommit::How::Replaced);
    const ImportOutcome out = run(cp1252::encode(join(companyLine()) + QStringLiteral("\n") + join(bad)));
    EXPECT_TRUE(gone.struck());
    EXPECT_EQ(out.status, ImportOutcome::Status::FallaBaseDatos);
    EXPECT_TRUE(out.message.contains(S("fue reemplazado o borrado mientras el programa trabajaba"))) << out.message.toStdString();
    EXPECT_TRUE(out.message.contains(db().path()));
    EXPECT_EQ(out.lineasConservadas, 0);
    EXPECT_EQ(out.counts.transferidos + out.counts.rechazados, 0);
    EXPECT_TRUE(readAll(out.errPath).isEmpty());
}

}  // namespace
}  // namespace klv::test
