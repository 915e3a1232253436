// Parameter lookups.
#include "param_lookups.h"
#include "services_fixture.h"

namespace klv::test {
namespace {

using ParamLookupsTest = ServicesTest;

TEST_F(ParamLookupsTest, TransactionTypeDescription) {
    param("395", "12", QString("PRESTAMOS OTORGADOS").leftJustified(120, '-'));
    param("395", "34", QVariant());
    EXPECT_EQ(udf_DescripcionParam395(ctx(), "12"), QString("PRESTAMOS OTORGADOS").leftJustified(100, '-'));
    EXPECT_EQ(udf_DescripcionParam395(ctx(), "34"), "");
    EXPECT_EQ(udf_DescripcionParam395(ctx(), "77"), "");
    EXPECT_EQ(udf_DescripcionParam395(ctx(), "1'"), "");
}

TEST_F(ParamLookupsTest, UserType) {
    ctx().gSysUser = "DEMO";
    EXPECT_EQ(udf_TipoUsuario(ctx()), "0");
    ctx().gSysUser = "NADIE";
    EXPECT_EQ(udf_TipoUsuario(ctx()), "1");
    insert("CLAVES", {{"Usuario", "O'HARA"}, {"Tipo", QVariant()}});
    ctx().gSysUser = "O'HARA";
    EXPECT_EQ(udf_TipoUsuario(ctx()), "");
}

}  // namespace
}  // namespace klv::test
