#include "mdi_klv_pt.h"

#include "window_helpers.h"
#include "frm_cont_abrir.h"
#include "module_version.h"
#include "status_bar_view.h"
#include "status_panels.h"
#include "utilitarios.h"
#include "wait_cursor.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

namespace klv {
namespace {

constexpr int kTwipsPerPixel = 15;

// The fixed banner of the frame and the about box.
QPixmap bannerImage(QSize size) {
    QPixmap pm(size);
    pm.fill(QColor(0x1f, 0x4e, 0x79));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, size.width(), size.height());
    g.setColorAt(0, QColor(0x1f, 0x4e, 0x79));
    g.setColorAt(1, QColor(0x2e, 0x75, 0xb6));
    p.fillRect(pm.rect(), g);
    p.setPen(Qt::white);
    QFont big(QStringLiteral("Liberation Sans"));
    big.setPixelSize(size.height() / 3);
    big.setBold(true);
    p.setFont(big);
    p.drawText(pm.rect().adjusted(0, 0, 0, -size.height() / 4), Qt::AlignCenter, QStringLiteral("KLV"));
    QFont small = big;
    small.setPixelSize(std::max(10, size.height() / 9));
    small.setBold(false);
    p.setFont(small);
    p.drawText(pm.rect().adjusted(0, size.height() / 3, 0, 0), Qt::AlignCenter,
               QStringLiteral("Precios de Transferencia"));
    return pm;
}

}  // namespace

MDI_KLV_PT::MDI_KLV_PT(AppContext& ctx, QWidget* parent) : QMainWindow(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("MDI_KLV_PT"));
    setWindowTitle(QStringLiteral("8027 Precios de Transferencia - v ") + kVersionModulo);

    // Menus; every item is one action, shared with the toolbar where both do the same thing.
    QMenu* mnuDeclara = menuBar()->addMenu(QStringLiteral("&Declaraciones"));
    mnuDeclara->setObjectName(QStringLiteral("mnuDeclara"));
    QAction* nueva = addMenuAction(mnuDeclara, "mnuNueva", QStringLiteral("&Nueva"), &MDI_KLV_PT::mnuNueva_Click);
    QAction* modificar = addMenuAction(mnuDeclara, "mnuModificar", QStringLiteral("&Modificar"), &MDI_KLV_PT::mnuModificar_Click);
    QAction* eliminar = addMenuAction(mnuDeclara, "mnuEliminar", QStringLiteral("&Eliminar"), &MDI_KLV_PT::mnuEliminar_Click);
    mnuDeclara->addSeparator()->setObjectName(QStringLiteral("mnuLinea0"));
    addMenuAction(mnuDeclara, "mnuPartesvin", QStringLiteral("&Registro Informados"), &MDI_KLV_PT::mnuPartesvin_Click);
    mnuDeclara->addSeparator()->setObjectName(QStringLiteral("mnuLinea1"));
    QAction* imprimir = addMenuAction(mnuDeclara, "mnuImprimir", QStringLiteral("&Imprimir"), &MDI_KLV_PT::mnuImprimir_Click);
    mnuDeclara->addSeparator()->setObjectName(QStringLiteral("mnuLinea2"));
    QAction* salir = addMenuAction(mnuDeclara, "mnuSalir", QStringLiteral("&Salir"), &MDI_KLV_PT::mnuSalir_Click);

    // Present but switched off: its items are not reachable.
    QMenu* mnuDeclaraE = menuBar()->addMenu(QStringLiteral("Declaraciones &Enviadas"));
    mnuDeclaraE->setObjectName(QStringLiteral("mnuDeclaraE"));
    addMenuAction(mnuDeclaraE, "mnuModificarE", QStringLiteral("&Ver Declaraciones Enviadas"), &MDI_KLV_PT::mnuModificarE_Click);
    addMenuAction(mnuDeclaraE, "mnuEliminarE", QStringLiteral("&Eliminar"), &MDI_KLV_PT::mnuEliminarE_Click);
    mnuDeclaraE->addSeparator()->setObjectName(QStringLiteral("mnuLinea3"));
    addMenuAction(mnuDeclaraE, "mnuImprimirE", QStringLiteral("&Imprimir"), &MDI_KLV_PT::mnuImprimirE_Click);
    mnuDeclaraE->menuAction()->setEnabled(false);
    mnuDeclaraE->setEnabled(false);

    QMenu* mnuConsulta = menuBar()->addMenu(QStringLiteral("&Consultas"));
    mnuConsulta->setObjectName(QStringLiteral("mnuConsulta"));
    addMenuAction(mnuConsulta, "mnutipvins", QStringLiteral("Tipos de Vinculación"), &MDI_KLV_PT::mnutipvins_Click);
    addMenuAction(mnuConsulta, "mnupar", QStringLiteral("Paraisos Fiscales"), &MDI_KLV_PT::mnupar_Click);

    QMenu* mnuAyuda = menuBar()->addMenu(QStringLiteral("&Ayuda"));
    mnuAyuda->setObjectName(QStringLiteral("mnuAyuda"));
    QAction* contenido = addMenuAction(mnuAyuda, "mnuContenido", QStringLiteral("&Contenido de la Ayuda"), &MDI_KLV_PT::mnuContenido_Click);
    mnuAyuda->addSeparator()->setObjectName(QStringLiteral("mnuLinea4"));
    addMenuAction(mnuAyuda, "mnuAcercade", QStringLiteral("Acerca &de KLV"), &MDI_KLV_PT::mnuAcercade_Click);

    // Toolbar1: eleven buttons dispatched by index; 7, 9 and 10 are spacers.
    toolbar_ = addToolBar(QStringLiteral("Toolbar1"));
    toolbar_->setObjectName(QStringLiteral("Toolbar1"));
    toolbar_->setMovable(false);
    toolbar_->setIconSize(QSize(24, 24));
    QStyle* st = style();
    struct Button {
        int index;
        QAction* shared;
        const char* tip;
        QStyle::StandardPixmap icon;
    };
    const Button buttons[] = {
        {1, nueva, "Nueva", QStyle::SP_FileIcon},
        {2, modificar, "Modificar", QStyle::SP_FileDialogDetailedView},
        {3, eliminar, "Eliminar", QStyle::SP_TrashIcon},
        {4, nullptr, "Importar", QStyle::SP_ArrowDown},
        {5, imprimir, "Imprimir", QStyle::SP_FileDialogContentsView},
        {6, salir, "Salir", QStyle::SP_DialogCloseButton},
        {7, nullptr, nullptr, QStyle::SP_CustomBase},
        {8, nullptr, "Ver Declaración Enviada", QStyle::SP_FileDialogInfoView},
        {9, nullptr, nullptr, QStyle::SP_CustomBase},
        {10, nullptr, nullptr, QStyle::SP_CustomBase},
        {11, contenido, "Ayuda", QStyle::SP_MessageBoxQuestion},
    };
    for (const auto& b : buttons) {
        if (!b.tip) {
            QAction* spacer = toolbar_->addSeparator();
            spacer->setObjectName(QStringLiteral("Toolbar1_%1").arg(b.index));
            continue;
        }
        auto* act = new QAction(st->standardIcon(b.icon), QString(), this);
        act->setObjectName(QStringLiteral("Toolbar1_%1").arg(b.index));
        act->setToolTip(QString::fromUtf8(b.tip));
        const int index = b.index;
        connect(act, &QAction::triggered, this, [this, index] { Toolbar1_ButtonClick(index); });
        if (b.shared) b.shared->setIcon(act->icon());
        toolbar_->addAction(act);
    }

    // Picture1 with its fixed image.
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Picture1"));
    picture->setAlignment(Qt::AlignCenter);
    picture->setStyleSheet(QStringLiteral("background: #dfe6ee;"));
    auto* image = new QLabel(picture);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(bannerImage(QSize(420, 210)));
    auto* pl = new QVBoxLayout(picture);
    pl->addWidget(image, 0, Qt::AlignCenter);
    setCentralWidget(picture);

    // Window load.
    ctx_.gFormulario = QStringLiteral("8027");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    move(0, 0);
    resize(9555 / kTwipsPerPixel, 7320 / kTwipsPerPixel);
    helpFile_ = ctx_.gSysPath + QStringLiteral("8027/") + QStringLiteral("8027.hlp");
    statusBar()->setObjectName(QStringLiteral("BarradeEstadoKLV1"));
    if (ctx_.panels) {
        attachStatusPanels(*ctx_.panels, statusBar());
        ctx_.panels->setPanelEstado(0);
        ctx_.panels->setPanelRuc(QString());
        ctx_.panels->setPanelNombre(QString());
        ctx_.panels->setPanelPeriodo(QString());
        ctx_.panels->setPanelFormulario(ctx_.gFormulario);
    }
    ctx_.gAnioNoDom = 2016;
    qApp->installEventFilter(this);
}

QAction* MDI_KLV_PT::addMenuAction(QMenu* menu, const char* name, const QString& caption, void (MDI_KLV_PT::*slot)()) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, [this, slot] { (this->*slot)(); });
    return a;
}

void MDI_KLV_PT::enDesarrollo() { ctx_.msg(QStringLiteral("En Desarrollo."), MsgStyle::Exclamation); }

void MDI_KLV_PT::mnuNueva_Click() {
    if (!ctx_.gUtil || !ctx_.gUtil->udf_Habilitado()) return;
    ctx_.gAccion = 0;
    if (!ctx_.forms.declaration) {
        enDesarrollo();
        return;
    }
    bool again = false;
    {
        OpeningCursor hourglass;
        again = ctx_.forms.declaration(this, QStringLiteral("MDI_KLV_PT"), nullptr);
    }
    // A new declaration closed after its first save is in mode "Modificar": the chooser follows,
    // listing the declarations to modify.
    if (again) {
        ctx_.gAccion = 1;
        OpeningCursor hourglass;
        FrmContAbrir::run(ctx_, this);
    }
}

void MDI_KLV_PT::mnuModificar_Click() {
    ctx_.gAccion = 1;
    OpeningCursor hourglass;
    FrmContAbrir::run(ctx_, this);
}

void MDI_KLV_PT::mnuEliminar_Click() {
    ctx_.gAccion = 3;
    OpeningCursor hourglass;
    FrmContAbrir::run(ctx_, this);
}

void MDI_KLV_PT::mnuPartesvin_Click() {
    if (!ctx_.gUtil || !ctx_.gUtil->udf_Habilitado()) return;
    if (!ctx_.forms.partyRegister) {
        enDesarrollo();
        return;
    }
    OpeningCursor hourglass;
    ctx_.forms.partyRegister(this, QStringLiteral("MDI_KLV_PT"));
}

void MDI_KLV_PT::mnuImprimir_Click() {
    if (!ctx_.forms.printDialog) {
        enDesarrollo();
        return;
    }
    OpeningCursor hourglass;
    ctx_.forms.printDialog(this);
}

void MDI_KLV_PT::mnutipvins_Click() {
    if (!ctx_.forms.referenceList) {
        enDesarrollo();
        return;
    }
    ctx_.forms.referenceList(this, QStringLiteral("VINCULO"));
}

void MDI_KLV_PT::mnupar_Click() {
    if (!ctx_.forms.referenceList) {
        enDesarrollo();
        return;
    }
    ctx_.forms.referenceList(this, QStringLiteral("PARAISO"));
}

void MDI_KLV_PT::mnuModificarE_Click() { enDesarrollo(); }
void MDI_KLV_PT::mnuEliminarE_Click() { enDesarrollo(); }
void MDI_KLV_PT::mnuImprimirE_Click() { enDesarrollo(); }

void MDI_KLV_PT::Cargar_Ayuda() { Cargar_Ayuda(0); }

void MDI_KLV_PT::Cargar_Ayuda(int context) {
    if (!ctx_.help) return;
    if (context > 0) ctx_.help->showContext(helpFile_, context);
    else ctx_.help->showContents(helpFile_);
}

bool MDI_KLV_PT::eventFilter(QObject* watched, QEvent* event) {
    // The key reaches the focused control of the active window first: its form's context.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier) {
            // F1 in a message box does nothing: the box waits for its answer, and the help (or the
            // box saying it cannot open) would stack over it.
            const QWidget* in = static_cast<QWidget*>(watched);
            if (!qobject_cast<const QMessageBox*>(in->window())) Cargar_Ayuda(helpContextOf(in));
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MDI_KLV_PT::mnuContenido_Click() { Cargar_Ayuda(); }

void MDI_KLV_PT::mnuAcercade_Click() {
    OpeningCursor hourglass;
    frmAcercade about(this);
    about.exec();
}

void MDI_KLV_PT::Toolbar1_ButtonClick(int index) {
    switch (index) {
    case 1: mnuNueva_Click(); break;
    case 2: mnuModificar_Click(); break;
    case 3: mnuEliminar_Click(); break;
    case 4: enDesarrollo(); break;
    case 5: mnuImprimir_Click(); break;
    case 6: mnuSalir_Click(); break;
    case 8: enDesarrollo(); break;
    case 11: mnuContenido_Click(); break;
    default: break;
    }
}

void MDI_KLV_PT::releaseAndQuit() {
    if (leaving_) return;
    leaving_ = true;
    // Closes the shared database (on the engine's thread; a work still running keeps it until it
    // ends); nothing is saved.
    ctx_.engine.reset();
    QApplication::quit();
}

void MDI_KLV_PT::mnuSalir_Click() {
    releaseAndQuit();
    close();
}

void MDI_KLV_PT::closeEvent(QCloseEvent* event) {
    releaseAndQuit();
    event->accept();
}

frmAcercade::frmAcercade(QWidget* frame) : QDialog(frame) {
    setObjectName(QStringLiteral("frmAcercade"));
    setWindowTitle(QStringLiteral("Acerca de KLV "));
    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(bannerImage(QSize(120, 80)));
    auto* family = new QLabel(QStringLiteral("KLV"), this);
    family->setObjectName(QStringLiteral("lblFamilia"));
    QFont f = family->font();
    f.setPointSize(f.pointSize() + 8);
    f.setBold(true);
    family->setFont(f);
    auto* product = new QLabel(QStringLiteral("Precios de Transferencia"), this);
    product->setObjectName(QStringLiteral("lblProducto"));
    auto* version = new QLineEdit(this);
    version->setObjectName(QStringLiteral("txtVersion"));
    lockBox(version, true);
    version->setFrame(false);
    version->setText(QStringLiteral("Versión ") + kVersionModulo);
    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::StyledPanel);
    auto* ok = new QPushButton(QStringLiteral("&Aceptar"), this);
    ok->setObjectName(QStringLiteral("cmdAceptar"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(family);
    texts->addWidget(product);
    texts->addWidget(version);
    auto* top = new QHBoxLayout(panel);
    top->addWidget(image);
    top->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(line);
    layout->addWidget(ok, 0, Qt::AlignRight);
    resize(360, 200);
    if (frame) udp_CentrarForm(frame, this);
}

}  // namespace klv
