// The save: the map of the six cases, edits that keep what they do not write, the type rows and
// their amounts, the numbering, and failures that write nothing.
#include "fault_injection.h"
#include "transaction_fixture.h"
#include "transaction_save.h"
#include "transaction_writer.h"

#include <QSqlRecord>
#include <sqlite3.h>

namespace klv::test {
namespace {

class SaveTest : public TransactionTest {
protected:
    SaveTest() { party(); }

    // Every box of the form holds "1,234.5", every combo a code; every method ticked.
    static void fillEverything(TransactionState& st) {
        for (const char* box : {"TxtMtoSinTranMonOri", "TxtMtoSinTranMonReg", "TxtMtoSinCapMonOri", "TxtMtoSinIntsMonOri",
                                "TxtTasSinEfeAnu", "TxtMtoSinIntsMonReg", "TxtSalSinCapMonReg", "TxtMtoTranMonOri",
                                "TxtSinAjusPCNP", "TxtAjusPCNP", "TxtSinAjusPr", "TxtAjusPr", "TxtSinAjusCi", "TxtAjusCi",
                                "TxtMtoCapMonOri", "TxtMtoIntsMonOri", "TxtTasEfeAnu", "TxtSalCapMonReg",
                                "TxtMtoTraMonOri", "TxtMtoTraMonReg", "TxtMtoAjuResPosReg", "TxtMtoTotCapMonOri",
                                "TxtMtoTotIntsMonOri", "TxtMtoTotIntsMonReg", "TxtSalTotCapMonReg", "TxtMtoLimInfPCNC",
                                "TxtMtoLimSupPCNC", "TxtMtoMedPCNC", "TxtLimInfPR", "TxtLimSupPR", "TxtMedPR",
                                "TxtMargBrutoPR", "TxtLimInfCI", "TxtLimSupCI", "TxtMedCI", "TxtMargBrutoCI",
                                "TxtLimInfOM", "TxtLimSupOM", "TxtMedianaOM", "TxtValorPLIOM"})
            st.texts[QLatin1String(box)] = QStringLiteral("1,234.5");
        st.texts[QStringLiteral("TxtMtoAjuResNegReg")] = QStringLiteral("0");
        for (const char* combo : {"CboTipMoneda", "CboTipMoneda1", "CboTipMoneda2"})
            st.texts[QLatin1String(combo)] = QStringLiteral("01  -  SOLES");
        st.texts[QStringLiteral("CboMetodoVal")] = QStringLiteral("04 - MPU");
        st.texts[QStringLiteral("CboRangoPLI")] = QStringLiteral("02 Utilidad");
        for (const char* check : {"ChkPCNP", "ChkPR", "ChkCI", "OptCont_SETP", "OptInf_MT", "OptCont_OM"})
            st.checks[QLatin1String(check)] = true;
    }
    // The columns of the working row that are not NULL, key and cnumero left out.
    QStringList written(long cor = 1) {
        const auto rows = db().rows(QStringLiteral("SELECT * FROM TMPTRANSACCION2 WHERE DOC_ID_P=? AND COR_TRANSACCION=?"),
                                    {kDoc, static_cast<qlonglong>(cor)});
        QStringList out;
        if (rows.empty()) return out;
        const QSqlRecord& r = rows.front();
        for (int i = 7; i < r.count(); ++i)
            if (!r.value(i).isNull() && r.fieldName(i).toLower() != QLatin1String("cnumero")) out << r.fieldName(i).toLower();
        return out;
    }
    SaveResult save(const TransactionState& st) { return Grabar_Transacc(ctx(), st); }
    QString typeAmount(long cor, const QString& code) {
        const QVariant v = db().scalar(QStringLiteral("SELECT MONTO_TRANSACCION FROM TMPTRATIPTRA WHERE COR_TRANSACCION=? AND COD_TIP_TRANSACCION=?"),
                                       {static_cast<qlonglong>(cor), code});
        return !v.isValid() ? QStringLiteral("<none>") : v.isNull() ? QStringLiteral("<null>") : v.toString();
    }
};

TEST_F(SaveTest, TheMapOfTheSixCases) {
    const QString head = QStringLiteral("flag_val_met cod_tip_moneda ");
    const struct {
        const char* flag;
        bool fin;
        const char* columns;
    } cases[] = {
        {"00", false, "mto_sin_tran_mon_ori mto_sin_tran_mon_reg"},
        {"00", true, "mto_sin_cap_mon_ori mto_sin_ints_mon_ori tas_sin_efe_anu mto_sin_ints_mon_reg sal_sin_cap_mon_reg"},
        {"01", false, "mto_tran_mon_ori mto_sin_aju_pcnc mto_aju_pcnc mto_sin_aju_pr mto_aju_pr mto_sin_aju_ci mto_aju_ci "
                      "mto_lim_inf_pcnc mto_lim_sup_pcnc mto_mediana_pcnc mto_lim_inf_pr mto_lim_sup_pr mto_mediana_pr "
                      "mto_margen_bruto_pr mto_lim_inf_ci mto_lim_sup_ci mto_mediana_ci mto_margen_bruto_ci"},
        {"01", true, "mto_cap_mon_ori mto_ints_mon_ori tas_efe_anu sal_cap_mon_reg mto_ints_sin_aju_pcnc mto_ints_aju_pcnc "
                     "mto_ints_sin_aju_pr mto_ints_aju_pr mto_ints_sin_aju_ci mto_ints_aju_ci"},
        {"02", false, "mto_tra_mon_ori mto_tra_mon_reg mto_aju_res_pos_reg mto_aju_res_neg_reg met_val "
                      "ind_rentabilidad_mmnt mto_lim_inf_mmnt mto_lim_sup_mmnt mto_mediana_mmnt valor_pli_mmnt"},
        {"02", true, "mto_tot_cap_mon_ori mto_tot_ints_mon_ori mto_tot_ints_mon_reg sal_tot_cap_mon_reg "
                     "mto_tot_aju_res_pos_reg mto_tot_aju_res_neg_reg met_val_ints"},
    };
    for (const auto& c : cases) {
        db().exec(QStringLiteral("DELETE FROM TMPTRANSACCION2"));
        TransactionState st = state(S(c.flag), c.fin);
        fillEverything(st);
        const SaveResult r = save(st);
        ASSERT_EQ(r.outcome, SaveOutcome::Saved) << c.flag << c.fin << " " << r.verdict.message().toStdString() << " "
                                                 << r.verdict.focus.toStdString();
        QStringList expected = (head + S(c.columns) + QStringLiteral(" ind_transac_fin par_analizada")).split(QLatin1Char(' '));
        QStringList got = written();
        expected.sort();
        got.sort();
        EXPECT_EQ(got, expected) << c.flag << " " << c.fin;
        EXPECT_EQ(column(QStringLiteral("ind_transac_fin")).toString(), c.fin ? QStringLiteral("1") : QStringLiteral("0"));
        EXPECT_EQ(column(QStringLiteral("cnumero")).toString(), QStringLiteral("666666"));
    }
    // The type rows each case left under number 1 went with their transaction: only the last
    // case's two financial types are left.
    EXPECT_EQ(count(QStringLiteral("TMPTRATIPTRA")), 2);
    // Whole amounts halves away from zero; rates and range values with two decimals; codes.
    EXPECT_EQ(column(QStringLiteral("mto_tot_cap_mon_ori")).toString(), QStringLiteral("1235"));
    EXPECT_EQ(column(QStringLiteral("met_val_ints")).toString(), QStringLiteral("04"));
    EXPECT_EQ(column(QStringLiteral("par_analizada")).toString(), QStringLiteral("01"));
}

TEST_F(SaveTest, UncheckedMethodsAndEarlyPeriodsWriteLess) {
    // 2011, "01", only PR: the other methods' amounts are "", the range columns untouched; no
    // analysed party before 2012.
    TransactionState st = state(QStringLiteral("01"), false, QStringLiteral("2011"));
    fillEverything(st);
    st.checks[QStringLiteral("ChkPCNP")] = false;
    st.checks[QStringLiteral("ChkCI")] = false;
    ASSERT_EQ(save(st).outcome, SaveOutcome::Saved);
    EXPECT_EQ(column(QStringLiteral("mto_sin_aju_pcnc")).toString(), QStringLiteral(""));
    EXPECT_EQ(column(QStringLiteral("mto_sin_aju_pr")).toString(), QStringLiteral("1235"));
    EXPECT_FALSE(column(QStringLiteral("mto_lim_inf_pr")).isValid());
    EXPECT_FALSE(column(QStringLiteral("par_analizada")).isValid());
    // Other currency: its name trimmed; an empty box stores "", never "0".
    TransactionState o = state(QStringLiteral("00"), false, QStringLiteral("2011"));
    o.checks[QStringLiteral("ChkOtraMoneda")] = true;
    o.texts[QStringLiteral("TxtOtroTipMoneda")] = QStringLiteral(" YEN ");
    o.texts[QStringLiteral("TxtMtoSinTranMonOri")] = QStringLiteral("0");
    o.texts[QStringLiteral("TxtMtoSinTranMonReg")] = QStringLiteral("0");
    ASSERT_EQ(save(o).outcome, SaveOutcome::Saved);
    EXPECT_EQ(column(QStringLiteral("nom_otro_tip_mon"), 2).toString(), QStringLiteral("YEN"));
    EXPECT_EQ(column(QStringLiteral("cod_tip_moneda"), 2).toString(), QStringLiteral(""));
}

TEST_F(SaveTest, ModificarKeepsWhatItDoesNotWriteAndRewritesTheTypes) {
    TransactionState st = state(QStringLiteral("00"));
    fillEverything(st);
    tick(st, {QStringLiteral("05"), QStringLiteral("07")});
    ASSERT_EQ(save(st).outcome, SaveOutcome::Saved);
    db().exec(QStringLiteral("UPDATE TMPTRANSACCION2 SET MTO_TRAN_MON_ORI='777', NOM_OTRO_TIP_MON='LIBRA'"));
    db().exec(QStringLiteral("UPDATE TMPTRATIPTRA SET MONTO_TRANSACCION='10'"));

    st.mode = QStringLiteral("Modificar");
    st.corTransaccion = 1;
    st.texts[QStringLiteral("TxtMtoSinTranMonOri")] = QStringLiteral("2,000");
    st.texts[QStringLiteral("TxtMtoSinTranMonReg")] = QStringLiteral("2,000");
    tick(st, {QStringLiteral("05"), QStringLiteral("09")});
    ASSERT_EQ(save(st).outcome, SaveOutcome::Saved);
    EXPECT_EQ(count(QStringLiteral("TMPTRANSACCION2")), 1);
    EXPECT_EQ(column(QStringLiteral("mto_sin_tran_mon_ori")).toString(), QStringLiteral("2000"));
    EXPECT_EQ(column(QStringLiteral("mto_tran_mon_ori")).toString(), QStringLiteral("777"));
    EXPECT_EQ(column(QStringLiteral("nom_otro_tip_mon")).toString(), QStringLiteral("LIBRA"));
    // 05 updated (a "00" transaction has no per-type amount), 07 deleted, 09 added.
    EXPECT_EQ(typeAmount(1, QStringLiteral("05")), QStringLiteral(""));
    EXPECT_EQ(typeAmount(1, QStringLiteral("07")), QStringLiteral("<none>"));
    EXPECT_EQ(typeAmount(1, QStringLiteral("09")), QStringLiteral(""));
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT COUNT(*) FROM TMPTRATIPTRA WHERE CNUMERO='666666'")).toInt(), 2);
}

TEST_F(SaveTest, NumberingAndTakenNumbers) {
    TransactionState st = state(QStringLiteral("00"));
    fillEverything(st);
    ASSERT_EQ(save(st).corTransaccion, 1);
    for (int cor : {2, 5}) {
        db().exec(QStringLiteral("INSERT INTO TMPTRANSACCION2 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P,"
                                 " COR_TRANSACCION) VALUES (6, ?, '2012', '8027', 6, ?, ?)"),
                  {kRuc, kDoc, cor});
    }
    EXPECT_EQ(save(st).corTransaccion, 6);
    // A number taken by another writer after it was read: "Ya Existe", nothing written.
    db().exec(QStringLiteral("CREATE TRIGGER other_writer BEFORE INSERT ON TMPTRANSACCION2 WHEN NEW.CNUMERO='666666'"
                             " BEGIN INSERT INTO TMPTRANSACCION2 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P,"
                             " DOC_ID_P, COR_TRANSACCION, CNUMERO) VALUES (NEW.TIP_DOC_D, NEW.DOC_ID_D, NEW.PERIODO,"
                             " NEW.FORMULARIO, NEW.TIP_DOC_P, NEW.DOC_ID_P, NEW.COR_TRANSACCION, 'OTHER'); END"));
    EXPECT_EQ(save(st).outcome, SaveOutcome::Exists);
    EXPECT_EQ(count(QStringLiteral("TMPTRANSACCION2")), 4);
    EXPECT_EQ(msgYaExiste(), S("La Transacción Ya Existe.\r\nDe Clic en Cancelar para ingresar una Nueva Transacción."));
}

TEST_F(SaveTest, PerTypeAmountsComeFromTheDetailOfNonFinancialOtherMethodsOnly) {
    TransactionState st = state(QStringLiteral("02"));
    fillEverything(st);
    tick(st, {QStringLiteral("05"), QStringLiteral("07")});
    detailRow(1, QStringLiteral("05"), QStringLiteral("100"));
    ASSERT_EQ(save(st).outcome, SaveOutcome::Saved);
    EXPECT_EQ(typeAmount(1, QStringLiteral("05")), QStringLiteral("100"));
    EXPECT_EQ(typeAmount(1, QStringLiteral("07")), QStringLiteral(""));

    // Edited without a detail row: an imported amount stays; a new type gets "".
    db().exec(QStringLiteral("DELETE FROM TMPTRADET"));
    db().exec(QStringLiteral("UPDATE TMPTRATIPTRA SET MONTO_TRANSACCION='250' WHERE COD_TIP_TRANSACCION='07'"));
    st.mode = QStringLiteral("Modificar");
    st.corTransaccion = 1;
    tick(st, {QStringLiteral("05"), QStringLiteral("07"), QStringLiteral("09")});
    ASSERT_EQ(save(st).outcome, SaveOutcome::Saved);
    EXPECT_EQ(typeAmount(1, QStringLiteral("05")), QStringLiteral("100"));
    EXPECT_EQ(typeAmount(1, QStringLiteral("07")), QStringLiteral("250"));
    EXPECT_EQ(typeAmount(1, QStringLiteral("09")), QStringLiteral(""));

    // A detail left behind never reaches a transaction of another option.
    TransactionState t = state(QStringLiteral("01"));
    fillEverything(t);
    detailRow(2, QStringLiteral("05"), QStringLiteral("999"));
    ASSERT_EQ(save(t).corTransaccion, 2);
    EXPECT_EQ(typeAmount(2, QStringLiteral("05")), QStringLiteral(""));
    EXPECT_EQ(MONTO_TRADET(ctx(), t, 2, QStringLiteral("05")), QStringLiteral("999"));
    EXPECT_EQ(MONTO_TRATIPTRA(ctx(), t, 1, QStringLiteral("07")), QStringLiteral("250"));
    EXPECT_EQ(MONTO_TRATIPTRA(ctx(), t, 1, QStringLiteral("33")), QStringLiteral(""));
}

TEST_F(SaveTest, AFailureWritesNothing) {
    TransactionState st = state(QStringLiteral("00"));
    fillEverything(st);
    tick(st, {QStringLiteral("05"), QStringLiteral("07")});
    db().exec(QStringLiteral("CREATE TRIGGER fail BEFORE INSERT ON TMPTRATIPTRA WHEN NEW.COD_TIP_TRANSACCION='07'"
                             " BEGIN SELECT RAISE(ABORT, 'injected'); END"));
    EXPECT_NE(dbErrorNumber([&] { save(st); }), 0);
    EXPECT_EQ(count(QStringLiteral("TMPTRANSACCION2")), 0);
    EXPECT_EQ(count(QStringLiteral("TMPTRATIPTRA")), 0);

    // An edited transaction that is gone: no silent zero-row update.
    st.mode = QStringLiteral("Modificar");
    st.corTransaccion = 3;
    EXPECT_EQ(dbErrorNumber([&] { save(st); }), DbErr::NoCurrentRecord);
    EXPECT_EQ(count(QStringLiteral("TMPTRATIPTRA")), 0);
}

TEST_F(SaveTest, AFailureAtAnyRowWrittenLeavesTheWorkingCopyAsItWas) {
    TransactionState st = state(QStringLiteral("00"));
    fillEverything(st);
    tick(st, {QStringLiteral("05"), QStringLiteral("07")});
    const auto saved = [&] {
        try {
            return save(st).outcome == SaveOutcome::Saved;
        } catch (const DbError&) {
            return false;
        }
    };
    for (const char* mode : {"Nuevo", "Modificar"}) {
        SCOPED_TRACE(mode);
        st.mode = QString::fromLatin1(mode);
        st.corTransaccion = 1;
        const DatabasePicture before(db());
        const int writes = failAtEveryWrite(db(), saved, [&](const WriteFault& f) {
            EXPECT_TRUE(unchanged(before, db())) << f.describe();
        });
        EXPECT_GE(writes, 3);  // the transaction and its two types
        tick(st, {QStringLiteral("05"), QStringLiteral("09")});
    }
    EXPECT_EQ(typeAmount(1, QStringLiteral("07")), QStringLiteral("<none>"));
}

TEST_F(SaveTest, TheWriterNestsInTheCallersTransaction) {
    TransactionWriter writer(db());
    const TransactionKey k1{DeclarationKey{6, kRuc, QStringLiteral("2012"), QStringLiteral("8027")}, Party{6, kDoc}, 1};
    TransactionKey k2 = k1;
    k2.corTransaccion = 2;
    ColumnValues values;
    values.set(QStringLiteral("FLAG_VAL_MET"), QStringLiteral("00"));
    {
        Transaction batch(db());
        writer.insert(k1, values, {{QStringLiteral("05"), true, QStringLiteral("10")}});
        EXPECT_EQ(dbErrorNumber([&] { writer.insert(k1, values, {}); }), DbErr::DuplicateKey);
        writer.insert(k2, values, {{QStringLiteral("05"), false, {}}});  // an unticked type is not added
        batch.commit();
    }
    EXPECT_EQ(count(QStringLiteral("TMPTRANSACCION2")), 2);
    EXPECT_EQ(count(QStringLiteral("TMPTRATIPTRA")), 1);
    for (const char* bad : {"NO_SUCH_COLUMN", "cor_transaccion", "CNUMERO"}) {
        ColumnValues v;
        v.set(QLatin1String(bad), QStringLiteral("1"));
        EXPECT_THROW(writer.update(k1, v, {}), std::invalid_argument) << bad;
    }
}

// A call outside a transaction ends holding no read of the database (the highest type number it
// reads once a party included): another program can write at once.
TEST_F(SaveTest, TheWriterHoldsNoReadBetweenCalls) {
    TransactionWriter writer(db());
    const TransactionKey k{DeclarationKey{6, kRuc, QStringLiteral("2012"), QStringLiteral("8027")}, Party{6, kDoc}, 1};
    ColumnValues values;
    values.set(QStringLiteral("FLAG_VAL_MET"), QStringLiteral("00"));
    writer.insert(k, values, {{QStringLiteral("05"), true, QStringLiteral("10")}});
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(ctx().gDBFile.toUtf8().constData(), &other), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE; CREATE TABLE OTHER_PROGRAM (x INT); COMMIT", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(other);
}

}  // namespace
}  // namespace klv::test
