#pragma once
// The vinculation-type chooser: the TIP_VIN list with a tick per type. It opens on the ticks of
// the party being edited; Aceptar hands back the ticks, Salir keeps the previous ones.

#include "app_context.h"

#include <QDialog>
#include <QStringList>
#include <optional>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace klv {

class FrmTiposVinc : public QDialog {
    Q_OBJECT
public:
    explicit FrmTiposVinc(AppContext& ctx, QWidget* parent = nullptr);

    // Opens the chooser modally on `ticks`; the ticks accepted, or none when it was left with
    // Salir or TIP_VIN is empty.
    static std::optional<QStringList> run(AppContext& ctx, QWidget* parent, const QStringList& ticks);

    // Fills the list (udp_CargarLstTipVin, read by a call) and ticks the codes given
    // (udp_MarcarTipVinArr). False, after "NO SE ENCONTRO TIPOS DE VINCULACION", when TIP_VIN is
    // empty. Throws what the read threw.
    bool Form_Load(const QStringList& ticks);
    void cmdAceptar_Click();
    void CmdSalir_Click();
    // A click on an item's text inverts its tick.
    void LvwParteVinculada_ItemClick(QTreeWidgetItem* item);

    // The codes ticked on the list, in list order (udp_GuardarTipVinArr).
    QStringList ticks() const;
    bool accepted() const { return accepted_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AppContext& ctx_;
    QTreeWidget* LvwParteVinculada = nullptr;
    QPushButton* CmdAceptar = nullptr;
    QPushButton* CmdSalir = nullptr;
    QTreeWidgetItem* toggledByBox_ = nullptr;
    bool toggling_ = false;
    bool accepted_ = false;
};

}  // namespace klv
