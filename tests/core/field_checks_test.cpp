// Field checks shared by the forms.
#include "field_checks.h"
#include "services_fixture.h"

#include <stdexcept>

namespace klv::test {
namespace {

// Funcion of a document type: description 1-30, length 46-47, data kind 128, length rule 130.
QString tipoDoc(const QString& desc, const QString& largo, char tipoDato, char regla) {
    QString f = desc.leftJustified(45, ' ') + largo;
    f = f.leftJustified(127, ' ') + QChar(tipoDato) + ' ' + QChar(regla);
    return f;
}

class ValidaDocumentoTest : public ServicesTest {
protected:
    void SetUp() override {
        ServicesTest::SetUp();
        param("044", "1", tipoDoc("DOC. NACIONAL DE IDENTIDAD", "08", '1', '1'));
        param("044", "7", tipoDoc("PASAPORTE", "12", '0', '0'));
        param("044", "0", tipoDoc("OTROS", "15", '0', '0'));
        param("044", "9", QVariant());
    }
    bool valida(const QString& tipo, const QString& num) { return udf_ValidaDocumento(ctx(), tipo, num); }
};

TEST_F(ValidaDocumentoTest, ExactLengthWithDigits) {
    EXPECT_FALSE(valida("1", "1234567"));
    EXPECT_TRUE(valida("1", "12345678"));
    EXPECT_FALSE(valida("1", "123456789"));
    EXPECT_FALSE(valida("1", "1234567A"));  // length right, characters wrong
    EXPECT_TRUE(valida("01", " 12345678 "));  // type read as a number, number trimmed
}

TEST_F(ValidaDocumentoTest, MaximumLengthWithLettersAndDigits) {
    EXPECT_TRUE(valida("7", "AB-123"));
    EXPECT_TRUE(valida("7", "ABCDEF123456"));
    EXPECT_FALSE(valida("7", "ABCDEF1234567"));
    EXPECT_FALSE(valida("7", "AB 123"));
    // A type that is not a number looks up type 0.
    EXPECT_TRUE(valida("X", "PX-1"));
}

TEST_F(ValidaDocumentoTest, EmptyInputOrNoParametersFail) {
    EXPECT_FALSE(valida("1", "   "));
    EXPECT_FALSE(valida(" ", "12345678"));
    EXPECT_FALSE(valida("31", "12345678"));   // no row for the type
    EXPECT_FALSE(valida("9", "1"));           // a NULL Funcion allows no length at all
    EXPECT_FALSE(valida("1'", "12345678'"));  // an apostrophe is only data
}

TEST(CompareAmountsTest, OperatorWords) {
    EXPECT_TRUE(udf_ComparaMonto("menor", 1, 2));
    EXPECT_FALSE(udf_ComparaMonto("menor", 2, 2));
    EXPECT_TRUE(udf_ComparaMonto("mayor", 3, 2));
    EXPECT_FALSE(udf_ComparaMonto("mayor", 2, 2));
    EXPECT_TRUE(udf_ComparaMonto("menorigual", 2, 2));
    EXPECT_FALSE(udf_ComparaMonto("menorigual", 3, 2));
    EXPECT_TRUE(udf_ComparaMonto("mayorigual", 2, 2));
    EXPECT_FALSE(udf_ComparaMonto("mayorigual", 1, 2));
    // Words are compared exactly: anything else is True.
    EXPECT_TRUE(udf_ComparaMonto("MENOR", 5, 1));
    EXPECT_TRUE(udf_ComparaMonto("", 5, 1));
}

TEST(CompareAmountsTest, KeyAndAmount) {
    EXPECT_FALSE(udf_ComparaClaveMonto("12", "12", 100, 100.01));
    EXPECT_TRUE(udf_ComparaClaveMonto("12", "12", 100, 100));
    EXPECT_TRUE(udf_ComparaClaveMonto("12", "34", 100, 500));
}

TEST(ValidaNumeroDecimalTest, ShapeOfTheNumber) {
    EXPECT_TRUE(udf_ValidaNumeroDecimal("12.45", 2, 2));
    EXPECT_FALSE(udf_ValidaNumeroDecimal("123.4", 2, 2));
    EXPECT_FALSE(udf_ValidaNumeroDecimal("1.234", 2, 2));
    EXPECT_FALSE(udf_ValidaNumeroDecimal("1.2.3", 2, 2));
    EXPECT_TRUE(udf_ValidaNumeroDecimal("12.", 2, 2));
    EXPECT_TRUE(udf_ValidaNumeroDecimal("12", 2, 2));
    EXPECT_FALSE(udf_ValidaNumeroDecimal("123", 2, 2));
    EXPECT_TRUE(udf_ValidaNumeroDecimal(".5", 2, 2));
    EXPECT_TRUE(udf_ValidaNumeroDecimal("", 2, 2));
    // At most two decimals whatever the third argument says.
    EXPECT_FALSE(udf_ValidaNumeroDecimal("1.2345", 13, 4));
    EXPECT_TRUE(udf_ValidaNumeroDecimal("1234567890123.99", 13));
}

TEST_F(ServicesTest, FechaMayorHoyAgainstTheClock) {
    // The environment's clock stands at 8 December 2026.
    EXPECT_FALSE(udf_FechaMayorHoy(ctx(), "08/12/2026"));
    EXPECT_TRUE(udf_FechaMayorHoy(ctx(), "09/12/2026"));
    EXPECT_FALSE(udf_FechaMayorHoy(ctx(), "7/12/2026"));
    EXPECT_TRUE(udf_FechaMayorHoy(ctx(), "1/1/2027"));
    EXPECT_THROW(udf_FechaMayorHoy(ctx(), "31/02/2027"), std::invalid_argument);
    EXPECT_THROW(udf_FechaMayorHoy(ctx(), ""), std::invalid_argument);
}

TEST(IncrementaStrTest, StepsAndSixteenBitLimit) {
    int n = 5;
    EXPECT_EQ(udf_IncrementaStr(n, 3), "8");
    EXPECT_EQ(n, 8);
    n = -5;
    EXPECT_EQ(udf_IncrementaStr(n, 2), "-3");
    n = 32767;
    EXPECT_THROW(udf_IncrementaStr(n, 1), std::overflow_error);
    EXPECT_EQ(n, 32767);
    n = -32768;
    EXPECT_THROW(udf_IncrementaStr(n, -1), std::overflow_error);
}

}  // namespace
}  // namespace klv::test
