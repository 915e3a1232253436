#pragma once
// The import error report (report kind 3): the lines a file import rejected, 82 characters wide,
// behind a page header naming the declarant, with a sub-total every 65 errors and the total. The
// lines come from the import's error file, which lies in the system folder beside the report
// folder: gRptPath + RUC + ".Err" for the party import, gRptPath + RUC + "T.Err" for the
// transaction import (SysPath/RPT20601234565T.Err). The header is written again on every page.

#include "report_writer.h"

namespace klv {

// The error file of an import run: kind 0 parties, 1 transactions.
QString importErrorFile(const AppContext& ctx, int kind, const QString& ruc);

// Writes the whole report (the body of report kind 3); a missing error file fails it (53).
void udp_RepErroresImport(AppContext& ctx, const ReportRequest& request, const QString& ruc, ReportWriter& writer);

struct ImportErrorReportResult {
    bool ok = false;  // the whole report was written
    QString file;     // the report file: gRptPath + "/" + the spool name
    int pages = 0;
};

// The one call of a file import after a run with rejected lines:
//   kind        0 party import (reads RUC.Err), 1 transaction import (reads RUCT.Err)
//   ruc, razonSocial  the declarant printed in the header; the RUC also names the error file
//   spoolName   the report's file name the import obtained from udf_NumeroSpool ("PTR003", or
//               "DE0003" when the party import's user declined to see it), no folder
// It writes the report into the report folder, telling `progress` the bytes of the error file read
// of its size. On success the import shows it with
// udp_MostrarReporte (ctx.forms.showReport) given spoolName and "Vprevia". On failure (a missing
// error file: "Error Técnico : (53) ..." with the title "Impresión") the reason has been shown, no
// report file exists and nothing is to be shown; the SPOOL row the import took is removed with it,
// so no SPOOL row names a report that was never written.
ImportErrorReportResult udp_ReporteErroresImportacion(AppContext& ctx, int kind, const QString& ruc,
                                                      const QString& razonSocial, const QString& spoolName,
                                                      const WorkProgress& progress = {});

}  // namespace klv
