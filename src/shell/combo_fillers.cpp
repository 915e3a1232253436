#include "combo_fillers.h"

#include "item_combo.h"
#include "param_lookups.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QWidget>
#include <algorithm>

namespace klv {
namespace {

void llenar(QComboBox* cbo, const QStringList& items) {
    cbo->clear();
    cbo->addItems(items);
}

}  // namespace

void udp_CargaTiposDoc(const AppContext& ctx, QComboBox* cbo, const QStringList& codigos, bool blank) {
    llenar(cbo, udf_ItemsTiposDoc(ctx, codigos, blank));
    // A user reads the code and the description (characters 1 to 67); the length and the flags
    // after them are for the program.
    if (auto* shown = qobject_cast<ItemCombo*>(cbo))
        shown->setShownText([](const QString& item) { return item.left(67).trimmed(); });
}

void udp_CargaParam(const AppContext& ctx, QComboBox* cbo, const QString& numero) {
    cbo->addItems(udf_ItemsParam(ctx, numero));
}

void udp_CargaContribuyentes(const AppContext& ctx, QComboBox* cbo, const QString& tipDoc) {
    llenar(cbo, udf_ItemsContribuyentes(ctx, tipDoc));
}

void udp_CargaParamLike(const AppContext& ctx, QComboBox* cbo, const QString& numero, const QString& patron,
                        int largo, int inicio, bool blank) {
    llenar(cbo, udf_ItemsParamLike(ctx, numero, patron, largo, inicio, blank));
}

void udp_CargaMonedas(const AppContext& ctx, QComboBox* cbo, const QStringList& codigos, bool blank) {
    llenar(cbo, udf_ItemsMonedas(ctx, codigos, blank));
}

int udf_AnchoCaracter(const QWidget* frm) {
    static const QString letras = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetrics fm = frm ? frm->fontMetrics() : QFontMetrics(QFont());
    return fm.horizontalAdvance(letras) / static_cast<int>(letras.size());
}

void udp_AnchoListaCombo(const QWidget* frm, QComboBox* cbo, int n) {
    if (!cbo) return;
    const long long ancho = static_cast<long long>(n - 2) * udf_AnchoCaracter(frm);
    cbo->view()->setMinimumWidth(static_cast<int>(std::clamp(ancho, 0LL, 16777215LL)));
}

}  // namespace klv
