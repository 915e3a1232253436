#include "error_log.h"

#include "cp1252.h"
#include "database.h"
#include "mensajes_importacion.h"
#include "utilitarios.h"
#include "whole_file.h"

#include <cerrno>

namespace klv::import {
namespace {

const QByteArray kCrLf("\r\n");

}  // namespace

bool separadoresExactos(const QByteArray& line, int n) {
    if (line.size() > kLargoMaximoLinea && line.indexOf('|', kLargoMaximoLinea) >= 0) return false;
    return line.count('|') == n;
}

bool CuentaPye(const QString& path, int n) {
    LineReader reader(path);
    if (!reader.open()) throw FileError(reader.error());
    bool ok = true;
    QByteArray line;
    while (reader.next(line))
        if (!separadoresExactos(line, n)) ok = false;
    if (reader.failed()) throw FileError(reader.error());
    return ok;
}

QString CadDevPer(const QString& line, const Utilitarios& util) {
    QString key;
    qsizetype start = 0;
    for (int field = 1; field <= 3; ++field) {
        const qsizetype bar = line.indexOf(QLatin1Char('|'), start);
        if (bar < 0) break;
        const QString value = line.mid(start, bar - start);
        if (field == 1) key += util.RellenaCampo(value, 4, QStringLiteral(" ")) + QStringLiteral("   ");
        if (field == 2) key += util.RellenaCampo(value, 15, QStringLiteral(" ")).trimmed() + QStringLiteral("  ");
        start = bar + 1;
    }
    return util.FormateaCampo(key, 16, QStringLiteral(" "));
}

QString rutaLog(const QString& rptPath, const QString& ruc) { return rptPath + ruc + QStringLiteral(".Log"); }

QString rutaErr(const QString& rptPath, const QString& ruc, bool transacciones) {
    return rptPath + ruc + (transacciones ? QStringLiteral("T.Err") : QStringLiteral(".Err"));
}

QString textoFallaLog(int numero, const QString& texto, const QString& logPath) {
    const QString again = QStringLiteral("Intente nuevamente por favor.");
    if (numero == 70) return texto + QLatin1Char('\n') + QStringLiteral("Cierre el Archivo ") + logPath + QLatin1Char('\n') + again;
    // A number as the platform writes it: a leading blank for the sign.
    return QStringLiteral("Error tecnico: ") + QLatin1Char(' ') + QString::number(numero) + QLatin1Char('\n') + texto +
           QLatin1Char('\n') + again;
}

ErrorLog::ErrorLog(const Database& db, const Utilitarios& util, QString logPath, QString errPath)
    : db_(db), util_(util), logPath_(std::move(logPath)), errPath_(std::move(errPath)), log_(logPath_), err_(errPath_) {}

ErrorLog::~ErrorLog() = default;

void ErrorLog::loadTable() {
    if (tableLoaded_) return;
    Query q = db_.exec(QStringLiteral("SELECT coderror, DescError FROM Error"));
    tableEmpty_ = true;
    while (q.next()) {
        tableEmpty_ = false;
        const QString code = q.value(0).toString();
        if (!tableTexts_.contains(code)) tableTexts_.insert(code, q.value(1).toString());
    }
    tableLoaded_ = true;
}

QString ErrorLog::mensaje(const QString& code) {
    loadTable();
    if (tableEmpty_) return mensajeOtroError();
    const QString builtIn = mensajeImportacion(code);
    if (!builtIn.isEmpty()) return builtIn;
    const auto it = tableTexts_.constFind(code);
    return it != tableTexts_.constEnd() ? *it : mensajeOtroError();
}

QString ErrorLog::lineaError(const QString& key, const QString& lineText, const QString& code) {
    loadTable();
    if (tableEmpty_) {
        // Without texts: the key in exactly ten characters, fourteen blanks, the default text.
        const QString t = key.trimmed();
        const QString k10 = t.size() >= 10 ? key.left(10) : t.leftJustified(10, QLatin1Char(' '));
        return k10 + QString(14, QLatin1Char(' ')) + mensajeOtroError();
    }
    const QString k = key.trimmed().size() >= 25 ? key.left(25) : key;
    QString line = util_.RellenaTexto(k, 23) + mensaje(code);
    if (!lineText.isEmpty()) line = util_.RellenaTexto(lineText, 7) + line;
    return line;
}

bool ErrorLog::write(QFile& file, const QByteArray& bytes) {
    if (!file.isOpen()) {
        // The first line of a run empties what an earlier run left and begins the file again. A
        // file that cannot be written, or a link at the name, stops the run and stays as it is.
        WriteFailure why;
        if (!openAppending(file, !iniciado_, &why)) {
            failure_ = textoFallaLog(why.number, why.text, logPath_);
            return false;
        }
    }
    errno = 0;
    if (file.write(bytes) != bytes.size() || file.write(kCrLf) != kCrLf.size() || !file.flush()) {
        const WriteFailure why = fileError(errno);
        failure_ = textoFallaLog(why.number, why.text, logPath_);
        file.close();
        return false;
    }
    return true;
}

bool ErrorLog::GraboLog(const QByteArray& raw, const QString& key, const QString& lineText, const QString& code) {
    QString line;
    try {
        line = lineaError(key, lineText, code);
    } catch (const DbError& e) {
        failure_ = textoFallaLog(e.number(), e.text(), logPath_);
        return false;
    }
    if (!write(log_, raw)) return false;
    // The error file follows the log's fresh-run rule.
    if (!write(err_, cp1252::encode(line))) return false;
    iniciado_ = true;
    return true;
}

ErrorLog::Mark ErrorLog::mark() const {
    return {iniciado_, log_.isOpen() ? log_.size() : 0, err_.isOpen() ? err_.size() : 0};
}

bool ErrorLog::rewind(const Mark& m) {
    // Before the run's first line the files held an earlier run's lines, which that line replaced:
    // going back there leaves them empty.
    bool ok = true;
    if (log_.isOpen()) ok = log_.resize(m.iniciado ? m.log : 0) && ok;
    if (err_.isOpen()) ok = err_.resize(m.iniciado ? m.err : 0) && ok;
    return ok;
}

}  // namespace klv::import
