// The buttons of the declaration form Frm_KLV_Declara: Grabar and Validar, run on the engine's
// thread with their progress shown, and Salir, which Escape and the window's close button run too.
#include "frm_klv_declara.h"

#include "frm_klv_declara_common.h"
#include "long_work.h"
#include "status_panels.h"
#include "transaction_grid_model.h"

#include <QCloseEvent>
#include <exception>

namespace klv {

using namespace declaration_form;

// --- Buttons -------------------------------------------------------------------------------------

std::optional<ButtonOutcome> Frm_KLV_Declara::runButton(const QString& text, const QString& failure,
                                                        const std::function<ButtonOutcome(AppContext&, DeclarationState&,
                                                                                          const WorkProgress&)>& button) {
    // A click while a long work runs starts nothing.
    if (LongWork::running()) return std::nullopt;
    gatherState();
    DeclarationState st = st_;
    ButtonOutcome out;
    try {
        LongWork work(ctx_, this, text);
        out = work.run<ButtonOutcome>([&](AppContext& w, const WorkProgress& progress) { return button(w, st, progress); });
        st_ = st;
    } catch (const std::exception& e) {
        // The work could not begin (the engine could not open its connection).
        ctx_.msg(failure + failureText(e), MsgStyle::Critical);
        out = ButtonOutcome{};
    }
    focusOn(out.focus);
    if (out.selectTab >= 0) selectTab(out.selectTab);
    return out;
}

void Frm_KLV_Declara::CmdGrabar_Click() {
    const auto out = runButton(QStringLiteral("Grabando la declaración..."), kGrabarFallo,
                               [](AppContext& w, DeclarationState& st, const WorkProgress& progress) {
                                   return grabarDeclaracion(w, st, progress);
                               });
    if (out && out->ok) lockKey(true);
}

void Frm_KLV_Declara::CmdValidar_Click() {
    runButton(QStringLiteral("Validando la declaración..."), kValidarFallo,
              [](AppContext& w, DeclarationState& st, const WorkProgress& progress) {
                  return validarDeclaracion(w, st, progress);
              });
}

void Frm_KLV_Declara::cmdCancelar_Click() {
    if (LongWork::running()) return;
    if (st_.modified && ctx_.msg(kMsgGuardarCambios, MsgStyle::YesNo | MsgStyle::Question) == MsgAnswer::Yes) {
        CmdGrabar_Click();
        return;
    }
    model_->clear();
    if (ctx_.panels) {
        ctx_.panels->setPanelRuc(QString());
        ctx_.panels->setPanelNombre(QString());
        ctx_.panels->setPanelPeriodo(QString());
        ctx_.panels->setPanelFormulario(ctx_.gFormulario);
    }
    closedInModify_ = st_.mode == kModoModificar;
    if (closedInModify_) st_.mode.clear();
    closing_ = true;
    QDialog::done(QDialog::Accepted);
}

void Frm_KLV_Declara::reject() {
    // Escape leaves as Salir does.
    cmdCancelar_Click();
}

void Frm_KLV_Declara::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    // The window's close button leaves as Salir does (which may keep the form open).
    event->ignore();
    cmdCancelar_Click();
}

}  // namespace klv
