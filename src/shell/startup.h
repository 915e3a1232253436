#pragma once
// Start-up of QM8027: the host must be running, one copy only, the utility component's gate,
// the configuration from QM000.INI, the shared database, then the main window.

#include "app_context.h"
#include "conexion.h"

#include <QString>
#include <functional>
#include <memory>

namespace klv {

class HostWindowFinder;
class SingleInstance;
class Utilitarios;

// Configuration globals from QM000.INI: gSysPath = trimmed SysPath, gDBFile = trimmed DBPath
// followed directly by trimmed DBName, gRptPath = gSysPath + "RPT", gSysUser untrimmed. The
// current directory becomes gSysPath. Returns false (globals set all the same) when SysPath is
// empty or names no folder; *motivo then holds the message for the user.
bool udp_LeerIni(AppContext& ctx, QString* motivo = nullptr);

// Writes SystemDB = gSysPath + "QM000.MDW" into QM000.INI and opens gDBFile with the workgroup
// credentials, on the engine's thread (ctx.engine). On failure shows, with OK only, no icon and the title
// "Error de Conección": for error 3051 " 3051- Base esta bloqueda", for any other the error's
// text, a line feed and the number with one leading blank; then returns false (the caller ends
// the program).
bool udf_AbrirBaseDatos(AppContext& ctx, int busyTimeoutMs = 10000);

enum class StartupResult { Started, NoHost, AlreadyRunning, GateClosed, NoSysPath, DatabaseFailed };

// The start-up sequence, written so tests drive it with a fake finder, a recording message
// service and their own lock folder. The object owns the utility component and the instance
// lock: keep it alive as long as the program runs.
class Startup {
public:
    struct Services {
        HostWindowFinder* finder = nullptr;        // search for the host's window
        QString lockFolder;                        // empty: the user's runtime folder
        std::function<void(AppContext&)> showMainWindow;
    };

    Startup();
    ~Startup();
    Startup(const Startup&) = delete;
    Startup& operator=(const Startup&) = delete;

    // Main, in order: utility component into gUtil; title; host window "KLV" (else
    // "Debe ejecutar este módulo desde el Integrador del KLV.", style 16, title gTitulo +
    // " Error al ejecutar el módulo"); one instance (else "La Aplicación ya se encuentra en
    // ejecución.", style 64, title gTitulo); the gate (False ends silently); udp_LeerIni (an empty
    // or missing SysPath folder ends with a critical message); udf_AbrirBaseDatos; the main window.
    StartupResult Main(AppContext& ctx, const Services& services);

    Utilitarios* utilitarios() const { return util_.get(); }

private:
    std::unique_ptr<Utilitarios> util_;
    std::unique_ptr<SingleInstance> instance_;
};

inline constexpr const char* kHostCaption = "KLV";
inline constexpr const char* kModuleLockName = "QM8027";

}  // namespace klv
