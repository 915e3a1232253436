#pragma once
// Report-spool numbering. Every report file of the family is first registered in the host table
// SPOOL, which gives its name: "NNNNNNNN.PRN", one more than the highest eight-digit number that
// begins a stored Archivo (a sequence shared by every code and every program), and its Secuencia,
// one more than the highest of its report code, written with six digits.

#include "keys.h"

#include <QDateTime>
#include <QString>
#include <stdexcept>

namespace klv {

class Database;
struct AppContext;

// The report file of a new SPOOL row could not be created: no row was added.
class SpoolFileError : public std::runtime_error {
public:
    SpoolFileError(int number, const QString& text) : std::runtime_error(text.toStdString()), number_(number), text_(text) {}
    int number() const { return number_; }  // as fileErrorNumber gives it (61, 70, 75, 76)
    const QString& text() const { return text_; }

private:
    int number_;
    QString text_;
};

// Adds the SPOOL row of a new report and returns its file name (no folder). Both maxima are read
// and the row added in one immediate transaction, so two programs never take the same name.
// Stored values that are not numbers (an Archivo not beginning with eight digits, a Secuencia
// that is not a whole number) are passed over. Before the row is committed the report file is
// created empty under its name in `carpeta` (replacing whatever stood there, never through a
// link): a row is never committed without its file, and a writer killed afterwards leaves the row
// with an empty file. A file that cannot be created rolls the row back: SpoolFileError. What
// killed writers of the folder left half-way (removeAbandonedReports) goes first. Throws DbError.
QString numeroSpool(Database& db, const QString& codRep, const Declarant& declarante, const QString& usuario,
                    const QDateTime& ahora, const QString& carpeta);

// The same for the module: user gSysUser, time ctx.clock, folder gRptPath.
QString udf_NumeroSpool(const AppContext& ctx, const QString& codRep, const Declarant& declarante);

// Removes the SPOOL row of a report file that was never written, so no row names a missing file
// (the numbering gives the name again). Throws DbError.
void liberarSpool(Database& db, const QString& archivo);

// A stopped run gives back the SPOOL row of its report file `archivo` (at `ruta`): the row goes
// first and the file, if any, after it. When the row cannot be deleted (on a full disk the
// database's journal needs room too), the file stays with it, whole when it was written, else
// empty (a file of no bytes needs no room), so no row ever names a file that is not there.
void liberarSpoolConArchivo(Database& db, const QString& archivo, const QString& ruta);

}  // namespace klv
