// udf_Validar: the gate, the document prelude and the 23 rules in their order.
#include "parties_fixture.h"

#include "host_env.h"
#include "mensajes.h"
#include "party_validation.h"

#include <functional>

namespace klv::test {
namespace {

using party::Focus;
using Edit = std::function<void(PartyState&)>;

class ValidationTest : public PartiesTest {
protected:
    // Runs the check and gives the message shown ("" when none).
    QString check(const PartyState& st, Focus* focus = nullptr) {
        messages().clear();
        const PartyCheck c = udf_Validar(ctx(), st);
        if (focus) *focus = c.focus;
        EXPECT_EQ(c.ok, messages().empty());
        return messages().empty() ? QString() : messages().last().text;
    }
    static Edit dni(const QString& numero) {
        return [numero](PartyState& s) {
            s.sNatJur = "N";
            s.opcion = party::Kind::Natural;
            s.cboTipDoc = "01  -  DNI";
            s.txtNumDoc = numero;
            s.txtRazSoc.clear();
            s.txtNombre = "ANA";
            s.txtApellidoP = "RIOS";
            s.txtApellidoM = "VEGA";
        };
    }
};

TEST_F(ValidationTest, BothSampleParties) {
    EXPECT_EQ(check(company()), "");
    EXPECT_EQ(check(traveller()), "");
}

TEST_F(ValidationTest, EachRuleReportsItsMessageAndFocus) {
    struct Case {
        int rule;
        bool fromTraveller;
        Edit edit;
        int message;
        Focus focus;
    };
    const Edit natural = [](PartyState& s) { dni("12345678")(s); };
    const Case cases[] = {
        {1, false, [](PartyState& s) { s.sConDom.clear(); }, 1, Focus::None},
        {2, false, [](PartyState& s) { s.sNatJur.clear(); }, 2, Focus::None},
        {3, false, [](PartyState& s) { s.cboTipDoc.clear(); s.txtNumDoc = "X1"; }, 7, Focus::CboTipDoc},
        {5, true, [](PartyState& s) { s.txtNombre = "  "; }, 10, Focus::TxtNombre},
        {6, false, [](PartyState& s) { s.txtNombre = " -ANA"; }, 18, Focus::TxtNombre},
        {7, false, [&](PartyState& s) { natural(s); s.txtApellidoP.clear(); }, 9, Focus::TxtApellido_P},
        {8, true, [](PartyState& s) { s.txtApellidoP = "-X"; }, 19, Focus::TxtApellido_P},
        {9, false, [&](PartyState& s) { natural(s); s.txtApellidoM = " "; }, 14, Focus::TxtApellido_M},
        {10, true, [](PartyState& s) { s.txtApellidoM = "-X"; }, 20, Focus::TxtApellido_M},
        {11, false, [&](PartyState& s) { natural(s); s.cboTipDoc = "04  -  CARNET"; s.txtNumDoc = "A1";
                                          s.txtApellidoP.clear(); s.txtApellidoM.clear(); }, 16, Focus::TxtApellido_P},
        {12, true, [](PartyState& s) { s.txtApellidoP.clear(); }, 16, Focus::TxtApellido_P},
        {13, true, [](PartyState& s) { s.cboTipDoc = "32  -  DOC"; s.txtApellidoP.clear(); }, 16, Focus::TxtApellido_P},
        {14, false, [&](PartyState& s) { natural(s); s.cboTipDoc = "06  -  RUC"; s.txtNumDoc = "20100000009"; },
         12, Focus::TxtNumDoc},
        {15, false, [](PartyState& s) { s.txtNumDoc = "10412345679"; }, 12, Focus::TxtNumDoc},
        {16, false, dni("00000000"), 17, Focus::TxtNumDoc},
        {17, false, [](PartyState& s) { s.txtRazSoc = "   "; }, 11, Focus::TxtRazSoc},
        {18, true, [](PartyState& s) { s.sNatJur = "O"; s.opcion = party::Kind::Otro; s.cboTipDoc = "31  -  DOC";
                                        s.txtRazSoc = "X"; }, 3, Focus::TxtNatJurO},
        {19, false, [](PartyState& s) { s.cboCodPais.clear(); }, 4, Focus::CboCodPais},
        {20, false, [](PartyState& s) { s.sParVin.clear(); }, 5, Focus::None},
        {21, false, [](PartyState& s) { s.tipos.clear(); }, 6, Focus::None},
        {22, false, [](PartyState& s) { s.txtRazSoc = "-ALFA"; }, 11, Focus::TxtRazSoc},
        {23, true, [](PartyState& s) { s.sParFis = "0"; }, 13, Focus::None},
    };
    // A type "0" row lets an empty type combo through the document prelude to rule 3.
    insertRow(db(), "PARAM", {{"Numero", "044"}, {"Argumento", "0"},
                              {"Funcion", host::documentTypeLayout("OTROS", "OTROS", 15, 0, false)}});
    for (const Case& c : cases) {
        PartyState st = c.fromTraveller ? traveller() : company();
        c.edit(st);
        Focus focus = Focus::CboCodPais;
        const QString shown = check(st, &focus);
        EXPECT_EQ(shown, textoMensaje(c.message, party::kFrmPartesVincDet, 2026)) << "rule " << c.rule;
        EXPECT_EQ(focus, c.focus) << "rule " << c.rule;
        EXPECT_EQ(messages().last().style, 48) << "rule " << c.rule;
        EXPECT_EQ(messages().last().title, ctx().gTitulo) << "rule " << c.rule;
    }
}

TEST_F(ValidationTest, DocumentPreludeComesFirst) {
    const QString longitud = S("La longitud del documento  no es válida");
    PartyState empty;
    empty.mode = party::kNuevo;
    EXPECT_EQ(check(empty), longitud);
    EXPECT_EQ(messages().last().style, 16);
    EXPECT_EQ(messages().last().title, "Registro de Informados");

    const struct {
        Edit edit;
        QString message;
    } cases[] = {
        {[](PartyState& s) { s.txtNumDoc = "2010000000"; }, S("La longitud del RUC no es válida")},
        {[](PartyState& s) { s.txtNumDoc = "20100000008"; }, S("El número de RUC no es válido")},
        {[](PartyState& s) { s.txtNumDoc.clear(); }, S("La longitud del RUC no es válida")},
        {dni("0000000"), longitud},  // the DNI rule only after a valid length
        {dni("1234567A"), longitud},
        {[](PartyState& s) { s.cboTipDoc.clear(); }, longitud},
    };
    for (const auto& c : cases) {
        PartyState st = company();
        c.edit(st);
        EXPECT_EQ(check(st), c.message);
        EXPECT_EQ(messages().last().style, 16);
        EXPECT_EQ(messages().last().title, "Registro de Informados");
    }
}

TEST_F(ValidationTest, RucPrefixDependsOnTheKind) {
    PartyState st = company();
    EXPECT_EQ(check(st), "");  // 20 for a legal person
    st.txtNumDoc = "10412345679";
    EXPECT_NE(check(st), "");  // 10 for a legal person
    st.sNatJur = "O";
    st.opcion = party::Kind::Otro;
    st.txtNatJurO = "FONDO";
    EXPECT_EQ(check(st), "");  // neither rule for another kind
    st.txtNumDoc = "20100000009";
    EXPECT_EQ(check(st), "");
    dni("12345678")(st);
    st.cboTipDoc = "06  -  RUC";
    st.txtNumDoc = "10412345679";
    EXPECT_EQ(check(st), "");  // 10 for a natural person
}

TEST_F(ValidationTest, RuleTwentyThreeAndBothWaysPastIt) {
    PartyState st = traveller();
    EXPECT_EQ(check(st), "");  // tax haven
    st.sParFis = "0";
    st.sParVin = "S";
    st.tipos = QStringList{"03"};
    EXPECT_EQ(check(st), "");  // related
    st.sParVin = "N";
    EXPECT_EQ(check(st), textoMensaje(13, party::kFrmPartesVincDet, 2026));
    EXPECT_TRUE(check(st).contains("Baja\r\no Nula"));
}

TEST_F(ValidationTest, ClosedGatePassesWithoutAnyCheck) {
    qputenv("KLV_GATE", "0");
    PartyState empty;
    EXPECT_TRUE(udf_Validar(ctx(), empty).ok);
    EXPECT_TRUE(messages().empty());
    qunsetenv("KLV_GATE");
}

}  // namespace
}  // namespace klv::test
