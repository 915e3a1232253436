#include "main_window_entry.h"

#include "app_context.h"

#include <QMainWindow>
#include <QMdiArea>

namespace klv {

void showMainWindow(AppContext& ctx) {
    // An empty MDI frame until the main window with its menus takes this place.
    auto* frame = new QMainWindow;
    frame->setObjectName(QStringLiteral("MDI_KLV_PT"));
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->setWindowTitle(QStringLiteral("8027 Precios de Transferencia - v 1.4"));
    frame->setCentralWidget(new QMdiArea(frame));
    // 9555 x 7320 twips at 15 twips a pixel.
    frame->resize(637, 488);
    frame->move(0, 0);
    frame->show();
    (void)ctx;
}

}  // namespace klv
