#include "klv_host_window.h"

#include "database.h"
#include "host_env.h"
#include "host_launch.h"
#include "ini_file.h"
#include "message_service.h"

#include <QEvent>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace klv::host {
namespace {

const QString kCaption = QStringLiteral("KLV");

QLineEdit* field(QWidget* parent, const char* name, const QString& text, int maxLength, const QString& pattern) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setMaxLength(maxLength);
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), e));
    return e;
}

}  // namespace

QPoint placeInside(const QRect& available, const QSize& frame, const QPoint& wanted) {
    const int x = std::max(available.left(), std::min(wanted.x(), available.right() + 1 - frame.width()));
    const int y = std::max(available.top(), std::min(wanted.y(), available.bottom() + 1 - frame.height()));
    return {x, y};
}

HostMainWindow::HostMainWindow(MessageService& messages, QString programFolder, QWidget* parent)
    : QMainWindow(parent), messages_(messages), programFolder_(std::move(programFolder)) {
    setWindowTitle(kCaption);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* title = new QLabel(QStringLiteral("<b>Integrador del KLV</b> (sustituto para pruebas)"), central);
    layout->addWidget(title);
    lblEntorno_ = new QLabel(central);
    lblEntorno_->setObjectName(QStringLiteral("LblEntorno"));
    lblEntorno_->setWordWrap(true);
    layout->addWidget(lblEntorno_);

    auto* cmdModulo = new QPushButton(QStringLiteral("Iniciar &8027 Precios de Transferencia"), central);
    cmdModulo->setObjectName(QStringLiteral("CmdModulo"));
    connect(cmdModulo, &QPushButton::clicked, this, &HostMainWindow::CmdModulo_Click);
    layout->addWidget(cmdModulo);

    auto* box = new QGroupBox(QStringLiteral("Resumen de envío (8027REP)"), central);
    auto* form = new QFormLayout(box);
    txtRuc_ = field(box, "TxtRuc", QString::fromLatin1(kDemoRucEmpresa), 11, QStringLiteral("\\d{0,11}"));
    txtPeriodo_ = field(box, "TxtPeriodo", QString(), 6, QStringLiteral("\\d{0,6}"));
    txtCodEnvio_ = field(box, "TxtCodEnvio", QStringLiteral("1"), 1, QStringLiteral("\\w?"));
    txtNroEnvio_ = field(box, "TxtNroEnvio", QStringLiteral("1"), 7, QStringLiteral("\\d{0,7}"));
    form->addRow(QStringLiteral("RUC del declarante :"), txtRuc_);
    form->addRow(QStringLiteral("Periodo (AAAA o AAAAMM) :"), txtPeriodo_);
    form->addRow(QStringLiteral("Código de envío :"), txtCodEnvio_);
    form->addRow(QStringLiteral("Número de envío :"), txtNroEnvio_);
    auto* cmdResumen = new QPushButton(QStringLiteral("Imprimir &Resumen de Envío"), box);
    cmdResumen->setObjectName(QStringLiteral("CmdResumen"));
    connect(cmdResumen, &QPushButton::clicked, this, &HostMainWindow::CmdResumen_Click);
    form->addRow(cmdResumen);
    layout->addWidget(box);
    layout->addStretch();
    setCentralWidget(central);
    showEnvironment();
    // As tall as its contents need at its width, the environment's lines wrapped.
    resize(460, std::max(central->heightForWidth(460), minimumSizeHint().height()));
}

void HostMainWindow::showEnvironment() {
    // The environment in use: QM000.INI of the Windows directory. Missing host tables are created
    // in an existing database; nothing else is changed.
    const QString ini = ini::resolve(QStringLiteral("QM000.INI"));
    const QString section = QStringLiteral("Options");
    const QString sysPath = ini::readString(section, QStringLiteral("SysPath"), QString(), ini).trimmed();
    const QString dbFile = ini::readString(section, QStringLiteral("DBPath"), QString(), ini).trimmed() +
                           ini::readString(section, QStringLiteral("DBName"), QString(), ini).trimmed();
    QString text = QStringLiteral("Configuración: %1").arg(ini);
    if (sysPath.isEmpty()) {
        text += QStringLiteral("\nNo hay entorno: prepárelo con «klv-host --init CARPETA» y defina KLV_WINDIR.");
    } else if (!QFileInfo::exists(dbFile)) {
        text += QStringLiteral("\nNo se encontró la base de datos %1.").arg(dbFile);
    } else {
        try {
            auto db = Database::open(dbFile);
            createHostTables(*db);
            text += QStringLiteral("\nBase de datos: %1").arg(dbFile);
        } catch (const DbError& e) {
            text += QStringLiteral("\nBase de datos %1: %2").arg(dbFile, e.text());
        }
    }
    lblEntorno_->setText(text);
}

void HostMainWindow::placeOnScreen(const QPoint& wanted) {
    if (!isVisible()) wanted_ = wanted;
    const QScreen* where = screen();
    if (!where) return;
    // move() places the frame's corner; the frame's size is known once a window manager framed it,
    // and before the first show the window has not yet grown to what its contents need.
    const QSize client = size().expandedTo(minimumSizeHint());
    move(placeInside(where->availableGeometry(), client + (frameGeometry().size() - size()), wanted));
}

bool HostMainWindow::event(QEvent* event) {
    // A window manager frames the window when it is first shown and then activates it.
    if (event->type() == QEvent::WindowActivate && wanted_) {
        const QPoint wanted = *wanted_;
        wanted_.reset();
        placeOnScreen(wanted);
    }
    return QMainWindow::event(event);
}

void HostMainWindow::CmdModulo_Click() {
    QString error;
    if (!launch(siblingProgram(QStringLiteral("QM8027"), programFolder_), {}, &error))
        messages_.show(error, MsgStyle::Exclamation, kCaption);
}

QString HostMainWindow::commandLineFromForm() {
    const QString ruc = txtRuc_->text().trimmed();
    const QString periodo = txtPeriodo_->text().trimmed();
    if (ruc.size() != 11) {
        messages_.show(QStringLiteral("Ingrese el RUC del declarante (11 dígitos)."), MsgStyle::Exclamation, kCaption);
        txtRuc_->setFocus();
        return QString();
    }
    if (periodo.size() != 4 && periodo.size() != 6) {
        messages_.show(QStringLiteral("Ingrese el periodo: el año (AAAA) o el año y el mes (AAAAMM)."),
                       MsgStyle::Exclamation, kCaption);
        txtPeriodo_->setFocus();
        return QString();
    }
    const QString cod = txtCodEnvio_->text().trimmed().isEmpty() ? QStringLiteral("1") : txtCodEnvio_->text();
    return resumenCommandLine(6, ruc, QStringLiteral("8027"), periodo, cod, txtNroEnvio_->text());
}

void HostMainWindow::CmdResumen_Click() {
    const QString line = commandLineFromForm();
    if (line.isEmpty()) return;
    QString error;
    if (!launch(siblingProgram(QStringLiteral("8027REP"), programFolder_), {line}, &error))
        messages_.show(error, MsgStyle::Exclamation, kCaption);
}

}  // namespace klv::host
