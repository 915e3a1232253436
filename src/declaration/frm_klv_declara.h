#pragma once
// The declaration form: the declarant and the period, the header questions, the attached technical
// study and the rectification question on the identification tab; the grid of the declaration's
// working transactions with their six totals on the transactions tab; Grabar, Validar and Salir.
//
// The form gathers its controls into a DeclarationState and leaves the checks, the working copy
// and the save to the declaration's logic. What a handler reads or writes runs on the engine's
// thread, in one call of the runner of long work (long_work.h), and the controls are filled once
// it returns. It opens in mode "Nuevo" (caller "MDI_KLV_PT") or "Modificar" on a stored
// declaration (caller "FrmContAbrir").

#include "app_context.h"
#include "declaration_save.h"
#include "declaration_state.h"
#include "work_progress.h"

#include <QDialog>
#include <QStringList>
#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableView;

namespace klv {

class TransactionGridModel;
struct DeclarantNames;

class Frm_KLV_Declara : public QDialog {
    Q_OBJECT
public:
    explicit Frm_KLV_Declara(AppContext& ctx, QWidget* parent = nullptr);
    ~Frm_KLV_Declara() override;

    // Opens a fresh form modally, as the main window (caller "MDI_KLV_PT": a new declaration) and
    // the chooser (caller "FrmContAbrir": the stored declaration `key`) do, and returns when it has
    // closed: true when it closed in mode "Modificar" (the chooser is then shown again). A
    // declaration that cannot be opened is reported and the form is not shown.
    static bool run(AppContext& ctx, QWidget* parent, const QString& caller, const DeclarationKey* key);

    // "MDI_KLV_PT" sets mode "Nuevo", "FrmContAbrir" mode "Modificar"; any other name leaves it.
    void udp_DefCaller(const QString& caller);
    // Fills the declarant list and opens the declaration: in mode "Modificar" the stored one of
    // `key`, otherwise an empty working copy; everything it reads is read in one call. Throws
    // DbError.
    void Form_Load(const DeclarationKey* key = nullptr);
    // What runs each time the form comes back to the front: the grid, the totals and the
    // attached study are read again (one call), the grid only when something was written since
    // it was read.
    void Form_Activate();
    // Shows the form modally (after Form_Load) until Salir closes it; true when it closed in mode
    // "Modificar".
    bool showModal();

    // Handlers, also run by the controls' signals.
    void CboNumDoc_Click();
    void MkePeriodo_Change();
    void MkePeriodo_LostFocus();
    void TabDeclaraciones_Click(int previousTab);
    void OptAutoMonExt_Si_Click();
    void OptAutoMonExt_No_Click();
    void OptEstTecTra_Si_Click();
    void OptEstTecTra_No_Click();
    void CmdAdjuntar_Click();
    void TxtRuta_Change();
    void OptRectifica_Click(int index);
    void CmdOpciones_Click(int index);
    void CmdGrabar_Click();
    void CmdValidar_Click();
    void cmdCancelar_Click();

    // Mode, flags and answers as the form holds them.
    const DeclarationState& state() const { return st_; }
    bool closedInModify() const { return closedInModify_; }
    // The declaration shown, as the forms it opens receive it.
    OpenDeclaration openDeclaration() const;
    const TransactionGridModel& gridModel() const { return *model_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

public slots:
    void reject() override;

private:
    void buildIdentificationTab(QWidget* page);
    void buildTransactionsTab(QWidget* page);
    void gatherState();
    void setModified();
    QString ruc() const;
    int period() const;
    // What the opening reads in one call (declarant list, stored declaration, working copy, grid)
    // and what a stored declaration's opening reads of it.
    struct LoadRead;
    struct EditRead;
    // `progress` hears the share of the whole opening, the grid's read after the rebuild included.
    static EditRead readEdit(AppContext& w, const QStringList& declarants, DeclarationState st,
                             const QString& outsideDeclarant, const DeclarationKey& key, const WorkProgress& progress);
    // Puts a stored declaration read by the opening into the controls. Throws DbError.
    void udp_CargarEdit(LoadRead& r);
    // The grid's rows and totals as the engine's thread reads them (with `progress`, the share of
    // the rows read), and putting them in place.
    struct GridRead;
    static GridRead readGrid(AppContext& w, int tipDocD, const QString& ruc, const QString& periodo,
                             const WorkProgress& progress = {});
    // The same, a failure of the rows' read kept in the result rather than thrown.
    static GridRead readGridKept(AppContext& w, int tipDocD, const QString& ruc, const QString& periodo);
    // A failed read (kept) leaves the grid empty and is thrown; failed totals are thrown once the
    // grid is shown.
    void applyGrid(GridRead g);
    // What the activation reads in one call.
    struct ActivateRead;
    // What choosing the declarant shows once its names are read (a failed read is reported and
    // shows none).
    void applyDeclarant(const DeclarantNames& d, const std::exception_ptr& failure);
    // Runs Grabar or Validar on the engine's thread with its progress shown (on the form's state,
    // taken back when it ends), then gives the focus and the tab it asks for; nothing (and
    // nullopt) while a long work runs. `failure` opens the message when the work cannot even
    // begin.
    std::optional<ButtonOutcome> runButton(
        const QString& text, const QString& failure,
        const std::function<ButtonOutcome(AppContext&, DeclarationState&, const WorkProgress&)>& button);
    // Caption of question 2 and the 2012 frames, by the period.
    void applyPeriodLayout(const QString& shortCaption);
    // The form's height from what the Identificación tab needs at the form's width (see showEvent).
    void fitHeight();
    // The year checks of the period box and, when they pass, the status bar; false when a message
    // ended the check.
    bool checkPeriodAndPublish();
    // Its two halves around the read of whether the declaration is stored: the year check (false
    // when its message ended the check; `lookup` tells whether that read is needed), then what
    // the read found (false when a message ended the check).
    bool checkPeriodYear(bool& lookup);
    bool publishPeriod(bool exists, const std::exception_ptr& failure);
    // The form's state as gatherState() would leave it, without changing it.
    DeclarationState gatheredState() const;
    void lockKey(bool locked);
    void setRucAutorEnabled(bool enabled);
    void clearAttachment();
    void focusOn(DeclFocus focus);
    void selectTab(int index);
    void reportFailure(const std::exception& e);
    void reportFailure(const std::exception_ptr& failure);
    void openTransactionForm(const QString& mode);
    // Hides the form while `openForm` runs the form it opens, then shows it again where it was
    // (a dialog shown again is otherwise placed anew over its parent) and activates it.
    void hiddenWhile(const std::function<void()>& openForm);

    AppContext& ctx_;
    DeclarationState st_;
    bool closedInModify_ = false;
    bool closing_ = false;
    bool inTabHandler_ = false;
    bool fitted_ = false;
    int currentTab_ = 0;
    // Arguments of the grid's last reload: a plain refresh runs the same query again.
    int gridTipDoc_ = 6;
    QString gridRuc_, gridPeriodo_;
    // Set by the load's refresh: the activation that follows the show need not run it again while
    // nothing has been written since.
    bool gridFromLoad_ = false;
    // The engine connection's change stamp, taken in the call that read the grid just before its
    // rows: an equal stamp read later means the grid still shows the working copy.
    Database::ChangeStamp gridStamp_;
    // RUC of a declarant added to the list for the stored declaration opened (not the user's own).
    QString outsideDeclarant_;

    QTabWidget* TabDeclaraciones = nullptr;
    QComboBox* CboNumDoc = nullptr;
    QLineEdit* TxtRazsoc = nullptr;
    QLineEdit* TxtNombre_1 = nullptr;
    QLineEdit* TxtApellido_P = nullptr;
    QLineEdit* TxtApellido_M = nullptr;
    QLineEdit* MkePeriodo = nullptr;
    std::array<QLabel*, 17> Label10{};
    QLabel* LblAutoMonExt = nullptr;
    QRadioButton* OptAutoMonExt_Si = nullptr;
    QRadioButton* OptAutoMonExt_No = nullptr;
    QLabel* LblEstTecTra = nullptr;
    QRadioButton* OptEstTecTra_Si = nullptr;
    QRadioButton* OptEstTecTra_No = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* TxtRUC = nullptr;
    QGroupBox* FraAdjuntar = nullptr;
    QLineEdit* TxtRuta = nullptr;
    QPushButton* CmdAdjuntar = nullptr;
    QLineEdit* TxtTam = nullptr;
    QCheckBox* ChkETPT = nullptr;
    QGroupBox* FraRectificatoria = nullptr;
    std::array<QRadioButton*, 2> OptRectifica{};
    QTableView* GrdTransacciones = nullptr;
    TransactionGridModel* model_ = nullptr;
    std::array<QPushButton*, 4> CmdOpciones{};
    QLabel* lblNumTransacciones = nullptr;
    QLineEdit* TxtMtoTran00 = nullptr;
    QLineEdit* TxtMtoSinAju01 = nullptr;
    QLineEdit* TxtMtoAju01 = nullptr;
    QLineEdit* TxtMtoTran02 = nullptr;
    QLineEdit* TxtMtoAjuPos02 = nullptr;
    QLineEdit* TxtMtoAjuNeg02 = nullptr;
    QPushButton* CmdGrabar = nullptr;
    QPushButton* CmdValidar = nullptr;
    QPushButton* cmdCancelar = nullptr;
};

}  // namespace klv
