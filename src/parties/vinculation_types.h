#pragma once
// The vinculation types: the reference list TIP_VIN the chooser shows and the codes stored for one
// party (TIP_VIN_PAR). The ticks themselves travel in PartyState::tipos.

#include <QString>
#include <QStringList>
#include <vector>

namespace klv {

struct AppContext;

struct TipoVinculacion {
    QString codigo;    // COD_TIP_VIN
    QString numRenta;  // NUM_RENTA: the article's numeral
    QString nombre;    // NOM_TIP_VIN
};

// udp_CargarLstTipVin's rows: every TIP_VIN row (any form code) in code order; NULL reads as "".
std::vector<TipoVinculacion> udp_CargarLstTipVin(const AppContext& ctx);

// IniciarArray: the party's stored type codes (TIP_VIN_PAR of the declarant, any form code), in
// key order, each once, empty codes left out.
QStringList IniciarArray(const AppContext& ctx, const QString& docIdD, const QString& tipDocP, const QString& docIdP);

}  // namespace klv
