// Rebuilding the working copy from the stored tables and opening a stored declaration.
#include "declaration_fixture.h"
#include "status_panels.h"
#include "working_copy.h"

#include <QSqlRecord>

namespace klv::test {
namespace {

class WorkingCopyTest : public DeclarationTest {
protected:
    // Declaration A (2015): a '02' transaction with types 05 and 07, a financial '02' transaction
    // with type 12, a '01' transaction with type 05.
    void storeDeclarationA() {
        const auto k = key();
        transaction(QStringLiteral("TRANSACCION2"), k, QStringLiteral("P1"), 1, QStringLiteral("02"), QStringLiteral("0"),
                    {{QStringLiteral("MTO_TRA_MON_REG"), QStringLiteral("700")}, {QStringLiteral("CNUMERO"), QStringLiteral("123456")}});
        transactionType(QStringLiteral("TRATIPTRA2"), k, QStringLiteral("P1"), 1, QStringLiteral("05"), QStringLiteral("300"));
        transactionType(QStringLiteral("TRATIPTRA2"), k, QStringLiteral("P1"), 1, QStringLiteral("07"), QStringLiteral("400"));
        transaction(QStringLiteral("TRANSACCION2"), k, QStringLiteral("P1"), 2, QStringLiteral("02"), QStringLiteral("1"));
        transactionType(QStringLiteral("TRATIPTRA2"), k, QStringLiteral("P1"), 2, QStringLiteral("12"), QStringLiteral("50"));
        transaction(QStringLiteral("TRANSACCION2"), k, QStringLiteral("P2"), 1, QStringLiteral("01"), QStringLiteral("0"));
        transactionType(QStringLiteral("TRATIPTRA2"), k, QStringLiteral("P2"), 1, QStringLiteral("05"), QStringLiteral("10"));
    }
};

TEST_F(WorkingCopyTest, RebuildCopiesStoredRowsAndDetailOfOtherMethodsOnly) {
    storeDeclarationA();
    // Another period of the same declarant stays out.
    transaction(QStringLiteral("TRANSACCION2"), key(QStringLiteral("2014")), QStringLiteral("P1"), 1, QStringLiteral("00"),
                QStringLiteral("0"));
    udp_CargarTemps(ctx(), key());

    EXPECT_EQ(count(QStringLiteral("TMPTRANSACCION2")), 3);
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT CNUMERO FROM TMPTRANSACCION2 WHERE DOC_ID_P='P1' AND COR_TRANSACCION=1")).toString(),
              QStringLiteral("123456"));
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT MTO_TRA_MON_REG FROM TMPTRANSACCION2 WHERE DOC_ID_P='P1' AND COR_TRANSACCION=1")).toString(),
              QStringLiteral("700"));
    EXPECT_EQ(count(QStringLiteral("TMPTRATIPTRA")), 4);
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT COUNT(*) FROM TMPTRATIPTRA WHERE CNUMERO IS NULL")).toInt(), 4);

    const auto detail = db().rows(QStringLiteral(
        "SELECT DOC_ID_P, COR_TRANSACCION, COD_TIP_TRANSACCION, DES_TRANSACCION, MONTO, CNUMERO FROM TMPTRADET "
        "ORDER BY COD_TIP_TRANSACCION"));
    ASSERT_EQ(detail.size(), 2u);
    EXPECT_EQ(detail[0].value(2).toString(), QStringLiteral("05"));
    EXPECT_EQ(detail[0].value(3).toString(), QStringLiteral("Servicio de maquila . Ingresos Netos."));
    EXPECT_EQ(detail[0].value(4).toString(), QStringLiteral("300"));
    EXPECT_TRUE(detail[0].value(5).isNull());
    EXPECT_EQ(detail[1].value(2).toString(), QStringLiteral("07"));
    EXPECT_EQ(detail[1].value(4).toString(), QStringLiteral("400"));
}

TEST_F(WorkingCopyTest, StoredTypeRowsWithoutTheirTransactionStayOut) {
    storeDeclarationA();
    transactionType(QStringLiteral("TRATIPTRA2"), key(), QStringLiteral("P1"), 3, QStringLiteral("05"), QStringLiteral("9"));
    udp_CargarTemps(ctx(), key());
    EXPECT_EQ(count(QStringLiteral("TMPTRATIPTRA")), 4);
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT COUNT(*) FROM TMPTRATIPTRA WHERE COR_TRANSACCION=3")).toInt(), 0);
}

TEST_F(WorkingCopyTest, DetailDescriptionIsCutToTheColumnAndMissingTypeGivesEmptyText) {
    db().exec(QStringLiteral("INSERT INTO PARAM (Numero, Argumento, Funcion, Correl_param) VALUES ('395', '97', ?, 'E')"),
              {QString(100, QLatin1Char('X'))});
    const auto k = key();
    transaction(QStringLiteral("TRANSACCION2"), k, QStringLiteral("P1"), 1, QStringLiteral("02"), QStringLiteral("0"));
    transactionType(QStringLiteral("TRATIPTRA2"), k, QStringLiteral("P1"), 1, QStringLiteral("97"), QStringLiteral("1"));
    transactionType(QStringLiteral("TRATIPTRA2"), k, QStringLiteral("P1"), 1, QStringLiteral("88"), QStringLiteral("2"));
    udp_CargarTemps(ctx(), k);
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT DES_TRANSACCION FROM TMPTRADET WHERE COD_TIP_TRANSACCION='97'")).toString(),
              QString(70, QLatin1Char('X')));
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT DES_TRANSACCION FROM TMPTRADET WHERE COD_TIP_TRANSACCION='88'")).toString(),
              QString());
}

TEST_F(WorkingCopyTest, OpeningAnotherDeclarationLeavesNothingOfThePreviousOne) {
    storeDeclarationA();
    udp_CargarTemps(ctx(), key());
    const auto b = key(QStringLiteral("2016"), kRucOtro);
    transaction(QStringLiteral("TRANSACCION2"), b, QStringLiteral("Q1"), 1, QStringLiteral("00"), QStringLiteral("0"));
    udp_CargarTemps(ctx(), b);
    EXPECT_EQ(count(QStringLiteral("TMPTRANSACCION2")), 1);
    EXPECT_EQ(count(QStringLiteral("TMPTRATIPTRA")), 0);
    EXPECT_EQ(count(QStringLiteral("TMPTRADET")), 0);
    // A new declaration (empty key) empties the working copy.
    udp_CargarTemps(ctx(), DeclarationKey{6, QString(), QString(), QStringLiteral("8027")});
    EXPECT_EQ(count(QStringLiteral("TMPTRANSACCION2")), 0);
}

TEST_F(WorkingCopyTest, FailedRebuildKeepsThePreviousWorkingCopy) {
    storeDeclarationA();
    udp_CargarTemps(ctx(), key());
    const auto b = key(QStringLiteral("2016"), kRucOtro);
    transaction(QStringLiteral("TRANSACCION2"), b, QStringLiteral("Q1"), 1, QStringLiteral("00"), QStringLiteral("0"));
    db().exec(QStringLiteral("CREATE TRIGGER fail_det BEFORE DELETE ON TMPTRADET BEGIN SELECT RAISE(ABORT, 'disk'); END"));
    EXPECT_THROW(udp_CargarTemps(ctx(), b), DbError);
    db().exec(QStringLiteral("DROP TRIGGER fail_det"));
    EXPECT_EQ(count(QStringLiteral("TMPTRANSACCION2")), 3);
    EXPECT_EQ(count(QStringLiteral("TMPTRATIPTRA")), 4);
    EXPECT_EQ(count(QStringLiteral("TMPTRADET")), 2);
}

TEST_F(WorkingCopyTest, OtherMethodsLookups) {
    const auto k = key();
    transaction(QStringLiteral("TRANSACCION2"), k, QStringLiteral("P1"), 1, QStringLiteral("02"), QStringLiteral("0"));
    transaction(QStringLiteral("TRANSACCION2"), k, QStringLiteral("P1"), 2, QStringLiteral("01"), QStringLiteral("0"));
    const Party p{6, QStringLiteral("P1")};
    EXPECT_TRUE(Es_OtroMetodo(ctx(), k, p, 1, QStringLiteral("05")));
    EXPECT_FALSE(Es_OtroMetodo(ctx(), k, p, 1, QStringLiteral("12")));
    EXPECT_FALSE(Es_OtroMetodo(ctx(), k, p, 1, QStringLiteral("34")));
    EXPECT_FALSE(Es_OtroMetodo(ctx(), k, p, 2, QStringLiteral("05")));
    EXPECT_FALSE(Es_OtroMetodo(ctx(), key(QStringLiteral("2014")), p, 1, QStringLiteral("05")));

    insert(QStringLiteral("TMPTRADET"), k,
           {{QStringLiteral("TIP_DOC_P"), 6}, {QStringLiteral("DOC_ID_P"), QStringLiteral("P1")},
            {QStringLiteral("COR_TRANSACCION"), 1}, {QStringLiteral("COD_TIP_TRANSACCION"), QStringLiteral("05")},
            {QStringLiteral("MONTO"), QStringLiteral("250")}});
    insert(QStringLiteral("TMPTRADET"), k,
           {{QStringLiteral("TIP_DOC_P"), 6}, {QStringLiteral("DOC_ID_P"), QStringLiteral("P1")},
            {QStringLiteral("COR_TRANSACCION"), 1}, {QStringLiteral("COD_TIP_TRANSACCION"), QStringLiteral("07")}});
    EXPECT_EQ(Monto_OtrosMetodos(ctx(), k, p, 1, QStringLiteral("05")), QStringLiteral("250"));
    EXPECT_EQ(Monto_OtrosMetodos(ctx(), k, p, 1, QStringLiteral("07")), QString());
    EXPECT_EQ(Monto_OtrosMetodos(ctx(), k, p, 1, QStringLiteral("09")), QString());
}

TEST_F(WorkingCopyTest, OpeningStoredDeclarationReadsHeaderAndPublishesIt) {
    const auto k = key(QStringLiteral("2012"));
    insert(QStringLiteral("IDENTIFICA2"), k,
           {{QStringLiteral("AUTCONTEXT"), QString(QLatin1String(""))}, {QStringLiteral("ESTTECPT"), QStringLiteral("1")},
            {QStringLiteral("RUC"), QVariant()}});
    db().exec(QStringLiteral("INSERT INTO CAB (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, rectifica) VALUES (6, ?, '2012', '8027', '1')"),
              {kRuc});
    party(QStringLiteral("P1"));
    transaction(QStringLiteral("TRANSACCION2"), k, QStringLiteral("P1"), 1, QStringLiteral("00"), QStringLiteral("0"));

    DeclarationState st;
    st.cboNumDoc = kRuc + QStringLiteral("           EMPRESA");
    st.razonSocial = QStringLiteral("EMPRESA");
    ctx().gAutContExt = QStringLiteral("1");
    const StoredHeader h = udp_CargarEdit(ctx(), st, 6, kRuc, QStringLiteral("2012"));
    ASSERT_TRUE(h.found);
    EXPECT_EQ(st.periodo, QStringLiteral("2012"));
    EXPECT_EQ(st.answer1, QStringLiteral("0"));
    EXPECT_EQ(st.answer2, QStringLiteral("1"));
    EXPECT_EQ(st.rucAutor, QString());
    EXPECT_EQ(st.rectifica, QStringLiteral("1"));
    EXPECT_EQ(st.mode, kModoModificar);
    EXPECT_EQ(ctx().gAutContExt, QStringLiteral("0"));
    EXPECT_EQ(ctx().gNumParVin, 1);
    EXPECT_EQ(count(QStringLiteral("TMPTRANSACCION2")), 1);
    EXPECT_EQ(env().panels().PanelRuc(), kRuc);
    EXPECT_EQ(env().panels().PanelNombre(), QStringLiteral("EMPRESA"));
    EXPECT_EQ(env().panels().PanelPeriodo(), QStringLiteral("2012"));
}

TEST_F(WorkingCopyTest, RectificationReadFrom2012Only) {
    // 2012 without its status row: the question reads as not answered.
    insert(QStringLiteral("IDENTIFICA2"), key(QStringLiteral("2012")),
           {{QStringLiteral("AUTCONTEXT"), QStringLiteral("1")}, {QStringLiteral("ESTTECPT"), QStringLiteral("0")}});
    StoredHeader h = readStoredHeader(ctx(), 6, kRuc, QStringLiteral("2012"));
    ASSERT_TRUE(h.found);
    EXPECT_EQ(h.answer1, QStringLiteral("1"));
    EXPECT_EQ(h.rectifica, QString());

    db().exec(QStringLiteral("INSERT INTO CAB (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, rectifica) VALUES (6, ?, '2012', '8027', NULL)"),
              {kRuc});
    EXPECT_EQ(readStoredHeader(ctx(), 6, kRuc, QStringLiteral("2012")).rectifica, QStringLiteral("0"));

    // Before 2012 the status row is not read.
    insert(QStringLiteral("IDENTIFICA2"), key(QStringLiteral("2011")),
           {{QStringLiteral("AUTCONTEXT"), QStringLiteral("1")}, {QStringLiteral("ESTTECPT"), QStringLiteral("0")}});
    db().exec(QStringLiteral("INSERT INTO CAB (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, rectifica) VALUES (6, ?, '2011', '8027', '1')"),
              {kRuc});
    EXPECT_EQ(readStoredHeader(ctx(), 6, kRuc, QStringLiteral("2011")).rectifica, QString());

    EXPECT_FALSE(readStoredHeader(ctx(), 6, kRuc, QStringLiteral("2010")).found);
}

}  // namespace
}  // namespace klv::test
