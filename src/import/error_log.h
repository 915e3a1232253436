#pragma once
// The import's error log: the separator count of a whole file (CuentaPye), the short key of a line
// for the error file (CadDevPer) and the log itself (GraboLog): each rejected line goes to the
// .Log file as read and, with its key and the message of its code, to the error file that the
// error report reads back.

#include "line_reader.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QString>
#include <memory>
#include <stdexcept>

namespace klv {
class Database;
class Utilitarios;
}

namespace klv::import {

// The file could not be opened or read.
class FileError : public std::runtime_error {
public:
    explicit FileError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};

// True when the line holds exactly n separators '|', none of them past kLargoMaximoLinea (a
// separator there cannot be counted: the line fails, and the whole file is refused with the
// field-count message). Characters past that position without a separator count for nothing.
bool separadoresExactos(const QByteArray& line, int n);

// True when every line of the file holds exactly n separators (an empty file passes, an empty line
// fails). Throws FileError when the file cannot be read.
bool CuentaPye(const QString& path, int n);

// The key of a line in the error file: the first field (document type) filled to 4, three blanks,
// the second field (document number) without its blanks and two blanks, all filled to 16. A field
// counts only when a separator follows it; the fields are taken as read.
QString CadDevPer(const QString& line, const Utilitarios& util);

// The paths of a run's files: gRptPath followed directly by the RUC and ".Log", ".Err" (parties)
// or "T.Err" (transactions).
QString rutaLog(const QString& rptPath, const QString& ruc);
QString rutaErr(const QString& rptPath, const QString& ruc, bool transacciones);

// The message shown when a log file cannot be written (style 16, title "Error"): for error 70
// (permission denied) the platform's text and the request to close the log; for any other number
// "Error tecnico: " with the number.
QString textoFallaLog(int numero, const QString& texto, const QString& logPath);

// One run's log. The first line recorded empties both files of an earlier run; later lines are
// appended. The files stay open for the run and are flushed after every line, so other programs
// may read them meanwhile.
class ErrorLog {
public:
    ErrorLog(const Database& db, const Utilitarios& util, QString logPath, QString errPath);
    ~ErrorLog();
    ErrorLog(const ErrorLog&) = delete;
    ErrorLog& operator=(const ErrorLog&) = delete;

    // Records a rejected line under the code: `raw` to the log exactly as read, the error line to
    // the error file. `lineText` (the line number) is put in front of the key when not empty. False
    // when a file or the table of texts failed: failure() then holds the message to show, and the
    // run stops.
    bool GraboLog(const QByteArray& raw, const QString& key, const QString& lineText, const QString& code);

    // The line the error file receives for the key and code (the table of texts is read on first use).
    QString lineaError(const QString& key, const QString& lineText, const QString& code);
    // The message of the code: the table Error's text, replaced by the built-in text when there is
    // one; the default text when neither has the code.
    QString mensaje(const QString& code);

    // Where the files of the run stand, and taking back every line recorded after that (lines of
    // a batch the database lost). False when a file could not be cut back.
    struct Mark {
        bool iniciado = false;
        qint64 log = 0, err = 0;
    };
    Mark mark() const;
    bool rewind(const Mark& m);

    bool iniciado() const { return iniciado_; }  // a line was recorded in this run
    const QString& failure() const { return failure_; }
    const QString& logPath() const { return logPath_; }
    const QString& errPath() const { return errPath_; }

private:
    void loadTable();
    bool write(QFile& file, const QByteArray& bytes);

    const Database& db_;
    const Utilitarios& util_;
    QString logPath_, errPath_;
    QFile log_, err_;
    bool iniciado_ = false;
    bool tableLoaded_ = false;
    bool tableEmpty_ = true;
    QHash<QString, QString> tableTexts_;
    QString failure_;
};

}  // namespace klv::import
