#include "conversor_texto.h"

#include "recording_message_service.h"
#include "summary_files.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace klv;
using namespace klv::resumen;
using klv::test::crLfLines;
using klv::test::writeBytes;

namespace {

class ConversorTest : public ::testing::Test {
protected:
    QString rpt() const { return dir.path() + QLatin1Char('/'); }
    // Lays RPT/name with the lines (CR LF) and converts it; the lines of the text written.
    QStringList convertir(const QString& nombre, const QStringList& lineas, const QString& salida) {
        writeBytes(rpt() + nombre, cp1252::encode(lineas.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
        EXPECT_TRUE(conversor.udf_ImprimirArchivo(nombre, QStringLiteral("ARCHIVO")));
        return crLfLines(rpt() + salida);
    }
    QTemporaryDir dir;
    RecordingMessageService messages;
    ConversorTexto conversor{messages, rpt()};
};

}  // namespace

TEST_F(ConversorTest, LinesPassUnchangedAndBlankLinesBecomeOneBlank) {
    const QStringList out = convertir(QStringLiteral("8027200700A0000001.PRN"),
                                      {QStringLiteral("RAZON SOCIAL   : EMPRESA ÑANDÚ"), QString(),
                                       QStringLiteral("   "), QStringLiteral("  texto  "), QStringLiteral("\tx")},
                                      QStringLiteral("8027200700A0000001.txt"));
    EXPECT_EQ(out, (QStringList{QStringLiteral("RAZON SOCIAL   : EMPRESA ÑANDÚ"), QStringLiteral(" "),
                                QStringLiteral(" "), QStringLiteral("  texto  "), QStringLiteral("\tx")}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(ConversorTest, TagLinesSetTheFontAndWriteNothing) {
    const QStringList out = convertir(
        QStringLiteral("t.PRN"),
        {QStringLiteral("<!font!>Times<!/font!>"), QStringLiteral("<!fontsize!>10.5<!/fontsize!> resto"),
         // Blanks of any kind before the tag, as the markup reader trims them: a carriage return
         // that does not end a line, a tab.
         QStringLiteral("\r<!font!>Arial<!/font!>"), QStringLiteral(" \t<!bold!>"),
         QStringLiteral("<!bold!>"), QStringLiteral("<!underline!>"), QStringLiteral("<!italic!>"),
         QStringLiteral("<!/italic!> texto tras la etiqueta <!np!>"), QStringLiteral("<!BOLD!>"),
         QStringLiteral("<!>"), QStringLiteral("uno")},
        QStringLiteral("t.txt"));
    EXPECT_EQ(out, QStringList{QStringLiteral("uno")});
    const EstadoFuente& f = conversor.fuente();
    EXPECT_EQ(f.nombre, QStringLiteral("Arial"));
    EXPECT_EQ(f.tamano, 10);  // halves to even
    EXPECT_TRUE(f.negrita);
    EXPECT_TRUE(f.subrayado);
    EXPECT_FALSE(f.cursiva);
    EXPECT_FALSE(conversor.nuevaHojaPendiente()) << "only the first tag of a line counts";

    // Each conversion starts from the default font.
    convertir(QStringLiteral("b.PRN"), {QStringLiteral("<!fontsize!>x<!/fontsize!>")}, QStringLiteral("b.txt"));
    EXPECT_EQ(conversor.fuente().nombre, QStringLiteral("Courier New"));
    EXPECT_FALSE(conversor.fuente().negrita);
    EXPECT_EQ(conversor.fuente().tamano, 0);
}

TEST_F(ConversorTest, TheTextIsNamedByWhatPrecedesTheFirstDot) {
    const struct {
        const char* entrada;
        const char* salida;
    } casos[] = {{"a.b.PRN", "a.txt"}, {"8027200700A0000001", "8027200700A0000001.txt"}};
    for (const auto& c : casos)
        EXPECT_EQ(convertir(QLatin1String(c.entrada), {QStringLiteral("uno")}, QLatin1String(c.salida)),
                  QStringList{QStringLiteral("uno")})
            << c.entrada;
}

TEST_F(ConversorTest, NewPagePutsCharacter15BeforeTheNextLineOnly) {
    EXPECT_EQ(convertir(QStringLiteral("c.PRN"),
                        {QStringLiteral("uno"), QStringLiteral("<!np!>"), QString(), QStringLiteral("dos"),
                         QStringLiteral("<!np!>")},
                        QStringLiteral("c.txt")),
              (QStringList{QStringLiteral("uno"), QString(QChar(15)), QStringLiteral(" "), QStringLiteral("dos")}));
    // The page still pending at the end is applied by the next line written.
    EXPECT_TRUE(conversor.nuevaHojaPendiente());
}

TEST_F(ConversorTest, UnclosedTagsNeitherStopNorLoseTheLine) {
    EXPECT_EQ(convertir(QStringLiteral("d.PRN"),
                        {QStringLiteral("precio <! sin cierre"), QStringLiteral("<!font!>Times New Roman"),
                         QStringLiteral("fin")},
                        QStringLiteral("d.txt")),
              (QStringList{QStringLiteral("precio <! sin cierre"), QStringLiteral("fin")}));
    EXPECT_EQ(conversor.fuente().nombre, QStringLiteral("Times New Roman"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(ConversorTest, AMissingInputAnswersFalseAndLeavesNoText) {
    writeBytes(rpt() + QStringLiteral("e.txt"), "texto de una corrida anterior\r\n");
    EXPECT_FALSE(conversor.udf_ImprimirArchivo(QStringLiteral("e.PRN"), QStringLiteral("ARCHIVO")));
    ASSERT_EQ(messages.calls().size(), 1u);
    EXPECT_EQ(messages.last().text, QStringLiteral("Archivo Físico del Reporte no Existe"));
    EXPECT_EQ(messages.last().style, MsgStyle::Critical);
    EXPECT_EQ(messages.last().title, QStringLiteral("Error al Imprimir"));
    EXPECT_FALSE(QFile::exists(rpt() + QStringLiteral("e.txt")));
}

TEST_F(ConversorTest, AnOutputThatCannotBeWrittenAnswersFalseWithATechnicalError) {
    writeBytes(rpt() + QStringLiteral("f.PRN"), "uno\r\n");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("f.txt")));  // a folder where the text should go
    EXPECT_FALSE(conversor.udf_ImprimirArchivo(QStringLiteral("f.PRN"), QStringLiteral("ARCHIVO")));
    ASSERT_EQ(messages.calls().size(), 1u);
    EXPECT_TRUE(messages.last().text.startsWith(QStringLiteral("Error Técnico : ( 75) "))) << messages.last().text.toStdString();
    EXPECT_EQ(messages.last().style, MsgStyle::Critical);
    EXPECT_EQ(messages.last().title, QStringLiteral("Impresión"));
}
