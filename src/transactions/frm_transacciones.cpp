#include "frm_transacciones.h"

#include "amount_box.h"
#include "combo_fillers.h"
#include "key_filters.h"
#include "declaration_queries.h"
#include "declaration_state.h"
#include "frm_detalle_om.h"
#include "format.h"
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
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTreeWidget>

namespace klv {
namespace {

// Positions and sizes are given in twips, 15 to the pixel.
void at(QWidget* w, int x, int y, int width, int height) { w->setGeometry(x / 15, y / 15, width / 15, height / 15); }
void moveTop(QWidget* w, int top) { w->move(w->x(), top / 15); }

constexpr int kBoxHeight = 285;
constexpr int kLabelX = 120;
constexpr int kLabelWidth = 2580;
constexpr int kBoxX = 2760;
constexpr int kBoxWidth = 2100;
constexpr int kHelpTabs[] = {1021, 1032, 1033, 1034};

const QString kCaller = QStringLiteral("Frm_KLV_Declara");
const QStringList kTiposDocParte = {QStringLiteral("1"),  QStringLiteral("4"),  QStringLiteral("6"), QStringLiteral("7"),
                                    QStringLiteral("31"), QStringLiteral("32"), QStringLiteral("0")};
const QStringList kMonedas = {QStringLiteral("000"), QStringLiteral("001"), QStringLiteral("002"),
                              QStringLiteral("003"), QStringLiteral("005"), QStringLiteral("004")};
const QStringList kMonedasSinMetodo = {QStringLiteral("001"), QStringLiteral("002"), QStringLiteral("003"),
                                       QStringLiteral("005"), QStringLiteral("004"), QStringLiteral("000")};
const QStringList kRangosPli = {QString::fromUtf8("01 Utilidad Operación / Ventas"),
                                QString::fromUtf8("02 Utilidad Operación / Costos + Gastos"),
                                QString::fromUtf8("03 Utilidad Operación / Activo Neto Prom. = ROA"),
                                QString::fromUtf8("04 Utilidad Operación / Patrimonio Neto Prom. = ROE"),
                                QStringLiteral("05 Ratio Berry"), QStringLiteral("00 Otros")};
const QString kNota = QString::fromUtf8("Nota : Ver instrucciones de conversión a Nuevos Soles-Peru en la Ayuda (F1).");
const QColor kWhite(0xFF, 0xFF, 0xFF);

// Sets a flag for the duration of a scope.
struct Counter {
    explicit Counter(int& c) : count(c) { ++count; }
    ~Counter() { --count; }
    int& count;
};

}  // namespace

FrmTransacciones::FrmTransacciones(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
    setObjectName(kFrmTransacciones);
    setWindowTitle(kCaptionTransacciones);
    // The width of the form is 9510 twips. Its controls are placed in twips for a small sans
    // font of 8 points, as designed.
    setFixedSize(9510 / 15, 7020 / 15);
    QFont small(QStringLiteral("Liberation Sans"), 8);
    setFont(small);

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
    // Wide enough for the longest document type, "06  -  REG. UNICO DE CONTRIBUYENTES".
    CboTipDocP = makeCombo(QStringLiteral("CboTipDocP"), Frame3);
    at(CboTipDocP, 1800, 300, 4200, 315);
    Label1[1] = makeLabel(QStringLiteral("Label1_1"), QString::fromUtf8("N° :"), Frame3);
    at(Label1[1], 6120, 300, 420, 315);
    CboDocIdP = makeCombo(QStringLiteral("CboDocIdP"), Frame3);
    at(CboDocIdP, 6540, 300, 2400, 315);
    Label1[2] = makeLabel(QStringLiteral("Label1_2"), QString::fromUtf8("Apellidos y Nombres o Razón Social :"), Frame3);
    at(Label1[2], 120, 780, 2940, 315);
    TxtRazSoc = new QLineEdit(Frame3);
    TxtRazSoc->setObjectName(QStringLiteral("TxtRazSoc"));
    TxtRazSoc->setReadOnly(true);
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
        (*box)->setReadOnly(true);
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

bool FrmTransacciones::Form_Load() {
    WaitCursor wait;
    helpContext_ = 1021;
    if (ctx_.help) ctx_.help->setContext(helpContext_);
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
        {
            const Counter c(fromCode_);
            udp_CargaTiposDoc(ctx_, CboTipDocP, kTiposDocParte, false);
            CboTipDocP->setCurrentIndex(-1);
        }
        fillTypeList();
        udp_Bloquear();
        if (mode_ == kModoModificar) loaded = hasKey_ && udp_CargarEdit();
    } catch (const std::exception& e) {
        ctx_.msg(QStringLiteral("No se pudo abrir la transacción.\r\n") + QString::fromLocal8Bit(e.what()), MsgStyle::Critical);
        loaded = false;
    }
    applyPeriodLayout();
    lblmensaje->setText(mode_ == kModoNuevo ? QStringLiteral(" NUEVO REGISTRO") : QStringLiteral(" MODIFICANDO REGISTRO"));
    loading_ = false;
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
    for (QRadioButton* o : {OptInf_SETP, OptCont_SETP, OptCont_MT, OptInf_MT, OptInf_OM, OptCont_OM})
        onUser(o, [this] { setModified(); });
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
    for (QComboBox* c : {CboTipMoneda, CboTipMoneda1, CboTipMoneda2, CboMetodoVal, CboRangoPLI}) {
        connect(c, &QComboBox::activated, this, [this, c](int) {
            runComboRule(c);
            setModified();
        });
    }
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
        CboDocIdP_Click();
        if (udp_SelecPartVinc(static_cast<int>(fmt::val(CboTipDocP->currentText().left(2))), CboDocIdP->currentText()) ==
            PartyChoice::Completing)
            chooseInRegister();
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

FrmTransacciones::PartyChoice FrmTransacciones::udf_VerificaPartVinc(int tipDocP, const QString& docIdP) {
    const QString ruc = ctx_.panels ? ctx_.panels->PanelRuc().trimmed() : decl_.cboNumDoc.left(11);
    const QString periodo = ctx_.panels ? ctx_.panels->PanelPeriodo() : decl_.periodo;
    const InformadoNoDomCheck check =
        udf_VerificaInformadoNoDom(ctx_, static_cast<int>(fmt::val(periodo)), Declarant{6, ruc}, Party{tipDocP, docIdP});
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
    if (const PartyChoice verdict = udf_VerificaPartVinc(tipDocP, docIdP); verdict != PartyChoice::Chosen) return verdict;
    // The combos must be able to show the party: its document type and its own number.
    int typeIndex = -1;
    for (int i = 0; i < CboTipDocP->count() && typeIndex < 0; ++i)
        if (static_cast<int>(fmt::val(CboTipDocP->itemText(i).left(2))) == tipDocP) typeIndex = i;
    const QString ruc = ctx_.panels ? ctx_.panels->PanelRuc().trimmed() : decl_.cboNumDoc.left(11);
    const bool known = ctx_.db()
                           .scalar(QStringLiteral("SELECT 1 FROM PAR_VIN WHERE TIP_DOC_D=6 AND DOC_ID_D=? AND TIP_DOC_P=?"
                                                  " AND DOC_ID_P=?"),
                                   {textValue(ruc), tipDocP, textValue(docIdP)})
                           .isValid();
    if (typeIndex < 0 || !known) {
        ctx_.msg(QStringLiteral("El informado elegido no figura en la lista de informados del declarante; no se ha "
                                "seleccionado."),
                 MsgStyle::Exclamation);
        return PartyChoice::Refused;
    }
    selectItem(CboTipDocP, typeIndex);
    selectItem(CboDocIdP, CboDocIdP->findText(docIdP, Qt::MatchExactly | Qt::MatchCaseSensitive));
    FraValMet->setEnabled(true);
    const Party party{static_cast<int>(fmt::val(CboTipDocP->currentText().left(2))), CboDocIdP->currentText()};
    domiciliado_ = udf_EsDomiciliado(ctx_, Declarant{6, ruc}, party);
    paraisoFiscal_ = udf_EsParaisoFiscal(ctx_, Declarant{6, ruc}, party);
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
            deleteDetail(ctx_, st.key(udf_SgteCorTransacc(ctx_, st.declaration(), st.party())));
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
        b->setReadOnly(!on);
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
    const Counter c(fromCode_);
    CboDocIdP->clear();
    const QString ruc = ctx_.panels ? ctx_.panels->PanelRuc().trimmed() : decl_.cboNumDoc.left(11);
    try {
        QSqlQuery q = ctx_.db().exec(QStringLiteral("SELECT DOC_ID_P FROM PAR_VIN WHERE TIP_DOC_D=6 AND DOC_ID_D=? AND TIP_DOC_P=?"),
                                     {textValue(ruc), static_cast<int>(fmt::val(CboTipDocP->currentText().left(2)))});
        while (q.next()) CboDocIdP->addItem(q.value(0).toString());
    } catch (const std::exception& e) {
        ctx_.msg(QString::fromLocal8Bit(e.what()), MsgStyle::Critical);
    }
    CboDocIdP->setCurrentIndex(-1);
    TxtRazSoc->clear();
    setModified();
}

void FrmTransacciones::CboDocIdP_Click() {
    const QString ruc = ctx_.panels ? ctx_.panels->PanelRuc().trimmed() : decl_.cboNumDoc.left(11);
    QString name;
    try {
        const QVariant v = ctx_.db().scalar(
            QStringLiteral("SELECT RAZON_SOCIAL FROM PAR_VIN WHERE TIP_DOC_D=6 AND DOC_ID_D=? AND TIP_DOC_P=? AND DOC_ID_P=?"),
            {textValue(ruc), static_cast<int>(fmt::val(CboTipDocP->currentText().left(2))), textValue(CboDocIdP->currentText())});
        if (!v.isNull()) name = v.toString();
    } catch (const std::exception& e) {
        ctx_.msg(QString::fromLocal8Bit(e.what()), MsgStyle::Critical);
    }
    TxtRazSoc->setText(name);
    setModified();
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
    const int tab = flag == kSinMetodo ? 1 : flag == kTradicional ? 2 : 3;
    QComboBox* combo = tab == 1 ? CboTipMoneda : tab == 2 ? CboTipMoneda1 : CboTipMoneda2;
    udp_AnchoListaCombo(this, combo, 40);
    {
        const Counter c(fromCode_);
        udp_CargaMonedas(ctx_, combo, flag == kSinMetodo ? kMonedasSinMetodo : kMonedas, false);
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
    if (ctx_.help) ctx_.help->setContext(helpContext_);
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
        if (ctx_.help) ctx_.help->setContext(helpContext_);
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

void FrmTransacciones::fillTypeList() {
    types_ = udp_CargarLvwTipTransacc(ctx_);
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

void FrmTransacciones::udp_CargarEditLvwTipTransacc(long cor) {
    fillTypeList();
    const TransactionState st = gatherState();
    for (const QString& code : storedTypeCodes(ctx_, st.key(cor))) {
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

// --- Loading a stored transaction -------------------------------------------------------------

bool FrmTransacciones::udp_CargarEdit() {
    const StoredTransaction s =
        readStoredTransaction(ctx_, decl_.cboNumDoc.left(11), decl_.periodo, key_.party, key_.corTransaccion, from2012());
    if (s.problem != StoredTransaction::Problem::None) {
        ctx_.msg(loadProblemMessage(s.problem), MsgStyle::Exclamation);
        return false;
    }
    // The informado: its document type, then its number (each selection runs its click rule).
    int typeIndex = -1;
    for (int i = 0; i < CboTipDocP->count() && typeIndex < 0; ++i)
        if (fmt::val(CboTipDocP->itemText(i).left(2)) == key_.party.tipDocP) typeIndex = i;
    selectItem(CboTipDocP, typeIndex);
    {
        const Counter c(fromCode_);
        CboDocIdP->clear();
        CboDocIdP->addItems(s.partyDocs);
        CboDocIdP->setCurrentIndex(-1);
    }
    selectItem(CboDocIdP, CboDocIdP->findText(key_.party.docIdP, Qt::MatchExactly | Qt::MatchCaseSensitive));
    // The option, then the analysed party of its tab, then the stored types.
    if (s.flag == kSinMetodo) selectOption(OptSinValMet);
    else if (s.flag == kTradicional) selectOption(OptValMetTradi);
    else if (s.flag == kOtros) selectOption(OptValMetOtros);
    QRadioButton* cont = flag_ == kSinMetodo ? OptCont_SETP : flag_ == kTradicional ? OptCont_MT : OptCont_OM;
    QRadioButton* inf = flag_ == kSinMetodo ? OptInf_SETP : flag_ == kTradicional ? OptInf_MT : OptInf_OM;
    if (!flag_.isEmpty() && s.parAnalizada == QLatin1String("01")) selectOption(cont);
    else if (!flag_.isEmpty() && s.parAnalizada == QLatin1String("02")) selectOption(inf);
    udp_CargarEditLvwTipTransacc(key_.corTransaccion);
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
            udp_CargaMonedas(ctx_, combo, kMonedas, false);
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
    const QString ruc = decl_.cboNumDoc.left(11);
    const Party party{static_cast<int>(fmt::val(CboTipDocP->currentText().left(2))), CboDocIdP->currentText()};
    domiciliado_ = udf_EsDomiciliado(ctx_, Declarant{6, ruc}, party);
    paraisoFiscal_ = udf_EsParaisoFiscal(ctx_, Declarant{6, ruc}, party);
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
            if (ctx_.help) ctx_.help->setContext(helpContext_);
            udp_DefTipoTran(flag_, financial() ? QStringLiteral("12") : QStringLiteral("01"));
        }
    }
    if (w && w->isVisible() && w->isEnabled()) w->setFocus();
}

void FrmTransacciones::Grabar_Transacc() {
    const TransactionState st = gatherState();
    SaveResult r;
    try {
        WaitCursor wait;
        r = klv::Grabar_Transacc(ctx_, st);
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
    for (const QString& f : {kSinMetodo, kTradicional, kOtros}) {
        udp_DefTipoTran(f, QStringLiteral("12"));
        udp_LimpTipoTran(f, QStringLiteral("12"));
        udp_DefTipoTran(f, QStringLiteral("01"));
        udp_LimpTipoTran(f, QStringLiteral("01"));
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
                const long cor = detailNumber(ctx_, st);
                prepareDetail(ctx_, st, cor);
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
