// The choice rules' data, the vinculation types and the two reference lists.
#include "parties_fixture.h"

#include "party_rules.h"
#include "reference_lists.h"
#include "vinculation_types.h"

namespace klv::test {
namespace {

using party::Kind;

class ListsTest : public PartiesTest {};

TEST_F(ListsTest, DocumentTypesAndFieldsByKindAndDomicile) {
    const struct {
        Kind kind;
        const char* dom;
        QStringList tipos;
        int modo;  // -1: udp_HabilitaDirLegal not called
    } cases[] = {
        {Kind::Natural, "1", {"1", "4", "6", "7"}, 0}, {Kind::Natural, "0", {"31", "32", "7"}, 1},
        {Kind::Natural, "", {}, -1},                    {Kind::Juridica, "1", {"6"}, 0},
        {Kind::Juridica, "0", {"31"}, 2},               {Kind::Juridica, "", {}, -1},
        {Kind::Otro, "0", {"31"}, 0},                   {Kind::Otro, "", {"31"}, 0},
    };
    for (const auto& c : cases) {
        const KindRule r = reglaNaturaleza(c.kind, QString::fromLatin1(c.dom));
        EXPECT_EQ(r.tipos, c.tipos);
        EXPECT_EQ(r.modoDirLegal.value_or(-1), c.modo);
    }
    const DirLegalEnabled m0 = udp_HabilitaDirLegal(0, false), m1 = udp_HabilitaDirLegal(1, false),
                          m2 = udp_HabilitaDirLegal(2, false);
    EXPECT_FALSE(m0.tipResid || m0.dirLegal || m0.fecNac);
    EXPECT_TRUE(m1.tipResid && m1.dirLegal && m1.fecNac);
    EXPECT_TRUE(m2.tipResid && m2.dirLegal && !m2.fecNac);

    const std::pair<const char*, int> lengths[] = {{"01", 8}, {"04", 12}, {"07", 12}, {"06", 11}, {"31", 50}, {"32", 50}, {"00", -1}};
    for (const auto& [code, len] : lengths) EXPECT_EQ(longitudDocumento(QString::fromLatin1(code)).value_or(-1), len);

    EXPECT_TRUE(udp_VerificaParaiso(ctx(), "9019 "));
    EXPECT_FALSE(udp_VerificaParaiso(ctx(), "9589"));
}

TEST_F(ListsTest, VinculationTypesInCodeOrder) {
    db().exec("DELETE FROM TIP_VIN WHERE COD_TIP_VIN = '02'");
    insertRow(db(), "TIP_VIN", {{"COD_TIP_VIN", "02"}, {"FORMULARIO", "8027"}, {"NOM_TIP_VIN", "DOS"}, {"CNUMERO", "666666"}});
    const auto tipos = udp_CargarLstTipVin(ctx());
    ASSERT_EQ(tipos.size(), 14u);
    for (size_t i = 0; i < tipos.size(); ++i) EXPECT_EQ(tipos[i].codigo, QString::asprintf("%02d", int(i + 1)));
    EXPECT_EQ(tipos[0].numRenta, "Num. 1");
    EXPECT_EQ(tipos[1].numRenta, "");
    EXPECT_EQ(tipos[1].nombre, "DOS");
}

TEST_F(ListsTest, ReferenceLists) {
    const ReferenceList v = listaReferencia(ctx(), kListaVinculo);
    EXPECT_EQ(v.caption, "TIPOS DE VINCULACION");
    EXPECT_EQ(v.columnas, QStringList({S("ART.24° REGLAMENTO DE LEY DEL IMPUESTO A LA RENTA"), "DESCRIPCION"}));
    EXPECT_TRUE(v.nota);
    EXPECT_EQ(v.helpContext, 1023);
    ASSERT_EQ(v.filas.size(), 14u);
    EXPECT_EQ(v.filas[13].first, S("Num. 12, 6to Párrafo"));

    const ReferenceList p = listaReferencia(ctx(), kListaParaiso);
    EXPECT_EQ(p.caption, "PARAISOS FISCALES");
    EXPECT_EQ(p.columnas, QStringList({"CODIGO", "DESCRIPCION"}));
    EXPECT_FALSE(p.nota);
    EXPECT_EQ(p.helpContext, 1007);
    ASSERT_FALSE(p.filas.empty());
    EXPECT_TRUE(std::is_sorted(p.filas.begin(), p.filas.end()));
    EXPECT_EQ(p.filas.front().second, "TERRITORIO DE BAJA IMPOSICION " + p.filas.front().first);

    db().exec("DELETE FROM PARAISO_FISCAL");
    EXPECT_TRUE(listaReferencia(ctx(), kListaParaiso).filas.empty());
    EXPECT_FALSE(listaReferencia(ctx(), "OTRA").conocida);
}

}  // namespace
}  // namespace klv::test
