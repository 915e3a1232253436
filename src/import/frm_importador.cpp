#include "frm_importador.h"

#include "attachment.h"
#include "combo_fillers.h"
#include "param_lookups.h"
#include "declaration_header.h"
#include "help_service.h"
#include "import_error_report.h"
#include "report_writer.h"
#include "long_work.h"
#include "masked_edit.h"
#include "utilitarios.h"
#include "wait_cursor.h"
#include "window_helpers.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFontMetrics>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStorageInfo>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <mutex>
#include <optional>

namespace klv {
namespace {

using import::ImportMode;

const QString kCaption = QStringLiteral("Importador de Registros");
// The bar and the counts show once a run has lasted this long (milliseconds).
constexpr qint64 kPaintEvery = 40;
// Client area 7440 x 4815 twips, 1000 twips from the left and 700 from the top of the screen.
constexpr int kWidth = 7440 / 15;
constexpr int kHeight = 4815 / 15;
constexpr int kLeft = 1000 / 15;
constexpr int kTop = 700 / 15;

QLabel* caption(const QString& name, const QString& text) {
    auto* l = named<QLabel>(name, text);
    l->setTextFormat(Qt::PlainText);
    return l;
}

QPushButton* pushButton(const QString& name, const QString& text) {
    auto* b = named<QPushButton>(name, text);
    b->setAutoDefault(false);
    return b;
}

// The roots of the mounted volumes a user keeps files on, the root folder first.
QStringList volumeRoots() {
    QStringList roots{QStringLiteral("/")};
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (!v.isValid() || !v.isReady() || !v.device().startsWith("/dev/")) continue;
        if (!roots.contains(v.rootPath())) roots << v.rootPath();
    }
    return roots;
}

}  // namespace

FrmImportador::FrmImportador(AppContext& ctx, import::ImportRunner runner, QWidget* parent)
    : QDialog(parent), ctx_(ctx), runner_(std::move(runner)) {
    setObjectName(QStringLiteral("FrmImportador"));
    setWindowTitle(kCaption);
    useDesignFont(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    // Declarant and period.
    Frame1 = named<QGroupBox>(QStringLiteral("Frame1"), QStringLiteral("Declarante"));
    OptTransac = named<QRadioButton>(QStringLiteral("OptTransac"), QStringLiteral("Transacciones"));
    OptParVin = named<QRadioButton>(QStringLiteral("OptParVin"), QStringLiteral("Partes Vinculadas"));
    OptParVin->setChecked(true);
    Label7[0] = caption(QStringLiteral("Label7_0"), QStringLiteral("Ruc :"));
    Label7[1] = caption(QStringLiteral("Label7_1"), QStringLiteral("Periodo :"));
    CboNumDoc = named<QComboBox>(QStringLiteral("CboNumDoc"));
    CboNumDoc->setMinimumContentsLength(11);
    CboNumDoc->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    // The declarant's name only shows the declarant chosen by the opener: disabled, it neither
    // takes the focus nor looks as if it took typing.
    TxtRazon_Social = named<QLineEdit>(QStringLiteral("TxtRazon_Social"));
    TxtRazon_Social->setEnabled(false);
    MkePeriodo = named<MaskedEdit>(QStringLiteral("MkePeriodo"), QStringLiteral("0000;_"));
    MkePeriodo->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    // The mode's option shares the period's row (the period is hidden for parties).
    auto* options = new QHBoxLayout;
    options->addStretch(1);
    options->addWidget(OptTransac);
    options->addWidget(OptParVin);
    auto* g1 = new QGridLayout(Frame1);
    g1->setContentsMargins(6, 4, 6, 4);
    g1->setVerticalSpacing(4);
    g1->addWidget(Label7[0], 0, 0);
    g1->addWidget(CboNumDoc, 0, 1);
    g1->addWidget(TxtRazon_Social, 0, 2);
    g1->addWidget(Label7[1], 1, 0);
    g1->addWidget(MkePeriodo, 1, 1, Qt::AlignLeft);
    g1->addLayout(options, 1, 2);
    g1->setColumnStretch(2, 1);

    // Folder and file.
    Frame2 = named<QGroupBox>(QStringLiteral("Frame2"), QStringLiteral("Archivo"));
    Label1 = caption(QStringLiteral("Label1_1"),
                     QStringLiteral("Seleccione la unidad y el directorio desde el que se desea importar la información :"));
    Label1->setWordWrap(true);
    Drive1 = named<QComboBox>(QStringLiteral("Drive1"));
    Drive1->addItems(volumeRoots());
    // The folder list: the open folder with the folders above it, then its subfolders; a double
    // click (or Enter) opens one. It takes every pixel the file list leaves; each name stays on
    // one line under the indent of its depth, and a name longer than the list scrolls sideways.
    DirDirectorio = named<QListWidget>(QStringLiteral("DirDirectorio"));
    DirDirectorio->setSelectionMode(QAbstractItemView::SingleSelection);
    DirDirectorio->setWordWrap(false);
    DirDirectorio->setTextElideMode(Qt::ElideNone);
    DirDirectorio->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    DirDirectorio->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    DirDirectorio->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    DirDirectorio->setMinimumWidth(DirDirectorio->fontMetrics().averageCharWidth() * 16);
    DirDirectorio->setMinimumHeight(DirDirectorio->fontMetrics().height() * 8);
    // The file list shows at most the mode's one name: it is as wide as that name (see Form_Load).
    File1 = named<QListWidget>(QStringLiteral("File1"));
    File1->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* g2 = new QGridLayout(Frame2);
    g2->setContentsMargins(6, 4, 6, 6);
    g2->addWidget(Label1, 0, 0, 1, 2);
    g2->addWidget(Drive1, 1, 0);
    g2->addWidget(DirDirectorio, 2, 0);
    g2->addWidget(File1, 1, 1, 2, 1);
    g2->setColumnStretch(0, 1);
    g2->setRowStretch(2, 1);

    // Results, progress and the buttons.
    Frame3 = named<QGroupBox>(QStringLiteral("Frame3"), QStringLiteral("Resultados de la Importación"));
    LblActualizados = caption(QStringLiteral("LblActualizados"), import::textoActualizados(0));
    lblRechazados = caption(QStringLiteral("lblRechazados"), import::textoRechazados(0));
    lblTransferidos = caption(QStringLiteral("lblTransferidos"), import::textoTransferidos(0));
    PrgAvance = named<QProgressBar>(QStringLiteral("PrgAvance"));
    PrgAvance->setRange(0, 1000);
    PrgAvance->setValue(0);
    PrgAvance->setTextVisible(false);
    // The bar stands only while a run lasts, so that no box of the run's outcome is shown beside a
    // bar; its room stays, so that nothing moves when it appears.
    QSizePolicy keepRoom = PrgAvance->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    PrgAvance->setSizePolicy(keepRoom);
    PrgAvance->hide();
    CmdDetener = pushButton(QStringLiteral("CmdDetener"), QStringLiteral("Cancelar"));
    CmdDetener->setEnabled(false);
    auto* v3 = new QVBoxLayout(Frame3);
    v3->setContentsMargins(6, 4, 6, 4);
    v3->addWidget(lblTransferidos);
    v3->addWidget(LblActualizados);
    v3->addWidget(lblRechazados);
    v3->addWidget(PrgAvance);
    v3->addWidget(CmdDetener, 0, Qt::AlignRight);
    v3->addStretch(1);
    cmdTransferir = pushButton(QStringLiteral("cmdTransferir"), QStringLiteral("&Aceptar"));
    cmdCancelar = pushButton(QStringLiteral("cmdCancelar"), QStringLiteral("&Salir"));

    auto* right = new QVBoxLayout;
    right->addWidget(Frame3, 1);
    right->addStretch(0);
    right->addWidget(cmdTransferir);
    right->addWidget(cmdCancelar);
    auto* lower = new QHBoxLayout;
    lower->addWidget(Frame2, 1);
    lower->addLayout(right);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(Frame1);
    layout->addLayout(lower, 1);

    connect(CboNumDoc, qOverload<int>(&QComboBox::activated), this, [this](int) { CboNumDoc_Click(); });
    connect(Drive1, qOverload<int>(&QComboBox::activated), this, [this](int) { Drive1_Change(); });
    connect(DirDirectorio, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { setDirectory(item->data(Qt::UserRole).toString()); });
    connect(cmdTransferir, &QPushButton::clicked, this, [this] { cmdTransferir_Click(); });
    connect(cmdCancelar, &QPushButton::clicked, this, [this] { cmdCancelar_Click(); });
    connect(CmdDetener, &QPushButton::clicked, this, [this] { CmdDetener_Click(); });
}

FrmImportador::~FrmImportador() = default;

OpenerRefresh FrmImportador::run(AppContext& ctx, QWidget* parent, const QString& caller,
                                 const OpenDeclaration* opener, import::ImportRunner runner) {
    FrmImportador dlg(ctx, std::move(runner), parent);
    dlg.udp_Def_Caller(caller);
    dlg.Form_Load(opener);
    dlg.exec();
    return dlg.salida();
}

void FrmImportador::udp_Def_Caller(const QString& caller) { sCaller_ = caller; }

QString FrmImportador::ruc() const { return CboNumDoc->currentIndex() < 0 ? QString() : CboNumDoc->currentText().left(11); }

void FrmImportador::Form_Load(const OpenDeclaration* opener) {
    WaitCursor wait;
    if (opener) opener_ = *opener;
    resize(std::max(kWidth, minimumSizeHint().width()), std::max(kHeight, minimumSizeHint().height()));
    move(kLeft, kTop);

    // One call reads the taxpayers of the combo and, when the opener's declarant is among them,
    // its name; the widgets are filled afterwards in their order.
    struct Loaded {
        QStringList items;
        int found = -1;
        DeclarantName name;
    };
    const ImportMode mode = import::modoDeCaller(sCaller_);
    const QString openerText = opener_.cboNumDoc;
    std::optional<Loaded> loaded;
    udp_AnchoListaCombo(this, CboNumDoc, 75);
    try {
        loaded = LongWork::call(ctx_, this, [mode, openerText](AppContext& w) {
            Loaded out;
            out.items = udf_ItemsContribuyentes(w, QStringLiteral("6"));
            if (mode != ImportMode::Ninguno) {
                out.found = import::indiceDeclarante(out.items, openerText);
                if (out.found >= 0) out.name = readName(w, out.items[out.found].left(11));
            }
            return out;
        });
        udp_CargaCombo(CboNumDoc, loaded->items);
    } catch (const std::exception& e) {
        ctx_.msg(failureText(e), MsgStyle::Critical);
    }
    CboNumDoc->setCurrentIndex(-1);

    // The folder view opens on the current folder.
    const QString here = QDir::currentPath();
    const int drive = Drive1->findText(QStorageInfo(here).rootPath());
    if (drive >= 0) Drive1->setCurrentIndex(drive);
    setDirectory(here);

    mode_ = mode;
    if (mode_ != ImportMode::Ninguno) {
        if (loaded && loaded->found >= 0) {
            CboNumDoc->setCurrentIndex(loaded->found);
            showName(loaded->name);
        }
        CboNumDoc->setEnabled(false);
    }
    switch (mode_) {
    case ImportMode::Partes:
        gTipoImportacion_ = 0;
        sRuc_ = opener_.cboNumDoc.left(11);
        MkePeriodo->hide();
        Label7[1]->hide();
        OptTransac->hide();
        OptParVin->setChecked(true);
        OptParVin->setEnabled(false);
        break;
    case ImportMode::Transacciones:
    case ImportMode::Adjunto:
        gTipoImportacion_ = 1;
        OptParVin->hide();
        OptTransac->setChecked(true);
        OptTransac->setEnabled(false);
        MkePeriodo->setText(opener_.periodo);
        MkePeriodo->show();
        Label7[1]->show();
        MkePeriodo->setEnabled(false);
        if (mode_ == ImportMode::Adjunto) {
            OptTransac->hide();
            Frame3->hide();
        }
        break;
    case ImportMode::Ninguno:
        break;
    }
    // Without a declarant nothing is listed: the name would lose its RUC.
    pattern_ = import::patronArchivo(mode_, ruc(), MkePeriodo->text(), ctx_.gFormulario);
    fitFileList();
    refreshFileList();
    if (mode_ != ImportMode::Ninguno) setHelpContext(ctx_.help, this, import::ayudaDeModo(mode_));
    focusFirstControl(this);
}

FrmImportador::DeclarantName FrmImportador::readName(AppContext& w, const QString& ruc) {
    try {
        return {import::nombreDeclarante(w, ruc), QString()};
    } catch (const std::exception& e) {
        return {QString(), failureText(e)};
    }
}

void FrmImportador::showName(const DeclarantName& name) {
    if (!name.failure.isEmpty()) {
        ctx_.msg(name.failure, MsgStyle::Critical);
        return;
    }
    showFromStart(TxtRazon_Social, name.nombre);
}

void FrmImportador::CboNumDoc_Click() {
    DeclarantName name;
    try {
        const QString r = ruc();
        name = LongWork::call(ctx_, this, [r](AppContext& w) { return readName(w, r); });
    } catch (const std::exception& e) {
        name.failure = failureText(e);  // refused while another work runs
    }
    showName(name);
}

void FrmImportador::Drive1_Change() { setDirectory(Drive1->currentText()); }

void FrmImportador::setDirectory(const QString& path) {
    if (running_) return;
    const QFileInfo info(path);
    // A folder that cannot be read leaves the lists as they were.
    if (!info.isDir() || !info.isReadable()) return;
    DirDirectorio_Change(QDir::cleanPath(info.absoluteFilePath()));
}

void FrmImportador::DirDirectorio_Change(const QString& path) {
    if (running_ || path.isEmpty()) return;
    sDirectorio_ = path;
    fillFolderList();
    refreshFileList();
}

void FrmImportador::fillFolderList() {
    DirDirectorio->clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    auto add = [this](const QString& text, const QString& path, int depth, const QIcon& icon) {
        auto* item = new QListWidgetItem(icon, QString(depth * 2, QLatin1Char(' ')) + text, DirDirectorio);
        item->setData(Qt::UserRole, path);
        return item;
    };
    // The folders from the root down to the open one.
    QStringList chain;
    for (QDir d(sDirectorio_);; ) {
        chain.prepend(d.absolutePath());
        if (d.isRoot() || !d.cdUp()) break;
    }
    int depth = 0;
    QListWidgetItem* current = nullptr;
    for (const QString& p : chain) {
        const QString name = QDir(p).isRoot() ? p : QFileInfo(p).fileName();
        current = add(name, p, depth++, open);
    }
    const QStringList subs = QDir(sDirectorio_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& sub : subs) add(sub, QDir(sDirectorio_).filePath(sub), depth, closed);
    if (current) {
        DirDirectorio->setCurrentItem(current);
        DirDirectorio->scrollToItem(current);
    }
}

void FrmImportador::fitFileList() {
    // The list is compared without case, so the name may be listed in either case: each character
    // is given the room of its wider case.
    const QFontMetrics fm = File1->fontMetrics();
    int text = fm.averageCharWidth() * 8;
    int name = 0;
    for (const QChar c : pattern_)
        name += std::max(fm.horizontalAdvance(c.toUpper()), fm.horizontalAdvance(c.toLower()));
    text = std::max(text, name);
    const int itemMargins = 2 * (File1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, File1) + 1);
    File1->setFixedWidth(text + itemMargins + 2 * File1->frameWidth() + 4);
}

void FrmImportador::refreshFileList() {
    File1->clear();
    File1->addItems(import::archivosDelPatron(sDirectorio_, pattern_));
}

void FrmImportador::cmdTransferir_Click() {
    if (running_) return;
    if (ctx_.gUtil && !ctx_.gUtil->udf_Habilitado()) return;

    // The entry the user selected (a name may be listed in two cases), else the first one.
    const QList<QListWidgetItem*> chosen = File1->selectedItems();
    const bool selected = !chosen.isEmpty();
    const QString listed = selected ? chosen.front()->text() : File1->count() > 0 ? File1->item(0)->text() : QString();
    if (Frame3->isHidden()) {
        import::AttachNotice notice;
        try {
            // The study's digest (a file of any size) and its row are made on the engine's thread.
            WaitCursor wait;
            const QString folder = sDirectorio_, r = ruc(), periodo = MkePeriodo->text();
            LongWork work(ctx_, this, QStringLiteral("Adjuntando el estudio..."));
            notice = work.run<import::AttachNotice>([folder, listed, selected, r, periodo](AppContext& w, const WorkProgress&) {
                return import::adjuntarEstudio(w, folder, listed, selected, r, periodo);
            });
        } catch (const std::exception& e) {
            ctx_.msg(failureText(e), MsgStyle::Critical);
            return;
        }
        ctx_.msg(notice.text, notice.style, notice.dialogTitle ? kCaption : ctx_.gTitulo);
        return;
    }
    if (listed.isEmpty()) {
        ctx_.msg(QStringLiteral("No se encontro Archivo de importación"), MsgStyle::Exclamation);
        return;
    }
    if (!selected) {
        ctx_.msg(QStringLiteral("No seleccionó Archivo de importación"), MsgStyle::Exclamation);
        return;
    }
    const QString path = import::joinPath(sDirectorio_, listed);
    if (!QFileInfo(path).isFile()) {
        // The file went away after it was listed.
        refreshFileList();
        ctx_.msg(QStringLiteral("No se encontro Archivo de importación"), MsgStyle::Exclamation);
        return;
    }

    import::ImportRequest req;
    if (OptParVin->isChecked()) {
        req.kind = import::ImportKind::Partes;
        req.ruc = sRuc_;
    } else {
        req.kind = import::periodoNumero(MkePeriodo->text()) < 2012 ? import::ImportKind::TransaccionesAntes2012
                                                                     : import::ImportKind::Transacciones2012;
        req.ruc = ruc();
        req.periodo = MkePeriodo->text();
        req.answer1 = opener_.answer1;
        req.answer2 = opener_.answer2;
    }
    req.razonSocial = TxtRazon_Social->text();
    req.filePath = path;
    req.rptPath = ctx_.gRptPath;
    if (!runner_) {
        ctx_.msg(kMsgEnDesarrollo, MsgStyle::Exclamation);
        return;
    }

    setRunning(true);
    import::ImportOutcome out;
    try {
        WaitCursor wait;
        // The run goes on the engine's thread; the dialog repaints its bar and counts from what the
        // run last reported, and "Cancelar" alone takes input meanwhile.
        std::mutex lock;
        import::ImportProgress last;
        LongWork work(ctx_, [&] {
            {
                const std::lock_guard<std::mutex> held(lock);
                progress_ = last;
            }
            paintProgress();
        });
        work.allowInput(CmdDetener);
        // No box stands beside the bar.
        work.aroundBoxes([this] { PrgAvance->setVisible(false); }, [this] { PrgAvance->setVisible(true); });
        // The run's own: the runner and the request copied, the last report and the stop flag shared.
        std::atomic<bool>& stop = stopRequested_;
        out = work.run<import::ImportOutcome>([runner = runner_, req, &lock, &last, &stop](AppContext& w, const WorkProgress&) {
            return runner(w, req, [&](const import::ImportProgress& p) {
                const std::lock_guard<std::mutex> held(lock);
                last = p;
                return !stop.load();
            });
        });
    } catch (const std::exception& e) {
        // No outcome: the run's connection could not be opened (DbError), another work was
        // computing (WorkRefused), or the run threw (the import core returns its own failures in
        // the outcome).
        setRunning(false);
        ctx_.msg(failureText(e), MsgStyle::Critical);
        return;
    }
    setRunning(false);
    showOutcome(out);
}

void FrmImportador::paintProgress() {
    if (runClock_.elapsed() < kPaintEvery) return;
    PrgAvance->setVisible(true);
    if (!progress_.comprobando) showCounts(progress_.counts);
    PrgAvance->setValue(progress_.bytesTotal > 0 ? static_cast<int>(progress_.bytesLeidos * 1000 / progress_.bytesTotal) : 0);
}

void FrmImportador::showCounts(const import::ImportCounts& c) {
    lblTransferidos->setText(import::textoTransferidos(c.transferidos));
    LblActualizados->setText(import::textoActualizados(c.actualizados));
    lblRechazados->setText(import::textoRechazados(c.rechazados));
}

void FrmImportador::showOutcome(const import::ImportOutcome& out) {
    if (out.status != import::ImportOutcome::Status::ArchivoRechazado) showCounts(out.counts);
    if (!out.lblTransferidos.isEmpty()) lblTransferidos->setText(out.lblTransferidos);
    if (!out.lblActualizados.isEmpty()) LblActualizados->setText(out.lblActualizados);
    if (!out.lblRechazados.isEmpty()) lblRechazados->setText(out.lblRechazados);
    if (!out.message.isEmpty()) ctx_.msg(out.message, out.style, out.title.isEmpty() ? ctx_.gTitulo : out.title);
    if (out.status == import::ImportOutcome::Status::Terminado && out.counts.rechazados > 0) offerReport(out);
}

void FrmImportador::offerReport(const import::ImportOutcome& out) {
    const bool parties = mode_ == ImportMode::Partes;
    const bool see = ctx_.msg(import::preguntaRechazados(out.logPath),
                              MsgStyle::YesNo | MsgStyle::Question | MsgStyle::DefaultButton2,
                              QStringLiteral("Confirmar")) == MsgAnswer::Yes;
    // Declined, the party import files its report under "DE0003".
    const QString code = !see && parties ? QStringLiteral("DE0003") : QStringLiteral("PTR003");
    const QString ruc = parties ? sRuc_.trimmed() : this->ruc();
    try {
        const QString razonSocial = TxtRazon_Social->text();
        LongWork work(ctx_, this, QStringLiteral("Escribiendo el reporte..."));
        const auto [name, r] = work.run<std::pair<QString, ImportErrorReportResult>>(
            [code, ruc, razonSocial, parties](AppContext& w, const WorkProgress& progress) {
                const QString spool = udf_NumeroSpoolReporte(w, code, Declarant{6, ruc});
                if (spool.isEmpty()) return std::make_pair(spool, ImportErrorReportResult{});  // told already
                return std::make_pair(
                    spool, udp_ReporteErroresImportacion(w, parties ? 0 : 1, ruc, razonSocial, spool, progress));
            });
        if (!r.ok || !see) return;
        if (ctx_.forms.showReport) ctx_.forms.showReport(this, name, QStringLiteral("Vprevia"));
    } catch (const std::exception& e) {
        ctx_.msg(failureText(e), MsgStyle::Critical);
    }
}

void FrmImportador::setRunning(bool on) {
    running_ = on;
    stopRequested_ = false;
    // The bar and the counts come once the run has lasted kPaintEvery: a short run shows its outcome
    // without first laying out the dialog with its bar.
    runClock_.start();
    progress_ = {};
    PrgAvance->setValue(0);
    PrgAvance->setVisible(false);
    for (QWidget* w : {static_cast<QWidget*>(cmdTransferir), static_cast<QWidget*>(cmdCancelar),
                       static_cast<QWidget*>(Drive1), static_cast<QWidget*>(DirDirectorio),
                       static_cast<QWidget*>(File1)})
        w->setEnabled(!on);
    CmdDetener->setEnabled(on);
}

void FrmImportador::CmdDetener_Click() {
    if (running_) stopRequested_ = true;
}

void FrmImportador::leave() {
    if (left_) return;
    left_ = true;
    switch (mode_) {
    case ImportMode::Partes:
        salida_ = {OpenerRefresh::Kind::Partes, 6, opener_.cboNumDoc.left(11), QString()};
        break;
    case ImportMode::Transacciones:
        salida_ = {OpenerRefresh::Kind::Declaracion, 6, opener_.cboNumDoc.left(11), opener_.periodo};
        break;
    default:
        salida_ = {};
        break;
    }
}

void FrmImportador::cmdCancelar_Click() {
    if (running_) return;
    leave();
    done(QDialog::Rejected);
}

void FrmImportador::closeEvent(QCloseEvent* event) {
    // The close box does what "&Salir" does; during a run it does nothing.
    if (running_) {
        event->ignore();
        return;
    }
    leave();
    QDialog::closeEvent(event);
}

void FrmImportador::reject() {
    if (running_) return;
    leave();
    QDialog::reject();
}

}  // namespace klv
