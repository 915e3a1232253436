#include "status_panels.h"

#include <QLabel>
#include <QStatusBar>

namespace klv {

void StatusPanels::attach(QStatusBar* bar) {
    if (!bar || lblFormulario_) return;
    auto make = [&](const char* name, int stretch, int minWidth) {
        auto* l = new QLabel(bar);
        l->setObjectName(QString::fromLatin1(name));
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setTextFormat(Qt::PlainText);  // a name is never read as markup
        l->setMinimumWidth(minWidth);
        bar->addWidget(l, stretch);
        return l;
    };
    lblFormulario_ = make("PanelFormulario", 0, 60);
    lblPeriodo_ = make("PanelPeriodo", 0, 60);
    lblRuc_ = make("PanelRuc", 0, 110);
    lblNombre_ = make("PanelNombre", 1, 200);
    refresh();
}

void StatusPanels::setPanelFormulario(const QString& v) { formulario_ = v; refresh(); }
void StatusPanels::setPanelPeriodo(const QString& v) { periodo_ = v; refresh(); }
void StatusPanels::setPanelNombre(const QString& v) { nombre_ = v; refresh(); }
void StatusPanels::setPanelRuc(const QString& v) { ruc_ = v; refresh(); }

void StatusPanels::refresh() {
    if (!lblFormulario_) return;
    lblFormulario_->setText(formulario_);
    lblPeriodo_->setText(periodo_);
    lblNombre_->setText(nombre_);
    lblRuc_->setText(ruc_);
}

}  // namespace klv
