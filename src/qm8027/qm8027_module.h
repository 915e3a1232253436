#pragma once
// What QM8027 gives its forms: the services (messages on the display, standard error without one;
// the clock; the status panels; the help) and the form launcher entries of every subsystem. Used by
// the program's main and by the end-to-end walk, which runs the module's own windows in-process.

#include "clock.h"
#include "help_service.h"
#include "message_service.h"
#include "status_panels.h"

#include <memory>

namespace klv {

struct AppContext;

// Sets every entry of `ctx.forms`; `ctx` must outlive the forms opened through them.
void setModuleForms(AppContext& ctx);

// Owns the module's services and points `ctx` at them, then sets the launcher entries. Keep it
// alive as long as `ctx` is used.
class ModuleServices {
public:
    explicit ModuleServices(AppContext& ctx);
    ~ModuleServices();
    ModuleServices(const ModuleServices&) = delete;
    ModuleServices& operator=(const ModuleServices&) = delete;

private:
    std::unique_ptr<MessageService> messages_;
    SystemClock clock_;
    StatusPanels panels_;
    std::unique_ptr<DesktopHelpService> help_;
};

}  // namespace klv
