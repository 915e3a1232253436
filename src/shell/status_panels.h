#pragma once
// The status bar of the main window with its named panels. Besides showing the context of the open
// declaration it is where forms leave the declarant and period for other forms: a reader gets back
// exactly the text last written.

#include <QObject>
#include <QString>

class QLabel;
class QStatusBar;

namespace klv {

class StatusPanels : public QObject {
    Q_OBJECT
public:
    explicit StatusPanels(QObject* parent = nullptr) : QObject(parent) {}
    // Shows the panels in the given status bar (may be called once; works without one too).
    void attach(QStatusBar* bar);

    QString PanelFormulario() const { return formulario_; }
    QString PanelPeriodo() const { return periodo_; }
    QString PanelNombre() const { return nombre_; }
    QString PanelRuc() const { return ruc_; }
    int PanelEstado() const { return estado_; }

    void setPanelFormulario(const QString& v);
    void setPanelPeriodo(const QString& v);
    void setPanelNombre(const QString& v);
    void setPanelRuc(const QString& v);
    void setPanelEstado(int v) { estado_ = v; }

private:
    void refresh();
    QString formulario_, periodo_, nombre_, ruc_;
    int estado_ = 0;
    QLabel* lblFormulario_ = nullptr;
    QLabel* lblPeriodo_ = nullptr;
    QLabel* lblNombre_ = nullptr;
    QLabel* lblRuc_ = nullptr;
};

}  // namespace klv
