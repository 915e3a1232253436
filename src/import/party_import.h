#pragma once
// The related-party file RUC.ifm: 28 fields a line, each checked as it is read, then the line's
// own rules; a sound line adds the party to PAR_VIN or updates it, with its vinculation types
// in TIP_VIN_PAR replaced by the ticked ones.

#include "import_fields.h"

#include <QString>
#include <array>

namespace klv {
struct AppContext;
class PartyWriter;
class Utilitarios;
}

namespace klv::import {

constexpr int kCamposInformado = 28;

// The values of one line, index 1 to 28 (0 unused), as checked so far.
using PartyFields = std::array<QString, kCamposInformado + 1>;

// The code of an empty field (1, 2, 7-10), or "" when an empty field is taken (3-6, 11, 26-28
// empty, 12-25 as "0").
QString codigoCampoVacioInformado(int n);

// The checks of field n with the line's earlier fields: "" when the field passes, else the code
// of the last check that failed.
QString validaCampoInformado(const AppContext& ctx, const ReferenceCache& ref, int n, const QString& value,
                             const PartyFields& f);

// The line's own rules once its 28 fields passed: "" for a sound line, else its code.
QString validaLineaInformado(const PartyFields& f);

// Reads the line's fields and checks them: "" with `f` filled, or the code that rejects the line.
QString leerLineaInformado(const AppContext& ctx, const ReferenceCache& ref, const QString& line, PartyFields& f);

// Writes a sound line with the run's writer: true when the party was added, false when it was
// updated.
bool grabarLineaInformado(PartyWriter& writer, const AppContext& ctx, const QString& ruc, const PartyFields& f);

}  // namespace klv::import
