// Load, Search and Emergency: the mode each one gives the search, and the warning.

#include <gtest/gtest.h>

#include "app/Commands.h"
#include "support/SimWindow.h"

namespace vantrel::test {
namespace {

const std::string kWarning =
    "      Emergency mode should only be used to reprogram\r\n"
    "            a tav that has previously failed to program.\r\n"
    "\r\n"
    "           No tav type checking will be implemented.\r\n"
    "\r\n"
    "You must know which comm port is connected to the tav.\r\n"
    "\r\n"
    "                           Do you wish to proceed?";

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim.port.AddEmptyPort(3);
        // Left from an earlier search: a search empties it, no search leaves it.
        w.TavType[2].Caption = "from the last search";
    }
    bool SearchRan() const { return w.TavType[2].Caption != "from the last search"; }
    SimWindow sim;
    Bootstrap& w = sim.w;
};

TEST_F(CommandsTest, EmergencyCancelledChangesNothing) {
    for (VbBool mode : {VbFalse, VbTrue}) {
        w.EmergencyMode = mode;
        sim.dialogs.ExpectBox("Warning", kWarning, BoxAnswer::Cancel);
        Emergency_Click(w);
        EXPECT_EQ(w.EmergencyMode, mode);
        EXPECT_FALSE(SearchRan());
        EXPECT_EQ(sim.dialogs.Shown().back().style, BoxStyle::OkCancel);
    }
}

TEST_F(CommandsTest, EmergencyConfirmedSearchesInEmergencyMode) {
    sim.dialogs.ExpectBox("Warning", kWarning, BoxAnswer::Ok);
    Emergency_Click(w);
    EXPECT_EQ(w.EmergencyMode, -1);
    EXPECT_EQ(w.TavType[2].Caption, "Emergency Comm port 3");
}

TEST_F(CommandsTest, SearchAndLoadLeaveEmergencyMode) {
    w.EmergencyMode = VbTrue;
    search_Click(w);
    EXPECT_EQ(w.EmergencyMode, 0);
    EXPECT_TRUE(SearchRan());

    w.EmergencyMode = VbTrue;
    sim.dialogs.ExpectOpen("");  // cancelled: nothing loaded, no box
    Load_Click(w);
    EXPECT_EQ(w.EmergencyMode, 0);
    EXPECT_EQ(sim.dialogs.LastFilter(), "PHX (*.PHX)| *.phx");
}

}  // namespace
}  // namespace vantrel::test
