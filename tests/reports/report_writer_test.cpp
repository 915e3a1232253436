#include "report_writer.h"

#include "cp1252.h"
#include "test_env.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace klv;

namespace {

QStringList fileLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {QStringLiteral("<missing>")};
    QStringList lines = cp1252::decode(f.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return lines;
}

}  // namespace

TEST(ReportWriter, RunningLinesBreakPagesByWidth) {
    // With Ancho 82 the 85th line is followed by the break; 83 with 104; 64 with 150.
    for (const auto& [ancho, limit] : {std::pair{82, 85}, std::pair{104, 83}, std::pair{149, 83}, std::pair{150, 64}}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("r.PRN"));
        ReportWriter w(path, 2);
        w.state().Ancho = ancho;
        for (int i = 0; i < limit + 1; ++i) w.udp_ImpLinea(QString());
        w.commit();
        const QStringList lines = fileLines(path);
        ASSERT_EQ(lines.size(), limit + 2) << ancho;
        EXPECT_EQ(lines[0], QStringLiteral("pPos|10|175||False|8|0|"));
        EXPECT_EQ(lines[limit], QStringLiteral("pNuevaHoja")) << ancho;
        EXPECT_EQ(lines[limit + 1], QStringLiteral("pPos|10|%1||False|8|1|").arg(175 * (limit + 1)));
        EXPECT_EQ(w.state().Pagina, 2);
    }
}

TEST(ReportWriter, TagsOnPageOneOnlyAndTheHeaderHookAtBreaks) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.PRN"));
    ReportWriter w(path, 1);
    w.state().Ancho = 82;
    int headers = 0;
    w.pageHeader = [&](ReportWriter& writer) {
        ++headers;
        writer.udp_ImpLineaTag(markup::Tag::Font, markup::kFontCourierNew);  // dropped after page 1
        writer.state().PosYLinea = 0;
        writer.udp_ImpLinea(QStringLiteral("cabecera"));
    };
    w.udp_ImpLineaTag(markup::Tag::Font, markup::kFontCourierNew);
    for (int i = 0; i < 84; ++i) w.udp_ImpLinea(QStringLiteral("l"));
    w.udp_ImpPosTag(markup::Tag::Color, markup::kColorWindow);
    w.commit();
    const QStringList lines = fileLines(path);
    EXPECT_EQ(headers, 1);
    EXPECT_EQ(lines.first(), QStringLiteral("<!font!>Courier New<!/font!>"));
    EXPECT_EQ(lines.filter(QStringLiteral("<!")).size(), 1);
    EXPECT_EQ(lines[85], QStringLiteral("pNuevaHoja"));
    EXPECT_EQ(lines[86], QStringLiteral("pPos|10|175|cabecera|False|8|1|"));
    EXPECT_EQ(w.state().ContLineas, 1);

    // The declaration print's kind (2) writes no header at a break.
    ReportWriter d(dir.filePath(QStringLiteral("d.PRN")), 2);
    d.pageHeader = [&](ReportWriter&) { ++headers; };
    d.state().Ancho = 82;
    for (int i = 0; i < 85; ++i) d.udp_ImpLinea(QStringLiteral("l"));
    EXPECT_EQ(headers, 1);
}

TEST(ReportWriter, PositionedTextsBoxesAndBreaks) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.PRN"));
    ReportWriter w(path, 2);
    w.udp_ImpPos(380, 350, QStringLiteral("MERVA"), -1, 16, 0);
    w.udp_ImpPos(360, 750, QStringLiteral("DECLARACION"), 1, 8, 0);
    w.udp_ImpPos(300, 900, QStringLiteral("pNuevaHoja"), 0, 8, 0);
    w.udp_ImpCuadro(150, 300, 1700, 1640, 0);
    w.udp_NuevaHoja();
    w.commit();
    EXPECT_EQ(fileLines(path), (QStringList{QStringLiteral("pPos|380|350|MERVA|True|16|0|"),
                                           QStringLiteral("pPos|360|750|DECLARACION|False|8|0|"),
                                           QStringLiteral("pPos|300|900|pNuevaHoja|False|8|0|"),
                                           QStringLiteral("pCuadro|150|300|1700|1640|0|"),
                                           QStringLiteral("pNuevaHoja")}));
}

TEST(ReportWriter, RightAlignment) {
    EXPECT_EQ(udf_AlinearDerecha(QStringLiteral("12.50"), 18), QString(13, QLatin1Char(' ')) + QStringLiteral("12.50"));
    EXPECT_EQ(udf_AlinearDerecha(QStringLiteral("123456789"), 5), QStringLiteral("123456789"));
    EXPECT_EQ(udf_AlinearDerecha(QStringLiteral("x"), 200).size(), 81) << "at most 80 blanks";
}

TEST(ReportWriter, ShortNameOfADocumentTypeAndFailureMessages) {
    test::Environment env;
    EXPECT_EQ(udf_DesTipDoc(env.ctx(), QStringLiteral("6")), QStringLiteral("RUC"));
    EXPECT_EQ(udf_DesTipDoc(env.ctx(), QStringLiteral("4")), QStringLiteral("CARNET EXT."));
    EXPECT_EQ(udf_DesTipDoc(env.ctx(), QStringLiteral("6' OR '1'='1")), QString());

    using M = std::pair<QString, int>;
    EXPECT_EQ(reportFailureMessage(20545, {}), (M{QStringLiteral("La Impresión ha sido Cancelada."), 16}));
    EXPECT_EQ(reportFailureMessage(482, {}), (M{QStringLiteral("No existe una impresora seleccionada.Verifique."), 16}));
    EXPECT_EQ(reportFailureMessage(380, {}), (M{QStringLiteral("No Existe Información a Imprimir.Verifique."), 16}));
    EXPECT_EQ(reportFailureMessage(55, {}).first, QString());
    EXPECT_EQ(reportFailureMessage(53, QStringLiteral("x")), (M{QStringLiteral("Error Técnico : (53) x"), 0}));

    // A kind without a body writes nothing.
    ReportRequest request;
    request.tipoReporte = 7;
    request.archivo = QStringLiteral("00000001.PRN");
    EXPECT_FALSE(udp_ImprimirReporte(env.ctx(), request, QString()).ok);
    EXPECT_TRUE(env.messages().empty());
    EXPECT_FALSE(QFile::exists(env.ctx().gRptPath + QStringLiteral("/00000001.PRN")));
}
