// Construction of the declaration form Frm_KLV_Declara: the frame (the two tabs and the command
// buttons), the identification tab (the declarant and the period, the header questions, the
// attached study and the rectification question) and the transactions tab (the grid, its commands
// and the six totals), each widget named after its control, with the signals that run its
// handlers.
#include "frm_klv_declara.h"

#include "caption_label.h"
#include "frm_klv_declara_common.h"
#include "key_filters.h"
#include "masked_edit.h"
#include "transaction_grid_model.h"
#include "utilitarios.h"
#include "window_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace klv {

using namespace declaration_form;

namespace {

QLabel* label(const QString& name, const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    return l;
}

// A question's caption: its runs of blanks end its lines, as the form was designed.
QLabel* caption(const QString& name, const QString& text, QWidget* parent) {
    auto* l = new CaptionLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QLineEdit* lineEdit(const QString& name, QWidget* parent, bool readOnly) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    lockBox(e, readOnly);
    return e;
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);  // Enter in a box must not press a button
    return b;
}

QRadioButton* option(const QString& name, const QString& caption, QWidget* parent) {
    auto* r = new QRadioButton(caption, parent);
    r->setObjectName(name);
    return r;
}

QGroupBox* frame(const QString& name, const QString& caption, QWidget* parent) {
    auto* g = new QGroupBox(caption, parent);
    g->setObjectName(name);
    return g;
}

}  // namespace

Frm_KLV_Declara::Frm_KLV_Declara(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
    setObjectName(kFrmDeclara);
    setWindowTitle(kCaptionDeclara);
    resize(kWidth, kHeight);

    TabDeclaraciones = new QTabWidget(this);
    TabDeclaraciones->setObjectName(QStringLiteral("TabDeclaraciones"));
    auto* tab0 = new QWidget;
    auto* tab1 = new QWidget;
    TabDeclaraciones->addTab(tab0, QStringLiteral("&Identificación"));
    TabDeclaraciones->addTab(tab1, QStringLiteral("&Transacciones"));
    buildIdentificationTab(tab0);
    buildTransactionsTab(tab1);

    CmdGrabar = button(QStringLiteral("CmdGrabar"), QStringLiteral("&Grabar"), this);
    CmdValidar = button(QStringLiteral("CmdValidar"), QStringLiteral("&Validar"), this);
    cmdCancelar = button(QStringLiteral("cmdCancelar"), QStringLiteral("&Salir"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(CmdGrabar);
    buttons->addWidget(CmdValidar);
    buttons->addWidget(cmdCancelar);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TabDeclaraciones, 1);
    layout->addLayout(buttons);

    connect(TabDeclaraciones, &QTabWidget::currentChanged, this, [this](int index) {
        const int previous = currentTab_;
        currentTab_ = index;
        TabDeclaraciones_Click(previous);
    });
    connect(CmdGrabar, &QPushButton::clicked, this, [this] { CmdGrabar_Click(); });
    connect(CmdValidar, &QPushButton::clicked, this, [this] { CmdValidar_Click(); });
    connect(cmdCancelar, &QPushButton::clicked, this, [this] { cmdCancelar_Click(); });
}

Frm_KLV_Declara::~Frm_KLV_Declara() = default;

void Frm_KLV_Declara::buildIdentificationTab(QWidget* page) {
    auto* frame1 = frame(QStringLiteral("Frame1"), QStringLiteral("Datos Básicos del Declarante"), page);
    Label10[0] = label(QStringLiteral("Label10_0"), QStringLiteral("Ruc :"), frame1);
    Label10[1] = label(QStringLiteral("Label10_1"), QStringLiteral("Razón Social :"), frame1);
    Label10[2] = label(QStringLiteral("Label10_2"), QStringLiteral("Ejercicio :"), frame1);
    Label10[3] = label(QStringLiteral("Label10_3"), QStringLiteral("Nombres :"), frame1);
    Label10[4] = label(QStringLiteral("Label10_4"), QStringLiteral("Apellido Materno :"), frame1);
    Label10[5] = label(QStringLiteral("Label10_5"), QStringLiteral("Apellido Paterno :"), frame1);
    CboNumDoc = new QComboBox(frame1);
    CboNumDoc->setObjectName(QStringLiteral("CboNumDoc"));
    CboNumDoc->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    CboNumDoc->setMinimumContentsLength(30);
    TxtRazsoc = lineEdit(QStringLiteral("TxtRazsoc"), frame1, true);
    TxtNombre_1 = lineEdit(QStringLiteral("TxtNombre_1"), frame1, true);
    TxtApellido_P = lineEdit(QStringLiteral("TxtApellido_P"), frame1, true);
    TxtApellido_M = lineEdit(QStringLiteral("TxtApellido_M"), frame1, true);
    MkePeriodo = named<MaskedEdit>(QStringLiteral("MkePeriodo"), QStringLiteral("0000;_"), frame1);
    lockBox(MkePeriodo, false);
    MkePeriodo->setFixedWidth(MkePeriodo->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    auto* g1 = new QGridLayout(frame1);
    g1->addWidget(Label10[0], 0, 0);
    g1->addWidget(CboNumDoc, 0, 1, 1, 3);
    g1->addWidget(Label10[2], 0, 4);
    g1->addWidget(MkePeriodo, 0, 5);
    g1->addWidget(Label10[1], 1, 0);
    g1->addWidget(TxtRazsoc, 1, 1, 1, 5);
    g1->addWidget(Label10[3], 2, 0);
    g1->addWidget(TxtNombre_1, 2, 1, 1, 5);
    g1->addWidget(Label10[5], 3, 0);
    g1->addWidget(TxtApellido_P, 3, 1);
    g1->addWidget(Label10[4], 3, 2);
    g1->addWidget(TxtApellido_M, 3, 3, 1, 3);
    g1->setColumnStretch(1, 1);
    g1->setColumnStretch(3, 1);
    for (QWidget* w : {static_cast<QWidget*>(Label10[3]), static_cast<QWidget*>(Label10[4]),
                       static_cast<QWidget*>(Label10[5]), static_cast<QWidget*>(TxtNombre_1),
                       static_cast<QWidget*>(TxtApellido_P), static_cast<QWidget*>(TxtApellido_M)})
        w->hide();

    // A question: its label on the left, the Si/No options on the right.
    auto question = [](QGroupBox* box, QLabel* text, QRadioButton* si, QRadioButton* no) {
        auto* h = new QHBoxLayout(box);
        h->setContentsMargins(6, 2, 6, 2);
        h->addWidget(text, 1);
        h->addWidget(si);
        h->addWidget(no);
    };
    auto* frame4 = frame(QStringLiteral("Frame4"), QString(), page);
    LblAutoMonExt = caption(QStringLiteral("LblAutoMonExt"), kPreguntaAutoMonExt, frame4);
    OptAutoMonExt_Si = option(QStringLiteral("OptAutoMonExt_Si"), QStringLiteral("Si"), frame4);
    OptAutoMonExt_No = option(QStringLiteral("OptAutoMonExt_No"), QStringLiteral("No"), frame4);
    question(frame4, LblAutoMonExt, OptAutoMonExt_Si, OptAutoMonExt_No);

    auto* frame5 = frame(QStringLiteral("Frame5"), QString(), page);
    LblEstTecTra = caption(QStringLiteral("LblEstTecTra"), kPreguntaEstTecLarga, frame5);
    OptEstTecTra_Si = option(QStringLiteral("OptEstTecTra_Si"), QStringLiteral("Si"), frame5);
    OptEstTecTra_No = option(QStringLiteral("OptEstTecTra_No"), QStringLiteral("No"), frame5);
    question(frame5, LblEstTecTra, OptEstTecTra_Si, OptEstTecTra_No);

    auto* frame2 = frame(QStringLiteral("Frame2"), QString(), page);
    Label1 = caption(QStringLiteral("Label1"), kPreguntaRucAutor, frame2);
    Label10[16] = label(QStringLiteral("Label10_16"), QStringLiteral("Ruc :"), frame2);
    TxtRUC = lineEdit(QStringLiteral("TxtRUC"), frame2, false);
    TxtRUC->setMaxLength(11);
    TxtRUC->setFixedWidth(TxtRUC->fontMetrics().horizontalAdvance(QStringLiteral("000000000000")) + 16);
    auto* h2 = new QHBoxLayout(frame2);
    h2->setContentsMargins(6, 2, 6, 2);
    h2->addWidget(Label1, 1);
    h2->addWidget(Label10[16]);
    h2->addWidget(TxtRUC);

    FraAdjuntar = frame(QStringLiteral("FraAdjuntar"), QString(), page);
    auto* label2 = label(QStringLiteral("Label2"), kPreguntaRutaEstudio, FraAdjuntar);
    TxtRuta = lineEdit(QStringLiteral("TxtRuta"), FraAdjuntar, true);
    CmdAdjuntar = button(QStringLiteral("CmdAdjuntar"), QStringLiteral("Adjuntar ETPT"), FraAdjuntar);
    auto* label3 = label(QStringLiteral("Label3"), QStringLiteral("Tamaño"), FraAdjuntar);
    TxtTam = lineEdit(QStringLiteral("TxtTam"), FraAdjuntar, true);
    TxtTam->setFixedWidth(TxtTam->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 16);
    ChkETPT = new QCheckBox(FraAdjuntar);
    ChkETPT->setObjectName(QStringLiteral("ChkETPT"));
    // Ticked by the form only.
    ChkETPT->setAttribute(Qt::WA_TransparentForMouseEvents);
    ChkETPT->setFocusPolicy(Qt::NoFocus);
    auto* ga = new QGridLayout(FraAdjuntar);
    ga->setContentsMargins(6, 2, 6, 2);
    // The study's path has the frame's whole width, so its file's name reads whole.
    ga->addWidget(label2, 0, 0, 1, 5);
    ga->addWidget(TxtRuta, 1, 0, 1, 5);
    ga->addWidget(CmdAdjuntar, 2, 0);
    ga->addWidget(label3, 2, 2);
    ga->addWidget(TxtTam, 2, 3);
    ga->addWidget(ChkETPT, 2, 4);
    ga->setColumnStretch(1, 1);

    FraRectificatoria = frame(QStringLiteral("FraRectificatoria"), QStringLiteral("Rectificatoria"), page);
    auto* lblRect = label(QStringLiteral("lblRectificatoria"), kPreguntaRectificatoria, FraRectificatoria);
    lblRect->setWordWrap(true);
    OptRectifica[1] = option(QStringLiteral("OptRectifica_1"), QStringLiteral("Si"), FraRectificatoria);
    OptRectifica[0] = option(QStringLiteral("OptRectifica_0"), QStringLiteral("No"), FraRectificatoria);
    auto* hr = new QHBoxLayout(FraRectificatoria);
    hr->setContentsMargins(6, 2, 6, 2);
    hr->addWidget(lblRect, 1);
    hr->addWidget(OptRectifica[1]);
    hr->addWidget(OptRectifica[0]);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(FraAdjuntar, 3);
    bottom->addWidget(FraRectificatoria, 2);
    auto* v = new QVBoxLayout(page);
    v->setSpacing(4);
    v->addWidget(frame1);
    v->addWidget(frame4);
    v->addWidget(frame5);
    v->addWidget(frame2);
    v->addLayout(bottom);
    FraAdjuntar->hide();
    FraRectificatoria->hide();

    // Signals of the header.
    connect(CboNumDoc, qOverload<int>(&QComboBox::activated), this, [this](int) { CboNumDoc_Click(); });
    connect(MkePeriodo, &QLineEdit::textChanged, this, [this] { MkePeriodo_Change(); });
    MkePeriodo->installEventFilter(this);
    connect(OptAutoMonExt_Si, &QRadioButton::toggled, this, [this](bool on) { if (on) OptAutoMonExt_Si_Click(); });
    connect(OptAutoMonExt_No, &QRadioButton::toggled, this, [this](bool on) { if (on) OptAutoMonExt_No_Click(); });
    connect(OptEstTecTra_Si, &QRadioButton::toggled, this, [this](bool on) { if (on) OptEstTecTra_Si_Click(); });
    connect(OptEstTecTra_No, &QRadioButton::toggled, this, [this](bool on) { if (on) OptEstTecTra_No_Click(); });
    connect(OptRectifica[0], &QRadioButton::toggled, this, [this](bool on) { if (on) OptRectifica_Click(0); });
    connect(OptRectifica[1], &QRadioButton::toggled, this, [this](bool on) { if (on) OptRectifica_Click(1); });
    connect(CmdAdjuntar, &QPushButton::clicked, this, [this] { CmdAdjuntar_Click(); });
    connect(TxtRuta, &QLineEdit::textChanged, this, [this] { TxtRuta_Change(); });
    // Only digits reach the author's RUC; every key typed there counts as a change.
    KeyCodeFilter::install(TxtRUC, [this](int code) {
        setModified();
        return ctx_.gUtil && ctx_.gUtil->EsDigito(code) ? code : 0;
    });
    TxtRUC->installEventFilter(this);
}

void Frm_KLV_Declara::buildTransactionsTab(QWidget* page) {
    auto* frame3 = frame(QStringLiteral("Frame3"), QStringLiteral("Información sobre Transacciones"), page);
    GrdTransacciones = new QTableView(frame3);
    GrdTransacciones->setObjectName(QStringLiteral("GrdTransacciones"));
    model_ = new TransactionGridModel(this);
    GrdTransacciones->setModel(model_);
    GrdTransacciones->setSelectionBehavior(QAbstractItemView::SelectRows);
    GrdTransacciones->setSelectionMode(QAbstractItemView::SingleSelection);
    GrdTransacciones->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GrdTransacciones->setWordWrap(false);
    GrdTransacciones->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    GrdTransacciones->verticalHeader()->setDefaultSectionSize(20);
    QHeaderView* header = GrdTransacciones->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    GrdTransacciones->setColumnHidden(static_cast<int>(GridColumn::TipDocP), true);
    // Each column as wide as its caption (the name a little wider); the grid scrolls sideways. The
    // captions of the current row's columns are drawn in bold.
    QFont bold = header->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    for (int c = 0; c < kGridColumns - 1; ++c) {
        const int caption = metrics.horizontalAdvance(gridCaption(static_cast<GridColumn>(c))) + 20;
        const int least = c == static_cast<int>(GridColumn::RazonSocial) ? 220 : c == static_cast<int>(GridColumn::Moneda) ? 140 : 0;
        GrdTransacciones->setColumnWidth(c, std::max(caption, least));
    }
    connect(GrdTransacciones, &QTableView::doubleClicked, this, [this](const QModelIndex&) { CmdOpciones_Click(1); });

    const QString captions[] = {QStringLiteral("&Nuevo"), QStringLiteral("&Modificar"), QStringLiteral("&Eliminar"),
                                QStringLiteral("&Importar")};
    auto* commands = new QVBoxLayout;
    for (int i = 0; i < 4; ++i) {
        CmdOpciones[static_cast<size_t>(i)] = button(QStringLiteral("CmdOpciones_%1").arg(i), captions[i], frame3);
        commands->addWidget(CmdOpciones[static_cast<size_t>(i)]);
        connect(CmdOpciones[static_cast<size_t>(i)], &QPushButton::clicked, this, [this, i] { CmdOpciones_Click(i); });
    }
    commands->addStretch(1);
    lblNumTransacciones = label(QStringLiteral("lblNumTransacciones"), countLabel(0), frame3);
    auto* g3 = new QGridLayout(frame3);
    g3->addWidget(GrdTransacciones, 0, 0);
    g3->addLayout(commands, 0, 1);
    g3->addWidget(lblNumTransacciones, 1, 0, 1, 2);

    // The six totals, by valuation method.
    auto* totals = new QFrame(page);
    totals->setObjectName(QStringLiteral("FraTotales"));
    totals->setFrameShape(QFrame::StyledPanel);
    Label10[15] = label(QStringLiteral("Label10_15"), QStringLiteral("Totales"), totals);
    auto total = [totals](const char* name) {
        QLineEdit* e = lineEdit(QString::fromLatin1(name), totals, true);
        e->setAlignment(Qt::AlignRight);
        e->setFocusPolicy(Qt::NoFocus);
        return e;
    };
    TxtMtoTran00 = total("TxtMtoTran00");
    TxtMtoSinAju01 = total("TxtMtoSinAju01");
    TxtMtoAju01 = total("TxtMtoAju01");
    TxtMtoTran02 = total("TxtMtoTran02");
    TxtMtoAjuPos02 = total("TxtMtoAjuPos02");
    TxtMtoAjuNeg02 = total("TxtMtoAjuNeg02");
    auto* gt = new QGridLayout(totals);
    gt->setContentsMargins(6, 4, 6, 4);
    gt->setVerticalSpacing(2);
    gt->addWidget(Label10[15], 0, 0, 1, 4);
    const std::pair<const char*, QLineEdit*> boxes[] = {
        {"Sin Estudio Técnico :", TxtMtoTran00},   {"Tradicionales sin Ajuste :", TxtMtoSinAju01},
        {"Tradicionales Ajustado :", TxtMtoAju01}, {"Otros Métodos :", TxtMtoTran02},
        {"Ajuste Positivo :", TxtMtoAjuPos02},     {"Ajuste Negativo :", TxtMtoAjuNeg02}};
    for (int i = 0; i < 6; ++i) {
        const int row = 1 + i % 3;
        const int col = (i / 3) * 2;
        gt->addWidget(label(QStringLiteral("LblTotal_%1").arg(i), QString::fromUtf8(boxes[i].first), totals), row, col);
        gt->addWidget(boxes[i].second, row, col + 1);
    }

    auto* v = new QVBoxLayout(page);
    v->addWidget(frame3, 1);
    v->addWidget(totals);
}

}  // namespace klv
