#pragma once
// udf_Validar: whether the party on the detail form may be saved. It stops at the first rule that
// fails, shows that rule's message and tells which control takes the focus. Nothing is written.

#include "party_state.h"

namespace klv {

struct AppContext;

struct PartyCheck {
    bool ok = true;
    party::Focus focus = party::Focus::None;
};

// With the utility component's gate closed: ok at once, no message. Otherwise the document
// prelude (length and character rule of the type, then the RUC test for type 6; style 16, titled
// with the detail form's caption) and then the 23 rules in order, each with its catalogue message
// of "FrmPartesVincDet" (style 48, gTitulo). The number of ticked types is st.udf_nTiposVinc().
PartyCheck udf_Validar(const AppContext& ctx, const PartyState& st);

}  // namespace klv
