// Window helpers shared by the forms.
#include "window_helpers.h"

#include <QApplication>
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
