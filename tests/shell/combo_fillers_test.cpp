// The combo fillers with their fixed item layouts.
#include "combo_fillers.h"
#include "param_lookups.h"
#include "services_fixture.h"

#include <QAbstractItemView>
#include <QComboBox>

namespace klv::test {
namespace {

QString tipoDoc(const QString& desc, const QString& largo, char tipoDato, char regla) {
    QString f = desc.leftJustified(45, ' ') + largo;
    return f.leftJustified(127, ' ') + QChar(tipoDato) + ' ' + QChar(regla);
}

QStringList items(const QComboBox& c) {
    QStringList out;
    for (int i = 0; i < c.count(); ++i) out << c.itemText(i);
    return out;
}

QString blancos(int n) { return QString(n, ' '); }

class ParamLookupsTest : public ServicesTest {
protected:
    void contribuyente(const QString& doc, const QVariant& nombre, const QString& usuario, int tipo = 6) {
        insert("CONT", {{"Tip_doc_d", tipo}, {"Doc_id_d", doc}, {"Nombre", nombre}, {"Usuario", usuario}});
    }
    QComboBox cbo;
};

TEST_F(ParamLookupsTest, DocumentTypesKeepTheirLayout) {
    param("044", "6", tipoDoc("REG. UNICO DE CONTRIBUYENTES", "11", '5', '1'));
    cbo.addItem("viejo");
    udp_CargaTiposDoc(&cbo, udf_ItemsTiposDoc(ctx(), {"6"}, false));
    ASSERT_EQ(cbo.count(), 1);
    const QString item = cbo.itemText(0);
    EXPECT_EQ(item, "06  -  " + QString("REG. UNICO DE CONTRIBUYENTES").leftJustified(60) + "11 5 1");
    EXPECT_EQ(item.mid(67, 2), "11");
    EXPECT_EQ(item.at(70), '5');
    EXPECT_EQ(item.at(72), '1');
}

TEST_F(ParamLookupsTest, DocumentTypesOrderedByCodeWithBlankFirst) {
    param("044", "0", tipoDoc("OTROS TIPOS DE DOCUMENTOS", "15", '0', '0'));
    param("044", "31", tipoDoc("UNA DESCRIPCION MAS LARGA QUE TREINTA CARACTERES", "12", '0', '0'));
    param("044", "4", tipoDoc("CARNET DE EXTRANJERIA", "8", '0', '0'));  // one-digit length
    param("044", "8", tipoDoc("NO PEDIDO", "10", '1', '1'));
    udp_CargaTiposDoc(&cbo, udf_ItemsTiposDoc(ctx(), {"1", "4", "6", "7", "31", "32", "0"}, true));
    const QStringList it = items(cbo);
    ASSERT_EQ(it.size(), 7);  // blank, then '0', '1', '31', '4', '6', '7' in the order of the text codes
    EXPECT_EQ(it[0], blancos(75));
    QStringList codigos;
    for (int i = 1; i < it.size(); ++i) codigos << it[i].left(2);
    EXPECT_EQ(codigos, QStringList({"00", "01", "31", "04", "06", "07"}));
    EXPECT_EQ(it[3].mid(7, 60), QString("UNA DESCRIPCION MAS LARGA QUE ").leftJustified(60));
    // A length of one digit keeps two places, so the data kind stays at 71.
    EXPECT_EQ(it[4].mid(67), " 8 0 0");
    for (int i = 1; i < it.size(); ++i) EXPECT_EQ(it[i].size(), 73) << it[i].toStdString();
}

TEST_F(ParamLookupsTest, DocumentTypeWithoutFunctionKeepsTheLayout) {
    param("044", "9", QVariant());
    udp_CargaTiposDoc(&cbo, udf_ItemsTiposDoc(ctx(), {"9"}, false));
    ASSERT_EQ(cbo.count(), 1);
    EXPECT_EQ(cbo.itemText(0), "09  -  " + blancos(66));
    udp_CargaTiposDoc(&cbo, udf_ItemsTiposDoc(ctx(), {}, true));
    EXPECT_EQ(items(cbo), QStringList({blancos(75)}));
}

TEST_F(ParamLookupsTest, Currencies) {
    param("883", "000", "OTRAS MONEDAS");
    param("883", "005", QString("LIBRA ESTERLINA").leftJustified(40, '.'));
    udp_CargaCombo(&cbo, udf_ItemsMonedas(ctx(), {"005", "000", "001"}, false));
    const QStringList it = items(cbo);
    ASSERT_EQ(it.size(), 3);
    EXPECT_EQ(it[0], "00  -  " + QString("OTRAS MONEDAS").leftJustified(60));
    EXPECT_EQ(it[1].left(7), "01  -  ");
    EXPECT_EQ(it[2], "05  -  " + QString("LIBRA ESTERLINA").leftJustified(30, '.').leftJustified(60));
    udp_CargaCombo(&cbo, udf_ItemsMonedas(ctx(), {"000"}, true));
    EXPECT_EQ(items(cbo), QStringList({blancos(75), it[0]}));
}

TEST_F(ParamLookupsTest, ParameterGroupAppends) {
    param("T01", "01", "DOMICILIO FISCAL");
    param("T01", "02", QVariant());
    param("T01", "03", QString(70, 'x'));
    cbo.addItem("primero");
    udp_CargaParam(&cbo, udf_ItemsParam(ctx(), "T01"));
    EXPECT_EQ(items(cbo), QStringList({"primero", "01   DOMICILIO FISCAL", "02   ", "03   " + QString(60, 'x')}));
    udp_CargaParam(&cbo, udf_ItemsParam(ctx(), "VACIO"));
    EXPECT_EQ(cbo.count(), 4);
}

TEST_F(ParamLookupsTest, ParameterLikeOrderedByTextWithItsLayout) {
    param("T02", "9589", "PERU");
    param("T02", "9063", "argentina");
    param("T02", "9105", QString("CHILE").leftJustified(40) + "resto");
    param("T02", "9999", QString(15, ' ') + "SIN NOMBRE");
    param("T02", "8000", "ZAMBIA");
    param("T02", "8013", QStringLiteral("ÁFRICA DEL SUR"));
    param("T02", "8014", QStringLiteral("ÑANDULANDIA"));
    udp_CargaCombo(&cbo, udf_ItemsParamLike(ctx(), "T02", "*", 40, 1, true));
    // The order of names: without case, accented letters beside their base letter.
    EXPECT_EQ(items(cbo), QStringList({blancos(75), "9999        " + blancos(5),
                                       "8013        " + blancos(5) + QStringLiteral("ÁFRICA DEL SUR"),
                                       "9063        " + blancos(5) + "argentina",
                                       "9105        " + blancos(5) + QString("CHILE").leftJustified(40),
                                       "8014        " + blancos(5) + QStringLiteral("ÑANDULANDIA"),
                                       "9589        " + blancos(5) + "PERU", "8000        " + blancos(5) + "ZAMBIA"}));
    udp_CargaCombo(&cbo, udf_ItemsParamLike(ctx(), "T02", "9[0-1]#?", 3, 2, false));
    EXPECT_EQ(items(cbo), QStringList({"9105        " + blancos(5) + "HIL", "9063        " + blancos(5) + "rge"}));
    udp_CargaCombo(&cbo, udf_ItemsParamLike(ctx(), "T02", "[!9]*", 40, 1, false));
    EXPECT_EQ(items(cbo), QStringList({"8013        " + blancos(5) + QStringLiteral("ÁFRICA DEL SUR"),
                                       "8014        " + blancos(5) + QStringLiteral("ÑANDULANDIA"),
                                       "8000        " + blancos(5) + "ZAMBIA"}));
}

TEST_F(ParamLookupsTest, TaxpayersAUserSeesEveryOneOrOnlyHisOwn) {
    db().exec("DELETE FROM CONT");
    contribuyente("20999999991", "OTRA EMPRESA", "OTRO");
    contribuyente("20100000001", "EMPRESA PROPIA", "PEPE");
    contribuyente("1234567890", "DOCUMENTO CORTO", "PEPE");
    contribuyente("10400000001", QVariant(), "PEPE");
    contribuyente("12345678", "OTRO TIPO", "PEPE", 1);
    param("044", "6", tipoDoc("REG. UNICO DE CONTRIBUYENTES", "11", '5', '1'));

    insert("CLAVES", {{"Usuario", "JEFE"}, {"Tipo", "0"}});
    ctx().gSysUser = "JEFE";
    udp_CargaCombo(&cbo, udf_ItemsContribuyentes(ctx(), "6"));
    EXPECT_EQ(items(cbo), QStringList({"10400000001" + blancos(21), "20100000001" + blancos(11) + "EMPRESA PROPIA" + blancos(10),
                                       "20999999991" + blancos(11) + "OTRA EMPRESA" + blancos(10)}));
    EXPECT_EQ(cbo.itemText(1).mid(22, 14), "EMPRESA PROPIA");

    ctx().gSysUser = "PEPE";  // no CLAVES row: only his own
    udp_CargaCombo(&cbo, udf_ItemsContribuyentes(ctx(), "6"));
    ASSERT_EQ(cbo.count(), 2);
    EXPECT_EQ(cbo.itemText(0).left(11), "10400000001");
    EXPECT_EQ(cbo.itemText(1).left(11), "20100000001");
}

TEST_F(ParamLookupsTest, TaxpayerLengthRuleComesFromTheDocumentType) {
    db().exec("DELETE FROM CONT");
    ctx().gSysUser = "O'HARA";
    contribuyente("20100000001", "ONCE", "O'HARA");
    contribuyente("2010000000", "DIEZ", "O'HARA");
    // Length 11 but not exact: no length condition.
    param("044", "6", tipoDoc("REG. UNICO DE CONTRIBUYENTES", "11", '5', '0'));
    udp_CargaCombo(&cbo, udf_ItemsContribuyentes(ctx(), "6"));
    EXPECT_EQ(cbo.count(), 2);
    // No parameters for the type: the RUC's own (length 11, not exact).
    db().exec("DELETE FROM PARAM WHERE Numero = '044' AND Argumento = '6'");
    udp_CargaCombo(&cbo, udf_ItemsContribuyentes(ctx(), "6"));
    EXPECT_EQ(cbo.count(), 2);
    param("044", "6", tipoDoc("REG. UNICO DE CONTRIBUYENTES", "11", '5', '1'));
    udp_CargaCombo(&cbo, udf_ItemsContribuyentes(ctx(), "6"));
    ASSERT_EQ(cbo.count(), 1);
    EXPECT_EQ(cbo.itemText(0).left(11), "20100000001");
}

TEST_F(ParamLookupsTest, DropDownWidthInAverageCharacters) {
    QWidget form;
    auto* combo = new QComboBox(&form);
    const int ancho = udf_AnchoCaracter(&form);
    EXPECT_GT(ancho, 0);
    udp_AnchoListaCombo(&form, combo, 75);
    EXPECT_EQ(combo->view()->minimumWidth(), 73 * ancho);
    udp_AnchoListaCombo(&form, combo, 2);
    EXPECT_EQ(combo->view()->minimumWidth(), 0);
    udp_AnchoListaCombo(&form, combo, 0);
    EXPECT_EQ(combo->view()->minimumWidth(), 0);
}

}  // namespace
}  // namespace klv::test
