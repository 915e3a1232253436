#include "party_state.h"

#include "format.h"

namespace klv {

int PartyState::tipoNumero() const { return static_cast<int>(fmt::val(tipoCodigo())); }

void PartyState::marcarTipo(const QString& codigo, bool marcado) {
    const QString c = codigo.trimmed();
    if (c.isEmpty()) return;
    if (!marcado) {
        tipos.removeAll(c);
        return;
    }
    if (!tipos.contains(c) && tipos.size() < party::kMaxTiposVinc) tipos << c;
}

}  // namespace klv
