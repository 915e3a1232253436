#include "declaration_state.h"

#include "declaration_sql.h"

namespace klv {

int DeclarationState::periodValue() const { return decl::periodValue(periodo); }

DeclarationKey DeclarationState::key(const AppContext& ctx) const {
    return DeclarationKey{6, ruc(), periodo, ctx.gFormulario};
}

}  // namespace klv
