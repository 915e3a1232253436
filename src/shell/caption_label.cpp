#include "caption_label.h"

#include <QPainter>
#include <QRegularExpression>
#include <QStyle>

namespace klv {

CaptionLabel::CaptionLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

QString CaptionLabel::displayText(const QString& caption) {
    static const QRegularExpression run(QStringLiteral(" {3,}"));
    QStringList lines = QString(caption).replace(run, QStringLiteral("\n")).split(QLatin1Char('\n'));
    for (QString& line : lines) {
        qsizetype end = line.size();
        while (end > 0 && line.at(end - 1) == QLatin1Char(' ')) --end;
        line.truncate(end);
    }
    while (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines.join(QLatin1Char('\n'));
}

int CaptionLabel::horizontalMargins() const {
    const QMargins m = contentsMargins();
    return m.left() + m.right() + 2 * margin();
}

int CaptionLabel::verticalMargins() const {
    const QMargins m = contentsMargins();
    return m.top() + m.bottom() + 2 * margin();
}

int CaptionLabel::textHeight(int width) const {
    const QRect r = fontMetrics().boundingRect(QRect(0, 0, std::max(width, 1), 1 << 20),
                                               Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, displayText(text()));
    return r.height();
}

int CaptionLabel::heightForWidth(int width) const {
    return textHeight(width - horizontalMargins()) + verticalMargins();
}

QSize CaptionLabel::sizeHint() const {
    // As wide as the longest line, up to about eighty characters.
    const QFontMetrics fm = fontMetrics();
    int widest = 0;
    for (const QString& line : displayText(text()).split(QLatin1Char('\n')))
        widest = std::max(widest, fm.horizontalAdvance(line));
    const int width = std::min(widest, 80 * fm.averageCharWidth()) + 1;
    return {width + horizontalMargins(), textHeight(width) + verticalMargins()};
}

QSize CaptionLabel::minimumSizeHint() const {
    const int width = 24 * fontMetrics().averageCharWidth();
    return {width + horizontalMargins(), textHeight(width) + verticalMargins()};
}

void CaptionLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QRect r = contentsRect();
    r.adjust(margin(), margin(), -margin(), -margin());
    style()->drawItemText(&p, r, static_cast<int>(alignment()) | Qt::TextWordWrap, palette(), isEnabled(),
                          displayText(text()), foregroundRole());
}

}  // namespace klv
