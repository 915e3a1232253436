// The status bar panels are the store of the open declaration's key: a reader gets back exactly
// the text last written.
#include "status_panels.h"

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

}  // namespace
}  // namespace klv
