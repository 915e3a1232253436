// Header validation in its order, and the detail, party and period checks.
#include "declaration_checks.h"
#include "declaration_fixture.h"

#include <functional>

namespace klv::test {
namespace {

class HeaderCheckTest : public DeclarationTest {
protected:
    HeaderCheckTest() { party(QStringLiteral("P1")); }
};

TEST_F(HeaderCheckTest, ValidHeaderPassesAndPublishesAnswerAndParties) {
    DeclarationState st = state();
    st.answer1 = QStringLiteral("1");
    st.rucAutor = kRucOtro;
    party(QStringLiteral("P2"));
    ctx().gAutContExt.clear();
    const HeaderCheck r = udf_Validar(ctx(), st);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(ctx().gAutContExt, QStringLiteral("1"));
    EXPECT_EQ(ctx().gNumParVin, 2);
}

struct HeaderCase {
    const char* name;
    std::function<void(DeclarationState&)> change;
    const char* text;
    int style;
    DeclFocus focus;
};

TEST_F(HeaderCheckTest, EachCheckWithItsMessageStyleAndFocus) {
    const HeaderCase cases[] = {
        {"author RUC of 10 characters", [](DeclarationState& s) { s.rucAutor = QStringLiteral("2060123456"); },
         "El RUC no es Válido.", 16, DeclFocus::None},
        {"author RUC with a wrong check digit", [](DeclarationState& s) { s.rucAutor = QStringLiteral("20601234566"); },
         "El RUC no es Válido.", 16, DeclFocus::None},
        {"no declarant", [](DeclarationState& s) { s.cboNumDoc.clear(); }, "Debe Seleccionar un contribuyente.", 48,
         DeclFocus::CboNumDoc},
        {"no name", [](DeclarationState& s) { s.razonSocial.clear(); }, "Debe Seleccionar un contribuyente.", 48,
         DeclFocus::None},
        {"blank period", [](DeclarationState& s) { s.periodo = QStringLiteral("    "); },
         "Ejercicio No es Válido. Debe ser 2006", 48, DeclFocus::MkePeriodo},
        {"period 2005", [](DeclarationState& s) { s.periodo = QStringLiteral("2005"); },
         "El Ejercicio debe ser igual o mayor al 2006.", 48, DeclFocus::MkePeriodo},
        {"question 1 unanswered", [](DeclarationState& s) { s.answer1.clear(); },
         "Seleccione si lleva o no Contabilidad en Moneda Extranjera.", 48, DeclFocus::None},
        {"question 2 unanswered", [](DeclarationState& s) { s.answer2.clear(); },
         "Indicar si está obligado a contar con estudio técnico de precios de transferencia para el presente periodo.", 48,
         DeclFocus::None},
        {"2012 study required and not attached",
         [](DeclarationState& s) {
             s.periodo = QStringLiteral("2012");
             s.answer2 = QStringLiteral("1");
             s.rutaEstudio = QStringLiteral("   ");
         },
         "Debe adjuntar el Estudio Técnico de Precios de Transferencia.", 48, DeclFocus::None},
        {"next year", [](DeclarationState& s) { s.periodo = QStringLiteral("2027"); },
         "El Ejercicio no puede ser mayor al Actual. 2026", 48, DeclFocus::None},
        // Two faults: the earlier check speaks.
        {"bad author RUC before missing declarant",
         [](DeclarationState& s) {
             s.cboNumDoc.clear();
             s.rucAutor = QStringLiteral("123");
         },
         "El RUC no es Válido.", 16, DeclFocus::None},
        {"unanswered question 1 before the period of next year",
         [](DeclarationState& s) {
             s.answer1.clear();
             s.periodo = QStringLiteral("2027");
         },
         "Seleccione si lleva o no Contabilidad en Moneda Extranjera.", 48, DeclFocus::None},
    };
    for (const HeaderCase& c : cases) {
        messages().clear();
        DeclarationState st = state();
        c.change(st);
        const HeaderCheck r = udf_Validar(ctx(), st);
        EXPECT_FALSE(r.ok) << c.name;
        ASSERT_EQ(messages().calls().size(), 1u) << c.name;
        EXPECT_EQ(messages().last().text, S(c.text)) << c.name;
        EXPECT_EQ(messages().last().style, c.style) << c.name;
        EXPECT_EQ(messages().last().title, ctx().gTitulo) << c.name;
        EXPECT_EQ(r.focus, c.focus) << c.name;
    }
}

TEST_F(HeaderCheckTest, AcceptedBorderValues) {
    for (auto change : std::vector<std::function<void(DeclarationState&)>>{
             [](DeclarationState& s) { s.rucAutor = QStringLiteral("   "); },   // blank author RUC
             [](DeclarationState& s) { s.periodo = QStringLiteral("2006"); },
             [](DeclarationState& s) { s.periodo = QStringLiteral("2026"); },
             [](DeclarationState& s) {  // before 2012 no attachment is asked for
                 s.periodo = QStringLiteral("2011");
                 s.answer2 = QStringLiteral("1");
             },
             [](DeclarationState& s) {
                 s.periodo = QStringLiteral("2013");
                 s.answer2 = QStringLiteral("1");
                 s.rutaEstudio = QStringLiteral("/estudios/");
             }}) {
        DeclarationState st = state();
        change(st);
        EXPECT_TRUE(udf_Validar(ctx(), st).ok) << (messages().empty() ? std::string() : messages().last().text.toStdString());
    }
}

TEST_F(HeaderCheckTest, ExistingDeclarationRefusedOnlyWhenNewAndChanged) {
    // Any form code counts.
    insert(QStringLiteral("IDENTIFICA2"), DeclarationKey{6, kRuc, QStringLiteral("2015"), QStringLiteral("9999")}, {});
    DeclarationState st = state();
    st.modified = true;
    HeaderCheck r = udf_Validar(ctx(), st);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.focus, DeclFocus::MkePeriodo);
    EXPECT_EQ(messages().last().text, S("La declaración que desea ingresar ya existe, elija la opción Modificar formularios "
                                        "o corrija el periodo"));
    EXPECT_EQ(messages().last().style, 16);

    st.periodoEnabled = false;
    EXPECT_EQ(udf_Validar(ctx(), st).focus, DeclFocus::None);

    messages().clear();
    st.mode = kModoModificar;
    EXPECT_TRUE(udf_Validar(ctx(), st).ok);
    st.mode = kModoNuevo;
    st.modified = false;
    EXPECT_TRUE(udf_Validar(ctx(), st).ok);
    EXPECT_TRUE(messages().empty());
}

TEST_F(DeclarationTest, DeclarantWithoutPartiesIsRefusedAfterTheAnswerIsPublished) {
    party(QStringLiteral("P1"), {}, kRucOtro);  // another declarant's party
    DeclarationState st = state();
    ctx().gAutContExt = QStringLiteral("1");
    EXPECT_FALSE(udf_Validar(ctx(), st).ok);
    EXPECT_EQ(messages().last().text, QStringLiteral("No cuenta con Informados."));
    EXPECT_EQ(ctx().gAutContExt, QStringLiteral("0"));
    EXPECT_EQ(ctx().gNumParVin, 0);
}

TEST_F(DeclarationTest, FormLookups) {
    party(QStringLiteral("P1"));
    party(QStringLiteral("P2"), {}, kRucOtro);
    EXPECT_EQ(udf_NumParVin(ctx(), 6, kRuc, QStringLiteral("1999")), 1);
    EXPECT_EQ(udf_NumParVin(ctx(), 6, QStringLiteral("20000000001"), QStringLiteral("2015")), 0);
    EXPECT_FALSE(udf_Form_Existe(ctx(), 6, kRuc, QStringLiteral("2015")));
    insert(QStringLiteral("IDENTIFICA2"), key(), {});
    EXPECT_TRUE(udf_Form_Existe(ctx(), 6, kRuc, QStringLiteral("2015")));
    EXPECT_FALSE(udf_Form_Existe(ctx(), 6, kRuc, QStringLiteral("2016")));
}

TEST_F(DeclarationTest, TotalsMustHoldSomeAmount) {
    DeclarationTotals t{QStringLiteral("0.00"), QStringLiteral("0.00"), QStringLiteral("0.00"), QStringLiteral("0.00"),
                        QStringLiteral("10.00"), QStringLiteral("10.00")};
    EXPECT_FALSE(udf_Validar_det(ctx(), t));
    ASSERT_EQ(messages().calls().size(), 1u);
    EXPECT_EQ(messages().last().text, S("Debe ingresar alguna transacción de monto mayor a cero"));
    EXPECT_EQ(messages().last().style, 16);
    EXPECT_EQ(messages().last().title, QStringLiteral("8027 Precios de Transferencia"));
    t.mtoTran00 = QStringLiteral("0.01");
    EXPECT_TRUE(udf_Validar_det(ctx(), t));
}

class Rule2008Test : public DeclarationTest {
protected:
    const QString kMessage13 = S(
        "A partir de 2008, la opción Sin Estudio Técnico solo es válida si contestó NO a la pregunta 2 de la pestaña "
        "Identificación y el informado NO se localiza en país o territorio de baja o nula imposición. Verificar y "
        "eliminar transacciones inconsistentes.");
    bool check(const QString& periodo, const QString& answer2) {
        DeclarationState st = state(periodo);
        st.answer2 = answer2;
        return udf_Validar_det_2008(ctx(), st);
    }
};

TEST_F(Rule2008Test, WithoutStudyNeedsAnswerNoFrom2008) {
    party(QStringLiteral("P1"));
    for (const char* p : {"2007", "2008"})
        transaction(kTmp, key(S(p)), QStringLiteral("P1"), 1, QStringLiteral("00"), QStringLiteral("1"));
    EXPECT_TRUE(check(QStringLiteral("2007"), QStringLiteral("1")));
    EXPECT_TRUE(messages().empty());
    EXPECT_FALSE(check(QStringLiteral("2008"), QStringLiteral("1")));
    ASSERT_EQ(messages().calls().size(), 1u);
    EXPECT_EQ(messages().last().text, kMessage13);
    EXPECT_EQ(messages().last().style, 48);
    messages().clear();
    EXPECT_TRUE(check(QStringLiteral("2008"), QStringLiteral("0")));
    EXPECT_TRUE(messages().empty());
}

TEST_F(Rule2008Test, PartyInTaxHavenIsRefusedEvenWithAnswerNo) {
    party(QStringLiteral("HAVEN"), {{QStringLiteral("FLAG_PAR_FIS"), QStringLiteral("1")}});
    party(QStringLiteral("NOFLAG"), {{QStringLiteral("FLAG_PAR_FIS"), QVariant()}});
    party(QStringLiteral("LOCAL"));
    const auto k = key(QStringLiteral("2009"));
    transaction(kTmp, k, QStringLiteral("NOFLAG"), 1, QStringLiteral("00"), QStringLiteral("0"));
    transaction(kTmp, k, QStringLiteral("LOCAL"), 1, QStringLiteral("00"), QStringLiteral("0"));
    // Another method with the tax-haven party does not count.
    transaction(kTmp, k, QStringLiteral("HAVEN"), 1, QStringLiteral("01"), QStringLiteral("0"));
    EXPECT_TRUE(check(QStringLiteral("2009"), QStringLiteral("0")));
    transaction(kTmp, k, QStringLiteral("HAVEN"), 2, QStringLiteral("00"), QStringLiteral("0"));
    EXPECT_FALSE(check(QStringLiteral("2009"), QStringLiteral("0")));
    EXPECT_EQ(messages().last().text, kMessage13);
}

// The tax-haven parties are looked at one by one: none of these rows without study counts, however
// many havens there are, until the last haven has one in the period.
TEST_F(Rule2008Test, OnlyAHavensOwnRowWithoutStudyInThePeriodCounts) {
    const QVariantMap haven{{QStringLiteral("FLAG_PAR_FIS"), QStringLiteral("1")}};
    for (const char* p : {"A", "B", "C", "D", "E"}) party(S(p), haven);
    db().exec(QStringLiteral("UPDATE PAR_VIN SET FORMULARIO='9999' WHERE DOC_ID_P='E'"));
    const auto k = key(QStringLiteral("2009"));
    transaction(kTmp, k, QStringLiteral("A"), 1, QStringLiteral("01"), QStringLiteral("0"));
    transaction(kTmp, key(QStringLiteral("2010")), QStringLiteral("B"), 1, QStringLiteral("00"), QStringLiteral("0"));
    transaction(kTmp, k, QStringLiteral("C"), 1, QStringLiteral("00"), QStringLiteral("9"));
    transaction(kTmp, k, QStringLiteral("E"), 1, QStringLiteral("00"), QStringLiteral("0"));
    transaction(kTmp, k, QStringLiteral("D"), 1, QStringLiteral("02"), QStringLiteral("1"));
    EXPECT_TRUE(check(QStringLiteral("2009"), QStringLiteral("0")));
    EXPECT_TRUE(messages().empty());
    transaction(kTmp, k, QStringLiteral("D"), 2, QStringLiteral("00"), QStringLiteral("1"));
    EXPECT_FALSE(check(QStringLiteral("2009"), QStringLiteral("0")));
    EXPECT_EQ(messages().last().text, kMessage13);
}

TEST_F(DeclarationTest, EveryPartyNeedsAWorkingTransaction) {
    EXPECT_TRUE(udf_Verificar_Trans(ctx(), key()));  // no parties
    party(QStringLiteral("P1"));
    party(QStringLiteral("P2"));
    party(QStringLiteral("OTHERFORM"));
    db().exec(QStringLiteral("UPDATE PAR_VIN SET FORMULARIO='9999' WHERE DOC_ID_P='OTHERFORM'"));
    transaction(kTmp, key(), QStringLiteral("P1"), 1, QStringLiteral("00"), QStringLiteral("0"));
    EXPECT_FALSE(udf_Verificar_Trans(ctx(), key()));
    transaction(kTmp, key(), QStringLiteral("P2"), 1, QStringLiteral("00"), QStringLiteral("0"));
    EXPECT_TRUE(udf_Verificar_Trans(ctx(), key()));
    EXPECT_TRUE(messages().empty());
}

class NonDomiciledTest : public DeclarationTest {
protected:
    // A non-domiciled natural person with complete data, used by a working transaction.
    void person(const QString& doc, const QString& periodo, QVariantMap changes) {
        QVariantMap v{{QStringLiteral("FLAG_CON_DOM"), QStringLiteral("02")},
                      {QStringLiteral("COD_NAT_JUR"), QStringLiteral("1")},
                      {QStringLiteral("RAZON_SOCIAL"), QStringLiteral("JUAN ") + doc},
                      {QStringLiteral("FEC_NAC"), QStringLiteral("1980-05-17")},
                      {QStringLiteral("TIP_DIR_LEGAL"), QStringLiteral("01")},
                      {QStringLiteral("DES_DIR_LEGAL"), QStringLiteral("CALLE 1")}};
        for (auto it = changes.begin(); it != changes.end(); ++it) v.insert(it.key(), it.value());
        party(doc, v);
        transaction(kTmp, key(periodo), doc, 1, QStringLiteral("00"), QStringLiteral("0"));
    }
    QString expected(const char* detail) {
        return S("A partir del periodo 2016 aquellos Informados con condición 'NO DOMICILIADO' deben ingresar "
                 "información adicional:\r\n") +
               S(detail);
    }
};

TEST_F(NonDomiciledTest, AppliesFrom2016) {
    person(QStringLiteral("P1"), QStringLiteral("2015"), {{QStringLiteral("FEC_NAC"), QVariant()}});
    EXPECT_TRUE(udf_Validar_Datos_NoDom(ctx(), key(QStringLiteral("2015"))));
    transaction(kTmp, key(QStringLiteral("2016")), QStringLiteral("P1"), 1, QStringLiteral("00"), QStringLiteral("0"));
    EXPECT_FALSE(udf_Validar_Datos_NoDom(ctx(), key(QStringLiteral("2016"))));
    ASSERT_EQ(messages().calls().size(), 1u);
    EXPECT_EQ(messages().last().text, expected("El Informado 'JUAN P1' no cuenta con una fecha de nacimiento."));
    EXPECT_EQ(messages().last().style, 48);
    EXPECT_EQ(messages().last().title, ctx().gTitulo);
}

TEST_F(NonDomiciledTest, EachCheckInOrder) {
    struct Case {
        QVariantMap changes;
        const char* detail;  // "" passes
    };
    const Case cases[] = {
        {{}, ""},
        {{{QStringLiteral("FEC_NAC"), QStringLiteral("1700-01-01")}, {QStringLiteral("TIP_DIR_LEGAL"), QVariant()}},
         "La fecha de nacimiento del Informado 'JUAN P' no es válida."},
        {{{QStringLiteral("FEC_NAC"), QStringLiteral("2026-12-09")}},
         "La fecha de nacimiento del Informado 'JUAN P' no debe ser mayor a la fecha actual."},
        {{{QStringLiteral("FEC_NAC"), QStringLiteral("2026-12-08")}}, ""},  // today is allowed
        {{{QStringLiteral("TIP_DIR_LEGAL"), QVariant()}, {QStringLiteral("DES_DIR_LEGAL"), QVariant()}},
         "El Informado 'JUAN P' no ha seleccionado un Tipo de Dirección Legal."},
        {{{QStringLiteral("DES_DIR_LEGAL"), QVariant()}}, "El Informado 'JUAN P' no ha detallado su Dirección Legal."},
        // A legal person is tested for its address only; an empty address type is present.
        {{{QStringLiteral("COD_NAT_JUR"), QStringLiteral("2")}, {QStringLiteral("FEC_NAC"), QVariant()},
          {QStringLiteral("TIP_DIR_LEGAL"), QString(QLatin1String(""))}},
         ""},
        {{{QStringLiteral("COD_NAT_JUR"), QStringLiteral("2")}, {QStringLiteral("DES_DIR_LEGAL"), QVariant()}},
         "El Informado 'JUAN P' no ha detallado su Dirección Legal."},
        // Nature 9, no nature, or domiciled: not tested.
        {{{QStringLiteral("COD_NAT_JUR"), QStringLiteral("9")}, {QStringLiteral("DES_DIR_LEGAL"), QVariant()}}, ""},
        {{{QStringLiteral("COD_NAT_JUR"), QVariant()}, {QStringLiteral("DES_DIR_LEGAL"), QVariant()}}, ""},
        {{{QStringLiteral("FLAG_CON_DOM"), QStringLiteral("01")}, {QStringLiteral("DES_DIR_LEGAL"), QVariant()}}, ""},
    };
    for (const Case& c : cases) {
        db().exec(QStringLiteral("DELETE FROM PAR_VIN"));
        db().exec(QStringLiteral("DELETE FROM TMPTRANSACCION2"));
        messages().clear();
        person(QStringLiteral("P"), QStringLiteral("2020"), c.changes);
        const bool ok = udf_Validar_Datos_NoDom(ctx(), key(QStringLiteral("2020")));
        if (S(c.detail).isEmpty()) {
            EXPECT_TRUE(ok) << (messages().empty() ? std::string() : messages().last().text.toStdString());
        } else {
            EXPECT_FALSE(ok) << c.detail;
            ASSERT_FALSE(messages().empty());
            EXPECT_EQ(messages().last().text, expected(c.detail));
        }
    }
}

TEST_F(NonDomiciledTest, OnlyPartiesUsedByTheDeclarationAndTheFirstInKeyOrder) {
    party(QStringLiteral("UNUSED"), {{QStringLiteral("FLAG_CON_DOM"), QStringLiteral("02")},
                                     {QStringLiteral("COD_NAT_JUR"), QStringLiteral("2")}});
    EXPECT_TRUE(udf_Validar_Datos_NoDom(ctx(), key(QStringLiteral("2017"))));
    person(QStringLiteral("ZZ"), QStringLiteral("2017"), {{QStringLiteral("DES_DIR_LEGAL"), QVariant()}});
    person(QStringLiteral("AA"), QStringLiteral("2017"), {{QStringLiteral("TIP_DIR_LEGAL"), QVariant()}});
    EXPECT_FALSE(udf_Validar_Datos_NoDom(ctx(), key(QStringLiteral("2017"))));
    ASSERT_EQ(messages().calls().size(), 1u);
    EXPECT_EQ(messages().last().text, expected("El Informado 'JUAN AA' no ha seleccionado un Tipo de Dirección Legal."));
}

}  // namespace
}  // namespace klv::test
