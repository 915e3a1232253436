#pragma once
// The one place where start-up shows the module's main window.

namespace klv {

struct AppContext;

// Shows the main window modeless; the program then lives as long as its windows.
void showMainWindow(AppContext& ctx);

}  // namespace klv
