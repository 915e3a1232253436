#pragma once
// A combo box whose items keep the fixed layouts the fillers give them (callers read codes and
// flags back by position) while it shows only what a user reads of each: the item as it starts,
// without the blanks that pad it, and, where a layout ends with codes for the program (the
// document types' length and flags), without those. The box and its list are as wide as the
// longest shown item, so every item reads whole from its start.

#include <QComboBox>
#include <functional>

namespace klv {

class ItemCombo : public QComboBox {
    Q_OBJECT
public:
    using ShownText = std::function<QString(const QString& item)>;

    explicit ItemCombo(QWidget* parent = nullptr);

    // How an item is shown; by default the item without its trailing blanks. itemText() and
    // currentText() keep giving the whole item.
    void setShownText(ShownText shown);
    QString shownText(const QString& item) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    void showPopup() override;

protected:
    void initStyleOption(QStyleOptionComboBox* option) const override;

private:
    int widestShown() const;  // pixels, cached until the items change

    ShownText shown_;
    mutable int widest_ = -1;
};

}  // namespace klv
