// The status bar panels are the store of the open declaration's key: a reader gets back exactly
// the text last written.
#include "status_panels.h"

#include <QLabel>
#include <QStatusBar>
#include <gtest/gtest.h>

namespace klv {
namespace {

TEST(StatusPanelsTest, ReadersGetExactlyTheTextLastWritten) {
    StatusPanels p;
    EXPECT_EQ(p.PanelRuc(), "");
    const QString nombre = QString::fromUtf8("  PEÑA & MUÑOZ  S.A.C. ");
    p.setPanelRuc(" 20601234565 ");
    p.setPanelNombre(nombre);
    p.setPanelPeriodo("2016");
    p.setPanelFormulario("8027");
    p.setPanelEstado(0);
    p.setPanelRuc("20601234565");  // the last write wins
    EXPECT_EQ(p.PanelRuc(), "20601234565");
    EXPECT_EQ(p.PanelNombre(), nombre);
    EXPECT_EQ(p.PanelPeriodo(), "2016");
    EXPECT_EQ(p.PanelFormulario(), "8027");
    EXPECT_EQ(p.PanelEstado(), 0);
    p.setPanelPeriodo("");
    EXPECT_EQ(p.PanelPeriodo(), "");
}

TEST(StatusPanelsTest, ShownInTheStatusBarBeforeAndAfterAttaching) {
    QStatusBar bar;
    StatusPanels p;
    p.setPanelRuc("20601234565");
    p.attach(&bar);
    p.attach(&bar);  // a second attach adds nothing
    EXPECT_EQ(bar.findChildren<QLabel*>("PanelRuc").size(), 1);
    auto label = [&](const char* name) { return bar.findChild<QLabel*>(name)->text(); };
    EXPECT_EQ(label("PanelRuc"), "20601234565");
    p.setPanelNombre("EMPRESA DEMOSTRACION S.A.C.");
    p.setPanelPeriodo("2015");
    p.setPanelFormulario("8027");
    EXPECT_EQ(label("PanelNombre"), "EMPRESA DEMOSTRACION S.A.C.");
    EXPECT_EQ(label("PanelPeriodo"), "2015");
    EXPECT_EQ(label("PanelFormulario"), "8027");
    // What the label shows never changes what a reader gets back.
    EXPECT_EQ(p.PanelNombre(), "EMPRESA DEMOSTRACION S.A.C.");
}

}  // namespace
}  // namespace klv
