// The transaction form driven as a user would, on the offscreen platform: opening in both modes,
// the period layouts, the options a party allows, the method coupling, the type list, tab changes,
// paging, the entry boxes, saving and leaving.
#include "amount_box.h"
#include "declaration_state.h"
#include "find_child.h"
#include "engine.h"
#include "frm_transacciones.h"
#include "item_combo.h"
#include "long_work.h"
#include "status_panels.h"
#include "transaction_fixture.h"
#include "transaction_save.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QThread>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeWidget>

#include <atomic>
#include <deque>

namespace klv::test {
namespace {

const QString kHaven = QStringLiteral("20100000002");

class FormTest : public TransactionTest {
protected:
    FormTest() {
        party(kDoc, true, false);
        party(kHaven, false, true);
        ctx().gAutContExt = QStringLiteral("0");
        win().gAutContExt = QStringLiteral("0");
        // Each opening of the register hands back the next pick, then none.
        win().forms.partySelection = [this](QWidget*, const QString& cboNumDoc) {
            selectionCaller_ = cboNumDoc;
            ++selections_;
            std::optional<Party> pick;
            if (!picks_.empty()) {
                pick = picks_.front();
                picks_.pop_front();
            }
            return pick;
        };
    }

    FrmTransacciones& open(const QString& mode = kModoNuevo, const QString& periodo = QStringLiteral("2012"),
                           const QString& respuesta = QStringLiteral("1"), const TransactionKey* key = nullptr,
                           bool* loaded = nullptr) {
        env_.panels().setPanelRuc(kRuc);
        env_.panels().setPanelPeriodo(periodo);
        form_ = std::make_unique<FrmTransacciones>(win(), owner_);
        form_->udp_Modo_Accion(mode);
        form_->udp_Def_Caller(QStringLiteral("Frm_KLV_Declara"), respuesta);
        const OpenDeclaration decl{kRuc + QStringLiteral("           EMPRESA DEMO"), periodo, QStringLiteral("0"), respuesta};
        form_->setDeclaration(decl, key);
        const bool ok = form_->Form_Load();
        if (loaded) *loaded = ok;
        form_->show();
        return *form_;
    }
    template <class T>
    T* w(const char* name) {
        return findNamed<T>(form_.get(), name);
    }
    QLineEdit* box(const char* name) { return w<QLineEdit>(name); }
    bool on(const char* name) { return w<QAbstractButton>(name)->isChecked(); }
    void choose(const QString& doc) {
        picks_.push_back(Party{6, doc});
        form_->CmdSelec_Click();
    }
    void click(const char* name) { w<QAbstractButton>(name)->click(); }
    void tickType(const char* code, bool ticked = true) {
        auto* list = w<QTreeWidget>("LvwTipTransacc");
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(0) == QLatin1String(code))
                list->topLevelItem(i)->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
    }
    QStringList ticked() {
        QStringList out;
        auto* list = w<QTreeWidget>("LvwTipTransacc");
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->checkState(0) == Qt::Checked) out << list->topLevelItem(i)->text(0);
        return out;
    }
    void tab(int index) { w<QTabWidget>("TabTransac")->setCurrentIndex(index); }
    void pick(const char* combo, const char* code) {
        auto* c = w<QComboBox>(combo);
        for (int i = 0; i < c->count(); ++i)
            if (c->itemText(i).startsWith(QLatin1String(code))) {
                c->setCurrentIndex(i);
                emit c->activated(i);
                return;
            }
        ADD_FAILURE() << combo << " has no " << code;
    }
    static void focusIn(QWidget* b) {
        QFocusEvent e(QEvent::FocusIn, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(b, &e);
    }
    static void focusOut(QWidget* b, Qt::FocusReason reason = Qt::TabFocusReason) {
        QFocusEvent e(QEvent::FocusOut, reason);
        QCoreApplication::sendEvent(b, &e);
    }
    static void key(QWidget* b, int k, const QString& text = {}, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent e(QEvent::KeyPress, k, mods, text);
        QCoreApplication::sendEvent(b, &e);
    }
    static void typeText(QWidget* b, const QString& text) {
        for (QChar c : text) key(b, c.unicode(), QString(c));
    }
    int top(const char* name) { return w<QWidget>(name)->y(); }

    QWidget* owner_ = nullptr;  // the window the form is opened from
    std::unique_ptr<FrmTransacciones> form_;
    std::deque<std::optional<Party>> picks_;
    int selections_ = 0;
    QString selectionCaller_;
};

TEST_F(FormTest, OpensNewLocked) {
    FrmTransacciones& f = open();
    EXPECT_EQ(f.windowTitle(), S("Detalle de Transacción"));
    EXPECT_EQ(f.width(), 9510 / 15);
    EXPECT_EQ(w<QLabel>("lblmensaje")->text(), QStringLiteral(" NUEVO REGISTRO"));
    for (int t = 1; t <= 3; ++t) EXPECT_FALSE(w<QTabWidget>("TabTransac")->isTabEnabled(t));
    EXPECT_FALSE(w<QGroupBox>("FraValMet")->isEnabled());
    EXPECT_FALSE(w<QGroupBox>("FraListTipTra")->isEnabled());
    EXPECT_FALSE(w<QComboBox>("CboTipMoneda")->isEnabled());
    EXPECT_TRUE(w<QComboBox>("CboTipDocP")->currentText().isEmpty());
    // The focus on the first control of the first tab, not on the tab bar; a document type shown
    // without the length and flags that follow its description.
    ASSERT_NE(f.focusWidget(), nullptr);
    EXPECT_EQ(f.focusWidget()->objectName(), QStringLiteral("CboTipDocP"));
    auto* tipos = w<ItemCombo>("CboTipDocP");
    const int ruc = tipos->findText(QStringLiteral("06"), Qt::MatchStartsWith);
    ASSERT_GE(ruc, 0);
    EXPECT_EQ(tipos->shownText(tipos->itemText(ruc)), QStringLiteral("06  -  REG. UNICO DE CONTRIBUYENTES"));
    EXPECT_EQ(w<QTreeWidget>("LvwTipTransacc")->topLevelItemCount(), 45);
    EXPECT_FALSE(f.modified());
    // Clicking the locked type list says what is missing.
    f.Frame12_Click();
    EXPECT_EQ(messages().last().text, S("Debe seleccionar un Informado."));
    choose(kHaven);
    w<QGroupBox>("FraListTipTra")->setEnabled(false);
    f.Frame12_Click();
    EXPECT_EQ(messages().last().text, S("Debe seleccionar Método de Valoración."));
    EXPECT_EQ(selectionCaller_.left(11), kRuc);
}

TEST_F(FormTest, OpensAStoredTransactionForModifying) {
    TransactionState st = newTransaction(ctx(), kHaven, kTradicional, false, QStringLiteral("2012"), {QStringLiteral("05")});
    st.texts[QStringLiteral("CboTipMoneda1")] = QStringLiteral("02  -  X");
    st.texts[QStringLiteral("TxtMtoTranMonOri")] = QStringLiteral("500");
    st.checks[QStringLiteral("ChkPR")] = true;
    for (const char* b : {"TxtSinAjusPr", "TxtAjusPr", "TxtLimInfPR", "TxtLimSupPR", "TxtMedPR", "TxtMargBrutoPR"})
        st.texts[QLatin1String(b)] = QStringLiteral("7");
    st.checks[QStringLiteral("OptInf_MT")] = true;
    ASSERT_EQ(Grabar_Transacc(ctx(), st).outcome, SaveOutcome::Saved);

    const TransactionKey key{DeclarationKey{6, kRuc, QStringLiteral("2012"), QStringLiteral("8027")}, Party{6, kHaven}, 1};
    FrmTransacciones& f = open(kModoModificar, QStringLiteral("2012"), QStringLiteral("1"), &key);
    EXPECT_EQ(w<QLabel>("lblmensaje")->text(), QStringLiteral(" MODIFICANDO REGISTRO"));
    EXPECT_FALSE(f.modified());
    EXPECT_EQ(f.flag(), kTradicional);
    EXPECT_TRUE(on("OptValMetTradi"));
    EXPECT_TRUE(on("OptInf_MT"));
    EXPECT_TRUE(on("ChkPR"));
    EXPECT_EQ(box("TxtLimSupPR")->text(), QStringLiteral("7.00"));
    EXPECT_EQ(box("TxtMtoTranMonOri")->text(), QStringLiteral("500"));
    EXPECT_EQ(w<QComboBox>("CboTipMoneda1")->currentText().left(2), QStringLiteral("02"));
    EXPECT_EQ(ticked(), QStringList{QStringLiteral("05")});
    EXPECT_EQ(w<QComboBox>("CboDocIdP")->currentText(), kHaven);
    EXPECT_EQ(w<QLineEdit>("TxtRazSoc")->text(), QStringLiteral("PARTE ") + kHaven);
    for (const char* locked : {"CboTipDocP", "CboDocIdP", "CmdSelec", "FraValMet"}) EXPECT_FALSE(w<QWidget>(locked)->isEnabled()) << locked;
    EXPECT_EQ(w<QTabWidget>("TabTransac")->currentIndex(), 0);
    // The stored ticks do not change.
    tickType("07");
    EXPECT_EQ(ticked(), QStringList{QStringLiteral("05")});
    EXPECT_FALSE(f.modified());
    // Arriving on its tab keeps the loaded amounts; a save answered "No" closes the form.
    tab(2);
    EXPECT_EQ(box("TxtMtoTranMonOri")->text(), QStringLiteral("500"));
    box("TxtMtoTranMonOri")->setText(QStringLiteral("600"));
    messages().script(MsgAnswer::No);
    f.CmdOpciones_Click(1);
    EXPECT_EQ(messages().last().text, msgSeguir());
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(column(QStringLiteral("mto_tran_mon_ori")).toString(), QString());  // kDoc has none
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT MTO_TRAN_MON_ORI FROM TMPTRANSACCION2 WHERE DOC_ID_P=?"), {kHaven}).toString(),
              QStringLiteral("600"));
    // A transaction that is gone is reported and the form does not open.
    const TransactionKey gone{key.declaration, key.party, 9};
    bool loaded = true;
    open(kModoModificar, QStringLiteral("2012"), QStringLiteral("1"), &gone, &loaded);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(messages().last().style, MsgStyle::Exclamation);
}

// Another program holding the database: the load waits its busy timeout once, not once for each
// of its reads, and says so in one box (the bound counts timeouts waited, with room for a slow
// machine, not speed).
TEST_F(FormTest, AStoredTransactionOpenedBehindAnotherProgramsLockWaitsOnceAndSaysSo) {
    insertRow(db(), QStringLiteral("TMPTRANSACCION2"),
              {{"tip_doc_d", 6}, {"doc_id_d", kRuc}, {"periodo", "2012"}, {"formulario", "8027"}, {"tip_doc_p", 6},
               {"doc_id_p", kHaven}, {"cor_transaccion", 1}, {"flag_val_met", "00"}, {"ind_transac_fin", "0"},
               {"cnumero", "666666"}});
    const TransactionKey key{DeclarationKey{6, kRuc, QStringLiteral("2012"), QStringLiteral("8027")}, Party{6, kHaven}, 1};
    constexpr int kBusyMs = 1000;
    win().engine = Engine::open(env_.dbFile(), QString(), QString(), kBusyMs);
    auto other = Database::open(env_.dbFile());
    other->exec(QStringLiteral("BEGIN EXCLUSIVE"));
    QElapsedTimer clock;
    clock.start();
    bool loaded = true;
    open(kModoModificar, QStringLiteral("2012"), QStringLiteral("1"), &key, &loaded);
    const qint64 waited = clock.elapsed();
    other->exec(QStringLiteral("ROLLBACK"));
    EXPECT_FALSE(loaded);
    ASSERT_EQ(messages().calls().size(), 1u);
    EXPECT_TRUE(messages().last().text.contains(QStringLiteral("3051"))) << messages().last().text.toStdString();
    EXPECT_LT(waited, 2 * kBusyMs - 100);
}

// Opened from a handler run while another work computes (a click that reached the window during
// a save): the form reads nothing on the window's thread, says why it cannot open, and stays closed.
TEST_F(FormTest, OpenedWhileAnotherWorkComputesItSaysSoAndStaysClosed) {
    std::atomic<bool> tried{false};
    bool loaded = true;
    QTimer::singleShot(0, qApp, [&] {  // runs in the runner's loop, while the work computes
        open(kModoNuevo, QStringLiteral("2012"), QStringLiteral("1"), nullptr, &loaded);
        tried = true;
    });
    LongWork(win(), nullptr, QString()).runWork([&tried](AppContext&, const WorkProgress&) {
        const QDeadlineTimer deadline(10000);
        while (!tried && !deadline.hasExpired()) QThread::msleep(5);
    });
    ASSERT_TRUE(tried);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(messages().last().text, S("No se pudo abrir la transacción.\r\n") + QString::fromLocal8Bit(WorkRefused().what()));
    EXPECT_EQ(messages().last().style, MsgStyle::Critical);
    // Once the work has ended it opens.
    open(kModoNuevo, QStringLiteral("2012"), QStringLiteral("1"), nullptr, &loaded);
    EXPECT_TRUE(loaded);
}

TEST_F(FormTest, OpensAtTheTopLeftCorner) {
    QWidget owner;
    owner.setGeometry(300, 200, 800, 600);
    owner.show();
    owner_ = &owner;
    open();
    EXPECT_EQ(form_->pos(), QPoint(0, 0));
    form_.reset();
}

// Choosing a method, an indicator or the analysed party changes nothing the exit question asks
// about; choosing a currency does.
TEST_F(FormTest, WhatMarksAStoredTransactionModified) {
    insertRow(db(), QStringLiteral("TMPTRANSACCION2"),
              {{QStringLiteral("TIP_DOC_D"), 6}, {QStringLiteral("DOC_ID_D"), kRuc}, {QStringLiteral("PERIODO"), QStringLiteral("2012")},
               {QStringLiteral("FORMULARIO"), QStringLiteral("8027")}, {QStringLiteral("TIP_DOC_P"), 6},
               {QStringLiteral("DOC_ID_P"), kHaven}, {QStringLiteral("COR_TRANSACCION"), 1},
               {QStringLiteral("FLAG_VAL_MET"), QStringLiteral("02")}, {QStringLiteral("IND_TRANSAC_FIN"), QStringLiteral("0")},
               {QStringLiteral("MET_VAL"), QStringLiteral("04")}, {QStringLiteral("COD_TIP_MONEDA"), QStringLiteral("1")}});
    const TransactionKey key{DeclarationKey{6, kRuc, QStringLiteral("2012"), QStringLiteral("8027")}, Party{6, kHaven}, 1};
    const struct {
        const char* control;
        const char* item;  // the item chosen in a combo; none for an option
        bool marks;
    } cases[] = {
        {"CboMetodoVal", "05", false}, {"CboRangoPLI", "01", false}, {"OptInf_SETP", nullptr, false},
        {"OptCont_SETP", nullptr, false}, {"OptInf_MT", nullptr, false}, {"OptCont_MT", nullptr, false},
        {"OptInf_OM", nullptr, false}, {"OptCont_OM", nullptr, false}, {"CboTipMoneda2", "02", true},
    };
    for (const auto& c : cases) {
        FrmTransacciones& f = open(kModoModificar, QStringLiteral("2012"), QStringLiteral("1"), &key);
        ASSERT_EQ(f.flag(), kOtros);
        if (c.item) pick(c.control, c.item);
        else w<QRadioButton>(c.control)->setChecked(true);
        EXPECT_EQ(f.modified(), c.marks) << c.control;
        messages().clear();
        messages().script(MsgAnswer::No);
        f.CmdOpciones_Click(2);
        EXPECT_EQ(messages().empty(), !c.marks) << c.control;
        EXPECT_FALSE(f.isVisible()) << c.control;
    }
}

TEST_F(FormTest, PeriodLayouts) {
    struct Case {
        const char* periodo;
        bool frames, scroll;
        const char* origin;
    };
    for (const Case c : {Case{"2007", false, false, "A - En Moneda de Origen"}, Case{"2011", false, false, "A - En Moneda de Origen"},
                         Case{"2012", true, true, "B - En Moneda de Origen"}}) {
        open(kModoNuevo, S(c.periodo));
        EXPECT_EQ(!w<QGroupBox>("Frame15")->isHidden(), c.frames) << c.periodo;
        EXPECT_EQ(!w<QWidget>("HScroll1")->isHidden(), c.scroll) << c.periodo;
        EXPECT_EQ(w<QGroupBox>("Frame8")->title(), S(c.origin));
        EXPECT_EQ(w<QGroupBox>("Frame11")->title(), c.frames ? S("C - En Moneda de Registro") : S("B - En Moneda de Registro"));
        EXPECT_TRUE(w<QWidget>("CboRangoPLI")->isHidden());
        EXPECT_TRUE(w<QWidget>("Label1_29")->isHidden());
    }
    // From 2012 with no method chosen the adjustments move up.
    EXPECT_EQ(top("TxtMtoAjuResPosReg"), 1540 / 15);
    EXPECT_EQ(top("Label1_10"), 1420 / 15);
    open(kModoNuevo, QStringLiteral("2011"));
    EXPECT_EQ(top("TxtMtoAjuResPosReg"), 2040 / 15);
    // Before 2008 the amount of record of other methods has the window colour.
    const QColor design = box("TxtMtoTraMonReg")->palette().color(QPalette::Base);
    open(kModoNuevo, QStringLiteral("2007"));
    EXPECT_NE(box("TxtMtoTraMonReg")->palette().color(QPalette::Base), design);
}

TEST_F(FormTest, OptionsOnChoosingAndAfterSaving) {
    // 2013, answer "0": any party gets "Sin Método" only; the analysed party of tab 1 is off.
    FrmTransacciones& f = open(kModoNuevo, QStringLiteral("2013"), QStringLiteral("0"));
    choose(kHaven);
    EXPECT_TRUE(on("OptSinValMet"));
    EXPECT_EQ(f.flag(), kSinMetodo);
    EXPECT_FALSE(w<QWidget>("OptValMetTradi")->isEnabled());
    EXPECT_TRUE(w<QTabWidget>("TabTransac")->isTabEnabled(1));
    EXPECT_FALSE(w<QWidget>("OptCont_SETP")->isEnabled());
    EXPECT_TRUE(w<QComboBox>("CboTipMoneda")->isEnabled());

    // Answer "1", not domiciled: every option, none selected.
    open(kModoNuevo, QStringLiteral("2012"), QStringLiteral("1"));
    choose(kHaven);
    EXPECT_FALSE(on("OptSinValMet") || on("OptValMetTradi") || on("OptValMetOtros"));
    EXPECT_TRUE(w<QWidget>("OptValMetOtros")->isEnabled());
    EXPECT_TRUE(w<QGroupBox>("FraListTipTra")->isEnabled());

    // The number handed back is matched whole: "2010000000" is not "20100000001".
    const QString before = w<QComboBox>("CboDocIdP")->currentText();
    choose(QStringLiteral("2010000000"));
    EXPECT_EQ(messages().last().style, MsgStyle::Exclamation);
    EXPECT_EQ(w<QComboBox>("CboDocIdP")->currentText(), before);

    // Domiciled, 2012, answer "0": "Sin Método" only; after a save answered Sí the same.
    FrmTransacciones& g = open(kModoNuevo, QStringLiteral("2012"), QStringLiteral("0"));
    choose(kDoc);
    EXPECT_TRUE(on("OptSinValMet"));
    EXPECT_FALSE(w<QGroupBox>("FraValMet")->isEnabled());
    tickType("05");
    tab(1);
    pick("CboTipMoneda", "01");
    box("TxtMtoSinTranMonOri")->setText(QStringLiteral("100"));
    box("TxtMtoSinTranMonReg")->setText(QStringLiteral("100"));
    click("OptCont_SETP");
    messages().script(MsgAnswer::Yes);
    // Enter on the focused "&Aceptar" saves.
    w<QPushButton>("CmdOpciones_1")->setFocus();
    key(w<QPushButton>("CmdOpciones_1"), Qt::Key_Return);
    EXPECT_EQ(messages().last().text, msgSeguir());
    EXPECT_EQ(count(QStringLiteral("TMPTRANSACCION2")), 1);
    EXPECT_TRUE(on("OptSinValMet"));
    EXPECT_FALSE(w<QWidget>("OptValMetTradi")->isEnabled());
    EXPECT_TRUE(box("TxtMtoSinTranMonOri")->text().isEmpty());
    EXPECT_TRUE(ticked().isEmpty());
    EXPECT_EQ(w<QTabWidget>("TabTransac")->currentIndex(), 0);
    EXPECT_EQ(w<QComboBox>("CboMetodoVal")->itemText(1), S("05 - MRPU Método Residual de la Partición de Utilidades"));
    EXPECT_EQ(g.mode(), kModoNuevo);
}

TEST_F(FormTest, AnIncompleteNonDomiciledPartyIsNotChosen) {
    // From 2016 a non-domiciled party needs its legal address: the question offers its detail.
    Party opened;
    win().forms.partyDetail = [&opened](QWidget*, const QString&, const Party& p) { opened = p; };
    FrmTransacciones& f = open(kModoNuevo, QStringLiteral("2016"));
    messages().script(MsgAnswer::Yes);
    choose(kHaven);
    ASSERT_FALSE(messages().empty());
    EXPECT_EQ(messages().last().style, MsgStyle::YesNo + MsgStyle::Exclamation);
    EXPECT_EQ(messages().last().title, S("Detalle de Transacción"));
    EXPECT_TRUE(messages().last().text.contains(S("¿Desea modificar los datos del Informado?")));
    EXPECT_EQ(opened.docIdP, kHaven);
    EXPECT_TRUE(w<QComboBox>("CboDocIdP")->currentText().isEmpty());
    EXPECT_FALSE(w<QGroupBox>("FraValMet")->isEnabled());
    EXPECT_TRUE(f.flag().isEmpty());
}

TEST_F(FormTest, TheRegisterComesBackAfterTheDetail) {
    // The question's answer, whether the detail completes the party, the register's pick after it.
    struct Case {
        int answer;
        bool completes;
        bool pickedAgain;
        int selections;
        bool chosen;
    };
    const Case cases[] = {
        {MsgAnswer::No, false, false, 1, false},
        {MsgAnswer::Yes, true, true, 2, true},
        {MsgAnswer::Yes, false, false, 2, false},  // the register left with "&Salir"
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer == MsgAnswer::No ? "No" : c.completes ? "completed" : "left");
        db().exec(QStringLiteral("UPDATE PAR_VIN SET TIP_DIR_LEGAL=NULL, DES_DIR_LEGAL=NULL WHERE DOC_ID_P=?"), {kHaven});
        int details = 0;
        win().forms.partyDetail = [&](QWidget*, const QString&, const Party& p) {
            ++details;
            EXPECT_FALSE(form_->isVisible()) << "only the detail is shown";
            if (c.completes)
                db().exec(QStringLiteral("UPDATE PAR_VIN SET TIP_DIR_LEGAL='01', DES_DIR_LEGAL='AV. LIMA 1' WHERE "
                                         "DOC_ID_P=?"),
                          {p.docIdP});
            if (c.pickedAgain) picks_.push_back(p);
        };
        FrmTransacciones& f = open(kModoNuevo, QStringLiteral("2016"));
        selections_ = 0;
        messages().clear();
        messages().script(c.answer);
        choose(kHaven);
        EXPECT_EQ(messages().calls().size(), 1u);
        EXPECT_EQ(details, c.answer == MsgAnswer::Yes ? 1 : 0);
        EXPECT_EQ(selections_, c.selections);
        EXPECT_TRUE(f.isVisible());
        EXPECT_EQ(w<QComboBox>("CboDocIdP")->currentText(), c.chosen ? kHaven : QString());
        EXPECT_EQ(w<QGroupBox>("FraValMet")->isEnabled(), c.chosen);
    }
}

TEST_F(FormTest, TraditionalMethodsFrom2012) {
    open();
    choose(kHaven);
    click("OptValMetTradi");
    tickType("05");
    tab(2);
    click("ChkPCNP");
    EXPECT_TRUE(on("ChkRangoInterCuartil"));
    EXPECT_FALSE(box("TxtMtoLimInfPCNC")->isReadOnly());
    box("TxtMtoLimInfPCNC")->setText(QStringLiteral("5"));
    box("TxtSinAjusPCNP")->setText(QStringLiteral("100"));
    click("ChkCI");  // one method from 2012
    EXPECT_FALSE(on("ChkPCNP"));
    EXPECT_FALSE(on("ChkRangoInterCuartil"));
    EXPECT_TRUE(box("TxtMtoLimInfPCNC")->isReadOnly());
    EXPECT_TRUE(box("TxtMtoLimInfPCNC")->isEnabled());  // locked, not disabled
    EXPECT_TRUE(box("TxtMtoLimInfPCNC")->text().isEmpty());
    EXPECT_TRUE(box("TxtSinAjusPCNP")->text().isEmpty());
    EXPECT_FALSE(box("TxtSinAjusPCNP")->isEnabled());
    EXPECT_TRUE(box("TxtLimInfCI")->isEnabled());
    click("ChkRangoInterCuartil");
    EXPECT_TRUE(on("ChkPCNP"));
    EXPECT_FALSE(on("ChkCI"));
    EXPECT_FALSE(box("TxtLimInfCI")->isEnabled());
    click("ChkRangoInterCuartil");
    EXPECT_FALSE(on("ChkPCNP"));
    // Paging: page 2 shows the limits, page 3 the median and margin, page 1 again the amounts.
    click("ChkPR");
    auto* scroll = w<QScrollBar>("HScroll1");
    scroll->setValue(2);
    EXPECT_EQ(w<QPushButton>("OptCapSinAju")->text(), QStringLiteral("Lim Inferior"));
    EXPECT_FALSE(box("TxtLimInfPR")->isHidden());
    EXPECT_TRUE(box("TxtSinAjusPr")->isHidden());
    scroll->setValue(3);
    EXPECT_EQ(w<QPushButton>("OptCapAju")->text(), QStringLiteral("Margen Bruto"));
    // Arriving on the tab again shows page 1.
    tab(0);
    tab(2);
    EXPECT_EQ(scroll->value(), 1);
    EXPECT_EQ(w<QPushButton>("OptCapSinAju")->text(), QStringLiteral("Monto Sin Ajustar"));
    EXPECT_FALSE(box("TxtSinAjusPr")->isHidden());
    // A financial type hides the pages; a non-financial one ticked instead brings them back.
    tab(0);
    tickType("12");
    EXPECT_TRUE(scroll->isHidden());
    tickType("05");
    EXPECT_FALSE(on("ChkFinancieras"));
    tab(2);
    EXPECT_FALSE(scroll->isHidden());
}

TEST_F(FormTest, TypeListAndTabChanges) {
    FrmTransacciones& f = open();
    choose(kHaven);
    // No type ticked: the tab refuses.
    click("OptValMetOtros");
    tab(3);
    EXPECT_EQ(w<QTabWidget>("TabTransac")->currentIndex(), 0);
    EXPECT_EQ(messages().last().text, msgSinTipo());
    EXPECT_EQ(f.helpContext(), 1021);
    // Other methods: the financial pair ticks together.
    tickType("03");
    tickType("34");
    EXPECT_EQ(ticked(), (QStringList{QStringLiteral("12"), QStringLiteral("34")}));
    EXPECT_TRUE(on("ChkFinancieras"));
    EXPECT_TRUE(messages().last().text.startsWith(S("Seleccionó un Tipo de Transacción Financiera")));
    tab(3);
    EXPECT_EQ(f.helpContext(), 1034);
    EXPECT_FALSE(box("TxtMtoTotCapMonOri")->isHidden());
    EXPECT_TRUE(box("TxtMtoTraMonOri")->isHidden());
    EXPECT_EQ(top("TxtMtoAjuResNegReg"), 1540 / 15);
    // A new transaction's tab is cleared on every arrival.
    box("TxtMtoTotCapMonOri")->setText(QStringLiteral("900"));
    tab(0);
    tab(3);
    EXPECT_TRUE(box("TxtMtoTotCapMonOri")->text().isEmpty());
    EXPECT_EQ(w<QComboBox>("CboTipMoneda2")->count(), 6);
    EXPECT_EQ(w<QComboBox>("CboTipMoneda2")->currentIndex(), -1);
    EXPECT_EQ(w<QLabel>("Label9_0")->text(), QStringLiteral("Nuevos Soles-Peru"));
    EXPECT_TRUE(w<QLabel>("Label5")->isHidden());
}

TEST_F(FormTest, EntryBoxes) {
    FrmTransacciones& f = open();
    choose(kHaven);
    click("OptSinValMet");
    tickType("05");
    tab(1);
    pick("CboTipMoneda", "01");
    auto* ori = box("TxtMtoSinTranMonOri");
    ori->setText(QStringLiteral("1,234"));
    focusIn(ori);
    EXPECT_EQ(ori->text(), QStringLiteral("1234"));
    typeText(ori, QStringLiteral("5678901234567"));  // 14 digits at most
    EXPECT_EQ(ori->text(), QStringLiteral("12345678901234"));
    focusOut(ori);
    EXPECT_EQ(ori->text(), QStringLiteral("12,345,678,901,234"));
    // The registration amount follows the origin in the registration currency.
    EXPECT_EQ(box("TxtMtoSinTranMonReg")->text(), QStringLiteral("12,345,678,901,234"));
    pick("CboTipMoneda", "02");
    ori->setText(QStringLiteral("5"));
    focusOut(ori);
    EXPECT_EQ(box("TxtMtoSinTranMonReg")->text(), QStringLiteral("12,345,678,901,234"));

    // Letters and pasted text never reach the box; the clipboard is left alone.
    QApplication::clipboard()->setText(QStringLiteral("999"));
    auto* reg = box("TxtMtoSinTranMonReg");
    reg->clear();
    typeText(reg, QStringLiteral("a1"));
    key(reg, Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier);
    key(reg, Qt::Key_Insert, {}, Qt::ShiftModifier);
    EXPECT_EQ(reg->text(), QStringLiteral("1"));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("999"));

    // A rate box marks the form modified too; a second point is refused.
    click("ChkFinancieras");
    tab(0);
    tab(1);
    auto* rate = box("TxtTasSinEfeAnu");
    EXPECT_FALSE(rate->isHidden());
    typeText(rate, QStringLiteral("5.2.5"));
    EXPECT_EQ(rate->text(), QStringLiteral("5.25"));
    EXPECT_TRUE(f.modified());
}

TEST_F(FormTest, ExclusiveAdjustmentsAndOtherCurrency) {
    open();
    choose(kHaven);
    click("OptValMetOtros");
    tickType("05");
    tab(3);
    auto* pos = box("TxtMtoAjuResPosReg");
    auto* neg = box("TxtMtoAjuResNegReg");
    neg->setText(QStringLiteral("1,000"));
    typeText(pos, QStringLiteral("5"));
    EXPECT_EQ(neg->text(), QStringLiteral("0.00"));
    neg->setText(QStringLiteral("0"));
    typeText(pos, QStringLiteral("x"));
    EXPECT_EQ(neg->text(), QStringLiteral("0"));
    // Currency "00" ticks "Otra Moneda" and opens its name box; another currency empties it.
    pick("CboTipMoneda2", "00");
    EXPECT_TRUE(on("ChkOtraMoneda2"));
    auto* name = box("TxtOtroTipMoneda2");
    EXPECT_TRUE(name->isEnabled());
    typeText(name, S("yeñ"));
    EXPECT_EQ(name->text(), S("YEÑ"));
    pick("CboTipMoneda2", "01");
    EXPECT_FALSE(on("ChkOtraMoneda2"));
    EXPECT_TRUE(name->text().isEmpty());
    EXPECT_FALSE(name->isEnabled());
}

TEST_F(FormTest, LeavingAsksOnlyWhenModified) {
    FrmTransacciones& f = open();
    f.CmdOpciones_Click(2);
    EXPECT_TRUE(messages().empty());
    EXPECT_FALSE(f.isVisible());

    FrmTransacciones& g = open();
    choose(kHaven);
    click("OptSinValMet");
    messages().script(MsgAnswer::Yes);  // save: the check refuses, the form stays
    g.CmdOpciones_Click(2);
    EXPECT_EQ(messages().calls().at(0).text, S("¿Ha realizado modificaciones, desea guardar los cambios?"));
    EXPECT_EQ(messages().calls().at(0).style, 36);
    Verdict tab1;
    tab1.catalogue = 38;
    EXPECT_EQ(messages().calls().at(1).text, tab1.message());
    EXPECT_TRUE(g.isVisible());
    messages().script(MsgAnswer::No);
    g.CmdOpciones_Click(2);
    EXPECT_FALSE(g.isVisible());
    EXPECT_EQ(count(QStringLiteral("TMPTRANSACCION2")), 0);
    // "&Validar" does nothing.
    FrmTransacciones& h = open();
    h.CmdOpciones_Click(0);
    EXPECT_TRUE(h.isVisible());
}

TEST_F(FormTest, RefusalsLeadToTheRightTab) {
    // A party chosen in the combos is chosen as "&Seleccionar" does.
    FrmTransacciones& f = open(kModoNuevo, QStringLiteral("2012"), QStringLiteral("0"));
    pick("CboTipDocP", "06");
    pick("CboDocIdP", "20100000001");
    EXPECT_EQ(f.flag(), kSinMetodo);
    // No currency from tab 0: to tab 1, which refuses without a type and stays on tab 0.
    f.CmdOpciones_Click(1);
    EXPECT_EQ(messages().last().text, msgSinTipo());
    EXPECT_EQ(w<QTabWidget>("TabTransac")->currentIndex(), 0);
    tickType("01");
    tab(1);
    EXPECT_TRUE(box("TxtMtoSinCapMonOri")->isHidden());
    // A missing amount on a tab the user left shows that tab again with what was typed.
    pick("CboTipMoneda", "01");
    box("TxtMtoSinTranMonOri")->setText(QStringLiteral("10"));
    tab(0);
    f.CmdOpciones_Click(1);
    EXPECT_EQ(w<QTabWidget>("TabTransac")->currentIndex(), 1);
    EXPECT_EQ(box("TxtMtoSinTranMonOri")->text(), QStringLiteral("10"));
    EXPECT_TRUE(box("TxtMtoSinCapMonOri")->isHidden());
}

}  // namespace
}  // namespace klv::test
