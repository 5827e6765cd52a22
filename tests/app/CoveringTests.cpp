// What the overlay panels hide from the user's clicks and keys.

#include <gtest/gtest.h>

#include "app/Bootstrap.h"
#include "support/SimWindow.h"

namespace vantrel {
namespace {

TEST(Covering, NothingIsCoveredWhileThePanelsAreHidden) {
    test::SimWindow s;
    for (Control* c : s.w.AllControls()) EXPECT_FALSE(s.w.IsCovered(*c)) << c->Name;
}

TEST(Covering, EachSearchCoverHidesItsRowAndTheLastOneTheButtons) {
    test::SimWindow s;
    Bootstrap& w = s.w;
    for (int i = 0; i < 4; ++i) w.Option1[i].Visible = w.TavType[i].Visible = true;

    for (int shown = 0; shown < 4; ++shown) {
        for (auto& panel : w.Blanking) panel.Visible = false;
        w.Blanking[shown].Visible = true;
        for (int row = 0; row < 4; ++row) {
            EXPECT_EQ(w.IsCovered(w.TavType[row]), row == shown) << "cover " << shown << " row " << row;
            EXPECT_EQ(w.IsCovered(w.Option1[row]), row == shown) << "cover " << shown << " row " << row;
        }
        for (Control* button : {&w.search, &w.ProgramTav, &w.Load, &w.Exit, &w.Emergency})
            EXPECT_EQ(w.IsCovered(*button), shown == 3) << button->Name;
        EXPECT_FALSE(w.IsCovered(w.Text1));
        EXPECT_FALSE(w.IsCovered(w.Text2));
    }
}

TEST(Covering, ThePleaseWaitPanelHidesRowsAndButtonsButNotTheFileInfo) {
    test::SimWindow s;
    Bootstrap& w = s.w;
    w.Option1[0].Visible = w.TavType[0].Visible = true;
    w.ProgramTav.Enabled = true;
    w.PleaseWait.Visible = true;

    EXPECT_FALSE(w.CanActivate(w.ProgramTav));
    EXPECT_FALSE(w.CanActivate(w.Load));
    EXPECT_FALSE(w.CanActivate(w.Exit));
    EXPECT_FALSE(w.CanActivate(w.Option1[0]));
    EXPECT_FALSE(w.IsCovered(w.Text1));
    EXPECT_FALSE(w.IsCovered(w.Text2));  // the panel reaches only over its lower edge
    // The panel's own contents lie above it.
    EXPECT_FALSE(w.IsCovered(w.ProgressBar1));
}

TEST(Covering, DisabledOrHiddenControlsCannotBeActivated) {
    test::SimWindow s;
    Bootstrap& w = s.w;
    EXPECT_FALSE(w.CanActivate(w.search));      // disabled after start-up
    EXPECT_FALSE(w.CanActivate(w.Option1[0]));  // hidden
    w.Frame4.Enabled = false;
    EXPECT_FALSE(w.CanActivate(w.Load));  // a disabled container disables what it holds
}

}  // namespace
}  // namespace vantrel
