#include "import_core.h"

#include "app_context.h"
#include "cp1252.h"
#include "database.h"
#include "error_log.h"
#include "line_reader.h"
#include "party_store.h"
#include "party_import.h"
#include "transaction_import.h"
#include "utilitarios.h"

#include <QFileInfo>
#include <memory>
#include <optional>

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

// The lines of a run, checked and written in batches of one transaction each. What the counts and
// the error log held when a batch began is kept: should a line fail to be written, or the engine
// lose the batch's transaction (a full disk or an I/O error rolls all of it back, not just the
// failing statement), or the commit fail, the batch is rolled back and its lines before the
// failure are read from the file and written again; should that fail too, the batch is left out
// whole, with the counts and the log as they were before it. Either way each line is all or
// nothing, and no line the outcome counts is missing from the database.
class Batches {
public:
    Batches(AppContext& ctx, const ImportRequest& req, ErrorLog& log, ImportCounts& counts)
        : ctx_(ctx), req_(req), log_(log), counts_(counts), parties_(req.kind == ImportKind::Partes) {}

    // The per-run caches and writers; throws DbError.
    void prepare() {
        if (!ref_) ref_ = std::make_unique<ReferenceCache>(ctx_.db());
        if (parties_)
            partyWriter_ = std::make_unique<PartyWriter>(ctx_.db(), PartyWriter::Guard::Caller);
        else
            transactions_ = std::make_unique<TransactionImporter>(ctx_, req_, *ref_);
    }

    // Reads, checks and writes line `lineNo`, opening a batch at need; a rejected line goes to the
    // log. False when the log failed. Throws DbError (the line then left nothing).
    bool line(const QByteArray& raw, qint64 lineNo) {
        if (!batch_) {
            first_ = lineNo;
            startCounts_ = counts_;
            startLog_ = log_.mark();
            batch_ = std::make_unique<Transaction>(ctx_.db());
        }
        ++size_;
        return process(raw, lineNo, true);
    }

    int size() const { return size_; }
    qint64 first() const { return first_; }

    // Ends the open batch, whose lines are those before `end`: committed, or written again from
    // the file and committed when the engine lost them. Returns the failure when even that failed:
    // the batch is then left out whole (see first()).
    std::optional<DbError> commit(qint64 end) {
        if (!batch_) return std::nullopt;
        if (ctx_.db().transactionLost()) return writeAgain(end, std::nullopt);
        try {
            batch_->commit();
            batch_.reset();
            size_ = 0;
        } catch (const DbError& e) {
            return writeAgain(end, e);
        }
        return inFile();
    }

    // After a line failed (`cause`): the batch rolled back (the line may have left part of its
    // rows: a line is not a savepoint of its own, which would cost every line a copy of the pages
    // it changes) and its lines before `end` written again and committed. True when that worked;
    // else the batch is left out whole.
    bool undo(qint64 end, const DbError& cause) { return !writeAgain(end, cause); }

private:
    std::optional<DbError> writeAgain(qint64 end, std::optional<DbError> failure) {
        batch_.reset();  // rolls back what the engine still holds
        size_ = 0;
        try {
            if (readAgain(end)) return inFile();
        } catch (const DbError& e) {
            if (!failure) failure = e;
        }
        batch_.reset();
        counts_ = startCounts_;
        log_.rewind(startLog_);
        // The engine's own text when it gave one; else the reason the lines could not be read again.
        return failure ? *failure
                       : DbError(DbErr::Reserved, QStringLiteral("No se pudieron leer de nuevo las líneas %1 a %2.")
                                                      .arg(first_)
                                                      .arg(end - 1));
    }

    // After a commit: the batch went into the file the path names, or it is left out whole.
    std::optional<DbError> inFile() {
        try {
            ctx_.db().ensureSameFile();
            return std::nullopt;
        } catch (const DbError& e) {
            counts_ = startCounts_;
            log_.rewind(startLog_);
            return e;
        }
    }

    bool process(const QByteArray& raw, qint64 lineNo, bool logRejected) {
        QString code;
        if (parties_) {
            code = leerLineaInformado(ctx_, *ref_, cp1252::decode(raw), fields_);
            if (code.isEmpty()) {
                if (grabarLineaInformado(*partyWriter_, ctx_, req_.ruc, fields_))
                    ++counts_.transferidos;
                else
                    ++counts_.actualizados;
            }
        } else {
            // The transaction import reads the bytes and decodes only what it stores.
            code = transactions_->importarLinea(std::string_view(raw.constData(), static_cast<size_t>(raw.size())));
            if (code.isEmpty()) ++counts_.transferidos;
        }
        if (code.isEmpty()) return true;
        if (logRejected) {
            const QString key = raw.contains('|') ? CadDevPer(cp1252::decode(raw), *ctx_.gUtil) : QString();
            if (!log_.GraboLog(raw, key, parties_ ? QString() : QString::number(lineNo), code)) return false;
        }
        ++counts_.rechazados;
        return true;
    }

    // The batch's lines before `end` read from the file and written again in a new transaction,
    // their rejected lines already in the log; the caches start afresh (each party's next number
    // was read inside the transaction lost). No line before `end`: nothing to write, and no
    // transaction opened (a batch whose BEGIN failed would wait for the lock a second time).
    // False when the file cannot be read again.
    bool readAgain(qint64 end) {
        counts_ = startCounts_;
        transactions_.reset();
        partyWriter_.reset();
        prepare();
        if (end <= first_) return true;
        LineReader reader(req_.filePath);
        if (!reader.open()) return false;
        batch_ = std::make_unique<Transaction>(ctx_.db());
        QByteArray raw;
        while (reader.lineNumber() + 1 < end && reader.next(raw))
            if (reader.lineNumber() >= first_) process(raw, reader.lineNumber(), false);
        if (reader.lineNumber() + 1 < end) return false;  // the file is shorter now
        batch_->commit();
        batch_.reset();
        return true;
    }

    AppContext& ctx_;
    const ImportRequest& req_;
    ErrorLog& log_;
    ImportCounts& counts_;
    const bool parties_;
    std::unique_ptr<ReferenceCache> ref_;
    std::unique_ptr<TransactionImporter> transactions_;
    std::unique_ptr<PartyWriter> partyWriter_;
    PartyFields fields_;
    std::unique_ptr<Transaction> batch_;
    int size_ = 0;
    qint64 first_ = 0;
    ImportCounts startCounts_;
    ErrorLog::Mark startLog_;
};

// The outcome of a run stopped by the database at line `failed` (0: at a commit), with the lines
// before `firstLost` kept.
ImportOutcome databaseFailure(ImportOutcome out, qint64 failed, qint64 firstLost, const DbError& e) {
    out.status = ImportOutcome::Status::FallaBaseDatos;
    out.linea = failed;
    out.lineasConservadas = firstLost - 1;
    out.message = failed > 0 ? QStringLiteral("Error en la línea %1 del archivo: %2").arg(failed).arg(failureText(e))
                             : QStringLiteral("Error al guardar las líneas leídas: %1").arg(failureText(e));
    if (firstLost <= 1)
        out.message += QStringLiteral("\nNo se conservó ninguna línea del archivo.");
    else if (firstLost == failed)
        out.message += QStringLiteral("\nSe conservan las líneas anteriores.");
    else
        out.message += QStringLiteral("\nSe conservan las líneas anteriores a la línea %1; de ella en adelante no se "
                                      "importó ninguna.")
                           .arg(firstLost);
    out.style = MsgStyle::Critical;
    return out;
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
    // The engine's statement journals and sort space stay in memory, not in temporary files.
    try {
        db.exec(QStringLiteral("PRAGMA temp_store=MEMORY"));
    } catch (const DbError&) {
    }
    Batches batches(ctx, req, log, out.counts);
    try {
        batches.prepare();
    } catch (const DbError& e) {
        out.status = ImportOutcome::Status::FallaBaseDatos;
        out.message = failureText(e);
        out.style = MsgStyle::Critical;
        return out;
    }

    ImportProgress p;
    p.bytesTotal = reader.size();
    QByteArray raw;
    qint64 lineNo = 0;
    // The open batch committed with the lines read so far; the outcome when it was lost.
    auto commitBatch = [&]() -> std::optional<ImportOutcome> {
        if (const auto lost = batches.commit(lineNo + 1)) return databaseFailure(out, 0, batches.first(), *lost);
        return std::nullopt;
    };
    while (reader.next(raw)) {
        lineNo = reader.lineNumber();
        if (raw.size() > kLargoMaximoLinea) {
            // The count refused such a line; should the file have changed since, stop the same way.
            --lineNo;
            if (auto failure = commitBatch()) return *failure;
            return refused(out, shapeOf(req.kind).countMessage, kCaptionDialogo);
        }
        bool logged = true;
        try {
            logged = batches.line(raw, lineNo);
        } catch (const DbError& e) {
            // The failing line leaves nothing; the lines before it stay.
            const bool kept = batches.undo(lineNo, e);
            return databaseFailure(out, lineNo, kept ? lineNo : batches.first(), e);
        }
        if (!logged) {
            --lineNo;  // the line not logged is not kept (it wrote nothing)
            if (auto failure = commitBatch()) return *failure;
            out.status = ImportOutcome::Status::FallaLog;
            out.message = log.failure();
            out.style = MsgStyle::Critical;
            out.title = QStringLiteral("Error");
            return out;
        }
        if (batches.size() >= kLineasPorLote)
            if (auto failure = commitBatch()) return *failure;
        p.lineas = lineNo;
        p.bytesLeidos = reader.bytesRead();
        p.counts = out.counts;
        if (progress && !progress(p)) {
            if (auto failure = commitBatch()) return *failure;
            out.status = ImportOutcome::Status::Cancelado;
            return out;
        }
    }
    if (auto failure = commitBatch()) return *failure;
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
