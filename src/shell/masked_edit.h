#pragma once
// A box with an input mask (the period "0000", a date "99/99/9999"): a QLineEdit whose click into
// its empty part, right of what is typed, puts the cursor at the first empty position, so what is
// typed next fills the box from there. A click among the typed characters, over a selection or
// with Shift places the cursor (or starts the drag) as in any line edit.

#include <QLineEdit>

class QMouseEvent;

namespace klv {

class MaskedEdit : public QLineEdit {
    Q_OBJECT
public:
    // `mask` as QLineEdit::setInputMask takes it, blank character included ("0000;_").
    MaskedEdit(const QString& mask, QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The first empty position when every position of the mask from `position` on is empty (or a
    // separator), else -1: -1 too when the box has no empty position.
    int firstEmptyFrom(int position) const;
};

}  // namespace klv
