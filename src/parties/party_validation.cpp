#include "party_validation.h"

#include "app_context.h"
#include "field_checks.h"
#include "mensajes.h"
#include "utilitarios.h"

namespace klv {
namespace {

using party::Focus;
using party::Kind;

bool empiezaConGuion(const QString& s) { return s.trimmed().startsWith(QLatin1Char('-')); }

}  // namespace

PartyCheck udf_Validar(const AppContext& ctx, const PartyState& st) {
    if (!ctx.gUtil->udf_Habilitado()) return {};

    const int t = st.tipoNumero();
    const QString n = st.txtNumDoc.trimmed();
    if (!udf_ValidaDocumento(ctx, QString::number(t), n)) {
        ctx.msg(t == 6 ? QStringLiteral("La longitud del RUC no es válida")
                       : QStringLiteral("La longitud del documento  no es válida"),
                MsgStyle::Critical, party::kCaptionDet);
        return {false, Focus::None};
    }
    if (t == 6 && !ctx.gUtil->ValidaRuc(n)) {
        ctx.msg(QStringLiteral("El número de RUC no es válido"), MsgStyle::Critical, party::kCaptionDet);
        return {false, Focus::None};
    }

    const QString tipo = st.tipoCodigo();
    const bool natural = st.opcion == Kind::Natural;
    const bool juridica = st.opcion == Kind::Juridica;
    const bool otro = st.opcion == Kind::Otro;
    const bool dom = st.sConDom == QLatin1String("1");
    const bool noDom = st.sConDom == QLatin1String("0");
    const bool sinApellidos = st.txtApellidoP.trimmed().isEmpty() && st.txtApellidoM.trimmed().isEmpty();
    const QString prefijo = n.left(2);

    struct Rule {
        bool falla;
        int mensaje;
        Focus focus;
    };
    // In this order; the first rule that fails is reported.
    const Rule rules[] = {
        {st.sConDom.isEmpty(), 1, Focus::None},
        {st.sNatJur.isEmpty(), 2, Focus::None},
        {st.cboTipDoc.isEmpty(), 7, Focus::CboTipDoc},
        {st.txtNumDoc.isEmpty(), 8, Focus::TxtNumDoc},
        {st.txtNombre.trimmed().isEmpty() && natural, 10, Focus::TxtNombre},
        {empiezaConGuion(st.txtNombre), 18, Focus::TxtNombre},
        {st.txtApellidoP.trimmed().isEmpty() && natural && tipo == QLatin1String("01") && dom, 9, Focus::TxtApellido_P},
        {empiezaConGuion(st.txtApellidoP), 19, Focus::TxtApellido_P},
        {st.txtApellidoM.trimmed().isEmpty() && natural && tipo == QLatin1String("01") && dom, 14, Focus::TxtApellido_M},
        {empiezaConGuion(st.txtApellidoM), 20, Focus::TxtApellido_M},
        {sinApellidos && natural && tipo != QLatin1String("01") && dom, 16, Focus::TxtApellido_P},
        {sinApellidos && natural && tipo == QLatin1String("07") && noDom, 16, Focus::TxtApellido_P},
        {sinApellidos && natural && (tipo == QLatin1String("31") || tipo == QLatin1String("32")), 16,
         Focus::TxtApellido_P},
        {tipo == QLatin1String("06") && natural && prefijo == QLatin1String("20"), 12, Focus::TxtNumDoc},
        {tipo == QLatin1String("06") && juridica &&
             (prefijo == QLatin1String("10") || prefijo == QLatin1String("15") || prefijo == QLatin1String("17")),
         12, Focus::TxtNumDoc},
        {tipo == QLatin1String("01") && n == QLatin1String("00000000"), 17, Focus::TxtNumDoc},
        {st.txtRazSoc.trimmed().isEmpty() && (otro || juridica), 11, Focus::TxtRazSoc},
        {st.sNatJur == QLatin1String("O") && st.txtNatJurO.trimmed().isEmpty(), 3, Focus::TxtNatJurO},
        {st.cboCodPais.isEmpty(), 4, Focus::CboCodPais},
        {st.sParVin.isEmpty(), 5, Focus::None},
        {st.sParVin == QLatin1String("S") && st.udf_nTiposVinc() == 0, 6, Focus::None},
        {empiezaConGuion(st.txtRazSoc), 11, Focus::TxtRazSoc},
        {st.sParFis == QLatin1String("0") && noDom && st.sParVin == QLatin1String("N"), 13, Focus::None},
    };
    for (const Rule& r : rules) {
        if (!r.falla) continue;
        udp_Mensaje(ctx, r.mensaje, party::kFrmPartesVincDet);
        return {false, r.focus};
    }
    return {};
}

}  // namespace klv
