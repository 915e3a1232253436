#include "programa_resumen.h"

#include "conversor_texto.h"
#include "database.h"
#include "linea_comandos.h"
#include "message_service.h"
#include "resumen_envio.h"
#include "single_instance.h"
#include "spool.h"
#include "whole_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace klv::resumen {
namespace {

// The text written for the host, copied byte for byte under a temporary name, then renamed.
QString copiarParaHost(const QString& origen, const QString& destino) {
    QFile entrada(origen);
    if (!entrada.open(QIODevice::ReadOnly))
        return errorTecnico(75, QStringLiteral("No se pudo leer %1: %2").arg(origen, entrada.errorString()));
    WholeFile salida(destino);
    WriteFailure falla;
    if (!salida.open(&falla))
        return errorTecnico(75, QStringLiteral("No se pudo escribir %1: %2").arg(destino, falla.text));
    while (!entrada.atEnd()) {
        const QByteArray bloque = entrada.read(1 << 16);
        if (bloque.isEmpty() && entrada.error() != QFileDevice::NoError)
            return errorTecnico(57, QStringLiteral("No se pudo leer %1: %2").arg(origen, entrada.errorString()));
        if (!salida.write(bloque, &falla)) break;
    }
    if (falla.number == 0 && salida.commit(&falla)) return QString();
    return errorTecnico(falla.number, QStringLiteral("No se pudo escribir %1: %2").arg(destino, falla.text));
}

// Forces a file's bytes, or a folder's names, to the disk.
bool sincronizar(const QString& ruta) {
    const int fd = ::open(QFile::encodeName(ruta).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// What one run writes goes whole or not at all, and into place in one fixed order. The twin, its
// text and the copy for the host are written aside first, each under a hidden name beside its
// place (".base.PRN.nuevo"); once all three are whole, each is synced to the disk and renamed into
// place: the twin, its text, then the copy, which the host takes, last. The files an earlier run
// left under those names are kept aside first (a second link beside each, hidden, or a copy where
// the link fails): when one can be neither linked nor copied, the run stops before it writes and
// every earlier file stays as it was. A run that stops after it began writing removes what it
// wrote and its SPOOL row (the markup stays, whole or empty, when the row cannot be deleted), and
// puts the earlier files back; a run stopped because the declaration is gone leaves their removal
// as it is, so they never pass for this submission. A process killed
// leaves no such repair: a run begins by removing what a killed run of the same names left aside
// (its files aside, second links and the temporary files of its whole-file writes).
class Corrida {
public:
    Corrida(ContextoResumen& ctx, const QString& base)
        : ctx_(ctx),
          archivos_{ctx.config.rptPath + base + QStringLiteral(".PRN"), ctx.config.rptPath + base + QStringLiteral(".txt"),
                    ctx.config.tmpPath + base + QStringLiteral(".TXT")} {
        ctx.gemelo = nuevo(archivos_[0]);
    }
    Corrida(const Corrida&) = delete;
    Corrida& operator=(const Corrida&) = delete;

    // Keeps aside each earlier file of the run's names, after clearing what a killed run left. An
    // empty text, or the message of a file that could not be kept aside: the second links made are
    // removed again and the run must stop, having changed nothing.
    QString apartar() {
        for (qsizetype i = 0; i < archivos_.size(); ++i) {
            const QString& a = archivos_[i];
            quitarRestos(a);
            if (!QFileInfo(a).isFile()) continue;
            const QString guardado = aparte(a);
            errno = 0;
            if (::link(QFile::encodeName(a).constData(), QFile::encodeName(guardado).constData()) != 0) {
                const WriteFailure why = fileError(errno);
                if (!QFile::copy(a, guardado)) {
                    for (qsizetype j = 0; j < i; ++j)
                        if (anteriores_[j]) QFile::remove(aparte(archivos_[j]));
                    return errorTecnico(why.number,
                                        QStringLiteral("No se pudo guardar aparte el archivo anterior %1 (en %2): %3\n"
                                                       "No se generó el resumen de envío; los archivos anteriores "
                                                       "quedan como estaban.")
                                            .arg(a, guardado, why.text));
                }
            }
            anteriores_[i] = true;
        }
        apartados_ = true;
        return QString();
    }

    // Where the text and the copy are written aside.
    QString texto() const { return nuevo(archivos_[1]); }
    QString copia() const { return nuevo(archivos_[2]); }

    // The three files into place, in order. An empty text, or the message of the failure.
    QString publicar() {
        for (const QString& a : archivos_) {
            const QString n = nuevo(a);
            errno = 0;
            if (!sincronizar(n) || ::rename(QFile::encodeName(n).constData(), QFile::encodeName(a).constData()) != 0) {
                const WriteFailure why = fileError(errno);
                return errorTecnico(why.number, QStringLiteral("No se pudo poner en su lugar %1: %2").arg(a, why.text));
            }
        }
        // The names themselves: a crash after this finds the new files in place.
        sincronizar(ctx_.config.rptPath);
        sincronizar(ctx_.config.tmpPath);
        return QString();
    }

    void terminada() {
        for (const QString& a : archivos_) QFile::remove(aparte(a));
        terminada_ = true;
    }

    ~Corrida() {
        // Nothing to undo: the run finished, or it stopped before it kept the earlier files aside
        // (and wrote nothing).
        if (terminada_ || !apartados_) return;
        if (!ctx_.archivoSpool.isEmpty()) {
            // The markup goes with its SPOOL row, never before it (the stop was told already).
            liberarSpoolConArchivo(*ctx_.db, ctx_.archivoSpool, ctx_.config.rptPath + ctx_.archivoSpool);
        }
        for (qsizetype i = 0; i < archivos_.size(); ++i) {
            const QString& a = archivos_[i];
            QFile::remove(nuevo(a));
            const QString guardado = aparte(a);
            if (anteriores_[i] && !ctx_.sinDeclaracion) {
                // A file this run never replaced is the same file as its second link: rename then
                // does nothing, and the second link goes. One that cannot be put back stays aside.
                if (::rename(QFile::encodeName(guardado).constData(), QFile::encodeName(a).constData()) != 0) continue;
            } else if (!anteriores_[i]) {
                // No earlier file: what stands there now is this run's.
                QFile::remove(a);
            }
            QFile::remove(guardado);
        }
    }

private:
    static QString oculto(const QString& archivo, const QString& fin) {
        const QFileInfo i(archivo);
        return i.path() + QStringLiteral("/.") + i.fileName() + fin;
    }
    static QString aparte(const QString& archivo) { return oculto(archivo, QStringLiteral(".anterior")); }
    static QString nuevo(const QString& archivo) { return oculto(archivo, QStringLiteral(".nuevo")); }

    // What a killed run left of a file: the file aside with the temporary files of its
    // whole-file write (".base.PRN.nuevo", ".base.PRN.nuevo.Ab12Cd", "base.PRN.Ab12Cd") and the
    // second link of the earlier file.
    static void quitarRestos(const QString& archivo) {
        const QFileInfo i(archivo);
        const QString nombre = i.fileName();
        QDir carpeta = i.dir();
        const QStringList restos =
            carpeta.entryList({nombre + QStringLiteral(".??????"), QLatin1Char('.') + nombre + QStringLiteral(".nuevo"),
                               QLatin1Char('.') + nombre + QStringLiteral(".nuevo.??????"),
                               QLatin1Char('.') + nombre + QStringLiteral(".anterior")},
                              QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive);
        for (const QString& r : restos) carpeta.remove(r);
    }

    ContextoResumen& ctx_;
    const QStringList archivos_;
    bool anteriores_[3] = {false, false, false};  // an earlier file of that name is kept aside
    bool apartados_ = false;
    bool terminada_ = false;
};

}  // namespace

int Main(const QStringList& argumentos, const ServiciosResumen& servicios) {
    MessageService& mensajes = *servicios.mensajes;

    // 1. One copy only.
    SingleInstance instancia(QStringLiteral("8027REP"), servicios.carpetaBloqueo);
    if (!instancia.acquire()) {
        mensajes.show(QStringLiteral("La aplicación ya se encuentra en Ejecución"), MsgStyle::Information, kTitulo);
        return Estado::OtraCopia;
    }
    if (!instancia.guarded()) mensajes.show(textoSinCarpetaPrivada(), MsgStyle::Exclamation, kTitulo);

    // 2-3. The command line, the settings and the database.
    const QString texto = unirArgumentos(argumentos);
    ContextoResumen ctx;
    ctx.mensajes = &mensajes;
    ctx.reloj = servicios.reloj;
    if (!udp_LeerConfig(ctx.config, ctx.db, mensajes)) return Estado::Detenido;

    // 4. Its pieces name the files of the run: nothing but letters and digits gets through.
    if (const QString motivo = validarLinea(texto); !motivo.isEmpty()) {
        mensajes.show(motivo + QStringLiteral("\nLínea recibida: \"%1\"\nNo se generó el resumen de envío.").arg(texto),
                      MsgStyle::Critical, kTitulo);
        return Estado::Detenido;
    }
    const LineaResumen linea = cortarLinea(texto);
    Corrida corrida(ctx, linea.baseNombre());
    if (const QString motivo = corrida.apartar(); !motivo.isEmpty()) {
        mensajes.show(motivo, MsgStyle::Critical, kTitulo);
        return Estado::Detenido;
    }

    // 5. The summary and its twin.
    ConversorTexto conversor(mensajes, ctx.config.rptPath);
    const std::optional<QString> base = udf_GeneraResumenEnvio(ctx, conversor, linea);
    if (!base) return Estado::Detenido;

    // 6. The twin as text.
    if (!conversor.convertir(ctx.gemelo, corrida.texto())) return Estado::Detenido;

    // 7. The copy for the host, then the three files into place.
    QString motivo = copiarParaHost(corrida.texto(), corrida.copia());
    if (motivo.isEmpty()) motivo = corrida.publicar();
    if (!motivo.isEmpty()) {
        mensajes.show(motivo, MsgStyle::Critical, kTitulo);
        return Estado::Detenido;
    }
    corrida.terminada();
    return Estado::Terminado;
}

}  // namespace klv::resumen
