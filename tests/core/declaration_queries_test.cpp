// Queries on the stored and working transactions and on a party's flags.
#include "declaration_queries.h"
#include "services_fixture.h"

namespace klv::test {
namespace {

const QString kRuc = QStringLiteral("20601234565");

class DeclarationQueriesTest : public ServicesTest {
protected:
    void transaccion(const QString& tabla, const QString& periodo, const Party& p, long cor,
                     QVariantMap extra = {}, const QString& ruc = kRuc, const QString& form = "8027") {
        extra.insert("tip_doc_d", 6);
        extra.insert("doc_id_d", ruc);
        extra.insert("periodo", periodo);
        extra.insert("formulario", form);
        extra.insert("tip_doc_p", p.tipDocP);
        extra.insert("doc_id_p", p.docIdP);
        extra.insert("cor_transaccion", static_cast<qlonglong>(cor));
        insert(tabla, extra);
    }
    void parte(const Party& p, const QVariant& dom, const QVariant& fis, const QString& form = "8027") {
        insert("PAR_VIN", {{"tip_doc_d", 6}, {"doc_id_d", kRuc}, {"formulario", form}, {"tip_doc_p", p.tipDocP},
                           {"doc_id_p", p.docIdP}, {"flag_con_dom", dom}, {"flag_par_fis", fis}});
    }
    // A stored transaction with a valuation method and amounts.
    void conMontos(const QString& met, const QString& fin, QVariantMap montos, const QString& periodo = "2015",
                   long cor = 1) {
        montos.insert("flag_val_met", met);
        montos.insert("ind_transac_fin", fin);
        transaccion("TRANSACCION2", periodo, socio, cor, montos);
    }
    bool totales(const QString& periodo = "2015") { return udf_TotalesMetodos(ctx(), decl, periodo); }

    const Declarant decl{6, kRuc};
    const Party socio{1, "12345678"};
    const Party otro{7, "O'BRIEN-77"};
};

TEST_F(DeclarationQueriesTest, CountsOfAPartyCoverEveryPeriodButOnlyTheFormCode) {
    transaccion("TRANSACCION2", "2014", socio, 1);
    transaccion("TRANSACCION2", "2015", socio, 1);
    transaccion("TRANSACCION2", "2015", socio, 2);
    transaccion("TRANSACCION2", "2015", socio, 3, {}, kRuc, "5937");
    transaccion("TRANSACCION2", "2015", otro, 1);
    EXPECT_EQ(udf_NumTransaccPartVinc(ctx(), decl, socio), 3);
    EXPECT_EQ(udf_NumTransaccPartVinc(ctx(), decl, otro), 1);
    EXPECT_EQ(udf_NumTransaccPartVinc(ctx(), decl, Party{1, "99999999"}), 0);
    EXPECT_EQ(udf_NumTransaccPartVinc(ctx(), Declarant{6, "20000000001"}, socio), 0);

    // The declaration count takes every form code, but only that declarant and period.
    EXPECT_EQ(udf_CuentaTransacc(ctx(), decl, "2015"), 4.0);
    EXPECT_EQ(udf_CuentaTransacc(ctx(), decl, "2014"), 1.0);
    EXPECT_EQ(udf_CuentaTransacc(ctx(), decl, "2016"), 0.0);
}

TEST_F(DeclarationQueriesTest, WorkingCopyKeysAndNextNumber) {
    const DeclarationKey dk{6, kRuc, "2015", "8027"};
    EXPECT_EQ(udf_SgteCorTransacc(ctx(), dk, socio), 1);
    EXPECT_EQ(udf_CuentaTmpTransacc(ctx()), 0.0);

    for (long cor : {1L, 2L, 5L}) transaccion("TMPTRANSACCION2", "2015", socio, cor);
    transaccion("TMPTRANSACCION2", "2015", otro, 9);
    transaccion("TMPTRANSACCION2", "2014", socio, 20);
    EXPECT_EQ(udf_SgteCorTransacc(ctx(), dk, socio), 6);
    EXPECT_EQ(udf_SgteCorTransacc(ctx(), dk, otro), 10);  // an apostrophe in the document is only data
    EXPECT_EQ(udf_SgteCorTransacc(ctx(), DeclarationKey{6, kRuc, "2013", "8027"}, socio), 1);
    EXPECT_EQ(udf_CuentaTmpTransacc(ctx()), 5.0);

    EXPECT_TRUE(udf_ExisteTmpTransacc(ctx(), TransactionKey{dk, socio, 5}));
    EXPECT_TRUE(udf_ExisteTmpTransacc(ctx(), TransactionKey{dk, otro, 9}));
    EXPECT_FALSE(udf_ExisteTmpTransacc(ctx(), TransactionKey{dk, socio, 3}));
    EXPECT_FALSE(udf_ExisteTmpTransacc(ctx(), TransactionKey{DeclarationKey{6, kRuc, "2015", "5937"}, socio, 5}));
    EXPECT_FALSE(udf_ExisteTmpTransacc(ctx(), TransactionKey{dk, Party{4, "12345678"}, 5}));
}

TEST_F(DeclarationQueriesTest, PartyFlagsAndAMissingParty) {
    parte(socio, "01", "1");
    parte(otro, "02", QVariant());
    parte(Party{4, "X1"}, QVariant(), "0");
    EXPECT_TRUE(udf_EsDomiciliado(ctx(), decl, socio));
    EXPECT_TRUE(udf_EsParaisoFiscal(ctx(), decl, socio));
    EXPECT_FALSE(udf_EsDomiciliado(ctx(), decl, otro));
    EXPECT_FALSE(udf_EsParaisoFiscal(ctx(), decl, otro));     // NULL flag
    EXPECT_FALSE(udf_EsDomiciliado(ctx(), decl, Party{4, "X1"}));
    // No row for the party (or not under this form code): False, no failure.
    EXPECT_FALSE(udf_EsDomiciliado(ctx(), decl, Party{1, "00000000"}));
    EXPECT_FALSE(udf_EsParaisoFiscal(ctx(), decl, Party{1, "00000000"}));
    parte(Party{1, "55555555"}, "01", "1", "5937");
    EXPECT_FALSE(udf_EsDomiciliado(ctx(), decl, Party{1, "55555555"}));
}

TEST_F(DeclarationQueriesTest, TotalsWithoutTransactionsOrOnlyZeros) {
    EXPECT_FALSE(totales());
    conMontos("00", "0", {{"mto_sin_tran_mon_reg", "0"}}, "2015", 1);
    conMontos("01", "0", {{"mto_sin_aju_pcnc", "0"}, {"mto_aju_pcnc", ""}}, "2015", 2);
    EXPECT_FALSE(totales());
}

TEST_F(DeclarationQueriesTest, TotalsCountAdjustmentsOfTraditionalMethodsButNotOfOtherMethods) {
    conMontos("02", "0", {{"mto_tra_mon_reg", "0"}, {"mto_aju_res_pos_reg", "500"}, {"mto_aju_res_neg_reg", "7"}});
    EXPECT_FALSE(totales());
    conMontos("01", "0", {{"mto_sin_aju_pcnc", "0"}, {"mto_sin_aju_pr", "0"}, {"mto_aju_pr", "10.00"}}, "2015", 2);
    EXPECT_TRUE(totales());
}

TEST_F(DeclarationQueriesTest, TotalsReadTheFinancialColumnsOfFinancialTransactions) {
    // A financial transaction's amount lies in the interest column, not in the transaction one.
    conMontos("00", "1", {{"mto_sin_tran_mon_reg", "900"}, {"mto_sin_ints_mon_reg", "0"}});
    EXPECT_FALSE(totales());
    conMontos("02", "1", {{"mto_tra_mon_reg", "0"}, {"mto_tot_ints_mon_reg", "25"}}, "2015", 2);
    EXPECT_TRUE(totales());
}

TEST_F(DeclarationQueriesTest, TotalsTreatEmptyAndNullAmountsAsZeroAndRoundToCents) {
    conMontos("00", "0", {{"mto_sin_tran_mon_reg", ""}});
    conMontos("02", "0", {}, "2015", 2);  // every amount NULL
    conMontos("01", "1", {{"mto_ints_sin_aju_ci", QVariant()}}, "2015", 3);
    EXPECT_FALSE(totales());
    conMontos("00", "0", {{"mto_sin_tran_mon_reg", "0.004"}}, "2015", 4);
    EXPECT_FALSE(totales());  // 0.004 shows as 0.00
    conMontos("00", "0", {{"mto_sin_tran_mon_reg", "0.005"}}, "2015", 5);
    EXPECT_TRUE(totales());
}

TEST_F(DeclarationQueriesTest, TotalsLookOnlyAtTheDeclarantAndPeriod) {
    conMontos("00", "0", {{"mto_sin_tran_mon_reg", "100"}}, "2014");
    transaccion("TRANSACCION2", "2015", socio, 7,
                {{"flag_val_met", "00"}, {"ind_transac_fin", "0"}, {"mto_sin_tran_mon_reg", "100"}},
                "20000000001");
    EXPECT_FALSE(totales("2015"));
    EXPECT_TRUE(totales("2014"));
    // The RUC is compared trimmed.
    EXPECT_TRUE(udf_TotalesMetodos(ctx(), Declarant{6, kRuc + "  "}, "2014"));
}

TEST_F(DeclarationQueriesTest, TotalsFailOnAnAmountThatIsNotANumber) {
    // The adjustments of other methods are not among the totals judged: they are not read.
    conMontos("02", "0", {{"mto_tra_mon_reg", "5"}, {"mto_aju_res_pos_reg", "x"}, {"mto_aju_res_neg_reg", "y"}});
    EXPECT_TRUE(totales());
    conMontos("00", "0", {{"mto_sin_tran_mon_reg", "12A"}}, "2015", 2);
    EXPECT_THROW(totales(), DbError);
}

}  // namespace
}  // namespace klv::test
