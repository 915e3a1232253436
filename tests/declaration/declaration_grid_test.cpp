// The transactions grid of the declaration form (rows, order, texts, rows without their party,
// document type or currency, batches of the model), the delete of one working transaction, and the
// lookups of the identification tab (declarant names, attached study).
#include "declaration_fixture.h"
#include "declaration_grid.h"
#include "transaction_grid_model.h"
#include "declaration_header.h"

namespace klv::test {
namespace {

class GridTest : public DeclarationTest {
protected:
    GridTest() {
        party(QStringLiteral("P1"), {{QStringLiteral("RAZON_SOCIAL"), QStringLiteral("BETA SAC")}});
        party(QStringLiteral("P2"), {{QStringLiteral("RAZON_SOCIAL"), QStringLiteral("alfa sa")}});
    }
    TransactionGrid load(const QString& periodo = QStringLiteral("2015")) {
        TransactionGrid g;
        g.load(ctx(), 6, kRuc, periodo);
        return g;
    }
    QStringList row(const TransactionGrid& g, int r) {
        QStringList out;
        for (int c = 0; c < kGridColumns; ++c) out << g.text(r, static_cast<GridColumn>(c));
        return out;
    }
    static QString ruc12() { return QStringLiteral("RUC         "); }
};

TEST_F(GridTest, RowsAreOrderedByPartyNameThenNumberWithTheirTexts) {
    const auto k = key();
    transaction(kTmp, k, QStringLiteral("P1"), 2, QStringLiteral("02"), QStringLiteral("0"),
                {{QStringLiteral("MTO_TRA_MON_ORI"), QStringLiteral("1234567")}});
    transaction(kTmp, k, QStringLiteral("P1"), 1, QStringLiteral("01"), QStringLiteral("0"),
                {{QStringLiteral("MTO_TRAN_MON_ORI"), QStringLiteral("50")}});
    transaction(kTmp, k, QStringLiteral("P2"), 3, QStringLiteral("00"), QStringLiteral("0"),
                {{QStringLiteral("MTO_SIN_TRAN_MON_ORI"), QStringLiteral("7")}});
    // Another period and another declarant are not listed.
    transaction(kTmp, key(QStringLiteral("2014")), QStringLiteral("P1"), 9, QStringLiteral("00"), QStringLiteral("0"));
    transaction(kTmp, key(QStringLiteral("2015"), kRucOtro), QStringLiteral("P1"), 9, QStringLiteral("00"), QStringLiteral("0"));

    const TransactionGrid g = load();
    ASSERT_EQ(g.size(), 3);
    // Names compare without case: "alfa sa" before "BETA SAC".
    EXPECT_EQ(row(g, 0), (QStringList{ruc12(), QStringLiteral("P2"), QStringLiteral("alfa sa"), QStringLiteral("3"),
                                      QStringLiteral("SIN EST. TEC."), QStringLiteral("NUEVOS SOLES"), QStringLiteral("7.00"),
                                      QStringLiteral("6")}));
    EXPECT_EQ(row(g, 1).mid(1, 6), (QStringList{QStringLiteral("P1"), QStringLiteral("BETA SAC"), QStringLiteral("1"),
                                                QStringLiteral("TRADICIONAL"), QStringLiteral("NUEVOS SOLES"),
                                                QStringLiteral("50.00")}));
    EXPECT_EQ(row(g, 2).mid(3, 4), (QStringList{QStringLiteral("2"), QStringLiteral("OTROS"), QStringLiteral("NUEVOS SOLES"),
                                                QStringLiteral("1,234,567.00")}));
    EXPECT_EQ(g.party(2).docIdP, QStringLiteral("P1"));
    EXPECT_EQ(g.party(2).tipDocP, 6);
    EXPECT_EQ(g.corTransaccion(2), 2);
    EXPECT_EQ(g.flagValMet(2), QStringLiteral("02"));
}

TEST_F(GridTest, PartyNamesFollowTheOrderOfNames) {
    party(QStringLiteral("P3"), {{QStringLiteral("RAZON_SOCIAL"), QStringLiteral("ZETA SRL")}});
    party(QStringLiteral("P4"), {{QStringLiteral("RAZON_SOCIAL"), QStringLiteral("ÑANDÚ S.A.")}});
    party(QStringLiteral("P5"), {{QStringLiteral("RAZON_SOCIAL"), QStringLiteral("Águila SAC")}});
    int cor = 0;
    for (const char* p : {"P1", "P2", "P3", "P4", "P5"})
        transaction(kTmp, key(), QString::fromLatin1(p), ++cor, QStringLiteral("00"), QStringLiteral("0"));
    const TransactionGrid g = load();
    QStringList names;
    for (int r = 0; r < g.size(); ++r) names << g.text(r, GridColumn::RazonSocial);
    EXPECT_EQ(names, (QStringList{QStringLiteral("Águila SAC"), QStringLiteral("alfa sa"), QStringLiteral("BETA SAC"),
                                  QStringLiteral("ÑANDÚ S.A."), QStringLiteral("ZETA SRL")}));
}

TEST_F(GridTest, PartiesOfOneNameMergeByNumber) {
    party(QStringLiteral("P3"), {{QStringLiteral("RAZON_SOCIAL"), QStringLiteral("BETA SAC")}});
    for (const auto& [p, cor] : {std::pair{"P1", 3}, {"P1", 1}, {"P2", 2}, {"P3", 2}, {"P3", 4}, {"P1", 2}})
        transaction(kTmp, key(), QString::fromLatin1(p), cor, QStringLiteral("00"), QStringLiteral("0"));
    const TransactionGrid g = load();
    QStringList rows;
    for (int r = 0; r < g.size(); ++r) rows << g.party(r).docIdP + QLatin1Char('/') + QString::number(g.corTransaccion(r));
    // "alfa sa" first; the two "BETA SAC" by number, a tie by the party's document.
    EXPECT_EQ(rows, (QStringList{QStringLiteral("P2/2"), QStringLiteral("P1/1"), QStringLiteral("P1/2"),
                                 QStringLiteral("P3/2"), QStringLiteral("P1/3"), QStringLiteral("P3/4")}));
}

TEST_F(GridTest, TotalComesFromTheAmountOfTheFlagAndIndicator) {
    struct Case {
        const char* flag;
        const char* ind;
        const char* column;
    };
    const Case cases[] = {{"00", "0", "MTO_SIN_TRAN_MON_ORI"}, {"00", "1", "MTO_SIN_INTS_MON_ORI"},
                          {"01", "0", "MTO_TRAN_MON_ORI"},     {"01", "1", "MTO_INTS_MON_ORI"},
                          {"02", "0", "MTO_TRA_MON_ORI"},      {"02", "1", "MTO_TOT_INTS_MON_ORI"}};
    const QStringList every{QStringLiteral("MTO_SIN_TRAN_MON_ORI"), QStringLiteral("MTO_SIN_INTS_MON_ORI"),
                            QStringLiteral("MTO_TRAN_MON_ORI"),     QStringLiteral("MTO_INTS_MON_ORI"),
                            QStringLiteral("MTO_TRA_MON_ORI"),      QStringLiteral("MTO_TOT_INTS_MON_ORI")};
    int cor = 0;
    for (const Case& c : cases) {
        // Every amount column holds something; only the one of the flag and indicator is shown.
        QVariantMap amounts;
        for (const QString& col : every) amounts.insert(col, QStringLiteral("1"));
        amounts.insert(QString::fromLatin1(c.column), QString::number(1000 + cor));
        transaction(kTmp, key(), QStringLiteral("P1"), ++cor, QString::fromLatin1(c.flag), QString::fromLatin1(c.ind), amounts);
    }
    const TransactionGrid g = load();
    ASSERT_EQ(g.size(), 6);
    for (int r = 0; r < 6; ++r)
        EXPECT_EQ(g.text(r, GridColumn::Total), QStringLiteral("1,00%1.00").arg(r)) << cases[r].column;
}

TEST_F(GridTest, RowsWithoutPartyDocumentTypeOrCurrencyAreListedWithEmptyTexts) {
    const auto k = key();
    transaction(kTmp, k, QStringLiteral("P1"), 1, QStringLiteral("00"), QStringLiteral("0"),
                {{QStringLiteral("MTO_SIN_TRAN_MON_ORI"), QStringLiteral("10")}});
    // No PAR_VIN row for this party.
    transaction(kTmp, k, QStringLiteral("SINPARTE"), 1, QStringLiteral("00"), QStringLiteral("0"),
                {{QStringLiteral("MTO_SIN_TRAN_MON_ORI"), QStringLiteral("20")}});
    // A currency code without its PARAM '883' row, and one typed by hand ('00' finds '000').
    transaction(kTmp, k, QStringLiteral("P1"), 2, QStringLiteral("00"), QStringLiteral("0"));
    transaction(kTmp, k, QStringLiteral("P1"), 3, QStringLiteral("00"), QStringLiteral("0"),
                {{QStringLiteral("NOM_OTRO_TIP_MON"), QStringLiteral("SOL DE ORO")}});
    db().exec(QStringLiteral("UPDATE TMPTRANSACCION2 SET COD_TIP_MONEDA=CASE COR_TRANSACCION WHEN 2 THEN '09' ELSE '00' END"
                             " WHERE DOC_ID_P='P1' AND COR_TRANSACCION IN (2, 3)"));
    // A document type without its PARAM '044' row.
    insert(kTmp, k, {{QStringLiteral("TIP_DOC_P"), 9}, {QStringLiteral("DOC_ID_P"), QStringLiteral("X9")},
                     {QStringLiteral("COR_TRANSACCION"), 1}, {QStringLiteral("FLAG_VAL_MET"), QStringLiteral("01")},
                     {QStringLiteral("IND_TRANSAC_FIN"), QStringLiteral("1")}, {QStringLiteral("COD_TIP_MONEDA"), QStringLiteral("02")}});
    // A flag that is none of the valuation methods stays out.
    transaction(kTmp, k, QStringLiteral("P1"), 4, QStringLiteral("03"), QStringLiteral("0"));

    const TransactionGrid g = load();
    ASSERT_EQ(g.size(), 5);
    // Missing names sort first (the empty text).
    QStringList docs;
    for (int r = 0; r < g.size(); ++r) docs << g.text(r, GridColumn::DocIdP);
    EXPECT_EQ(docs, (QStringList{QStringLiteral("SINPARTE"), QStringLiteral("X9"), QStringLiteral("P1"), QStringLiteral("P1"),
                                 QStringLiteral("P1")}));
    EXPECT_EQ(g.text(0, GridColumn::RazonSocial), QString());
    EXPECT_EQ(g.text(0, GridColumn::Total), QStringLiteral("20.00"));
    EXPECT_EQ(g.text(1, GridColumn::TipDoc), QString());
    EXPECT_EQ(g.text(1, GridColumn::TipDocP), QStringLiteral("9"));
    EXPECT_EQ(g.text(1, GridColumn::Moneda), QStringLiteral("DOLAR DE EE.UU."));
    EXPECT_EQ(g.text(3, GridColumn::Moneda), QString());
    EXPECT_EQ(g.text(4, GridColumn::Moneda),
              db().scalar(QStringLiteral("SELECT FUNCION FROM PARAM WHERE NUMERO='883' AND ARGUMENTO='000'")).toString());
    EXPECT_FALSE(g.text(4, GridColumn::Moneda).isEmpty());
}

TEST_F(GridTest, EmptyAmountReadsZeroAndTextThatIsNoNumberShowsNothing) {
    transaction(kTmp, key(), QStringLiteral("P1"), 1, QStringLiteral("00"), QStringLiteral("0"));
    transaction(kTmp, key(), QStringLiteral("P1"), 2, QStringLiteral("00"), QStringLiteral("0"),
                {{QStringLiteral("MTO_SIN_TRAN_MON_ORI"), QStringLiteral("12A")}});
    const TransactionGrid g = load();
    ASSERT_EQ(g.size(), 2);
    EXPECT_EQ(g.text(0, GridColumn::Total), QStringLiteral("0.00"));
    EXPECT_EQ(g.text(1, GridColumn::Total), QString());
}

TEST_F(GridTest, CaptionsCountAndTotalsWording) {
    EXPECT_EQ(countLabel(0), QStringLiteral(" 0 Registros Encontrados"));
    EXPECT_EQ(countLabel(3), QStringLiteral(" 3 Registros Encontrados"));
    EXPECT_EQ(totalsCaption(true, false), QStringLiteral("Totales en Dolar de EE.UU.-EE.UU."));
    EXPECT_EQ(totalsCaption(false, true), QStringLiteral("Totales en Nuevos Soles-Peru"));
    EXPECT_EQ(totalsCaption(false, false), QStringLiteral("Totales"));
    EXPECT_EQ(valuationText(QStringLiteral("01")), QStringLiteral("TRADICIONAL"));
    EXPECT_EQ(gridCaption(GridColumn::Cor), S("N°"));
    EXPECT_EQ(gridCaption(GridColumn::Total), S("Monto Total de la Transacción en Moneda de Origen"));
}

TEST_F(GridTest, ModelHandsLargeGridsToTheViewInBatches) {
    {
        Transaction t(db());
        for (int i = 1; i <= 2500; ++i)
            transaction(kTmp, key(), QStringLiteral("P1"), i, QStringLiteral("00"), QStringLiteral("0"),
                        {{QStringLiteral("MTO_SIN_TRAN_MON_ORI"), QString::number(i)}});
        t.commit();
    }
    TransactionGrid grid;
    grid.load(ctx(), 6, kRuc, QStringLiteral("2015"));
    TransactionGridModel model;
    model.replace(std::move(grid));
    EXPECT_EQ(model.totalRows(), 2500);
    EXPECT_LT(model.rowCount(), 2500);
    while (model.canFetchMore(QModelIndex())) model.fetchMore(QModelIndex());
    EXPECT_EQ(model.rowCount(), 2500);
    EXPECT_EQ(model.data(model.index(2499, static_cast<int>(GridColumn::Cor))).toString(), QStringLiteral("2500"));
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), S("Nombre / Razón Social"));
}

TEST_F(GridTest, DeleteRemovesOneTransactionFromTheThreeWorkingTables) {
    const auto k = key();
    for (int cor : {1, 2}) {
        transaction(kTmp, k, QStringLiteral("P1"), cor, QStringLiteral("02"), QStringLiteral("0"));
        transactionType(QStringLiteral("TMPTRATIPTRA"), k, QStringLiteral("P1"), cor, QStringLiteral("05"), QStringLiteral("5"));
        insert(QStringLiteral("TMPTRADET"), k,
               {{QStringLiteral("TIP_DOC_P"), 6}, {QStringLiteral("DOC_ID_P"), QStringLiteral("P1")},
                {QStringLiteral("COR_TRANSACCION"), cor}, {QStringLiteral("COD_TIP_TRANSACCION"), QStringLiteral("05")},
                {QStringLiteral("MONTO"), QStringLiteral("5")}});
    }
    transaction(kTmp, k, QStringLiteral("P2"), 1, QStringLiteral("00"), QStringLiteral("0"));

    DeclarationKey spaced = k;
    spaced.periodo = QStringLiteral(" 2015 ");
    eliminarTransaccionTemporal(ctx(), spaced, Party{6, QStringLiteral("P1")}, 1);
    EXPECT_EQ(count(kTmp), 2);
    EXPECT_EQ(count(QStringLiteral("TMPTRATIPTRA")), 1);
    EXPECT_EQ(count(QStringLiteral("TMPTRADET")), 1);
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT COR_TRANSACCION FROM TMPTRADET")).toInt(), 2);
    // Nothing to delete is no failure.
    EXPECT_NO_THROW(eliminarTransaccionTemporal(ctx(), k, Party{6, QStringLiteral("P9")}, 1));
}

TEST_F(GridTest, DeleteIsAllOrNothing) {
    transaction(kTmp, key(), QStringLiteral("P1"), 1, QStringLiteral("00"), QStringLiteral("0"));
    transactionType(QStringLiteral("TMPTRATIPTRA"), key(), QStringLiteral("P1"), 1, QStringLiteral("05"), QStringLiteral("5"));
    // The last of the three statements fails: the types deleted before it come back.
    db().exec(QStringLiteral("CREATE TRIGGER no_delete BEFORE DELETE ON TMPTRANSACCION2 BEGIN SELECT RAISE(ABORT, 'locked'); END"));
    EXPECT_THROW(eliminarTransaccionTemporal(ctx(), key(), Party{6, QStringLiteral("P1")}, 1), DbError);
    EXPECT_EQ(count(QStringLiteral("TMPTRATIPTRA")), 1);
    EXPECT_EQ(count(kTmp), 1);
}

TEST_F(GridTest, DeclarantNamesFollowTheUsersType) {
    const DeclarantNames empresa = readDeclarant(ctx(), kRuc);
    ASSERT_TRUE(empresa.found);
    EXPECT_TRUE(empresa.empresa());
    EXPECT_EQ(empresa.nombre, QStringLiteral("EMPRESA DEMOSTRACION S.A.C."));
    const DeclarantNames persona = readDeclarant(ctx(), kRucOtro);
    EXPECT_FALSE(persona.empresa());
    EXPECT_EQ(persona.apellidoP, QStringLiteral("GARCIA"));
    EXPECT_EQ(persona.nombre1, QStringLiteral("MARIA ELENA"));

    // A user who does not see every taxpayer finds only his own.
    db().exec(QStringLiteral("UPDATE CLAVES SET Tipo='1'"));
    db().exec(QStringLiteral("UPDATE CONT SET Usuario='OTRO' WHERE DOC_ID_D=?"), {kRucOtro});
    EXPECT_TRUE(readDeclarant(ctx(), kRuc).found);
    EXPECT_FALSE(readDeclarant(ctx(), kRucOtro).found);
}

TEST_F(GridTest, AttachedStudyIsReadAndForgottenForItsDeclarationOnly) {
    auto study = [&](const QString& periodo, const QString& tab, int semana) {
        db().exec(QStringLiteral("INSERT INTO EFCONTROLNS (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, SEMANA, NOMARC, TAB_D,"
                                 " RUTARC, TAMARC) VALUES (6, ?, ?, '8027', ?, ?, ?, '/DATOS/ESTUDIOS', 123456)"),
                  {kRuc, periodo, semana, QStringLiteral("8027") + kRuc + periodo + tab, tab});
    };
    study(QStringLiteral("2015"), QStringLiteral("PDF"), 0);
    study(QStringLiteral("2015"), QStringLiteral("TXT"), 0);
    study(QStringLiteral("2014"), QStringLiteral("PDF"), 0);

    const AttachedStudy s = readAttachedStudy(ctx(), key());
    ASSERT_TRUE(s.found);
    EXPECT_EQ(s.rutArc, QStringLiteral("/DATOS/ESTUDIOS"));
    EXPECT_EQ(s.tamarc, QStringLiteral("123456"));
    EXPECT_FALSE(readAttachedStudy(ctx(), key(QStringLiteral("2013"))).found);

    deleteAttachedStudy(ctx(), key());
    EXPECT_FALSE(readAttachedStudy(ctx(), key()).found);
    EXPECT_EQ(count(QStringLiteral("EFCONTROLNS")), 2);
}

}  // namespace
}  // namespace klv::test
