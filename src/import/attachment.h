#pragma once
// Attaching the technical study: the declaration's PDF is not copied or opened, it is registered
// in the host's table of attached files EFCONTROLNS (folder, name, size, digest and control
// number) so the host takes it into the submission.

#include <QString>
#include <optional>

namespace klv {
struct AppContext;
class Database;
}

namespace klv::import {

// The refusal when the folder path holds ñ or Ñ anywhere; the empty text otherwise.
QString VerificarEnhe(const QString& path);

// The destination name ENVIO_T maps the name's extension to (its last three characters, upper
// case) for the form code; the empty text when there is none.
QString NomEnv(const Database& db, const QString& formulario, const QString& name);

// Adds or updates the EFCONTROLNS row of the study at `path` (declarant document type 6, submission
// week 0, name = the path's last 23 characters): folder, destination name, size read now, digest,
// index 1, the row count as text, the version "1.4" and the control number over six keys. One
// transaction. Throws DbError, or FileError when the file's size cannot be read.
void GraboControlF8027(const AppContext& ctx, const QString& path, const QString& digest, long numTuplas,
                       const QString& ruc, const QString& periodo);

// What an attachment run leaves for the user to read.
struct AttachNotice {
    QString text;
    int style = 0;
    bool dialogTitle = false;  // titled with the dialog's caption rather than the application title
    bool saved = false;        // a row was written
};

// One attachment run: the folder check, the file chosen in the list (`listed` the entry shown,
// `selected` whether it is selected), the digest and the row. `fileName` is empty when the list
// holds nothing.
AttachNotice adjuntarEstudio(const AppContext& ctx, const QString& folder, const QString& fileName, bool selected,
                             const QString& ruc, const QString& periodo);

// "Se cargó correctamente el archivo " and the name.
QString textoAdjuntado(const QString& fileName);

// A folder and a name joined with one '/'.
QString joinPath(const QString& folder, const QString& name);

}  // namespace klv::import
