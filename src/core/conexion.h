#pragma once
// What every program of the family that opens the shared database needs: the Options section of
// QM000.INI, the entry into the host folder, the workgroup's credentials and the text of the
// "Error de Conección" box.

#include <QString>
#include <initializer_list>
#include <memory>

namespace klv {

class Database;
class DbError;
class MessageService;

// Section Options of QM000.INI as written (nothing trimmed).
struct ConfigIni {
    QString sysPath, sysVersion, dbPath, dbName, sysMenu, sysUser;
};

// Reads the keys in the order SysPath, SysVersion, DBPath, DBName, SysMenu, SysUser; a missing
// file or key gives the empty text. A bare file name is the copy in the Windows directory.
ConfigIni leerConfigIni(const QString& iniFile = QStringLiteral("QM000.INI"));

// Makes the (trimmed) SysPath the current directory. Returns the empty text, or the message for
// the user when SysPath is empty or names no folder (iniFile is named in the first case).
QString entrarSysPath(const QString& sysPath, const QString& iniFile);

// A text built from its characters' codes: how the programs keep their workgroup credentials.
QString fromCodes(std::initializer_list<int> codes);

// The workgroup's default user name and password (8 characters each), built from character codes.
QString usuarioGrupoTrabajo();
QString claveGrupoTrabajo();

// The text of the "Error de Conección" box for an engine error: for 3051 " 3051- Base esta
// bloqueda", for any other the error's text, a line feed and the number with one leading blank.
QString textoErrorConexion(const DbError& error);

// Opens the shared database file with the workgroup credentials. On failure shows the
// "Error de Conección" box (OK only, no icon) and returns null: the caller ends the program.
std::unique_ptr<Database> abrirBaseCompartida(const QString& dbFile, MessageService& messages,
                                              int busyTimeoutMs = 10000);

}  // namespace klv
