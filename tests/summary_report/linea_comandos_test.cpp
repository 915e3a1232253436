#include "linea_comandos.h"

#include <gtest/gtest.h>

using namespace klv::resumen;

namespace {
const QString k35 = QStringLiteral("0620601234565    8027200700A0000012");
}

TEST(LineaComandos, CutsThirtyFiveAndThirtySixCharacters) {
    ASSERT_EQ(k35.size(), 35);
    LineaResumen l = cortarLinea(k35);
    EXPECT_EQ(l.tipDocD, QStringLiteral("06"));
    EXPECT_EQ(l.docIdD, QStringLiteral("20601234565    "));
    EXPECT_EQ(l.documento(), QStringLiteral("20601234565"));
    EXPECT_EQ(l.tipo(), 6);
    EXPECT_EQ(l.formulario, QStringLiteral("8027"));
    EXPECT_EQ(l.periodo, QStringLiteral("200700"));
    EXPECT_EQ(l.codEnvio, QStringLiteral("A"));
    EXPECT_EQ(l.nroEnvio, QStringLiteral("0000012"));
    EXPECT_EQ(l.baseNombre(), QStringLiteral("8027200700A0000012"));

    l = cortarLinea(k35 + QLatin1Char('3'));
    EXPECT_EQ(l.nroEnvio, QStringLiteral("00000123"));
    EXPECT_EQ(l.baseNombre(), QStringLiteral("8027200700A00000123"));
}

TEST(LineaComandos, ALineSplitAtTheBlanksIsRebuilt) {
    EXPECT_EQ(unirArgumentos({k35}), k35);
    EXPECT_EQ(unirArgumentos({QStringLiteral("0620601234565"), QStringLiteral("8027200700A0000012")}), k35);
    EXPECT_EQ(unirArgumentos({QStringLiteral("0620601234565"), QStringLiteral("8027200700A00000123")}),
              k35 + QLatin1Char('3'));
    EXPECT_EQ(unirArgumentos({}), QString());
    // Three pieces cannot come from a valid line: joined as they are, they are refused.
    EXPECT_FALSE(validarLinea(unirArgumentos({QStringLiteral("06"), QStringLiteral("206"), k35.mid(17)})).isEmpty());
}

TEST(LineaComandos, AcceptsOnlyLettersAndDigitsInThePiecesThatNameFiles) {
    const struct {
        QString linea;
        const char* motivo;  // a piece of the refusal, "" when accepted
    } casos[] = {
        {k35, ""},
        {k35 + QLatin1Char('9'), ""},
        {QStringLiteral("06  20601234565  8027200712Z0000001"), ""},  // blanks around the document
        {k35.left(34), "35 o 36 caracteres y tiene 34"},
        {k35 + QStringLiteral("12"), "tiene 37"},
        {QString(), "tiene 0"},
        {QStringLiteral("6 ") + k35.mid(2), "tipo de documento"},
        {QStringLiteral("0A") + k35.mid(2), "tipo de documento"},
        {k35.left(2) + QString(15, QLatin1Char(' ')) + k35.mid(17), "número de documento"},
        {QStringLiteral("0620601 34565    ") + k35.mid(17), "número de documento"},
        {QStringLiteral("06../../etc/pass ") + k35.mid(17), "número de documento"},
        {k35.left(17) + QStringLiteral("80/7") + k35.mid(21), "formulario"},
        {k35.left(17) + QStringLiteral("8027") + QStringLiteral("2007 0") + k35.mid(27), "periodo"},
        {k35.left(21) + QStringLiteral("20070A") + k35.mid(27), "periodo"},
        {k35.left(27) + QStringLiteral("/") + k35.mid(28), "código de envío"},
        {k35.left(27) + QStringLiteral(" ") + k35.mid(28), "código de envío"},
        {k35.left(28) + QStringLiteral("     12"), "número de envío"},
        {k35.left(28) + QStringLiteral("../../x"), "número de envío"},
        {k35.left(28) + QStringLiteral("000001\u00d1"), "número de envío"},
    };
    for (const auto& c : casos) {
        const QString motivo = validarLinea(c.linea);
        if (*c.motivo == 0)
            EXPECT_TRUE(motivo.isEmpty()) << c.linea.toStdString() << ": " << motivo.toStdString();
        else
            EXPECT_TRUE(motivo.contains(QString::fromUtf8(c.motivo))) << c.linea.toStdString() << ": " << motivo.toStdString();
    }
}

TEST(LineaComandos, AnnualPeriodsAreTheirYearOthersMonthSlashYear) {
    EXPECT_EQ(periodoConsulta(QStringLiteral("200700")), QStringLiteral("2007"));
    EXPECT_EQ(periodoMostrado(QStringLiteral("200700")), QStringLiteral("2007"));
    EXPECT_EQ(periodoConsulta(QStringLiteral("200712")), QStringLiteral("200712"));
    EXPECT_EQ(periodoMostrado(QStringLiteral("200712")), QStringLiteral("12/2007"));
}
