// The party save and the delete cascade with the database failing at each row they write: every
// failed run is told once and leaves the database exactly as before.
#include "parties_fixture.h"

#include "fault_injection.h"
#include "party_register.h"
#include "party_store.h"

namespace klv::test {
namespace {

class PartyFaultsTest : public PartiesTest {
protected:
    // Sweeps the writes of `operation`, then checks that it did its work on the last run.
    void sweep(const std::function<bool()>& operation, int leastWrites) {
        const DatabasePicture before(db());
        const int writes = failAtEveryWrite(db(), [&] {
            messages().clear();
            return operation();
        }, [&](const WriteFault& f) {
            EXPECT_TRUE(unchanged(before, db())) << f.describe();
            ASSERT_FALSE(messages().empty()) << f.describe();
            EXPECT_EQ(messages().last().title, "Error") << f.describe();
            EXPECT_TRUE(messages().last().text.contains("falla provocada")) << f.describe();
        });
        EXPECT_GE(writes, leastWrites);
        EXPECT_FALSE(unchanged(before, db())) << "the complete run wrote nothing";
    }
};

TEST_F(PartyFaultsTest, SaveOfANewAndOfAChangedPartyWritesAllOrNothing) {
    PartyState st = company();
    sweep([&] { return grabarInformado(ctx(), st).saved; }, 3);  // the row and two types
    EXPECT_EQ(count("TIP_VIN_PAR"), 2);

    st.mode = party::kModificar;
    st.txtRazSoc = QStringLiteral("OTRA");
    st.tipos = QStringList{"03", "04", "05"};
    sweep([&] { return grabarInformado(ctx(), st).saved; }, 6);  // update, two deletes, three types
    EXPECT_EQ(value("SELECT RAZON_SOCIAL FROM PAR_VIN").toString(), "OTRA");
}

TEST_F(PartyFaultsTest, DeleteCascadeWritesAllOrNothing) {
    party("P");
    type("P", "01");
    party("Q");
    transaction("2014", "P", 1, "100");
    transaction("2016", "P", 1, "50");
    transaction("2016", "Q", 1, "70");
    cab("2014", 0);
    cab("2016", 0);
    sweep([&] {
        messages().script(MsgAnswer::Yes);
        messages().script(MsgAnswer::Yes);
        return udp_EliminarInformado(ctx(), kRuc, Party{6, "P"});
    }, 7);  // two transactions, their types, the party, its type, the re-marking of 2014
    EXPECT_EQ(value("SELECT COUNT(*) FROM PAR_VIN WHERE DOC_ID_P = 'P'").toInt(), 0);
    EXPECT_EQ(value("SELECT Estado FROM CAB WHERE PERIODO = '2014'").toInt(), 9);
}

}  // namespace
}  // namespace klv::test
