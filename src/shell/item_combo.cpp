#include "item_combo.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <algorithm>

namespace klv {
namespace {

// The list shows each item as the box does.
class ShownTextDelegate : public QStyledItemDelegate {
public:
    explicit ShownTextDelegate(ItemCombo* combo) : QStyledItemDelegate(combo), combo_(combo) {}
    QString displayText(const QVariant& value, const QLocale&) const override { return combo_->shownText(value.toString()); }

private:
    const ItemCombo* combo_;
};

}  // namespace

ItemCombo::ItemCombo(QWidget* parent) : QComboBox(parent) {
    setItemDelegate(new ShownTextDelegate(this));
    auto changed = [this] {
        widest_ = -1;
        updateGeometry();
    };
    connect(model(), &QAbstractItemModel::rowsInserted, this, changed);
    connect(model(), &QAbstractItemModel::rowsRemoved, this, changed);
    connect(model(), &QAbstractItemModel::dataChanged, this, changed);
    connect(model(), &QAbstractItemModel::modelReset, this, changed);
}

void ItemCombo::setShownText(ShownText shown) {
    shown_ = std::move(shown);
    widest_ = -1;
    updateGeometry();
    update();
}

QString ItemCombo::shownText(const QString& item) const {
    if (shown_) return shown_(item);
    qsizetype end = item.size();
    while (end > 0 && item.at(end - 1) == QLatin1Char(' ')) --end;
    return item.left(end);
}

int ItemCombo::widestShown() const {
    if (widest_ < 0) {
        const QFontMetrics fm = fontMetrics();
        widest_ = 0;
        for (int i = 0; i < count(); ++i) widest_ = std::max(widest_, fm.horizontalAdvance(shownText(itemText(i))));
    }
    return widest_;
}

void ItemCombo::initStyleOption(QStyleOptionComboBox* option) const {
    QComboBox::initStyleOption(option);
    option->currentText = shownText(option->currentText);
}

QSize ItemCombo::sizeHint() const {
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    const QSize text(std::max(widestShown(), fontMetrics().horizontalAdvance(QLatin1Char('x')) * minimumContentsLength()),
                     fontMetrics().height());
    const QSize box = style()->sizeFromContents(QStyle::CT_ComboBox, &opt, text, this);
    return {box.width(), QComboBox::sizeHint().height()};
}

QSize ItemCombo::minimumSizeHint() const { return sizeHint(); }

void ItemCombo::showPopup() {
    QComboBox::showPopup();
    // As wide as the longest shown item (with room for the scroll bar), never narrower than the
    // box or the width asked for the list; not as wide as the whole items with their padding.
    QWidget* popup = view()->window();
    const int scroll = view()->verticalScrollBar() && view()->verticalScrollBar()->isVisible()
                           ? view()->verticalScrollBar()->width() : 0;
    const int wanted = std::max({width(), view()->minimumWidth(), widestShown() + 2 * view()->frameWidth() + scroll + 16});
    if (popup->width() > wanted) popup->resize(wanted, popup->height());
}

}  // namespace klv
