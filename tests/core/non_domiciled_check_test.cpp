// The check of a non-domiciled party's data and its question.
#include "non_domiciled_check.h"
#include "services_fixture.h"

namespace klv::test {
namespace {

const QString kRuc = QStringLiteral("20601234565");
const QString kInicio = QString::fromUtf8(
    "A partir del año 2016 para los 'Informados del Declarante' que tengan condición 'NO DOMICILIADO'");
const QString kFinal = QString::fromUtf8(
    "\r\n\r\n¿Desea modificar los datos del Informado?\r\n"
    "Si desea modificarlo haga click en el boton 'Sí'. "
    "Si desea seleccionar otro Informado o realizar otra operacion haga click en 'No'.");
const QString kNatural = QString::fromUtf8(" y ser Persona Natural deberán consignar la siguiente información: ");
const QString kJuridica = QString::fromUtf8(" y ser Persona Jurídica deberán consignar la siguiente información: ");
const QString kTipoDir = QString::fromUtf8("\r\n\t- Tipo de Dirección Legal");
const QString kDir = QString::fromUtf8("\r\n\t- Dirección Legal");
const QString kFecha = QString::fromUtf8("\r\n\t- Fecha de Nacimiento");

class NoDomiciliadoTest : public ServicesTest {
protected:
    // A non-domiciled party with complete data; `cambios` overrides columns.
    void parte(const QVariantMap& cambios, const QString& form = "8027") {
        QVariantMap v{{"tip_doc_d", 6},        {"doc_id_d", kRuc},         {"formulario", form},
                      {"tip_doc_p", p.tipDocP}, {"doc_id_p", p.docIdP},     {"flag_con_dom", "02"},
                      {"cod_nat_jur", "1"},     {"tip_dir_legal", "01"},    {"des_dir_legal", "CALLE 1"},
                      {"fec_nac", "1980-05-17"}};
        for (auto it = cambios.begin(); it != cambios.end(); ++it) v.insert(it.key(), it.value());
        insert("PAR_VIN", v);
    }
    InformadoNoDomCheck verifica(int periodo = 2016) {
        return udf_VerificaInformadoNoDom(ctx(), periodo, Declarant{6, kRuc}, p);
    }
    const Party p{7, "PA'55"};
};

TEST_F(NoDomiciliadoTest, BeforeTheFirstPeriodNothingIsRead) {
    parte({{"tip_dir_legal", QVariant()}, {"des_dir_legal", QVariant()}, {"fec_nac", QVariant()}});
    const auto r = verifica(2015);
    EXPECT_TRUE(r.completo);
    EXPECT_EQ(r.mensaje, "");
    EXPECT_FALSE(r.leido);
    EXPECT_EQ(r.docIdP, "");
}

TEST_F(NoDomiciliadoTest, CompleteOrExemptPartiesPassAndGiveTheirKey) {
    parte({});
    auto r = verifica();
    EXPECT_TRUE(r.completo);
    EXPECT_TRUE(r.leido);
    EXPECT_EQ(r.docIdD, kRuc);
    EXPECT_EQ(r.docIdP, "PA'55");
    EXPECT_EQ(r.tipDocP, "7");

    for (const QVariantMap& exento : std::initializer_list<QVariantMap>{
             {{"flag_con_dom", "01"}}, {{"cod_nat_jur", "9"}}, {{"cod_nat_jur", QVariant()}},
             {{"flag_con_dom", QVariant()}}}) {
        db().exec("DELETE FROM PAR_VIN");
        QVariantMap v = exento;
        v.insert("tip_dir_legal", QVariant());
        v.insert("des_dir_legal", QVariant());
        v.insert("fec_nac", QVariant());
        parte(v);
        r = verifica(2020);
        EXPECT_TRUE(r.completo) << v.firstKey().toStdString();
        EXPECT_EQ(r.mensaje, "");
    }
}

TEST_F(NoDomiciliadoTest, NaturalPersonWithNothingGetsTheWholeQuestion) {
    parte({{"tip_dir_legal", QVariant()}, {"des_dir_legal", QVariant()}, {"fec_nac", QVariant()}});
    const auto r = verifica();
    EXPECT_FALSE(r.completo);
    EXPECT_EQ(r.mensaje, kInicio + kNatural + kTipoDir + kDir + kFecha + kFinal);
    EXPECT_EQ(r.docIdP, "PA'55");
}

TEST_F(NoDomiciliadoTest, LegalPersonGetsOnlyTheAddressItems) {
    parte({{"cod_nat_jur", "2"}, {"tip_dir_legal", QVariant()}, {"fec_nac", QVariant()}});
    const auto r = verifica();
    EXPECT_FALSE(r.completo);
    EXPECT_EQ(r.mensaje, kInicio + kJuridica + kTipoDir + kFinal);
}

TEST_F(NoDomiciliadoTest, OtherNaturesListTheItemsWithoutThePhrase) {
    parte({{"cod_nat_jur", "3"}, {"des_dir_legal", QVariant()}});
    EXPECT_EQ(verifica().mensaje, kInicio + kDir + kFinal);
}

TEST_F(NoDomiciliadoTest, BirthDateChecks) {
    parte({{"fec_nac", "2026-12-09"}});  // the clock stands at 8 December 2026
    EXPECT_EQ(verifica().mensaje, kInicio + kNatural + kFecha + " (Mayor a la fecha actual)" + kFinal);
    db().exec("UPDATE PAR_VIN SET fec_nac = '2026-12-08'");
    EXPECT_TRUE(verifica().completo);
    db().exec("UPDATE PAR_VIN SET fec_nac = '1799-12-31'");
    EXPECT_EQ(verifica().mensaje, kInicio + kNatural + kFecha + QString::fromUtf8(" (No válida)") + kFinal);
    db().exec("UPDATE PAR_VIN SET fec_nac = 'ayer'");
    EXPECT_EQ(verifica().mensaje, kInicio + kNatural + kFecha + QString::fromUtf8(" (No válida)") + kFinal);
    db().exec("UPDATE PAR_VIN SET fec_nac = ''");
    EXPECT_EQ(verifica().mensaje, kInicio + kNatural + kFecha + kFinal);
}

TEST_F(NoDomiciliadoTest, EmptyAddressCountsAsGivenAndNatureIsReadAsANumber) {
    parte({{"cod_nat_jur", "01"}, {"tip_dir_legal", ""}, {"des_dir_legal", ""}, {"fec_nac", QVariant()}});
    EXPECT_EQ(verifica().mensaje, kInicio + kNatural + kFecha + kFinal);
}

TEST_F(NoDomiciliadoTest, TheRowIsFoundUnderAnyFormCode) {
    parte({{"des_dir_legal", QVariant()}}, "5937");
    EXPECT_FALSE(verifica().completo);
}

TEST_F(NoDomiciliadoTest, APartyWithoutARowHasNothingToCheck) {
    const auto r = verifica();
    EXPECT_TRUE(r.completo);
    EXPECT_EQ(r.mensaje, "");
    EXPECT_FALSE(r.leido);
}

TEST_F(NoDomiciliadoTest, TheYearComesFromTheContext) {
    ctx().gAnioNoDom = 2018;
    parte({{"des_dir_legal", QVariant()}});
    EXPECT_TRUE(verifica(2017).completo);
    EXPECT_TRUE(verifica(2018).mensaje.startsWith(QString::fromUtf8("A partir del año 2018 para")));
}

}  // namespace
}  // namespace klv::test
