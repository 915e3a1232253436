#include "window_helpers.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

namespace klv {

void udp_EnviaTab(const QString& texto) {
    if (texto != QLatin1String("TAB")) return;
    QWidget* destino = QApplication::focusWidget();
    if (!destino) return;
    QCoreApplication::postEvent(destino, new QKeyEvent(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier));
}

void udp_CentrarForm(QWidget* principal, QWidget* form) {
    if (!principal || !form) return;
    auto half = [](int a, int b) {
        const int d = a - b;
        return d >= 0 ? d / 2 : -((-d + 1) / 2);  // rounded down, also when the form is larger
    };
    if (form->isWindow()) {
        const QRect p = principal->frameGeometry();
        const QSize f = form->frameGeometry().size();
        form->move(p.left() + half(p.width(), f.width()), p.top() + half(p.height(), f.height()));
    } else {
        form->move(half(principal->width(), form->width()), half(principal->height(), form->height()));
    }
}

void useDesignFont(QWidget* form) { form->setFont(QFont(QStringLiteral("Liberation Sans"), 8)); }

void showFromStart(QLineEdit* box, const QString& text) {
    box->setText(text);
    box->setCursorPosition(0);
}

void lockBox(QLineEdit* box, bool locked) {
    box->setReadOnly(locked);
    box->setFocusPolicy(locked ? Qt::ClickFocus : Qt::StrongFocus);
}

void focusFirstControl(QWidget* container) {
    if (!container) return;
    QWidget* window = container->window();
    QWidget* w = window;
    do {
        w = w->nextInFocusChain();
        const auto* box = qobject_cast<const QLineEdit*>(w);
        if ((w == container || container->isAncestorOf(w)) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
            w->isVisibleTo(window) && !(box && box->isReadOnly())) {
            w->setFocus(Qt::OtherFocusReason);  // a box keeps its caret at the start, nothing selected
            return;
        }
    } while (w != window);
}

}  // namespace klv
