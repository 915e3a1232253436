#pragma once
// 8027REP from start to end, written so tests drive it in-process with their own message service,
// clock and lock folder: one copy only, the settings and the database, the command line, the
// summary, its conversion to text and the copy for the host.

#include <QString>
#include <QStringList>

namespace klv {
class Clock;
class MessageService;
}  // namespace klv

namespace klv::resumen {

// Exit status of the program.
namespace Estado {
constexpr int Terminado = 0;  // the copy is in the temporary folder
constexpr int Detenido = 1;   // a refusal or a stop, told in a box
constexpr int OtraCopia = 3;  // another copy is running
}  // namespace Estado

struct ServiciosResumen {
    MessageService* mensajes = nullptr;
    const Clock* reloj = nullptr;
    QString carpetaBloqueo;  // where the one-copy lock lives; empty: the user's runtime folder
};

// Main: another copy running shows "La aplicación ya se encuentra en Ejecución" (information,
// "Presentación Telemática"); then udp_LeerConfig, the command line (rebuilt from the arguments
// and checked), the summary, the conversion of the twin into RPT/base.txt and its copy to
// TMP/base.TXT. A run that cannot keep aside an earlier file of its names (by a second link or a
// copy) stops before it writes anything; a run that stops after it began writing leaves the SPOOL
// table and the files as they were before it (the trace excepted), but for a SPOOL row the
// database cannot delete (a full disk): that row keeps its markup file, whole or empty. A run killed leaves the earlier
// twin, text and copy, or the new ones up to the point it was killed while putting them in place
// (twin, text, copy, in that order); the next run of the same names clears what it left aside.
// Returns the exit status.
int Main(const QStringList& argumentos, const ServiciosResumen& servicios);

}  // namespace klv::resumen
