#include "party_state.h"

#include "format.h"

namespace klv {

int PartyState::tipoNumero() const { return static_cast<int>(fmt::val(tipoCodigo())); }

}  // namespace klv
