#pragma once
// Files written whole or not at all through QSaveFile (a temporary file renamed over the target).
// QSaveFile::commit() does not notice when the flush of its own write buffer fails (a full disk, a
// file-size limit): it renames the cut file into place and answers true. These close that gap and
// keep the cause of a failed write, with the error number the system reports for it.

#include <QByteArray>
#include <QSaveFile>
#include <QString>

namespace klv {

// The error number the system reports for a failed file operation, from the system's error code
// (errno): 61 a full disk (or a file grown past the size it may have), 70 permission denied, 76 a
// missing folder, 75 any other access error.
int fileErrorNumber(int errnoValue);

// Why a file could not be written: that number and the text the system shows for it.
struct WriteFailure {
    int number = 0;
    QString text;
};
// The failure of a file operation whose system error code is `errnoValue`: its number and the
// number's own text ("Disco lleno", "Permiso denegado", "No se encontró la ruta de acceso",
// "Error de acceso a la ruta o el archivo"), never the system's words.
WriteFailure fileError(int errnoValue);

// Writes every byte; false after a short or failed write (`why` then says why).
bool writeAll(QSaveFile& file, const QByteArray& bytes, WriteFailure* why = nullptr);

// Flushes, then commits. When a byte could not be written, the writing is cancelled, the target
// stays as it was, and the answer is false; `why` then holds the cause of the failed write, never
// the cancellation that follows it.
bool commitWhole(QSaveFile& file, WriteFailure* why = nullptr);

}  // namespace klv
