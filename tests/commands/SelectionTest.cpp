// Choosing a result row: the version comparison and the question before a reprogramming
// that would not raise the tav's code version.

#include <gtest/gtest.h>

#include "app/Commands.h"
#include "support/SimWindow.h"

namespace vantrel::test {
namespace {

class SelectionTest : public ::testing::Test {
protected:
    // A row as the search leaves it: shown, selectable, not selected.
    void Row(int i, const std::string& text, float version) {
        w.Option1[i].Visible = w.Option1[i].Enabled = true;
        w.Option1[i].Value = 0;
        w.TavType[i].Visible = true;
        w.TavType[i].Caption = text;
        w.TavVersion[i] = version;
    }
    // The user clicks the row's option button.
    void Select(std::int16_t i) {
        w.Option1[i].Value = 1;
        Option1_Click(w, i);
    }
    static std::string Question(const std::string& tail, const std::string& text2) {
        return "This tav contains code version " + tail + ", do you wish to reprogram with " + text2;
    }
    SimWindow sim;
    Bootstrap& w = sim.w;
};

TEST_F(SelectionTest, OlderTavIsEnabledWithoutAQuestion) {
    w.Text2.Caption = "Version 2.5";
    Row(0, "Quorvel 9 2.4", 2.0f + 4 / 10.0f);
    Select(0);
    EXPECT_TRUE(w.ProgramTav.Enabled);
    EXPECT_EQ(w.Option1[0].Value, 1);
    EXPECT_TRUE(sim.dialogs.Shown().empty());
}

TEST_F(SelectionTest, EqualOrNewerTavAsksFirst) {
    w.Text2.Caption = "Version 2.5";
    for (float version : {2.5f, 2.6f, 13.0f}) {
        Row(1, "Quorvel 9 2.5", version);
        w.ProgramTav.Enabled = false;
        sim.dialogs.ExpectBox("Warning", Question("l 9 2.5", "Version 2.5"), BoxAnswer::Ok);
        Select(1);
        EXPECT_TRUE(w.ProgramTav.Enabled) << version;
        EXPECT_EQ(w.Option1[1].Value, 1);
        EXPECT_EQ(sim.dialogs.Shown().back().style, BoxStyle::OkCancel);
    }
}

TEST_F(SelectionTest, CancelClearsTheRowAndLeavesProgramAlone) {
    w.Text2.Caption = "Version 2.5";
    Row(0, "Quorvel 4 1.9", 1.9f);
    Row(1, "Quorvel 5 2.5", 2.5f);
    Select(0);
    ASSERT_TRUE(w.ProgramTav.Enabled);

    sim.dialogs.ExpectBox("Warning", Question("l 5 2.5", "Version 2.5"), BoxAnswer::Cancel);
    Select(1);
    EXPECT_EQ(w.Option1[0].Value, 0);  // the group let go of row 0 when row 1 was chosen
    EXPECT_EQ(w.Option1[1].Value, 0);
    EXPECT_TRUE(w.ProgramTav.Enabled);

    w.ProgramTav.Enabled = false;
    sim.dialogs.ExpectBox("Warning", Question("l 5 2.5", "Version 2.5"), BoxAnswer::Cancel);
    Select(1);
    EXPECT_FALSE(w.ProgramTav.Enabled);
}

TEST_F(SelectionTest, QuestionShowsTheLastSevenCharactersOfTheRow) {
    w.Text2.Caption = "Version 1.0 (field test)";
    const std::vector<std::pair<std::string, std::string>> rows{
        {"Quorvel 12 10.15", "2 10.15"}, {"QV 1.0", "QV 1.0"}, {"", ""}, {"ABCDEFG", "ABCDEFG"}};
    for (const auto& [text, tail] : rows) {
        Row(2, text, 1.0f);
        sim.dialogs.ExpectBox("Warning", Question(tail, "Version 1.0 (field test)"), BoxAnswer::Ok);
        Select(2);
    }
}

TEST_F(SelectionTest, FileVersionIsTheNumberInSevenCharactersFromTheNinth) {
    struct Case {
        std::string text2;
        float tav;
        bool asks;
    };
    const std::vector<Case> cases{
        {"Version 2.5", 2.4f, false},
        {"Version 2.5b", 2.5f, true},
        {"Version 2.5.1 release", 2.4f, false},
        {"Version  3", 2.9f, false},         // leading blank skipped
        {"Version beta 9", 0.0f, true},      // no number: 0, so every tav is asked about
        {"Version ", 0.0f, true},
        {"", 0.0f, true},
        {"Version 1e1", 9.5f, false},        // exponent: 10
        {"Version -1", -2.0f, false},
        // Only seven characters count: 1234567.9 reads as 1234567.
        {"Version 1234567.9", 1234567.5f, true},
        {"Version 12345.9", 12345.5f, false},
        {"Version 9e99999", 1.0f, true},    // beyond single precision: no number
    };
    for (const auto& c : cases) {
        w.Text2.Caption = c.text2;
        w.ProgramTav.Enabled = false;
        Row(3, "Quorvel 7 x", c.tav);
        if (c.asks) sim.dialogs.ExpectBox("Warning", Question("vel 7 x", c.text2), BoxAnswer::Cancel);
        Select(3);
        EXPECT_EQ(w.ProgramTav.Enabled, !c.asks) << c.text2;
        sim.dialogs.VerifyAndClear();
    }
}

TEST_F(SelectionTest, EmergencyRowsOfVersionZero) {
    w.Text2.Caption = "Version 0.1";
    Row(0, "Emergency Comm port 1", 0.0f);
    Select(0);
    EXPECT_TRUE(w.ProgramTav.Enabled);

    w.Text2.Caption = "Version 0";
    w.ProgramTav.Enabled = false;
    sim.dialogs.ExpectBox("Warning", Question(" port 1", "Version 0"), BoxAnswer::Ok);
    Select(0);
    EXPECT_TRUE(w.ProgramTav.Enabled);
}

}  // namespace
}  // namespace vantrel::test
