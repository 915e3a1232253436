#include "transaction_map.h"

#include "amount_entry.h"

namespace klv {
namespace {

struct Builder {
    const TransactionState& st;
    std::vector<MappedColumn> out;

    void constant(const char* column, const QString& value) {
        out.push_back({QLatin1String(column), {}, Conversion::Constant, value});
    }
    void from(const char* column, const char* control, Conversion c) {
        out.push_back({QLatin1String(column), QLatin1String(control), c, {}});
    }
    void whole(const char* column, const char* control) { from(column, control, Conversion::Whole); }
    void decimals(const char* column, const char* control) { from(column, control, Conversion::TwoDecimals); }
    // [check] X: the value while the check is ticked, the empty text otherwise.
    void ifTicked(const char* check, const char* column, const char* control, Conversion c) {
        if (st.on(QLatin1String(check)))
            from(column, control, c);
        else
            constant(column, QString(QLatin1String("")));
    }

    void analysedParty(const char* cont, const char* inf) {
        if (!st.from2012()) return;  // the frames holding the two options show from 2012
        const QString v = st.on(QLatin1String(cont))  ? QStringLiteral("01")
                          : st.on(QLatin1String(inf)) ? QStringLiteral("02")
                                                      : QString(QLatin1String(""));
        constant("par_analizada", v);
    }
    void currency(const char* check, const char* name, const char* combo) {
        if (st.on(QLatin1String(check))) from("nom_otro_tip_mon", name, Conversion::Trimmed);
        from("cod_tip_moneda", combo, Conversion::Code);
    }
};

struct Method {
    const char* check;
    const char* sinAjuBox;
    const char* ajuBox;
    const char* sinAju;       // columns of a non-financial transaction
    const char* aju;
    const char* intsSinAju;   // columns of a financial one
    const char* intsAju;
};
const Method kPCNC{"ChkPCNP", "TxtSinAjusPCNP", "TxtAjusPCNP", "mto_sin_aju_pcnc", "mto_aju_pcnc",
                   "mto_ints_sin_aju_pcnc", "mto_ints_aju_pcnc"};
const Method kPR{"ChkPR", "TxtSinAjusPr", "TxtAjusPr", "mto_sin_aju_pr", "mto_aju_pr", "mto_ints_sin_aju_pr",
                 "mto_ints_aju_pr"};
const Method kCI{"ChkCI", "TxtSinAjusCi", "TxtAjusCi", "mto_sin_aju_ci", "mto_aju_ci", "mto_ints_sin_aju_ci",
                 "mto_ints_aju_ci"};

}  // namespace

std::vector<MappedColumn> columnMap(const TransactionState& st) {
    Builder b{st, {}};
    const bool fin = st.financiera;
    b.constant("flag_val_met", st.flag);

    if (st.flag == kSinMetodo) {
        b.analysedParty("OptCont_SETP", "OptInf_SETP");
        b.currency("ChkOtraMoneda", "TxtOtroTipMoneda", "CboTipMoneda");
        if (!fin) {
            b.whole("mto_sin_tran_mon_ori", "TxtMtoSinTranMonOri");
            b.whole("mto_sin_tran_mon_reg", "TxtMtoSinTranMonReg");
        } else {
            b.whole("mto_sin_cap_mon_ori", "TxtMtoSinCapMonOri");
            b.whole("mto_sin_ints_mon_ori", "TxtMtoSinIntsMonOri");
            b.decimals("tas_sin_efe_anu", "TxtTasSinEfeAnu");
            b.whole("mto_sin_ints_mon_reg", "TxtMtoSinIntsMonReg");
            b.whole("sal_sin_cap_mon_reg", "TxtSalSinCapMonReg");
        }
    } else if (st.flag == kTradicional) {
        b.analysedParty("OptCont_MT", "OptInf_MT");
        b.currency("ChkOtraMoneda1", "TxtOtroTipMoneda1", "CboTipMoneda1");
        auto amounts = [&](const Method& m) {
            b.ifTicked(m.check, m.sinAju, m.sinAjuBox, Conversion::Whole);
            b.ifTicked(m.check, m.aju, m.ajuBox, Conversion::Whole);
        };
        auto ranges = [&](const Method& m, std::initializer_list<std::pair<const char*, const char*>> cols) {
            for (const auto& [column, control] : cols) b.ifTicked(m.check, column, control, Conversion::TwoDecimals);
        };
        if (!fin) {
            b.whole("mto_tran_mon_ori", "TxtMtoTranMonOri");
            amounts(kPCNC);
            if (!st.from2012()) {
                amounts(kPR);
                amounts(kCI);
            } else {
                amounts(kPR);
                ranges(kPR, {{"mto_lim_inf_pr", "TxtLimInfPR"},
                             {"mto_lim_sup_pr", "TxtLimSupPR"},
                             {"mto_mediana_pr", "TxtMedPR"},
                             {"mto_margen_bruto_pr", "TxtMargBrutoPR"}});
                amounts(kCI);
                ranges(kCI, {{"mto_lim_inf_ci", "TxtLimInfCI"},
                             {"mto_lim_sup_ci", "TxtLimSupCI"},
                             {"mto_mediana_ci", "TxtMedCI"},
                             {"mto_margen_bruto_ci", "TxtMargBrutoCI"}});
                ranges(kPCNC, {{"mto_lim_inf_pcnc", "TxtMtoLimInfPCNC"},
                               {"mto_lim_sup_pcnc", "TxtMtoLimSupPCNC"},
                               {"mto_mediana_pcnc", "TxtMtoMedPCNC"}});
            }
        } else {
            b.whole("mto_cap_mon_ori", "TxtMtoCapMonOri");
            b.whole("mto_ints_mon_ori", "TxtMtoIntsMonOri");
            b.decimals("tas_efe_anu", "TxtTasEfeAnu");
            b.whole("sal_cap_mon_reg", "TxtSalCapMonReg");
            for (const Method* m : {&kPCNC, &kPR, &kCI}) {
                b.ifTicked(m->check, m->intsSinAju, m->sinAjuBox, Conversion::Whole);
                b.ifTicked(m->check, m->intsAju, m->ajuBox, Conversion::Whole);
            }
        }
    } else if (st.flag == kOtros) {
        b.analysedParty("OptCont_OM", "OptInf_OM");
        b.currency("ChkOtraMoneda2", "TxtOtroTipMoneda2", "CboTipMoneda2");
        if (!fin) {
            b.whole("mto_tra_mon_ori", "TxtMtoTraMonOri");
            b.whole("mto_tra_mon_reg", "TxtMtoTraMonReg");
            b.whole("mto_aju_res_pos_reg", "TxtMtoAjuResPosReg");
            b.whole("mto_aju_res_neg_reg", "TxtMtoAjuResNegReg");
            b.from("met_val", "CboMetodoVal", Conversion::Code);
            b.from("ind_rentabilidad_mmnt", "CboRangoPLI", Conversion::Code);
            b.decimals("mto_lim_inf_mmnt", "TxtLimInfOM");
            b.decimals("mto_lim_sup_mmnt", "TxtLimSupOM");
            b.decimals("mto_mediana_mmnt", "TxtMedianaOM");
            b.decimals("valor_pli_mmnt", "TxtValorPLIOM");
        } else {
            b.whole("mto_tot_cap_mon_ori", "TxtMtoTotCapMonOri");
            b.whole("mto_tot_ints_mon_ori", "TxtMtoTotIntsMonOri");
            b.whole("mto_tot_ints_mon_reg", "TxtMtoTotIntsMonReg");
            b.whole("sal_tot_cap_mon_reg", "TxtSalTotCapMonReg");
            b.whole("mto_tot_aju_res_pos_reg", "TxtMtoAjuResPosReg");
            b.whole("mto_tot_aju_res_neg_reg", "TxtMtoAjuResNegReg");
            b.from("met_val_ints", "CboMetodoVal", Conversion::Code);
        }
    }
    b.constant("ind_transac_fin", fin ? QStringLiteral("1") : QStringLiteral("0"));
    return b.out;
}

std::optional<QString> storedValue(const TransactionState& st, const MappedColumn& c) {
    const QString text = st.text(c.control);
    switch (c.conversion) {
    case Conversion::Whole: return storedWhole(text);
    case Conversion::TwoDecimals: return storedTwoDecimals(text);
    case Conversion::Code: return text.left(2);
    case Conversion::Trimmed: return text.trimmed();
    case Conversion::Constant: return c.constant;
    }
    return c.constant;
}

}  // namespace klv
