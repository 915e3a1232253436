// The register's list, the declarant's name and the delete with its re-marking of declarations.
#include "parties_fixture.h"

#include "party_register.h"

namespace klv::test {
namespace {

class RegisterTest : public PartiesTest {};

TEST_F(RegisterTest, ListsEveryPartyOfTheDeclarantInKeyOrderWithItsTexts) {
    party("20100000009", {{"RAZON_SOCIAL", "ALFA SAC"}, {"FLAG_CON_DOM", "01"}, {"FLAG_PAR_FIS", "0"},
                          {"FLAG_PAR_VIN", "01"}, {"COD_NAT_JUR", "2"}});
    // Unknown country, and a document type without PARAM row (as the import stores it): listed.
    party("AB1", {{"TIP_DOC_P", 7}, {"COD_PAR", "9999"}, {"FLAG_CON_DOM", "02"}, {"FLAG_PAR_FIS", "1"},
                  {"FLAG_PAR_VIN", "02"}, {"COD_NAT_JUR", "1"}});
    party("X0", {{"TIP_DOC_P", 0}, {"COD_NAT_JUR", "9"}});
    party("OTRA", {{"DOC_ID_D", "10412345679"}});

    const auto rows = listarInformados(ctx(), 6, kRuc);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].party.docIdP, "X0");
    EXPECT_EQ(rows[1].party.docIdP, "20100000009");
    EXPECT_EQ(rows[2].party.docIdP, "AB1");
    QStringList texts;
    for (int c = 0; c < 9; ++c) texts << rows[1].texto(c);
    EXPECT_EQ(texts.join(", "), "RUC, 20100000009, ALFA SAC, SI, PERU, NO, SI, PERSONA JURIDICA, 6");
    texts.clear();
    for (int c = 0; c < 9; ++c) texts << rows[2].texto(c);
    EXPECT_EQ(texts.join(", "), "PASAPORTE, AB1, , NO, , SI, NO, PERSONA NATURAL, 7");
    EXPECT_EQ(rows[0].texto(0), "");
    EXPECT_EQ(rows[0].texto(7), "OTRO TIPO NAT.JUR.");
    EXPECT_EQ(columnasInformados().size(), 9);
    EXPECT_EQ(textoRegistros(3), " 3 Registros Encontrados.");
    EXPECT_EQ(textoRegistros(0), " 0 Registros Encontrados.");
}

TEST_F(RegisterTest, DeclarantNameFollowsTheUserFilter) {
    insertRow(db(), "CONT", {{"Tip_doc_d", 6}, {"Doc_id_d", "20999999990"}, {"Nombre", "AJENA SA"}, {"Usuario", "OTRO"}});
    EXPECT_EQ(nombreDeclarante(ctx(), kRuc), "EMPRESA DEMOSTRACION S.A.C.");
    EXPECT_EQ(nombreDeclarante(ctx(), "20999999990"), "AJENA SA");
    db().exec("UPDATE CLAVES SET Tipo = '1'");
    EXPECT_EQ(nombreDeclarante(ctx(), kRuc), "EMPRESA DEMOSTRACION S.A.C.");
    EXPECT_EQ(nombreDeclarante(ctx(), "20999999990"), "");
    EXPECT_EQ(nombreDeclarante(ctx(), "20000000000"), "");
}

// P has transactions in 2014 (its only ones there) and 2016; Q has a positive one in 2016 and a
// zero one in 2015.
class DeleteTest : public RegisterTest {
protected:
    void SetUp() override {
        party("P");
        type("P", "01");
        type("P", "02", 6, "9999");
        party("Q");
        transaction("2014", "P", 1, "100");
        transaction("2016", "P", 1, "50");
        transaction("2016", "Q", 1, "70");
        transaction("2015", "Q", 1, "0");
        for (const char* p : {"2014", "2015", "2016"}) cab(p, 0);
    }
    int estado(const char* periodo) { return value("SELECT Estado FROM CAB WHERE PERIODO = ?", {periodo}).toInt(); }
    int rowsOf(const char* docIdP) {
        int n = 0;
        for (const char* t : {"PAR_VIN", "TIP_VIN_PAR", "TRANSACCION2", "TRATIPTRA2"})
            n += value(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE DOC_ID_P = ?").arg(t), {docIdP}).toInt();
        return n;
    }
};

TEST_F(DeleteTest, DeletesThePartyEverywhereAndMarksTheDeclarationsLeftWithoutTotals) {
    messages().script(MsgAnswer::Yes);
    messages().script(MsgAnswer::Yes);
    EXPECT_TRUE(udp_EliminarInformado(ctx(), kRuc, Party{6, "P"}));
    ASSERT_EQ(messages().calls().size(), 2u);
    EXPECT_EQ(messages().calls()[0].text, S("El Informado que desea Eliminar tiene\r\nTransacciones ¿Desea Eliminar el Registro?"));
    EXPECT_EQ(messages().calls()[0].style, 36);
    EXPECT_EQ(messages().calls()[1].text, S("¿Confirma que va a eliminar la información?"));
    EXPECT_EQ(messages().calls()[1].style, 292);
    EXPECT_EQ(messages().calls()[1].title, ctx().gTitulo);
    EXPECT_EQ(rowsOf("P"), 0);
    EXPECT_EQ(rowsOf("Q"), 5);
    EXPECT_EQ(estado("2014"), 9);  // left empty
    EXPECT_EQ(estado("2015"), 9);  // zero totals, P never had transactions there
    EXPECT_EQ(estado("2016"), 0);  // Q's positive total keeps it
}

TEST_F(DeleteTest, QuestionsStopTheDelete) {
    messages().script(MsgAnswer::No);
    EXPECT_FALSE(udp_EliminarInformado(ctx(), kRuc, Party{6, "P"}));
    EXPECT_EQ(messages().calls().size(), 1u);
    messages().clear();
    messages().script(MsgAnswer::Yes);
    messages().script(MsgAnswer::No);
    EXPECT_FALSE(udp_EliminarInformado(ctx(), kRuc, Party{6, "P"}));
    EXPECT_EQ(messages().calls().size(), 2u);
    EXPECT_EQ(rowsOf("P"), 7);

    // A party without stored transactions gets only the confirmation (No by default).
    party("R");
    messages().clear();
    EXPECT_FALSE(udp_EliminarInformado(ctx(), kRuc, Party{6, "R"}));
    ASSERT_EQ(messages().calls().size(), 1u);
    EXPECT_EQ(messages().last().style, 292);
    EXPECT_EQ(rowsOf("R"), 1);
}

// A failure of the re-marking deletes nothing and is shown: a CAB that cannot be written, and a
// stored amount of the declarant that is not a number (the catalogue's text, not the statement).
TEST_F(DeleteTest, AFailureOfTheReMarkingDeletesNothing) {
    const struct {
        const char* setup;
        QString text;  // the whole text, or its start when it ends with "..."
    } cases[] = {
        {"CREATE TRIGGER locked BEFORE UPDATE ON CAB BEGIN SELECT RAISE(ABORT, 'cab bloqueada'); END",
         "Restricción de la base de datos (cab bloqueada)..."},
        {"UPDATE TRANSACCION2 SET MTO_SIN_TRAN_MON_REG = '12A' WHERE DOC_ID_P = 'Q' AND PERIODO = '2015'",
         "No coinciden los tipos: un importe guardado no es un número\n 13"},
    };
    for (const auto& c : cases) {
        db().exec(c.setup);
        messages().clear();
        messages().script(MsgAnswer::Yes);
        messages().script(MsgAnswer::Yes);
        EXPECT_FALSE(udp_EliminarInformado(ctx(), kRuc, Party{6, "P"})) << c.setup;
        EXPECT_EQ(messages().last().title, "Error");
        if (c.text.endsWith("..."))
            EXPECT_TRUE(messages().last().text.startsWith(c.text.chopped(3))) << messages().last().text.toStdString();
        else
            EXPECT_EQ(messages().last().text, c.text);
        EXPECT_EQ(messages().last().style, 0);
        EXPECT_EQ(rowsOf("P"), 7);
        EXPECT_EQ(estado("2014"), 0);
        db().exec("DROP TRIGGER IF EXISTS locked");
    }
}

}  // namespace
}  // namespace klv::test
