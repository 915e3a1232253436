#pragma once
// Window helpers the forms of every subsystem call.

#include <QString>
#include <utility>

class QLineEdit;
class QWidget;

namespace klv {

// For the text "TAB": queues a Tab key for the focused control, so the focus moves on to the next
// control once the event loop runs. Any other text does nothing.
void udp_EnviaTab(const QString& texto);

// Centres a form over the main window: its position becomes half the difference of the two sizes,
// rounded down; a top-level form is placed over the main window's frame, a child form within its parent.
void udp_CentrarForm(QWidget* principal, QWidget* form);

// Gives the focus to the first control of the window's tab order that lies in `container` (the
// window itself, or one page of it) and can take it: enabled, not hidden, reached by Tab and, for
// a text box, taking typing (a read-only box is passed over). Called
// when a form opens, so that typing and arrows act at once, whatever the opening disabled. The
// window receives it when it becomes active.
void focusFirstControl(QWidget* container);

// Locks or unlocks a text box. A locked box takes no typing; its text can still be selected and
// copied with the mouse, but Tab passes over it, as the first focus of a form does.
void lockBox(QLineEdit* box, bool locked);

// Sets a form in the small sans font of 8 points its controls are designed for, so that the form
// keeps its designed size with every text whole.
void useDesignFont(QWidget* form);

// Puts a text in a box shown from its start (a box scrolls to the end of a text set in it), so a
// long path, name or address reads from its beginning.
void showFromStart(QLineEdit* box, const QString& text);

// A new widget with its control name as objectName (tests and focus lookups find it by name).
template <class T, class... Args>
T* named(const QString& name, Args&&... args) {
    T* w = new T(std::forward<Args>(args)...);
    w->setObjectName(name);
    return w;
}

}  // namespace klv
