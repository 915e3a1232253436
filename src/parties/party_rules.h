#pragma once
// The data side of the party detail's choice rules: which document types a person kind is offered
// by domicile, how long a document number of a type may be, which countries are tax havens, and
// which of the legal-address and birth-date fields a choice opens.

#include "party_state.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace klv {

struct AppContext;

// What choosing a person kind in mode "Nuevo" does, by domicile ("1", "0" or "").
struct KindRule {
    // PARAM '044' codes offered, for udp_CargaTiposDoc; empty: the list is left alone.
    QStringList tipos;
    // Mode of udp_HabilitaDirLegal (called with enable False); none: not called.
    std::optional<int> modoDirLegal;
};
// Natural: domiciled '1','4','6','7' (mode 0), not domiciled '31','32','7' (mode 1), none without
// domicile. Legal: '6' (mode 0) or '31' (mode 2). Other: '31' whatever the domicile (mode 0).
KindRule reglaNaturaleza(party::Kind kind, const QString& sConDom);

// Enabled state of the legal-address type, the legal address and the birth date after
// udp_HabilitaDirLegal(mode, enable): mode 0 all three follow `enable`; mode 1 all enabled; any
// other mode the address pair enabled and the birth date disabled.
struct DirLegalEnabled {
    bool tipResid, dirLegal, fecNac;
};
DirLegalEnabled udp_HabilitaDirLegal(int modo, bool habilitar);

// Most characters of a document number by the two-digit type code: "01" 8, "04" and "07" 12,
// "06" 11, "31" and "32" 50; none for any other code (the length is left as it is).
std::optional<int> longitudDocumento(const QString& codigo);

// True when the country code (trimmed) has a PARAISO_FISCAL row (any form code).
bool udp_VerificaParaiso(const AppContext& ctx, const QString& codigo);

}  // namespace klv
