#include "import_core.h"

#include "app_context.h"
#include "cp1252.h"
#include "database.h"
#include "error_log.h"
#include "line_reader.h"
#include "party_import.h"
#include "transaction_import.h"
#include "utilitarios.h"

#include <QFileInfo>

namespace klv::import {
namespace {

const QString kCaptionDialogo = QStringLiteral("Importador de Registros");
const QString kTituloArchivo = QStringLiteral("Error en archivo de importación");
constexpr int kLineasPorLote = 50000;

struct Shape {
    int separators;
    bool last18;  // before 2012: fields 133-149 empty, the line ends with 18 "|"
    QString countMessage;
};

Shape shapeOf(ImportKind kind) {
    switch (kind) {
    case ImportKind::Partes:
        return {kCamposInformado, false,
                QStringLiteral("El archivo de importación no tiene el número de campos correctos (28)")};
    case ImportKind::TransaccionesAntes2012:
        return {kCamposTransaccion, true,
                QStringLiteral("El archivo de importación no tiene el número de campos correctos")};
    case ImportKind::Transacciones2012:
        return {kCamposTransaccion, false,
                QStringLiteral("El archivo de importación no tiene el número de campos correctos")};
    }
    return {};
}

// The line without its leading and trailing blanks (spaces only: a tab after the last separator
// still fails the final-separator test).
QByteArray blanksTrimmed(const QByteArray& line) {
    qsizetype b = 0, e = line.size();
    while (b < e && line[b] == ' ') ++b;
    while (e > b && line[e - 1] == ' ') --e;
    return line.mid(b, e - b);
}

ImportOutcome refused(ImportOutcome out, const QString& text, const QString& title) {
    out.status = ImportOutcome::Status::ArchivoRechazado;
    out.message = text;
    out.style = MsgStyle::Critical;
    out.title = title;
    return out;
}

ImportOutcome unreadable(ImportOutcome out, const QString& path, const QString& why) {
    out.status = ImportOutcome::Status::FallaArchivo;
    out.message = QStringLiteral("No se pudo leer el archivo ") + path + QStringLiteral(": ") + why;
    out.style = MsgStyle::Critical;
    return out;
}

// The whole file before anything is written: the separator count of every line first, then the
// final separator (and before 2012 the 17 empty fields at the end).
std::optional<ImportOutcome> checkShape(const ImportRequest& req, const ProgressFn& progress, ImportOutcome out) {
    const Shape shape = shapeOf(req.kind);
    LineReader reader(req.filePath);
    if (!reader.open()) {
        return unreadable(out, req.filePath, reader.error());
    }
    bool counts = true;
    int endFault = 0;  // 1 final separator, 2 the 17 empty fields
    QByteArray line;
    ImportProgress p;
    p.comprobando = true;
    p.bytesTotal = reader.size();
    while (reader.next(line)) {
        if (!separadoresExactos(line, shape.separators)) counts = false;
        if (counts && endFault == 0) {
            const QByteArray t = blanksTrimmed(line);
            if (!t.isEmpty() && !t.endsWith('|'))
                endFault = 1;
            else if (shape.last18 && !t.isEmpty() && !t.endsWith(QByteArray(18, '|')))
                endFault = 2;
        }
        p.lineas = reader.lineNumber();
        p.bytesLeidos = reader.bytesRead();
        if (progress && !progress(p)) {
            out.status = ImportOutcome::Status::Cancelado;
            return out;
        }
    }
    if (reader.failed()) {
        return unreadable(out, req.filePath, reader.error());
    }
    if (!counts) {
        out = refused(out, shape.countMessage, kCaptionDialogo);
        if (req.kind == ImportKind::Partes) {
            out.lblTransferidos = QStringLiteral("0          Registros Transferidos");
            out.lblRechazados = QStringLiteral("0          Registros Rechazados");
        }
        return out;
    }
    if (endFault == 1) return refused(out, QStringLiteral("Cada línea del archivo debe terminar con el separador |"), kTituloArchivo);
    if (endFault == 2) return refused(out, QStringLiteral("Los últimos 17 campos deben estar vacios"), kTituloArchivo);
    return std::nullopt;
}

}  // namespace

ImportOutcome ejecutarImportacion(AppContext& ctx, const ImportRequest& req, const ProgressFn& progress) {
    ImportOutcome out;
    const bool parties = req.kind == ImportKind::Partes;
    out.importPath = req.filePath;
    out.logPath = rutaLog(req.rptPath, req.ruc);
    out.errPath = rutaErr(req.rptPath, req.ruc, !parties);
    if (auto refusal = checkShape(req, progress, out)) return *refusal;

    Database& db = ctx.db();
    ErrorLog log(db, *ctx.gUtil, out.logPath, out.errPath);
    LineReader reader(req.filePath);
    if (!reader.open()) {
        return unreadable(out, req.filePath, reader.error());
    }
    // Each line is a savepoint of its batch: its journal is kept in memory, not in a temporary file.
    try {
        db.exec(QStringLiteral("PRAGMA temp_store=MEMORY"));
    } catch (const DbError&) {
    }
    std::unique_ptr<ReferenceCache> ref;
    std::unique_ptr<TransactionImporter> transactions;
    std::unique_ptr<Transaction> batch;
    try {
        ref = std::make_unique<ReferenceCache>(db);
        if (!parties) transactions = std::make_unique<TransactionImporter>(ctx, req, *ref);
    } catch (const DbError& e) {
        out.status = ImportOutcome::Status::FallaBaseDatos;
        out.message = failureText(e);
        out.style = MsgStyle::Critical;
        return out;
    }

    ImportProgress p;
    p.bytesTotal = reader.size();
    QByteArray raw;
    PartyFields fields;
    int inBatch = 0;
    auto commitBatch = [&] {
        if (batch) batch->commit();
        batch.reset();
        inBatch = 0;
    };
    try {
        while (reader.next(raw)) {
            const qint64 lineNo = reader.lineNumber();
            if (!batch) batch = std::make_unique<Transaction>(db);
            const QString line = cp1252::decode(raw);
            QString code;
            if (raw.size() > kLargoMaximoLinea) {
                // The count refused such a line; should the file have changed since, stop the same way.
                commitBatch();
                return refused(out, shapeOf(req.kind).countMessage, kCaptionDialogo);
            }
            if (parties) {
                code = leerLineaInformado(ctx, *ref, line, fields);
                if (code.isEmpty()) {
                    if (grabarLineaInformado(ctx, req.ruc, fields))
                        ++out.counts.transferidos;
                    else
                        ++out.counts.actualizados;
                }
            } else {
                code = transactions->importarLinea(line);
                if (code.isEmpty()) ++out.counts.transferidos;
            }
            if (!code.isEmpty()) {
                const QString key = line.contains(QLatin1Char('|')) ? CadDevPer(line, *ctx.gUtil) : QString();
                if (!log.GraboLog(raw, key, parties ? QString() : QString::number(lineNo), code)) {
                    commitBatch();
                    out.status = ImportOutcome::Status::FallaLog;
                    out.message = log.failure();
                    out.style = MsgStyle::Critical;
                    out.title = QStringLiteral("Error");
                    return out;
                }
                ++out.counts.rechazados;
            }
            if (++inBatch >= kLineasPorLote) commitBatch();
            p.lineas = lineNo;
            p.bytesLeidos = reader.bytesRead();
            p.counts = out.counts;
            if (progress && !progress(p)) {
                commitBatch();
                out.status = ImportOutcome::Status::Cancelado;
                return out;
            }
        }
        commitBatch();
    } catch (const DbError& e) {
        // The failing line wrote nothing; the lines before it stay.
        try {
            commitBatch();
        } catch (const DbError&) {
        }
        out.status = ImportOutcome::Status::FallaBaseDatos;
        out.linea = reader.lineNumber();
        out.message = QStringLiteral("Error en la línea %1 del archivo: %2\nSe conservan las líneas anteriores.")
                          .arg(out.linea)
                          .arg(failureText(e));
        out.style = MsgStyle::Critical;
        return out;
    }
    if (reader.failed()) {
        return unreadable(out, req.filePath, reader.error());
    }
    out.status = ImportOutcome::Status::Terminado;
    if (out.counts.rechazados == 0) {
        out.message = QStringLiteral("Archivo : ") + req.filePath +
                      (parties ? QStringLiteral(" Importado Satisfactoriamente.") : QStringLiteral(" transferido"));
        out.style = MsgStyle::Information;
        out.title = QStringLiteral("Mensaje");
    }
    return out;
}

QString preguntaRechazados(const QString& logPath) {
    return QStringLiteral("¡Algunos registros han sido rechazados!") + QLatin1Char('\n') +
           QStringLiteral("Verifique Archivo Log: ") + logPath + QLatin1Char('\n') +
           QStringLiteral("¿Desea Visualizar Reporte de errores?");
}

}  // namespace klv::import
