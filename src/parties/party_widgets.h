#pragma once
// Small builders of the party forms' controls: each control gets its control name as object name
// and buttons never act as the dialog's default (Enter in a box must not press a button); how the
// forms show a failure of their database work.

#include "app_context.h"
#include "party_register.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <exception>

namespace klv::party {

// Twips to pixels (15 twips a pixel on screen).
constexpr int px(int twips) { return twips / 15; }

inline QLabel* label(const QString& name, const QString& text, QWidget* parent, bool bordered = false) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    if (bordered) {
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
    }
    return l;
}

inline QLineEdit* lineEdit(const QString& name, QWidget* parent, int maxLength = 0) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    if (maxLength > 0) e->setMaxLength(maxLength);
    return e;
}

inline QPushButton* button(const QString& name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

inline QRadioButton* option(const QString& name, const QString& caption, QWidget* parent) {
    auto* r = new QRadioButton(caption, parent);
    r->setObjectName(name);
    return r;
}

inline QGroupBox* frame(const QString& name, const QString& caption, QWidget* parent) {
    auto* g = new QGroupBox(caption, parent);
    g->setObjectName(name);
    return g;
}

// Places a dialog at the top left corner of the window it is opened from (the main window's
// client area), or of the screen without one.
inline void moveTopLeft(QWidget* dialog, QWidget* owner) {
    if (owner) dialog->move(owner->mapToGlobal(QPoint(0, 0)));
    else dialog->move(0, 0);
}

// A failure of a form's database work: a database error as mostrarErrorBD shows it, any other (a
// work refused while another one runs) with its own text, titled "Error" too.
inline void mostrarFallo(const AppContext& ctx, const std::exception& e) {
    if (const auto* db = dynamic_cast<const DbError*>(&e)) return mostrarErrorBD(ctx, *db);
    ctx.msg(QString::fromLocal8Bit(e.what()), MsgStyle::OkOnly, QStringLiteral("Error"));
}

}  // namespace klv::party
