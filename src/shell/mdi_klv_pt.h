#pragma once
// The module's main window: the frame with its menus, toolbar and status bar. Every action opens a
// working form modally; the frame holds no data.

#include "app_context.h"

#include <QDialog>
#include <QMainWindow>

class QAction;
class QToolBar;

namespace klv {

class MDI_KLV_PT : public QMainWindow {
    Q_OBJECT
public:
    explicit MDI_KLV_PT(AppContext& ctx, QWidget* parent = nullptr);

    // Menu handlers (the toolbar buttons share the menu actions).
    void mnuNueva_Click();
    void mnuModificar_Click();
    void mnuEliminar_Click();
    void mnuPartesvin_Click();
    void mnuImprimir_Click();
    void mnuSalir_Click();
    void mnuModificarE_Click();
    void mnuEliminarE_Click();
    void mnuImprimirE_Click();
    void mnutipvins_Click();
    void mnupar_Click();
    void mnuContenido_Click();
    void mnuAcercade_Click();
    // Toolbar dispatch on the 1-based button index (1..11).
    void Toolbar1_ButtonClick(int index);
    void Cargar_Ayuda();
    // The help at a form's help context (F1 in any window of the module; 0 opens the contents).
    void Cargar_Ayuda(int context);

    QString helpFile() const { return helpFile_; }
    QToolBar* toolbar() const { return toolbar_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    // F1 pressed in any window of the program opens the help of the form it is in; in a message box
    // it does nothing.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addMenuAction(QMenu* menu, const char* name, const QString& caption, void (MDI_KLV_PT::*slot)());
    void enDesarrollo();
    void releaseAndQuit();

    AppContext& ctx_;
    QString helpFile_;
    QToolBar* toolbar_ = nullptr;
    bool leaving_ = false;
};

// About box.
class frmAcercade : public QDialog {
    Q_OBJECT
public:
    explicit frmAcercade(QWidget* frame);
};

}  // namespace klv
