#include "transaction_fixture.h"

#include "declaration_state.h"
#include "transaction_types.h"

namespace klv::test {

void TransactionTest::party(const QString& doc, bool domiciled, bool haven) {
    insertRow(db(), QStringLiteral("PAR_VIN"),
              {{QStringLiteral("TIP_DOC_D"), 6},
               {QStringLiteral("DOC_ID_D"), kRuc},
               {QStringLiteral("FORMULARIO"), QStringLiteral("8027")},
               {QStringLiteral("TIP_DOC_P"), 6},
               {QStringLiteral("DOC_ID_P"), doc},
               {QStringLiteral("RAZON_SOCIAL"), QStringLiteral("PARTE ") + doc},
               {QStringLiteral("COD_NAT_JUR"), QStringLiteral("2")},
               {QStringLiteral("FLAG_CON_DOM"), domiciled ? QStringLiteral("01") : QStringLiteral("02")},
               {QStringLiteral("FLAG_PAR_FIS"), haven ? QStringLiteral("1") : QStringLiteral("0")}});
}

TransactionState newTransaction(const AppContext& ctx, const QString& doc, const QString& flag, bool financial,
                                const QString& periodo, const QStringList& ticked, const QString& respuesta) {
    TransactionState st;
    st.mode = kModoNuevo;
    st.caller = QStringLiteral("Frm_KLV_Declara");
    st.respuesta = respuesta;
    st.periodo = periodo;
    st.panelRuc = kRuc;
    st.panelPeriodo = periodo;
    st.autContExt = QStringLiteral("0");
    st.flag = flag;
    st.financiera = financial;
    st.texts[QStringLiteral("CboTipDocP")] = QStringLiteral("06  -  RUC");
    st.texts[QStringLiteral("CboDocIdP")] = doc;
    st.checks[flag == QLatin1String("00")   ? QStringLiteral("OptSinValMet")
              : flag == QLatin1String("01") ? QStringLiteral("OptValMetTradi")
                                            : QStringLiteral("OptValMetOtros")] = true;
    st.types = udp_CargarLvwTipTransacc(ctx);
    TransactionTest::tick(st, ticked);
    return st;
}

TransactionState TransactionTest::state(const QString& flag, bool financial, const QString& periodo) {
    return newTransaction(ctx(), kDoc, flag, financial, periodo,
                          financial ? QStringList{QStringLiteral("12"), QStringLiteral("34")} : QStringList{QStringLiteral("05")});
}

void TransactionTest::tick(TransactionState& st, const QStringList& codes) {
    for (TypeItem& t : st.types) t.ticked = codes.contains(t.code);
}

QVariant TransactionTest::column(const QString& column, long cor) {
    const QVariant v = db().scalar(QStringLiteral("SELECT %1 FROM TMPTRANSACCION2 WHERE DOC_ID_P=? AND COR_TRANSACCION=?").arg(column),
                                   {kDoc, static_cast<qlonglong>(cor)});
    return v.isNull() ? QVariant() : v;
}

void TransactionTest::typeRow(long cor, const QString& code, const QVariant& monto, const QString& periodo) {
    insertRow(db(), QStringLiteral("TMPTRATIPTRA"),
              {{QStringLiteral("TIP_DOC_D"), 6}, {QStringLiteral("DOC_ID_D"), kRuc}, {QStringLiteral("PERIODO"), periodo},
               {QStringLiteral("FORMULARIO"), QStringLiteral("8027")}, {QStringLiteral("TIP_DOC_P"), 6},
               {QStringLiteral("DOC_ID_P"), kDoc}, {QStringLiteral("COR_TRANSACCION"), static_cast<qlonglong>(cor)},
               {QStringLiteral("COD_TIP_TRANSACCION"), code}, {QStringLiteral("MONTO_TRANSACCION"), monto},
               {QStringLiteral("CNUMERO"), QStringLiteral("666666")}});
}

void TransactionTest::detailRow(long cor, const QString& code, const QVariant& monto, const QString& periodo) {
    insertRow(db(), QStringLiteral("TMPTRADET"),
              {{QStringLiteral("TIP_DOC_D"), 6}, {QStringLiteral("DOC_ID_D"), kRuc}, {QStringLiteral("PERIODO"), periodo},
               {QStringLiteral("FORMULARIO"), QStringLiteral("8027")}, {QStringLiteral("TIP_DOC_P"), 6},
               {QStringLiteral("DOC_ID_P"), kDoc}, {QStringLiteral("COR_TRANSACCION"), static_cast<qlonglong>(cor)},
               {QStringLiteral("COD_TIP_TRANSACCION"), code}, {QStringLiteral("DES_TRANSACCION"), QStringLiteral("X")},
               {QStringLiteral("MONTO"), monto}, {QStringLiteral("CNUMERO"), QStringLiteral("666666")}});
}

}  // namespace klv::test
