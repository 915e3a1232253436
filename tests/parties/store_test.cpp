// The detail form's save, the row writer the import shares, the existence test and the load.
#include "parties_fixture.h"

#include "numero_control.h"
#include "party_store.h"

#include <QSqlRecord>

namespace klv::test {
namespace {

class StoreTest : public PartiesTest {
protected:
    QSqlRecord row(const QString& docIdP) {
        const auto rows = db().rows("SELECT * FROM PAR_VIN WHERE DOC_ID_P = ?", {docIdP});
        return rows.empty() ? QSqlRecord() : rows.front();
    }
    QStringList types(const QString& docIdP) {
        QStringList out;
        for (const auto& r : db().rows("SELECT COD_TIP_VIN, CNUMERO, FORMULARIO, TIP_DOC_P FROM TIP_VIN_PAR "
                                       "WHERE DOC_ID_P = ? ORDER BY 1", {docIdP})) {
            const QVariantMap k{{"tip_doc_d", 6}, {"doc_id_d", kRuc}, {"formulario", r.value(2)},
                                {"tip_doc_p", r.value(3)}, {"doc_id_p", docIdP}, {"cod_tip_vin", r.value(0)}};
            EXPECT_EQ(r.value(1).toString(), numeroControl("TIP_VIN_PAR", k, 4));
            out << r.value(0).toString();
        }
        return out;
    }
    // The stored row's control number is the one computed over the row as stored.
    void expectControlNumber(const QString& docIdP) {
        const QSqlRecord r = row(docIdP);
        EXPECT_EQ(r.value("cnumero").toString(), numeroControl("PAR_VIN", r, 4));
    }
    bool save(const PartyState& st) {
        messages().clear();
        return grabarInformado(ctx(), st).saved;
    }
    PartyState modify(PartyState st) {
        st.mode = party::kModificar;
        return st;
    }
};

TEST_F(StoreTest, DomiciledCompanyWithTwoTypes) {
    PartyState st = company();
    st.txtNumDoc = " 20100000009 ";
    ctx().gNumParVin = 4;
    ASSERT_TRUE(save(st));
    EXPECT_TRUE(messages().empty());
    const QSqlRecord r = row("20100000009");
    ASSERT_FALSE(r.isEmpty());
    EXPECT_EQ(r.value("tip_doc_p").toInt(), 6);
    EXPECT_EQ(r.value("formulario").toString(), "8027");
    EXPECT_EQ(r.value("cod_par").toString(), "9589");
    EXPECT_EQ(r.value("flag_par_fis").toString(), "0");
    EXPECT_EQ(r.value("cod_nat_jur").toString(), "2");
    EXPECT_EQ(r.value("flag_par_vin").toString(), "01");
    EXPECT_EQ(r.value("flag_con_dom").toString(), "01");
    EXPECT_EQ(r.value("razon_social").toString(), "ALFA SAC");
    EXPECT_EQ(r.value("apepat_par_vin").toString(), " ");
    EXPECT_EQ(r.value("apemat_par_vin").toString(), " ");
    for (const char* c : {"otr_nat_jur", "nom_par_vin", "fec_nac", "tip_dir_legal", "des_dir_legal"})
        EXPECT_TRUE(r.value(c).isNull()) << c;
    expectControlNumber("20100000009");
    EXPECT_EQ(types("20100000009"), QStringList({"01", "05"}));
    EXPECT_EQ(ctx().gNumParVin, 5);

    // The same number again is refused as existing, however it is typed.
    st.txtNumDoc = "20100000009  ";
    EXPECT_FALSE(save(st));
    ASSERT_FALSE(messages().empty());
    EXPECT_EQ(messages().last().text, kInformadoExiste);
    EXPECT_EQ(messages().last().style, 48);
    EXPECT_EQ(count("PAR_VIN"), 1);
    EXPECT_EQ(ctx().gNumParVin, 5);
}

TEST_F(StoreTest, NonDomiciledPersonWithBirthDateAndAddress) {
    ASSERT_TRUE(save(traveller()));
    const QSqlRecord r = row("AB123456");
    EXPECT_EQ(r.value("tip_doc_p").toInt(), 7);
    EXPECT_EQ(r.value("razon_social").toString(), "PEREZ , JUAN");
    EXPECT_EQ(r.value("nom_par_vin").toString(), "juan");
    EXPECT_EQ(r.value("apepat_par_vin").toString(), "PEREZ");
    EXPECT_EQ(r.value("apemat_par_vin").toString(), " ");
    EXPECT_EQ(r.value("fec_nac").toString(), "1980-05-17");
    EXPECT_EQ(r.value("tip_dir_legal").toString(), "01");
    EXPECT_EQ(r.value("des_dir_legal").toString(), "CALLE 1");
    EXPECT_EQ(r.value("flag_par_fis").toString(), "1");
    EXPECT_EQ(r.value("flag_par_vin").toString(), "02");
    EXPECT_EQ(r.value("flag_con_dom").toString(), "02");
    EXPECT_EQ(r.value("cod_nat_jur").toString(), "1");
    expectControlNumber("AB123456");
    EXPECT_TRUE(types("AB123456").isEmpty());

    // An empty mask and no address store NULL.
    PartyState st = modify(traveller());
    st.mebFecNac = party::kFechaVacia;
    st.cboTipResid = QString(75, ' ');
    st.txtDirRedLegal.clear();
    ASSERT_TRUE(save(st));
    EXPECT_TRUE(row("AB123456").value("fec_nac").isNull());
    EXPECT_TRUE(row("AB123456").value("tip_dir_legal").isNull());
    EXPECT_TRUE(row("AB123456").value("des_dir_legal").isNull());
}

TEST_F(StoreTest, TaxHavenPartyChangedToNotRelatedLosesItsTypes) {
    PartyState st = traveller();
    st.sParVin = "S";
    st.tipos = QStringList{"02", "11"};
    ASSERT_TRUE(save(st));
    EXPECT_EQ(types("AB123456"), QStringList({"02", "11"}));
    st = modify(st);
    st.sParVin = "N";
    ASSERT_TRUE(save(st));
    EXPECT_TRUE(types("AB123456").isEmpty());
    EXPECT_EQ(row("AB123456").value("flag_par_vin").toString(), "02");
    expectControlNumber("AB123456");
    EXPECT_EQ(ctx().gNumParVin, 1);
}

TEST_F(StoreTest, AChangeKeepsWhatTheFormDoesNotWrite) {
    ASSERT_TRUE(save(company()));
    db().exec("UPDATE PAR_VIN SET FEC_NAC = '1970-01-02', DES_DIR_LEGAL = 'AV 2', OTR_NAT_JUR = 'X', NOM_PAR_VIN = 'N'");
    PartyState st = modify(company());
    st.txtRazSoc = "alfa sac nueva";
    ASSERT_TRUE(save(st));
    const QSqlRecord r = row("20100000009");
    EXPECT_EQ(r.value("razon_social").toString(), "ALFA SAC NUEVA");
    EXPECT_EQ(r.value("fec_nac").toString(), "1970-01-02");
    EXPECT_EQ(r.value("des_dir_legal").toString(), "AV 2");
    EXPECT_EQ(r.value("otr_nat_jur").toString(), "X");
    EXPECT_EQ(r.value("nom_par_vin").toString(), "N");
    expectControlNumber("20100000009");
}

TEST_F(StoreTest, DateAndAddressRefusalsWriteNothing) {
    const struct {
        QString fecha, tipo, dir, message;
    } cases[] = {
        {"31/02/1980", "01", "CALLE 1", S("La fecha de nacimiento no es válida.")},
        {"17/05/19__", "01", "CALLE 1", S("La fecha de nacimiento no es válida.")},
        {"09/12/2026", "01", "CALLE 1", S("La fecha de nacimiento no debe ser mayor a la fecha actual.")},
        {"17/05/1980", "01", " ", S("Ha seleccionado un Tipo de Dirección Legal pero no la Dirección Legal.")},
        {"17/05/1980", "", "CALLE 1", S("Ha ingresado una Dirección Legal pero no un Tipo de Dirección Legal.")},
    };
    for (const auto& c : cases) {
        PartyState st = traveller();
        st.mebFecNac = c.fecha;
        st.cboTipResid = c.tipo;
        st.txtDirRedLegal = c.dir;
        EXPECT_FALSE(save(st));
        ASSERT_FALSE(messages().empty());
        EXPECT_EQ(messages().last().text, c.message);
        EXPECT_EQ(messages().last().style, 48);
        EXPECT_EQ(count("PAR_VIN") + count("TIP_VIN_PAR"), 0);
    }
    EXPECT_EQ(ctx().gNumParVin, 0);
}

TEST_F(StoreTest, AFailureInTheMiddleLeavesEveryTableAsBefore) {
    PartyState st = company();
    ASSERT_TRUE(save(st));
    const QSqlRecord before = row("20100000009");
    db().exec("CREATE TRIGGER full_disk BEFORE INSERT ON TIP_VIN_PAR BEGIN SELECT RAISE(ABORT, 'disco lleno'); END");
    st = modify(st);
    st.txtRazSoc = "OTRA";
    st.tipos = QStringList{"03"};
    EXPECT_FALSE(save(st));
    ASSERT_FALSE(messages().empty());
    EXPECT_EQ(messages().last().title, "Error");
    EXPECT_TRUE(messages().last().text.contains("disco lleno"));
    EXPECT_EQ(row("20100000009"), before);
    EXPECT_EQ(types("20100000009"), QStringList({"01", "05"}));
}

TEST_F(StoreTest, ChangeOfAPartyStoredUnderAnotherFormIsAFailure) {
    party("20100000009", {{"FORMULARIO", "9999"}, {"COD_NAT_JUR", "2"}, {"RAZON_SOCIAL", "VIEJA"}});
    EXPECT_FALSE(udf_VerPartVinc(ctx(), Declarant{6, kRuc}, Party{6, "20100000009"}));
    EXPECT_FALSE(udf_VerPartVinc(ctx(), "6", kRuc, "06", "20100000009"));
    ASSERT_TRUE(udp_CargarEdit(ctx(), kRuc, "20100000009", "6").has_value());
    EXPECT_FALSE(save(modify(company())));
    ASSERT_FALSE(messages().empty());
    EXPECT_EQ(messages().last().title, "Error");
    EXPECT_TRUE(messages().last().text.endsWith(" 3021"));
    EXPECT_EQ(count("PAR_VIN"), 1);
    EXPECT_EQ(row("20100000009").value("razon_social").toString(), "VIEJA");
    EXPECT_TRUE(udf_VerPartVinc(ctx(), "6", kRuc, "6", "20100000009") == false);
    party("20100000009", {{"COD_NAT_JUR", "2"}});
    EXPECT_TRUE(udf_VerPartVinc(ctx(), "6", kRuc, "06", "20100000009"));
}

TEST_F(StoreTest, LoadReadsNullsAsEmptyAndDatesAsTyped) {
    party("AB1", {{"TIP_DOC_P", 7}, {"FLAG_CON_DOM", "02"}, {"COD_NAT_JUR", "1"}, {"FEC_NAC", "1980-05-17"},
                  {"FLAG_PAR_VIN", "01"}, {"FLAG_PAR_FIS", "1"}, {"COD_PAR", "9019"}});
    type("AB1", "11", 7);
    type("AB1", "03", 7);
    type("AB1", "03", 7, "9999");
    const auto p = udp_CargarEdit(ctx(), kRuc, "AB1", "7");
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->fecNac, "17/05/1980");
    EXPECT_EQ(p->razonSocial, "");
    EXPECT_EQ(p->nomParVin, "");
    EXPECT_EQ(p->apePatParVin, "");
    EXPECT_EQ(p->flagParFis, "1");
    EXPECT_EQ(p->tipos, QStringList({"03", "11"}));
    EXPECT_FALSE(udp_CargarEdit(ctx(), kRuc, "AB1", "6").has_value());
}

TEST_F(StoreTest, RowWriterMergesInsideTheCallersTransaction) {
    party("P1", {{"FORMULARIO", "9999"}, {"NOM_PAR_VIN", "ANA"}, {"RAZON_SOCIAL", "X"}});
    PartyRowWrite w;
    w.declarante = Declarant{6, kRuc};
    w.parte = Party{6, "P1"};
    w.formulario = "8027";
    w.anyFormulario = true;
    w.columnas.set("RAZON_SOCIAL", "NUEVA");
    w.columnas.set("FEC_NAC", QVariant());
    w.tipos = QStringList{"01", "01", "14"};
    {
        Transaction outer(db());
        EXPECT_EQ(escribirFilaInformado(db(), w), PartyWriteResult::Updated);
        // outer rolls back: nothing stays
    }
    EXPECT_EQ(row("P1").value("razon_social").toString(), "X");
    EXPECT_EQ(count("TIP_VIN_PAR"), 0);

    EXPECT_EQ(escribirFilaInformado(db(), w), PartyWriteResult::Updated);
    const QSqlRecord r = row("P1");
    EXPECT_EQ(r.value("formulario").toString(), "8027");
    EXPECT_EQ(r.value("nom_par_vin").toString(), "ANA");
    EXPECT_EQ(r.value("razon_social").toString(), "NUEVA");
    expectControlNumber("P1");
    EXPECT_EQ(types("P1"), QStringList({"01", "14"}));

    w.parte.docIdP = "P2";
    w.tipos.reset();
    EXPECT_EQ(escribirFilaInformado(db(), w), PartyWriteResult::Added);
    w.mode = PartyWriteMode::Insert;
    EXPECT_EQ(dbErrorNumber([&] { escribirFilaInformado(db(), w); }), DbErr::DuplicateKey);
    EXPECT_EQ(count("PAR_VIN"), 2);
}

// Inside a batch of the caller, a party removed by another hand leaves its types behind: written
// again, it gets exactly its listed types.
TEST_F(StoreTest, RowWriterOfABatchSeesTypesLeftByAnotherHand) {
    PartyWriter writer(db(), PartyWriter::Guard::Caller);
    PartyRowWrite w;
    w.declarante = Declarant{6, kRuc};
    w.parte = Party{6, "P1"};
    w.formulario = "8027";
    w.columnas.set("RAZON_SOCIAL", "UNO");
    w.tipos = QStringList{"01", "02"};
    Transaction batch(db());
    EXPECT_EQ(writer.write(w), PartyWriteResult::Added);
    db().exec("DELETE FROM PAR_VIN WHERE DOC_ID_P = 'P1'");
    w.tipos = QStringList{"02"};
    EXPECT_EQ(writer.write(w), PartyWriteResult::Added);
    batch.commit();
    EXPECT_EQ(types("P1"), QStringList({"02"}));
}

}  // namespace
}  // namespace klv::test
