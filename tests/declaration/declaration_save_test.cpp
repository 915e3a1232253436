// Validar and Grabar: their step orders, the rows written with their control numbers, the state
// 0 or 9, and a failing save that leaves the stored declaration as it was.
#include "declaration_fixture.h"
#include "declaration_save.h"
#include "db_rows.h"
#include "fault_injection.h"
#include "numero_control.h"
#include "status_panels.h"

#include <QSqlRecord>

namespace klv::test {
namespace {

class SaveTest : public DeclarationTest {
protected:
    SaveTest() {
        party(QStringLiteral("P1"));
        st = state();
        st.modified = true;
    }
    // A non-financial transaction without method, its amounts given.
    void work(const QString& party, int cor, const char* ori, const char* reg, const QString& periodo = QStringLiteral("2015")) {
        transaction(kTmp, key(periodo), party, cor, QStringLiteral("00"), QStringLiteral("0"),
                    {{QStringLiteral("MTO_SIN_TRAN_MON_ORI"), S(ori)}, {QStringLiteral("MTO_SIN_TRAN_MON_REG"), S(reg)}});
        transactionType(QStringLiteral("TMPTRATIPTRA"), key(periodo), party, cor, QStringLiteral("05"), S(reg));
    }
    QStringList texts() {
        QStringList out;
        for (const auto& c : messages().calls()) out << c.text;
        return out;
    }
    QVariant cab(const char* column, const QString& periodo = QStringLiteral("2015")) {
        return db().scalar(QStringLiteral("SELECT %1 FROM CAB WHERE TIP_DOC_D=6 AND DOC_ID_D=? AND PERIODO=? AND FORMULARIO='8027'")
                               .arg(QString::fromLatin1(column)),
                           {kRuc, periodo});
    }
    DeclarationState st;
};

TEST_F(SaveTest, CleanDeclarationIsWrittenWithStateZeroAndControlNumbers) {
    work(QStringLiteral("P1"), 1, "1000", "1000");
    work(QStringLiteral("P1"), 2, "500", "450");
    st.rucAutor = QString();  // stored as the empty text
    const ButtonOutcome r = grabarDeclaracion(ctx(), st);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.estado, 0);
    EXPECT_EQ(texts(), QStringList{S("Toda la información fue grabada satisfactoriamente.")});
    EXPECT_EQ(messages().last().style, 48);

    EXPECT_EQ(cab("NROCHEQUE").toString(), QStringLiteral("1.4"));
    EXPECT_EQ(cab("FEC_PRO").toString(), QStringLiteral("08/12/2026"));
    EXPECT_EQ(cab("ESTADO").toInt(), 0);
    EXPECT_FALSE(cab("RECTIFICA").isNull());  // unanswered: the empty text
    EXPECT_EQ(cab("RECTIFICA").toString(), QString());
    const QVariantList k{6, kRuc, QStringLiteral("2015"), QStringLiteral("8027")};
    EXPECT_EQ(cab("CNUMERO").toString(), numeroControlFila(db(), QStringLiteral("CAB"), k, 5));

    const auto id = db().rows(QStringLiteral("SELECT AUTCONTEXT, ESTTECPT, RUC, CNUMERO FROM IDENTIFICA2"));
    ASSERT_EQ(id.size(), 1u);
    EXPECT_EQ(id[0].value(0).toString(), QStringLiteral("0"));
    EXPECT_EQ(id[0].value(1).toString(), QStringLiteral("0"));
    EXPECT_FALSE(id[0].value(2).isNull());
    EXPECT_EQ(id[0].value(2).toString(), QString());
    EXPECT_EQ(id[0].value(3).toString(), numeroControlFila(db(), QStringLiteral("IDENTIFICA2"), k, 4));

    EXPECT_EQ(count(QStringLiteral("TRANSACCION2")), 2);
    EXPECT_EQ(count(QStringLiteral("TRATIPTRA2")), 2);
    for (int cor : {1, 2}) {
        const QVariantList tk{6, kRuc, QStringLiteral("2015"), QStringLiteral("8027"), 6, QStringLiteral("P1"), cor};
        const QString stored = db().scalar(QStringLiteral("SELECT CNUMERO FROM TRANSACCION2 WHERE COR_TRANSACCION=?"), {cor}).toString();
        EXPECT_NE(stored, QStringLiteral("666666"));
        EXPECT_EQ(stored, numeroControlFila(db(), QStringLiteral("TRANSACCION2"), tk, 5));
        QVariantList yk = tk;
        yk << QStringLiteral("05");
        EXPECT_EQ(db().scalar(QStringLiteral("SELECT CNUMERO FROM TRATIPTRA2 WHERE COR_TRANSACCION=?"), {cor}).toString(),
                  numeroControlFila(db(), QStringLiteral("TRATIPTRA2"), yk, 5));
    }
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT MTO_SIN_TRAN_MON_REG FROM TRANSACCION2 WHERE COR_TRANSACCION=2")).toString(),
              QStringLiteral("450"));

    EXPECT_EQ(st.mode, kModoModificar);
    EXPECT_FALSE(st.modified);
    EXPECT_EQ(env().panels().PanelRuc(), kRuc);
    EXPECT_EQ(env().panels().PanelNombre(), QStringLiteral("EMPRESA DEMO SAC"));
    EXPECT_EQ(env().panels().PanelPeriodo(), QStringLiteral("2015"));
}

TEST_F(SaveTest, HeaderControlNumberOfAKnownRow) {
    DeclarationState s;
    s.cboNumDoc = QStringLiteral("20000000001");
    s.periodo = QStringLiteral("2015");
    s.answer1 = QStringLiteral("1");
    s.answer2 = QStringLiteral("0");
    s.rucAutor = QStringLiteral("20000000002");
    work(QStringLiteral("P1"), 1, "10", "10");  // a save needs a working copy
    escribirDeclaracion(ctx(), s, 0);
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT CNUMERO FROM IDENTIFICA2")).toString(), QStringLiteral("049289"));
}

TEST_F(SaveTest, AmountChecksMarkTheSaveInconsistentButStillWrite) {
    work(QStringLiteral("P1"), 1, "1000", "0");  // amounts neither both zero nor both above
    const ButtonOutcome r = grabarDeclaracion(ctx(), st);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.estado, 9);
    EXPECT_EQ(texts(), (QStringList{S("Los montos deben ser cero o mayores a cero. Num.Doc. Informado = P1 "),
                                    S("La declaración fue grabada con inconsistencias. En estas condiciones no podra ser "
                                      "enviada a MERVA")}));
    EXPECT_EQ(cab("ESTADO").toInt(), 9);
    EXPECT_EQ(count(QStringLiteral("TRANSACCION2")), 1);

    // Corrected and saved again: the rows are replaced and the state returns to 0.
    db().exec(QStringLiteral("UPDATE TMPTRANSACCION2 SET MTO_SIN_TRAN_MON_REG='900'"));
    work(QStringLiteral("P1"), 2, "500", "500");
    messages().clear();
    EXPECT_EQ(grabarDeclaracion(ctx(), st).estado, 0);
    EXPECT_EQ(cab("ESTADO").toInt(), 0);
    EXPECT_EQ(count(QStringLiteral("CAB")), 1);
    EXPECT_EQ(count(QStringLiteral("IDENTIFICA2")), 1);
    EXPECT_EQ(count(QStringLiteral("TRANSACCION2")), 2);
    EXPECT_EQ(count(QStringLiteral("TRATIPTRA2")), 2);
}

TEST_F(SaveTest, AllTotalsZeroSavesInconsistentWhereValidarStops) {
    work(QStringLiteral("P1"), 1, "0", "0");
    ButtonOutcome v = validarDeclaracion(ctx(), st);
    EXPECT_FALSE(v.ok);
    EXPECT_EQ(texts(), (QStringList{S("Debe ingresar alguna transacción de monto mayor a cero"),
                                    S("No ha registrado ninguna Transacción.")}));
    messages().clear();
    const ButtonOutcome g = grabarDeclaracion(ctx(), st);
    EXPECT_EQ(g.estado, 9);
    EXPECT_EQ(texts().size(), 1);  // only the closing message
}

TEST_F(SaveTest, WithoutWorkingTransactionsNothingIsWritten) {
    ButtonOutcome g = grabarDeclaracion(ctx(), st);
    EXPECT_FALSE(g.ok);
    EXPECT_EQ(g.selectTab, 1);
    EXPECT_EQ(texts(), QStringList{S("Debe registrar al menos una Transacción\r\npara poder guardar la Declaración.")});
    EXPECT_EQ(count(QStringLiteral("CAB")), 0);
    EXPECT_EQ(count(QStringLiteral("IDENTIFICA2")), 0);
    EXPECT_EQ(st.mode, kModoNuevo);
    messages().clear();
    ButtonOutcome v = validarDeclaracion(ctx(), st);
    EXPECT_EQ(v.selectTab, 1);
    EXPECT_EQ(texts(), QStringList{S("No ha registrado ninguna Transacción.")});
}

TEST_F(SaveTest, InvalidHeaderStopsBothButtonsWithItsFocus) {
    work(QStringLiteral("P1"), 1, "10", "10");
    st.cboNumDoc.clear();
    EXPECT_EQ(grabarDeclaracion(ctx(), st).focus, DeclFocus::CboNumDoc);
    EXPECT_EQ(validarDeclaracion(ctx(), st).focus, DeclFocus::CboNumDoc);
    EXPECT_EQ(count(QStringLiteral("CAB")), 0);
}

TEST_F(SaveTest, LargeAmountQuestionAnsweredNoWritesNothing) {
    party(QStringLiteral("P2"));
    work(QStringLiteral("P1"), 1, "100", "100");
    work(QStringLiteral("P1"), 2, "100", "100");
    work(QStringLiteral("P2"), 1, "5000", "5000");
    messages().script(MsgAnswer::No);
    ButtonOutcome g = grabarDeclaracion(ctx(), st);
    EXPECT_FALSE(g.ok);
    EXPECT_EQ(g.selectTab, 1);
    EXPECT_EQ(texts(), QStringList{S("Existen transacciones mayores a 1000.00. ¿Es correcto?")});
    EXPECT_EQ(messages().last().style, 292);
    EXPECT_EQ(count(QStringLiteral("CAB")), 0);

    messages().clear();
    messages().script(MsgAnswer::Yes);
    g = grabarDeclaracion(ctx(), st);
    EXPECT_TRUE(g.ok);
    EXPECT_EQ(count(QStringLiteral("TRANSACCION2")), 3);
}

TEST_F(SaveTest, PartyWithoutTransactionsOnlyWarns) {
    party(QStringLiteral("P2"));
    work(QStringLiteral("P1"), 1, "10", "10");
    const ButtonOutcome g = grabarDeclaracion(ctx(), st);
    EXPECT_EQ(g.estado, 0);
    EXPECT_EQ(texts(), (QStringList{S("Existen informados que no tienen transacciones registradas."),
                                    S("Toda la información fue grabada satisfactoriamente.")}));
    messages().clear();
    EXPECT_TRUE(validarDeclaracion(ctx(), st).ok);
    EXPECT_EQ(texts(), (QStringList{S("Existen informados que no tienen transacciones registradas."),
                                    S("La Declaración no presenta inconsistencias.")}));
}

TEST_F(SaveTest, IncompleteNonDomiciledPartyStopsTheSave) {
    party(QStringLiteral("ND"), {{QStringLiteral("FLAG_CON_DOM"), QStringLiteral("02")}, {QStringLiteral("COD_NAT_JUR"), QStringLiteral("2")},
                                 {QStringLiteral("RAZON_SOCIAL"), QStringLiteral("FOREIGN CO")}});
    st = state(QStringLiteral("2016"));
    work(QStringLiteral("P1"), 1, "10", "10", QStringLiteral("2016"));
    work(QStringLiteral("ND"), 1, "10", "10", QStringLiteral("2016"));
    const ButtonOutcome g = grabarDeclaracion(ctx(), st);
    EXPECT_FALSE(g.ok);
    EXPECT_EQ(g.selectTab, 1);
    EXPECT_EQ(texts(), QStringList{S("A partir del periodo 2016 aquellos Informados con condición 'NO DOMICILIADO' deben "
                                     "ingresar información adicional:\r\nEl Informado 'FOREIGN CO' no ha seleccionado un "
                                     "Tipo de Dirección Legal.")});
    EXPECT_EQ(count(QStringLiteral("CAB")), 0);
}

TEST_F(SaveTest, Rule2008RunsInTheSaveOnlyUpTo2012AndWhenQuestion2IsNotNo) {
    // 2013, a transaction without study, question 2 answered Yes: the save does not run the rule.
    st = state(QStringLiteral("2013"));
    st.answer2 = QStringLiteral("1");
    st.rutaEstudio = QStringLiteral("/estudio/");
    work(QStringLiteral("P1"), 1, "10", "10", QStringLiteral("2013"));
    EXPECT_EQ(grabarDeclaracion(ctx(), st).estado, 0);
    messages().clear();
    EXPECT_FALSE(validarDeclaracion(ctx(), st).ok);
    EXPECT_TRUE(texts().last().startsWith(S("A partir de 2008, la opción Sin Estudio Técnico")));

    // 2010 with the same answers: the save marks it inconsistent.
    st = state(QStringLiteral("2010"));
    st.answer2 = QStringLiteral("1");
    work(QStringLiteral("P1"), 1, "10", "10", QStringLiteral("2010"));
    messages().clear();
    EXPECT_EQ(grabarDeclaracion(ctx(), st).estado, 9);
}

TEST_F(SaveTest, RectificationStoredFrom2012AndKeptBefore) {
    st = state(QStringLiteral("2012"));
    work(QStringLiteral("P1"), 1, "10", "10", QStringLiteral("2012"));
    grabarDeclaracion(ctx(), st);  // unanswered
    EXPECT_FALSE(cab("RECTIFICA", QStringLiteral("2012")).isNull());
    EXPECT_EQ(cab("RECTIFICA", QStringLiteral("2012")).toString(), QString());
    st.rectifica = QStringLiteral("1");
    grabarDeclaracion(ctx(), st);
    EXPECT_EQ(cab("RECTIFICA", QStringLiteral("2012")).toString(), QStringLiteral("1"));

    // Before 2012 an existing status row keeps its value.
    db().exec(QStringLiteral("INSERT INTO CAB (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, rectifica) VALUES (6, ?, '2011', '8027', '1')"),
              {kRuc});
    st = state(QStringLiteral("2011"));
    st.rectifica = QStringLiteral("0");
    work(QStringLiteral("P1"), 1, "10", "10", QStringLiteral("2011"));
    grabarDeclaracion(ctx(), st);
    EXPECT_EQ(cab("RECTIFICA", QStringLiteral("2011")).toString(), QStringLiteral("1"));
    EXPECT_EQ(cab("NROCHEQUE", QStringLiteral("2011")).toString(), QStringLiteral("1.4"));
}

TEST_F(SaveTest, FailureWhileWritingLeavesTheStoredDeclarationAsItWas) {
    // A declaration stored earlier, with two transactions.
    work(QStringLiteral("P1"), 1, "10", "10");
    work(QStringLiteral("P1"), 2, "20", "20");
    ASSERT_TRUE(grabarDeclaracion(ctx(), st).ok);
    db().exec(QStringLiteral("UPDATE CAB SET FEC_PRO='01/01/2020'"));
    const auto before = db().rows(QStringLiteral("SELECT * FROM TRANSACCION2 ORDER BY COR_TRANSACCION"));

    // The working copy now holds one changed transaction; the type rows cannot be written.
    db().exec(QStringLiteral("DELETE FROM TMPTRANSACCION2 WHERE COR_TRANSACCION=2"));
    db().exec(QStringLiteral("DELETE FROM TMPTRATIPTRA WHERE COR_TRANSACCION=2"));
    db().exec(QStringLiteral("UPDATE TMPTRANSACCION2 SET MTO_SIN_TRAN_MON_REG='77', MTO_SIN_TRAN_MON_ORI='77'"));
    db().exec(QStringLiteral("CREATE TRIGGER full_disk BEFORE INSERT ON TRATIPTRA2 BEGIN SELECT RAISE(ABORT, 'disco lleno'); END"));
    st.answer1 = QStringLiteral("1");
    st.modified = true;
    messages().clear();
    const ButtonOutcome g = grabarDeclaracion(ctx(), st);
    EXPECT_FALSE(g.ok);
    ASSERT_EQ(messages().calls().size(), 1u);
    EXPECT_TRUE(messages().last().text.startsWith(S("No se pudo grabar la declaración; la información guardada no fue modificada.")));
    EXPECT_TRUE(messages().last().text.contains(QStringLiteral("disco lleno")));
    EXPECT_EQ(messages().last().style, 16);
    EXPECT_TRUE(st.modified);

    const auto after = db().rows(QStringLiteral("SELECT * FROM TRANSACCION2 ORDER BY COR_TRANSACCION"));
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i)
        for (int c = 0; c < after[i].count(); ++c) EXPECT_EQ(after[i].value(c), before[i].value(c));
    EXPECT_EQ(count(QStringLiteral("TRATIPTRA2")), 2);
    EXPECT_EQ(cab("FEC_PRO").toString(), QStringLiteral("01/01/2020"));
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT AUTCONTEXT FROM IDENTIFICA2")).toString(), QStringLiteral("0"));
}

TEST_F(SaveTest, AFailureAtAnyRowWrittenLeavesTheDatabaseAsItWas) {
    work(QStringLiteral("P1"), 1, "10", "10");
    ASSERT_TRUE(grabarDeclaracion(ctx(), st).ok);
    work(QStringLiteral("P1"), 2, "20", "20");
    work(QStringLiteral("P1"), 3, "30", "30");
    const DatabasePicture before(db());
    const int writes = failAtEveryWrite(db(), [&] {
        messages().clear();
        DeclarationState s = st;
        s.modified = true;
        return grabarDeclaracion(ctx(), s).ok;
    }, [&](const WriteFault& f) {
        EXPECT_TRUE(unchanged(before, db())) << f.describe();
        ASSERT_EQ(messages().calls().size(), 1u) << f.describe();
        EXPECT_TRUE(messages().last().text.contains(QStringLiteral("falla provocada"))) << f.describe();
    }, FaultKind::Transaction);  // the engine rolls the whole transaction back, as on a full disk
    EXPECT_GE(writes, 10);  // CAB, IDENTIFICA2, the old rows out, three transactions with their types
    EXPECT_EQ(count(QStringLiteral("TRANSACCION2")), 3);
}

TEST_F(SaveTest, AWorkingCopyEmptiedAfterTheChecksKeepsTheStoredDeclaration) {
    // act8027 rebuilds the working tables empty while the form saves.
    work(QStringLiteral("P1"), 1, "10", "10");
    ASSERT_TRUE(grabarDeclaracion(ctx(), st).ok);
    db().exec(QStringLiteral("DELETE FROM TMPTRANSACCION2"));
    EXPECT_EQ(dbErrorNumber([&] { escribirDeclaracion(ctx(), st, 0); }), DbErr::NoCurrentRecord);
    EXPECT_EQ(count(QStringLiteral("TRANSACCION2")), 1);
}

TEST_F(SaveTest, TypeRowsWithoutTheirTransactionAreNotSaved) {
    // act8027 emptied the working transactions but not their types; an import then added
    // transaction 1 of P1 again.
    work(QStringLiteral("P1"), 1, "10", "10");
    transactionType(QStringLiteral("TMPTRATIPTRA"), key(), QStringLiteral("P1"), 2, QStringLiteral("05"), QStringLiteral("20"));
    transactionType(QStringLiteral("TMPTRATIPTRA"), key(), QStringLiteral("P2"), 1, QStringLiteral("07"), QStringLiteral("30"));
    ASSERT_TRUE(grabarDeclaracion(ctx(), st).ok);
    EXPECT_EQ(count(QStringLiteral("TRATIPTRA2")), 1);
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT DOC_ID_P || COR_TRANSACCION FROM TRATIPTRA2")).toString(), QStringLiteral("P11"));
}

TEST_F(SaveTest, ADatabaseFileDeletedDuringTheSaveIsReportedAndNothingCountsAsSaved) {
    work(QStringLiteral("P1"), 1, "10", "10");
    auto saveFails = [&] {
        messages().clear();
        EXPECT_FALSE(grabarDeclaracion(ctx(), st).ok);
        ASSERT_EQ(messages().calls().size(), 1u);
        EXPECT_EQ(messages().last().style, 16);
        EXPECT_TRUE(messages().last().text.contains(S("fue reemplazado o borrado mientras el programa trabajaba")))
            << messages().last().text.toStdString();
        EXPECT_TRUE(messages().last().text.contains(db().path()));
        EXPECT_TRUE(st.modified);
    };
    {
        const FileGoneAtCommit gone(db(), FileGoneAtCommit::How::Deleted);
        saveFails();
        EXPECT_TRUE(gone.struck());
    }
    EXPECT_EQ(st.mode, kModoNuevo);
    // Saving again (the connection still reads the deleted file, where the declaration now
    // exists): the engine refuses to write into a file that lost its name; the same message.
    st.mode = kModoModificar;
    saveFails();
}

TEST_F(SaveTest, ManyRowsAreCopiedWholeWithProgress) {
    manyWorkingTransactions(3000);
    // Rows numbered of the rows of both working tables, every 2,000 rows and in between.
    std::vector<qint64> reported;
    escribirDeclaracion(ctx(), st, 0, [&](qint64 done, qint64 total) {
        EXPECT_EQ(total, 6000);
        if (reported.empty() || done != reported.back()) reported.push_back(done);
    });
    EXPECT_EQ(reported, (std::vector<qint64>{0, 2000, 4000, 6000}));
    EXPECT_EQ(count(QStringLiteral("TRANSACCION2")), 3000);
    EXPECT_EQ(count(QStringLiteral("TRATIPTRA2")), 3000);
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT COUNT(*) FROM TRANSACCION2 WHERE CNUMERO='666666' OR CNUMERO IS NULL")).toInt(), 0);
    const QVariantList last{6, kRuc, QStringLiteral("2015"), QStringLiteral("8027"), 6, QStringLiteral("P1"), 3000};
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT CNUMERO FROM TRANSACCION2 WHERE COR_TRANSACCION=3000")).toString(),
              numeroControlFila(db(), QStringLiteral("TRANSACCION2"), last, 5));
}

TEST_F(SaveTest, ValidarTellsTheShareOfItsWorkDone) {
    manyWorkingTransactions(5000);
    // The transactions the amounts' review has read, every 2,000 and all, then the per-type
    // detail's check as a quarter more: a share that only grows, to the whole.
    std::vector<qint64> reported;
    EXPECT_TRUE(validarDeclaracion(ctx(), st, [&](qint64 done, qint64 total) {
                    EXPECT_EQ(total, 6250);
                    if (reported.empty() || done != reported.back()) reported.push_back(done);
                }).ok);
    EXPECT_EQ(reported, (std::vector<qint64>{0, 2000, 4000, 5000, 6250}));
}

}  // namespace
}  // namespace klv::test
