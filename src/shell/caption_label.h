#pragma once
// A label for the long captions of the forms' questions, whose texts carry runs of blanks where a
// line ends. text() keeps the caption exactly as written; the label shows each run of three or
// more blanks as a line break (and wraps longer lines at word boundaries), so the caption reads
// as whole sentences at any width.

#include <QLabel>

namespace klv {

class CaptionLabel : public QLabel {
    Q_OBJECT
public:
    explicit CaptionLabel(const QString& text = QString(), QWidget* parent = nullptr);

    // What the label shows for a caption: runs of three or more blanks become line breaks, and the
    // blanks at the end of each line are dropped.
    static QString displayText(const QString& caption);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The text's height when laid out within this many pixels of width (margins excluded).
    int textHeight(int width) const;
    int horizontalMargins() const;
    int verticalMargins() const;
};

}  // namespace klv
