#include "frm_klv_declara.h"
#include "long_work.h"
#include "wait_cursor.h"
#include "window_helpers.h"

#include "caption_label.h"

#include "declaration_checks.h"
#include "declaration_grid.h"
#include "transaction_grid_model.h"
#include "declaration_header.h"
#include "declaration_queries.h"
#include "declaration_save.h"
#include "declaration_sql.h"
#include "key_filters.h"
#include "mensajes.h"
#include "param_lookups.h"
#include "combo_fillers.h"
#include "status_panels.h"
#include "totals.h"
#include "utilitarios.h"
#include "working_copy.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

namespace klv {
namespace {

// A failure because another program holds the database: what else the same call reads would wait
// the busy timeout again for the same answer.
bool heldByAnother(const std::exception_ptr& failure) {
    if (!failure) return false;
    try {
        std::rethrow_exception(failure);
    } catch (const DbError& e) {
        return e.locked();
    } catch (...) {
        return false;
    }
}


const QString kCallerMain = QStringLiteral("MDI_KLV_PT");
const QString kCallerChooser = QStringLiteral("FrmContAbrir");
// The attach mode of the import dialog: the form's own name followed by "2".
const QString kCallerAttach = kFrmDeclara + QStringLiteral("2");
constexpr int kTabIdentificacion = 0;
constexpr int kTabTransacciones = 1;
constexpr int kHelpIdentificacion = 1018;
constexpr int kHelpTransacciones = 1021;
// The form's size: 9510 x 6885 twips at 15 twips a pixel.
constexpr int kWidth = 9510 / 15;
constexpr int kHeight = 6885 / 15;

// Sets a flag for the duration of a scope.
struct FlagScope {
    explicit FlagScope(bool& f) : flag(f), previous(f) { flag = true; }
    ~FlagScope() { flag = previous; }
    bool& flag;
    bool previous;
};

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

// What the engine's thread reads for the grid: its rows and the six totals (or why they could not
// be read or summed), with the connection's change stamp taken just before the rows, so that the
// grid is known to show what was written up to then.
struct Frm_KLV_Declara::GridRead {
    int tipDocD = 6;
    QString ruc, periodo;
    TransactionGrid grid;
    DeclarationTotals totals;
    std::exception_ptr failure;  // the rows could not be read (readGridKept)
    std::exception_ptr totalsFailure;
    Database::ChangeStamp stamp;
};

// A stored declaration as its opening reads it.
struct Frm_KLV_Declara::EditRead {
    StoredHeader header;   // found false: the declaration is not stored, and nothing more was read
    int declarant = -1;    // the declarant's item in the list
    bool outside = false;  // not in the user's list: `outsideItem` is added to it
    QString outsideItem;
    DeclarantNames names;  // what choosing the declarant shows
    std::exception_ptr namesFailure;
    DeclarationState st;   // the form's state once the working copy is rebuilt
};

// Everything the opening reads, in one call.
struct Frm_KLV_Declara::LoadRead {
    QStringList declarants;
    std::optional<EditRead> edit;  // mode "Modificar"
    GridRead grid;
};

// What the activation reads, in one call.
struct Frm_KLV_Declara::ActivateRead {
    bool fresh = false;  // the grid shown is still the working copy: not read again
    GridRead grid;
    AttachedStudy study;
    std::exception_ptr studyFailure;
};

namespace {

// What the tab change reads, in one call: whether the declaration is stored, then the header's
// checks and the 2008 rule.
struct TabRead {
    bool exists = false;
    std::exception_ptr existsFailure;
    bool validated = false;
    HeaderCheck header;
    bool rule2008 = true;
    std::exception_ptr failure;
};

}  // namespace

Frm_KLV_Declara::GridRead Frm_KLV_Declara::readGrid(AppContext& w, int tipDocD, const QString& ruc,
                                                    const QString& periodo, const WorkProgress& progress) {
    GridRead g;
    g.tipDocD = tipDocD;
    g.ruc = ruc;
    g.periodo = periodo;
    g.stamp = w.db().changeStamp();
    if (progress) {
        // The share of the work done: the grid's rows read of the working transactions, then the
        // totals, one statement that reads them again: the second half.
        const auto rows = static_cast<qint64>(udf_CuentaTmpTransacc(w));
        g.grid.load(w, tipDocD, ruc, periodo, [&](qint64 read) { progress(std::min(read, rows), 2 * rows); });
        progress(rows, 2 * rows);
    } else {
        g.grid.load(w, tipDocD, ruc, periodo);
    }
    try {
        g.totals = upd_TotalizarMtoTransacc(w, tipDocD, periodo, ruc, QString());
    } catch (const DbError&) {
        // Totals that cannot be summed are not shown; the grid and its count still are.
        g.totalsFailure = std::current_exception();
    }
    return g;
}

Frm_KLV_Declara::GridRead Frm_KLV_Declara::readGridKept(AppContext& w, int tipDocD, const QString& ruc,
                                                        const QString& periodo) {
    try {
        return readGrid(w, tipDocD, ruc, periodo);
    } catch (const std::exception&) {
        GridRead g;
        g.failure = std::current_exception();
        return g;
    }
}

Frm_KLV_Declara::EditRead Frm_KLV_Declara::readEdit(AppContext& w, const QStringList& declarants, DeclarationState st,
                                                    const QString& outsideDeclarant, const DeclarationKey& key) {
    EditRead e;
    e.header = readStoredHeader(w, key.tipDocD, key.docIdD, key.periodo);
    const StoredHeader& h = e.header;
    if (!h.found) return e;
    for (int i = 0; i < declarants.size() && e.declarant < 0; ++i)
        if (declarants[i].left(11) == h.docIdD) e.declarant = i;
    QString outside = outsideDeclarant;
    QString item;
    if (e.declarant < 0) {
        e.outside = true;
        outside = h.docIdD;
        e.outsideItem = udf_ItemContribuyente(h.docIdD, readDeclarant(w, h.docIdD, false).nombre);
        item = e.outsideItem;
    } else {
        item = declarants[e.declarant];
    }
    const QString ruc = item.left(11);
    try {
        e.names = readDeclarant(w, ruc, ruc != outside);
    } catch (const std::exception&) {
        e.namesFailure = std::current_exception();
        if (heldByAnother(e.namesFailure)) throw;  // the rebuild would wait as long again
    }
    // The rebuild starts from the state the form gathers once the declarant is chosen.
    st.cboNumDoc = item;
    st.razonSocial = e.names.nombre;
    klv::udp_CargarEdit(w, st, key.tipDocD, key.docIdD, key.periodo);
    e.st = st;
    return e;
}

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
    MkePeriodo = lineEdit(QStringLiteral("MkePeriodo"), frame1, false);
    MkePeriodo->setInputMask(QStringLiteral("0000;_"));
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

// --- Opening -----------------------------------------------------------------------------------

bool Frm_KLV_Declara::run(AppContext& ctx, QWidget* parent, const QString& caller, const DeclarationKey* key) {
    Frm_KLV_Declara form(ctx, parent);
    form.udp_DefCaller(caller);
    try {
        form.Form_Load(key);
    } catch (const std::exception& e) {
        ctx.msg(QStringLiteral("No se pudo abrir la declaración.\r\n") + failureText(e), MsgStyle::Critical);
        // The chooser comes back when it opened the form.
        return caller == kCallerChooser;
    }
    return form.showModal();
}

void Frm_KLV_Declara::udp_DefCaller(const QString& caller) {
    if (caller == kCallerMain)
        st_.mode = kModoNuevo;
    else if (caller == kCallerChooser)
        st_.mode = kModoModificar;
}

void Frm_KLV_Declara::Form_Load(const DeclarationKey* key) {
    WaitCursor wait;
    resize(std::max(kWidth, minimumSizeHint().width()), kHeight);
    FlagScope loading(st_.loading);
    st_.modified = false;

    udp_AnchoListaCombo(this, CboNumDoc, 75);
    // One call reads it all: the declarant list; then the stored declaration, its rebuilt working
    // copy and its grid, or for a new declaration the working copy emptied and its (empty) grid. A
    // new declaration has no declarant chosen yet: its key on the form is empty.
    const std::optional<DeclarationKey> stored =
        st_.mode == kModoModificar && key ? std::optional<DeclarationKey>(*key) : std::nullopt;
    const DeclarationState st = gatheredState();
    const QString outside = outsideDeclarant_;
    const QString periodo = MkePeriodo->text();
    const DeclarationKey empty{6, QString(), periodo, ctx_.gFormulario};
    // The rebuild of the working copy is a few statements: the bar moves without a share until the
    // grid's rows are read.
    LongWork work(ctx_, this, QStringLiteral("Abriendo la declaración..."));
    LoadRead r = work.run<LoadRead>([stored, st, outside, periodo, empty](AppContext& w, const WorkProgress& progress) {
        LoadRead r;
        r.declarants = udf_ItemsContribuyentes(w, QStringLiteral("6"));
        if (stored) {
            r.edit = readEdit(w, r.declarants, st, outside, *stored);
            if (r.edit->header.found)
                r.grid = readGrid(w, stored->tipDocD, stored->docIdD, stored->periodo, progress);
        } else {
            udp_CargarTemps(w, empty);
            r.grid = readGrid(w, 6, QString(), periodo, progress);
        }
        return r;
    });

    udp_CargaCombo(CboNumDoc, r.declarants);
    CboNumDoc->setCurrentIndex(-1);
    selectTab(kTabIdentificacion);
    setHelpContext(ctx_.help, this, kHelpIdentificacion);

    if (r.edit) {
        udp_CargarEdit(r);
    } else {
        gatherState();
        applyGrid(std::move(r.grid));
    }
    gridFromLoad_ = true;
    st_.loading = false;

    if (period() >= 2012) {
        LblEstTecTra->setText(kPreguntaEstTecCortaApertura);
        FraAdjuntar->show();
        FraRectificatoria->show();
    } else {
        FraAdjuntar->hide();
        FraRectificatoria->hide();
    }
    focusFirstControl(TabDeclaraciones->widget(kTabIdentificacion));
}

void Frm_KLV_Declara::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Laid out now at its width, before it is first drawn.
    if (!fitted_) {
        fitted_ = true;
        fitHeight();
    }
}

void Frm_KLV_Declara::fitHeight() {
    // The captions take as many lines as the form's width leaves them, so the height the header
    // needs is known only once the form is laid out: the designed height, or what the tallest
    // header needs when the captions take more (a natural person's three rows of names, and the
    // taller of the two year layouts: from 2012 the short question 2 with the two frames below
    // it, before 2012 the long question alone). Nothing is left as an empty band.
    QWidget* page = TabDeclaraciones->widget(kTabIdentificacion);
    QLayout* header = page->layout();
    const int pageWidth = page->width();
    const QString caption = LblEstTecTra->text();
    QWidget* const toggled[] = {Label10[1], TxtRazsoc,     Label10[3],    Label10[4],       Label10[5],
                                TxtNombre_1, TxtApellido_P, TxtApellido_M, FraAdjuntar, FraRectificatoria};
    std::vector<bool> shown;
    for (QWidget* w : toggled) shown.push_back(w->isVisibleTo(page));
    auto need = [&](bool from2012) {
        LblEstTecTra->setText(from2012 ? kPreguntaEstTecCortaApertura : kPreguntaEstTecLarga);
        for (size_t i = 0; i < 8; ++i) toggled[i]->setVisible(i >= 2);  // a natural person's names
        FraAdjuntar->setVisible(from2012);
        FraRectificatoria->setVisible(from2012);
        header->invalidate();
        return header->totalHeightForWidth(pageWidth);
    };
    const int content = std::max({need(true), need(false),
                                  TabDeclaraciones->widget(kTabTransacciones)->minimumSizeHint().height()});
    LblEstTecTra->setText(caption);
    for (size_t i = 0; i < std::size(toggled); ++i) toggled[i]->setVisible(shown[i]);
    const int target = std::max(kHeight, height() - page->height() + content);
    setMinimumHeight(target);
    resize(width(), target);
}

void Frm_KLV_Declara::udp_CargarEdit(LoadRead& r) {
    EditRead& e = *r.edit;
    const StoredHeader& h = e.header;
    if (!h.found) throw DbError(DbErr::NoCurrentRecord, QStringLiteral("No hay ningún registro activo."));

    MkePeriodo->setText(h.periodo);
    udp_CargaCombo(CboNumDoc, r.declarants);
    int declarant = e.declarant;
    if (e.outside) {
        // The chooser lists every stored declaration, also those of taxpayers outside the user's
        // list: the declarant joins the list, so that the form (its grid, totals, checks and save)
        // stays on the declaration chosen.
        outsideDeclarant_ = h.docIdD;
        CboNumDoc->addItem(e.outsideItem);
        declarant = CboNumDoc->count() - 1;
    }
    CboNumDoc->setCurrentIndex(declarant);
    applyDeclarant(e.names, e.namesFailure);
    (h.answer1 == QLatin1String("1") ? OptAutoMonExt_Si : OptAutoMonExt_No)->setChecked(true);
    (h.answer2 == QLatin1String("1") ? OptEstTecTra_Si : OptEstTecTra_No)->setChecked(true);
    TxtRUC->setText(h.rucAutor);
    // From 2012 the rectification answer; a declaration without its status row stays unanswered.
    if (decl::periodValue(h.periodo) >= 2012 && !h.rectifica.isEmpty())
        OptRectifica[h.rectifica == QLatin1String("1") ? 1 : 0]->setChecked(true);

    // The working copy was rebuilt, and the status bar, the number of parties, the mode and
    // gAutContExt set, by the opening's call.
    st_ = e.st;
    applyGrid(std::move(r.grid));
    if (ctx_.gAccion == 1) lockKey(true);
}

bool Frm_KLV_Declara::showModal() {
    setWindowModality(Qt::ApplicationModal);
    show();
    Form_Activate();
    // A loop of our own rather than exec(): the form hides itself while the transaction form or
    // the import dialog is open, and hiding must not end it.
    if (isVisible()) {
        QEventLoop loop;
        connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::DialogExec);
    }
    return closedInModify_;
}

void Frm_KLV_Declara::Form_Activate() {
    // Right after the load the grid and the totals already show this declaration's working copy:
    // a large one is not read twice while nothing has been written since (the stamp read now is
    // the one read before the grid's rows).
    const bool fromLoad =
        gridFromLoad_ && gridTipDoc_ == 6 && gridRuc_ == ruc() && gridPeriodo_ == MkePeriodo->text();
    gridFromLoad_ = false;
    const Database::ChangeStamp shown = gridStamp_;
    const QString r = ruc(), periodo = MkePeriodo->text();
    const bool study = !FraAdjuntar->isHidden() && period() >= 2012 && OptEstTecTra_Si->isChecked();
    DeclarationKey key;
    if (study) {
        gatherState();
        key = st_.key(ctx_);
    }
    ActivateRead a;
    try {
        WaitCursor wait;
        a = LongWork::call(ctx_, this, [fromLoad, shown, r, periodo, study, key](AppContext& w) {
            ActivateRead a;
            try {
                a.fresh = fromLoad && w.db().changeStamp() == shown;
            } catch (const std::exception&) {
                // In doubt the grid is read again, which reports what fails.
            }
            if (!a.fresh) a.grid = readGridKept(w, 6, r, periodo);
            // Behind another program's lock the study's read would wait as long again for the
            // same answer, which the grid's failure tells already.
            if (study && !heldByAnother(a.grid.failure)) {
                try {
                    a.study = readAttachedStudy(w, key);
                } catch (const std::exception&) {
                    a.studyFailure = std::current_exception();
                }
            }
            return a;
        });
    } catch (const std::exception& e) {
        reportFailure(e);
        return;
    }
    if (!a.fresh) {
        try {
            WaitCursor wait;
            applyGrid(std::move(a.grid));
        } catch (const std::exception& e) {
            reportFailure(e);
        }
    }
    if (study) {
        if (a.studyFailure) {
            reportFailure(a.studyFailure);
        } else if (a.study.found) {
            TxtRuta->setText(attachedStudyPath(a.study));  // shown from its end: the name
            TxtTam->setText(a.study.tamarc);
        }
    }
}

// --- Grid --------------------------------------------------------------------------------------

void Frm_KLV_Declara::applyGrid(GridRead g) {
    QLineEdit* const totals[] = {TxtMtoTran00, TxtMtoSinAju01, TxtMtoAju01, TxtMtoTran02, TxtMtoAjuPos02, TxtMtoAjuNeg02};
    if (g.failure) {
        // A failed read leaves the grid empty, without a count and without totals: it is no empty
        // result, and what was shown before belongs to another reading.
        model_->clear();
        lblNumTransacciones->clear();
        for (QLineEdit* box : totals) box->clear();
        std::rethrow_exception(g.failure);
    }
    gridTipDoc_ = g.tipDocD;
    gridRuc_ = g.ruc;
    gridPeriodo_ = g.periodo;
    gridStamp_ = g.stamp;
    model_->replace(std::move(g.grid));
    if (model_->rowCount() > 0) GrdTransacciones->setCurrentIndex(model_->index(0, 0));

    const DeclarationTotals& t = g.totals;
    const QString texts[] = {t.mtoTran00, t.mtoSinAju01, t.mtoAju01, t.mtoTran02, t.mtoAjuPos02, t.mtoAjuNeg02};
    for (int i = 0; i < 6; ++i) {
        if (g.totalsFailure)
            totals[i]->clear();
        else
            totals[i]->setText(texts[i]);
    }
    Label10[15]->setText(totalsCaption(OptAutoMonExt_Si->isChecked(), OptAutoMonExt_No->isChecked()));
    lblNumTransacciones->setText(countLabel(model_->totalRows()));
    if (g.totalsFailure) std::rethrow_exception(g.totalsFailure);
}

// --- Identification tab ------------------------------------------------------------------------

void Frm_KLV_Declara::CboNumDoc_Click() {
    const QString r = ruc();
    const bool ownOnly = r != outsideDeclarant_;
    DeclarantNames d;
    std::exception_ptr failure;
    try {
        d = LongWork::call(ctx_, this, [r, ownOnly](AppContext& w) { return readDeclarant(w, r, ownOnly); });
    } catch (const std::exception&) {
        failure = std::current_exception();
    }
    applyDeclarant(d, failure);
}

void Frm_KLV_Declara::applyDeclarant(const DeclarantNames& d, const std::exception_ptr& failure) {
    if (failure) reportFailure(failure);
    const QString r = ruc();
    const bool empresa = d.empresa();
    Label10[1]->setVisible(empresa);
    TxtRazsoc->setVisible(empresa);
    for (QWidget* w : {static_cast<QWidget*>(Label10[3]), static_cast<QWidget*>(Label10[4]),
                       static_cast<QWidget*>(Label10[5]), static_cast<QWidget*>(TxtNombre_1),
                       static_cast<QWidget*>(TxtApellido_P), static_cast<QWidget*>(TxtApellido_M)})
        w->setVisible(!empresa);
    showFromStart(TxtRazsoc, d.nombre);
    TxtNombre_1->setText(empresa ? QString() : d.nombre1);
    TxtApellido_P->setText(empresa ? QString() : d.apellidoP);
    TxtApellido_M->setText(empresa ? QString() : d.apellidoM);

    if (st_.mode == kModoNuevo) {
        MkePeriodo->setFocus();
        if (!r.trimmed().isEmpty()) clearAttachment();
    }
    setModified();
}

void Frm_KLV_Declara::MkePeriodo_Change() {
    if (MkePeriodo->text().size() != 4) return;
    applyPeriodLayout(kPreguntaEstTecCorta);
    if (st_.mode == kModoNuevo) clearAttachment();
    // From 2013 a declarant without the obligation names no author of the study.
    setRucAutorEnabled(!(period() >= 2013 && OptEstTecTra_No->isChecked()));
    if (!TxtRUC->isEnabled()) TxtRUC->clear();
}

void Frm_KLV_Declara::MkePeriodo_LostFocus() {
    if (CboNumDoc->currentText().isEmpty()) {
        udp_Mensaje(ctx_, 1, kFrmDeclara);
        CboNumDoc->setFocus();
        return;
    }
    if (!checkPeriodAndPublish()) return;
    applyPeriodLayout(kPreguntaEstTecCorta);
}

bool Frm_KLV_Declara::checkPeriodAndPublish() {
    bool lookup = false;
    if (!checkPeriodYear(lookup)) return false;
    if (!lookup) return true;
    const QString r = ruc(), periodo = MkePeriodo->text();
    bool exists = false;
    std::exception_ptr failure;
    try {
        exists = LongWork::call(ctx_, this, [r, periodo](AppContext& w) { return udf_Form_Existe(w, 6, r, periodo); });
    } catch (const std::exception&) {
        failure = std::current_exception();
    }
    return publishPeriod(exists, failure);
}

bool Frm_KLV_Declara::checkPeriodYear(bool& lookup) {
    const int p = period();
    lookup = false;
    if (p > ctx_.clock->year()) {
        udp_Mensaje(ctx_, 11, kFrmDeclara);
        return false;
    }
    lookup = p > 2005;
    return true;
}

bool Frm_KLV_Declara::publishPeriod(bool exists, const std::exception_ptr& failure) {
    if (failure) {
        reportFailure(failure);
        return false;
    }
    if (exists && st_.mode == kModoNuevo) {
        ctx_.msg(kMsgDeclaracionExiste, MsgStyle::Critical);
        return false;
    }
    if (ctx_.panels) {
        ctx_.panels->setPanelRuc(ruc());
        ctx_.panels->setPanelNombre(TxtRazsoc->text());
        ctx_.panels->setPanelPeriodo(MkePeriodo->text());
    }
    setModified();
    return true;
}

void Frm_KLV_Declara::applyPeriodLayout(const QString& shortCaption) {
    const bool from2012 = period() >= 2012;
    LblEstTecTra->setText(from2012 ? shortCaption : kPreguntaEstTecLarga);
    FraAdjuntar->setVisible(from2012);
    FraRectificatoria->setVisible(from2012);
}

void Frm_KLV_Declara::TabDeclaraciones_Click(int /*previousTab*/) {
    // Selecting a tab from inside this handler must not run it again: with an invalid header the
    // tabs would bounce, repeating every message.
    if (inTabHandler_) return;
    FlagScope guard(inTabHandler_);
    try {
        bool lookup = false;
        if (!CboNumDoc->currentText().isEmpty()) {
            if (!checkPeriodYear(lookup)) return;
        } else {
            udp_Mensaje(ctx_, 1, kFrmDeclara);
            CboNumDoc->setFocus();
        }
        const bool validate = TabDeclaraciones->currentIndex() == kTabTransacciones;
        if (lookup || validate) {
            // One call: whether the declaration is stored, then the header's checks and the 2008
            // rule (each showing its message as it runs) on the state as the period's check leaves
            // it.
            DeclarationState st = gatheredState();
            if (lookup && !st.loading) st.modified = true;
            const bool nuevo = st_.mode == kModoNuevo;
            const QString r = ruc(), periodo = MkePeriodo->text();
            TabRead t;
            try {
                t = LongWork::call(ctx_, this, [lookup, validate, st, nuevo, r, periodo](AppContext& w) {
                    TabRead t;
                    if (lookup) {
                        try {
                            t.exists = udf_Form_Existe(w, 6, r, periodo);
                        } catch (const std::exception&) {
                            t.existsFailure = std::current_exception();
                            return t;
                        }
                        if (t.exists && nuevo) return t;
                    }
                    if (validate) {
                        try {
                            t.header = udf_Validar(w, st);
                            t.validated = true;
                            t.rule2008 = udf_Validar_det_2008(w, st);
                        } catch (const std::exception&) {
                            t.failure = std::current_exception();
                        }
                    }
                    return t;
                });
            } catch (const std::exception& e) {
                if (!lookup) throw;
                reportFailure(e);
                return;
            }
            if (lookup && !publishPeriod(t.exists, t.existsFailure)) return;
            if (validate) {
                gatherState();
                if (t.validated) {
                    if (t.header.ok) {
                        setHelpContext(ctx_.help, this, kHelpTransacciones);
                    } else {
                        selectTab(kTabIdentificacion);
                        focusOn(t.header.focus);
                    }
                }
                if (t.failure) std::rethrow_exception(t.failure);
                if (!t.rule2008) selectTab(kTabTransacciones);
            }
        }
    } catch (const std::exception& e) {
        reportFailure(e);
    }
    if (TabDeclaraciones->currentIndex() == kTabIdentificacion) {
        setHelpContext(ctx_.help, this, kHelpIdentificacion);
        // The key and the answers the transactions depend on are locked while there are any.
        lockKey(model_->totalRows() > 0);
    } else {
        setHelpContext(ctx_.help, this, kHelpTransacciones);
    }
}

void Frm_KLV_Declara::OptAutoMonExt_Si_Click() {
    if (OptAutoMonExt_Si->isChecked()) st_.answer1 = QStringLiteral("1");
    setModified();
}

void Frm_KLV_Declara::OptAutoMonExt_No_Click() {
    if (OptAutoMonExt_No->isChecked()) st_.answer1 = QStringLiteral("0");
    setModified();
}

void Frm_KLV_Declara::OptEstTecTra_Si_Click() {
    const bool si = OptEstTecTra_Si->isChecked();
    if (si) st_.answer2 = QStringLiteral("1");
    if (period() >= 2012) {
        FraAdjuntar->setEnabled(si);
        if (!si) {
            TxtRuta->clear();
            TxtTam->clear();
        }
    }
    setRucAutorEnabled(true);
    setModified();
}

void Frm_KLV_Declara::OptEstTecTra_No_Click() {
    const bool no = OptEstTecTra_No->isChecked();
    if (no) st_.answer2 = QStringLiteral("0");
    if (period() >= 2012 && no) {
        FraAdjuntar->setEnabled(false);
        TxtRuta->clear();
        TxtTam->clear();
        // A new declaration forgets the study it had attached; a stored one keeps it, also when
        // a new declaration is typed over the key of a stored one.
        if (st_.mode == kModoNuevo) {
            try {
                gatherState();
                const DeclarationKey key = st_.key(ctx_);
                LongWork::call(ctx_, this, [key](AppContext& w) {
                    if (!udf_Form_Existe(w, key.tipDocD, key.docIdD, key.periodo)) deleteAttachedStudy(w, key);
                });
            } catch (const std::exception& e) {
                reportFailure(e);
            }
        }
    }
    if (period() >= 2013) {
        setRucAutorEnabled(false);
        TxtRUC->clear();
    }
    setModified();
}

void Frm_KLV_Declara::CmdAdjuntar_Click() {
    if (!ctx_.forms.importDialog) {
        ctx_.msg(kMsgEnDesarrollo, MsgStyle::Exclamation);
        return;
    }
    const OpenDeclaration decl = openDeclaration();
    ctx_.forms.importDialog(this, kCallerAttach, &decl);
    Form_Activate();
}

void Frm_KLV_Declara::TxtRuta_Change() {
    TxtRuta->setToolTip(TxtRuta->text());  // the whole path, however narrow the box
    if (period() < 2012) return;
    ChkETPT->setChecked(!TxtRuta->text().trimmed().isEmpty() && OptEstTecTra_Si->isChecked());
}

void Frm_KLV_Declara::OptRectifica_Click(int index) {
    st_.rectifica.clear();
    if (index == 0) st_.rectifica = QStringLiteral("0");
    if (index == 1) {
        st_.rectifica = QStringLiteral("1");
        if (!st_.loading) ctx_.msg(kMsgRecuerdeRectificar, MsgStyle::Exclamation, kCaptionDeclara);
    }
    setModified();
}

// --- Transactions tab ----------------------------------------------------------------------------

void Frm_KLV_Declara::CmdOpciones_Click(int index) {
    setModified();
    switch (index) {
    case 0:
        openTransactionForm(kModoNuevo);
        break;
    case 1:
        if (model_->totalRows() == 0) {
            udp_Mensaje(ctx_, 8, kFrmDeclara);
            return;
        }
        openTransactionForm(kModoModificar);
        break;
    case 2: {
        if (model_->totalRows() == 0) {
            udp_Mensaje(ctx_, 9, kFrmDeclara);
            return;
        }
        if (ctx_.msg(kMsgConfirmaEliminar, MsgStyle::YesNo | MsgStyle::Question | MsgStyle::DefaultButton2) !=
            MsgAnswer::Yes)
            return;
        const int row = std::max(0, GrdTransacciones->currentIndex().row());
        const DeclarationKey key{6, ruc().trimmed(), MkePeriodo->text().trimmed(), ctx_.gFormulario};
        const int tipDoc = gridTipDoc_;
        const QString gridRuc = gridRuc_, gridPeriodo = gridPeriodo_;
        GridRead g;
        try {
            // One call: the delete (another program's lock is waited for on the engine's thread,
            // with the windows painted), then the grid's query again with the arguments of its last
            // reload, the totals and the count.
            const Party party = model_->grid().party(row);
            const long cor = model_->grid().corTransaccion(row);
            g = LongWork::call(
                ctx_, this,
                [key, party, cor, tipDoc, gridRuc, gridPeriodo](AppContext& w) {
                    eliminarTransaccionTemporal(w, key, party, cor);
                    return readGridKept(w, tipDoc, gridRuc, gridPeriodo);
                },
                QStringLiteral("Eliminando la transacción..."));
        } catch (const std::exception& e) {
            reportFailure(e);
            return;
        }
        try {
            WaitCursor wait;
            applyGrid(std::move(g));
        } catch (const std::exception& e) {
            reportFailure(e);
        }
        break;
    }
    case 3: {
        if (CboNumDoc->currentText().isEmpty()) {
            udp_Mensaje(ctx_, 1, kFrmDeclara);
            CboNumDoc->setFocus();
            return;
        }
        if (!ctx_.forms.importDialog) {
            ctx_.msg(kMsgEnDesarrollo, MsgStyle::Exclamation);
            return;
        }
        const OpenDeclaration decl = openDeclaration();
        hiddenWhile([&] { ctx_.forms.importDialog(parentWidget(), kFrmDeclara, &decl); });
        break;
    }
    default:
        break;
    }
}

void Frm_KLV_Declara::openTransactionForm(const QString& mode) {
    if (!ctx_.forms.transaction) {
        ctx_.msg(kMsgEnDesarrollo, MsgStyle::Exclamation);
        return;
    }
    const OpenDeclaration decl = openDeclaration();
    TransactionKey key;
    if (mode == kModoModificar) {
        const int row = std::max(0, GrdTransacciones->currentIndex().row());
        key.declaration = DeclarationKey{6, ruc(), MkePeriodo->text(), ctx_.gFormulario};
        key.party = model_->grid().party(row);
        key.corTransaccion = model_->grid().corTransaccion(row);
    }
    hiddenWhile([&] {
        ctx_.forms.transaction(parentWidget(), mode, kFrmDeclara, decl, mode == kModoModificar ? &key : nullptr);
    });
}

void Frm_KLV_Declara::hiddenWhile(const std::function<void()>& openForm) {
    const QPoint at = pos();
    hide();
    openForm();
    move(at);
    show();
    Form_Activate();
}

// --- Buttons -------------------------------------------------------------------------------------

std::optional<ButtonOutcome> Frm_KLV_Declara::runButton(const QString& text, const QString& failure,
                                                        const std::function<ButtonOutcome(AppContext&, DeclarationState&,
                                                                                          const WorkProgress&)>& button) {
    // A click while a long work runs starts nothing.
    if (LongWork::running()) return std::nullopt;
    gatherState();
    DeclarationState st = st_;
    ButtonOutcome out;
    try {
        LongWork work(ctx_, this, text);
        out = work.run<ButtonOutcome>([&](AppContext& w, const WorkProgress& progress) { return button(w, st, progress); });
        st_ = st;
    } catch (const std::exception& e) {
        // The work could not begin (the engine could not open its connection).
        ctx_.msg(failure + failureText(e), MsgStyle::Critical);
        out = ButtonOutcome{};
    }
    focusOn(out.focus);
    if (out.selectTab >= 0) selectTab(out.selectTab);
    return out;
}

void Frm_KLV_Declara::CmdGrabar_Click() {
    const auto out = runButton(QStringLiteral("Grabando la declaración..."), kGrabarFallo,
                               [](AppContext& w, DeclarationState& st, const WorkProgress& progress) {
                                   return grabarDeclaracion(w, st, progress);
                               });
    if (out && out->ok) lockKey(true);
}

void Frm_KLV_Declara::CmdValidar_Click() {
    runButton(QStringLiteral("Validando la declaración..."), kValidarFallo,
              [](AppContext& w, DeclarationState& st, const WorkProgress& progress) {
                  return validarDeclaracion(w, st, progress);
              });
}

void Frm_KLV_Declara::cmdCancelar_Click() {
    if (LongWork::running()) return;
    if (st_.modified && ctx_.msg(kMsgGuardarCambios, MsgStyle::YesNo | MsgStyle::Question) == MsgAnswer::Yes) {
        CmdGrabar_Click();
        return;
    }
    model_->clear();
    if (ctx_.panels) {
        ctx_.panels->setPanelRuc(QString());
        ctx_.panels->setPanelNombre(QString());
        ctx_.panels->setPanelPeriodo(QString());
        ctx_.panels->setPanelFormulario(ctx_.gFormulario);
    }
    closedInModify_ = st_.mode == kModoModificar;
    if (closedInModify_) st_.mode.clear();
    closing_ = true;
    QDialog::done(QDialog::Accepted);
}

void Frm_KLV_Declara::reject() {
    // Escape leaves as Salir does.
    cmdCancelar_Click();
}

void Frm_KLV_Declara::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    // The window's close button leaves as Salir does (which may keep the form open).
    event->ignore();
    cmdCancelar_Click();
}

bool Frm_KLV_Declara::eventFilter(QObject* watched, QEvent* event) {
    if (watched == MkePeriodo || watched == TxtRUC) {
        if (event->type() == QEvent::KeyPress) {
            // Shift+Insert (and in the period box the context-menu key) empty the clipboard, so
            // nothing is pasted that way.
            auto* key = static_cast<QKeyEvent*>(event);
            const bool shiftInsert = key->key() == Qt::Key_Insert && key->modifiers() == Qt::ShiftModifier;
            const bool menuKey = watched == MkePeriodo && key->key() == Qt::Key_Menu;
            if (shiftInsert || menuKey) {
                QApplication::clipboard()->setText(QString());
                return true;
            }
        } else if (watched == MkePeriodo && event->type() == QEvent::FocusOut && !st_.loading && !closing_) {
            // Leaving the box for another control of the form (not another window or a popup).
            switch (static_cast<QFocusEvent*>(event)->reason()) {
            case Qt::MouseFocusReason:
            case Qt::TabFocusReason:
            case Qt::BacktabFocusReason:
            case Qt::ShortcutFocusReason:
            case Qt::OtherFocusReason:
                MkePeriodo_LostFocus();
                break;
            default:
                break;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

// --- Helpers -------------------------------------------------------------------------------------

void Frm_KLV_Declara::gatherState() { st_ = gatheredState(); }

DeclarationState Frm_KLV_Declara::gatheredState() const {
    DeclarationState st = st_;
    st.cboNumDoc = CboNumDoc->currentIndex() >= 0 ? CboNumDoc->currentText() : QString();
    st.razonSocial = TxtRazsoc->text();
    st.periodo = MkePeriodo->text();
    st.periodoEnabled = MkePeriodo->isEnabled();
    st.rucAutor = TxtRUC->text();
    st.rutaEstudio = TxtRuta->text();
    return st;
}

void Frm_KLV_Declara::setModified() {
    if (!st_.loading) st_.modified = true;
}

QString Frm_KLV_Declara::ruc() const { return CboNumDoc->currentText().left(11); }

int Frm_KLV_Declara::period() const { return decl::periodValue(MkePeriodo->text()); }

OpenDeclaration Frm_KLV_Declara::openDeclaration() const {
    OpenDeclaration d;
    d.cboNumDoc = CboNumDoc->currentText();
    d.periodo = MkePeriodo->text();
    d.answer1 = st_.answer1;
    d.answer2 = st_.answer2;
    return d;
}

void Frm_KLV_Declara::lockKey(bool locked) {
    for (QWidget* w : {static_cast<QWidget*>(CboNumDoc), static_cast<QWidget*>(MkePeriodo),
                       static_cast<QWidget*>(OptAutoMonExt_Si), static_cast<QWidget*>(OptAutoMonExt_No),
                       static_cast<QWidget*>(OptEstTecTra_Si), static_cast<QWidget*>(OptEstTecTra_No)})
        w->setEnabled(!locked);
}

void Frm_KLV_Declara::setRucAutorEnabled(bool enabled) {
    TxtRUC->setEnabled(enabled);
    QPalette p = TxtRUC->palette();
    // White when it may be typed in, the button face when not.
    p.setColor(QPalette::Base, enabled ? QColor(Qt::white) : palette().color(QPalette::Button));
    TxtRUC->setPalette(p);
}

void Frm_KLV_Declara::clearAttachment() {
    TxtRuta->clear();
    TxtTam->clear();
    ChkETPT->setChecked(false);
}

void Frm_KLV_Declara::focusOn(DeclFocus focus) {
    if (focus == DeclFocus::CboNumDoc)
        CboNumDoc->setFocus();
    else if (focus == DeclFocus::MkePeriodo && MkePeriodo->isEnabled())
        MkePeriodo->setFocus();
}

void Frm_KLV_Declara::selectTab(int index) { TabDeclaraciones->setCurrentIndex(index); }

void Frm_KLV_Declara::reportFailure(const std::exception& e) {
    ctx_.msg(QStringLiteral("No se pudo completar la operación.\r\n") + failureText(e), MsgStyle::Critical);
}

void Frm_KLV_Declara::reportFailure(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        reportFailure(e);
    }
}

}  // namespace klv
