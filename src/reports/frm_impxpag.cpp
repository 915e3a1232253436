#include "frm_impxpag.h"

#include "key_filters.h"
#include "page_range.h"
#include "show_report.h"
#include "window_helpers.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QVBoxLayout>

namespace klv {
namespace {

// The count is shown over the run of blanks after "contiene ".
constexpr int kBlanksAt = 29;
constexpr int kBlanks = 18;

int pageKey(int code) {
    if (code == 8 || code == '.' || code == ' ' || (code >= '0' && code <= '9')) return code;
    return 0;
}

}  // namespace

const QString& FrmImpxPag::notice() {
    static const QString text = QStringLiteral(
        "El reporte generado contiene                  páginas. \n"
        "\n"
        "Si su consulta contiene más de 10 páginas puede\n"
        "ocasionar la caida del programa debido a la saturación de \n"
        "la memoria de la computadora.\n"
        "Se recomienda imprimir en rangos no mayores a 10 páginas.");
    return text;
}

FrmImpxPag::FrmImpxPag(AppContext& ctx, const QString& fileName, int totalPaginas, QWidget* parent)
    : QDialog(parent), ctx_(ctx), fileName_(fileName), total_(totalPaginas) {
    setObjectName(QStringLiteral("frmImpxPag"));
    setProperty("tag", fileName);
    preview_ = [this](const QString& file, const markup::PageRange& range) {
        udp_MostrarReporte(ctx_, this, file, QStringLiteral("Vprevia"), range);
    };

    text1_ = new QPlainTextEdit(notice(), this);
    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setReadOnly(true);
    text1_->setFocusPolicy(Qt::NoFocus);
    text1_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text1_->setMinimumSize(text1_->fontMetrics().horizontalAdvance(
                               QStringLiteral("ocasionar la caida del programa debido a la saturación de ")) + 24,
                           text1_->fontMetrics().lineSpacing() * 6 + 16);
    txtTotPaginas_ = new QLineEdit(QString::number(totalPaginas), text1_->viewport());
    txtTotPaginas_->setObjectName(QStringLiteral("txtTotPaginas"));
    txtTotPaginas_->setReadOnly(true);
    txtTotPaginas_->setFocusPolicy(Qt::NoFocus);
    txtTotPaginas_->setAlignment(Qt::AlignCenter);
    txtTotPaginas_->setFrame(false);
    QPalette face = txtTotPaginas_->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    txtTotPaginas_->setPalette(face);

    auto* frame = new QGroupBox(QStringLiteral("Imprimir"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    txtPagDesde_ = new QLineEdit(QStringLiteral("1"), frame);
    txtPagDesde_->setObjectName(QStringLiteral("txtPagDesde"));
    txtPagHasta_ = new QLineEdit(frame);
    txtPagHasta_->setObjectName(QStringLiteral("txtPagHasta"));
    auto* lblDesde = new QLabel(QStringLiteral("&Desde :"), frame);
    lblDesde->setBuddy(txtPagDesde_);
    auto* lblHasta = new QLabel(QStringLiteral("&Hasta :"), frame);
    lblHasta->setBuddy(txtPagHasta_);
    for (QLineEdit* box : {txtPagDesde_, txtPagHasta_}) {
        box->setMaximumWidth(80);
        KeyCodeFilter::install(box, pageKey, false);
        box->installEventFilter(this);
    }
    auto* fl = new QHBoxLayout(frame);
    fl->addWidget(lblDesde);
    fl->addWidget(txtPagDesde_);
    fl->addSpacing(16);
    fl->addWidget(lblHasta);
    fl->addWidget(txtPagHasta_);
    fl->addStretch(1);

    auto* preliminar = new QPushButton(QStringLiteral("&Preliminar"), this);
    preliminar->setObjectName(QStringLiteral("cmdAccion_0"));
    auto* cancelar = new QPushButton(QStringLiteral("&Cancelar"), this);
    cancelar->setObjectName(QStringLiteral("cmdAccion_1"));
    connect(preliminar, &QPushButton::clicked, this, [this] { cmdAccion_Click(0); });
    connect(cancelar, &QPushButton::clicked, this, [this] { cmdAccion_Click(1); });
    // Enter presses the button that has the focus (the boxes keep Enter for moving on).
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(preliminar);
    buttons->addWidget(cancelar);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text1_);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    txtPagDesde_->setFocus();
}

void FrmImpxPag::cmdAccion_Click(int index) {
    if (index == 1) {
        reject();
        return;
    }
    const PageRangeCheck check = checkPageRange(txtPagDesde_->text(), txtPagHasta_->text(), total_);
    if (const auto* message = std::get_if<QString>(&check)) {
        ctx_.msg(*message, MsgStyle::Critical, windowTitle());
        return;
    }
    preview_(fileName_, std::get<markup::PageRange>(check));
}

bool FrmImpxPag::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            udp_EnviaTab(QStringLiteral("TAB"));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FrmImpxPag::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    placeTotal();
}

void FrmImpxPag::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    placeTotal();
}

void FrmImpxPag::placeTotal() {
    QTextCursor cursor(text1_->document());
    cursor.setPosition(kBlanksAt);
    const QRect from = text1_->cursorRect(cursor);
    cursor.setPosition(kBlanksAt + kBlanks - 1);
    const QRect to = text1_->cursorRect(cursor);
    txtTotPaginas_->setGeometry(from.left() + 2, from.top(), std::max(24, to.left() - from.left() - 4), from.height());
}

}  // namespace klv
