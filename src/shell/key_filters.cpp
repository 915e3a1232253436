#include "key_filters.h"

#include "cp1252.h"

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <algorithm>

namespace klv {
namespace {

constexpr int kBackspace = 8;

bool isDigit(int c) { return c >= '0' && c <= '9'; }

// A character the user types into the text (control characters are keys, not text).
bool isTyped(QChar c) { return c.unicode() >= 32 && c.unicode() != 127; }

}  // namespace

int udf_SoloNumDecimal(int keyCode) {
    if (keyCode == kBackspace || keyCode == '(' || keyCode == ')' || keyCode == '.' || isDigit(keyCode))
        return keyCode;
    return 0;
}

int udf_SoloNumEntero(int keyCode) {
    if (keyCode == kBackspace || keyCode == '(' || keyCode == ')' || isDigit(keyCode)) return keyCode;
    return 0;
}

int udf_SoloLetras(int keyCode) {
    switch (keyCode) {
    case kBackspace:
    case ' ':
    case '(':
    case ')':
    case '-':
    case '.':
    case 241:  // ñ
    case 209:  // Ñ
        return keyCode;
    default:
        break;
    }
    if ((keyCode >= 'A' && keyCode <= 'Z') || (keyCode >= 'a' && keyCode <= 'z')) return keyCode;
    return 0;
}

KeyCodeFilter::KeyCodeFilter(Filter filter, bool blockPaste, QObject* parent)
    : QObject(parent), filter_(std::move(filter)), blockPaste_(blockPaste) {}

KeyCodeFilter* KeyCodeFilter::install(QWidget* widget, Filter filter, bool blockPaste) {
    if (!widget) return nullptr;
    auto* f = new KeyCodeFilter(std::move(filter), blockPaste, widget);
    QWidget* target = widget;
    if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->lineEdit())
        target = combo->lineEdit();
    target->installEventFilter(f);
    // Text edits take mouse and drops on their viewport.
    if (auto* area = qobject_cast<QAbstractScrollArea*>(target)) area->viewport()->installEventFilter(f);
    return f;
}

bool KeyCodeFilter::eventFilter(QObject* watched, QEvent* event) {
    if (resending_) return false;
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (blockPaste_ && key->matches(QKeySequence::Paste)) return true;
        if (key->key() == Qt::Key_Backspace) return filter_(kBackspace) == 0;
        const QString text = key->text();
        if (text.isEmpty() || !std::all_of(text.begin(), text.end(), isTyped)) return false;
        QString out;
        for (QChar c : text) {
            const int code = filter_(cp1252::charCode(c));
            if (code != 0) out += cp1252::fromCode(code);
        }
        if (out == text) return false;
        if (out.isEmpty()) return true;
        // The filter changed the character (for example to upper case): type its answer instead.
        QKeyEvent replacement(QEvent::KeyPress, key->key(), key->modifiers(), out, key->isAutoRepeat(),
                              static_cast<ushort>(out.size()));
        resending_ = true;
        QCoreApplication::sendEvent(watched, &replacement);
        resending_ = false;
        return true;
    }
    case QEvent::InputMethod: {
        auto* im = static_cast<QInputMethodEvent*>(event);
        const QString text = im->commitString();
        QString out;
        for (QChar c : text) {
            if (!isTyped(c)) {
                out += c;
                continue;
            }
            const int code = filter_(cp1252::charCode(c));
            if (code != 0) out += cp1252::fromCode(code);
        }
        if (out == text) return false;
        QInputMethodEvent replacement(im->preeditString(), im->attributes());
        replacement.setCommitString(out, im->replacementStart(), im->replacementLength());
        resending_ = true;
        QCoreApplication::sendEvent(watched, &replacement);
        resending_ = false;
        return true;
    }
    case QEvent::ContextMenu:
        return blockPaste_;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        // The middle button pastes the selection on X11.
        return blockPaste_ && static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        if (!blockPaste_) return false;
        event->ignore();
        return true;
    default:
        return false;
    }
}

}  // namespace klv
