#include "declaration_fixture.h"

#include "db_rows.h"

#include <QSqlQuery>

namespace klv::test {

DeclarationTest::DeclarationTest() {
    if (!ctx().gUtil) ctx().gUtil = &util_;
}

void DeclarationTest::insert(const QString& table, const DeclarationKey& k, const QVariantMap& values) {
    QVariantMap row = values;
    row.insert(QStringLiteral("TIP_DOC_D"), k.tipDocD);
    row.insert(QStringLiteral("DOC_ID_D"), k.docIdD);
    row.insert(QStringLiteral("PERIODO"), k.periodo);
    row.insert(QStringLiteral("FORMULARIO"), k.formulario);
    insertRow(db(), table, row);
}

void DeclarationTest::transaction(const QString& table, const DeclarationKey& k, const QString& docIdP, int cor,
                                  const QString& flag, const QString& ind, QVariantMap amounts) {
    amounts.insert(QStringLiteral("TIP_DOC_P"), 6);
    amounts.insert(QStringLiteral("DOC_ID_P"), docIdP);
    amounts.insert(QStringLiteral("COR_TRANSACCION"), cor);
    amounts.insert(QStringLiteral("FLAG_VAL_MET"), flag);
    amounts.insert(QStringLiteral("IND_TRANSAC_FIN"), ind);
    amounts.insert(QStringLiteral("COD_TIP_MONEDA"), QStringLiteral("01"));
    if (!amounts.contains(QStringLiteral("CNUMERO"))) amounts.insert(QStringLiteral("CNUMERO"), QStringLiteral("666666"));
    insert(table, k, amounts);
}

void DeclarationTest::transactionType(const QString& table, const DeclarationKey& k, const QString& docIdP, int cor,
                                      const QString& code, const QVariant& monto) {
    insert(table, k,
           {{QStringLiteral("TIP_DOC_P"), 6},
            {QStringLiteral("DOC_ID_P"), docIdP},
            {QStringLiteral("COR_TRANSACCION"), cor},
            {QStringLiteral("COD_TIP_TRANSACCION"), code},
            {QStringLiteral("MONTO_TRANSACCION"), monto},
            {QStringLiteral("CNUMERO"), QStringLiteral("666666")}});
}

void DeclarationTest::manyWorkingTransactions(int n) {
    db().exec(QStringLiteral(
        "WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I+1 FROM N WHERE I<?) "
        "INSERT INTO TMPTRANSACCION2 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P, COR_TRANSACCION,"
        " FLAG_VAL_MET, IND_TRANSAC_FIN, MTO_SIN_TRAN_MON_ORI, MTO_SIN_TRAN_MON_REG, CNUMERO)"
        " SELECT 6, ?, '2015', '8027', 6, 'P1', I, '00', '0', '10', '10', '666666' FROM N"), {n, kRuc});
    db().exec(QStringLiteral(
        "INSERT INTO TMPTRATIPTRA (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P, COR_TRANSACCION,"
        " COD_TIP_TRANSACCION, MONTO_TRANSACCION, CNUMERO)"
        " SELECT TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P, COR_TRANSACCION, '05', '10', '666666'"
        " FROM TMPTRANSACCION2"));
}

void DeclarationTest::party(const QString& docIdP, QVariantMap values, const QString& ruc) {
    if (!values.contains(QStringLiteral("RAZON_SOCIAL"))) values.insert(QStringLiteral("RAZON_SOCIAL"), QStringLiteral("PARTE ") + docIdP);
    if (!values.contains(QStringLiteral("FLAG_PAR_FIS"))) values.insert(QStringLiteral("FLAG_PAR_FIS"), QStringLiteral("0"));
    if (!values.contains(QStringLiteral("FLAG_CON_DOM"))) values.insert(QStringLiteral("FLAG_CON_DOM"), QStringLiteral("01"));
    values.insert(QStringLiteral("TIP_DOC_D"), 6);
    values.insert(QStringLiteral("DOC_ID_D"), ruc);
    values.insert(QStringLiteral("FORMULARIO"), QStringLiteral("8027"));
    values.insert(QStringLiteral("TIP_DOC_P"), 6);
    values.insert(QStringLiteral("DOC_ID_P"), docIdP);
    insertRow(db(), QStringLiteral("PAR_VIN"), values);
}

int DeclarationTest::count(const QString& table) {
    return db().scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)).toInt();
}

DeclarationState DeclarationTest::state(const QString& periodo) const {
    DeclarationState st;
    st.mode = kModoNuevo;
    st.cboNumDoc = kRuc + QString(11, QLatin1Char(' ')) + QStringLiteral("EMPRESA DEMO SAC");
    st.razonSocial = QStringLiteral("EMPRESA DEMO SAC");
    st.periodo = periodo;
    st.answer1 = QStringLiteral("0");
    st.answer2 = QStringLiteral("0");
    return st;
}

}  // namespace klv::test
