#include "status_bar_view.h"

#include "status_panels.h"

#include <QLabel>
#include <QStatusBar>

namespace klv {

void attachStatusPanels(StatusPanels& panels, QStatusBar* bar) {
    if (!bar || bar->findChild<QLabel*>(QStringLiteral("PanelFormulario"))) return;
    auto make = [&](const char* name, int stretch, int minWidth) {
        auto* l = new QLabel(bar);
        l->setObjectName(QString::fromLatin1(name));
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setTextFormat(Qt::PlainText);  // a name is never read as markup
        l->setMinimumWidth(minWidth);
        bar->addWidget(l, stretch);
        return l;
    };
    QLabel* formulario = make("PanelFormulario", 0, 60);
    QLabel* periodo = make("PanelPeriodo", 0, 60);
    QLabel* ruc = make("PanelRuc", 0, 110);
    QLabel* nombre = make("PanelNombre", 1, 200);
    auto refresh = [&panels, formulario, periodo, ruc, nombre] {
        formulario->setText(panels.PanelFormulario());
        periodo->setText(panels.PanelPeriodo());
        nombre->setText(panels.PanelNombre());
        ruc->setText(panels.PanelRuc());
    };
    QObject::connect(&panels, &StatusPanels::changed, bar, refresh);
    refresh();
}

}  // namespace klv
