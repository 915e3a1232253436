#include "amount_box.h"

#include "key_filters.h"
#include "window_helpers.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace klv {
namespace {

EntryKind entryKind(BoxKind k) {
    switch (k) {
    case BoxKind::Decimal: return EntryKind::Decimal;
    case BoxKind::Rate: return EntryKind::Rate;
    default: return EntryKind::Integer;
    }
}

constexpr int kEnter = 13;
constexpr int kBackspace = 8;

}  // namespace

AmountBox::AmountBox(BoxKind kind, const QString& name, const Utilitarios* util, QWidget* parent)
    : QLineEdit(parent), kind_(kind), util_(util) {
    setObjectName(name);
    if (kind_ != BoxKind::CurrencyName) {
        setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        limit_ = displayLength(entryKind(kind_));
    }
    KeyCodeFilter::install(this, [this](int code) { return filter(code); }, true);
    // Installed after the key filter, so it sees every key first.
    installEventFilter(this);
}

int AmountBox::filter(int code) {
    int out = 0;
    if (rule_) {
        out = rule_(code);
    } else {
        switch (kind_) {
        case BoxKind::Integer: out = udf_SoloNumEntero(code); break;
        case BoxKind::Decimal: out = udf_SoloNumDecimal(code); break;
        case BoxKind::Rate: {
            const RateKey r = util_ ? rateKey(*util_, code, text()) : RateKey{};
            if (r.sendTab) udp_EnviaTab(QStringLiteral("TAB"));
            out = r.code;
            break;
        }
        case BoxKind::CurrencyName: {
            out = udf_SoloLetras(code);
            if (out == 241) out = 209;  // ñ -> Ñ
            else if (out >= 'a' && out <= 'z') out -= 32;
            break;
        }
        }
    }
    if (out != 0 && out != kBackspace && limit_ > 0 && text().size() - selectedText().size() >= limit_) out = 0;
    emit keyTyped(code);
    return out;
}

bool AmountBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == this && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            filter(kEnter);
            emit enterPressed();
            return true;  // Enter types nothing and presses no button
        }
    }
    return QLineEdit::eventFilter(watched, event);
}

void AmountBox::focusInEvent(QFocusEvent* event) {
    if (kind_ != BoxKind::CurrencyName) {
        limit_ = editingLength(entryKind(kind_));
        const QString t = editingText(entryKind(kind_), text());
        if (t != text()) setText(t);
    }
    QLineEdit::focusInEvent(event);
}

void AmountBox::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (kind_ != BoxKind::CurrencyName) {
        limit_ = displayLength(entryKind(kind_));
        const QString t = klv::displayText(entryKind(kind_), text());
        if (t != text()) setText(t);
    }
    emit left(event->reason() == Qt::TabFocusReason);
}

}  // namespace klv
