#include "programa_resumen.h"

#include "conversor_texto.h"
#include "database.h"
#include "linea_comandos.h"
#include "message_service.h"
#include "resumen_envio.h"
#include "single_instance.h"

#include <QFile>
#include <QSaveFile>

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
    if (!salida.commit()) return QStringLiteral("No se pudo escribir %1: %2").arg(destino, salida.errorString());
    return QString();
}

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
    return Estado::Terminado;
}

}  // namespace klv::resumen
