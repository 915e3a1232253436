#include "resumen_config.h"

#include "conexion.h"
#include "database.h"
#include "ini_file.h"
#include "message_service.h"

#include <QFileInfo>

namespace klv::resumen {
namespace {

const QString kIni = QStringLiteral("QM000.INI");

bool carpetaPresente(const QString& carpeta, const QString& que, MessageService& mensajes) {
    if (QFileInfo(carpeta).isDir()) return true;
    mensajes.show(QStringLiteral("No existe la carpeta %1: %2\nVerifique la instalación del Integrador del KLV.")
                      .arg(que, carpeta),
                  MsgStyle::Critical, kTitulo);
    return false;
}

}  // namespace

bool udp_LeerConfig(ConfigResumen& config, std::unique_ptr<Database>& db, MessageService& mensajes) {
    const ConfigIni ini = leerConfigIni(kIni);
    config.sysPath = ini.sysPath.trimmed();
    if (const QString motivo = entrarSysPath(config.sysPath, kIni); !motivo.isEmpty()) {
        mensajes.show(motivo, MsgStyle::Critical, kTitulo);
        return false;
    }
    config.dbFile = ini.dbPath.trimmed() + ini.dbName.trimmed();
    db = abrirBaseCompartida(config.dbFile, mensajes);
    if (!db) return false;
    // One pass over the declaration's transactions: the engine's small cache serves.
    db->setPageCache(Database::PageCache::OnePass);
    config.rptPath = config.sysPath + QStringLiteral("RPT/");
    config.tmpPath = config.sysPath + QStringLiteral("TMP/");
    if (!carpetaPresente(config.rptPath, QStringLiteral("de reportes"), mensajes) ||
        !carpetaPresente(config.tmpPath, QStringLiteral("temporal"), mensajes))
        return false;
    config.usuario = ini::readString(QStringLiteral("Options"), QStringLiteral("SysUser"), QString(),
                                     config.sysPath + kIni);
    return true;
}

}  // namespace klv::resumen
