// The transaction form FrmTransacciones: opening and loading (Form_Load, the period layout),
// the code-driven changes that run a control's rule and the signals of the user's own clicks,
// the choice of the informado, the load of a stored transaction, saving and leaving, the amount
// boxes' rules and the window's keys. Its construction is in frm_transacciones_build.cpp, the
// rules of its choice controls, tabs and type list in frm_transacciones_rules.cpp.
#include "frm_transacciones.h"
#include "long_work.h"

#include "amount_box.h"
#include "combo_fillers.h"
#include "param_lookups.h"
#include "declaration_queries.h"
#include "declaration_state.h"
#include "format.h"
#include "frm_detalle_om.h"
#include "frm_transacciones_common.h"
#include "key_filters.h"
#include "mensajes.h"
#include "non_domiciled_check.h"
#include "status_panels.h"
#include "transaction_load.h"
#include "transaction_options.h"
#include "transaction_save.h"
#include "transaction_types.h"
#include "type_detail.h"
#include "utilitarios.h"
#include "wait_cursor.h"
#include "window_helpers.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTreeWidget>

namespace klv {

using namespace transaction_form;

namespace {

const QStringList kTiposDocParte = {QStringLiteral("1"),  QStringLiteral("4"),  QStringLiteral("6"), QStringLiteral("7"),
                                    QStringLiteral("31"), QStringLiteral("32"), QStringLiteral("0")};
const QColor kWhite(0xFF, 0xFF, 0xFF);

}  // namespace

// --- Opening -------------------------------------------------------------------------------------

void FrmTransacciones::run(AppContext& ctx, QWidget* parent, const QString& mode, const QString& caller,
                           const OpenDeclaration& decl, const TransactionKey* key) {
    FrmTransacciones form(ctx, parent);
    form.udp_Modo_Accion(mode);
    form.udp_Def_Caller(caller, decl.answer2);
    form.setDeclaration(decl, key);
    if (!form.Form_Load()) return;
    form.showModal();
}

void FrmTransacciones::udp_Def_Caller(const QString& caller, const QString& respuesta) {
    caller_ = caller;
    respuesta_ = respuesta;
}

void FrmTransacciones::setDeclaration(const OpenDeclaration& decl, const TransactionKey* key) {
    decl_ = decl;
    hasKey_ = key != nullptr;
    if (key) key_ = *key;
}

void FrmTransacciones::showModal() {
    setWindowModality(Qt::ApplicationModal);
    show();
    // A loop of our own rather than exec(): the form hides itself while the party register is
    // open, and hiding must not end it.
    if (isVisible()) {
        QEventLoop loop;
        connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::DialogExec);
    }
}

FrmTransacciones::LoadReads FrmTransacciones::readLoad() {
    const bool modify = mode_ == kModoModificar && hasKey_;
    const QString declRuc = decl_.cboNumDoc.left(11);
    const QString periodo = decl_.periodo;
    const QString ruleRuc = declarantRuc();
    const TransactionKey key = key_;
    const bool y2012 = from2012();
    const DeclarationKey declaration = gatherState().declaration();
    return LongWork::call(ctx_, this, [=](AppContext& w) {
        LoadReads r;
        r.tiposDoc = Deferred<QStringList>::of([&] { return udf_ItemsTiposDoc(w, kTiposDocParte, false); });
        r.types = Deferred<std::vector<TypeItem>>::of([&] { return udp_CargarLvwTipTransacc(w); });
        if (!modify || !r.tiposDoc.ok() || !r.types.ok()) return r;
        r.stored = Deferred<StoredTransaction>::of(
            [&] { return readStoredTransaction(w, declRuc, periodo, key.party, key.corTransaccion, y2012); });
        if (!r.stored.ok() || r.stored.get().problem != StoredTransaction::Problem::None) return r;
        // The party as the combos show it once the load has selected it: its document type when
        // listed, its number when among its stored rows (matched whole, with case).
        int shownType = 0;
        for (const QString& item : r.tiposDoc.get())
            if (fmt::val(item.left(2)) == key.party.tipDocP) {
                shownType = key.party.tipDocP;
                break;
            }
        const Party shown{shownType, r.stored.get().partyDocs.contains(key.party.docIdP) ? key.party.docIdP : QString()};
        r.docs = Deferred<QStringList>::of([&] { return partyDocsOfType(w, ruleRuc, shownType); });
        r.name = Deferred<QString>::of([&] { return partyName(w, ruleRuc, shown); });
        r.storedTypes =
            Deferred<QStringList>::of([&] { return storedTypeCodes(w, TransactionKey{declaration, shown, key.corTransaccion}); });
        r.currencies = Deferred<QStringList>::of([&] { return udf_ItemsMonedas(w, kMonedas, false); });
        r.domiciliado = Deferred<bool>::of([&] { return udf_EsDomiciliado(w, Declarant{6, declRuc}, shown); });
        r.paraisoFiscal = Deferred<bool>::of([&] { return udf_EsParaisoFiscal(w, Declarant{6, declRuc}, shown); });
        return r;
    });
}

bool FrmTransacciones::Form_Load() {
    WaitCursor wait;
    // At the top left corner of the screen, where the main window's frame is too.
    move(0, 0);
    helpContext_ = 1021;
    setHelpContext(ctx_.help, this, helpContext_);
    {
        const QSignalBlocker block(TabTransac);
        TabTransac->setCurrentIndex(0);
        currentTab_ = 0;
    }
    modified_ = false;
    loading_ = true;
    for (int t = 1; t <= 3; ++t) setTabAvailable(t, false);
    // Before 2008 the amount of record of other methods is typed like any other; from 2008 it is
    // the sum of the per-type detail and keeps its own colour.
    QPalette p = TxtMtoTraMonReg->palette();
    p.setColor(QPalette::Base, periodFrom2008(decl_.periodo) ? QColor(0xFF, 0xFF, 0xE1) : palette().color(QPalette::Base));
    TxtMtoTraMonReg->setPalette(p);
    bool loaded = true;
    try {
        udp_AnchoListaCombo(this, CboTipDocP, 40);
        const LoadReads reads = readLoad();
        {
            const Counter c(fromCode_);
            udp_CargaTiposDoc(CboTipDocP, reads.tiposDoc.get());
            CboTipDocP->setCurrentIndex(-1);
        }
        fillTypeList(reads.types);
        udp_Bloquear();
        if (mode_ == kModoModificar) loaded = hasKey_ && udp_CargarEdit(reads);
    } catch (const std::exception& e) {
        ctx_.msg(QStringLiteral("No se pudo abrir la transacción.\r\n") + QString::fromLocal8Bit(e.what()), MsgStyle::Critical);
        loaded = false;
    }
    applyPeriodLayout();
    lblmensaje->setText(mode_ == kModoNuevo ? QStringLiteral(" NUEVO REGISTRO") : QStringLiteral(" MODIFICANDO REGISTRO"));
    loading_ = false;
    focusFirstControl(TabTransac->widget(0));
    return loaded;
}

void FrmTransacciones::applyPeriodLayout() {
    const bool y2012 = from2012();
    for (QGroupBox* f : {Frame15, Frame16, Frame17}) f->setVisible(y2012);
    for (QGroupBox* f : {Frame4, Frame8, Frame10})
        f->setTitle(y2012 ? QStringLiteral("B - En Moneda de Origen") : QStringLiteral("A - En Moneda de Origen"));
    for (QGroupBox* f : {Frame6, Frame9, Frame11})
        f->setTitle(y2012 ? QStringLiteral("C - En Moneda de Registro") : QStringLiteral("B - En Moneda de Registro"));
    HScroll1->setVisible(y2012 && !financial());
    if (!y2012) {
        setMmntVisible(false);
        return;
    }
    setMmntVisible(true);
    if (CboMetodoVal->currentText().left(2) != QLatin1String("06") || financial()) {
        setMmntVisible(false);
        placeAdjustments(false);
    }
}

// --- Code-driven changes ------------------------------------------------------------------------

void FrmTransacciones::setCheck(QCheckBox* box, bool on) {
    if (box->isChecked() == on) return;
    {
        const Counter c(fromCode_);
        box->setChecked(on);
    }
    if (box == ChkFinancieras) ChkFinancieras_Click();
    else if (box == ChkPCNP) ChkPCNP_Click();
    else if (box == ChkPR) ChkPR_Click();
    else if (box == ChkCI) ChkCI_Click();
    else if (box == ChkRangoInterCuartil) ChkRangoInterCuartil_Click();
    else if (box == ChkOtraMoneda) ChkOtraMoneda_Click(1);
    else if (box == ChkOtraMoneda1) ChkOtraMoneda_Click(2);
    else if (box == ChkOtraMoneda2) ChkOtraMoneda_Click(3);
}

void FrmTransacciones::selectOption(QRadioButton* option) {
    if (option->isChecked()) return;
    {
        const Counter c(fromCode_);
        option->setChecked(true);
    }
    if (option == OptSinValMet) OptSinValMet_Click();
    else if (option == OptValMetTradi) OptValMetTradi_Click();
    else if (option == OptValMetOtros) OptValMetOtros_Click();
}

void FrmTransacciones::clearOptions() {
    const Counter c(fromCode_);
    for (QRadioButton* o : {OptValMetTradi, OptValMetOtros, OptSinValMet}) {
        o->setAutoExclusive(false);
        o->setChecked(false);
        o->setAutoExclusive(true);
    }
}

void FrmTransacciones::selectItem(QComboBox* combo, int index) {
    {
        const Counter c(fromCode_);
        combo->setCurrentIndex(index);
    }
    runComboRule(combo);
}

void FrmTransacciones::runComboRule(QComboBox* combo) {
    if (combo == CboTipDocP) CboTipDocP_Click();
    else if (combo == CboDocIdP) CboDocIdP_Click();
    else if (combo == CboTipMoneda) CboTipMoneda_Click(1);
    else if (combo == CboTipMoneda1) CboTipMoneda_Click(2);
    else if (combo == CboTipMoneda2) CboTipMoneda_Click(3);
    else if (combo == CboMetodoVal) CboMetodoVal_Click();
}

void FrmTransacciones::setFinancieras(int value) { setCheck(ChkFinancieras, value == 1); }

void FrmTransacciones::setModified() {
    if (!loading_) modified_ = true;
}

void FrmTransacciones::setTabAvailable(int tab, bool available) { TabTransac->setTabEnabled(tab, available); }

void FrmTransacciones::setBoxEnabled(QLineEdit* box, bool enabled) {
    box->setEnabled(enabled);
    QPalette p = box->palette();
    // White when it may be typed in, the button face when not.
    p.setColor(QPalette::Base, enabled ? kWhite : palette().color(QPalette::Button));
    box->setPalette(p);
}

bool FrmTransacciones::financial() const { return ChkFinancieras->isChecked(); }
bool FrmTransacciones::from2012() const { return periodFrom2012(decl_.periodo); }

QString FrmTransacciones::currencyCode(int tab) const {
    const QComboBox* c = tab == 1 ? CboTipMoneda : tab == 2 ? CboTipMoneda1 : CboTipMoneda2;
    return c->currentText().left(2);
}

int FrmTransacciones::tabOf(QWidget* w) const {
    for (int i = 0; i < TabTransac->count(); ++i)
        if (TabTransac->widget(i)->isAncestorOf(w)) return i;
    return -1;
}

// --- Signals ------------------------------------------------------------------------------------

void FrmTransacciones::connectSignals() {
    for (int i = 0; i < 3; ++i) connect(CmdOpciones[i], &QPushButton::clicked, this, [this, i] { CmdOpciones_Click(i); });
    connect(CmdSelec, &QPushButton::clicked, this, [this] { CmdSelec_Click(); });
    auto onUser = [this](auto* sender, auto rule) {
        connect(sender, &QAbstractButton::toggled, this, [this, rule](bool on) {
            if (fromCode_ == 0 && on) rule();
        });
    };
    onUser(OptSinValMet, [this] { OptSinValMet_Click(); });
    onUser(OptValMetTradi, [this] { OptValMetTradi_Click(); });
    onUser(OptValMetOtros, [this] { OptValMetOtros_Click(); });
    auto onCheck = [this](QCheckBox* box, auto rule) {
        connect(box, &QAbstractButton::toggled, this, [this, rule](bool) {
            if (fromCode_ == 0) rule();
        });
    };
    onCheck(ChkFinancieras, [this] {
        ChkFinancieras_Click();
        setModified();
    });
    onCheck(ChkPCNP, [this] { ChkPCNP_Click(); });
    onCheck(ChkPR, [this] { ChkPR_Click(); });
    onCheck(ChkCI, [this] { ChkCI_Click(); });
    onCheck(ChkRangoInterCuartil, [this] {
        ChkRangoInterCuartil_Click();
        setModified();
    });
    onCheck(ChkOtraMoneda, [this] { ChkOtraMoneda_Click(1); });
    onCheck(ChkOtraMoneda1, [this] { ChkOtraMoneda_Click(2); });
    onCheck(ChkOtraMoneda2, [this] { ChkOtraMoneda_Click(3); });
    // The currency rules mark the form modified; choosing a method, an indicator (no rule) or the
    // analysed party (no rule either) does not.
    for (QComboBox* c : {CboTipMoneda, CboTipMoneda1, CboTipMoneda2, CboMetodoVal})
        connect(c, &QComboBox::activated, this, [this, c](int) { runComboRule(c); });
    // Choosing another party in the combos chooses it as "&Seleccionar" does, so the options
    // always follow the party shown.
    connect(CboTipDocP, &QComboBox::activated, this, [this](int) {
        CboTipDocP_Click();
        for (int t = 1; t <= 3; ++t) setTabAvailable(t, false);
        clearOptions();
        flag_.clear();
        udp_Bloquear();
        udp_DesmarcarTipTran();
    });
    connect(CboDocIdP, &QComboBox::activated, this, [this](int) {
        // The combo's rule (the name), then the choice, on one call's reads.
        const int tipDocP = static_cast<int>(fmt::val(CboTipDocP->currentText().left(2)));
        const QString docIdP = CboDocIdP->currentText();
        PartyReads reads;
        try {
            reads = readParty(tipDocP, docIdP, true);
        } catch (const std::exception& e) {
            ctx_.msg(QString::fromLocal8Bit(e.what()), MsgStyle::Critical);
            return;
        }
        fillPartyName(reads.givenName);
        if (choosePartyWith(tipDocP, docIdP, reads) == PartyChoice::Completing) chooseInRegister();
    });
    connect(HScroll1, &QScrollBar::valueChanged, this, [this](int) {
        if (fromCode_ == 0) HScroll1_Change();
    });
    connect(TabTransac, &QTabWidget::currentChanged, this, [this](int) {
        const int previous = currentTab_;
        currentTab_ = TabTransac->currentIndex();
        if (fromCode_ == 0) TabTransac_Click(previous);
    });
    connect(LvwTipTransacc, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (fromCode_ != 0 || column != 0) return;
        checkToggled_ = true;
        LvwTipTransacc_ItemCheck(LvwTipTransacc->indexOfTopLevelItem(item));
    });
    connect(LvwTipTransacc, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) {
        if (checkToggled_) {
            checkToggled_ = false;
            return;
        }
        LvwTipTransacc_ItemClick(LvwTipTransacc->indexOfTopLevelItem(item));
    });
    LvwTipTransacc->viewport()->installEventFilter(this);

    for (AmountBox* box : findChildren<AmountBox*>()) {
        // The amount of record of other methods marks the form itself (its key rule).
        if (box != TxtMtoTraMonReg) connect(box, &AmountBox::keyTyped, this, [this](int) { setModified(); });
        connect(box, &AmountBox::left, this, [this, box](bool byTab) { amountLeft(box, byTab); });
    }
    // The result adjustments exclude each other: a key in one sets the other to "0.00" unless it is 0.
    connect(TxtMtoAjuResPosReg, &AmountBox::keyTyped, this,
            [this](int) { TxtMtoAjuResNegReg->setText(otherAdjustmentText(TxtMtoAjuResNegReg->text())); });
    connect(TxtMtoAjuResNegReg, &AmountBox::keyTyped, this,
            [this](int) { TxtMtoAjuResPosReg->setText(otherAdjustmentText(TxtMtoAjuResPosReg->text())); });
    TxtMtoTraMonReg->setKeyRule([this](int code) { return TxtMtoTraMonReg_KeyPress(code); });
    // Enter in an other-currency name moves on to the first amount of its tab.
    const std::tuple<AmountBox*, AmountBox*, AmountBox*> names[] = {
        {TxtOtroTipMoneda, TxtMtoSinCapMonOri, TxtMtoSinTranMonOri},
        {TxtOtroTipMoneda1, TxtMtoCapMonOri, TxtMtoTranMonOri},
        {TxtOtroTipMoneda2, TxtMtoTotCapMonOri, TxtMtoTraMonOri},
    };
    for (const auto& [name, capital, amount] : names) {
        connect(name, &AmountBox::enterPressed, this, [this, name, capital, amount] {
            if (name->text().isEmpty()) return;
            (financial() ? capital : amount)->setFocus();
        });
    }
}

// --- Choosing the informado ------------------------------------------------------------------

void FrmTransacciones::CmdSelec_Click() {
    setModified();
    if (!ctx_.forms.partySelection) {
        ctx_.msg(QStringLiteral("En Desarrollo."), MsgStyle::Exclamation);
        return;
    }
    chooseInRegister();
}

void FrmTransacciones::chooseInRegister() {
    // A party whose detail was opened to complete it is not chosen: the register comes back so
    // that it (or another) can be chosen once its data are complete.
    if (!ctx_.forms.partySelection) {
        show();
        return;
    }
    for (;;) {
        hide();
        const std::optional<Party> chosen = ctx_.forms.partySelection(parentWidget(), decl_.cboNumDoc);
        show();
        if (!chosen || udp_SelecPartVinc(chosen->tipDocP, chosen->docIdP) != PartyChoice::Completing) return;
    }
}

QString FrmTransacciones::declarantRuc() const {
    return ctx_.panels ? ctx_.panels->PanelRuc().trimmed() : decl_.cboNumDoc.left(11);
}

FrmTransacciones::PartyReads FrmTransacciones::readParty(int tipDocP, const QString& docIdP, bool withGivenName) {
    const QString ruc = declarantRuc();
    const int periodo = static_cast<int>(fmt::val(ctx_.panels ? ctx_.panels->PanelPeriodo() : decl_.periodo));
    return LongWork::call(ctx_, this, [ruc, periodo, tipDocP, docIdP, withGivenName](AppContext& w) {
        PartyReads r;
        const Party given{tipDocP, docIdP};
        if (withGivenName) r.givenName = Deferred<QString>::of([&] { return partyName(w, ruc, given); });
        r.check = Deferred<InformadoNoDomCheck>::of([&] { return udf_VerificaInformadoNoDom(w, periodo, Declarant{6, ruc}, given); });
        // The rest only for a party that will be chosen.
        if (!r.check.ok() || !r.check.get().completo) return r;
        r.known = Deferred<bool>::of([&] { return partyRegistered(w, ruc, given); });
        if (!r.known.ok() || !r.known.get()) return r;
        r.docs = Deferred<QStringList>::of([&] { return partyDocsOfType(w, ruc, tipDocP); });
        // The number shown once selected among the type's parties (matched whole, with case).
        const Party shown{tipDocP, r.docs.ok() && r.docs.get().contains(docIdP) ? docIdP : QString()};
        r.name = withGivenName && shown.docIdP == docIdP ? r.givenName
                                                         : Deferred<QString>::of([&] { return partyName(w, ruc, shown); });
        r.domiciliado = Deferred<bool>::of([&] { return udf_EsDomiciliado(w, Declarant{6, ruc}, shown); });
        r.paraisoFiscal = Deferred<bool>::of([&] { return udf_EsParaisoFiscal(w, Declarant{6, ruc}, shown); });
        return r;
    });
}

FrmTransacciones::PartyChoice FrmTransacciones::udf_VerificaPartVinc(const InformadoNoDomCheck& check) {
    if (check.completo) return PartyChoice::Chosen;
    const int answer = ctx_.msg(check.mensaje, MsgStyle::YesNo + MsgStyle::Exclamation, kCaptionTransacciones);
    if (answer != MsgAnswer::Yes) return PartyChoice::Refused;
    if (!ctx_.forms.partyDetail) {
        ctx_.msg(QStringLiteral("En Desarrollo."), MsgStyle::Exclamation);
        return PartyChoice::Refused;
    }
    // Only the detail is shown while the party is completed; the register follows it and shows
    // this form again when it closes.
    hide();
    ctx_.forms.partyDetail(parentWidget(), check.docIdD, Party{static_cast<int>(fmt::val(check.tipDocP)), check.docIdP});
    return PartyChoice::Completing;
}

FrmTransacciones::PartyChoice FrmTransacciones::udp_SelecPartVinc(int tipDocP, const QString& docIdP) {
    PartyReads reads;
    try {
        reads = readParty(tipDocP, docIdP, false);
    } catch (const std::exception& e) {
        ctx_.msg(QString::fromLocal8Bit(e.what()), MsgStyle::Critical);
        return PartyChoice::Refused;
    }
    return choosePartyWith(tipDocP, docIdP, reads);
}

FrmTransacciones::PartyChoice FrmTransacciones::choosePartyWith(int tipDocP, const QString& docIdP, const PartyReads& r) {
    try {
        if (const PartyChoice verdict = udf_VerificaPartVinc(r.check.get()); verdict != PartyChoice::Chosen) return verdict;
        // The combos must be able to show the party: its document type and its own number.
        int typeIndex = -1;
        for (int i = 0; i < CboTipDocP->count() && typeIndex < 0; ++i)
            if (static_cast<int>(fmt::val(CboTipDocP->itemText(i).left(2))) == tipDocP) typeIndex = i;
        const bool known = r.known.get();
        if (typeIndex < 0 || !known) {
            ctx_.msg(QStringLiteral("El informado elegido no figura en la lista de informados del declarante; no se ha "
                                    "seleccionado."),
                     MsgStyle::Exclamation);
            return PartyChoice::Refused;
        }
        selectPartyType(typeIndex, r.docs);
        selectPartyDoc(CboDocIdP->findText(docIdP, Qt::MatchExactly | Qt::MatchCaseSensitive), r.name);
        FraValMet->setEnabled(true);
        domiciliado_ = r.domiciliado.get();
        paraisoFiscal_ = r.paraisoFiscal.get();
    } catch (const std::exception& e) {
        ctx_.msg(QString::fromLocal8Bit(e.what()), MsgStyle::Critical);
        return PartyChoice::Refused;
    }
    for (int t = 1; t <= 3; ++t) setTabAvailable(t, false);
    clearOptions();
    flag_.clear();
    udp_DesmarcarTipTran();
    const OptionAvailability a = optionsOnChoosing(decl_.periodo, respuesta_, domiciliado_, paraisoFiscal_);
    if (a.selectSinMetodo) selectOption(OptSinValMet);
    OptValMetTradi->setEnabled(a.methodsEnabled);
    OptValMetOtros->setEnabled(a.methodsEnabled);
    FraValMet->setEnabled(a.frameEnabled);
    if (a.typeListEnabled) FraListTipTra->setEnabled(true);
    if (a.tab1Available) setTabAvailable(1, true);
    if (a.analysedPartyDisabled) {
        OptCont_SETP->setEnabled(false);
        OptInf_SETP->setEnabled(false);
    }
    return PartyChoice::Chosen;
}

void FrmTransacciones::udp_Bloquear() {
    FraValMet->setEnabled(false);
    FraListTipTra->setEnabled(false);
    setBoxEnabled(TxtOtroTipMoneda, false);
    TxtOtroTipMoneda->clear();
    CboTipMoneda->setEnabled(false);
}

// --- Loading a stored transaction -------------------------------------------------------------

bool FrmTransacciones::udp_CargarEdit(const LoadReads& reads) {
    const StoredTransaction& s = reads.stored.get();
    if (s.problem != StoredTransaction::Problem::None) {
        ctx_.msg(loadProblemMessage(s.problem), MsgStyle::Exclamation);
        return false;
    }
    // The informado: its document type, then its number (each selection runs its click rule).
    int typeIndex = -1;
    for (int i = 0; i < CboTipDocP->count() && typeIndex < 0; ++i)
        if (fmt::val(CboTipDocP->itemText(i).left(2)) == key_.party.tipDocP) typeIndex = i;
    selectPartyType(typeIndex, reads.docs);
    {
        const Counter c(fromCode_);
        CboDocIdP->clear();
        CboDocIdP->addItems(s.partyDocs);
        CboDocIdP->setCurrentIndex(-1);
    }
    selectPartyDoc(CboDocIdP->findText(key_.party.docIdP, Qt::MatchExactly | Qt::MatchCaseSensitive), reads.name);
    // The option, then the analysed party of its tab, then the stored types.
    if (s.flag == kSinMetodo) selectOption(OptSinValMet);
    else if (s.flag == kTradicional) selectOption(OptValMetTradi);
    else if (s.flag == kOtros) selectOption(OptValMetOtros);
    QRadioButton* cont = flag_ == kSinMetodo ? OptCont_SETP : flag_ == kTradicional ? OptCont_MT : OptCont_OM;
    QRadioButton* inf = flag_ == kSinMetodo ? OptInf_SETP : flag_ == kTradicional ? OptInf_MT : OptInf_OM;
    if (!flag_.isEmpty() && s.parAnalizada == QLatin1String("01")) selectOption(cont);
    else if (!flag_.isEmpty() && s.parAnalizada == QLatin1String("02")) selectOption(inf);
    udp_CargarEditLvwTipTransacc(reads);
    if (decl_.answer2 == QLatin1String("0") && periodFrom2013(decl_.periodo)) {
        OptInf_SETP->setEnabled(false);
        OptCont_SETP->setEnabled(false);
    }
    setFinancieras(s.financiera ? 1 : 0);
    // Currency and amounts of the option now selected.
    if (!flag_.isEmpty()) {
        const int tab = flag_ == kSinMetodo ? 1 : flag_ == kTradicional ? 2 : 3;
        AmountBox* name = tab == 1 ? TxtOtroTipMoneda : tab == 2 ? TxtOtroTipMoneda1 : TxtOtroTipMoneda2;
        QComboBox* combo = tab == 1 ? CboTipMoneda : tab == 2 ? CboTipMoneda1 : CboTipMoneda2;
        if (s.otherCurrency) name->setText(*s.otherCurrency);
        {
            const Counter c(fromCode_);
            udp_CargaCombo(combo, reads.currencies.get());
            combo->setCurrentIndex(-1);
        }
        int currency = -1;
        for (int i = 0; i < combo->count() && currency < 0; ++i)
            if (fmt::val(combo->itemText(i).left(2)) == fmt::val(s.currencyCode)) currency = i;
        selectItem(combo, currency);
        combo->setEnabled(true);
        for (const LoadStep& step : s.amounts) {
            QWidget* w = named_.value(step.control);
            if (step.kind == LoadStep::Kind::Tick) {
                if (auto* check = qobject_cast<QCheckBox*>(w)) setCheck(check, true);
            } else if (step.kind == LoadStep::Kind::Text) {
                if (auto* box = qobject_cast<QLineEdit*>(w)) box->setText(step.value);
            } else if (auto* cbo = qobject_cast<QComboBox*>(w)) {
                for (int i = 0; i < cbo->count(); ++i) {
                    const QString code = cbo->itemText(i).left(2);
                    if (step.byNumber ? fmt::val(code) == fmt::val(step.value) : code == step.value) {
                        selectItem(cbo, i);
                        break;
                    }
                }
            }
        }
    }
    // The flags of the party the combos show.
    domiciliado_ = reads.domiciliado.get();
    paraisoFiscal_ = reads.paraisoFiscal.get();
    const OptionAvailability a = optionsAfterLoad(decl_.periodo, respuesta_, domiciliado_, paraisoFiscal_);
    if (a.selectSinMetodo) selectOption(OptSinValMet);
    if (a.typeListEnabled) FraListTipTra->setEnabled(true);
    if (a.tab1Available) setTabAvailable(1, true);
    {
        const Counter c(fromCode_);
        TabTransac->setCurrentIndex(0);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{CboTipDocP, CboDocIdP, CmdSelec, OptValMetTradi, OptValMetOtros, FraValMet})
        w->setEnabled(false);
    return true;
}

// --- Saving and leaving -------------------------------------------------------------------------

TransactionState FrmTransacciones::gatherState() const {
    TransactionState st;
    st.mode = mode_;
    st.caller = caller_;
    st.respuesta = respuesta_;
    st.flag = flag_;
    st.loading = loading_;
    st.modified = modified_;
    st.domiciliado = domiciliado_;
    st.paraisoFiscal = paraisoFiscal_;
    st.periodo = decl_.periodo;
    st.panelRuc = ctx_.panels ? ctx_.panels->PanelRuc() : decl_.cboNumDoc.left(11);
    st.panelPeriodo = ctx_.panels ? ctx_.panels->PanelPeriodo() : decl_.periodo;
    st.autContExt = ctx_.gAutContExt;
    st.formulario = ctx_.gFormulario;
    st.corTransaccion = key_.corTransaccion;
    st.financiera = financial();
    st.types = types_;
    for (int i = 0; i < LvwTipTransacc->topLevelItemCount() && i < static_cast<int>(st.types.size()); ++i)
        st.types[i].ticked = LvwTipTransacc->topLevelItem(i)->checkState(0) == Qt::Checked;
    st.tab = TabTransac->currentIndex();
    for (auto it = named_.begin(); it != named_.end(); ++it) {
        if (auto* e = qobject_cast<QLineEdit*>(it.value())) st.texts.insert(it.key(), e->text());
        else if (auto* c = qobject_cast<QComboBox*>(it.value())) st.texts.insert(it.key(), c->currentText());
        else if (auto* b = qobject_cast<QCheckBox*>(it.value())) st.checks.insert(it.key(), b->isChecked());
        else if (auto* r = qobject_cast<QRadioButton*>(it.value())) st.checks.insert(it.key(), r->isChecked());
    }
    return st;
}

void FrmTransacciones::CmdOpciones_Click(int index) {
    if (index == 1) {
        Grabar_Transacc();
    } else if (index == 2) {
        if (modified_) {
            const int answer = ctx_.msg(QStringLiteral("¿Ha realizado modificaciones, desea guardar los cambios?"),
                                        MsgStyle::YesNo + MsgStyle::Question);
            if (answer == MsgAnswer::Yes) {
                CmdOpciones_Click(1);
                return;
            }
        }
        closing_ = true;
        done(QDialog::Accepted);
    }
}

void FrmTransacciones::showVerdictFocus(int tab, const QString& control) {
    QWidget* w = named_.value(control);
    if (tab >= 0) {
        // The check sends the user to the option's tab: an arrival like the user's own.
        TabTransac->setCurrentIndex(tab);
    } else if (w) {
        // A control on another tab: show that tab laid out, without the arrival's clearing (the
        // user's figures stay).
        const int home = tabOf(w);
        if (home > 0 && home != TabTransac->currentIndex() && TabTransac->isTabEnabled(home)) {
            {
                const Counter c(fromCode_);
                TabTransac->setCurrentIndex(home);
            }
            helpContext_ = kHelpTabs[home];
            setHelpContext(ctx_.help, this, helpContext_);
            udp_DefTipoTran(flag_, financial() ? QStringLiteral("12") : QStringLiteral("01"));
        }
    }
    if (w && w->isVisible() && w->isEnabled()) w->setFocus();
}

void FrmTransacciones::Grabar_Transacc() {
    const TransactionState st = gatherState();
    SaveResult r;
    try {
        // On the engine's thread: another program's lock is waited for there, while the window's
        // thread paints the windows.
        LongWork work(ctx_, this, QStringLiteral("Grabando la transacción..."));
        r = work.run<SaveResult>([&st](AppContext& w, const WorkProgress&) { return klv::Grabar_Transacc(w, st); });
    } catch (const DbError& e) {
        ctx_.msg(QStringLiteral("No se pudo grabar la transacción; no se grabó nada.\r\n") + e.text() +
                     QStringLiteral(" (") + QString::number(e.number()) + QLatin1Char(')'),
                 MsgStyle::Critical);
        return;
    } catch (const std::exception& e) {
        ctx_.msg(QStringLiteral("No se pudo grabar la transacción; no se grabó nada.\r\n") + QString::fromLocal8Bit(e.what()),
                 MsgStyle::Critical);
        return;
    }
    if (r.outcome == SaveOutcome::Invalid) {
        ctx_.msg(r.verdict.message(), MsgStyle::Exclamation);
        showVerdictFocus(r.verdict.tab, r.verdict.focus);
        return;
    }
    if (r.outcome == SaveOutcome::Exists) {
        ctx_.msg(msgYaExiste(), MsgStyle::Exclamation);
        TabTransac->setCurrentIndex(0);
        return;
    }
    modified_ = false;
    if (ctx_.msg(msgSeguir(), MsgStyle::YesNo + MsgStyle::Question) != MsgAnswer::Yes) {
        CmdOpciones_Click(2);
        return;
    }
    emptyAfterSave();
}

void FrmTransacciones::emptyAfterSave() {
    for (int t = 1; t <= 3; ++t) setTabAvailable(t, false);
    clearOptions();
    udp_Bloquear();
    FraValMet->setEnabled(true);
    udp_DesmarcarTipTran();
    TabTransac->setCurrentIndex(0);
    // The currencies of the three layouts, read in one call; a failure leaves their combos empty.
    std::pair<QStringList, QStringList> currencies;  // without method; the methods
    try {
        currencies = LongWork::call(ctx_, this, [](AppContext& w) {
            return std::pair{udf_ItemsMonedas(w, kMonedasSinMetodo, false), udf_ItemsMonedas(w, kMonedas, false)};
        });
    } catch (const std::exception& e) {
        ctx_.msg(QString::fromLocal8Bit(e.what()), MsgStyle::Critical);
    }
    for (const QString& f : {kSinMetodo, kTradicional, kOtros}) {
        const QStringList& items = f == kSinMetodo ? currencies.first : currencies.second;
        udp_DefTipoTran(f, QStringLiteral("12"));
        clearLayout(f, items);
        udp_DefTipoTran(f, QStringLiteral("01"));
        clearLayout(f, items);
    }
    {
        const Counter c(fromCode_);
        CboMetodoVal->clear();
        CboMetodoVal->addItems({QString::fromUtf8("04 - MPU   Método de Partición de Utilidades"),
                                QString::fromUtf8("05 - MRPU Método Residual de la Partición de Utilidades"),
                                QString::fromUtf8("06 - MMNT Método del Margen Neto Transaccional")});
        CboMetodoVal->setCurrentIndex(-1);
        CboRangoPLI->clear();
        CboRangoPLI->addItems(kRangosPli);
        CboRangoPLI->setCurrentIndex(-1);
    }
    setFinancieras(0);
    const OptionAvailability a = optionsAfterSave(decl_.periodo, respuesta_, domiciliado_, paraisoFiscal_);
    if (a.selectSinMetodo) {
        FraValMet->setEnabled(true);
        selectOption(OptSinValMet);  // runs with the mode of the save
        FraValMet->setEnabled(false);
        OptValMetTradi->setEnabled(false);
        OptValMetOtros->setEnabled(false);
        if (a.analysedPartyDisabled) {
            OptCont_SETP->setEnabled(false);
            OptInf_SETP->setEnabled(false);
        }
    } else {
        for (QWidget* w : std::initializer_list<QWidget*>{FraValMet, OptValMetTradi, OptValMetOtros}) w->setEnabled(true);
        FraListTipTra->setEnabled(false);
        FraListTipTra->setEnabled(true);
    }
    mode_ = kModoNuevo;
    lblmensaje->setText(QStringLiteral(" NUEVO REGISTRO"));
}

// --- Amount boxes -------------------------------------------------------------------------------

void FrmTransacciones::amountLeft(AmountBox* box, bool byTab) {
    const QString reg = registrationCurrency(ctx_.gAutContExt);
    auto copy = [&](AmountBox* origin, AmountBox* record, int tab, bool otherMethods) {
        if (copiesToRegistration(currencyCode(tab), reg, otherMethods, decl_.periodo)) record->setText(origin->text());
    };
    if (box == TxtMtoSinTranMonOri || box == TxtMtoSinTranMonReg) copy(TxtMtoSinTranMonOri, TxtMtoSinTranMonReg, 1, false);
    else if (box == TxtMtoSinIntsMonOri) copy(TxtMtoSinIntsMonOri, TxtMtoSinIntsMonReg, 1, false);
    else if (box == TxtMtoTotIntsMonOri) copy(TxtMtoTotIntsMonOri, TxtMtoTotIntsMonReg, 3, false);
    else if (box == TxtMtoTraMonOri || box == TxtMtoTraMonReg) copy(TxtMtoTraMonOri, TxtMtoTraMonReg, 3, true);
    // Leaving the last box of a layout with the Tab key goes to "&Aceptar".
    const bool last = box == TxtMtoSinTranMonReg || box == TxtSalSinCapMonReg || box == TxtSalCapMonReg ||
                      box == TxtSalTotCapMonReg || (box == TxtMtoAjuResNegReg && TxtSalTotCapMonReg->isHidden());
    if (last && byTab) CmdOpciones[1]->setFocus();
}

int FrmTransacciones::TxtMtoTraMonReg_KeyPress(int keyCode) {
    const bool opens = keyCode == 13 || (keyCode >= '0' && keyCode <= '9');
    if (opens) {
        // A closed gate leaves the key as typed, unfiltered, and marks nothing.
        if (ctx_.gUtil && !ctx_.gUtil->udf_Habilitado()) return keyCode;
        if (periodFrom2008(decl_.periodo)) {
            // From 2008 the amount is the total of the per-type detail.
            const TransactionState st = gatherState();
            try {
                const long cor = LongWork::call(ctx_, this, [st](AppContext& w) {
                    const long number = detailNumber(w, st);
                    prepareDetail(w, st, number);
                    return number;
                });
                Lbl_corr->setText(QString::number(cor));
                FrmDetalle_OM::run(ctx_, this, st.key(cor), [this](const QString& total) { TxtMtoTraMonReg->setText(total); });
            } catch (const std::exception& e) {
                ctx_.msg(QStringLiteral("No se pudo preparar el detalle por tipo de transacción; no se cambió nada.\r\n") +
                             QString::fromLocal8Bit(e.what()),
                         MsgStyle::Critical);
            }
            setModified();
            return 0;
        }
    }
    setModified();
    return udf_SoloNumEntero(keyCode);
}

// --- Window -------------------------------------------------------------------------------------

void FrmTransacciones::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    // The window's close box leaves as "&Salir" does.
    event->ignore();
    CmdOpciones_Click(2);
}

void FrmTransacciones::reject() { CmdOpciones_Click(2); }

void FrmTransacciones::keyPressEvent(QKeyEvent* event) {
    // "&Aceptar" takes the focus after the last box of a layout: Enter then saves.
    if (!enterPressesFocusedButton(this, event)) QDialog::keyPressEvent(event);
}

bool FrmTransacciones::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == Frame12) Frame12_Click();
        else if (watched == LvwTipTransacc->viewport()) checkToggled_ = false;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace klv
