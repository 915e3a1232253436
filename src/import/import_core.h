#pragma once
// The file imports as the import dialog runs them: a request (what to import and from where), a
// progress callback after every line, and an outcome returned as data. The dialog only collects
// the request and shows the outcome; the core reads, checks and writes.

#include <QString>
#include <functional>

namespace klv {
struct AppContext;
}

namespace klv::import {

enum class ImportKind {
    Partes,                  // related parties from RUC.ifm
    TransaccionesAntes2012,  // transactions from RUC.TXT, layout before 2012 (132 fields read)
    Transacciones2012,       // transactions from RUC.TXT, layout from 2012 (149 fields)
};

struct ImportRequest {
    ImportKind kind = ImportKind::Partes;
    QString ruc;          // the declarant's RUC (11 characters)
    QString razonSocial;  // the declarant's name as the dialog shows it
    QString periodo;      // the period text (transactions)
    QString answer1;      // the declaration's question 1, accounts in foreign currency: "1", "0", ""
    QString answer2;      // question 2, the technical study: "1", "0", ""
    QString filePath;     // the import file
    QString rptPath;      // gRptPath: the log and error files are named from it
};

struct ImportCounts {
    long transferidos = 0;  // rows added
    long actualizados = 0;  // rows updated
    long rechazados = 0;    // lines rejected
};

struct ImportProgress {
    qint64 lineas = 0;      // lines read in the current pass
    qint64 bytesLeidos = 0;
    qint64 bytesTotal = 0;
    bool comprobando = false;  // the shape check of the whole file, before anything is written
    ImportCounts counts;
};

// Called after every line; answering false stops the run after that line.
using ProgressFn = std::function<bool(const ImportProgress&)>;

struct ImportOutcome {
    enum class Status {
        Terminado,        // the whole file was read
        ArchivoRechazado, // the shape check refused the file: nothing written
        FallaLog,         // the error log could not be written: the run stopped
        Cancelado,        // the user stopped the run
        FallaBaseDatos,   // the database failed at a line: the run stopped, earlier lines kept
        FallaArchivo,     // the file could not be read
    };
    Status status = Status::Terminado;
    ImportCounts counts;
    // A message to show (refusal or failure), its style and title; empty when there is none.
    QString message;
    int style = 0;
    QString title;
    // Label texts to show instead of the counts (the field-count refusal of the party import).
    QString lblTransferidos, lblActualizados, lblRechazados;
    qint64 linea = 0;  // the line a database failure stopped at (0: it struck a commit)
    // After a database failure: the lines kept, from the first (each written, or rejected and
    // logged); none after them left a row or a log line.
    qint64 lineasConservadas = 0;
    QString importPath, logPath, errPath;
};

// The import the dialog runs (a stand-in in the dialog's tests).
using ImportRunner = std::function<ImportOutcome(AppContext& ctx, const ImportRequest&, const ProgressFn&)>;

// Runs one file import: the shape check of the whole file, then every line read, checked and
// written (parties to PAR_VIN and TIP_VIN_PAR, transactions to the working tables), rejected lines
// to the error log. Lines are written in batches of one transaction; each line is all or nothing.
// Never throws: failures come back in the outcome.
ImportOutcome ejecutarImportacion(AppContext& ctx, const ImportRequest& req, const ProgressFn& progress);

// The question after a run with rejected lines (Yes/No, question icon, No by default, "Confirmar").
QString preguntaRechazados(const QString& logPath);

// The three label texts of counts: "N Transferidos", "N Actualizados", "N Rechazados".
QString textoTransferidos(long n);
QString textoActualizados(long n);
QString textoRechazados(long n);

}  // namespace klv::import
