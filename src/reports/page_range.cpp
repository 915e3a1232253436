#include "page_range.h"

#include "format.h"

#include <cmath>

namespace klv {

PageRangeCheck checkPageRange(const QString& desde, const QString& hasta, int total) {
    if (desde.trimmed().isEmpty()) return QStringLiteral("Ingrese página de inicio.");
    const double from = fmt::val(desde);
    if (from <= 0) return QStringLiteral("Página inicial debe ser a partir de 1.");
    if (from > total) return QStringLiteral("Página inicial no debe ser mayor a total de páginas del reporte.");
    if (hasta.trimmed().isEmpty()) return QStringLiteral("Ingrese página de Fin.");
    const double to = fmt::val(hasta);
    if (to < from) return QStringLiteral("Página final no debe ser menor a la página inicial.");
    markup::PageRange range;
    range.desde = static_cast<int>(std::rint(from));
    const double last = std::rint(to);
    range.hasta = last > 32767.0 ? std::max(total, range.desde) : static_cast<int>(last);
    return range;
}

}  // namespace klv
