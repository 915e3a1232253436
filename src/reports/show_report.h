#pragma once
// udp_MostrarReporte: the one way a written report reaches the user. "Vprevia" opens a fresh
// preview window, modal; any other mode prints the whole file (or the range) without a window.
// A range applies only where it is given: the previews opened from the page-range dialog.

#include "markup_document.h"

#include <QString>
#include <optional>

class QWidget;

namespace klv {

struct AppContext;

// False when the report could not be shown or printed (missing file, malformed line, printer
// failure or cancellation); the reason has been shown.
bool udp_MostrarReporte(AppContext& ctx, QWidget* parent, const QString& nomArchivo, const QString& modo,
                        const std::optional<markup::PageRange>& range = std::nullopt);

}  // namespace klv
