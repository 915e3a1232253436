#include "combo_fillers.h"

#include "item_combo.h"

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

void udp_CargaTiposDoc(QComboBox* cbo, const QStringList& items) {
    llenar(cbo, items);
    // A user reads the code and the description (characters 1 to 67); the length and the flags
    // after them are for the program.
    if (auto* shown = qobject_cast<ItemCombo*>(cbo))
        shown->setShownText([](const QString& item) { return item.left(67).trimmed(); });
}

void udp_CargaParam(QComboBox* cbo, const QStringList& items) { cbo->addItems(items); }

void udp_CargaCombo(QComboBox* cbo, const QStringList& items) { llenar(cbo, items); }

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
