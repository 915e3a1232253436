#include "resumen_envio.h"

#include "clock.h"
#include "conversor_texto.h"
#include "database.h"
#include "format.h"
#include "message_service.h"
#include "report_markup.h"
#include "spool.h"
#include "whole_file.h"

#include <QFile>

namespace klv::resumen {
namespace {

const QString kTrueMayusculas = QStringLiteral("TRUE");

QString fecha(const QDateTime& ahora) { return fmt::formatDate(ahora, QStringLiteral("dd/mm/yyyy")); }

QString lineaDocumento(const QString& etiqueta, const LineaResumen& l, const DatosResumen& d) {
    return etiqueta + d.tipoCorto + QStringLiteral("  ") + l.documento();
}

QString lineaEnvio(const LineaResumen& l, const QDateTime& ahora) {
    return QStringLiteral("NC ") + l.nroEnvio + QStringLiteral("  Fec.Generación: ") + fecha(ahora);
}

void detener(ContextoResumen& ctx, const QString& texto) {
    ctx.mensajes->show(texto, MsgStyle::Critical, kTitulo);
}

// One pass over CAB: the query goes to the trace, then runs. nullopt after telling the user.
std::optional<bool> pasoCabecera(ContextoResumen& ctx, const LineaResumen& l) {
    WriteFailure falla;
    if (!udp_Traza(ctx.config.traza(), textoConsultaCab(l), &falla)) {
        detener(ctx, errorTecnico(falla.number, QStringLiteral("No se pudo escribir el archivo de traza %1: %2")
                                                    .arg(ctx.config.traza(), falla.text)));
        return std::nullopt;
    }
    return existeCabecera(*ctx.db, l);
}

// No declaration to summarise: what an earlier run left under this base name goes, so the host
// never takes it for this submission.
void sinCabecera(ContextoResumen& ctx, const LineaResumen& l) {
    ctx.sinDeclaracion = true;
    const QString base = l.baseNombre();
    QFile::remove(ctx.config.rptPath + base + QStringLiteral(".PRN"));
    QFile::remove(ctx.config.rptPath + base + QStringLiteral(".txt"));
    QFile::remove(ctx.config.tmpPath + base + QStringLiteral(".TXT"));
    detener(ctx, QStringLiteral("No existe la declaración grabada del documento %1, formulario %2, periodo %3.\n"
                                "No se generó el resumen de envío.")
                     .arg(l.documento(), l.formulario, periodoMostrado(l.periodo)));
}

bool confirmar(ContextoResumen& ctx, markup::MarkupWriter& salida, const QString& archivo) {
    if (salida.commit()) return true;
    detener(ctx, errorTecnico(salida.errorNumber(),
                              QStringLiteral("No se pudo escribir el archivo %1: %2").arg(archivo, salida.errorString())));
    return false;
}

}  // namespace

void udp_EscribeMarcado(markup::MarkupWriter& w, const LineaResumen& l, const DatosResumen& d,
                        const QDateTime& ahora) {
    // udp_CabeceraResumen: the header tags, the date and time of the run, the title.
    w.header(markup::kPortrait, markup::kColorWindow);
    w.pos(300, 350, fecha(ahora), markup::kTrue, 10, 0);
    w.pos(300, 600, fmt::formatDate(ahora, QStringLiteral("hh:nn:ss")), markup::kTrue, 10, 0);
    w.pos(4000, 850, QStringLiteral("RESUMEN DE ENVÍO - FORMULARIO  8027"), markup::kTrue, 10, 0);

    const CifrasResumen& c = d.cifras;
    const struct {
        int x, y;
        QString texto;
        const QString& negrita;
    } cuerpo[] = {
        {300, 1500, lineaDocumento(QStringLiteral("DOCUMENTO       : "), l, d), markup::kFalse},
        {300, 1750, QStringLiteral("RAZON SOCIAL    : ") + d.nombre, markup::kFalse},
        {300, 2000, QStringLiteral("FORMULARIO      : ") + l.formulario + QStringLiteral("-KLV PRECIOS DE TRANSFERENCIA  "),
         markup::kFalse},
        {300, 2250, QStringLiteral("PERIODO         : ") + periodoMostrado(l.periodo), markup::kFalse},
        {300, 3000, QStringLiteral("NUM. TRANSACS.  : "), markup::kFalse},
        {2000, 3000, c.cuenta, markup::kFalse},
        {300, 4000, QStringLiteral("SIN ESTUDIO TECNICO  "), kTrueMayusculas},
        {300, 4500, QStringLiteral("MONTO DE TRANSACCIONES  : "), markup::kFalse},
        {3500, 4500, c.sinEstudio, markup::kFalse},
        {300, 5000, QStringLiteral("METODOS TRADICIONALES  "), kTrueMayusculas},
        {300, 5500, QStringLiteral("MONTO SIN AJUSTAR       : "), markup::kFalse},
        {3500, 5500, c.sinAjustar, markup::kFalse},
        {300, 6000, QStringLiteral("MONTO AJUSTADO          : "), markup::kFalse},
        {3500, 6000, c.ajustado, markup::kFalse},
        {300, 6500, QStringLiteral("OTROS METODOS  "), kTrueMayusculas},
        {300, 7000, QStringLiteral("MONTO DE TRANSACCIONES  : "), markup::kFalse},
        {3500, 7000, c.otrosMetodos, markup::kFalse},
        {300, 7500, QStringLiteral("AJUSTE POSITIVO         : "), markup::kFalse},
        {3500, 7500, c.ajustePositivo, markup::kFalse},
        {300, 8000, QStringLiteral("AJUSTE NEGATIVO         : "), markup::kFalse},
        {3500, 8000, c.ajusteNegativo, markup::kFalse},
        {300, 9000, lineaEnvio(l, ahora), markup::kFalse},
    };
    for (const auto& p : cuerpo) w.pos(p.x, p.y, p.texto, p.negrita, 10, 0);
}

QStringList lineasGemelo(const LineaResumen& l, const DatosResumen& d, const QDateTime& ahora) {
    const CifrasResumen& c = d.cifras;
    return {
        lineaDocumento(QStringLiteral("DOCUMENTO      : "), l, d),
        QStringLiteral("RAZON SOCIAL   : ") + d.nombre,
        QStringLiteral("FORMULARIO     : ") + l.formulario + QStringLiteral("-KLV PRECIOS DE TRANSFERENCIA"),
        QStringLiteral("PERIODO        : ") + periodoMostrado(l.periodo),
        QString(),
        QString(),
        QStringLiteral("NUM. TRANSACS  : ") + c.cuenta,
        QString(),
        QString(),
        QStringLiteral("SIN ESTUDIO TECNICO  "),
        QString(),
        QStringLiteral("MONTO DE TRANSACCIONES  : ") + c.sinEstudio,
        QString(),
        QString(),
        QStringLiteral("METODOS TRADICIONALES  "),
        QString(),
        QStringLiteral("MONTO SIN AJUSTAR       : ") + c.sinAjustar,
        QStringLiteral("MONTO AJUSTADO          : ") + c.ajustado,
        QString(),
        QString(),
        QStringLiteral("OTROS METODOS  "),
        QStringLiteral("MONTO DE TRANSACCIONES  : ") + c.otrosMetodos,
        QStringLiteral("AJUSTE POSITIVO         : ") + c.ajustePositivo,
        QStringLiteral("AJUSTE NEGATIVO         : ") + c.ajusteNegativo,
        QString(),
        lineaEnvio(l, ahora),
    };
}

std::optional<QString> udf_GeneraResumenEnvio(ContextoResumen& ctx, ConversorTexto& conversor,
                                              const LineaResumen& l) {
    const QDateTime ahora = ctx.reloj->now();
    try {
        // Markup pass: the declaration must exist before anything is registered or written.
        const auto cabecera = pasoCabecera(ctx, l);
        if (!cabecera) return std::nullopt;
        if (!*cabecera) {
            sinCabecera(ctx, l);
            return std::nullopt;
        }
        DatosResumen datos;
        datos.tipoCorto = udf_TipoDocCorto(*ctx.db, l.tipo());
        datos.nombre = udf_NombreContribuyente(*ctx.db, l.tipo(), l.documento());
        datos.cifras = calcularCifras(*ctx.db, l);

        const QString archivo = numeroSpool(*ctx.db, QStringLiteral("PTR001"), Declarant{l.tipo(), l.documento()},
                                            ctx.config.usuario, ahora, ctx.config.rptPath);
        ctx.archivoSpool = archivo;
        const QString marcado = ctx.config.rptPath + archivo;
        markup::MarkupWriter salidaMarcado(marcado);
        udp_EscribeMarcado(salidaMarcado, l, datos, ahora);
        if (!confirmar(ctx, salidaMarcado, marcado)) return std::nullopt;

        // Twin pass.
        const auto cabecera2 = pasoCabecera(ctx, l);
        if (!cabecera2) return std::nullopt;
        if (!*cabecera2) {
            sinCabecera(ctx, l);
            return std::nullopt;
        }
        const QString gemelo =
            ctx.gemelo.isEmpty() ? ctx.config.rptPath + l.baseNombre() + QStringLiteral(".PRN") : ctx.gemelo;
        markup::MarkupWriter salidaGemelo(gemelo);  // plain lines, written whole or not at all
        conversor.udp_Salida(&salidaGemelo);
        for (const QString& linea : lineasGemelo(l, datos, ahora)) conversor.udp_ImprimeLinea(linea);
        conversor.udp_Salida(nullptr);
        if (!confirmar(ctx, salidaGemelo, gemelo)) return std::nullopt;
        return l.baseNombre();
    } catch (const DbError& e) {
        conversor.udp_Salida(nullptr);
        detener(ctx, errorTecnico(e.number(), e.text()));
        return std::nullopt;
    } catch (const SpoolFileError& e) {
        conversor.udp_Salida(nullptr);
        detener(ctx, errorTecnico(e.number(), e.text()));
        return std::nullopt;
    }
}

}  // namespace klv::resumen
