#include "party_forms.h"

#include "app_context.h"
#include "frm_paraisos.h"
#include "frm_partes_vinc.h"
#include "frm_partes_vinc_det.h"

namespace klv {

void setPartyForms(AppContext& ctx) {
    ctx.forms.partyRegister = [&ctx](QWidget* parent, const QString& caller) { FrmPartesVinc::run(ctx, parent, caller); };
    ctx.forms.partySelection = [&ctx](QWidget* parent, const QString& cboNumDoc) {
        return FrmPartesVinc::select(ctx, parent, cboNumDoc);
    };
    ctx.forms.partyDetail = [&ctx](QWidget* parent, const QString& docIdD, const Party& parte) {
        FrmPartesVincDet::runEspecial(ctx, parent, docIdD, parte);
    };
    ctx.forms.referenceList = [&ctx](QWidget* parent, const QString& kind) { FrmParaisos::run(ctx, parent, kind); };
}

}  // namespace klv
