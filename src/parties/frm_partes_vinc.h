#pragma once
// The register of informed parties (caption "Listado de Informados"). Maintenance mode (caller
// "MDI_KLV_PT"): choose a declarant, then add, modify, delete or import its parties. Selection
// mode (caller "FrmTransacciones"): the open declaration's declarant only, and "&Seleccionar"
// hands the current row's party back.

#include "app_context.h"
#include "party_register.h"

#include <QDialog>
#include <array>
#include <exception>
#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTableView;

namespace klv {

class FrmPartesVinc : public QDialog {
    Q_OBJECT
public:
    explicit FrmPartesVinc(AppContext& ctx, QWidget* parent = nullptr);

    // Maintenance: opens the register modally and returns when it is left.
    static void run(AppContext& ctx, QWidget* parent, const QString& caller);
    // Selection for the transaction form: `cboNumDoc` (the declaration form's declarant text) is
    // the combo's only entry. The party chosen, or none (Salir, or an empty list).
    static std::optional<Party> select(AppContext& ctx, QWidget* parent, const QString& cboNumDoc);

    void udp_Def_Caller(const QString& caller) { caller_ = caller; }
    // Lays the form out for its mode; in selection mode `cboNumDoc` becomes the only entry, is
    // chosen and the list loads at once. Throws what the read of the declarants threw.
    void Form_Load(const QString& cboNumDoc = QString());
    // Shows the form modally until Salir (or a selection) closes it.
    void showModal();

    // The declarant's name and its parties, read in one call.
    void CboNumDoc_Click();
    // Reads the declarant's parties and shows them (throws what the read threw).
    void udp_Refresca_Grilla(int tipDocD, const QString& docIdD);
    void CmdOpciones_Click(int index);
    void CmdSalir_Click();

    bool selectionMode() const { return caller_ == QLatin1String("FrmTransacciones"); }
    std::optional<Party> selected() const { return selected_; }
    int rowCount() const { return static_cast<int>(rows_.size()); }
    // The party of the grid's current row (none for an empty list).
    std::optional<Party> currentParty() const;
    QString ruc() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Hides the register while `open` shows another form, then shows it again and reloads.
    void openOver(const std::function<void()>& open);
    // Puts the rows read in the grid, the current party kept current, and their count below.
    void showRows(std::vector<PartyListRow> rows);
    void reportFailure(const std::exception& e);

    AppContext& ctx_;
    QString caller_;
    std::vector<PartyListRow> rows_;
    std::optional<Party> selected_;
    bool closing_ = false;

    QComboBox* CboNumDoc = nullptr;
    QLineEdit* TxtRazon_Social = nullptr;
    QTableView* GrdVinculadas = nullptr;
    QStandardItemModel* model_ = nullptr;
    QLabel* lblNumVinculadas = nullptr;
    std::array<QPushButton*, 4> CmdOpciones{};
    QPushButton* CmdSalir = nullptr;
};

}  // namespace klv
