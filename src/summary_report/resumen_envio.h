#pragma once
// The submission summary ("RESUMEN DE ENVÍO") of one declaration: a report-markup file registered
// in SPOOL under PTR001 (RPT/NNNNNNNN.PRN) and a plain-text twin (RPT/base.PRN, base = form,
// period, submission code and number), with the declarant, the form and period, the number of
// transactions and the sums by valuation method.

#include "linea_comandos.h"
#include "resumen_config.h"
#include "resumen_datos.h"

#include <QDateTime>
#include <QStringList>
#include <memory>
#include <optional>

namespace klv {
class Clock;
class Database;
class MessageService;
namespace markup {
class MarkupWriter;
}
}  // namespace klv

namespace klv::resumen {

class ConversorTexto;

// What one run works with.
struct ContextoResumen {
    MessageService* mensajes = nullptr;
    const Clock* reloj = nullptr;
    ConfigResumen config;
    std::unique_ptr<Database> db;
    QString archivoSpool;         // the markup file this run registered in SPOOL, once it has
    bool sinDeclaracion = false;  // the run stopped because CAB has no row for the declaration
    QString gemelo;               // where the twin is written; empty: the report folder's base.PRN
};

// The data of the summary's lines.
struct DatosResumen {
    QString tipoCorto;  // udf_TipoDocCorto
    QString nombre;     // udf_NombreContribuyente
    CifrasResumen cifras;
};

// The 29 lines of the markup file: the four header tags, then the texts of page 0 (size 10; bold
// "True" in the header, "TRUE" in the three block headings, "False" elsewhere).
void udp_EscribeMarcado(markup::MarkupWriter& salida, const LineaResumen& linea, const DatosResumen& datos,
                        const QDateTime& ahora);
// The 26 lines of the twin (an empty line is "" here; the writer puts one blank).
QStringList lineasGemelo(const LineaResumen& linea, const DatosResumen& datos, const QDateTime& ahora);

// Builds the summary: the CAB query (traced), the figures, the SPOOL row and the markup file, the
// CAB query again (traced), the twin. Returns the base name; nullopt after telling the user why it
// stopped. Without a CAB row nothing is registered or written, and the twin, its text and the
// copy that an earlier run left under this base name are removed.
std::optional<QString> udf_GeneraResumenEnvio(ContextoResumen& ctx, ConversorTexto& conversor,
                                              const LineaResumen& linea);

}  // namespace klv::resumen
