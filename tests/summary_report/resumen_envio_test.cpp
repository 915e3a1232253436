#include "resumen_envio.h"

#include "conversor_texto.h"
#include "db_rows.h"
#include "ini_file.h"
#include "summary_files.h"
#include "test_env.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace klv;
using namespace klv::resumen;
using klv::test::crLfLines;
using klv::test::insertRow;

namespace {

const QString kRuc = QStringLiteral("20601234565");

QString p15(const QString& s) { return s.leftJustified(15, QLatin1Char(' ')); }

// The markup lines of a summary (header, then the body texts in file order).
QStringList marcado(const QString& documento, const QString& nombre, const QString& periodo, const QString& nro,
                    const QStringList& cifras) {
    auto pos = [](int x, int y, const QString& t, const char* bold) {
        return QStringLiteral("pPos|%1|%2|%3|%4|10|0|").arg(x).arg(y).arg(t, QString::fromLatin1(bold));
    };
    return {QStringLiteral("<!font!>Courier New<!/font!>"),
            QStringLiteral("<!nHojas!>1<!/nHojas!>"),
            QStringLiteral("<!Orientacion!>V<!/Orientacion!>"),
            QStringLiteral("<!Color!>&H80000005&<!/Color!>"),
            pos(300, 350, QStringLiteral("08/12/2026"), "True"),
            pos(300, 600, QStringLiteral("10:00:00"), "True"),
            pos(4000, 850, QStringLiteral("RESUMEN DE ENVÍO - FORMULARIO  8027"), "True"),
            pos(300, 1500, QStringLiteral("DOCUMENTO       : ") + documento, "False"),
            pos(300, 1750, QStringLiteral("RAZON SOCIAL    : ") + nombre, "False"),
            pos(300, 2000, QStringLiteral("FORMULARIO      : 8027-KLV PRECIOS DE TRANSFERENCIA  "), "False"),
            pos(300, 2250, QStringLiteral("PERIODO         : ") + periodo, "False"),
            pos(300, 3000, QStringLiteral("NUM. TRANSACS.  : "), "False"),
            pos(2000, 3000, p15(cifras[0]), "False"),
            pos(300, 4000, QStringLiteral("SIN ESTUDIO TECNICO  "), "TRUE"),
            pos(300, 4500, QStringLiteral("MONTO DE TRANSACCIONES  : "), "False"),
            pos(3500, 4500, p15(cifras[1]), "False"),
            pos(300, 5000, QStringLiteral("METODOS TRADICIONALES  "), "TRUE"),
            pos(300, 5500, QStringLiteral("MONTO SIN AJUSTAR       : "), "False"),
            pos(3500, 5500, p15(cifras[2]), "False"),
            pos(300, 6000, QStringLiteral("MONTO AJUSTADO          : "), "False"),
            pos(3500, 6000, p15(cifras[3]), "False"),
            pos(300, 6500, QStringLiteral("OTROS METODOS  "), "TRUE"),
            pos(300, 7000, QStringLiteral("MONTO DE TRANSACCIONES  : "), "False"),
            pos(3500, 7000, p15(cifras[4]), "False"),
            pos(300, 7500, QStringLiteral("AJUSTE POSITIVO         : "), "False"),
            pos(3500, 7500, p15(cifras[5]), "False"),
            pos(300, 8000, QStringLiteral("AJUSTE NEGATIVO         : "), "False"),
            pos(3500, 8000, p15(cifras[6]), "False"),
            pos(300, 9000, QStringLiteral("NC ") + nro + QStringLiteral("  Fec.Generación: 08/12/2026"), "False")};
}

// The twin's lines as written (an empty line is one blank).
QStringList gemelo(const QString& documento, const QString& nombre, const QString& periodo, const QString& nro,
                   const QStringList& cifras) {
    const QString b = QStringLiteral(" ");
    return {QStringLiteral("DOCUMENTO      : ") + documento,
            QStringLiteral("RAZON SOCIAL   : ") + nombre,
            QStringLiteral("FORMULARIO     : 8027-KLV PRECIOS DE TRANSFERENCIA"),
            QStringLiteral("PERIODO        : ") + periodo,
            b, b,
            QStringLiteral("NUM. TRANSACS  : ") + p15(cifras[0]),
            b, b,
            QStringLiteral("SIN ESTUDIO TECNICO  "),
            b,
            QStringLiteral("MONTO DE TRANSACCIONES  : ") + p15(cifras[1]),
            b, b,
            QStringLiteral("METODOS TRADICIONALES  "),
            b,
            QStringLiteral("MONTO SIN AJUSTAR       : ") + p15(cifras[2]),
            QStringLiteral("MONTO AJUSTADO          : ") + p15(cifras[3]),
            b, b,
            QStringLiteral("OTROS METODOS  "),
            QStringLiteral("MONTO DE TRANSACCIONES  : ") + p15(cifras[4]),
            QStringLiteral("AJUSTE POSITIVO         : ") + p15(cifras[5]),
            QStringLiteral("AJUSTE NEGATIVO         : ") + p15(cifras[6]),
            b,
            QStringLiteral("NC ") + nro + QStringLiteral("  Fec.Generación: 08/12/2026")};
}

class ResumenTest : public ::testing::Test {
protected:
    ResumenTest() {
        ctx.mensajes = &messages;
        ctx.reloj = &env.clock();
    }
    void SetUp() override { ASSERT_TRUE(udp_LeerConfig(ctx.config, ctx.db, messages)); }

    void cab(int tipo, const QString& doc, const QString& periodo) {
        insertRow(env.db(), QStringLiteral("CAB"),
                  {{QStringLiteral("TIP_DOC_D"), tipo}, {QStringLiteral("DOC_ID_D"), doc},
                   {QStringLiteral("PERIODO"), periodo}, {QStringLiteral("FORMULARIO"), QStringLiteral("8027")},
                   {QStringLiteral("cNumero"), QStringLiteral("123456")}});
    }
    void transaccion(int cor, const char* metodo, const char* fin, QVariantMap montos,
                     const QString& formulario = QStringLiteral("8027")) {
        montos.insert(QStringLiteral("TIP_DOC_D"), 6);
        montos.insert(QStringLiteral("DOC_ID_D"), kRuc);
        montos.insert(QStringLiteral("PERIODO"), QStringLiteral("2007"));
        montos.insert(QStringLiteral("FORMULARIO"), formulario);
        montos.insert(QStringLiteral("TIP_DOC_P"), 6);
        montos.insert(QStringLiteral("DOC_ID_P"), QStringLiteral("20100000001"));
        montos.insert(QStringLiteral("COR_TRANSACCION"), cor);
        montos.insert(QStringLiteral("FLAG_VAL_MET"), QString::fromLatin1(metodo));
        montos.insert(QStringLiteral("IND_TRANSAC_FIN"), QString::fromLatin1(fin));
        montos.insert(QStringLiteral("CNUMERO"), QStringLiteral("666666"));
        insertRow(env.db(), QStringLiteral("TRANSACCION2"), montos);
    }
    // Every method, financial and not, with empty and NULL method-01 amounts, and a row of
    // another form code.
    void declaracionCompleta() {
        cab(6, kRuc, QStringLiteral("2007"));
        transaccion(1, "00", "0", {{QStringLiteral("MTO_SIN_TRAN_MON_REG"), QStringLiteral("1500000")}});
        transaccion(2, "00", "1", {{QStringLiteral("MTO_SIN_INTS_MON_REG"), QStringLiteral("250.5")}});
        transaccion(3, "01", "0",
                    {{QStringLiteral("MTO_SIN_AJU_PCNC"), QStringLiteral("100")}, {QStringLiteral("MTO_SIN_AJU_PR"), QString(QLatin1String(""))},
                     {QStringLiteral("MTO_AJU_PCNC"), QStringLiteral("110")}, {QStringLiteral("MTO_AJU_PR"), QStringLiteral("20")},
                     {QStringLiteral("MTO_AJU_CI"), QString(QLatin1String(""))}});
        transaccion(4, "01", "1",
                    {{QStringLiteral("MTO_INTS_SIN_AJU_PCNC"), QStringLiteral("1000")},
                     {QStringLiteral("MTO_INTS_AJU_PCNC"), QStringLiteral("1200")}});
        transaccion(5, "02", "0",
                    {{QStringLiteral("MTO_TRA_MON_REG"), QStringLiteral("2000000")},
                     {QStringLiteral("MTO_AJU_RES_POS_REG"), QStringLiteral("300")},
                     {QStringLiteral("MTO_AJU_RES_NEG_REG"), QStringLiteral("45.25")}});
        transaccion(6, "02", "1",
                    {{QStringLiteral("MTO_TOT_INTS_MON_REG"), QStringLiteral("1000000")},
                     {QStringLiteral("MTO_TOT_AJU_RES_POS_REG"), QStringLiteral("700")},
                     {QStringLiteral("MTO_TOT_AJU_RES_NEG_REG"), QString(QLatin1String(""))}});
        transaccion(1, "00", "0", {{QStringLiteral("MTO_SIN_TRAN_MON_REG"), QStringLiteral("1000")}}, QStringLiteral("9999"));
    }
    std::optional<QString> generar(const QString& linea) {
        return udf_GeneraResumenEnvio(ctx, conversor, cortarLinea(linea));
    }
    QString rpt(const QString& name) const { return ctx.config.rptPath + name; }
    QStringList rptFiles() const { return QDir(ctx.config.rptPath).entryList(QDir::Files, QDir::Name); }
    int spoolRows() { return env.db().scalar(QStringLiteral("SELECT count(*) FROM SPOOL")).toInt(); }

    test::Environment env;
    RecordingMessageService messages;
    ContextoResumen ctx;
    ConversorTexto conversor{messages, env.sysPath() + QStringLiteral("RPT/")};
};

}  // namespace

TEST_F(ResumenTest, WritesTheMarkupAndTheTwinOfADeclarationWithEveryMethod) {
    declaracionCompleta();
    const auto base = generar(QStringLiteral("0620601234565    8027200700A0000012"));
    ASSERT_TRUE(base.has_value()) << (messages.empty() ? "" : messages.last().text.toStdString());
    EXPECT_EQ(*base, QStringLiteral("8027200700A0000012"));
    EXPECT_TRUE(messages.empty());

    const QStringList cifras{QStringLiteral("6"),         QStringLiteral("1,501,250.50"), QStringLiteral("1,100.00"),
                             QStringLiteral("1,330.00"),  QStringLiteral("3,000,000.00"), QStringLiteral("1,000.00"),
                             QStringLiteral("45.25")};
    const QString doc = QStringLiteral("RUC  20601234565");
    const QString nombre = QStringLiteral("EMPRESA DEMOSTRACION S.A.C.");
    EXPECT_EQ(rptFiles(), (QStringList{QStringLiteral("00000001.PRN"), QStringLiteral("8027200700A0000012.PRN")}));
    EXPECT_EQ(crLfLines(rpt(QStringLiteral("00000001.PRN"))),
              marcado(doc, nombre, QStringLiteral("2007"), QStringLiteral("0000012"), cifras));
    EXPECT_EQ(crLfLines(rpt(QStringLiteral("8027200700A0000012.PRN"))),
              gemelo(doc, nombre, QStringLiteral("2007"), QStringLiteral("0000012"), cifras));

    // The CAB query, traced once per pass, with its values in place.
    const QString consulta = QStringLiteral("SELECT * FROM CAB WHERE Tip_doc_d= 6 AND Doc_id_d='20601234565'  AND "
                                            "PERIODO='2007' AND Formulario='8027'");
    EXPECT_EQ(crLfLines(ctx.config.traza()), (QStringList{consulta, consulta}));

    // A second run replaces the twin and writes a new markup file; the trace grows.
    ASSERT_TRUE(generar(QStringLiteral("0620601234565    8027200700A0000012")).has_value());
    EXPECT_EQ(rptFiles().size(), 3);
    EXPECT_EQ(crLfLines(ctx.config.traza()).size(), 4);
}

TEST_F(ResumenTest, ATagInTheTaxpayersNameStaysTextInTheConvertedSummary) {
    cab(6, kRuc, QStringLiteral("2007"));
    const QString nombre = QStringLiteral("ACME <!np!> SAC <!bold!>");
    env.db().exec(QStringLiteral("UPDATE CONT SET Nombre = ? WHERE Doc_id_d = ?"), {nombre, kRuc});
    ASSERT_TRUE(generar(QStringLiteral("0620601234565    8027200700A0000012")).has_value());
    ASSERT_TRUE(conversor.udf_ImprimirArchivo(QStringLiteral("8027200700A0000012.PRN")));
    const QStringList texto = crLfLines(rpt(QStringLiteral("8027200700A0000012.txt")));
    EXPECT_EQ(texto, crLfLines(rpt(QStringLiteral("8027200700A0000012.PRN"))));
    EXPECT_EQ(texto.value(1), QStringLiteral("RAZON SOCIAL   : ") + nombre);
    EXPECT_FALSE(conversor.nuevaHojaPendiente());
    EXPECT_FALSE(conversor.fuente().negrita);
}

TEST_F(ResumenTest, ADeclarationWithoutTransactionsOrReferenceRows) {
    // Type 1 has a PARAM 044 row (DNI) and this document no CONT row; type 9 has neither.
    cab(1, QStringLiteral("41234567"), QStringLiteral("2007"));
    cab(9, QStringLiteral("X1"), QStringLiteral("2007"));
    const QStringList ceros{QStringLiteral("0"),    QStringLiteral("0.00"), QStringLiteral("0.00"), QStringLiteral("0.00"),
                            QStringLiteral("0.00"), QStringLiteral("0.00"), QStringLiteral("0.00")};
    ASSERT_TRUE(generar(QStringLiteral("0141234567       8027200700A0000001")).has_value());
    EXPECT_EQ(crLfLines(rpt(QStringLiteral("8027200700A0000001.PRN"))),
              gemelo(QStringLiteral("DNI  41234567"), QString(), QStringLiteral("2007"), QStringLiteral("0000001"), ceros));
    ASSERT_TRUE(generar(QStringLiteral("09X1             8027200700A0000002")).has_value());
    EXPECT_EQ(crLfLines(rpt(QStringLiteral("8027200700A0000002.PRN"))).first(), QStringLiteral("DOCUMENTO      : RUC  X1"));
}

TEST_F(ResumenTest, WithoutACabRowNothingIsRegisteredAndEarlierFilesGo) {
    const QString base = QStringLiteral("8027200712A0000003");
    for (const QString& f : {rpt(base + QStringLiteral(".PRN")), rpt(base + QStringLiteral(".txt")),
                             ctx.config.tmpPath + base + QStringLiteral(".TXT")})
        test::writeBytes(f, "resumen anterior\r\n");
    EXPECT_FALSE(generar(QStringLiteral("0620601234565    ") + base).has_value());
    EXPECT_EQ(spoolRows(), 0);
    EXPECT_TRUE(rptFiles().isEmpty());
    EXPECT_FALSE(QFile::exists(ctx.config.tmpPath + base + QStringLiteral(".TXT")));
    ASSERT_EQ(messages.calls().size(), 1u);
    EXPECT_EQ(messages.last().text, QStringLiteral("No existe la declaración grabada del documento 20601234565, "
                                                   "formulario 8027, periodo 12/2007.\nNo se generó el resumen de envío."));
    EXPECT_EQ(messages.last().style, MsgStyle::Critical);
    EXPECT_EQ(messages.last().title, QStringLiteral("Presentación Telemática"));
    // One pass ran: a monthly period is queried whole.
    EXPECT_EQ(crLfLines(ctx.config.traza()),
              QStringList{QStringLiteral("SELECT * FROM CAB WHERE Tip_doc_d= 6 AND Doc_id_d='20601234565'  AND "
                                         "PERIODO='200712' AND Formulario='8027'")});
}

TEST_F(ResumenTest, MonthlyPeriodsShowMonthSlashYear) {
    const QStringList lineas = lineasGemelo(cortarLinea(QStringLiteral("0620601234565    8027200712A00000123")), {},
                                            env.clock().now());
    EXPECT_EQ(lineas[3], QStringLiteral("PERIODO        : 12/2007"));
    EXPECT_EQ(lineas[25], QStringLiteral("NC 00000123  Fec.Generación: 08/12/2026"));
}

TEST_F(ResumenTest, TheSpoolRowContinuesTheSharedNumbering) {
    cab(6, kRuc, QStringLiteral("2007"));
    for (const auto& [cod, sec, arc] : {std::tuple{"PTR002", "000003", "00000007.PRN"},
                                        std::tuple{"PTR001", "000004", "00000002.PRN"}})
        insertRow(env.db(), QStringLiteral("SPOOL"),
                  {{QStringLiteral("CodRep"), QString::fromLatin1(cod)},
                   {QStringLiteral("Secuencia"), QString::fromLatin1(sec)},
                   {QStringLiteral("Archivo"), QString::fromLatin1(arc)}});
    // The user comes from the copy of QM000.INI in SysPath, blanks kept.
    ASSERT_TRUE(ini::writeString(QStringLiteral("Options"), QStringLiteral("SysUser"), QStringLiteral(" ana "),
                                 env.sysPath() + QStringLiteral("QM000.INI")));
    ASSERT_TRUE(udp_LeerConfig(ctx.config, ctx.db, messages));
    ASSERT_TRUE(generar(QStringLiteral("0620601234565    8027200700A0000012")).has_value());
    const auto row = env.db().rows(QStringLiteral("SELECT Secuencia, Archivo, Fecha, Usuario, TIP_DOC_D, DOC_ID_D "
                                                  "FROM SPOOL WHERE CodRep = 'PTR001' ORDER BY Secuencia DESC"));
    ASSERT_EQ(row.size(), 2u);
    EXPECT_EQ(row[0].value(0).toString(), QStringLiteral("000005"));
    EXPECT_EQ(row[0].value(1).toString(), QStringLiteral("00000008.PRN"));
    EXPECT_EQ(row[0].value(2).toString(), QStringLiteral("2026-12-08 10:00:00"));
    EXPECT_EQ(row[0].value(3).toString(), QStringLiteral(" ana "));
    EXPECT_EQ(row[0].value(4).toInt(), 6);
    EXPECT_EQ(row[0].value(5).toString(), kRuc);
    EXPECT_TRUE(QFile::exists(rpt(QStringLiteral("00000008.PRN"))));
}

TEST_F(ResumenTest, AnAmountThatIsNotANumberStopsBeforeAnythingIsRegistered) {
    cab(6, kRuc, QStringLiteral("2007"));
    transaccion(1, "02", "0", {{QStringLiteral("MTO_TRA_MON_REG"), QStringLiteral("12A")}});
    EXPECT_FALSE(generar(QStringLiteral("0620601234565    8027200700A0000012")).has_value());
    EXPECT_EQ(spoolRows(), 0);
    EXPECT_TRUE(rptFiles().isEmpty());
    ASSERT_EQ(messages.calls().size(), 1u);
    EXPECT_TRUE(messages.last().text.startsWith(QStringLiteral("Error Técnico : ( "))) << messages.last().text.toStdString();
    EXPECT_EQ(messages.last().title, QStringLiteral("Presentación Telemática"));
}

TEST(ResumenTexts, RightPaddingAddsAtMostEightyBlanksAndNeverCuts) {
    EXPECT_EQ(udf_RellenaDerecha(QStringLiteral("1,234.50"), 15), QStringLiteral("1,234.50       "));
    EXPECT_EQ(udf_RellenaDerecha(QStringLiteral("123,456,789,012.00"), 15), QStringLiteral("123,456,789,012.00"));
    EXPECT_EQ(udf_RellenaDerecha(QString(), 100).size(), 80);
}
