#pragma once
// What the files of the transaction form share: placing controls in twips, the form's lists of
// codes and items, and the guard that marks a change made by code (its signal runs no rule).
// Private to the form (frm_transacciones*.cpp).

#include <QString>
#include <QStringList>
#include <QWidget>

namespace klv::transaction_form {

// Positions and sizes are given in twips, 15 to the pixel.
inline void at(QWidget* w, int x, int y, int width, int height) { w->setGeometry(x / 15, y / 15, width / 15, height / 15); }
inline void moveTop(QWidget* w, int top) { w->move(w->x(), top / 15); }

// Help topics of the four tabs.
inline constexpr int kHelpTabs[] = {1021, 1032, 1033, 1034};

// Currencies of the amount tabs of the traditional and the other methods (and of a stored
// transaction's tab when it is loaded).
inline const QStringList kMonedas = {QStringLiteral("000"), QStringLiteral("001"), QStringLiteral("002"),
                                     QStringLiteral("003"), QStringLiteral("005"), QStringLiteral("004")};
// The profit-level indicators of the other methods' MMNT group.
inline const QStringList kRangosPli = {QString::fromUtf8("01 Utilidad Operación / Ventas"),
                                       QString::fromUtf8("02 Utilidad Operación / Costos + Gastos"),
                                       QString::fromUtf8("03 Utilidad Operación / Activo Neto Prom. = ROA"),
                                       QString::fromUtf8("04 Utilidad Operación / Patrimonio Neto Prom. = ROE"),
                                       QStringLiteral("05 Ratio Berry"), QStringLiteral("00 Otros")};

// Counts a change made by code for the duration of a scope.
struct Counter {
    explicit Counter(int& c) : count(c) { ++count; }
    ~Counter() { --count; }
    int& count;
};

}  // namespace klv::transaction_form
