#pragma once
// The status panels of the main window. Besides showing the context of the open declaration they
// are where forms leave the declarant and period for other forms: a reader gets back exactly the
// text last written. The texts live here; the shell shows them in the status bar
// (attachStatusPanels) and follows every change through changed().

#include <QObject>
#include <QString>

namespace klv {

class StatusPanels : public QObject {
    Q_OBJECT
public:
    explicit StatusPanels(QObject* parent = nullptr) : QObject(parent) {}

    QString PanelFormulario() const { return formulario_; }
    QString PanelPeriodo() const { return periodo_; }
    QString PanelNombre() const { return nombre_; }
    QString PanelRuc() const { return ruc_; }
    int PanelEstado() const { return estado_; }

    void setPanelFormulario(const QString& v) { formulario_ = v; emit changed(); }
    void setPanelPeriodo(const QString& v) { periodo_ = v; emit changed(); }
    void setPanelNombre(const QString& v) { nombre_ = v; emit changed(); }
    void setPanelRuc(const QString& v) { ruc_ = v; emit changed(); }
    void setPanelEstado(int v) { estado_ = v; }

signals:
    void changed();

private:
    QString formulario_, periodo_, nombre_, ruc_;
    int estado_ = 0;
};

}  // namespace klv
