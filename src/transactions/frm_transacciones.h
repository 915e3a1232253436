#pragma once
// The transaction form FrmTransacciones ("Detalle de Transacción"): one transaction of the open
// declaration with one informado, its valuation option, types, currency and amounts, on four tabs.
// The declaration form opens it modally in mode "Nuevo" or "Modificar" (on the transaction of its
// grid's current row); it writes only the declaration's working copy.
//
// The form keeps its controls and their click rules; the decisions are the transaction logic's
// (option tables, the check, the save, the load, the type rules): it gathers its controls into a
// TransactionState and applies what comes back. Setting a check, an option or a combo from code
// runs that control's click rule explicitly (Qt's signals do not tell a user's click from code),
// through setCheck/selectOption/selectItem; the signals run the rules only for the user's own
// clicks.
//
// The form calls no engine function itself: each handler that reads or writes gathers its reads
// into one call to the runner (long_work.h) and fills its controls afterwards, in the order the
// rules fill them. A rule run by code inside such a handler (the party combos' rules while a party
// is chosen or a stored transaction is loaded) takes what the handler's call read instead of
// reading again.

#include "app_context.h"
#include "transaction_state.h"

#include <QDialog>
#include <QHash>
#include <QStringList>
#include <array>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTabWidget;
class QTreeWidget;

namespace klv {

class AmountBox;
struct InformadoNoDomCheck;
namespace transaction_form {
template <class T>
class Deferred;
}

class FrmTransacciones : public QDialog {
    Q_OBJECT
public:
    explicit FrmTransacciones(AppContext& ctx, QWidget* parent = nullptr);
    ~FrmTransacciones() override;

    // The launcher's entry: a fresh form in `mode` for the declaration `decl`, loaded and shown
    // modally until it closes. `key` is the transaction to modify (mode "Modificar").
    static void run(AppContext& ctx, QWidget* parent, const QString& mode, const QString& caller,
                    const OpenDeclaration& decl, const TransactionKey* key);

    // Set before Form_Load, as the declaration form does.
    void udp_Modo_Accion(const QString& mode) { mode_ = mode; }
    void udp_Def_Caller(const QString& caller, const QString& respuesta);
    // The declaration shown and, in "Modificar", the transaction of its grid's current row.
    void setDeclaration(const OpenDeclaration& decl, const TransactionKey* key);

    // Load: lists, locks, the stored row in "Modificar", the period layout. False when the
    // transaction to modify could not be loaded (the reason was shown): the form is not shown.
    bool Form_Load();
    // Shows the form modally until it closes (a loop of its own: the form hides itself while the
    // party register is open).
    void showModal();

    // Handlers, also run by the controls' signals.
    void CmdOpciones_Click(int index);
    void CmdSelec_Click();
    // What became of a party handed to udp_SelecPartVinc: chosen, refused, or refused while its
    // detail was opened to complete its data (the register is then shown again to choose it).
    enum class PartyChoice { Chosen, Refused, Completing };
    PartyChoice udp_SelecPartVinc(int tipDocP, const QString& docIdP);
    void OptSinValMet_Click();
    void OptValMetTradi_Click();
    void OptValMetOtros_Click();
    void ChkFinancieras_Click();
    void ChkPCNP_Click();
    void ChkPR_Click();
    void ChkCI_Click();
    void ChkRangoInterCuartil_Click();
    void CboMetodoVal_Click();
    void CboTipDocP_Click();
    void CboDocIdP_Click();
    void CboTipMoneda_Click(int tab);      // tab 1, 2 or 3
    void ChkOtraMoneda_Click(int tab);
    void HScroll1_Change();
    void TabTransac_Click(int previousTab);
    void Frame12_Click();
    void LvwTipTransacc_ItemCheck(int index);
    void LvwTipTransacc_ItemClick(int index);
    // The key rule of TxtMtoTraMonReg: from 2008 Enter or a digit opens the per-type detail.
    // Returns the key to type (0 drops it).
    int TxtMtoTraMonReg_KeyPress(int keyCode);

    // Layout procedures of the amount tabs and the method grid.
    void udp_LimpTipoTran(const QString& flag, const QString& kind);
    void udp_DefTipoTran(const QString& flag, const QString& kind);
    void OrdenaMontos();
    void udp_Bloquear();
    void udp_DesmarcarTipTran();

    // State, for the tests and the logic.
    TransactionState gatherState() const;
    const QString& mode() const { return mode_; }
    const QString& flag() const { return flag_; }
    bool modified() const { return modified_; }
    bool loading() const { return loading_; }
    bool domiciliado() const { return domiciliado_; }
    bool paraisoFiscal() const { return paraisoFiscal_; }
    int helpContext() const { return helpContext_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void reject() override;

private:
    void buildTab0(QWidget* page);
    void buildTab1(QWidget* page);
    void buildTab2(QWidget* page);
    void buildTab3(QWidget* page);
    void connectSignals();

    // Code-driven changes that run the control's click rule when the value changes.
    void setCheck(QCheckBox* box, bool on);
    void selectOption(QRadioButton* option);
    void clearOptions();
    // Selects an item of a combo (or none with -1) and runs its click rule.
    void selectItem(QComboBox* combo, int index);
    void runComboRule(QComboBox* combo);
    void setFinancieras(int value);

    void optionClick(const QString& flag, int tab, QComboBox* currency, bool focusCurrency);
    void methodClick(int method);
    void setTabAvailable(int tab, bool available);
    void setBoxEnabled(QLineEdit* box, bool enabled);
    void setModified();
    void applyPeriodLayout();
    void placeAdjustments(bool mmntShown);
    void setMmntVisible(bool visible);
    void syncTypesFromList();
    void syncListFromTypes();
    // What Form_Load reads in its one call, and what choosing a party reads in its one call.
    struct LoadReads;
    struct PartyReads;
    LoadReads readLoad();
    void fillTypeList(const transaction_form::Deferred<std::vector<TypeItem>>& types);
    void udp_CargarEditLvwTipTransacc(const LoadReads& reads);
    // The rules of the party combos on what a call read: the declarant's parties of the type shown
    // (CboTipDocP), the name of the party shown (CboDocIdP).
    void fillPartyDocs(const transaction_form::Deferred<QStringList>& docs);
    void fillPartyName(const transaction_form::Deferred<QString>& name);
    // Selects an item of a party combo and runs its rule on what a call read.
    void selectPartyType(int index, const transaction_form::Deferred<QStringList>& docs);
    void selectPartyDoc(int index, const transaction_form::Deferred<QString>& name);
    // The declarant of the party combos: the status bar's RUC, trimmed (the declaration's own
    // without a status bar).
    QString declarantRuc() const;
    // Reads, in one call, what choosing the party needs (throws when the call fails);
    // `withGivenName` also reads the name of the party as handed (the rule of CboDocIdP when the
    // user chose it there).
    PartyReads readParty(int tipDocP, const QString& docIdP, bool withGivenName);
    PartyChoice choosePartyWith(int tipDocP, const QString& docIdP, const PartyReads& reads);
    PartyChoice udf_VerificaPartVinc(const InformadoNoDomCheck& check);
    // The party register in selection mode, shown again after each party detail opened from it.
    void chooseInRegister();
    bool udp_CargarEdit(const LoadReads& reads);
    // udp_LimpTipoTran on the currencies read for the option's combo.
    void clearLayout(const QString& flag, const QStringList& currencies);
    void Grabar_Transacc();
    void emptyAfterSave();
    void showVerdictFocus(int tab, const QString& control);
    void amountLeft(AmountBox* box, bool byTab);
    QString currencyCode(int tab) const;
    bool financial() const;
    bool from2012() const;
    int tabOf(QWidget* w) const;

    AppContext& ctx_;
    QString mode_;
    QString caller_;
    QString respuesta_;
    QString flag_;
    bool loading_ = false;
    bool modified_ = false;
    bool domiciliado_ = false;
    bool paraisoFiscal_ = false;
    int helpContext_ = 1021;
    OpenDeclaration decl_;
    TransactionKey key_;
    bool hasKey_ = false;
    int fromCode_ = 0;           // >0 while code changes a control (its signal runs no rule)
    bool inTabHandler_ = false;
    bool closing_ = false;
    bool checkToggled_ = false;  // a tick changed by the current mouse click on the list
    int currentTab_ = 0;
    std::vector<TypeItem> types_;

    QTabWidget* TabTransac = nullptr;
    QLabel* lblmensaje = nullptr;
    std::array<QPushButton*, 3> CmdOpciones{};
    std::array<QLabel*, 30> Label1{};
    QHash<int, QLabel*> Label9;
    std::array<QLabel*, 2> LblPorcent{};
    QHash<QString, QWidget*> named_;  // every control by name

    // Tab 0.
    QGroupBox *Frame3 = nullptr, *Frame13 = nullptr, *Frame12 = nullptr, *FraValMet = nullptr, *FraListTipTra = nullptr;
    QLineEdit* TxtRazSoc = nullptr;
    QComboBox *CboTipDocP = nullptr, *CboDocIdP = nullptr;
    QPushButton* CmdSelec = nullptr;
    QRadioButton *OptValMetTradi = nullptr, *OptValMetOtros = nullptr, *OptSinValMet = nullptr,
                 *OptSinValMetMascara = nullptr;
    QCheckBox* ChkFinancieras = nullptr;
    QTreeWidget* LvwTipTransacc = nullptr;

    // Tab 1.
    QGroupBox *Frame15 = nullptr, *Frame4 = nullptr, *Frame6 = nullptr, *Frame5 = nullptr;
    QRadioButton *OptInf_SETP = nullptr, *OptCont_SETP = nullptr;
    AmountBox *TxtOtroTipMoneda = nullptr, *TxtMtoSinTranMonOri = nullptr, *TxtMtoSinCapMonOri = nullptr,
              *TxtTasSinEfeAnu = nullptr, *TxtMtoSinIntsMonOri = nullptr, *TxtMtoSinTranMonReg = nullptr,
              *TxtSalSinCapMonReg = nullptr, *TxtMtoSinIntsMonReg = nullptr;
    QComboBox* CboTipMoneda = nullptr;
    QCheckBox* ChkOtraMoneda = nullptr;
    QLabel *LblMtoSinTranMonOri = nullptr, *LblTasSinEfeAnu = nullptr, *LblMtoSinIntsMonOri = nullptr,
           *LblMtoSinCapMonOri = nullptr, *Label7 = nullptr, *LblMtoSinTranMonReg = nullptr,
           *LblMtoSinIntsMonReg = nullptr, *LblSalSinCapMonReg = nullptr;

    // Tab 2.
    QGroupBox *Frame16 = nullptr, *Frame8 = nullptr, *Frame9 = nullptr, *Frame14 = nullptr, *Frame2 = nullptr,
              *Frame7 = nullptr;
    QRadioButton *OptCont_MT = nullptr, *OptInf_MT = nullptr;
    QCheckBox *ChkRangoInterCuartil = nullptr, *ChkOtraMoneda1 = nullptr, *ChkPCNP = nullptr, *ChkPR = nullptr,
              *ChkCI = nullptr;
    AmountBox *TxtMtoMedPCNC = nullptr, *TxtMtoLimInfPCNC = nullptr, *TxtMtoLimSupPCNC = nullptr,
              *TxtOtroTipMoneda1 = nullptr, *TxtTasEfeAnu = nullptr, *TxtMtoCapMonOri = nullptr,
              *TxtMtoTranMonOri = nullptr, *TxtMtoIntsMonOri = nullptr, *TxtSalCapMonReg = nullptr;
    // The method grid: [method][0..5] = unadjusted, adjusted, lower, upper, median, gross margin.
    std::array<std::array<AmountBox*, 6>, 3> grid_{};
    QComboBox* CboTipMoneda1 = nullptr;
    QLabel *LblLimiteInf = nullptr, *LblLimiteSup = nullptr, *LblMediana = nullptr, *LblMtoTranMonOri = nullptr,
           *LblMtoCapMonOri = nullptr, *LblMtoIntsMonOri = nullptr, *LblTasEfeAnu = nullptr, *Label6 = nullptr,
           *LblSalCapMonReg = nullptr;
    QScrollBar* HScroll1 = nullptr;
    QPushButton *OptCapDes = nullptr, *OptCapSinAju = nullptr, *OptCapAju = nullptr, *OptCapSel = nullptr;

    // Tab 3.
    QGroupBox *Frame17 = nullptr, *Frame10 = nullptr, *Frame11 = nullptr, *Frame1 = nullptr;
    QRadioButton *OptInf_OM = nullptr, *OptCont_OM = nullptr;
    AmountBox *TxtOtroTipMoneda2 = nullptr, *TxtMtoTotIntsMonOri = nullptr, *TxtMtoTraMonOri = nullptr,
              *TxtMtoTotCapMonOri = nullptr, *TxtLimSupOM = nullptr, *TxtLimInfOM = nullptr, *TxtValorPLIOM = nullptr,
              *TxtMedianaOM = nullptr, *TxtMtoAjuResNegReg = nullptr, *TxtMtoTotIntsMonReg = nullptr,
              *TxtMtoTraMonReg = nullptr, *TxtMtoAjuResPosReg = nullptr, *TxtSalTotCapMonReg = nullptr;
    QComboBox *CboTipMoneda2 = nullptr, *CboRangoPLI = nullptr, *CboMetodoVal = nullptr;
    QCheckBox* ChkOtraMoneda2 = nullptr;
    QLabel *Lbl_corr = nullptr, *LblMtoTraMonOri = nullptr, *LblMtoTotCapMonOri = nullptr,
           *LblMtoTotIntsMonOri = nullptr, *Label5 = nullptr, *LblMtoTraMonReg = nullptr,
           *LblSalTotCapMonReg = nullptr, *LblMtoTotIntsMonReg = nullptr;
};

}  // namespace klv
