// The transaction form's rules for its choice controls: the valuation options, the financial
// check, the method checks and the interquartile range, the other-methods combo, the party and
// currency combos, the "Otra Moneda" checks and the grid's scroll bar; the layouts of the amount
// tabs and the change of tab; the transaction-type list.
#include "frm_transacciones.h"

#include "amount_box.h"
#include "combo_fillers.h"
#include "param_lookups.h"
#include "declaration_queries.h"
#include "declaration_state.h"
#include "format.h"
#include "frm_transacciones_common.h"
#include "mensajes.h"
#include "status_panels.h"
#include "transaction_load.h"
#include "transaction_types.h"
#include "transaction_validation.h"
#include "type_detail.h"
#include "window_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTreeWidget>

namespace klv {

using namespace transaction_form;

// --- Options, methods, currencies -----------------------------------------------------------

void FrmTransacciones::optionClick(const QString& flag, int tab, QComboBox* currency, bool focusCurrency) {
    flag_ = flag;
    FraListTipTra->setEnabled(true);
    udp_DesmarcarTipTran();
    setModified();
    if (mode_ == kModoNuevo) {
        currency->setEnabled(true);
        if (focusCurrency) currency->setFocus();
    }
    for (int t = 1; t <= 3; ++t) setTabAvailable(t, t == tab);
    if (flag == kOtros && mode_ == kModoNuevo) {
        // The detail rows left for the transaction being created: its number is the one the
        // save will give it.
        try {
            const TransactionState st = gatherState();
            LongWork::call(ctx_, this, [st](AppContext& w) {
                deleteDetail(w, st.key(udf_SgteCorTransacc(w, st.declaration(), st.party())));
            });
        } catch (const std::exception& e) {
            ctx_.msg(QStringLiteral("No se pudo borrar el detalle anterior de la transacción.\r\n") +
                         QString::fromLocal8Bit(e.what()),
                     MsgStyle::Critical);
        }
    }
}

void FrmTransacciones::OptSinValMet_Click() { optionClick(kSinMetodo, 1, CboTipMoneda, false); }
void FrmTransacciones::OptValMetTradi_Click() { optionClick(kTradicional, 2, CboTipMoneda1, true); }
void FrmTransacciones::OptValMetOtros_Click() { optionClick(kOtros, 3, CboTipMoneda2, true); }

void FrmTransacciones::ChkFinancieras_Click() {
    if (from2012() && ChkFinancieras->isChecked() && OptValMetTradi->isChecked()) HScroll1->hide();
}

void FrmTransacciones::methodClick(int m) {
    QCheckBox* checks[] = {ChkPCNP, ChkPR, ChkCI};
    auto& boxes = grid_[m];
    const bool y2012 = from2012();
    if (checks[m]->isChecked()) {
        setBoxEnabled(boxes[0], true);
        setBoxEnabled(boxes[1], true);
        if (y2012) {
            for (int o = 0; o < 3; ++o)
                if (o != m) setCheck(checks[o], false);
        }
        if (y2012 && !financial()) {
            if (m == 0) {
                setCheck(ChkRangoInterCuartil, true);
            } else {
                for (int b = 2; b < 6; ++b) setBoxEnabled(boxes[b], true);
            }
        }
    } else {
        for (int b = 0; b < 2; ++b) {
            setBoxEnabled(boxes[b], false);
            boxes[b]->clear();
        }
        if (y2012) {
            if (m == 0) {
                setCheck(ChkRangoInterCuartil, false);
            } else if (!financial()) {
                for (int b = 2; b < 6; ++b) {
                    setBoxEnabled(boxes[b], false);
                    boxes[b]->clear();
                }
            }
        }
    }
    setModified();
}

void FrmTransacciones::ChkPCNP_Click() { methodClick(0); }
void FrmTransacciones::ChkPR_Click() { methodClick(1); }
void FrmTransacciones::ChkCI_Click() { methodClick(2); }

void FrmTransacciones::ChkRangoInterCuartil_Click() {
    const bool on = ChkRangoInterCuartil->isChecked();
    for (AmountBox* b : {TxtMtoLimInfPCNC, TxtMtoLimSupPCNC, TxtMtoMedPCNC}) {
        // Locked, not disabled: the colour does not change.
        lockBox(b, !on);
        if (!on) b->clear();
    }
    {
        const Counter c(fromCode_);
        ChkPCNP->setChecked(on);
    }
    ChkPCNP_Click();
}

void FrmTransacciones::setMmntVisible(bool visible) {
    for (QWidget* w : std::initializer_list<QWidget*>{Label1[24], Label1[25], Label1[26], Label1[27], Label1[28], CboRangoPLI,
                                                      TxtMedianaOM, TxtLimInfOM, TxtLimSupOM, TxtValorPLIOM})
        w->setVisible(visible);
    Label1[29]->hide();
}

void FrmTransacciones::placeAdjustments(bool mmntShown) {
    for (QWidget* l : {static_cast<QWidget*>(Label1[10]), static_cast<QWidget*>(Label1[11])})
        moveTop(l, mmntShown ? 1920 : 1420);
    for (QWidget* b : {static_cast<QWidget*>(TxtMtoAjuResPosReg), static_cast<QWidget*>(TxtMtoAjuResNegReg)})
        moveTop(b, mmntShown ? 2040 : 1540);
}

void FrmTransacciones::CboMetodoVal_Click() {
    if (!from2012() || financial()) return;
    const bool mmnt = CboMetodoVal->currentText().left(2) == QLatin1String("06");
    setMmntVisible(mmnt);
    placeAdjustments(mmnt);
}

void FrmTransacciones::CboTipDocP_Click() {
    const QString ruc = declarantRuc();
    const int type = static_cast<int>(fmt::val(CboTipDocP->currentText().left(2)));
    fillPartyDocs(readDeferred<QStringList>(ctx_, this, [ruc, type](AppContext& w) { return partyDocsOfType(w, ruc, type); }));
}

void FrmTransacciones::fillPartyDocs(const Deferred<QStringList>& docs) {
    const Counter c(fromCode_);
    CboDocIdP->clear();
    try {
        CboDocIdP->addItems(docs.get());
    } catch (const std::exception& e) {
        ctx_.msg(QString::fromLocal8Bit(e.what()), MsgStyle::Critical);
    }
    CboDocIdP->setCurrentIndex(-1);
    TxtRazSoc->clear();
    setModified();
}

void FrmTransacciones::CboDocIdP_Click() {
    const QString ruc = declarantRuc();
    const Party party{static_cast<int>(fmt::val(CboTipDocP->currentText().left(2))), CboDocIdP->currentText()};
    fillPartyName(readDeferred<QString>(ctx_, this, [ruc, party](AppContext& w) { return partyName(w, ruc, party); }));
}

void FrmTransacciones::fillPartyName(const Deferred<QString>& name) {
    QString text;
    try {
        text = name.get();
    } catch (const std::exception& e) {
        ctx_.msg(QString::fromLocal8Bit(e.what()), MsgStyle::Critical);
    }
    TxtRazSoc->setText(text);
    setModified();
}

void FrmTransacciones::selectPartyType(int index, const Deferred<QStringList>& docs) {
    {
        const Counter c(fromCode_);
        CboTipDocP->setCurrentIndex(index);
    }
    fillPartyDocs(docs);
}

void FrmTransacciones::selectPartyDoc(int index, const Deferred<QString>& name) {
    {
        const Counter c(fromCode_);
        CboDocIdP->setCurrentIndex(index);
    }
    fillPartyName(name);
}

void FrmTransacciones::CboTipMoneda_Click(int tab) {
    QCheckBox* check = tab == 1 ? ChkOtraMoneda : tab == 2 ? ChkOtraMoneda1 : ChkOtraMoneda2;
    setCheck(check, currencyCode(tab) == QLatin1String("00"));
    setModified();
}

void FrmTransacciones::ChkOtraMoneda_Click(int tab) {
    QCheckBox* check = tab == 1 ? ChkOtraMoneda : tab == 2 ? ChkOtraMoneda1 : ChkOtraMoneda2;
    AmountBox* box = tab == 1 ? TxtOtroTipMoneda : tab == 2 ? TxtOtroTipMoneda1 : TxtOtroTipMoneda2;
    if (check->isChecked()) {
        setBoxEnabled(box, true);
        if (loading_) return;
        box->setFocus();
    } else {
        setBoxEnabled(box, false);
        box->clear();
    }
    setModified();
}

void FrmTransacciones::HScroll1_Change() {
    if (from2012() && !financial()) OrdenaMontos();
}

void FrmTransacciones::OrdenaMontos() {
    const int page = HScroll1->value();
    if (page < 1 || page > 3) return;
    static const char* captions[4][2] = {{"", ""}, {"", ""}, {"Lim Inferior", "Lim Superior"}, {"Mediana", "Margen Bruto"}};
    if (page == 1) {
        OptCapSinAju->setText(financial() ? QStringLiteral("Ints. Sin Ajustar") : QStringLiteral("Monto Sin Ajustar"));
        OptCapAju->setText(financial() ? QStringLiteral("Intereses Ajustado") : QStringLiteral("Monto Ajustado"));
    } else {
        OptCapSinAju->setText(QLatin1String(captions[page][0]));
        OptCapAju->setText(QLatin1String(captions[page][1]));
    }
    for (auto& boxes : grid_)
        for (int b = 0; b < 6; ++b) boxes[b]->setVisible(b / 2 + 1 == page);
}

// --- Tabs and their layouts --------------------------------------------------------------------

void FrmTransacciones::udp_DefTipoTran(const QString& flag, const QString&) {
    if (flag != kSinMetodo && flag != kTradicional && flag != kOtros) return;
    const bool fin = financial();
    const int tab = flag == kSinMetodo ? 1 : flag == kTradicional ? 6 : 0;
    Label9[tab]->setText(ctx_.gAutContExt == QLatin1String("1") ? QStringLiteral("Dolar de EE.UU.-EE.UU.")
                                                                 : QStringLiteral("Nuevos Soles-Peru"));
    (flag == kSinMetodo ? Label7 : flag == kTradicional ? Label6 : Label5)->hide();
    auto show = [](std::initializer_list<QWidget*> ws, bool visible) {
        for (QWidget* w : ws) w->setVisible(visible);
    };
    if (flag == kSinMetodo) {
        show({LblMtoSinCapMonOri, TxtMtoSinCapMonOri, LblMtoSinIntsMonOri, TxtMtoSinIntsMonOri, LblMtoSinIntsMonReg,
              TxtMtoSinIntsMonReg, LblTasSinEfeAnu, TxtTasSinEfeAnu, LblPorcent[1], LblSalSinCapMonReg, TxtSalSinCapMonReg},
             fin);
        show({LblMtoSinTranMonOri, TxtMtoSinTranMonOri, LblMtoSinTranMonReg, TxtMtoSinTranMonReg}, !fin);
    } else if (flag == kTradicional) {
        show({LblMtoCapMonOri, TxtMtoCapMonOri, LblMtoIntsMonOri, TxtMtoIntsMonOri, LblTasEfeAnu, TxtTasEfeAnu,
              LblPorcent[0], LblSalCapMonReg, TxtSalCapMonReg},
             fin);
        show({LblMtoTranMonOri, TxtMtoTranMonOri}, !fin);
        if (!fin && from2012()) {
            moveTop(LblMtoTranMonOri, 900);
            moveTop(TxtMtoTranMonOri, 900);
        }
        show({ChkRangoInterCuartil, TxtMtoLimInfPCNC, TxtMtoLimSupPCNC, TxtMtoMedPCNC, LblLimiteInf, LblLimiteSup, LblMediana},
             !fin && from2012());
        // The financial check hides the scroll bar of the grid; a transaction that is no longer
        // financial needs it back to reach the range values of PR and CI.
        HScroll1->setVisible(!fin && from2012());
        OptCapSinAju->setText(fin ? QStringLiteral("Ints. Sin Ajustar") : QStringLiteral("Monto Sin Ajustar"));
        OptCapAju->setText(fin ? QStringLiteral("Intereses Ajustado") : QStringLiteral("Monto Ajustado"));
    } else {
        show({LblMtoTotCapMonOri, TxtMtoTotCapMonOri, LblMtoTotIntsMonOri, TxtMtoTotIntsMonOri, LblMtoTotIntsMonReg,
              TxtMtoTotIntsMonReg, LblSalTotCapMonReg, TxtSalTotCapMonReg},
             fin);
        show({LblMtoTraMonOri, TxtMtoTraMonOri, LblMtoTraMonReg, TxtMtoTraMonReg}, !fin);
        if (fin) {
            show({Label1[24], Label1[25], Label1[26], Label1[27], Label1[28], Label1[29], CboRangoPLI, TxtMedianaOM,
                  TxtLimInfOM, TxtLimSupOM, TxtValorPLIOM},
                 false);
            placeAdjustments(false);
        }
    }
}

void FrmTransacciones::udp_LimpTipoTran(const QString& flag, const QString&) {
    if (flag != kSinMetodo && flag != kTradicional && flag != kOtros) return;
    // The option's currencies; a failure leaves its combo empty.
    const QStringList codes = flag == kSinMetodo ? kMonedasSinMetodo : kMonedas;
    QStringList currencies;
    try {
        currencies = LongWork::call(ctx_, this, [codes](AppContext& w) { return udf_ItemsMonedas(w, codes, false); });
    } catch (const std::exception& e) {
        ctx_.msg(QString::fromLocal8Bit(e.what()), MsgStyle::Critical);
    }
    clearLayout(flag, currencies);
}

void FrmTransacciones::clearLayout(const QString& flag, const QStringList& currencies) {
    const int tab = flag == kSinMetodo ? 1 : flag == kTradicional ? 2 : 3;
    QComboBox* combo = tab == 1 ? CboTipMoneda : tab == 2 ? CboTipMoneda1 : CboTipMoneda2;
    udp_AnchoListaCombo(this, combo, 40);
    {
        const Counter c(fromCode_);
        udp_CargaCombo(combo, currencies);
        combo->setCurrentIndex(-1);
    }
    setCheck(tab == 1 ? ChkOtraMoneda : tab == 2 ? ChkOtraMoneda1 : ChkOtraMoneda2, false);
    std::vector<AmountBox*> boxes;
    if (flag == kSinMetodo) {
        CboTipMoneda->setEnabled(true);
        boxes = {TxtMtoSinTranMonOri, TxtMtoSinTranMonReg, TxtMtoSinCapMonOri, TxtMtoSinIntsMonOri,
                 TxtTasSinEfeAnu, TxtMtoSinIntsMonReg, TxtSalSinCapMonReg};
    } else if (flag == kTradicional) {
        for (QCheckBox* m : {ChkPCNP, ChkPR, ChkCI}) setCheck(m, false);
        boxes = {TxtMtoTranMonOri, TxtMtoCapMonOri, TxtMtoIntsMonOri, TxtTasEfeAnu, TxtSalCapMonReg};
    } else {
        TxtMtoAjuResPosReg->clear();
        TxtMtoAjuResNegReg->clear();
        boxes = {TxtMtoTraMonOri, TxtMtoTraMonReg, TxtMtoTotCapMonOri, TxtMtoTotIntsMonOri, TxtMtoTotIntsMonReg,
                 TxtSalTotCapMonReg};
    }
    for (AmountBox* b : boxes) b->clear();
}

void FrmTransacciones::TabTransac_Click(int) {
    if (inTabHandler_) return;
    const int tab = TabTransac->currentIndex();
    helpContext_ = 1021;
    helpContext_ = kHelpTabs[std::clamp(tab, 0, 3)];
    setHelpContext(ctx_.help, this, helpContext_);
    if (tab == 0) return;
    syncTypesFromList();
    bool any = false;
    for (const TypeItem& t : types_) any = any || t.ticked;
    if (!any) {
        {
            const Counter c(fromCode_);
            TabTransac->setCurrentIndex(0);
        }
        helpContext_ = kHelpTabs[0];
        setHelpContext(ctx_.help, this, helpContext_);
        ctx_.msg(msgSinTipo(), MsgStyle::Exclamation);
        return;
    }
    const QString kind = financial() ? QStringLiteral("12") : QStringLiteral("01");
    const bool known = flag_ == kSinMetodo || flag_ == kTradicional || flag_ == kOtros;
    if (known && mode_ == kModoNuevo) {
        udp_LimpTipoTran(flag_, kind);
        udp_DefTipoTran(flag_, kind);
    } else if (known && mode_ == kModoModificar) {
        udp_DefTipoTran(flag_, kind);
    }
    if (tab == 2) {
        // Page 1 of the method grid on every arrival, financial or not: a page left at 2 or 3
        // would hide the only boxes a financial transaction needs.
        {
            const Counter c(fromCode_);
            HScroll1->setValue(1);
        }
        OrdenaMontos();
    }
}

void FrmTransacciones::Frame12_Click() {
    if (FraListTipTra->isEnabled()) return;
    if (CboTipDocP->currentText().isEmpty())
        udp_Mensaje(ctx_, 1, kFrmTransacciones);
    else if (mode_ != kModoModificar)
        udp_Mensaje(ctx_, 4, kFrmTransacciones);
}

// --- Transaction types ------------------------------------------------------------------------

void FrmTransacciones::fillTypeList(const Deferred<std::vector<TypeItem>>& types) {
    types_ = types.get();
    const Counter c(fromCode_);
    LvwTipTransacc->clear();
    if (types_.empty()) {
        ctx_.msg(msgSinTiposTransaccion(), MsgStyle::Exclamation);
        return;
    }
    for (const TypeItem& t : types_) {
        auto* item = new QTreeWidgetItem(LvwTipTransacc, QStringList{t.code, t.description});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
    }
}

void FrmTransacciones::syncTypesFromList() {
    for (int i = 0; i < LvwTipTransacc->topLevelItemCount() && i < static_cast<int>(types_.size()); ++i)
        types_[i].ticked = LvwTipTransacc->topLevelItem(i)->checkState(0) == Qt::Checked;
}

void FrmTransacciones::syncListFromTypes() {
    const Counter c(fromCode_);
    for (int i = 0; i < LvwTipTransacc->topLevelItemCount() && i < static_cast<int>(types_.size()); ++i)
        LvwTipTransacc->topLevelItem(i)->setCheckState(0, types_[i].ticked ? Qt::Checked : Qt::Unchecked);
}

void FrmTransacciones::udp_DesmarcarTipTran() {
    for (TypeItem& t : types_) t.ticked = false;
    syncListFromTypes();
}

void FrmTransacciones::udp_CargarEditLvwTipTransacc(const LoadReads& reads) {
    fillTypeList(reads.types);
    for (const QString& code : reads.storedTypes.get()) {
        for (TypeItem& t : types_) {
            if (t.code == code) {
                t.ticked = true;
                break;
            }
        }
    }
    syncListFromTypes();
}

void FrmTransacciones::LvwTipTransacc_ItemCheck(int index) {
    syncTypesFromList();
    const TickResult r = onItemCheck(types_, index, mode_, flag_);
    syncListFromTypes();
    if (r.financiera >= 0) setFinancieras(r.financiera);
    if (r.message39) udp_Mensaje(ctx_, 39, kFrmTransacciones);
    if (r.modified) setModified();
}

void FrmTransacciones::LvwTipTransacc_ItemClick(int index) {
    syncTypesFromList();
    const TickResult r = onItemClick(types_, index, mode_, flag_);
    syncListFromTypes();
    if (r.financiera >= 0) setFinancieras(r.financiera);
    if (r.message39) udp_Mensaje(ctx_, 39, kFrmTransacciones);
    if (r.modified) setModified();
}

}  // namespace klv
