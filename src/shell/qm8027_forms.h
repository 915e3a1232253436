#pragma once
// The form launcher entries of QM8027: every subsystem's forms as the module opens them. Used by
// the program's main and by the end-to-end walk, which runs the module's own windows in-process.

namespace klv {

struct AppContext;

// Sets every entry of `ctx.forms`; `ctx` must outlive the forms opened through them.
void setModuleForms(AppContext& ctx);

}  // namespace klv
