#include "startup.h"

#include "engine.h"
#include "host_window.h"
#include "ini_file.h"
#include "module_version.h"
#include "single_instance.h"
#include "utilitarios.h"


namespace klv {
namespace {

const QString kIni = QStringLiteral("QM000.INI");
const QString kSection = QStringLiteral("Options");

}  // namespace

bool udp_LeerIni(AppContext& ctx, QString* motivo) {
    const ConfigIni c = leerConfigIni(kIni);
    ctx.gSysPath = c.sysPath.trimmed();
    ctx.gDBFile = c.dbPath.trimmed() + c.dbName.trimmed();
    ctx.gRptPath = ctx.gSysPath + QStringLiteral("RPT");
    ctx.gSysUser = c.sysUser;

    const QString why = entrarSysPath(ctx.gSysPath, kIni);
    if (motivo) *motivo = why;
    return why.isEmpty();
}

bool udf_AbrirBaseDatos(AppContext& ctx, int busyTimeoutMs) {
    const QString workgroup = ctx.gSysPath + QStringLiteral("QM000.MDW");
    // The workgroup file is only recorded: SQLite has no workgroups, the credentials travel
    // with the connection.
    ini::writeString(kSection, QStringLiteral("SystemDB"), workgroup, kIni);
    // The connection is the engine's: opened, used and closed on its own thread.
    try {
        ctx.engine = Engine::open(ctx.gDBFile, usuarioGrupoTrabajo(), claveGrupoTrabajo(), busyTimeoutMs);
    } catch (const DbError& e) {
        ctx.messages->show(textoErrorConexion(e), MsgStyle::OkOnly, QStringLiteral("Error de Conección"));
        return false;
    }
    return true;
}

Startup::Startup() = default;
Startup::~Startup() = default;

StartupResult Startup::Main(AppContext& ctx, const Services& services) {
    // 1-2. The utility component and the title.
    util_ = std::make_unique<Utilitarios>();
    ctx.gUtil = util_.get();
    ctx.gTitulo = kTituloModulo;

    // 3. The host must be running.
    XcbHostWindowFinder xcb;
    HostWindowFinder* finder = services.finder ? services.finder : &xcb;
    if (!finder->correApp(QString::fromLatin1(kHostCaption))) {
        ctx.messages->show(QStringLiteral("Debe ejecutar este módulo desde el Integrador del KLV."),
                           MsgStyle::Critical, ctx.gTitulo + QStringLiteral(" Error al ejecutar el módulo"));
        return StartupResult::NoHost;
    }

    // 4. One copy only.
    instance_ = std::make_unique<SingleInstance>(QString::fromLatin1(kModuleLockName), services.lockFolder);
    if (!instance_->acquire()) {
        ctx.messages->show(QStringLiteral("La Aplicación ya se encuentra en ejecución."), MsgStyle::Information,
                           ctx.gTitulo);
        return StartupResult::AlreadyRunning;
    }
    if (!instance_->guarded()) ctx.messages->show(textoSinCarpetaPrivada(), MsgStyle::Exclamation, ctx.gTitulo);

    // 5. The gate: closed ends without a word.
    if (!util_->udf_Habilitado()) return StartupResult::GateClosed;

    // 6. Configuration.
    QString motivo;
    if (!udp_LeerIni(ctx, &motivo)) {
        ctx.messages->show(motivo, MsgStyle::Critical, ctx.gTitulo);
        return StartupResult::NoSysPath;
    }

    // 7. The shared database.
    if (!udf_AbrirBaseDatos(ctx)) return StartupResult::DatabaseFailed;

    // 8. The main window.
    if (services.showMainWindow) services.showMainWindow(ctx);
    return StartupResult::Started;
}

}  // namespace klv
