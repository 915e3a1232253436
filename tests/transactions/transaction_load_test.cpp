// Reading a working transaction back for "Modificar": the steps the form applies, in order.
#include "transaction_fixture.h"
#include "transaction_load.h"

namespace klv::test {
namespace {

class LoadTest : public TransactionTest {
protected:
    LoadTest() { party(); }

    void row(const QString& flag, const QString& ind, QVariantMap values, const QString& periodo = QStringLiteral("2012")) {
        values.insert(QStringLiteral("TIP_DOC_D"), 6);
        values.insert(QStringLiteral("DOC_ID_D"), kRuc);
        values.insert(QStringLiteral("PERIODO"), periodo);
        values.insert(QStringLiteral("FORMULARIO"), QStringLiteral("8027"));
        values.insert(QStringLiteral("TIP_DOC_P"), 6);
        values.insert(QStringLiteral("DOC_ID_P"), kDoc);
        values.insert(QStringLiteral("COR_TRANSACCION"), 1);
        values.insert(QStringLiteral("FLAG_VAL_MET"), flag);
        values.insert(QStringLiteral("IND_TRANSAC_FIN"), ind);
        insertRow(db(), QStringLiteral("TMPTRANSACCION2"), values);
    }
    StoredTransaction read(const QString& periodo = QStringLiteral("2012")) {
        return readStoredTransaction(ctx(), kRuc, periodo, Party{6, kDoc}, 1, periodFrom2012(periodo));
    }
    // The steps as "tick ChkPR", "TxtMedPR=7", "CboMetodoVal#04" (by number) or "CboRangoPLI@00".
    static QStringList steps(const StoredTransaction& s) {
        QStringList out;
        for (const LoadStep& st : s.amounts) {
            switch (st.kind) {
            case LoadStep::Kind::Tick: out << QStringLiteral("tick ") + st.control; break;
            case LoadStep::Kind::Text: out << st.control + QLatin1Char('=') + st.value; break;
            case LoadStep::Kind::Select: out << st.control + (st.byNumber ? QLatin1Char('#') : QLatin1Char('@')) + st.value; break;
            }
        }
        return out;
    }
};

TEST_F(LoadTest, TraditionalMethodsTickedByTheirAmounts) {
    row(QStringLiteral("01"), QStringLiteral("0"),
        {{QStringLiteral("MTO_TRAN_MON_ORI"), QStringLiteral("500")},
         {QStringLiteral("MTO_SIN_AJU_PCNC"), QStringLiteral("0")},  // "0" is present
         {QStringLiteral("MTO_AJU_PCNC"), QStringLiteral("10")},
         {QStringLiteral("MTO_SIN_AJU_PR"), QStringLiteral("  ")},   // blanks are not
         {QStringLiteral("MTO_SIN_AJU_CI"), QStringLiteral(" 7 ")},
         {QStringLiteral("MTO_LIM_INF_PCNC"), QStringLiteral("1.00")},
         {QStringLiteral("MTO_MEDIANA_PR"), QStringLiteral("7.00")},
         {QStringLiteral("PAR_ANALIZADA"), QStringLiteral("02")},
         {QStringLiteral("COD_TIP_MONEDA"), QStringLiteral("1")}});
    StoredTransaction s = read();
    EXPECT_EQ(s.problem, StoredTransaction::Problem::None);
    EXPECT_EQ(steps(s), (QStringList{
                            QStringLiteral("TxtMtoTranMonOri=500"), QStringLiteral("tick ChkPCNP"),
                            QStringLiteral("TxtSinAjusPCNP=0"), QStringLiteral("TxtAjusPCNP=10"),
                            QStringLiteral("tick ChkCI"), QStringLiteral("TxtSinAjusCi= 7 "), QStringLiteral("TxtAjusCi="),
                            QStringLiteral("TxtMtoLimInfPCNC=1.00"),  // the PCNC range ticks nothing
                            QStringLiteral("tick ChkPR"), QStringLiteral("TxtMedPR=7.00"),
                        }));
    EXPECT_EQ(s.parAnalizada, QStringLiteral("02"));
    EXPECT_EQ(s.currencyCode, QStringLiteral("1"));
    EXPECT_EQ(s.partyDocs, QStringList{kDoc});
    // Before 2012 the range columns are not read.
    db().exec(QStringLiteral("UPDATE TMPTRANSACCION2 SET PERIODO='2011'"));
    EXPECT_EQ(steps(read(QStringLiteral("2011"))).size(), 7);
}

TEST_F(LoadTest, OtherMethodsAndWithoutMethod) {
    row(QStringLiteral("02"), QStringLiteral("1"),
        {{QStringLiteral("MTO_TOT_CAP_MON_ORI"), QStringLiteral("100")},
         {QStringLiteral("MTO_TOT_AJU_RES_POS_REG"), QStringLiteral("5")},
         {QStringLiteral("MET_VAL_INTS"), QStringLiteral("4 ")},
         {QStringLiteral("MTO_AJU_RES_POS_REG"), QStringLiteral("999")},
         {QStringLiteral("NOM_OTRO_TIP_MON"), QStringLiteral("YEN")},
         {QStringLiteral("COD_TIP_MONEDA"), QStringLiteral("00")}});
    StoredTransaction s = read();
    EXPECT_TRUE(s.financiera);
    EXPECT_EQ(s.otherCurrency.value_or(QStringLiteral("<null>")), QStringLiteral("YEN"));
    EXPECT_EQ(steps(s), (QStringList{QStringLiteral("TxtMtoTotCapMonOri=100"), QStringLiteral("TxtMtoTotIntsMonOri="),
                                     QStringLiteral("TxtMtoTotIntsMonReg="), QStringLiteral("TxtSalTotCapMonReg="),
                                     QStringLiteral("TxtMtoAjuResPosReg=5"), QStringLiteral("TxtMtoAjuResNegReg="),
                                     QStringLiteral("CboMetodoVal#4")}));

    db().exec(QStringLiteral("DELETE FROM TMPTRANSACCION2"));
    row(QStringLiteral("02"), QStringLiteral("0"),
        {{QStringLiteral("MET_VAL"), QStringLiteral("06")}, {QStringLiteral("IND_RENTABILIDAD_MMNT"), QStringLiteral("00")},
         {QStringLiteral("MTO_LIM_SUP_MMNT"), QStringLiteral("3.00")}});
    s = read();
    EXPECT_FALSE(s.otherCurrency.has_value());
    EXPECT_EQ(steps(s).mid(4), (QStringList{QStringLiteral("CboMetodoVal@06"), QStringLiteral("CboRangoPLI@00"),
                                            QStringLiteral("TxtLimInfOM="), QStringLiteral("TxtLimSupOM=3.00"),
                                            QStringLiteral("TxtMedianaOM="), QStringLiteral("TxtValorPLIOM=")}));

    db().exec(QStringLiteral("DELETE FROM TMPTRANSACCION2"));
    row(QStringLiteral("00"), QStringLiteral("1"), {{QStringLiteral("TAS_SIN_EFE_ANU"), QStringLiteral("7.50")}});
    EXPECT_EQ(steps(read()).at(2), QStringLiteral("TxtTasSinEfeAnu=7.50"));
    EXPECT_TRUE(read().parAnalizada.isEmpty());
}

TEST_F(LoadTest, ProblemsAreReportedNotGuessed) {
    EXPECT_EQ(read().problem, StoredTransaction::Problem::NoRow);
    row(QStringLiteral("00"), QVariant().toString(), {});
    db().exec(QStringLiteral("UPDATE TMPTRANSACCION2 SET IND_TRANSAC_FIN=NULL"));
    EXPECT_EQ(read().problem, StoredTransaction::Problem::NoFinancialKind);
    db().exec(QStringLiteral("DELETE FROM PAR_VIN"));
    EXPECT_EQ(read().problem, StoredTransaction::Problem::NoParty);
    for (auto p : {StoredTransaction::Problem::NoRow, StoredTransaction::Problem::NoParty,
                   StoredTransaction::Problem::NoFinancialKind})
        EXPECT_FALSE(loadProblemMessage(p).isEmpty());
}

}  // namespace
}  // namespace klv::test
