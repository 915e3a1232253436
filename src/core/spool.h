#pragma once
// Report-spool numbering. Every report file of the family is first registered in the host table
// SPOOL, which gives its name: "NNNNNNNN.PRN", one more than the highest eight-digit number that
// begins a stored Archivo (a sequence shared by every code and every program), and its Secuencia,
// one more than the highest of its report code, written with six digits.

#include "keys.h"

#include <QDateTime>
#include <QString>

namespace klv {

class Database;
struct AppContext;

// Adds the SPOOL row of a new report and returns its file name (no folder). Both maxima are read
// and the row added in one immediate transaction, so two programs never take the same name.
// Stored values that are not numbers (an Archivo not beginning with eight digits, a Secuencia
// that is not a whole number) are passed over. Throws DbError.
QString numeroSpool(Database& db, const QString& codRep, const Declarant& declarante, const QString& usuario,
                    const QDateTime& ahora);

// The same for the module: user gSysUser, time ctx.clock.
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
