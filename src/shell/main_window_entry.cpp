#include "main_window_entry.h"

#include "app_context.h"
#include "mdi_klv_pt.h"

namespace klv {

void showMainWindow(AppContext& ctx) {
    auto* frame = new MDI_KLV_PT(ctx);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->show();
}

}  // namespace klv
