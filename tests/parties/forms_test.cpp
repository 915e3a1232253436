// The party forms driven as a user would: the register in both modes, the detail's choice rules,
// a Modificar load, a new party through Aceptar, the exit question, pasting, the chooser and the
// two reference lists.
#include "parties_fixture.h"

#include "frm_paraisos.h"
#include "frm_partes_vinc.h"
#include "frm_partes_vinc_det.h"
#include "frm_tipos_vinc.h"
#include "item_combo.h"
#include "long_work.h"
#include "mensajes.h"
#include "when_shown.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStyleOptionComboBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <functional>

namespace klv::test {
namespace {

template <class T>
T* child(QWidget* form, const QString& name) {
    T* found = form->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
}

// Typing as the keyboard does: a key press and release per character.
void keyClick(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &release);
}
void keyClicks(QWidget* w, const QString& text) {
    for (QChar c : text) keyClick(w, QKeySequence(QString(c.toUpper()))[0].key(), Qt::NoModifier, QString(c));
}

void choose(QComboBox* cbo, const QString& prefix) {
    for (int i = 0; i < cbo->count(); ++i)
        if (cbo->itemText(i).startsWith(prefix)) return cbo->setCurrentIndex(i);
    ADD_FAILURE() << "no item " << prefix.toStdString();
}

QStringList codes(QComboBox* cbo) {
    QStringList out;
    for (int i = 0; i < cbo->count(); ++i) out << cbo->itemText(i).left(2);
    return out;
}

class FormsTest : public PartiesTest {
protected:
    QString message(int n) { return textoMensaje(n, party::kFrmPartesVincDet, 2026); }

    std::unique_ptr<FrmPartesVincDet> detail(const QString& mode, const Party* p = nullptr) {
        auto d = std::make_unique<FrmPartesVincDet>(windowCtx());
        d->udp_Modo_Accion(mode);
        d->Form_Load(kRuc, QString(), p);
        d->show();
        return d;
    }
    std::unique_ptr<FrmPartesVinc> registerForm(const QString& caller, const QString& cbo = QString()) {
        auto r = std::make_unique<FrmPartesVinc>(windowCtx());
        r->udp_Def_Caller(caller);
        r->Form_Load(cbo);
        r->show();
        return r;
    }
};

TEST_F(FormsTest, RegisterInMaintenanceMode) {
    party("20100000009", {{"RAZON_SOCIAL", "ALFA SAC"}, {"COD_NAT_JUR", "2"}, {"FLAG_CON_DOM", "01"}});
    auto r = registerForm("MDI_KLV_PT");
    auto* cbo = child<QComboBox>(r.get(), "CboNumDoc");
    EXPECT_EQ(r->windowTitle(), "Listado de Informados");
    EXPECT_EQ(cbo->currentIndex(), -1);
    EXPECT_GE(cbo->count(), 2);
    EXPECT_EQ(r->rowCount(), 0);
    EXPECT_EQ(child<QPushButton>(r.get(), "CmdOpciones_3")->text(), "&Importar");
    for (int i = 0; i < 4; ++i) r->CmdOpciones_Click(i);
    ASSERT_EQ(messages().calls().size(), 4u);
    for (const auto& c : messages().calls()) EXPECT_EQ(c.text, "Debe seleccionar un contribuyente.");

    choose(cbo, "10412345679");
    r->CboNumDoc_Click();
    EXPECT_EQ(child<QLineEdit>(r.get(), "TxtRazon_Social")->text(), "GARCIA LOPEZ MARIA ELENA");
    messages().clear();
    r->CmdOpciones_Click(1);
    r->CmdOpciones_Click(2);
    r->CmdOpciones_Click(3);  // the import is not set: "En Desarrollo."
    ASSERT_EQ(messages().calls().size(), 3u);
    EXPECT_EQ(messages().calls()[0].text, "No hay registros disponibles para Modificar.");
    EXPECT_EQ(messages().calls()[1].text, "No hay registros disponibles para Eliminar.");
    EXPECT_EQ(messages().calls()[2].text, "En Desarrollo.");

    choose(cbo, kRuc);
    r->CboNumDoc_Click();
    EXPECT_EQ(r->rowCount(), 1);
    EXPECT_EQ(child<QLabel>(r.get(), "lblNumVinculadas")->text(), " 1 Registros Encontrados.");

    // Importar hides the register, opens the import for it and reloads the list after.
    QString caller, declarant;
    windowCtx().forms.importDialog = [&](QWidget*, const QString& c, const OpenDeclaration* d) {
        caller = c;
        declarant = d->cboNumDoc;
        EXPECT_FALSE(r->isVisible());
        party("AB1", {{"TIP_DOC_P", 7}});
    };
    r->CmdOpciones_Click(3);
    EXPECT_EQ(caller, "FrmPartesVinc");
    EXPECT_TRUE(declarant.startsWith(kRuc));
    EXPECT_TRUE(r->isVisible());
    EXPECT_EQ(r->rowCount(), 2);

    // A double-click modifies the current row's party.
    QString loaded;
    whenShown<FrmPartesVincDet>([&](FrmPartesVincDet& d) {
        loaded = d.state().mode + " " + child<QLineEdit>(&d, "TxtNumDoc")->text();
        d.CmdSalir_Click();
    });
    auto* grid = child<QTableView>(r.get(), "GrdVinculadas");
    grid->selectRow(0);
    emit grid->doubleClicked(grid->model()->index(0, 1));
    EXPECT_EQ(loaded, "Modificar 20100000009");

    // Deleting it takes one question (No by default), then the list follows.
    messages().clear();
    messages().script(MsgAnswer::Yes);
    r->CmdOpciones_Click(2);
    EXPECT_EQ(r->rowCount(), 1);
}

TEST_F(FormsTest, RegisterInSelectionMode) {
    party("20100000009", {{"RAZON_SOCIAL", "ALFA SAC"}});
    const QString entry = kRuc + QString(11, ' ') + "EMPRESA DEMOSTRACION S.A.C.";
    auto r = registerForm("FrmTransacciones", entry);
    auto* cbo = child<QComboBox>(r.get(), "CboNumDoc");
    EXPECT_EQ(cbo->count(), 1);
    EXPECT_EQ(cbo->currentText(), entry);
    EXPECT_FALSE(cbo->isEnabled());
    EXPECT_EQ(r->rowCount(), 1);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(child<QPushButton>(r.get(), QStringLiteral("CmdOpciones_%1").arg(i))->isVisible());
    EXPECT_EQ(child<QPushButton>(r.get(), "CmdOpciones_3")->text(), "&Seleccionar");
    r->CmdOpciones_Click(3);
    ASSERT_TRUE(r->selected().has_value());
    EXPECT_EQ(r->selected()->tipDocP, 6);
    EXPECT_EQ(r->selected()->docIdP, "20100000009");
    EXPECT_FALSE(r->isVisible());

    // Double-click hands back too; an empty list hands back none.
    whenShown<FrmPartesVinc>([](FrmPartesVinc& f) {
        auto* grid = child<QTableView>(&f, "GrdVinculadas");
        emit grid->doubleClicked(grid->model()->index(0, 0));
    });
    EXPECT_EQ(FrmPartesVinc::select(windowCtx(), nullptr, entry)->docIdP, "20100000009");
    db().exec("DELETE FROM PAR_VIN");
    whenShown<FrmPartesVinc>([](FrmPartesVinc& f) { f.CmdOpciones_Click(3); });
    EXPECT_FALSE(FrmPartesVinc::select(windowCtx(), nullptr, entry).has_value());
}

// Each window opens with the focus on the first control of its tab order that can take it.
TEST_F(FormsTest, EachFormOpensOnItsFirstControl) {
    party("20100000009", {{"RAZON_SOCIAL", "ALFA SAC"}, {"COD_NAT_JUR", "2"}, {"FLAG_CON_DOM", "01"}, {"FLAG_PAR_VIN", "02"}});
    const Party p{6, "20100000009"};
    const auto maintenance = registerForm("MDI_KLV_PT");
    const auto selection = registerForm("FrmTransacciones", kRuc + QString(11, ' ') + "EMPRESA DEMOSTRACION S.A.C.");
    const auto nuevo = detail(party::kNuevo);
    const auto modificar = detail(party::kModificar, &p);
    FrmTiposVinc chooser(windowCtx());
    ASSERT_TRUE(chooser.Form_Load({}));
    chooser.show();
    const std::pair<QWidget*, const char*> cases[] = {{maintenance.get(), "CboNumDoc"},
                                                      {selection.get(), "GrdVinculadas"},  // the combo is locked
                                                      {nuevo.get(), "OptConDomicilioSi"},
                                                      {modificar.get(), "TxtRazSoc"},  // the key is locked
                                                      {&chooser, "LvwParteVinculada"}};
    for (const auto& [form, first] : cases) {
        ASSERT_NE(form->focusWidget(), nullptr) << first;
        EXPECT_EQ(form->focusWidget()->objectName(), first);
    }
}

// The detail keeps its designed size, every list shows its items whole from their start (a
// document type without the codes that follow its description), a loaded address reads from its
// start, and the vinculation chooser opens at the screen's corner.
TEST_F(FormsTest, TheDetailKeepsItsSizeAndShowsEveryTextWholeFromItsStart) {
    const QString address = "AVENIDA DE LOS PROCERES DE LA PATRIA 100";  // 40, longer than the box shows
    party("X1", {{"TIP_DOC_P", 31}, {"FLAG_CON_DOM", "02"}, {"COD_NAT_JUR", "2"}, {"RAZON_SOCIAL", "TRUST"},
                 {"FLAG_PAR_VIN", "01"}, {"FLAG_PAR_FIS", "1"}, {"COD_PAR", "9019"}, {"TIP_DIR_LEGAL", "04"},
                 {"DES_DIR_LEGAL", address}});
    const Party x1{31, "X1"};
    auto d = detail(party::kModificar, &x1);
    d->move(200, 150);
    EXPECT_EQ(d->size(), QSize(634, 513));
    auto* tipo = child<ItemCombo>(d.get(), "CboTipDoc");
    EXPECT_EQ(tipo->shownText(tipo->currentText()), "31  -  DOC.IDENT. TRIBUTARIA U OTROS");
    for (const char* name : {"CboCodPais", "CboTipDoc", "cboTipResid"}) {
        auto* c = child<ItemCombo>(d.get(), name);
        QStyleOptionComboBox opt;
        opt.initFrom(c);
        const int field = c->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c).width();
        for (int i = 0; i < c->count(); ++i)
            EXPECT_GE(field, c->fontMetrics().horizontalAdvance(c->shownText(c->itemText(i)))) << name << " " << i;
    }
    auto* dir = child<QLineEdit>(d.get(), "txtDirRedLegal");
    EXPECT_EQ(dir->text(), address);
    EXPECT_EQ(dir->cursorPosition(), 0);

    whenShown<FrmTiposVinc>([](FrmTiposVinc& c) {
        EXPECT_EQ(c.pos(), c.screen()->geometry().topLeft());
        c.CmdSalir_Click();
    });
    d->CmdTipoVinc_Click();
}

TEST_F(FormsTest, DetailChoiceRules) {
    auto d = detail(party::kNuevo);
    auto* pais = child<QComboBox>(d.get(), "CboCodPais");
    auto* chk = child<QCheckBox>(d.get(), "ChkPaisBN");
    auto* tipos = child<QComboBox>(d.get(), "CboTipDoc");
    auto* numero = child<QLineEdit>(d.get(), "TxtNumDoc");
    auto* fraVin = child<QGroupBox>(d.get(), "Fra_PreParVin");
    EXPECT_EQ(d->windowTitle(), "Registro de Informados");
    EXPECT_EQ(child<QLabel>(d.get(), "Label7_8")->text(), kRuc);
    EXPECT_EQ(child<QLabel>(d.get(), "Label7_9")->text(), "EMPRESA DEMOSTRACION S.A.C.");
    EXPECT_FALSE(fraVin->isEnabled());

    child<QRadioButton>(d.get(), "OptConDomicilioSi")->click();
    EXPECT_TRUE(pais->currentText().startsWith("9589"));
    EXPECT_FALSE(pais->isEnabled());
    EXPECT_FALSE(chk->isEnabled());
    EXPECT_FALSE(chk->isChecked());
    EXPECT_FALSE(child<QRadioButton>(d.get(), "OptNatJurO")->isEnabled());
    EXPECT_FALSE(child<QRadioButton>(d.get(), "OptParteVinNo")->isEnabled());
    child<QRadioButton>(d.get(), "OptNatJurN")->click();
    EXPECT_EQ(codes(tipos), QStringList({"01", "04", "06", "07"}));
    EXPECT_FALSE(child<QLineEdit>(d.get(), "mebFecNac")->isEnabled());
    EXPECT_FALSE(child<QComboBox>(d.get(), "cboTipResid")->isEnabled());
    const std::pair<const char*, int> lengths[] = {{"01", 8}, {"04", 12}, {"06", 11}, {"07", 12}};
    for (const auto& [code, len] : lengths) {
        numero->setText("123");
        choose(tipos, code);
        EXPECT_EQ(numero->maxLength(), len);
        EXPECT_EQ(numero->text(), "");
    }
    EXPECT_TRUE(child<QLineEdit>(d.get(), "TxtNombre")->isVisibleTo(d.get()));
    EXPECT_FALSE(child<QLineEdit>(d.get(), "TxtRazSoc")->isVisibleTo(d.get()));
    EXPECT_TRUE(fraVin->isEnabled());
    child<QRadioButton>(d.get(), "OptNatJurJ")->click();
    EXPECT_EQ(codes(tipos), QStringList({"06"}));

    // Not domiciled: no country chosen, the home country refused, a tax haven ticked.
    child<QRadioButton>(d.get(), "OptConDomicilioNo")->click();
    EXPECT_EQ(pais->currentIndex(), -1);
    EXPECT_TRUE(pais->isEnabled());
    EXPECT_FALSE(child<QRadioButton>(d.get(), "OptNatJurJ")->isChecked());
    EXPECT_EQ(tipos->count(), 0);
    choose(pais, "9589");
    EXPECT_EQ(messages().last().text, message(21));
    EXPECT_EQ(pais->currentIndex(), -1);
    choose(pais, "9019");
    EXPECT_TRUE(chk->isChecked());
    EXPECT_FALSE(chk->isEnabled());
    EXPECT_EQ(d->state().sParFis, "1");
    choose(pais, "9063");
    EXPECT_FALSE(chk->isChecked());
    child<QRadioButton>(d.get(), "OptNatJurN")->click();
    EXPECT_EQ(codes(tipos), QStringList({"31", "32", "07"}));
    EXPECT_TRUE(child<QLineEdit>(d.get(), "mebFecNac")->isEnabled());
    EXPECT_TRUE(child<QLineEdit>(d.get(), "txtDirRedLegal")->isEnabled());
    child<QRadioButton>(d.get(), "OptNatJurJ")->click();
    EXPECT_EQ(codes(tipos), QStringList({"31"}));
    EXPECT_FALSE(child<QLineEdit>(d.get(), "mebFecNac")->isEnabled());
    EXPECT_TRUE(child<QLineEdit>(d.get(), "txtDirRedLegal")->isEnabled());
    choose(tipos, "31");
    EXPECT_EQ(numero->maxLength(), 50);
    child<QRadioButton>(d.get(), "OptNatJurO")->click();
    EXPECT_TRUE(child<QLineEdit>(d.get(), "TxtNatJurO")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>(d.get(), "txtDirRedLegal")->isEnabled());
}

TEST_F(FormsTest, ModificarLoadLocksTheKeyAndKeepsTheStoredData) {
    party("AB1", {{"TIP_DOC_P", 7}, {"FLAG_CON_DOM", "02"}, {"COD_NAT_JUR", "1"}, {"COD_PAR", "9063"},
                  {"FLAG_PAR_FIS", "1"}, {"FLAG_PAR_VIN", "01"}, {"NOM_PAR_VIN", "JUAN"}, {"APEPAT_PAR_VIN", "PEREZ"},
                  {"FEC_NAC", "1980-05-17"}, {"TIP_DIR_LEGAL", "02"}, {"DES_DIR_LEGAL", "CALLE 1"}});
    for (const char* t : {"02", "05", "11"}) type("AB1", t, 7);
    const Party p{7, "AB1"};
    auto d = detail(party::kModificar, &p);
    EXPECT_EQ(child<QLineEdit>(d.get(), "TxtNumDoc")->text(), "AB1");
    EXPECT_TRUE(child<QComboBox>(d.get(), "CboTipDoc")->currentText().startsWith("07"));
    for (const char* name : {"CboTipDoc", "TxtNumDoc", "FraDomicilio", "FraNatJur", "CboCodPais", "ChkPaisBN"})
        EXPECT_FALSE(child<QWidget>(d.get(), name)->isEnabled()) << name;
    EXPECT_TRUE(child<QRadioButton>(d.get(), "OptConDomicilioNo")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(d.get(), "OptParteVinSi")->isChecked());
    EXPECT_TRUE(child<QPushButton>(d.get(), "CmdTipoVinc")->isEnabled());
    EXPECT_TRUE(child<QCheckBox>(d.get(), "ChkPaisBN")->isChecked());  // stored mark over the country's
    EXPECT_EQ(child<QLineEdit>(d.get(), "TxtNombre")->text(), "JUAN");
    EXPECT_EQ(child<QLineEdit>(d.get(), "mebFecNac")->text(), "17/05/1980");
    EXPECT_TRUE(child<QComboBox>(d.get(), "cboTipResid")->currentText().startsWith("02"));
    EXPECT_EQ(d->state().tipos, QStringList({"02", "05", "11"}));
    EXPECT_FALSE(d->modificado());

    // The chooser opens on the three stored types.
    bool ticks = false;
    whenShown<FrmTiposVinc>([&](FrmTiposVinc& c) {
        ticks = c.ticks() == QStringList({"02", "05", "11"});
        c.CmdSalir_Click();
    });
    d->CmdTipoVinc_Click();
    EXPECT_TRUE(ticks);

    // Saved unchanged but for the name: the stored mark stays "1".
    child<QLineEdit>(d.get(), "TxtNombre")->setText("JUANA");
    d->cmdAceptar_Click();
    EXPECT_TRUE(d->saved());
    EXPECT_EQ(value("SELECT FLAG_PAR_FIS || NOM_PAR_VIN FROM PAR_VIN").toString(), "1JUANA");
}

// A stored text longer than its box takes from the keyboard loads whole: a Modificar save neither
// cuts it nor writes under a cut key (which would overwrite another party).
TEST_F(FormsTest, ModificarLoadsStoredTextsLongerThanTheirBoxes) {
    const QString otra = "FIDEICOMISO EXTRANJE";  // 20 characters, the box takes 15
    party("X1", {{"TIP_DOC_P", 31}, {"FLAG_CON_DOM", "02"}, {"COD_NAT_JUR", "9"}, {"OTR_NAT_JUR", otra},
                 {"RAZON_SOCIAL", "TRUST"}, {"FLAG_PAR_VIN", "02"}, {"FLAG_PAR_FIS", "1"}, {"COD_PAR", "9019"}});
    const QVariantMap dni{{"TIP_DOC_P", 1}, {"FLAG_CON_DOM", "01"}, {"COD_NAT_JUR", "1"}, {"FLAG_PAR_VIN", "02"},
                          {"FLAG_PAR_FIS", "0"}, {"NOM_PAR_VIN", "ANA"}, {"APEPAT_PAR_VIN", "RIOS"},
                          {"APEMAT_PAR_VIN", "VEGA"}};
    party("123456789", dni);  // one digit more than a DNI takes
    QVariantMap other = dni;
    other["NOM_PAR_VIN"] = "OTRA";
    party("12345678", other);

    const Party x1{31, "X1"};
    auto d = detail(party::kModificar, &x1);
    EXPECT_EQ(child<QLineEdit>(d.get(), "TxtNatJurO")->text(), otra);
    d->cmdAceptar_Click();
    EXPECT_TRUE(d->saved());
    EXPECT_EQ(value("SELECT OTR_NAT_JUR FROM PAR_VIN WHERE DOC_ID_P = 'X1'").toString(), otra);

    const Party largo{1, "123456789"};
    d = detail(party::kModificar, &largo);
    EXPECT_EQ(child<QLineEdit>(d.get(), "TxtNumDoc")->text(), "123456789");
    child<QLineEdit>(d.get(), "TxtNombre")->setText("ANITA");
    d->cmdAceptar_Click();
    EXPECT_FALSE(d->saved());
    EXPECT_EQ(messages().last().text, S("La longitud del documento  no es válida"));
    EXPECT_EQ(value("SELECT NOM_PAR_VIN FROM PAR_VIN WHERE DOC_ID_P = '12345678'").toString(), "OTRA");
}

TEST_F(FormsTest, NewPartyThroughAceptarIntoTheList) {
    auto r = registerForm("MDI_KLV_PT");
    choose(child<QComboBox>(r.get(), "CboNumDoc"), kRuc);
    r->CboNumDoc_Click();
    whenShown<FrmPartesVincDet>([&](FrmPartesVincDet& d) {
        // Saved, the detail has closed. Left open (a save refused, a check failed), it would wait
        // for a user for good: the test closes it and fails.
        const auto leftOpen = qScopeGuard([&d] {
            if (!d.isVisible()) return;
            ADD_FAILURE() << "the detail is still open after Aceptar";
            d.QDialog::done(QDialog::Rejected);
        });
        child<QRadioButton>(&d, "OptConDomicilioSi")->click();
        child<QRadioButton>(&d, "OptNatJurJ")->click();
        choose(child<QComboBox>(&d, "CboTipDoc"), "06");
        auto* numero = child<QLineEdit>(&d, "TxtNumDoc");
        numero->setFocus();
        keyClicks(numero, "2010000000x9");
        EXPECT_EQ(numero->text(), "20100000009");
        auto* razon = child<QLineEdit>(&d, "TxtRazSoc");
        keyClicks(razon, "alfa sac");
        EXPECT_EQ(razon->text(), "ALFA SAC");
        child<QRadioButton>(&d, "OptParteVinSi")->click();
        d.cmdAceptar_Click();
        ASSERT_FALSE(messages().empty());
        EXPECT_EQ(messages().last().text, message(6));
        d.setTipos({"01", "05"});
        child<QPushButton>(&d, "CmdAceptar")->click();
    });
    r->CmdOpciones_Click(0);
    ASSERT_EQ(r->rowCount(), 1);
    auto* model = child<QTableView>(r.get(), "GrdVinculadas")->model();
    QStringList texts;
    for (int c = 0; c < 9; ++c) texts << model->index(0, c).data().toString();
    EXPECT_EQ(texts.join(", "), "RUC, 20100000009, ALFA SAC, SI, PERU, NO, SI, PERSONA JURIDICA, 6");
    EXPECT_EQ(child<QLabel>(r.get(), "lblNumVinculadas")->text(), " 1 Registros Encontrados.");
    EXPECT_EQ(count("TIP_VIN_PAR"), 2);
}

// A handler that reads, reached while another work computes (the runner refuses its call), shows
// the refusal, titled "Error", and leaves its list as it was; nothing escapes into the event loop.
TEST_F(FormsTest, AReadRefusedWhileAnotherWorkRunsIsShown) {
    auto d = detail(party::kNuevo);
    auto* pais = child<QComboBox>(d.get(), "CboCodPais");
    auto* tipos = child<QComboBox>(d.get(), "CboTipDoc");
    child<QRadioButton>(d.get(), "OptConDomicilioSi")->click();
    const int paises = pais->count();
    auto r = registerForm("MDI_KLV_PT");
    auto* cbo = child<QComboBox>(r.get(), "CboNumDoc");
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"domicile", [&] { child<QRadioButton>(d.get(), "OptConDomicilioNo")->click(); }},
        {"country", [&] { choose(pais, "9019"); }},
        {"kind", [&] { child<QRadioButton>(d.get(), "OptNatJurJ")->click(); }},
        {"declarant", [&] { choose(cbo, kRuc), r->CboNumDoc_Click(); }},
    };
    for (const auto& [name, act] : cases) {
        messages().clear();
        // The act runs from the runner's loop while the work computes, and the work ends once it
        // has run (a deadline keeps a failing test from hanging).
        std::atomic<bool> done{false};
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!LongWork::running() || done) return;
            const auto ends = qScopeGuard([&done] { done = true; });
            act();
        });
        poll.start(5);
        LongWork(windowCtx(), nullptr, LongWork::waitingText()).runWork([&done](AppContext&, const WorkProgress&) {
            const QDeadlineTimer until(20000);
            while (!done && !until.hasExpired()) QThread::msleep(5);
        });
        ASSERT_TRUE(done) << name;
        ASSERT_EQ(messages().calls().size(), 1u) << name;
        EXPECT_EQ(messages().last().text, QString::fromLocal8Bit(WorkRefused().what())) << name;
        EXPECT_EQ(messages().last().title, "Error") << name;
    }
    EXPECT_EQ(pais->count(), paises);
    EXPECT_FALSE(child<QCheckBox>(d.get(), "ChkPaisBN")->isChecked());
    EXPECT_EQ(tipos->count(), 0);
    EXPECT_EQ(r->rowCount(), 0);
}

TEST_F(FormsTest, DomicileChangeClearsTheRelatedAnswerAndTheTicks) {
    auto d = detail(party::kNuevo);
    child<QRadioButton>(d.get(), "OptConDomicilioNo")->click();
    choose(child<QComboBox>(d.get(), "CboCodPais"), "9063");
    child<QRadioButton>(d.get(), "OptNatJurJ")->click();
    choose(child<QComboBox>(d.get(), "CboTipDoc"), "31");
    child<QLineEdit>(d.get(), "TxtNumDoc")->setText("X1");
    child<QLineEdit>(d.get(), "TxtRazSoc")->setText("BETA LTD");
    child<QRadioButton>(d.get(), "OptParteVinSi")->click();
    d->setTipos({"03"});
    child<QRadioButton>(d.get(), "OptConDomicilioSi")->click();
    child<QRadioButton>(d.get(), "OptConDomicilioNo")->click();
    EXPECT_FALSE(child<QRadioButton>(d.get(), "OptParteVinSi")->isChecked());
    EXPECT_FALSE(child<QPushButton>(d.get(), "CmdTipoVinc")->isEnabled());
    choose(child<QComboBox>(d.get(), "CboCodPais"), "9063");
    child<QRadioButton>(d.get(), "OptNatJurJ")->click();
    choose(child<QComboBox>(d.get(), "CboTipDoc"), "31");
    child<QLineEdit>(d.get(), "TxtNumDoc")->setText("X1");
    child<QLineEdit>(d.get(), "TxtRazSoc")->setText("BETA LTD");
    d->cmdAceptar_Click();
    EXPECT_EQ(messages().last().text, message(5));
    child<QRadioButton>(d.get(), "OptParteVinSi")->click();
    d->cmdAceptar_Click();
    EXPECT_EQ(messages().last().text, message(6));
    EXPECT_FALSE(d->saved());
    EXPECT_EQ(count("PAR_VIN"), 0);
}

TEST_F(FormsTest, ExitAsksAfterATypedNameAndPastingIsRefused) {
    party("12345678", {{"TIP_DOC_P", 1}, {"COD_NAT_JUR", "1"}, {"FLAG_PAR_VIN", "02"}, {"NOM_PAR_VIN", "ANA"}});
    const Party p{1, "12345678"};
    auto d = detail(party::kModificar, &p);
    auto* name = child<QLineEdit>(d.get(), "TxtNombre");
    EXPECT_FALSE(d->modificado());
    keyClick(name, Qt::Key_End);  // a loaded text is shown from its start
    keyClicks(name, "x");
    EXPECT_EQ(name->text(), "ANAX");
    EXPECT_TRUE(d->modificado());
    messages().script(MsgAnswer::No);
    d->CmdSalir_Click();
    EXPECT_EQ(messages().last().text, S("¿Ha realizado modificaciones, desea guardar los cambios?"));
    EXPECT_EQ(messages().last().style, 36);
    EXPECT_FALSE(d->isVisible());
    EXPECT_FALSE(d->saved());

    QApplication::clipboard()->setText("PEGADO");
    name->clear();
    keyClick(name, Qt::Key_V, Qt::ControlModifier);
    keyClick(name, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(name->text(), "");
    EXPECT_EQ(QApplication::clipboard()->text(), "PEGADO");
}

TEST_F(FormsTest, ChooserTogglesAndKeepsOrAcceptsTheTicks) {
    FrmTiposVinc c(windowCtx());
    ASSERT_TRUE(c.Form_Load({"03"}));
    auto* list = child<QTreeWidget>(&c, "LvwParteVinculada");
    ASSERT_EQ(list->topLevelItemCount(), 14);
    EXPECT_EQ(c.ticks(), QStringList({"03"}));
    QTreeWidgetItem* second = list->topLevelItem(1);
    emit list->itemClicked(second, 2);  // on the text
    EXPECT_EQ(c.ticks(), QStringList({"02", "03"}));
    emit list->itemClicked(second, 2);
    EXPECT_EQ(c.ticks(), QStringList({"03"}));
    second->setCheckState(0, Qt::Checked);  // on the box: Qt toggles, the click adds nothing
    emit list->itemClicked(second, 0);
    EXPECT_EQ(c.ticks(), QStringList({"02", "03"}));

    // Ticked by the keyboard (no click), then a click on its text: the click toggles it back.
    c.show();
    second->setCheckState(0, Qt::Unchecked);
    QWidget* viewport = list->viewport();
    const QPoint at = list->visualItemRect(second).topLeft() + QPoint(list->columnWidth(0) + 20, 5);
    for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(t, at, viewport->mapToGlobal(at), Qt::LeftButton,
                      t == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &e);
    }
    EXPECT_EQ(c.ticks(), QStringList({"02", "03"}));

    // Each description shows whole within the list, wrapped onto as many lines as it needs.
    QApplication::processEvents();
    const QFontMetrics fm = list->fontMetrics();
    bool wrapped = false;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QRect shown = list->visualRect(list->model()->index(i, 2));
        const QString text = list->topLevelItem(i)->text(2);
        EXPECT_LE(shown.right(), list->viewport()->width()) << i;
        const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
        const QRect needed = fm.boundingRect(QRect(0, 0, shown.width() - 2 * margin, 10000), Qt::TextWordWrap, text);
        EXPECT_GE(shown.height(), needed.height()) << text.toStdString();
        wrapped = wrapped || needed.height() > fm.height();
    }
    EXPECT_TRUE(wrapped);
    c.hide();

    whenShown<FrmTiposVinc>([](FrmTiposVinc& f) {
        child<QTreeWidget>(&f, "LvwParteVinculada")->topLevelItem(0)->setCheckState(0, Qt::Checked);
        f.CmdSalir_Click();
    });
    EXPECT_FALSE(FrmTiposVinc::run(windowCtx(), nullptr, {"03"}).has_value());
    whenShown<FrmTiposVinc>([](FrmTiposVinc& f) {
        child<QTreeWidget>(&f, "LvwParteVinculada")->topLevelItem(0)->setCheckState(0, Qt::Checked);
        f.cmdAceptar_Click();
    });
    EXPECT_EQ(FrmTiposVinc::run(windowCtx(), nullptr, {"03"}), QStringList({"01", "03"}));

    db().exec("DELETE FROM TIP_VIN");
    FrmTiposVinc empty(windowCtx());
    EXPECT_FALSE(empty.Form_Load({}));
    EXPECT_EQ(messages().last().text, "NO SE ENCONTRO TIPOS DE VINCULACION");
    EXPECT_EQ(messages().last().style, 0);
    EXPECT_EQ(messages().last().title, "QM8027");
}

TEST_F(FormsTest, ReferenceLists) {
    FrmParaisos v(windowCtx());
    v.udf_DefCaller("VINCULO");
    ASSERT_TRUE(v.Form_Load());
    auto* grid = child<QTableView>(&v, "grdParaisos");
    EXPECT_EQ(v.windowTitle(), "TIPOS DE VINCULACION");
    EXPECT_EQ(grid->model()->rowCount(), 14);
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), S("ART.24° REGLAMENTO DE LEY DEL IMPUESTO A LA RENTA"));
    EXPECT_EQ(grid->model()->index(0, 0).data().toString(), "Num. 1");
    EXPECT_FALSE(child<QLabel>(&v, "Label2")->isHidden());
    EXPECT_TRUE(grid->isColumnHidden(2));

    db().exec("DELETE FROM PARAISO_FISCAL");
    FrmParaisos p(windowCtx());
    p.udf_DefCaller("PARAISO");
    ASSERT_TRUE(p.Form_Load());
    EXPECT_EQ(p.windowTitle(), "PARAISOS FISCALES");
    EXPECT_TRUE(child<QLabel>(&p, "Label2")->isHidden());
    EXPECT_EQ(child<QTableView>(&p, "grdParaisos")->model()->headerData(1, Qt::Horizontal).toString(), "DESCRIPCION");
    EXPECT_FALSE(child<QTableView>(&p, "grdParaisos")->isEnabled());
    EXPECT_TRUE(messages().empty());
}

}  // namespace
}  // namespace klv::test
