#pragma once
// The settings of 8027REP, read once at start-up: SysPath, DBPath and DBName from QM000.INI in the
// Windows directory (trimmed), the user from the copy of QM000.INI in SysPath (untrimmed). SysPath
// becomes the working directory; reports go to SysPath + "RPT/", the copy for the host to
// SysPath + "TMP/".

#include <QString>
#include <memory>

namespace klv {
class Database;
class MessageService;
}  // namespace klv

namespace klv::resumen {

// Title of the program's own boxes.
inline const QString kTitulo = QStringLiteral("Presentación Telemática");

struct ConfigResumen {
    QString sysPath;  // ends with '/'
    QString dbFile;   // trimmed DBPath + trimmed DBName
    QString rptPath;  // sysPath + "RPT/"
    QString tmpPath;  // sysPath + "TMP/"
    QString usuario;  // SysUser of sysPath + "QM000.INI", untrimmed
    QString traza() const { return sysPath + QStringLiteral("Trace.txt"); }
};

// In order: SysPath, the working directory, DBPath, DBName, the database (opened with the
// workgroup credentials), the report and temporary folders, the user. False after telling the
// user why: SysPath empty or no folder, the database not opened ("Error de Conección"), the report
// or the temporary folder missing. The database opened stays in *db.
bool udp_LeerConfig(ConfigResumen& config, std::unique_ptr<Database>& db, MessageService& mensajes);

}  // namespace klv::resumen
