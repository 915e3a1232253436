#include "cp1252.h"
#include "utilitarios.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using klv::Utilitarios;

namespace {
int code(QChar c) { return klv::cp1252::charCode(c); }
}  // namespace

TEST(UtilitariosRuc, CheckDigitFollowsModulus11) {
    Utilitarios u;
    EXPECT_TRUE(u.ValidaRuc(QStringLiteral("20601234565")));
    EXPECT_TRUE(u.ValidaRuc(QStringLiteral("10412345679")));
    EXPECT_TRUE(u.ValidaRuc(QStringLiteral("20000000001")));
    // 11 - sum mod 11 = 10 gives the digit 0; = 11 gives 1.
    EXPECT_TRUE(u.ValidaRuc(QStringLiteral("10000000740")));
    EXPECT_FALSE(u.ValidaRuc(QStringLiteral("10000000741")));
    EXPECT_TRUE(u.ValidaRuc(QStringLiteral("17000000001")));
    EXPECT_TRUE(u.ValidaRuc(QStringLiteral("10000005181")));
    EXPECT_FALSE(u.ValidaRuc(QStringLiteral("10000005180")));
    // Every wrong last digit fails.
    for (int d = 0; d <= 9; ++d) {
        if (d != 5) {
            EXPECT_FALSE(u.ValidaRuc(QStringLiteral("2060123456") + QString::number(d))) << d;
        }
    }
}

TEST(UtilitariosRuc, ShapeAndPrefixAreRequired) {
    Utilitarios u;
    // Prefix 30 fails even with a matching check digit.
    EXPECT_FALSE(u.ValidaRuc(QStringLiteral("30000000007")));
    EXPECT_TRUE(u.ValidaRuc(QStringLiteral("15000001110")));
    EXPECT_FALSE(u.ValidaRuc(QString()));
    EXPECT_FALSE(u.ValidaRuc(QStringLiteral("2060123456")));
    EXPECT_FALSE(u.ValidaRuc(QStringLiteral("206012345650")));
    EXPECT_FALSE(u.ValidaRuc(QStringLiteral(" 20601234565")));
    EXPECT_FALSE(u.ValidaRuc(QStringLiteral("2060123456A")));
    EXPECT_FALSE(u.ValidaRuc(QStringLiteral("206O1234565")));
    // Non-ASCII digits are not digits of a RUC.
    EXPECT_FALSE(u.ValidaRuc(QStringLiteral("2060123456") + QChar(0x0665)));
}

TEST(UtilitariosDocumentos, NumericAndAlphanumericKinds) {
    Utilitarios u;
    EXPECT_TRUE(u.ValidaDocConTipo(QStringLiteral("41234567")));
    EXPECT_TRUE(u.ValidaDocConTipo(QStringLiteral(" 41234567 ")));
    EXPECT_FALSE(u.ValidaDocConTipo(QStringLiteral("4123456A")));
    EXPECT_FALSE(u.ValidaDocConTipo(QStringLiteral("   ")));
    EXPECT_FALSE(u.ValidaDocConTipo(QStringLiteral("4123 4567")));
    EXPECT_TRUE(u.ValidaDocSinTipo(QStringLiteral("AB-123456")));
    EXPECT_FALSE(u.ValidaDocSinTipo(QString()));
    EXPECT_FALSE(u.ValidaDocSinTipo(QStringLiteral("AB 123")));
    EXPECT_FALSE(u.ValidaDocSinTipo(QStringLiteral("AB|123")));
    EXPECT_FALSE(u.ValidaDocSinTipo(QStringLiteral("AB\b123")));
}

TEST(UtilitariosFecha, ValidDatesWithinInclusiveBounds) {
    Utilitarios u;
    const QString lo = QStringLiteral("01/01/1800"), hi = QStringLiteral("01/01/2500");
    EXPECT_TRUE(u.ValidaFecha(QStringLiteral("29/02/2024"), lo, hi));
    EXPECT_FALSE(u.ValidaFecha(QStringLiteral("29/02/2023"), lo, hi));
    EXPECT_FALSE(u.ValidaFecha(QStringLiteral("31/04/2020"), lo, hi));
    EXPECT_TRUE(u.ValidaFecha(QStringLiteral("5/3/1990"), lo, hi));
    EXPECT_TRUE(u.ValidaFecha(QStringLiteral("01/01/1800"), lo, hi));
    EXPECT_TRUE(u.ValidaFecha(QStringLiteral("01/01/2500"), lo, hi));
    EXPECT_FALSE(u.ValidaFecha(QStringLiteral("31/12/1799"), lo, hi));
    EXPECT_FALSE(u.ValidaFecha(QStringLiteral("02/01/2500"), lo, hi));
    EXPECT_FALSE(u.ValidaFecha(QStringLiteral("1990-03-05"), lo, hi));
    EXPECT_FALSE(u.ValidaFecha(QStringLiteral("__/__/____"), lo, hi));
    EXPECT_FALSE(u.ValidaFecha(QString(), lo, hi));
    EXPECT_FALSE(u.ValidaFecha(QStringLiteral("05/03/90"), lo, hi));
    EXPECT_FALSE(u.ValidaFecha(QStringLiteral("05/03/1990"), QStringLiteral("x"), hi));
}

TEST(UtilitariosRelleno, FillOnTheRightAndNeverCut) {
    Utilitarios u;
    EXPECT_EQ(u.RellenaTexto(QStringLiteral("9589"), 12), QStringLiteral("9589        "));
    EXPECT_EQ(u.RellenaTexto(QString(), 3), QStringLiteral("   "));
    EXPECT_EQ(u.RellenaTexto(QStringLiteral("ABCDEF"), 4), QStringLiteral("ABCDEF"));
    EXPECT_EQ(u.RellenaTexto(QStringLiteral("AB"), 0), QStringLiteral("AB"));
    EXPECT_EQ(u.RellenaCampo(QStringLiteral("6"), 4, QStringLiteral(" ")), QStringLiteral("6   "));
    EXPECT_EQ(u.RellenaCampo(QStringLiteral("6"), 4, QStringLiteral("*#")), QStringLiteral("6***"));
    EXPECT_EQ(u.RellenaCampo(QStringLiteral("6"), 3, QString()), QStringLiteral("6  "));
    // The record key of an import line is longer than 16 and keeps the whole RUC.
    const QString key = QStringLiteral("6      20601234565  ");
    EXPECT_EQ(u.FormateaCampo(key, 16, QStringLiteral(" ")), key);
    EXPECT_EQ(u.FormateaCampo(QStringLiteral("1   "), 16, QStringLiteral(" ")).size(), 16);
}

TEST(UtilitariosCaracteres, DigitsAndDecimalPoint) {
    Utilitarios u;
    for (char c = '0'; c <= '9'; ++c) EXPECT_TRUE(u.EsDigito(c, false, false, false));
    EXPECT_FALSE(u.EsDigito('.', false, false, false));
    EXPECT_TRUE(u.EsDigito('.', true, false, false));
    EXPECT_FALSE(u.EsDigito(':', true, false, false));
    EXPECT_FALSE(u.EsDigito('-', false, false, false));
    EXPECT_FALSE(u.EsDigito(',', true, false, false));
    EXPECT_TRUE(u.EsDigito(8, false, false, false));
}

TEST(UtilitariosCaracteres, DocumentNameAndFreeTextSets) {
    Utilitarios u;
    EXPECT_TRUE(u.EsCaracterDocumento('A', false, false));
    EXPECT_TRUE(u.EsCaracterDocumento('z', false, false));
    EXPECT_TRUE(u.EsCaracterDocumento('7', false, false));
    EXPECT_TRUE(u.EsCaracterDocumento('-', false, false));
    EXPECT_FALSE(u.EsCaracterDocumento(' ', false, false));
    EXPECT_FALSE(u.EsCaracterDocumento(code(QChar(0xD1)), false, false));  // Ñ

    EXPECT_TRUE(u.EsLetraNombre(code(QChar(0xD1)), true));  // Ñ
    EXPECT_TRUE(u.EsLetraNombre(code(QChar(0xF1)), true));  // ñ
    EXPECT_TRUE(u.EsLetraNombre(code(QChar(0xC1)), true));  // Á
    EXPECT_TRUE(u.EsLetraNombre(code(QChar(0xDC)), true));  // Ü
    EXPECT_TRUE(u.EsLetraNombre(' ', true));
    EXPECT_TRUE(u.EsLetraNombre('\'', true));
    EXPECT_TRUE(u.EsLetraNombre('7', true));
    EXPECT_TRUE(u.EsLetraNombre('&', true));
    EXPECT_FALSE(u.EsLetraNombre('7', false));
    EXPECT_FALSE(u.EsLetraNombre('&', false));
    EXPECT_FALSE(u.EsLetraNombre(',', true));
    EXPECT_FALSE(u.EsLetraNombre('|', true));
    EXPECT_FALSE(u.EsLetraNombre('@', true));
    EXPECT_FALSE(u.EsLetraNombre(code(QChar(0x20AC)), true));  // €

    EXPECT_TRUE(u.EsCaracterValido(' ', true, false));
    EXPECT_TRUE(u.EsCaracterValido(',', true, false));
    EXPECT_TRUE(u.EsCaracterValido(code(QChar(0xE9)), true, false));  // é
    EXPECT_FALSE(u.EsCaracterValido('|', true, false));
    EXPECT_FALSE(u.EsCaracterValido(9, true, false));
    EXPECT_FALSE(u.EsCaracterValido(127, true, false));
}

TEST(UtilitariosVarios, FileExistenceAndGate) {
    Utilitarios u;
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/00000001.PRN");
    EXPECT_FALSE(u.ExisteArchivo(file));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_TRUE(u.ExisteArchivo(file));
    EXPECT_FALSE(u.ExisteArchivo(dir.path()));
    EXPECT_FALSE(u.ExisteArchivo(QString()));

    qunsetenv("KLV_GATE");
    EXPECT_TRUE(u.udf_Habilitado());
    qputenv("KLV_GATE", "0");
    EXPECT_FALSE(u.udf_Habilitado());
    qputenv("KLV_GATE", "1");
    EXPECT_TRUE(u.udf_Habilitado());
    qunsetenv("KLV_GATE");
}
