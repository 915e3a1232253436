#include "show_report.h"

#include "frm_preview.h"

namespace klv {

bool udp_MostrarReporte(AppContext& ctx, QWidget* parent, const QString& nomArchivo, const QString& modo,
                        const std::optional<markup::PageRange>& range) {
    FrmPreview preview(ctx, nomArchivo, range, parent);
    if (modo == QLatin1String("Vprevia")) {
        const bool ok = preview.Form_Load();
        preview.exec();
        return ok;
    }
    return preview.printFile();
}

}  // namespace klv
