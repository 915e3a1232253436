#include "programa_resumen.h"

#include "conversor_texto.h"
#include "database.h"
#include "linea_comandos.h"
#include "message_service.h"
#include "resumen_envio.h"
#include "single_instance.h"
#include "spool.h"
#include "whole_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdio>
#include <unistd.h>

namespace klv::resumen {
namespace {

// The text written for the host, copied byte for byte under a temporary name, then renamed.
QString copiarParaHost(const QString& origen, const QString& destino) {
    QFile entrada(origen);
    if (!entrada.open(QIODevice::ReadOnly))
        return QStringLiteral("No se pudo leer %1: %2").arg(origen, entrada.errorString());
    QSaveFile salida(destino);
    if (!salida.open(QIODevice::WriteOnly))
        return QStringLiteral("No se pudo escribir %1: %2").arg(destino, salida.errorString());
    while (!entrada.atEnd()) {
        const QByteArray bloque = entrada.read(1 << 16);
        if (bloque.isEmpty() && entrada.error() != QFileDevice::NoError)
            return QStringLiteral("No se pudo leer %1: %2").arg(origen, entrada.errorString());
        if (salida.write(bloque) != bloque.size())
            return QStringLiteral("No se pudo escribir %1: %2").arg(destino, salida.errorString());
    }
    if (!commitWhole(salida)) return QStringLiteral("No se pudo escribir %1: %2").arg(destino, salida.errorString());
    return QString();
}

// What one run writes goes whole or not at all. The twin, its text and the copy an earlier run
// left under the same base name are kept aside (a second link beside each, hidden) until the run
// ends. A run that stops after it began writing removes the files it wrote and its SPOOL row, and
// puts the earlier files back; a run stopped because the declaration is gone leaves their removal
// as it is, so they never pass for this submission.
class Corrida {
public:
    Corrida(ContextoResumen& ctx, const QString& base)
        : ctx_(ctx),
          archivos_{ctx.config.rptPath + base + QStringLiteral(".PRN"), ctx.config.rptPath + base + QStringLiteral(".txt"),
                    ctx.config.tmpPath + base + QStringLiteral(".TXT")} {
        for (const QString& a : archivos_) {
            const QString guardado = aparte(a);
            QFile::remove(guardado);
            if (QFileInfo(a).isFile() && ::link(QFile::encodeName(a).constData(), QFile::encodeName(guardado).constData()) != 0)
                QFile::copy(a, guardado);
        }
    }
    Corrida(const Corrida&) = delete;
    Corrida& operator=(const Corrida&) = delete;

    void terminada() {
        for (const QString& a : archivos_) QFile::remove(aparte(a));
        terminada_ = true;
    }

    ~Corrida() {
        if (terminada_) return;
        if (!ctx_.archivoSpool.isEmpty()) {
            QFile::remove(ctx_.config.rptPath + ctx_.archivoSpool);
            try {
                liberarSpool(*ctx_.db, ctx_.archivoSpool);
            } catch (const DbError&) {
                // The stop was told already; the row then names a file that is not there.
            }
        }
        for (const QString& a : archivos_) {
            const QString guardado = aparte(a);
            if (ctx_.sinDeclaracion || !QFileInfo::exists(guardado)) {
                if (!ctx_.sinDeclaracion) QFile::remove(a);
                QFile::remove(guardado);
            } else {
                // A file this run never replaced is the same file as its second link: rename then
                // does nothing, and the second link goes.
                ::rename(QFile::encodeName(guardado).constData(), QFile::encodeName(a).constData());
                QFile::remove(guardado);
            }
        }
    }

private:
    static QString aparte(const QString& archivo) {
        const QFileInfo i(archivo);
        return i.path() + QStringLiteral("/.") + i.fileName() + QStringLiteral(".anterior");
    }

    ContextoResumen& ctx_;
    const QStringList archivos_;
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

    // 5. The summary and its twin.
    ConversorTexto conversor(mensajes, ctx.config.rptPath);
    const std::optional<QString> base = udf_GeneraResumenEnvio(ctx, conversor, linea);
    if (!base) return Estado::Detenido;

    // 6. The twin as text.
    if (!conversor.udf_ImprimirArchivo(*base + QStringLiteral(".PRN"), QStringLiteral("ARCHIVO")))
        return Estado::Detenido;

    // 7. The copy for the host.
    const QString motivo = copiarParaHost(ctx.config.rptPath + *base + QStringLiteral(".txt"),
                                          ctx.config.tmpPath + *base + QStringLiteral(".TXT"));
    if (!motivo.isEmpty()) {
        mensajes.show(motivo, MsgStyle::Critical, kTitulo);
        return Estado::Detenido;
    }
    corrida.terminada();
    return Estado::Terminado;
}

}  // namespace klv::resumen
