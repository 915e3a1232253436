#pragma once
// A laid environment with the module's tables, builders of parties, transactions and declaration
// rows, and a party state as the detail form gathers it.

#include "database.h"
#include "db_rows.h"
#include "party_state.h"
#include "test_env.h"

#include <gtest/gtest.h>

#include <QVariantMap>

namespace klv::test {

inline const QString kRuc = QStringLiteral("20601234565");
inline QString S(const char* s) { return QString::fromUtf8(s); }

class PartiesTest : public ::testing::Test {
protected:
    AppContext& ctx() { return env_.ctx(); }
    // The context the forms get: no connection, the engine in its place.
    AppContext& windowCtx() { return env_.windowCtx(); }
    Database& db() { return env_.db(); }
    RecordingMessageService& messages() { return env_.messages(); }

    // A party of the declarant (form 8027 unless given), type 6 unless given.
    void party(const QString& docIdP, QVariantMap values = {}) {
        values.insert(QStringLiteral("TIP_DOC_D"), 6);
        if (!values.contains(QStringLiteral("DOC_ID_D"))) values.insert(QStringLiteral("DOC_ID_D"), kRuc);
        if (!values.contains(QStringLiteral("FORMULARIO"))) values.insert(QStringLiteral("FORMULARIO"), QStringLiteral("8027"));
        if (!values.contains(QStringLiteral("TIP_DOC_P"))) values.insert(QStringLiteral("TIP_DOC_P"), 6);
        values.insert(QStringLiteral("DOC_ID_P"), docIdP);
        if (!values.contains(QStringLiteral("COD_PAR"))) values.insert(QStringLiteral("COD_PAR"), QStringLiteral("9589"));
        insertRow(db(), QStringLiteral("PAR_VIN"), values);
    }
    void type(const QString& docIdP, const QString& code, int tipDocP = 6, const QString& form = QStringLiteral("8027")) {
        insertRow(db(), QStringLiteral("TIP_VIN_PAR"),
                  {{"TIP_DOC_D", 6}, {"DOC_ID_D", kRuc}, {"FORMULARIO", form}, {"TIP_DOC_P", tipDocP},
                   {"DOC_ID_P", docIdP}, {"COD_TIP_VIN", code}, {"CNUMERO", "000000"}});
    }
    // A stored transaction (method '00', not financial) of the party with an amount, and one type.
    void transaction(const QString& periodo, const QString& docIdP, int cor, const QString& monto) {
        const QVariantMap key{{"TIP_DOC_D", 6}, {"DOC_ID_D", kRuc}, {"PERIODO", periodo}, {"FORMULARIO", "8027"},
                              {"TIP_DOC_P", 6}, {"DOC_ID_P", docIdP}, {"COR_TRANSACCION", cor}};
        QVariantMap t = key;
        t.insert("FLAG_VAL_MET", "00");
        t.insert("IND_TRANSAC_FIN", "0");
        t.insert("MTO_SIN_TRAN_MON_REG", monto);
        t.insert("CNUMERO", "000000");
        insertRow(db(), QStringLiteral("TRANSACCION2"), t);
        QVariantMap y = key;
        y.insert("COD_TIP_TRANSACCION", "01");
        y.insert("MONTO_TRANSACCION", monto);
        y.insert("CNUMERO", "000000");
        insertRow(db(), QStringLiteral("TRATIPTRA2"), y);
    }
    void cab(const QString& periodo, int estado) {
        insertRow(db(), QStringLiteral("CAB"),
                  {{"TIP_DOC_D", 6}, {"DOC_ID_D", kRuc}, {"PERIODO", periodo}, {"FORMULARIO", "8027"}, {"Estado", estado}});
    }
    int count(const QString& table) { return db().scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt(); }
    QVariant value(const QString& sql, const QVariantList& params = {}) { return db().scalar(sql, params); }

    // A domiciled legal person with RUC 20100000009, related with types 01 and 05, as the form
    // gathers it in mode "Nuevo".
    PartyState company() const {
        PartyState st;
        st.mode = party::kNuevo;
        st.docIdD = kRuc;
        st.nombreD = QStringLiteral("EMPRESA DEMOSTRACION S.A.C.");
        st.sConDom = "1";
        st.sNatJur = "J";
        st.opcion = party::Kind::Juridica;
        st.sParFis = "0";
        st.sParVin = "S";
        st.tipos = QStringList{"01", "05"};
        st.cboTipDoc = QStringLiteral("06  -  REG. UNICO DE CONTRIBUYENTES");
        st.txtNumDoc = QStringLiteral("20100000009");
        st.txtRazSoc = QStringLiteral("alfa sac");
        st.cboCodPais = QStringLiteral("9589             PERU");
        st.mebFecNac = party::kFechaVacia;
        return st;
    }
    // A non-domiciled natural person with a passport, in a tax haven (9019), not related.
    PartyState traveller() const {
        PartyState st = company();
        st.sConDom = "0";
        st.sNatJur = "N";
        st.opcion = party::Kind::Natural;
        st.sParFis = "1";
        st.sParVin = "N";
        st.tipos.clear();
        st.cboTipDoc = QStringLiteral("07  -  PASAPORTE");
        st.txtNumDoc = QStringLiteral("AB123456");
        st.txtRazSoc.clear();
        st.txtNombre = QStringLiteral("juan");
        st.txtApellidoP = QStringLiteral("perez");
        st.cboCodPais = QStringLiteral("9019             TERRITORIO");
        st.cboTipResid = QStringLiteral("01   RESIDENCIA");
        st.txtDirRedLegal = QStringLiteral("CALLE 1");
        st.mebFecNac = QStringLiteral("17/05/1980");
        return st;
    }

private:
    Environment env_;
};

}  // namespace klv::test
