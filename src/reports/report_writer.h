#pragma once
// The report writer core: a report request becomes a report-markup file in the report folder.
// udp_ImprimirReporte dispatches by kind to the report body; the bodies write through the three
// low-level writers of ReportWriter:
//   udp_ImpLinea   running lines at x 10, 175 twips apart, plain, size 8, with automatic page
//                  breaks (85 lines a page below width 83, 83 up to 149, 64 from 150); at a break
//                  the page-header hook runs while the section kind is 0 or 1 (the import error
//                  report repeats its header)
//   udp_ImpPos     a text at a position (bold only for negrita -1)
//   udp_ImpCuadro  a box
// Header tags are written on page 1 only; page breaks of positioned reports are the body's own
// (udp_NuevaHoja). The file is written whole or not at all.

#include "app_context.h"
#include "report_markup.h"
#include "work_progress.h"

#include <QString>
#include <functional>
#include <memory>
#include <stdexcept>

namespace klv {

// What the requester fills before a report is written.
struct ReportRequest {
    int tipoReporte = 0;                              // 2 declaration print, 3 import error report
    QString destino = QStringLiteral("ARCHIVO");      // every requester writes the report file
    QString archivo;                                  // spool file name (NNNNNNNN.PRN), no folder
    QString docIdD, razonSocial;                      // declarant printed in the headers
    int tipoImportacion = 2;                          // 0 party import, 1 transaction import, 2 declaration print
    // Declaration print: document type, period and the three answers ("SI"/"NO", study's RUC).
    QString tipDoc = QStringLiteral("6");
    QString periodo, autContExt, estTecPT, rucEstudio;
};

struct ReportOutcome {
    bool ok = false;  // the whole file was written
    int pages = 0;    // the page the writer reached: the number of pages written
    QString path;     // the file (report folder + "/" + archivo)
};

// A failure inside a report body, with the run-time error number it is reported under.
class ReportError : public std::runtime_error {
public:
    ReportError(int number, const QString& text) : std::runtime_error(text.toStdString()), number_(number), text_(text) {}
    int number() const { return number_; }
    const QString& text() const { return text_; }

private:
    int number_;
    QString text_;
};

// The print state shared by the writers of one report (EstadoImpresion).
struct EstadoImpresion {
    int Ancho = 104;
    int Copias = 1;
    int ContLineas = 0;
    int Pagina = 1;
    int PosYLinea = 0;
    QString Margen;
    QString Titulo, Fecha, Hora, TextoPagina;
    int PagDecl = 0;
    int PosYDecl = 0;
    int FilasDecl = 0;
};

class ReportWriter {
public:
    ReportWriter(const QString& path, int tipoImportacion);

    EstadoImpresion& state() { return state_; }
    const EstadoImpresion& state() const { return state_; }
    int tipoImportacion() const { return tipoImportacion_; }

    // Written again on each new page of running lines while the section kind is 0 or 1.
    std::function<void(ReportWriter&)> pageHeader;
    // Told the share of the report written, by its body (rows, or bytes of a file read), when set.
    WorkProgress progress;

    // One running line of data.
    void udp_ImpLinea(const QString& texto);
    // A header tag as a running line: written and counted on page 1, dropped on later pages.
    void udp_ImpLineaTag(markup::Tag tag, const QString& value);
    void udp_ImpPos(int x, int y, const QString& texto, int negrita, int tamano, int pagina);
    // A header tag of a positioned report: written only while Pagina is 1.
    void udp_ImpPosTag(markup::Tag tag, const QString& value);
    void udp_ImpCuadro(int x1, int y1, int x2, int y2, int pagina);
    void udp_NuevaHoja();

    // Lines a page of running text may hold at the current width.
    int pageLimit() const;
    // Replaces the target file with what was written; throws ReportError when it cannot.
    // `synced` hears the file's bytes on the disk of its size as it is synced.
    void commit(const std::function<void(qint64 done, qint64 size)>& synced = {});

private:
    void countRunningLine();
    markup::MarkupWriter out_;
    EstadoImpresion state_;
    int tipoImportacion_;
};

// Right-aligns: (width - length) blanks, at most 80, then the text; a text as long as the width or
// longer comes back unchanged (never cut).
QString udf_AlinearDerecha(const QString& texto, int ancho);

// The short name of a document type (PARAM 044, characters 32-42 of Funcion, trimmed); "" when the
// type is unknown.
QString udf_DesTipDoc(const AppContext& ctx, const QString& codigo);

// A report body: writes the whole report through the writer (kind 2 or 3).
using ReportBody = std::function<void(AppContext& ctx, const ReportRequest& request, const QString& ruc,
                                      ReportWriter& writer)>;

// Writes the report of the request's kind into the report folder and answers whether the whole
// file was written; `progress` hears the share of the work done: what the body has laid out of
// its whole (its rows, or the bytes of the file it reads), then the file synced to the disk as
// much again (every part the body laid out is written out once), so the share is whole only once
// the file stands whole under its name. Failures are shown with the title
// "Impresión" and leave no file behind, nor the SPOOL row of request.archivo; a kind without a body
// writes nothing.
ReportOutcome udp_ImprimirReporte(AppContext& ctx, const ReportRequest& request, const QString& ruc,
                                  const WorkProgress& progress = {});

// The SPOOL number of a new report of the module (udf_NumeroSpool): its file created empty in the
// report folder with its row. A file that cannot be created adds no row and is told as a report
// that cannot be written is (title "Impresión"): the empty text then. Throws DbError.
QString udf_NumeroSpoolReporte(AppContext& ctx, const QString& codRep, const Declarant& declarante);

// The message udp_ImprimirReporte shows for a failure, by its number: (text, style); an empty
// text shows nothing.
std::pair<QString, int> reportFailureMessage(int number, const QString& description);

}  // namespace klv
