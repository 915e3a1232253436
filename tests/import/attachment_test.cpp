// Registering the technical study in EFCONTROLNS: the row and its control number, a second
// registration, the refusals, and what is kept as typed.
#include "attachment.h"
#include "fault_injection.h"
#include "file_digest.h"
#include "import_fixture.h"
#include "message_service.h"
#include "numero_control.h"

#include <QSqlRecord>

namespace klv::test {
namespace {

using namespace klv::import;

const QString kStudy = QStringLiteral("802720601234565") + QStringLiteral("2015.PDF");

class AttachmentTest : public ImportTest {
protected:
    AttachNotice attach(const QString& dir, const QString& name = kStudy, bool selected = true) {
        return adjuntarEstudio(ctx(), dir, name, selected, kRuc, QStringLiteral("2015"));
    }
    std::vector<QSqlRecord> rows() { return db().rows(QStringLiteral("SELECT * FROM EFCONTROLNS")); }
};

TEST_F(AttachmentTest, AStudyGetsItsRowWithEveryColumn) {
    const QString path = writeFile(kStudy, QByteArray("%PDF-1.4 estudio"));
    const AttachNotice n = attach(folder());
    EXPECT_TRUE(n.saved);
    EXPECT_EQ(n.text, S("Se cargó correctamente el archivo ") + kStudy);
    EXPECT_EQ(n.style, MsgStyle::Exclamation);
    EXPECT_FALSE(n.dialogTitle);

    const auto r = rows();
    ASSERT_EQ(r.size(), 1u);
    const QSqlRecord& row = r.front();
    EXPECT_EQ(row.value("TIP_DOC_D").toInt(), 6);
    EXPECT_EQ(row.value("DOC_ID_D").toString(), kRuc);
    EXPECT_EQ(row.value("Periodo").toString(), QStringLiteral("2015"));
    EXPECT_EQ(row.value("Formulario").toString(), QStringLiteral("8027"));
    EXPECT_EQ(row.value("Semana").toInt(), 0);
    EXPECT_EQ(row.value("nomarc").toString(), kStudy);
    EXPECT_EQ(row.value("tab_d").toString(), QStringLiteral("PDF"));
    EXPECT_EQ(row.value("RutArc").toString(), folder() + QLatin1Char('/'));  // case kept
    EXPECT_EQ(row.value("tamarc").toLongLong(), 16);
    EXPECT_EQ(row.value("Marca").toString(), *udf_HashArchivo(path));
    EXPECT_EQ(row.value("Indice").toInt(), 1);
    EXPECT_EQ(row.value("num_tuplas").toString(), QStringLiteral("0"));
    EXPECT_EQ(row.value("cnum").toString(), QStringLiteral("1.4"));
    EXPECT_EQ(row.value("cNumero").toString(), numeroControl(QStringLiteral("EFCONTROLNS"), row, 6));
    EXPECT_EQ(row.value("cNumero").toString().size(), 6);
}

TEST_F(AttachmentTest, RegisteringAgainRewritesTheOneRow) {
    writeFile(kStudy, QByteArray("uno"));
    attach(folder());
    writeFile(kStudy, QByteArray("un estudio mas largo"));
    EXPECT_TRUE(attach(folder()).saved);
    const auto r = rows();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r.front().value("tamarc").toLongLong(), 20);
    EXPECT_EQ(r.front().value("cNumero").toString(), numeroControl(QStringLiteral("EFCONTROLNS"), r.front(), 6));
    EXPECT_NE(r.front().value("Marca").toString(), QString());
}

TEST_F(AttachmentTest, AFailedRowLeavesTheDatabaseAsBefore) {
    for (const FaultKind kind : {FaultKind::Statement, FaultKind::Transaction}) {
        db().exec(QStringLiteral("DELETE FROM EFCONTROLNS"));
        for (const char* study : {"uno", "un estudio mas largo"}) {  // the row added, then rewritten
            writeFile(kStudy, QByteArray(study));
            const DatabasePicture before(db());
            const int writes = failAtEveryWrite(
                db(), [&] { return attach(folder()).saved; },
                [&](const WriteFault& f) { EXPECT_TRUE(unchanged(before, db())) << f.describe(); }, kind);
            EXPECT_EQ(writes, 1) << study;
        }
        EXPECT_EQ(rows().size(), 1u);
    }
}

TEST_F(AttachmentTest, EnheInTheFolderIsRefusedAndNothingWritten) {
    const QString dir = folder() + S("/Compañía");
    writeFile(kStudy, "x", dir);
    const AttachNotice n = attach(dir);
    EXPECT_FALSE(n.saved);
    EXPECT_EQ(n.style, MsgStyle::Critical);
    EXPECT_TRUE(n.dialogTitle);
    EXPECT_EQ(n.text, S("El nombre del directorio que contiene los archivos a importar presenta un carácter no "
                        "permitido (ñ).\rPor favor modifique el nombre del directorio o copie los archivos en otro "
                        "directorio para poder generar su envío  MERVA."));
    EXPECT_EQ(count(QStringLiteral("EFCONTROLNS")), 0);
    EXPECT_EQ(VerificarEnhe(folder()), QString());
}

TEST_F(AttachmentTest, LowerCaseExtensionAndAFolderWithAnApostrophe) {
    const QString dir = folder() + QStringLiteral("/O'Brien y Cia");
    const QString lower = kStudy.left(19) + QStringLiteral(".pdf");
    writeFile(lower, "x", dir);
    EXPECT_TRUE(attach(dir, lower).saved);
    const QSqlRecord row = rows().front();
    EXPECT_EQ(row.value("nomarc").toString(), lower);
    EXPECT_EQ(row.value("tab_d").toString(), QStringLiteral("PDF"));
    EXPECT_EQ(row.value("RutArc").toString(), dir + QLatin1Char('/'));
}

TEST_F(AttachmentTest, WithoutAPdfDestinationTheNameIsEmpty) {
    db().exec(QStringLiteral("DELETE FROM ENVIO_T WHERE tabla_o='PDF'"));
    writeFile(kStudy, "x");
    EXPECT_TRUE(attach(folder()).saved);
    EXPECT_EQ(rows().front().value("tab_d").toString(), QString());
}

TEST_F(AttachmentTest, NoFileNoSelectionOrAFileGoneWriteNothing) {
    EXPECT_EQ(attach(folder(), QString()).text, S("No se encontró archivo pdf (ETPT)"));
    writeFile(kStudy, "x");
    const AttachNotice notSelected = attach(folder(), kStudy, false);
    EXPECT_EQ(notSelected.text, S("No seleccionó archivo pdf (ETPT)"));
    EXPECT_EQ(notSelected.style, MsgStyle::Exclamation);
    QFile::remove(folder() + QLatin1Char('/') + kStudy);
    const AttachNotice gone = attach(folder());
    EXPECT_FALSE(gone.saved);
    EXPECT_EQ(gone.style, MsgStyle::Critical);
    EXPECT_TRUE(gone.text.contains(kStudy));
    EXPECT_EQ(count(QStringLiteral("EFCONTROLNS")), 0);
}

}  // namespace
}  // namespace klv::test
