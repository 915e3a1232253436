#pragma once
// Window helpers the forms of every subsystem call.

#include <QString>
#include <utility>

class QWidget;

namespace klv {

// For the text "TAB": queues a Tab key for the focused control, so the focus moves on to the next
// control once the event loop runs. Any other text does nothing.
void udp_EnviaTab(const QString& texto);

// Centres a form over the main window: its position becomes half the difference of the two sizes,
// rounded down; a top-level form is placed over the main window's frame, a child form within its parent.
void udp_CentrarForm(QWidget* principal, QWidget* form);

// A new widget with its control name as objectName (tests and focus lookups find it by name).
template <class T, class... Args>
T* named(const QString& name, Args&&... args) {
    T* w = new T(std::forward<Args>(args)...);
    w->setObjectName(name);
    return w;
}

}  // namespace klv
