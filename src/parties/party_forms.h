#pragma once
// Sets the launcher entries of the related-party forms: partyRegister, partySelection,
// partyDetail and referenceList.

namespace klv {

struct AppContext;

void setPartyForms(AppContext& ctx);

}  // namespace klv
