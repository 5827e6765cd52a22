// Where the keyboard focus goes once a command has returned, and the order of Tab.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "app/Bootstrap.h"
#include "app/CommandScope.h"
#include "app/FocusAfterCommand.h"
#include "support/SimWindow.h"

namespace vantrel {
namespace {

std::string NameOf(const Control* c) { return c ? c->Name : "none"; }

// Rows 0..3 shown as a search leaves them; `selectable` rows have their button enabled.
void ShowRows(Bootstrap& w, std::initializer_list<int> selectable) {
    for (int i = 0; i < 4; ++i) w.Option1[i].Visible = w.TavType[i].Visible = true;
    for (int i = 0; i < 4; ++i) w.Option1[i].Enabled = std::find(selectable.begin(), selectable.end(), i) != selectable.end();
    w.search.Enabled = w.Emergency.Enabled = true;
}

TEST(Focus, AfterACommandTheNextStepHasIt) {
    struct Case {
        const char* after;
        std::function<void(Bootstrap&)> state;
        const char* focus;
    };
    const std::vector<Case> cases = {
        {"start-up, or a failed load", [](Bootstrap&) {}, "Load"},
        {"a search that found tavs", [](Bootstrap& w) { ShowRows(w, {1, 2}); }, "Option1(1)"},
        {"a selection", [](Bootstrap& w) { ShowRows(w, {1, 2}), w.Option1[2].Value = 1, w.ProgramTav.Enabled = true; },
         "Option1(2)"},
        {"a run: the row stays selected, never Program",
         [](Bootstrap& w) { ShowRows(w, {0}), w.Option1[0].Value = 1, w.ProgramTav.Enabled = true; }, "Option1(0)"},
        {"the selected row can no longer be chosen",
         [](Bootstrap& w) { ShowRows(w, {3}), w.Option1[1].Value = 1; }, "Option1(3)"},
        {"a search that found no tav of the file's type", [](Bootstrap& w) { ShowRows(w, {}); }, "search"},
        {"a search with no port to open", [](Bootstrap& w) { w.search.Enabled = true; }, "search"},
        {"a command still running: only Exit is usable",
         [](Bootstrap& w) { ShowRows(w, {1}), w.CommandRunning = true; }, "Exit"},
        {"rows 0 and 1 still under the search's covers",
         [](Bootstrap& w) { ShowRows(w, {0, 1, 2, 3}), w.Blanking[0].Visible = w.Blanking[1].Visible = true; },
         "Option1(2)"},
        {"everything covered", [](Bootstrap& w) { ShowRows(w, {0}), w.PleaseWait.Visible = true; }, "none"},
        {"a hidden row, though enabled", [](Bootstrap& w) { w.Option1[0].Enabled = true, w.search.Enabled = true; },
         "search"},
        {"the buttons' frame disabled", [](Bootstrap& w) { w.Frame4.Enabled = false; }, "none"},
    };
    for (const Case& c : cases) {
        test::SimWindow s;
        c.state(s.w);
        EXPECT_EQ(NameOf(FocusAfterCommand(s.w)), c.focus) << c.after;
    }
}

TEST(Focus, StaysWhereTheUserPutItUnlessACommandRan) {
    test::SimWindow s;
    Bootstrap& w = s.w;
    ShowRows(w, {1});
    struct Case {
        const Control* focused;
        bool commandRan;
        const Control* after;
    };
    const std::vector<Case> cases = {
        {&w.Exit, false, &w.Exit},         // a timer's turn while Exit had it
        {&w.Text2, false, &w.Text2},       // clicked into a text box
        {&w.Option1[0], false, &w.Option1[1]},  // a row that cannot be chosen
        {nullptr, false, &w.Option1[1]},
        {&w.Exit, true, &w.Option1[1]},    // where the view handed it while the command greyed the rest
        {&w.search, true, &w.Option1[1]},  // never greyed in the view (too quick): the next step all the same
        {nullptr, true, &w.Option1[1]},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NameOf(FocusOnReturn(w, c.focused, c.commandRan)), NameOf(c.after))
            << NameOf(c.focused) << (c.commandRan ? " after a command" : "");

    // A command that another one keeps from starting did not run.
    const unsigned before = w.CommandsStarted;
    {
        const CommandScope outer(w), inner(w);
        EXPECT_FALSE(inner);
    }
    EXPECT_EQ(w.CommandsStarted, before + 1);
}

TEST(Focus, TabFollowsTheScreenTopToBottomThenLeftToRight) {
    test::SimWindow s;
    std::vector<std::string> names;
    for (const Control* c : TabOrder(s.w)) names.push_back(c->Name);
    EXPECT_EQ(names, (std::vector<std::string>{"Option1(0)", "Option1(1)", "Option1(2)", "Option1(3)", "search",
                                               "Emergency", "ProgramTav", "Load", "Exit"}));
}

}  // namespace
}  // namespace vantrel
