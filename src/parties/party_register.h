#pragma once
// The register of one declarant's informed parties: the list with its display texts, the
// declarant's name, and the delete of a party with its stored transactions, which marks the
// declarant's declarations left without positive totals as saved with inconsistencies.

#include "keys.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace klv {

struct AppContext;
class DbError;

// One row of the register's grid.
struct PartyListRow {
    Party party;           // TIP_DOC_P, DOC_ID_P: the key the actions read
    QString formulario;
    QString tipDoc;        // short name of the document type (characters 32-43 of the '044' Funcion,
                           // trimmed); empty when the type has no PARAM row
    QString razonSocial;
    QString flagConDom;    // as stored
    QString pais;          // country name (PARAM '976' Funcion, trimmed); empty when unknown
    QString flagParFis;
    QString flagParVin;
    QString codNatJur;

    // Display text of grid column 0-8 ("SI"/"NO" for the flags, the kind's name, the type number).
    QString texto(int column) const;
};

// Captions of the nine grid columns.
const QStringList& columnasInformados();

// udp_Refresca_Grilla's rows: every party of the declarant, any form code, in key order. A party
// whose country or document type has no PARAM row is listed with empty text for it.
std::vector<PartyListRow> listarInformados(const AppContext& ctx, int tipDocD, const QString& docIdD);

// " N Registros Encontrados." (one leading blank).
QString textoRegistros(int n);

// The CONT name of the declarant (document type 6), restricted to the user's own taxpayers unless
// the user's type is numerically 0; empty when there is none.
QString nombreDeclarante(const AppContext& ctx, const QString& ruc);

// The delete action on one party: the question about its stored transactions (style 36) when it
// has any, then the confirmation (style 292); on Yes both, deletes the party with its types, its
// transactions and their types of every period, and marks with Estado 9 every declaration (CAB,
// form gFormulario) of the declarant that has no transaction left or whose totals are all zero or
// less. All of it in one transaction: a failure is shown ("Error") and deletes nothing. True when
// the party was deleted.
bool udp_EliminarInformado(const AppContext& ctx, const QString& ruc, const Party& parte);

// The writes of the delete, in one transaction (a savepoint inside a caller's). Throws DbError with
// nothing changed.
void borrarInformado(const AppContext& ctx, const QString& ruc, const Party& parte);

// A database failure as the register and the detail show it: the text and the number, title
// "Error".
void mostrarErrorBD(const AppContext& ctx, const DbError& e);

}  // namespace klv
