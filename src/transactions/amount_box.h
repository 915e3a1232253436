#pragma once
// The entry boxes of the transaction form's figures: one widget per kind of entry.
//   - Integer, Decimal, Rate: the bare number and an editing length while the box has the focus,
//     the grouped number once it is left (amount_entry.h); keys filtered by the kind's filter
//     (the rate boxes by the rate key rule, Enter moving on from a rate other than 0);
//   - CurrencyName: letters and a few signs, turned to upper case.
// The length limits typing only: a longer text already in the box is kept whole. Pasted and
// dropped text is refused (the system clipboard is left alone). Every key press is reported
// (keyTyped), also the keys the filter drops, so the form marks itself modified; leaving the box
// is reported after its text was formatted (left).

#include "amount_entry.h"

#include <QLineEdit>
#include <functional>

namespace klv {

class Utilitarios;

enum class BoxKind { Integer, Decimal, Rate, CurrencyName };

class AmountBox : public QLineEdit {
    Q_OBJECT
public:
    AmountBox(BoxKind kind, const QString& name, const Utilitarios* util, QWidget* parent);

    BoxKind kind() const { return kind_; }
    // The number of characters typing may reach now (editing or display length; none for names).
    int limit() const { return limit_; }
    // A key rule of the form that runs in place of the kind's filter: it takes the character code
    // and returns the code to type (0 drops it). Enter (13) reaches it too.
    void setKeyRule(std::function<int(int)> rule) { rule_ = std::move(rule); }

signals:
    void keyTyped(int code);
    // Left: `byTab` when the focus moved on with the Tab key.
    void left(bool byTab);
    void enterPressed();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int filter(int code);

    BoxKind kind_;
    const Utilitarios* util_;
    int limit_ = 0;
    std::function<int(int)> rule_;
};

}  // namespace klv
