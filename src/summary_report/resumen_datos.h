#pragma once
// What the summary reads from the shared database, and the small helpers of its texts: the
// declaration's CAB row (its query text goes to the trace), the count and the sums of its
// transactions, the taxpayer's name, the short text of its document type, the right padding, and
// the trace file. Every query binds its values; only the trace holds the query as text.

#include "linea_comandos.h"

#include <QString>

namespace klv {
class Database;
struct WriteFailure;
}

namespace klv::resumen {

// The text padded on the right with blanks to the width (at most 80 blanks are added); a text as
// long as the width or longer comes back whole.
QString udf_RellenaDerecha(const QString& texto, int ancho);

// The trimmed CONT.Nombre of the taxpayer, or "" when it has no row.
QString udf_NombreContribuyente(const Database& db, int tipo, const QString& documento);

// The trimmed twelve characters from position 32 of the PARAM '044' Funcion of the type (written
// without leading zero), or "RUC" when the type has no row.
QString udf_TipoDocCorto(const Database& db, int tipo);

// Appends one line to the trace file (Windows-1252, CR LF). False when it cannot be written
// (a link at its name is refused): `why` then holds the cause.
bool udp_Traza(const QString& archivoTraza, const QString& texto, WriteFailure* why = nullptr);

// The CAB query as the trace shows it: the values in place, the type in numeric-text form (a
// leading blank: "Tip_doc_d= 6").
QString textoConsultaCab(const LineaResumen& linea);
// True when CAB holds the declaration (type, trimmed document, query period, form).
bool existeCabecera(const Database& db, const LineaResumen& linea);

// The figures of the summary, formatted ("###,###,##0" for the count, "###,###,###,##0.00" for
// the amounts, "0.00" for a method without rows) and padded to 15.
struct CifrasResumen {
    QString cuenta;          // transactions of the declaration (form included), shown period
    QString sinEstudio;      // method 00
    QString sinAjustar;      // method 01 before adjustment
    QString ajustado;        // method 01 after adjustment
    QString otrosMetodos;    // method 02 amount
    QString ajustePositivo;  // method 02
    QString ajusteNegativo;  // method 02
};
// The count filters on the form, the sums do not; both take the shown period. Throws DbError
// (an amount of methods 00 or 02 that is not a number).
CifrasResumen calcularCifras(const Database& db, const LineaResumen& linea);

}  // namespace klv::resumen
