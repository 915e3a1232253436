#include "qm8027_module.h"

#include "app_context.h"
#include "frm_importador.h"
#include "frm_imprimir.h"
#include "frm_klv_declara.h"
#include "frm_transacciones.h"
#include "party_forms.h"
#include "qt_message_service.h"
#include "show_report.h"

namespace klv {

void setModuleForms(AppContext& ctx) {
    ctx.forms.declaration = [&ctx](QWidget* parent, const QString& caller, const DeclarationKey* key) {
        return Frm_KLV_Declara::run(ctx, parent, caller, key);
    };
    ctx.forms.transaction = [&ctx](QWidget* parent, const QString& mode, const QString& caller,
                                   const OpenDeclaration& decl, const TransactionKey* key) {
        FrmTransacciones::run(ctx, parent, mode, caller, decl, key);
    };
    setPartyForms(ctx);
    ctx.forms.showReport = [&ctx](QWidget* parent, const QString& fileName, const QString& modo) {
        return udp_MostrarReporte(ctx, parent, fileName, modo);
    };
    ctx.forms.printDialog = [&ctx](QWidget* parent) { FrmImprimir::run(ctx, parent); };
    // The openers refresh themselves when the dialog has closed.
    ctx.forms.importDialog = [&ctx](QWidget* parent, const QString& caller, const OpenDeclaration* decl) {
        FrmImportador::run(ctx, parent, caller, decl, import::ejecutarImportacion);
    };
}

ModuleServices::ModuleServices(AppContext& ctx)
    : messages_(makeMessageService()), help_(std::make_unique<DesktopHelpService>(*messages_, ctx.gTitulo)) {
    ctx.messages = messages_.get();
    ctx.clock = &clock_;
    ctx.help = help_.get();
    ctx.panels = &panels_;
    setModuleForms(ctx);
}

ModuleServices::~ModuleServices() = default;

}  // namespace klv
