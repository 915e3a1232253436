#include "report_writer.h"

#include "declaration_print.h"
#include "import_error_report.h"
#include "spool.h"
#include "utilitarios.h"

#include <algorithm>
#include <QCursor>
#include <QGuiApplication>
#include <QThread>

namespace klv {
namespace {

constexpr int kLineStep = 175;
constexpr int kLineX = 10;
constexpr int kLineSize = 8;

// The hourglass while a report is written (only when the program has a GUI application and the
// report is written on its thread; a report written on the engine's thread has the runner's
// progress window instead).
struct ReportCursor {
    const bool shown = qGuiApp && QThread::currentThread() == qGuiApp->thread();
    ReportCursor() {
        if (shown) QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    ~ReportCursor() {
        if (shown) QGuiApplication::restoreOverrideCursor();
    }
};

// The body of each report kind; a kind without one writes nothing.
ReportBody bodyOfKind(int kind) {
    switch (kind) {
    case 2:
        return [](AppContext& ctx, const ReportRequest& r, const QString&, ReportWriter& w) {
            udp_RepDeclaracion(ctx, r, w);
        };
    case 3: return udp_RepErroresImport;
    default: return {};
    }
}

}  // namespace

ReportWriter::ReportWriter(const QString& path, int tipoImportacion)
    : out_(path), tipoImportacion_(tipoImportacion) {}

int ReportWriter::pageLimit() const {
    if (state_.Ancho < 83) return 85;
    if (state_.Ancho < 150) return 83;
    return 64;
}

void ReportWriter::udp_ImpLinea(const QString& texto) {
    state_.PosYLinea += kLineStep;
    out_.pos(kLineX, state_.PosYLinea, texto, markup::kFalse, kLineSize, state_.Pagina - 1);
    countRunningLine();
}

void ReportWriter::udp_ImpLineaTag(markup::Tag tag, const QString& value) {
    if (state_.Pagina > 1) return;
    out_.tag(tag, value);
    countRunningLine();
}

void ReportWriter::countRunningLine() {
    if (++state_.ContLineas < pageLimit()) return;
    state_.ContLineas = 0;
    ++state_.Pagina;
    out_.newPage();
    if ((tipoImportacion_ == 0 || tipoImportacion_ == 1) && pageHeader) pageHeader(*this);
}

void ReportWriter::udp_ImpPos(int x, int y, const QString& texto, int negrita, int tamano, int pagina) {
    out_.pos(x, y, texto, negrita == -1 ? markup::kTrue : markup::kFalse, tamano, pagina);
}

void ReportWriter::udp_ImpPosTag(markup::Tag tag, const QString& value) {
    if (state_.Pagina > 1) return;
    out_.tag(tag, value);
}

void ReportWriter::udp_ImpCuadro(int x1, int y1, int x2, int y2, int pagina) { out_.box(x1, y1, x2, y2, pagina); }

void ReportWriter::udp_NuevaHoja() { out_.newPage(); }

void ReportWriter::commit(const std::function<void(qint64, qint64)>& synced) {
    if (!out_.commit(synced))
        throw ReportError(out_.errorNumber(),
                          QStringLiteral("No se pudo escribir el archivo del reporte: ") + out_.errorString());
}

QString udf_AlinearDerecha(const QString& texto, int ancho) {
    if (ancho <= texto.size()) return texto;
    const qsizetype pad = std::min<qsizetype>(ancho - texto.size(), 80);
    QString out(pad + texto.size(), Qt::Uninitialized);
    std::fill_n(out.data(), pad, QLatin1Char(' '));
    std::copy(texto.cbegin(), texto.cend(), out.data() + pad);
    return out;
}

QString udf_DesTipDoc(const AppContext& ctx, const QString& codigo) {
    const QVariant v = ctx.db().scalar(
        QStringLiteral("SELECT substr(Funcion, 32, 11) FROM PARAM WHERE Numero = '044' AND Argumento = ?"),
        {textValue(codigo)});
    if (!v.isValid()) return {};
    return Utilitarios().RellenaTexto(v.toString(), 60).trimmed();
}

std::pair<QString, int> reportFailureMessage(int number, const QString& description) {
    switch (number) {
    case 20545: return {QStringLiteral("La Impresión ha sido Cancelada."), MsgStyle::Critical};
    case 482: return {QStringLiteral("No existe una impresora seleccionada.Verifique."), MsgStyle::Critical};
    case 380: return {QStringLiteral("No Existe Información a Imprimir.Verifique."), MsgStyle::Critical};
    case 55: return {QString(), 0};
    default:
        return {QStringLiteral("Error Técnico : (") + QString::number(number) + QStringLiteral(") ") + description,
                MsgStyle::OkOnly};
    }
}

ReportOutcome udp_ImprimirReporte(AppContext& ctx, const ReportRequest& request, const QString& ruc,
                                  const WorkProgress& progress) {
    ReportOutcome outcome;
    outcome.path = ctx.gRptPath + QLatin1Char('/') + request.archivo;
    const ReportBody body = bodyOfKind(request.tipoReporte);
    if (!body) return outcome;
    int number = 0;
    QString description;
    try {
        ReportCursor cursor;  // back to the arrow before any message
        ReportWriter writer(outcome.path, request.tipoImportacion);
        writer.state().Ancho = 104;
        writer.state().Copias = 1;
        qint64 laidOut = 0;  // the body's whole, in its own units
        std::function<void(qint64, qint64)> synced;
        if (progress) {
            writer.progress = [&](qint64 done, qint64 total) {
                laidOut = total;
                progress(done, 2 * total);
            };
            synced = [&](qint64 done, qint64 size) {
                // A body that told nothing: the file's share alone.
                if (laidOut <= 0) return progress(done, size);
                progress(laidOut + (size > 0 ? done * laidOut / size : laidOut), 2 * laidOut);
            };
        }
        body(ctx, request, ruc, writer);
        writer.commit(synced);
        outcome.ok = true;
        outcome.pages = writer.state().Pagina;
        return outcome;
    } catch (const ReportError& e) {
        number = e.number();
        description = e.text();
    } catch (const DbError& e) {
        number = e.number();
        description = e.text();
    }
    // The file was never written: its SPOOL row, taken by the requester, goes too, or, should that
    // fail as well, an empty file stays with it, so no row names a missing report. The failure
    // shown stands either way.
    liberarSpoolConArchivo(ctx.db(), request.archivo, outcome.path);
    const auto [text, style] = reportFailureMessage(number, description);
    if (!text.isEmpty()) ctx.msg(text, style, QStringLiteral("Impresión"));
    return outcome;
}

QString udf_NumeroSpoolReporte(AppContext& ctx, const QString& codRep, const Declarant& declarante) {
    try {
        return udf_NumeroSpool(ctx, codRep, declarante);
    } catch (const SpoolFileError& e) {
        const auto [text, style] = reportFailureMessage(e.number(), e.text());
        if (!text.isEmpty()) ctx.msg(text, style, QStringLiteral("Impresión"));
        return QString();
    }
}

}  // namespace klv
