// The status panels shown in the main window's status bar.
#include "status_bar_view.h"
#include "status_panels.h"

#include <QLabel>
#include <QStatusBar>
#include <gtest/gtest.h>

namespace klv {
namespace {

TEST(StatusPanelsTest, ShownInTheStatusBarBeforeAndAfterAttaching) {
    QStatusBar bar;
    StatusPanels p;
    p.setPanelRuc("20601234565");
    attachStatusPanels(p, &bar);
    attachStatusPanels(p, &bar);  // a second attach adds nothing
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
