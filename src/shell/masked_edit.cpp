#include "masked_edit.h"

#include <QMouseEvent>
#include <vector>

namespace klv {
namespace {

// Which positions of the box's text take a typed character: the mask's editable characters
// (QLineEdit's A a N n X x 9 0 D d # H h B b); a literal, escaped or not, is a separator, and the
// case modifiers > < ! take no position. The mask ends at an unescaped ';' (its blank follows).
std::vector<bool> editablePositions(const QString& mask) {
    static const QString kEditable = QStringLiteral("AaNnXx90Dd#HhBb");
    std::vector<bool> out;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const QChar c = mask[i];
        if (c == QLatin1Char(';')) break;
        if (c == QLatin1Char('\\')) {
            ++i;
            out.push_back(false);
        } else if (c == QLatin1Char('>') || c == QLatin1Char('<') || c == QLatin1Char('!')) {
            continue;
        } else {
            out.push_back(kEditable.contains(c));
        }
    }
    return out;
}

// The blank character of a mask: what follows its unescaped ';', a blank when it names none.
QChar blankOf(const QString& mask) {
    for (qsizetype i = 0; i < mask.size(); ++i) {
        if (mask[i] == QLatin1Char('\\')) {
            ++i;
        } else if (mask[i] == QLatin1Char(';')) {
            return i + 1 < mask.size() ? mask[i + 1] : QLatin1Char(' ');
        }
    }
    return QLatin1Char(' ');
}

}  // namespace

MaskedEdit::MaskedEdit(const QString& mask, QWidget* parent) : QLineEdit(parent) { setInputMask(mask); }

int MaskedEdit::firstEmptyFrom(int position) const {
    const std::vector<bool> editable = editablePositions(inputMask());
    const QChar blank = blankOf(inputMask());
    const QString shown = displayText();
    const int size = static_cast<int>(std::min<size_t>(editable.size(), static_cast<size_t>(shown.size())));
    int first = -1;
    for (int i = 0; i < size; ++i) {
        if (!editable[static_cast<size_t>(i)]) continue;
        const bool empty = shown[i] == blank;
        if (empty && first < 0) first = i;
        if (!empty && i >= position) return -1;  // typed characters right of the click
    }
    return first;
}

void MaskedEdit::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    // A press over a selection keeps it (a drag may follow), Shift extends it: both as before.
    if (event->button() != Qt::LeftButton || hasSelectedText() || inputMask().isEmpty()) return;
    const int first = firstEmptyFrom(cursorPosition());
    if (first >= 0 && first != cursorPosition()) setCursorPosition(first);
}

}  // namespace klv
