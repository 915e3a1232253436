#pragma once
// Key filters of the entry boxes. A filter takes the Windows-1252 code of a typed character and
// gives back the code to type (usually the same one) or 0 to drop the key. KeyCodeFilter applies
// such a filter to a widget: it turns each typed character into its code, runs the filter, drops
// the key on 0, types the returned character otherwise, and can refuse pasted or dropped text so
// that nothing reaches the box without passing the filter.

#include <QObject>
#include <functional>

class QWidget;

namespace klv {

// Digits, backspace, the parentheses and the decimal point.
int udf_SoloNumDecimal(int keyCode);
// Digits, backspace and the parentheses.
int udf_SoloNumEntero(int keyCode);
// Letters A-Z a-z, ñ Ñ, backspace, blank, parentheses, hyphen and point.
int udf_SoloLetras(int keyCode);

class KeyCodeFilter : public QObject {
    Q_OBJECT
public:
    using Filter = std::function<int(int keyCode)>;

    // blockPaste: refuse pasting (keyboard, context menu, middle button) and dropping text.
    KeyCodeFilter(Filter filter, bool blockPaste, QObject* parent = nullptr);

    // Installs a filter on an entry widget (a line edit, the edit part of an editable combo box, a
    // plain or rich text edit). The filter object is owned by the widget.
    static KeyCodeFilter* install(QWidget* widget, Filter filter, bool blockPaste = true);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Filter filter_;
    bool blockPaste_;
    bool resending_ = false;
};

}  // namespace klv
