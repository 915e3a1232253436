#include "conexion.h"

#include "database.h"
#include "ini_file.h"
#include "message_service.h"

#include <QDir>
#include <QFileInfo>

namespace klv {

QString fromCodes(std::initializer_list<int> codes) {
    QString s;
    for (const int c : codes) s += QChar(c);
    return s;
}

ConfigIni leerConfigIni(const QString& iniFile) {
    auto read = [&](const char* key) {
        return ini::readString(QStringLiteral("Options"), QString::fromLatin1(key), QString(), iniFile);
    };
    ConfigIni c;
    c.sysPath = read("SysPath");
    c.sysVersion = read("SysVersion");
    c.dbPath = read("DBPath");
    c.dbName = read("DBName");
    c.sysMenu = read("SysMenu");
    c.sysUser = read("SysUser");
    return c;
}

QString entrarSysPath(const QString& sysPath, const QString& iniFile) {
    if (sysPath.isEmpty())
        return QStringLiteral("No se ha indicado la carpeta del sistema (SysPath) en %1.\nVerifique la "
                              "instalación del Integrador del KLV.")
            .arg(ini::resolve(iniFile));
    // A name holding a NUL names no folder (and is kept from Qt's file calls, which complain).
    if (sysPath.contains(QChar(0)) || !QFileInfo(sysPath).isDir() || !QDir::setCurrent(sysPath))
        return QStringLiteral("No existe la carpeta del sistema (SysPath): %1\nVerifique la instalación "
                              "del Integrador del KLV.")
            .arg(sysPath);
    return QString();
}

QString usuarioGrupoTrabajo() { return fromCodes({75, 76, 86, 65, 68, 77, 73, 78}); }
QString claveGrupoTrabajo() { return fromCodes({81, 56, 48, 50, 55, 75, 76, 86}); }

QString textoErrorConexion(const DbError& e) {
    const QString number = QLatin1Char(' ') + QString::number(e.number());
    if (e.number() == DbErr::CannotOpen && e.locked()) return number + QStringLiteral("- Base esta bloqueda");
    return e.text() + QLatin1Char('\n') + number;
}

std::unique_ptr<Database> abrirBaseCompartida(const QString& dbFile, MessageService& messages, int busyTimeoutMs) {
    try {
        return Database::open(dbFile, usuarioGrupoTrabajo(), claveGrupoTrabajo(), busyTimeoutMs);
    } catch (const DbError& e) {
        messages.show(textoErrorConexion(e), MsgStyle::OkOnly, QStringLiteral("Error de Conección"));
        return nullptr;
    }
}

}  // namespace klv
