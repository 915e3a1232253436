#pragma once
// Shows the status panels in the main window's status bar: one label per panel, refreshed on every
// change of the texts.

class QStatusBar;

namespace klv {

class StatusPanels;

// Adds the panels' labels (PanelFormulario, PanelPeriodo, PanelRuc, PanelNombre) to the bar; a
// second call on the same bar adds nothing.
void attachStatusPanels(StatusPanels& panels, QStatusBar* bar);

}  // namespace klv
