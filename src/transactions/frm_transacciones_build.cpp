// Construction of the transaction form FrmTransacciones: the frame (tab control, message label,
// command buttons) and the frames and controls of its four tabs, each named after its control
// and placed in twips. The handlers are in frm_transacciones.cpp and frm_transacciones_rules.cpp.
#include "frm_transacciones.h"

#include "amount_box.h"
#include "frm_transacciones_common.h"
#include "item_combo.h"
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

namespace {

constexpr int kBoxHeight = 285;
constexpr int kLabelX = 120;
constexpr int kLabelWidth = 2580;
constexpr int kBoxX = 2760;
constexpr int kBoxWidth = 2100;

const QString kNota = QString::fromUtf8("Nota : Ver instrucciones de conversión a Nuevos Soles-Peru en la Ayuda (F1).");

}  // namespace

FrmTransacciones::FrmTransacciones(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
    setObjectName(kFrmTransacciones);
    setWindowTitle(kCaptionTransacciones);
    // The width of the form is 9510 twips. Its controls are placed in twips for the design font.
    setFixedSize(9510 / 15, 7020 / 15);
    useDesignFont(this);

    TabTransac = new QTabWidget(this);
    TabTransac->setObjectName(QStringLiteral("TabTransac"));
    at(TabTransac, 60, 60, 9390, 6360);
    const char* captions[] = {"&Información General", "&Sin Estudio Técnico de Precios", "&Métodos Tradicionales",
                              "&Otros Métodos"};
    for (int i = 0; i < 4; ++i) {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("TabTransac_%1").arg(i));
        TabTransac->addTab(page, QString::fromUtf8(captions[i]));
    }
    buildTab0(TabTransac->widget(0));
    buildTab1(TabTransac->widget(1));
    buildTab2(TabTransac->widget(2));
    buildTab3(TabTransac->widget(3));

    lblmensaje = new QLabel(this);
    lblmensaje->setObjectName(QStringLiteral("lblmensaje"));
    at(lblmensaje, 120, 6540, 4200, 285);
    QFont bold = lblmensaje->font();
    bold.setBold(true);
    lblmensaje->setFont(bold);
    const char* buttons[] = {"&Validar", "&Aceptar", "&Salir"};
    for (int i = 0; i < 3; ++i) {
        CmdOpciones[i] = new QPushButton(QString::fromUtf8(buttons[i]), this);
        CmdOpciones[i]->setObjectName(QStringLiteral("CmdOpciones_%1").arg(i));
        CmdOpciones[i]->setAutoDefault(false);
        at(CmdOpciones[i], 5280 + i * 1380, 6510, 1260, 375);
    }
    for (QWidget* w : findChildren<QWidget*>())
        if (!w->objectName().isEmpty()) named_.insert(w->objectName(), w);
    // The other-currency names open only with their "Otra Moneda" check.
    for (AmountBox* name : {TxtOtroTipMoneda, TxtOtroTipMoneda1, TxtOtroTipMoneda2}) setBoxEnabled(name, false);
    connectSignals();
}

FrmTransacciones::~FrmTransacciones() {
    // The children outlive this part of the form: a box that loses the focus while it is
    // destroyed must not reach the form's handlers.
    for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
}

// --- Building ------------------------------------------------------------------------------------

namespace {

QLabel* makeLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* l = named<QLabel>(name, text, parent);
    l->setTextFormat(Qt::PlainText);
    return l;
}
QGroupBox* makeFrame(const QString& name, const QString& caption, QWidget* parent) {
    return named<QGroupBox>(name, caption, parent);
}
QComboBox* makeCombo(const QString& name, QWidget* parent) { return named<QComboBox>(name, parent); }
QCheckBox* makeCheck(const QString& name, const QString& caption, QWidget* parent) {
    return named<QCheckBox>(name, caption, parent);
}
QRadioButton* makeOption(const QString& name, const QString& caption, QWidget* parent) {
    return named<QRadioButton>(name, caption, parent);
}

// Lays the rows of an amounts frame: each row's caption at the left, its box at kBoxX.
struct AmountRows {
    const Utilitarios* util;
    void operator()(QLabel*& label, const char* labelName, const char* text, AmountBox*& box, const char* boxName,
                    BoxKind kind, int top, QWidget* frame, int width = kBoxWidth) const {
        label = makeLabel(QLatin1String(labelName), QString::fromUtf8(text), frame);
        at(label, kLabelX, top, kLabelWidth, kBoxHeight);
        box = new AmountBox(kind, QLatin1String(boxName), util, frame);
        at(box, kBoxX, top, width, kBoxHeight);
    }
};

// The currency row at the top of an origin frame: "Tipo de Moneda :", the combo, "Otra Moneda"
// and the other currency's name.
void currencyRow(QWidget* frame, QLabel*& typeLabel, int typeIndex, QComboBox*& combo, QCheckBox*& check,
                 QLabel*& nameLabel, int nameIndex, AmountBox*& name, const QString& suffix, const Utilitarios* util) {
    typeLabel = makeLabel(QStringLiteral("Label1_%1").arg(typeIndex), QStringLiteral("Tipo de Moneda :"), frame);
    at(typeLabel, kLabelX, 300, 1560, 315);
    combo = makeCombo(QStringLiteral("CboTipMoneda") + suffix, frame);
    at(combo, 1680, 300, 3000, 315);
    check = makeCheck(QStringLiteral("ChkOtraMoneda") + suffix, QStringLiteral("Otra Moneda"), frame);
    at(check, 4800, 300, 1500, 315);
    nameLabel = makeLabel(QStringLiteral("Label1_%1").arg(nameIndex), QStringLiteral("Otra Moneda :"), frame);
    at(nameLabel, 6360, 300, 1140, 315);
    name = new AmountBox(BoxKind::CurrencyName, QStringLiteral("TxtOtroTipMoneda") + suffix, util, frame);
    at(name, 7500, 300, 1440, kBoxHeight);
}

// A frame of the design that holds two captions and is never shown.
QGroupBox* designLeftover(const char* name, std::array<QLabel*, 30>& labels, int first, int second, QWidget* page) {
    static const QHash<int, const char*> texts = {{5, "A.2 - En Moneda de Origen"},   {6, "B.1 - En Moneda de Registro"},
                                                  {7, "A.2 - En Moneda de Origen"},   {8, "B.1 - En Moneda de Registro"},
                                                  {18, "B.1 - En Moneda de Registro"}, {19, "A.2 - En Moneda de Origen"}};
    QGroupBox* f = makeFrame(QLatin1String(name), QString(), page);
    for (int i : {first, second})
        labels[i] = makeLabel(QStringLiteral("Label1_%1").arg(i), QLatin1String(texts.value(i)), f);
    f->hide();
    return f;
}

// The frame "A- Consignar Parte Analizada" of an amounts tab with its two options.
QGroupBox* analysedPartyFrame(const char* frameName, QRadioButton*& inf, const char* infName, QRadioButton*& cont,
                              const char* contName, QWidget* page) {
    QGroupBox* f = makeFrame(QLatin1String(frameName), QStringLiteral("A- Consignar Parte Analizada"), page);
    at(f, 120, 120, 9060, 600);
    inf = makeOption(QLatin1String(infName), QStringLiteral("Informado"), f);
    at(inf, 2760, 240, 1680, 285);
    cont = makeOption(QLatin1String(contName), QStringLiteral("Contribuyente"), f);
    at(cont, 4680, 240, 1920, 285);
    return f;
}

}  // namespace

void FrmTransacciones::buildTab0(QWidget* page) {
    const QString s = QString();
    Frame3 = makeFrame(QStringLiteral("Frame3"), QStringLiteral("I. Del Informado"), page);
    at(Frame3, 120, 120, 9060, 1260);
    Label1[0] = makeLabel(QStringLiteral("Label1_0"), QStringLiteral("Tipo de Documento :"), Frame3);
    at(Label1[0], 120, 300, 1680, 315);
    // Wide enough for the longest document type, "06  -  REG. UNICO DE CONTRIBUYENTES", shown
    // without the length and flags that follow the description in each item.
    CboTipDocP = named<ItemCombo>(QStringLiteral("CboTipDocP"), Frame3);
    at(CboTipDocP, 1800, 300, 4200, 315);
    Label1[1] = makeLabel(QStringLiteral("Label1_1"), QString::fromUtf8("N° :"), Frame3);
    at(Label1[1], 6120, 300, 420, 315);
    CboDocIdP = makeCombo(QStringLiteral("CboDocIdP"), Frame3);
    at(CboDocIdP, 6540, 300, 2400, 315);
    Label1[2] = makeLabel(QStringLiteral("Label1_2"), QString::fromUtf8("Apellidos y Nombres o Razón Social :"), Frame3);
    at(Label1[2], 120, 780, 2940, 315);
    TxtRazSoc = new QLineEdit(Frame3);
    TxtRazSoc->setObjectName(QStringLiteral("TxtRazSoc"));
    lockBox(TxtRazSoc, true);
    at(TxtRazSoc, 3060, 780, 4440, 315);
    CmdSelec = new QPushButton(QStringLiteral("&Seleccionar"), Frame3);
    CmdSelec->setObjectName(QStringLiteral("CmdSelec"));
    CmdSelec->setAutoDefault(false);
    at(CmdSelec, 7620, 750, 1320, 375);
    // Captions of the design that the form never shows.
    const std::pair<int, const char*> hidden[] = {
        {13, "II. De la Transacción"}, {15, "III. Del Método de Valoración"}, {16, "I. Del Informado"}, {17, "A.1 Moneda de Origen"}};
    for (const auto& [i, text] : hidden) {
        Label1[i] = makeLabel(QStringLiteral("Label1_%1").arg(i), QString::fromUtf8(text), Frame3);
        Label1[i]->hide();
    }

    Frame13 = makeFrame(QStringLiteral("Frame13"), QString::fromUtf8("II. Del Método de Valoración"), page);
    at(Frame13, 120, 1440, 9060, 780);
    Label1[4] = makeLabel(QStringLiteral("Label1_4"), QString::fromUtf8("Método de Valoración :"), Frame13);
    at(Label1[4], 120, 330, 1680, 285);
    FraValMet = makeFrame(QStringLiteral("FraValMet"), QString(), Frame13);
    FraValMet->setFlat(true);
    at(FraValMet, 1800, 240, 7140, 450);
    OptSinValMet = makeOption(QStringLiteral("OptSinValMet"), QString::fromUtf8("Sin Método de Valoración"), FraValMet);
    at(OptSinValMet, 60, 90, 2700, 285);
    OptValMetTradi = makeOption(QStringLiteral("OptValMetTradi"), QString::fromUtf8("Métodos Tradicionales"), FraValMet);
    at(OptValMetTradi, 2880, 90, 2400, 285);
    OptValMetOtros = makeOption(QStringLiteral("OptValMetOtros"), QString::fromUtf8("Otros Métodos"), FraValMet);
    at(OptValMetOtros, 5400, 90, 1680, 285);
    OptSinValMetMascara =
        makeOption(QStringLiteral("OptSinValMetMascara"), QString::fromUtf8("Sin Método de Valoración"), Frame13);
    OptSinValMetMascara->hide();

    Frame12 = makeFrame(QStringLiteral("Frame12"), QString::fromUtf8("III. De la Transacción"), page);
    at(Frame12, 120, 2280, 9060, 3540);
    Frame12->installEventFilter(this);
    Label1[3] = makeLabel(QStringLiteral("Label1_3"), QString::fromUtf8("Tipo de Transacción :"), Frame12);
    at(Label1[3], 120, 270, 2400, 285);
    ChkFinancieras = makeCheck(QStringLiteral("ChkFinancieras"), QStringLiteral("Financieras"), Frame12);
    at(ChkFinancieras, 7560, 270, 1380, 285);
    FraListTipTra = makeFrame(QStringLiteral("FraListTipTra"), s, Frame12);
    FraListTipTra->setFlat(true);
    at(FraListTipTra, 120, 600, 8820, 2820);
    LvwTipTransacc = new QTreeWidget(FraListTipTra);
    LvwTipTransacc->setObjectName(QStringLiteral("LvwTipTransacc"));
    LvwTipTransacc->setToolTip(QStringLiteral("De Click para Seleccionar"));
    LvwTipTransacc->setColumnCount(2);
    LvwTipTransacc->setHeaderHidden(true);
    LvwTipTransacc->setRootIsDecorated(false);
    LvwTipTransacc->setColumnWidth(0, 60);
    at(LvwTipTransacc, 0, 0, 8820, 2820);
}

void FrmTransacciones::buildTab1(QWidget* page) {
    const Utilitarios* util = ctx_.gUtil;
    Frame15 = analysedPartyFrame("Frame15", OptInf_SETP, "OptInf_SETP", OptCont_SETP, "OptCont_SETP", page);

    Frame4 = makeFrame(QStringLiteral("Frame4"), QStringLiteral("A - En Moneda de Origen"), page);
    at(Frame4, 120, 780, 9060, 1920);
    currencyRow(Frame4, Label1[14], 14, CboTipMoneda, ChkOtraMoneda, Label1[9], 9, TxtOtroTipMoneda, QString(), util);
    const AmountRows row{util};
    row(LblMtoSinTranMonOri, "LblMtoSinTranMonOri", "Monto de la Transacción :", TxtMtoSinTranMonOri,
        "TxtMtoSinTranMonOri", BoxKind::Integer, 720, Frame4);
    row(LblMtoSinCapMonOri, "LblMtoSinCapMonOri", "Monto del Capital :", TxtMtoSinCapMonOri, "TxtMtoSinCapMonOri",
        BoxKind::Integer, 720, Frame4);
    row(LblMtoSinIntsMonOri, "LblMtoSinIntsMonOri", "Monto de Intereses :", TxtMtoSinIntsMonOri, "TxtMtoSinIntsMonOri",
        BoxKind::Integer, 1080, Frame4);
    row(LblTasSinEfeAnu, "LblTasSinEfeAnu", "Tasa Efectiva Anual :", TxtTasSinEfeAnu, "TxtTasSinEfeAnu", BoxKind::Rate,
        1440, Frame4, 900);
    LblPorcent[1] = makeLabel(QStringLiteral("LblPorcent_1"), QStringLiteral(" %"), Frame4);
    at(LblPorcent[1], kBoxX + 900, 1440, 420, kBoxHeight);

    Frame6 = makeFrame(QStringLiteral("Frame6"), QStringLiteral("B - En Moneda de Registro"), page);
    at(Frame6, 120, 2760, 9060, 1560);
    Label9.insert(1, makeLabel(QStringLiteral("Label9_1"), QString(), Frame6));
    Label9[1]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    at(Label9[1], 5040, 0, 3900, 255);  // beside the frame's caption
    Label7 = makeLabel(QStringLiteral("Label7"), kNota, Frame6);
    at(Label7, 120, 1140, 8820, 285);
    row(LblMtoSinTranMonReg, "LblMtoSinTranMonReg", "Monto de la Transacción :", TxtMtoSinTranMonReg,
        "TxtMtoSinTranMonReg", BoxKind::Integer, 660, Frame6);
    row(LblMtoSinIntsMonReg, "LblMtoSinIntsMonReg", "Monto de Intereses :", TxtMtoSinIntsMonReg, "TxtMtoSinIntsMonReg",
        BoxKind::Integer, 660, Frame6);
    row(LblSalSinCapMonReg, "LblSalSinCapMonReg", "Saldo del Capital :", TxtSalSinCapMonReg, "TxtSalSinCapMonReg",
        BoxKind::Integer, 1020, Frame6);

    Frame5 = designLeftover("Frame5", Label1, 18, 19, page);
}

void FrmTransacciones::buildTab2(QWidget* page) {
    const Utilitarios* util = ctx_.gUtil;
    Frame16 = analysedPartyFrame("Frame16", OptInf_MT, "OptInf_MT", OptCont_MT, "OptCont_MT", page);

    Frame8 = makeFrame(QStringLiteral("Frame8"), QStringLiteral("A - En Moneda de Origen"), page);
    at(Frame8, 120, 780, 9060, 1980);
    currencyRow(Frame8, Label1[12], 12, CboTipMoneda1, ChkOtraMoneda1, Label1[21], 21, TxtOtroTipMoneda1, QStringLiteral("1"), util);
    const AmountRows row{util};
    row(LblMtoCapMonOri, "LblMtoCapMonOri", "Monto del Capital :", TxtMtoCapMonOri, "TxtMtoCapMonOri", BoxKind::Integer,
        660, Frame8);
    row(LblMtoIntsMonOri, "LblMtoIntsMonOri", "Monto de Intereses :", TxtMtoIntsMonOri, "TxtMtoIntsMonOri",
        BoxKind::Integer, 960, Frame8);
    row(LblTasEfeAnu, "LblTasEfeAnu", "Tasa Efectiva Anual :", TxtTasEfeAnu, "TxtTasEfeAnu", BoxKind::Rate, 1260, Frame8,
        900);
    LblPorcent[0] = makeLabel(QStringLiteral("LblPorcent_0"), QStringLiteral(" %"), Frame8);
    at(LblPorcent[0], kBoxX + 900, 1260, 420, kBoxHeight);
    // Designed at top 1200; from 2012 the layout moves it to 900, above the range.
    row(LblMtoTranMonOri, "LblMtoTranMonOri", "Monto de la Transacción :", TxtMtoTranMonOri, "TxtMtoTranMonOri",
        BoxKind::Integer, 1200, Frame8);
    ChkRangoInterCuartil = makeCheck(QStringLiteral("ChkRangoInterCuartil"),
                                     QStringLiteral("Método Precio Comparable no Controlado PCNC"), Frame8);
    at(ChkRangoInterCuartil, kLabelX, 1560, 3960, kBoxHeight);
    const std::tuple<QLabel**, const char*, const char*, AmountBox**, const char*, int> range[] = {
        {&LblLimiteInf, "LblLimiteInf", "R.I. Límite Inferior :", &TxtMtoLimInfPCNC, "TxtMtoLimInfPCNC", 4140},
        {&LblLimiteSup, "LblLimiteSup", "R.I. Límite Superior :", &TxtMtoLimSupPCNC, "TxtMtoLimSupPCNC", 5760},
        {&LblMediana, "LblMediana", "Mediana :", &TxtMtoMedPCNC, "TxtMtoMedPCNC", 7380},
    };
    for (const auto& [label, lname, text, box, bname, x] : range) {
        *label = makeLabel(QLatin1String(lname), QString::fromUtf8(text), Frame8);
        at(*label, x, 1320, 1620, 240);
        *box = new AmountBox(BoxKind::Decimal, QLatin1String(bname), util, Frame8);
        at(*box, x, 1560, 1560, kBoxHeight);
        lockBox(*box, true);
    }

    Frame9 = makeFrame(QStringLiteral("Frame9"), QStringLiteral("B - En Moneda de Registro"), page);
    at(Frame9, 120, 2820, 9060, 2940);
    Label9.insert(6, makeLabel(QStringLiteral("Label9_6"), QString(), Frame9));
    Label9[6]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    at(Label9[6], 5040, 0, 3900, 255);  // beside the frame's caption
    Label6 = makeLabel(QStringLiteral("Label6"), kNota, Frame9);
    at(Label6, 120, 2580, 8820, 285);
    Frame14 = makeFrame(QStringLiteral("Frame14"), QString(), Frame9);
    Frame14->setFlat(true);
    at(Frame14, 120, 540, 8820, 330);
    auto header = [&](QPushButton*& b, const char* name, const char* caption, int x, int w) {
        b = new QPushButton(QString::fromUtf8(caption), Frame14);
        b->setObjectName(QLatin1String(name));
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoDefault(false);
        at(b, x, 0, w, 330);
    };
    header(OptCapSel, "OptCapSel", "Selec.", 0, 660);
    header(OptCapDes, "OptCapDes", "Métodos de Valoración", 660, 4380);
    header(OptCapSinAju, "OptCapSinAju", "Monto Sin Ajustar", 5040, 1890);
    header(OptCapAju, "OptCapAju", "Monto del Ajuste", 6930, 1890);
    Frame2 = makeFrame(QStringLiteral("Frame2"), QString(), Frame9);
    Frame2->setFlat(true);
    at(Frame2, 120, 870, 8820, 1020);
    const char* rowLabels[] = {"Label4", "Label3", "Label2"};
    const char* methodNames[] = {"PCNP", "PR", "CI"};
    const char* checks[] = {"      01 - Método del precio comparable no controlado. - PCNC",
                            "      02 - Método del precio de reventa. - PR", "      03 - Método del coste incrementado. - CI"};
    // Box names per method: unadjusted, adjusted, lower, upper, median, gross margin.
    const char* boxes[3][6] = {
        {"TxtSinAjusPCNP", "TxtAjusPCNP", "TxtLimInfPCNC", "TxtLimSupPCNC", "TxtMedPCNC", "TxtMargBrutoPCNC"},
        {"TxtSinAjusPr", "TxtAjusPr", "TxtLimInfPR", "TxtLimSupPR", "TxtMedPR", "TxtMargBrutoPR"},
        {"TxtSinAjusCi", "TxtAjusCi", "TxtLimInfCI", "TxtLimSupCI", "TxtMedCI", "TxtMargBrutoCI"},
    };
    std::array<QCheckBox*, 3> methodChecks{};
    for (int m = 0; m < 3; ++m) {
        const int top = m * 330;
        auto* back = makeLabel(QLatin1String(rowLabels[m]), QString(), Frame2);
        back->setFrameShape(QFrame::Box);
        at(back, 0, top, 8820, 345);
        methodChecks[m] = makeCheck(QStringLiteral("Chk") + QLatin1String(methodNames[m]), QString::fromUtf8(checks[m]), Frame2);
        at(methodChecks[m], 60, top + 30, 4920, 285);
        for (int b = 0; b < 6; ++b) {
            // The PCNC cells of pages 2 and 3 are integer boxes; the PR and CI ones decimal.
            const BoxKind kind = b < 2 || m == 0 ? BoxKind::Integer : BoxKind::Decimal;
            grid_[m][b] = new AmountBox(kind, QLatin1String(boxes[m][b]), util, Frame2);
            at(grid_[m][b], b % 2 == 0 ? 5040 : 6930, top + 30, 1860, kBoxHeight);
            grid_[m][b]->setEnabled(false);
            if (b >= 2) grid_[m][b]->hide();
        }
    }
    ChkPCNP = methodChecks[0];
    ChkPR = methodChecks[1];
    ChkCI = methodChecks[2];
    HScroll1 = new QScrollBar(Qt::Horizontal, Frame9);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    HScroll1->setRange(1, 3);
    HScroll1->setPageStep(1);
    HScroll1->setValue(1);
    at(HScroll1, 5160, 1920, 3780, 240);
    row(LblSalCapMonReg, "LblSalCapMonReg", "Saldo del Capital :", TxtSalCapMonReg, "TxtSalCapMonReg", BoxKind::Integer,
        2220, Frame9);

    Frame7 = designLeftover("Frame7", Label1, 5, 6, page);
}

void FrmTransacciones::buildTab3(QWidget* page) {
    const Utilitarios* util = ctx_.gUtil;
    Frame17 = analysedPartyFrame("Frame17", OptInf_OM, "OptInf_OM", OptCont_OM, "OptCont_OM", page);

    Frame10 = makeFrame(QStringLiteral("Frame10"), QStringLiteral("A - En Moneda de Origen"), page);
    at(Frame10, 120, 780, 9060, 1440);
    currencyRow(Frame10, Label1[22], 22, CboTipMoneda2, ChkOtraMoneda2, Label1[23], 23, TxtOtroTipMoneda2, QStringLiteral("2"), util);
    Lbl_corr = makeLabel(QStringLiteral("Lbl_corr"), QString(), Frame10);
    Lbl_corr->hide();
    const AmountRows row{util};
    row(LblMtoTraMonOri, "LblMtoTraMonOri", "Monto de las Transacciones :", TxtMtoTraMonOri, "TxtMtoTraMonOri",
        BoxKind::Integer, 720, Frame10);
    row(LblMtoTotCapMonOri, "LblMtoTotCapMonOri", "Monto Total del Capital :", TxtMtoTotCapMonOri, "TxtMtoTotCapMonOri",
        BoxKind::Integer, 720, Frame10);
    row(LblMtoTotIntsMonOri, "LblMtoTotIntsMonOri", "Monto Total de los Intereses :", TxtMtoTotIntsMonOri,
        "TxtMtoTotIntsMonOri", BoxKind::Integer, 1050, Frame10);

    Frame11 = makeFrame(QStringLiteral("Frame11"), QStringLiteral("B - En Moneda de Registro"), page);
    at(Frame11, 120, 2280, 9060, 2520);
    Label9.insert(0, makeLabel(QStringLiteral("Label9_0"), QString(), Frame11));
    Label9[0]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    at(Label9[0], 5040, 0, 3900, 255);  // beside the frame's caption
    Label5 = makeLabel(QStringLiteral("Label5"), kNota, Frame11);
    at(Label5, 120, 2220, 8820, 285);
    Label1[20] = makeLabel(QStringLiteral("Label1_20"), QString::fromUtf8("Método de Valoración :"), Frame11);
    at(Label1[20], kLabelX, 330, kLabelWidth, 315);
    CboMetodoVal = makeCombo(QStringLiteral("CboMetodoVal"), Frame11);
    at(CboMetodoVal, kBoxX, 330, 5160, 315);
    CboMetodoVal->addItems({QString::fromUtf8("04 - MPU   Método de Partición de Utilidades"),
                            QString::fromUtf8("05 - MRPU Método Residual de la Partición de Utilidades."),
                            QString::fromUtf8("06 - MMNT Método del Margen Neto Transaccional")});
    CboMetodoVal->setCurrentIndex(-1);
    row(LblMtoTraMonReg, "LblMtoTraMonReg", "Monto de las Transacciones :", TxtMtoTraMonReg, "TxtMtoTraMonReg",
        BoxKind::Integer, 720, Frame11);
    row(LblMtoTotIntsMonReg, "LblMtoTotIntsMonReg", "Monto Total de los Intereses :", TxtMtoTotIntsMonReg,
        "TxtMtoTotIntsMonReg", BoxKind::Integer, 720, Frame11);
    // The MMNT group, between the amount and the adjustments (labels 1920, boxes 2040): the
    // profit-level indicator on a row of its own, as wide as the method (its longest item is
    // "04 Utilidad Operación / Patrimonio Neto Prom. = ROE"), then its range, median and value.
    Label1[24] = makeLabel(QStringLiteral("Label1_24"), QStringLiteral("Indicador de Rentabilidad :"), Frame11);
    at(Label1[24], kLabelX, 1080, kLabelWidth, 315);
    CboRangoPLI = makeCombo(QStringLiteral("CboRangoPLI"), Frame11);
    at(CboRangoPLI, kBoxX, 1080, 5160, 315);
    CboRangoPLI->addItems(kRangosPli);
    CboRangoPLI->setCurrentIndex(-1);
    Label1[29] = makeLabel(QStringLiteral("Label1_29"), QStringLiteral("Rango Intercuartil"), Frame11);
    at(Label1[29], kLabelX, 1410, 2000, 210);
    const std::tuple<int, const char*, AmountBox**, const char*, int> mmnt[] = {
        {27, "R.I. Límite Inferior :", &TxtLimInfOM, "TxtLimInfOM", 120},
        {28, "R.I. Límite Superior :", &TxtLimSupOM, "TxtLimSupOM", 2340},
        {25, "Mediana :", &TxtMedianaOM, "TxtMedianaOM", 4560},
        {26, "Valor del PLI :", &TxtValorPLIOM, "TxtValorPLIOM", 6780},
    };
    for (const auto& [i, text, box, bname, x] : mmnt) {
        Label1[i] = makeLabel(QStringLiteral("Label1_%1").arg(i), QString::fromUtf8(text), Frame11);
        at(Label1[i], x, 1410, 2160, 210);
        *box = new AmountBox(BoxKind::Decimal, QLatin1String(bname), util, Frame11);
        at(*box, x, 1620, 2160, kBoxHeight);
    }
    // The adjustments, designed below the MMNT group (labels 1920, boxes 2040).
    Label1[10] = makeLabel(QStringLiteral("Label1_10"), QStringLiteral("Ajuste POSITIVO a Resultados  :"), Frame11);
    at(Label1[10], kLabelX, 1920, kLabelWidth, 480);
    TxtMtoAjuResPosReg = new AmountBox(BoxKind::Integer, QStringLiteral("TxtMtoAjuResPosReg"), util, Frame11);
    at(TxtMtoAjuResPosReg, kBoxX, 2040, 1740, kBoxHeight);
    Label1[11] = makeLabel(QStringLiteral("Label1_11"), QStringLiteral("Ajuste NEGATIVO a Resultados :"), Frame11);
    at(Label1[11], 4620, 1920, 2580, 480);
    TxtMtoAjuResNegReg = new AmountBox(BoxKind::Integer, QStringLiteral("TxtMtoAjuResNegReg"), util, Frame11);
    at(TxtMtoAjuResNegReg, 7200, 2040, 1740, kBoxHeight);
    LblSalTotCapMonReg = makeLabel(QStringLiteral("LblSalTotCapMonReg"), QStringLiteral("Saldo Total del Capital :"), Frame11);
    at(LblSalTotCapMonReg, kLabelX, 1920, kLabelWidth, 480);
    TxtSalTotCapMonReg = new AmountBox(BoxKind::Integer, QStringLiteral("TxtSalTotCapMonReg"), util, Frame11);
    at(TxtSalTotCapMonReg, kBoxX, 2040, kBoxWidth, kBoxHeight);
    for (QLabel* l : {Label1[10], Label1[11], LblSalTotCapMonReg}) l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    Frame1 = designLeftover("Frame1", Label1, 7, 8, page);
}

}  // namespace klv
