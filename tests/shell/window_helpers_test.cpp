// Window helpers shared by the forms.
#include "window_helpers.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace klv::test {
namespace {

TEST(EnviaTabTest, MovesTheFocusToTheNextControl) {
    QWidget w;
    auto* lay = new QVBoxLayout(&w);
    auto* a = new QLineEdit(&w);
    auto* b = new QLineEdit(&w);
    lay->addWidget(a);
    lay->addWidget(b);
    w.show();
    w.activateWindow();
    QApplication::processEvents();
    a->setFocus();
    QApplication::processEvents();
    if (QApplication::focusWidget() != a) GTEST_SKIP() << "no focus on this platform";
    udp_EnviaTab("tab");
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), a);
    udp_EnviaTab("TAB");
    EXPECT_EQ(QApplication::focusWidget(), a);  // queued, not sent at once
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), b);
}

TEST(LockBoxTest, FirstFocusAndTabPassOverBoxesThatTakeNoTyping) {
    QWidget w;
    auto* lay = new QVBoxLayout(&w);
    auto* nombre = new QLineEdit(&w);
    auto* sinMarcar = new QLineEdit(&w);  // read-only but not locked: still passed over at first
    auto* periodo = new QLineEdit(&w);
    auto* ruc = new QLineEdit(&w);
    for (QLineEdit* e : {nombre, sinMarcar, periodo, ruc}) lay->addWidget(e);
    lockBox(nombre, true);
    sinMarcar->setReadOnly(true);
    w.show();
    w.activateWindow();
    QApplication::processEvents();
    focusFirstControl(&w);
    QApplication::processEvents();
    if (!QApplication::focusWidget()) GTEST_SKIP() << "no focus on this platform";
    EXPECT_EQ(QApplication::focusWidget(), periodo);

    auto press = [](Qt::Key key) {
        QKeyEvent e(QEvent::KeyPress, key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget(), &e);
    };
    lockBox(sinMarcar, true);
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), ruc);
    press(Qt::Key_Backtab);
    press(Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), ruc);  // round past both locked boxes
    lockBox(nombre, false);
    EXPECT_FALSE(nombre->isReadOnly());
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), nombre);
}

TEST(CentrarFormTest, HalfTheDifferenceRoundedDown) {
    QWidget principal;
    principal.setGeometry(100, 50, 801, 600);
    auto* hijo = new QWidget(&principal);
    hijo->resize(200, 100);
    udp_CentrarForm(&principal, hijo);
    EXPECT_EQ(hijo->pos(), QPoint(300, 250));
    hijo->resize(1000, 801);
    udp_CentrarForm(&principal, hijo);
    EXPECT_EQ(hijo->pos(), QPoint(-100, -101));

    QWidget dialogo;
    dialogo.resize(400, 300);
    udp_CentrarForm(&principal, &dialogo);
    EXPECT_EQ(dialogo.pos(), QPoint(100 + 200, 50 + 150));
}

}  // namespace
}  // namespace klv::test
