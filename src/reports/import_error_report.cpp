#include "import_error_report.h"

#include "cp1252.h"
#include "format.h"

#include <QFile>

namespace klv {
namespace {

constexpr int kWidth = 82;
constexpr int kSubTotalEvery = 65;
// Error lines copied between two reports of the share of the error file read.
constexpr long long kLinesStep = 2000;

QString blanks(int n) { return QString(std::max(0, n), QLatin1Char(' ')); }
QString rule() { return blanks(15) + QString(91, QLatin1Char('_')); }

// k = (width - length) / 2 rounded down; k blanks, 5 blanks, the title, k blanks, filled to the width.
QString centered(const QString& titulo, int ancho) {
    const int k = std::max(0, static_cast<int>((ancho - titulo.size()) / 2));
    QString line = blanks(k) + blanks(5) + titulo + blanks(k);
    if (line.size() < ancho) line += blanks(ancho - static_cast<int>(line.size()));
    return line;
}

// The characters from column `col` (1-based) on become `s`; the line never grows.
void putAt(QString& line, int col, const QString& s) {
    const qsizetype from = col - 1;
    if (from < 0 || from >= line.size()) return;
    const qsizetype n = std::min(s.size(), line.size() - from);
    line.replace(from, n, s.left(n));
}

void udp_CabErroresImport(AppContext& ctx, const ReportRequest& request, ReportWriter& w) {
    EstadoImpresion& st = w.state();
    const int kind = w.tipoImportacion();
    st.Ancho = kWidth;
    const QDateTime now = ctx.clock->now();
    st.Fecha = fmt::formatDate(now, QStringLiteral("dd/mm/yyyy"));
    st.Hora = fmt::formatDate(now, QStringLiteral("hh:nn:ss"));
    st.TextoPagina = QStringLiteral("Pag:") + QString::number(st.Pagina);
    st.PosYLinea = 0;
    w.udp_ImpLineaTag(markup::Tag::Font, markup::kFontCourierNew);
    w.udp_ImpLineaTag(markup::Tag::NHojas, QStringLiteral("1"));
    w.udp_ImpLineaTag(markup::Tag::Orientacion, markup::kPortrait);
    w.udp_ImpLineaTag(markup::Tag::Color, markup::kColorWindow);
    st.ContLineas = 1;
    for (int i = 0; i < 3; ++i) w.udp_ImpLinea(QString());

    st.Titulo = QStringLiteral("KLV PRECIOS DE TRANSFERENCIA");
    QString line = centered(st.Titulo, st.Ancho);
    putAt(line, 1, QStringLiteral("MERVA"));
    line = st.Margen + line + blanks(5);
    putAt(line, 101, QStringLiteral("PER001"));
    w.udp_ImpLinea(line);

    st.Titulo = kind == 0   ? QStringLiteral("REPORTE DE ERRORES DE IMPORTACION - INFORMADOS")
                : kind == 1 ? QStringLiteral("REPORTE DE ERRORES DE IMPORTACION - TRANSACCIONES")
                            : QStringLiteral("REPORTE DE ERRORES DE IMPORTACION ");
    line = centered(st.Titulo, st.Ancho);
    putAt(line, 1, st.Fecha);
    line += blanks(4);
    putAt(line, st.Ancho - static_cast<int>(st.TextoPagina.size()) + 9, st.TextoPagina);
    w.udp_ImpLinea(st.Margen + line);

    st.Titulo.clear();
    line = centered(st.Titulo, st.Ancho);
    putAt(line, 1, st.Hora);
    w.udp_ImpLinea(st.Margen + line);
    w.udp_ImpLinea(QString());
    w.udp_ImpLinea(QString());

    line = st.Margen + QStringLiteral("DECLARANTE :  ") + request.docIdD + QStringLiteral("  ") + request.razonSocial;
    if (line.size() < 110) line += blanks(110 - static_cast<int>(line.size()));
    w.udp_ImpLinea(line);
    w.udp_ImpLinea(rule());
    w.udp_ImpLinea(QString());
    if (kind == 0) {
        w.udp_ImpLinea(blanks(20) + QStringLiteral("DETALLE DE ERRORES EN INFORMADOS A IMPORTAR  "));
        w.udp_ImpLinea(QString());
        w.udp_ImpLinea(blanks(20) + QStringLiteral("TIPO NUM. DOCUMENTO    DESCRIPCION DEL ERROR EN INFORMADO"));
    } else if (kind == 1) {
        w.udp_ImpLinea(blanks(20) + QStringLiteral("DETALLE DE ERRORES EN TRANSACCIONES A IMPORTAR  "));
        w.udp_ImpLinea(QString());
        w.udp_ImpLinea(blanks(20) +
                       QStringLiteral("N°   TIP. NUM. DOCUMENTO    DESCRIPCION DEL ERROR EN TRANSACCION  "));
    }
    w.udp_ImpLinea(rule());
    w.udp_ImpLinea(QString());
}

void udp_DetErroresImport(const AppContext& ctx, const QString& ruc, ReportWriter& w) {
    const QString path = importErrorFile(ctx, w.tipoImportacion(), ruc);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ReportError(53, QStringLiteral("No se encontró el archivo de errores ") + path);
    const qint64 size = file.size();
    long long c = 0;
    int g = 1;
    while (!file.atEnd()) {
        if (w.progress && c % kLinesStep == 0) w.progress(file.pos(), size);
        QByteArray bytes = file.readLine();
        if (bytes.endsWith('\n')) bytes.chop(1);
        if (bytes.endsWith('\r')) bytes.chop(1);
        ++c;
        w.udp_ImpLinea(blanks(20) + cp1252::decode(bytes));
        if (++g == kSubTotalEvery + 1) {
            g = 1;
            w.udp_ImpLinea(rule());
            w.udp_ImpLinea(blanks(20) + QStringLiteral("Sub-Total de Errores:  ") + QString::number(c));
            w.udp_ImpLinea(rule());
        }
    }
    if (file.error() != QFileDevice::NoError)
        throw ReportError(57, QStringLiteral("No se pudo leer el archivo de errores ") + path);
    if (w.progress) w.progress(size, size);
    w.udp_ImpLinea(rule());
    w.udp_ImpLinea(blanks(20) + QStringLiteral("Total de Errores:      ") + QString::number(c));
    w.udp_ImpLinea(rule());
}

}  // namespace

QString importErrorFile(const AppContext& ctx, int kind, const QString& ruc) {
    return ctx.gRptPath + ruc + (kind == 1 ? QStringLiteral("T.Err") : QStringLiteral(".Err"));
}

void udp_RepErroresImport(AppContext& ctx, const ReportRequest& request, const QString& ruc, ReportWriter& writer) {
    EstadoImpresion& st = writer.state();
    st.Pagina = 0;
    st.ContLineas = 0;
    st.Pagina = 1;
    st.Margen = blanks(15);
    writer.pageHeader = [&ctx, &request](ReportWriter& w) { udp_CabErroresImport(ctx, request, w); };
    udp_CabErroresImport(ctx, request, writer);
    udp_DetErroresImport(ctx, ruc, writer);
}

ImportErrorReportResult udp_ReporteErroresImportacion(AppContext& ctx, int kind, const QString& ruc,
                                                      const QString& razonSocial, const QString& spoolName,
                                                      const WorkProgress& progress) {
    ReportRequest request;
    request.tipoReporte = 3;
    request.archivo = spoolName;
    request.docIdD = ruc;
    request.razonSocial = razonSocial;
    request.tipoImportacion = kind;
    const ReportOutcome outcome = udp_ImprimirReporte(ctx, request, ruc, progress);
    return {outcome.ok, outcome.path, outcome.pages};
}

}  // namespace klv
