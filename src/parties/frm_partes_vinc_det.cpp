#include "frm_partes_vinc_det.h"

#include "combo_fillers.h"
#include "cp1252.h"
#include "format.h"
#include "frm_tipos_vinc.h"
#include "item_combo.h"
#include "key_filters.h"
#include "long_work.h"
#include "masked_edit.h"
#include "mensajes.h"
#include "param_lookups.h"
#include "party_register.h"
#include "party_rules.h"
#include "party_store.h"
#include "party_widgets.h"
#include "utilitarios.h"
#include "wait_cursor.h"
#include "window_helpers.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace klv {

using party::button;
using party::frame;
using party::Kind;
using party::label;
using party::lineEdit;
using party::option;

namespace {

const QString kGuardarCambios = QStringLiteral("¿Ha realizado modificaciones, desea guardar los cambios?");
const QStringList kTiposCarga{"1", "4", "6", "7", "31", "32", "0"};

// A typed character in upper case: the first character of its upper-cased text.
int mayuscula(int code) {
    if (code <= 0 || code == 8) return code;
    const QString upper = QString(cp1252::fromCode(code)).toUpper();
    return upper.isEmpty() ? code : cp1252::charCode(upper.at(0));
}

// A stored text whole, even when it is longer than the box lets the user type (a party written
// by the import may hold more): the limit only stops typing, it never cuts what is loaded. Shown
// from its start.
void setStoredText(QLineEdit* e, const QString& text) {
    if (text.size() > e->maxLength()) e->setMaxLength(static_cast<int>(text.size()));
    showFromStart(e, text);
}

// Fills a combo from code without selecting anything and without running its rule.
template <typename Fill>
void refill(QComboBox* cbo, Fill fill) {
    const QSignalBlocker block(cbo);
    fill();
    cbo->setCurrentIndex(-1);
}

// The countries the form offers (PARAM '976').
QStringList itemsPaises(const AppContext& w) {
    return udf_ItemsParamLike(w, QStringLiteral("976"), QStringLiteral("*"), 40, 1, false);
}

}  // namespace

// What the form's load reads, in one call: the lists, the declarant's name and, in mode
// "Modificar", the stored party with what the rules its load sets off read (the document types
// of the load, whether the home country and the party's country are tax havens). The rules read
// from here while the form loads.
struct FrmPartesVincDet::Loaded {
    QStringList tiposResid;  // PARAM '876'
    QStringList paises;
    QString nombreD;
    std::optional<StoredParty> parte;
    QStringList tiposDoc;           // kTiposCarga
    QHash<QString, bool> paraisos;  // by country code
};

FrmPartesVincDet::~FrmPartesVincDet() = default;

FrmPartesVincDet::FrmPartesVincDet(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
    setObjectName(party::kFrmPartesVincDet);
    setWindowTitle(party::kCaptionDet);
    useDesignFont(this);
    build();
    installFilters();
}

void FrmPartesVincDet::build() {
    auto* frame1 = frame(QStringLiteral("Frame1"), QStringLiteral("Declarante"), this);
    Label7[7] = label(QStringLiteral("Label7_7"), QStringLiteral("Ruc :"), frame1);
    Label7[8] = label(QStringLiteral("Label7_8"), QString(), frame1, true);
    Label7[6] = label(QStringLiteral("Label7_6"), QStringLiteral("Razón Social :"), frame1);
    Label7[9] = label(QStringLiteral("Label7_9"), QString(), frame1, true);
    Label7[8]->setMinimumWidth(Label7[8]->fontMetrics().horizontalAdvance(QStringLiteral("00000000000")) + 12);
    auto* g1 = new QHBoxLayout(frame1);
    g1->addWidget(Label7[7]);
    g1->addWidget(Label7[8]);
    g1->addSpacing(12);
    g1->addWidget(Label7[6]);
    g1->addWidget(Label7[9], 1);

    auto* info = frame(QStringLiteral("Fra_InfoGen"), QStringLiteral("Del Informado"), this);

    FraDomicilio = frame(QStringLiteral("FraDomicilio"), QStringLiteral("Condición"), info);
    OptConDomicilioSi = option(QStringLiteral("OptConDomicilioSi"), QStringLiteral("Domiciliado"), FraDomicilio);
    OptConDomicilioNo = option(QStringLiteral("OptConDomicilioNo"), QStringLiteral("No Domiciliado, PTBNI  "), FraDomicilio);
    auto* hd = new QHBoxLayout(FraDomicilio);
    hd->setContentsMargins(6, 2, 6, 2);
    hd->setSpacing(2);
    hd->addWidget(OptConDomicilioSi);
    hd->addSpacing(24);
    hd->addWidget(OptConDomicilioNo);
    // The rest of the option's caption, with the references of the legend below.
    const char* tail[][2] = {{"Label8_0", "(1)"}, {"Label8_1", "o EP"}, {"Label8_2", "(2)"},
                             {"Label8_3", "en el extranjero del declarante"}};
    for (const auto& [name, text] : tail) {
        QLabel* l = label(QString::fromLatin1(name), QString::fromLatin1(text), FraDomicilio);
        if (text[0] == '(') {
            QFont f = l->font();
            f.setPointSizeF(f.pointSizeF() * 0.8);
            l->setFont(f);
            l->setAlignment(Qt::AlignTop);
        } else {
            hd->addSpacing(4);
        }
        hd->addWidget(l);
    }
    hd->addStretch(1);

    Label7[11] = label(QStringLiteral("Label7_11"), QStringLiteral("País o Territorio :"), info);
    // The combos show each item whole from its start, as wide as the longest.
    CboCodPais = named<ItemCombo>(QStringLiteral("CboCodPais"), info);
    ChkPaisBN = new QCheckBox(QStringLiteral("País o territorio de baja o nula imposición"), info);
    ChkPaisBN->setObjectName(QStringLiteral("ChkPaisBN"));
    ChkPaisBN->setEnabled(false);

    FraNatJur = frame(QStringLiteral("FraNatJur"), QStringLiteral("Naturaleza Jurídica"), info);
    OptNatJurN = option(QStringLiteral("OptNatJurN"), QStringLiteral("Persona Natural"), FraNatJur);
    OptNatJurJ = option(QStringLiteral("OptNatJurJ"), QStringLiteral("Persona Jurídica"), FraNatJur);
    OptNatJurO = option(QStringLiteral("OptNatJurO"), QStringLiteral("Otros.         Descripción :"), FraNatJur);
    TxtNatJurO = lineEdit(QStringLiteral("TxtNatJurO"), FraNatJur, 15);
    auto* hn = new QHBoxLayout(FraNatJur);
    hn->setContentsMargins(6, 2, 6, 2);
    hn->addWidget(OptNatJurN);
    hn->addSpacing(12);
    hn->addWidget(OptNatJurJ);
    hn->addSpacing(12);
    hn->addWidget(OptNatJurO);
    hn->addWidget(TxtNatJurO, 1);

    const char* captions[] = {"Tipo de Documento :", "Nro. de Documento :", "Nombres :", "Apellido Paterno :",
                              "Apellido Materno:", "Razón Social :"};
    for (int i = 0; i < 6; ++i)
        Label7[i] = label(QStringLiteral("Label7_%1").arg(i), QString::fromUtf8(captions[i]), info);
    CboTipDoc = named<ItemCombo>(QStringLiteral("CboTipDoc"), info);
    CboTipDoc->setMinimumContentsLength(37);  // code, separator and a description of 30: any list the form fills
    TxtNumDoc = lineEdit(QStringLiteral("TxtNumDoc"), info, 15);
    TxtNombre = lineEdit(QStringLiteral("TxtNombre"), info, 50);
    TxtApellido_P = lineEdit(QStringLiteral("TxtApellido_P"), info, 50);
    TxtApellido_M = lineEdit(QStringLiteral("TxtApellido_M"), info, 50);
    TxtRazSoc = lineEdit(QStringLiteral("TxtRazSoc"), info, 120);

    auto* lblTipResid = label(QStringLiteral("lblTipResid"), QStringLiteral("Tipo de Dirección Legal :"), info);
    cboTipResid = named<ItemCombo>(QStringLiteral("cboTipResid"), info);
    auto* lblDirResid = label(QStringLiteral("lblDirResid"), QStringLiteral("Dirección Legal :"), info);
    txtDirRedLegal = lineEdit(QStringLiteral("txtDirRedLegal"), info, 40);
    auto* lblFecNac = label(QStringLiteral("lblFecNac"), QStringLiteral("Fecha de Nac. :"), info);
    mebFecNac = named<MaskedEdit>(QStringLiteral("mebFecNac"), QStringLiteral("99/99/9999;_"), info);
    mebFecNac->setFixedWidth(mebFecNac->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 16);

    Fra_PreParVin = frame(QStringLiteral("Fra_PreParVin"), QStringLiteral("¿Es el Informado Parte Vinculada del Declarante?"), info);
    OptParteVinSi = option(QStringLiteral("OptParteVinSi"), QStringLiteral("Si"), Fra_PreParVin);
    OptParteVinNo = option(QStringLiteral("OptParteVinNo"), QStringLiteral("No"), Fra_PreParVin);
    auto* hv = new QHBoxLayout(Fra_PreParVin);
    hv->setContentsMargins(6, 2, 6, 2);
    hv->addWidget(OptParteVinSi);
    hv->addSpacing(24);
    hv->addWidget(OptParteVinNo);
    hv->addStretch(1);
    CmdTipoVinc = button(QStringLiteral("CmdTipoVinc"), QStringLiteral("&Tipos de Vinculación"), info);
    CmdTipoVinc->setEnabled(false);

    auto* g = new QGridLayout(info);
    g->setContentsMargins(6, 4, 6, 4);
    g->setVerticalSpacing(4);
    g->addWidget(FraDomicilio, 0, 0, 1, 4);
    g->addWidget(Label7[11], 1, 0);
    g->addWidget(CboCodPais, 1, 1, 1, 3, Qt::AlignLeft);
    g->addWidget(ChkPaisBN, 2, 1, 1, 3);
    g->addWidget(FraNatJur, 3, 0, 1, 4);
    g->addWidget(Label7[0], 4, 0);
    g->addWidget(CboTipDoc, 4, 1);
    g->addWidget(Label7[1], 4, 2);
    g->addWidget(TxtNumDoc, 4, 3);
    g->addWidget(Label7[2], 5, 0);
    g->addWidget(TxtNombre, 5, 1, 1, 3);
    g->addWidget(Label7[3], 6, 0);
    g->addWidget(TxtApellido_P, 6, 1);
    g->addWidget(Label7[4], 6, 2);
    g->addWidget(TxtApellido_M, 6, 3);
    // The company name takes the first names' place (one or the other is shown) and the surnames'
    // row keeps its room while hidden, so the boxes below never move.
    g->addWidget(Label7[5], 5, 0);
    g->addWidget(TxtRazSoc, 5, 1, 1, 3);
    for (QWidget* w : {static_cast<QWidget*>(Label7[3]), static_cast<QWidget*>(TxtApellido_P),
                       static_cast<QWidget*>(Label7[4]), static_cast<QWidget*>(TxtApellido_M)}) {
        QSizePolicy sp = w->sizePolicy();
        sp.setRetainSizeWhenHidden(true);
        w->setSizePolicy(sp);
    }
    g->addWidget(lblTipResid, 7, 0);
    g->addWidget(cboTipResid, 7, 1, 1, 3);
    g->addWidget(lblDirResid, 8, 0);
    g->addWidget(txtDirRedLegal, 8, 1);
    g->addWidget(lblFecNac, 8, 2, Qt::AlignRight);
    g->addWidget(mebFecNac, 8, 3, Qt::AlignLeft);
    g->addWidget(Fra_PreParVin, 9, 0, 1, 3);
    g->addWidget(CmdTipoVinc, 9, 3, Qt::AlignVCenter);
    g->setColumnStretch(1, 3);
    g->setColumnStretch(3, 2);

    auto* lblmensaje = label(QStringLiteral("lblmensaje"),
                             QStringLiteral("(1)   PTBNI : País o Territorio considerado de  Baja o nula imposición.  "
                                            "(2)   EP       : Establecimiento Permanente "),
                             this, true);
    lblmensaje->setWordWrap(true);
    CmdAceptar = button(QStringLiteral("CmdAceptar"), QStringLiteral("&Aceptar"), this);
    CmdSalir = button(QStringLiteral("CmdSalir"), QStringLiteral("&Salir"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(CmdAceptar);
    buttons->addWidget(CmdSalir);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(frame1);
    layout->addWidget(info, 1);
    layout->addWidget(lblmensaje);
    layout->addLayout(buttons);

    // Order of entry.
    QWidget* order[] = {OptConDomicilioSi, OptConDomicilioNo, CboCodPais, ChkPaisBN, OptNatJurN, OptNatJurJ,
                        OptNatJurO, TxtNatJurO, CboTipDoc, TxtNumDoc, TxtNombre, TxtApellido_P, TxtApellido_M,
                        TxtRazSoc, cboTipResid, txtDirRedLegal, mebFecNac, OptParteVinSi, OptParteVinNo,
                        CmdTipoVinc, CmdAceptar, CmdSalir};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    // An option runs its rule when it becomes selected, by the user or from code; unselecting
    // runs nothing.
    const std::pair<QRadioButton*, void (FrmPartesVincDet::*)()> options[] = {
        {OptConDomicilioSi, &FrmPartesVincDet::OptConDomicilioSi_Click},
        {OptConDomicilioNo, &FrmPartesVincDet::OptConDomicilioNo_Click},
        {OptNatJurN, &FrmPartesVincDet::OptNatJurN_Click},
        {OptNatJurJ, &FrmPartesVincDet::OptNatJurJ_Click},
        {OptNatJurO, &FrmPartesVincDet::OptNatJurO_Click},
        {OptParteVinSi, &FrmPartesVincDet::OptParteVinSi_Click},
        {OptParteVinNo, &FrmPartesVincDet::OptParteVinNo_Click}};
    for (const auto& [opt, handler] : options)
        connect(opt, &QRadioButton::toggled, this, [this, handler](bool on) {
            if (on) (this->*handler)();
        });
    connect(CboCodPais, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int i) {
        if (i >= 0) CboCodPais_Click();
    });
    connect(CboTipDoc, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int i) {
        if (i >= 0) CboTipDoc_Click();
    });
    connect(ChkPaisBN, &QCheckBox::toggled, this, [this] { ChkPaisBN_Click(); });
    connect(cboTipResid, qOverload<int>(&QComboBox::activated), this, [this] { setModified(); });
    for (QLineEdit* e : {TxtNatJurO, TxtNumDoc, TxtNombre, TxtApellido_P, TxtApellido_M, TxtRazSoc, txtDirRedLegal, mebFecNac})
        connect(e, &QLineEdit::textEdited, this, [this] { setModified(); });
    connect(CmdTipoVinc, &QPushButton::clicked, this, [this] { CmdTipoVinc_Click(); });
    connect(CmdAceptar, &QPushButton::clicked, this, [this] { cmdAceptar_Click(); });
    connect(CmdSalir, &QPushButton::clicked, this, [this] { CmdSalir_Click(); });
}

void FrmPartesVincDet::installFilters() {
    // Every box refuses pasting (keyboard, context menu, middle button, drop) and filters keys;
    // the clipboard is left alone.
    KeyCodeFilter::install(TxtNatJurO, [](int code) { return mayuscula(udf_SoloLetras(code)); });
    KeyCodeFilter::install(TxtNumDoc, [this](int code) {
        // Data-type flag of the chosen type (character 71 of its entry): 0 letters and digits,
        // anything else (or no type yet) digits only.
        const bool conLetras = CboTipDoc->currentText().mid(70, 1).trimmed() == QLatin1String("0");
        const bool ok = conLetras ? ctx_.gUtil->EsCaracterDocumento(code) : ctx_.gUtil->EsDigito(code);
        return ok ? mayuscula(code) : 0;
    });
    for (QLineEdit* e : {TxtNombre, TxtApellido_P, TxtApellido_M, TxtRazSoc, txtDirRedLegal})
        KeyCodeFilter::install(e, [this](int code) {
            const int up = mayuscula(code);
            return ctx_.gUtil->EsLetraNombre(up, true) ? up : 0;
        });
    KeyCodeFilter::install(mebFecNac, [](int code) { return code; });
    for (QLineEdit* e : {TxtNatJurO, TxtNumDoc, TxtNombre, TxtApellido_P, TxtApellido_M, TxtRazSoc, txtDirRedLegal, mebFecNac})
        e->installEventFilter(this);
}

bool FrmPartesVincDet::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            QWidget* next = nullptr;
            if (watched == TxtNatJurO) next = CboTipDoc;
            else if (watched == TxtNumDoc) next = st_.sNatJur == QLatin1String("N") ? static_cast<QWidget*>(TxtNombre)
                                                 : !st_.sNatJur.isEmpty()           ? TxtRazSoc
                                                                                    : nullptr;
            else if (watched == TxtNombre) next = TxtApellido_P;
            else if (watched == TxtApellido_P) next = TxtApellido_M;
            if (next && next->isEnabled() && next->isVisible()) next->setFocus(Qt::TabFocusReason);
            return true;  // Enter never presses a button from a box
        }
    }
    return QDialog::eventFilter(watched, event);
}

// --- Opening -------------------------------------------------------------------------------------

bool FrmPartesVincDet::run(AppContext& ctx, QWidget* parent, const QString& mode, const QString& docIdD,
                           const QString& nombreD, const Party* parte) {
    FrmPartesVincDet form(ctx, parent);
    form.udp_Modo_Accion(mode);
    try {
        form.Form_Load(docIdD, nombreD, parte);
    } catch (const std::exception& e) {
        party::mostrarFallo(ctx, e);
        return false;
    }
    form.exec();
    return form.saved();
}

bool FrmPartesVincDet::runEspecial(AppContext& ctx, QWidget* parent, const QString& docIdD, const Party& parte) {
    FrmPartesVincDet form(ctx, parent);
    form.udp_Modo_Accion(party::kModificar);
    form.bCargaEspecial_ = true;
    try {
        form.Form_Load(docIdD, QString(), &parte);
    } catch (const std::exception& e) {
        party::mostrarFallo(ctx, e);
        return false;
    }
    form.exec();
    return form.saved();
}

void FrmPartesVincDet::udp_Modo_Accion(const QString& mode) {
    st_.mode = mode;
    if (mode == party::kNuevo) bNuevo_ = true;
}

void FrmPartesVincDet::Form_Load(const QString& docIdD, const QString& nombreD, const Party* parte) {
    party::moveTopLeft(this, parentWidget());
    setHelpContext(ctx_.help, this, 1019);
    WaitCursor wait;
    bModificado_ = false;
    bCargando_ = true;
    const QString ruc = docIdD.left(11);
    const std::optional<Party> clave = !nuevo() && parte ? std::optional<Party>(*parte) : std::nullopt;
    loaded_ = std::make_unique<Loaded>(LongWork::call(ctx_, this, [ruc, nombreD, clave](AppContext& w) {
        Loaded l;
        l.tiposResid = udf_ItemsParam(w, QStringLiteral("876"));
        l.paises = itemsPaises(w);
        l.nombreD = nombreD.isEmpty() ? nombreDeclarante(w, ruc) : nombreD;
        if (clave) {
            l.parte = klv::udp_CargarEdit(w, ruc, clave->docIdP, QString::number(clave->tipDocP));
            if (l.parte) {
                l.tiposDoc = udf_ItemsTiposDoc(w, kTiposCarga, false);
                for (const QString& code : {party::kPaisPeru, l.parte->codPar.trimmed()})
                    l.paraisos.insert(code, udp_VerificaParaiso(w, code));
            }
        }
        return l;
    }));
    const auto loadedEnds = qScopeGuard([this] { loaded_.reset(); });
    udp_AnchoListaCombo(this, CboCodPais, 60);
    udp_AnchoListaCombo(this, CboTipDoc, 40);
    udp_AnchoListaCombo(this, cboTipResid, 68);
    refill(cboTipResid, [this] { udp_CargaParam(cboTipResid, loaded_->tiposResid); });
    udp_HabilitaDirLegal(0, false);
    udp_LimpiarControles();
    const QString nombre = loaded_->nombreD;
    if (!clave) {
        Label7[8]->setText(ruc);
        Label7[9]->setText(nombre);
    } else {
        if (!loaded_->parte) throw DbError(DbErr::NoCurrentRecord, QStringLiteral("No hay ningún registro activo."));
        udp_CargarEdit(ruc, *loaded_->parte, loaded_->tiposDoc);
        Label7[9]->setText(nombre);
    }
    st_.docIdD = Label7[8]->text();
    st_.nombreD = nombre;
    bCargando_ = false;
    // The designed size, or what the filled lists need to show every item whole.
    resize(std::max(party::px(9510), minimumSizeHint().width()), std::max(party::px(7695), minimumSizeHint().height()));
    focusFirstControl(this);
}

void FrmPartesVincDet::udp_LimpiarControles() {
    for (QRadioButton* o : {OptConDomicilioSi, OptConDomicilioNo, OptNatJurN, OptNatJurJ, OptNatJurO, OptParteVinSi, OptParteVinNo})
        unselect(o);
    TxtNatJurO->clear();
    ChkPaisBN->setChecked(false);
    refill(CboTipDoc, [this] { CboTipDoc->clear(); });
    refillCountries();
    for (QLineEdit* e : {TxtNumDoc, TxtApellido_P, TxtApellido_M, TxtNombre, TxtRazSoc}) e->clear();
    for (QWidget* w : {static_cast<QWidget*>(CboTipDoc), static_cast<QWidget*>(TxtNumDoc),
                       static_cast<QWidget*>(TxtApellido_P), static_cast<QWidget*>(TxtApellido_M),
                       static_cast<QWidget*>(TxtNombre), static_cast<QWidget*>(TxtRazSoc),
                       static_cast<QWidget*>(Fra_PreParVin)})
        w->setEnabled(false);
    setNatJurOEnabled(false);
    showNames(false);
}

void FrmPartesVincDet::udp_HabilitaDirLegal(int modo, bool habilitar) {
    const DirLegalEnabled e = klv::udp_HabilitaDirLegal(modo, habilitar);
    cboTipResid->setEnabled(e.tipResid);
    txtDirRedLegal->setEnabled(e.dirLegal);
    mebFecNac->setEnabled(e.fecNac);
}

void FrmPartesVincDet::udp_CargarEdit(const QString& docIdD, const StoredParty& p, const QStringList& tiposDoc) {
    (p.flagConDom == QLatin1String("01") ? OptConDomicilioSi : OptConDomicilioNo)->setChecked(true);
    QLineEdit* names[] = {TxtApellido_P, TxtApellido_M, TxtNombre};
    if (p.codNatJur == QLatin1String("2")) {
        for (QLineEdit* e : names) e->setEnabled(false);
        OptNatJurJ->setChecked(true);
        TxtRazSoc->setEnabled(true);
        setStoredText(TxtRazSoc, p.razonSocial);
    } else if (p.codNatJur == QLatin1String("9")) {
        for (QLineEdit* e : names) e->setEnabled(false);
        OptNatJurO->setChecked(true);
        setNatJurOEnabled(true);
        TxtRazSoc->setEnabled(true);
        setStoredText(TxtRazSoc, p.razonSocial);
        setStoredText(TxtNatJurO, p.otrNatJur);
    } else if (p.codNatJur == QLatin1String("1")) {
        TxtRazSoc->setEnabled(false);
        OptNatJurN->setChecked(true);
        for (QLineEdit* e : names) e->setEnabled(true);
        setStoredText(TxtApellido_P, p.apePatParVin);
        setStoredText(TxtApellido_M, p.apeMatParVin);
        setStoredText(TxtNombre, p.nomParVin);
    }
    Label7[8]->setText(docIdD);
    selectPais(p.codPar.trimmed());
    // The stored tax-haven mark wins over the country's.
    ChkPaisBN->setChecked(p.flagParFis == QLatin1String("1"));
    st_.sParFis = p.flagParFis == QLatin1String("1") ? QStringLiteral("1") : QStringLiteral("0");

    // The type first: choosing it empties the number.
    refill(CboTipDoc, [&] { udp_CargaTiposDoc(CboTipDoc, tiposDoc); });
    for (int i = 0; i < CboTipDoc->count(); ++i)
        if (static_cast<int>(fmt::val(CboTipDoc->itemText(i).left(2))) == p.parte.tipDocP) {
            CboTipDoc->setCurrentIndex(i);
            break;
        }
    setStoredText(TxtNumDoc, p.parte.docIdP);
    for (QWidget* w : {static_cast<QWidget*>(FraNatJur), static_cast<QWidget*>(CboTipDoc),
                       static_cast<QWidget*>(TxtNumDoc), static_cast<QWidget*>(CboCodPais),
                       static_cast<QWidget*>(Fra_PreParVin)})
        w->setEnabled(true);
    if (p.flagConDom == QLatin1String("01")) CboCodPais->setEnabled(false);

    if (p.flagParVin == QLatin1String("01")) {
        OptParteVinSi->setChecked(true);
        st_.tipos = p.tipos;
    } else {
        OptParteVinNo->setChecked(true);
    }

    if (p.flagConDom == QLatin1String("02") && p.codNatJur != QLatin1String("9")) {
        if (p.codNatJur == QLatin1String("1")) {
            udp_HabilitaDirLegal(1, false);
            mebFecNac->setText(p.fecNac);
        } else if (p.codNatJur == QLatin1String("2")) {
            udp_HabilitaDirLegal(2, false);
            mebFecNac->clear();
        }
        if (!p.tipDirLegal.trimmed().isEmpty())
            for (int i = 0; i < cboTipResid->count(); ++i)
                if (cboTipResid->itemText(i).left(2).trimmed() == p.tipDirLegal.trimmed()) {
                    cboTipResid->setCurrentIndex(i);
                    break;
                }
        setStoredText(txtDirRedLegal, p.desDirLegal);
    }
    // The key, the domicile, the person kind and the country stay as stored.
    for (QWidget* w : {static_cast<QWidget*>(CboTipDoc), static_cast<QWidget*>(TxtNumDoc),
                       static_cast<QWidget*>(FraDomicilio), static_cast<QWidget*>(FraNatJur),
                       static_cast<QWidget*>(CboCodPais), static_cast<QWidget*>(ChkPaisBN)})
        w->setEnabled(false);
}

// --- Choice rules --------------------------------------------------------------------------------

void FrmPartesVincDet::setModified() {
    if (!bCargando_) bModificado_ = true;
}

void FrmPartesVincDet::unselect(QRadioButton* o) {
    o->setAutoExclusive(false);
    o->setChecked(false);
    o->setAutoExclusive(true);
    if (o == OptConDomicilioSi || o == OptConDomicilioNo) {
        st_.sConDom.clear();
    } else if (o == OptNatJurN || o == OptNatJurJ || o == OptNatJurO) {
        st_.sNatJur.clear();
        st_.opcion = Kind::None;
    } else {
        st_.sParVin.clear();
        CmdTipoVinc->setEnabled(false);
    }
}

void FrmPartesVincDet::refillCountries() {
    QStringList items;
    if (loaded_) {
        items = loaded_->paises;
    } else {
        try {
            items = LongWork::call(ctx_, this, [](AppContext& w) { return itemsPaises(w); });
        } catch (const std::exception& e) {
            party::mostrarFallo(ctx_, e);
            return;  // the list stays as it was
        }
    }
    refill(CboCodPais, [&] { udp_CargaCombo(CboCodPais, items); });
}

FrmPartesVincDet::PaisLeido FrmPartesVincDet::leerPais(const QString& code, bool paises) {
    if (loaded_ && loaded_->paraisos.contains(code))
        return {loaded_->paraisos.value(code), paises ? loaded_->paises : QStringList()};
    return LongWork::call(ctx_, this, [code, paises](AppContext& w) {
        PaisLeido r;
        r.paraiso = udp_VerificaParaiso(w, code);
        if (paises) r.paises = itemsPaises(w);
        return r;
    });
}

void FrmPartesVincDet::selectPais(const QString& code) {
    for (int i = 0; i < CboCodPais->count(); ++i) {
        if (CboCodPais->itemText(i).left(4) != code) continue;
        if (CboCodPais->currentIndex() == i)
            CboCodPais_Click();
        else
            CboCodPais->setCurrentIndex(i);
        return;
    }
}

void FrmPartesVincDet::setNatJurOEnabled(bool enabled) {
    if (!enabled) TxtNatJurO->clear();
    TxtNatJurO->setEnabled(enabled);
}

void FrmPartesVincDet::showNames(bool names) {
    for (QWidget* w : {static_cast<QWidget*>(TxtNombre), static_cast<QWidget*>(TxtApellido_P),
                       static_cast<QWidget*>(TxtApellido_M), static_cast<QWidget*>(Label7[2]),
                       static_cast<QWidget*>(Label7[3]), static_cast<QWidget*>(Label7[4])})
        w->setVisible(names);
    TxtRazSoc->setVisible(!names);
    Label7[5]->setVisible(!names);
}

// What a domicile choice resets in mode "Nuevo": the person kind, the document, the names, the
// related answer and the ticked types (the options cleared forget what they had set).
void FrmPartesVincDet::resetDomicileChoices() {
    FraNatJur->setEnabled(true);
    for (QRadioButton* o : {OptNatJurN, OptNatJurJ, OptNatJurO}) unselect(o);
    TxtNatJurO->clear();
    TxtNumDoc->clear();
    st_.tipos.clear();
    refill(CboTipDoc, [this] { CboTipDoc->clear(); });
    for (QLineEdit* e : {TxtRazSoc, TxtNombre, TxtApellido_P, TxtApellido_M}) e->clear();
    unselect(OptParteVinSi);
    unselect(OptParteVinNo);
}

void FrmPartesVincDet::OptConDomicilioSi_Click() {
    if (OptConDomicilioSi->isChecked()) {
        st_.sConDom = QStringLiteral("1");
        OptParteVinNo->setEnabled(false);
    }
    if (nuevo()) resetDomicileChoices();
    selectPais(party::kPaisPeru);
    CboCodPais->setEnabled(false);
    ChkPaisBN->setEnabled(false);
    OptNatJurO->setEnabled(false);
    setNatJurOEnabled(false);
    setModified();
}

void FrmPartesVincDet::OptConDomicilioNo_Click() {
    if (OptConDomicilioNo->isChecked()) {
        st_.sConDom = QStringLiteral("0");
        OptParteVinNo->setEnabled(true);
    }
    if (nuevo()) resetDomicileChoices();
    CboCodPais->setEnabled(true);
    OptNatJurO->setEnabled(true);
    refillCountries();
    setModified();
}

void FrmPartesVincDet::CboCodPais_Click() {
    const QString code = CboCodPais->currentText().left(4);
    // The home country is refused to a non-domiciled party: the list is read again with the check.
    const bool rehusado = OptConDomicilioNo->isChecked() && code == party::kPaisPeru;
    PaisLeido leido;
    try {
        leido = leerPais(code, rehusado);
    } catch (const std::exception& e) {
        party::mostrarFallo(ctx_, e);
        return;
    }
    if (leido.paraiso) {
        ChkPaisBN->setChecked(true);
        ChkPaisBN->setEnabled(false);
        if (nuevo()) Fra_PreParVin->setEnabled(true);
    } else {
        ChkPaisBN->setChecked(false);
        st_.sParFis = QStringLiteral("0");
    }
    if (rehusado) {
        udp_Mensaje(ctx_, 21, party::kFrmPartesVincDet);
        refill(CboCodPais, [&] { udp_CargaCombo(CboCodPais, leido.paises); });
    }
    if (code == party::kPaisPeru) {
        ChkPaisBN->setChecked(false);
        ChkPaisBN->setEnabled(false);
    }
    setModified();
}

void FrmPartesVincDet::ChkPaisBN_Click() {
    st_.sParFis = ChkPaisBN->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    setModified();
}

void FrmPartesVincDet::applyKind(QRadioButton* option, Kind kind, const QString& letter) {
    if (option->isChecked()) {
        st_.sNatJur = letter;
        st_.opcion = kind;
    }
    if (nuevo()) {
        setNatJurOEnabled(kind == Kind::Otro);
        CboTipDoc->setEnabled(true);
        const KindRule rule = reglaNaturaleza(kind, st_.sConDom);
        if (!rule.tipos.isEmpty()) {
            try {
                const QStringList tipos = rule.tipos;
                const QStringList items =
                    LongWork::call(ctx_, this, [tipos](AppContext& w) { return udf_ItemsTiposDoc(w, tipos, false); });
                refill(CboTipDoc, [&] { udp_CargaTiposDoc(CboTipDoc, items); });
            } catch (const std::exception& e) {
                party::mostrarFallo(ctx_, e);  // the list stays as it was
            }
        }
        if (rule.modoDirLegal && kind != Kind::Otro) udp_HabilitaDirLegal(*rule.modoDirLegal, false);
    }
    if (kind == Kind::Otro) udp_HabilitaDirLegal(0, false);
    setModified();
}

void FrmPartesVincDet::OptNatJurN_Click() { applyKind(OptNatJurN, Kind::Natural, QStringLiteral("N")); }
void FrmPartesVincDet::OptNatJurJ_Click() { applyKind(OptNatJurJ, Kind::Juridica, QStringLiteral("J")); }
void FrmPartesVincDet::OptNatJurO_Click() { applyKind(OptNatJurO, Kind::Otro, QStringLiteral("O")); }

void FrmPartesVincDet::CboTipDoc_Click() {
    if (const std::optional<int> len = longitudDocumento(CboTipDoc->currentText().left(2))) {
        TxtNumDoc->setMaxLength(*len);
        TxtNumDoc->clear();
    }
    if (st_.sNatJur == QLatin1String("N")) {
        for (QLineEdit* e : {TxtNombre, TxtApellido_P, TxtApellido_M}) e->setEnabled(true);
        TxtRazSoc->clear();
        showNames(true);
    } else if (st_.sNatJur == QLatin1String("J") || st_.sNatJur == QLatin1String("O")) {
        TxtRazSoc->setEnabled(true);
        for (QLineEdit* e : {TxtNombre, TxtApellido_P, TxtApellido_M}) e->clear();
        showNames(false);
    }
    if (nuevo()) TxtNumDoc->setEnabled(true);
    Fra_PreParVin->setEnabled(true);
    setModified();
}

void FrmPartesVincDet::OptParteVinSi_Click() {
    if (OptParteVinSi->isChecked()) {
        st_.sParVin = QStringLiteral("S");
        CmdTipoVinc->setEnabled(true);
    }
    setModified();
}

void FrmPartesVincDet::OptParteVinNo_Click() {
    if (OptParteVinNo->isChecked()) {
        st_.sParVin = QStringLiteral("N");
        CmdTipoVinc->setEnabled(false);
    }
    setModified();
}

void FrmPartesVincDet::CmdTipoVinc_Click() {
    setModified();
    if (st_.mode != party::kNuevo && st_.mode != party::kModificar) return;
    if (const std::optional<QStringList> ticks = FrmTiposVinc::run(ctx_, this, st_.tipos)) st_.tipos = *ticks;
    // Back on this form, its own help again.
    setHelpContext(ctx_.help, this, 1019);
}

// --- Save and leave ------------------------------------------------------------------------------

PartyState FrmPartesVincDet::gatherState() const {
    PartyState s = st_;
    s.docIdD = Label7[8]->text();
    s.nombreD = Label7[9]->text();
    s.cboTipDoc = CboTipDoc->currentText();
    s.txtNumDoc = TxtNumDoc->text();
    s.txtNombre = TxtNombre->text();
    s.txtApellidoP = TxtApellido_P->text();
    s.txtApellidoM = TxtApellido_M->text();
    s.txtRazSoc = TxtRazSoc->text();
    s.txtNatJurO = TxtNatJurO->text();
    s.cboCodPais = CboCodPais->currentText();
    s.cboTipResid = cboTipResid->currentText();
    s.txtDirRedLegal = txtDirRedLegal->text();
    s.mebFecNac = mebFecNac->displayText();
    return s;
}

void FrmPartesVincDet::focusOn(party::Focus focus) {
    QWidget* w = nullptr;
    switch (focus) {
    case party::Focus::CboTipDoc: w = CboTipDoc; break;
    case party::Focus::TxtNumDoc: w = TxtNumDoc; break;
    case party::Focus::TxtNombre: w = TxtNombre; break;
    case party::Focus::TxtApellido_P: w = TxtApellido_P; break;
    case party::Focus::TxtApellido_M: w = TxtApellido_M; break;
    case party::Focus::TxtRazSoc: w = TxtRazSoc; break;
    case party::Focus::TxtNatJurO: w = TxtNatJurO; break;
    case party::Focus::CboCodPais: w = CboCodPais; break;
    case party::Focus::None: break;
    }
    if (w && w->isEnabled() && w->isVisible()) w->setFocus(Qt::OtherFocusReason);
}

void FrmPartesVincDet::cmdAceptar_Click() {
    st_ = gatherState();
    // On the engine's thread: another program's lock is waited for there, while the window's
    // thread paints the windows.
    PartySaveOutcome outcome;
    try {
        LongWork work(ctx_, this, QStringLiteral("Grabando el informado..."));
        const PartyState st = st_;
        outcome = work.run<PartySaveOutcome>([st](AppContext& w, const WorkProgress&) { return grabarInformado(w, st); });
    } catch (const std::exception& e) {
        party::mostrarFallo(ctx_, e);
        return;
    }
    if (!outcome.saved) {
        focusOn(outcome.focus);
        return;
    }
    saved_ = true;
    bModificado_ = false;
    finish();
}

void FrmPartesVincDet::CmdSalir_Click() {
    if (bModificado_ && ctx_.msg(kGuardarCambios, MsgStyle::YesNo | MsgStyle::Question) == MsgAnswer::Yes) {
        cmdAceptar_Click();
        return;
    }
    finish();
}

void FrmPartesVincDet::finish() {
    closing_ = true;
    done(saved_ ? QDialog::Accepted : QDialog::Rejected);
}

void FrmPartesVincDet::reject() {
    if (closing_) {
        QDialog::reject();
        return;
    }
    // Escape leaves as Salir does.
    CmdSalir_Click();
}

void FrmPartesVincDet::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    event->ignore();
    CmdSalir_Click();
}

}  // namespace klv
