// The user's commands: Emergency with its warning, Search and Load leaving emergency mode,
// choosing a result row (the version question), and the command-line load.

#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "app/Commands.h"
#include "app/LeadingNumber.h"
#include "sim/PhxWriter.h"
#include "support/SimWindow.h"

namespace vantrel::test {
namespace {

class CommandsTest : public ::testing::Test {
protected:
    // A row as the search leaves it, then the user clicks its option button.
    void Select(std::int16_t i, const std::string& text, float version) {
        w.Option1[i].Visible = w.Option1[i].Enabled = w.TavType[i].Visible = true;
        w.TavType[i].Caption = text;
        w.TavVersion[i] = version;
        w.Option1[i].Value = 1;
        Option1_Click(w, i);
    }
    void ExpectQuestion(const std::string& tail, BoxAnswer answer) {
        sim.dialogs.ExpectBox("Warning", "This tav contains code version " + tail +
                                             ", do you wish to reprogram with " + w.Text2.Caption, answer);
    }
    SimWindow sim;
    Bootstrap& w = sim.w;
};

TEST_F(CommandsTest, EmergencyAsksFirstAndSearchesInEmergencyMode) {
    const std::string warning =
        "      Emergency mode should only be used to reprogram\r\n"
        "            a tav that has previously failed to program.\r\n"
        "\r\n"
        "           No tav type checking will be implemented.\r\n"
        "\r\n"
        "You must know which comm port is connected to the tav.\r\n"
        "\r\n"
        "                           Do you wish to proceed?";
    sim.port.AddEmptyPort(3);
    w.TavType[2].Caption = "from the last search";  // a search empties it
    for (VbBool mode : {VbFalse, VbTrue}) {
        w.EmergencyMode = mode;
        sim.dialogs.ExpectBox("Warning", warning, BoxAnswer::Cancel);
        Emergency_Click(w);
        EXPECT_EQ(w.EmergencyMode, mode);
        EXPECT_EQ(w.TavType[2].Caption, "from the last search");
        EXPECT_EQ(sim.dialogs.Shown().back().style, BoxStyle::OkCancel);
    }
    sim.dialogs.ExpectBox("Warning", warning, BoxAnswer::Ok);
    Emergency_Click(w);
    EXPECT_EQ(w.EmergencyMode, -1);
    EXPECT_EQ(w.TavType[2].Caption, "Emergency Comm port 3");

    search_Click(w);
    EXPECT_EQ(w.EmergencyMode, 0);
    EXPECT_EQ(w.TavType[2].Caption, "");
    w.EmergencyMode = VbTrue;
    sim.dialogs.ExpectOpen("");  // cancelled: nothing loaded, no box
    Load_Click(w);
    EXPECT_EQ(w.EmergencyMode, 0);
}

TEST_F(CommandsTest, SelectionAsksUnlessTheTavIsOlderThanTheFileAndCancelClearsTheRow) {
    // asks: the answer to the question, none when there must be no question.
    struct Case { std::string text2; float tav; std::optional<BoxAnswer> asks; };
    const std::vector<Case> cases{
        {"Version 2.5", 2.0f + 4 / 10.0f, {}},  // 2.4 as the search computes it
        {"Version 2.5", 2.5f, BoxAnswer::Ok},
        {"Version 2.5", 2.5f, BoxAnswer::Cancel},
        {"Version 2.5", 13.0f, BoxAnswer::Ok},
        {"Version 2.5.1 release", 2.4f, {}},
        {"Version beta 9", 0.0f, BoxAnswer::Ok},  // no number: 0, so every tav is asked about
        {"Version 0.1", 0.0f, {}},                // emergency rows have version 0
        // Only the seven characters from the ninth count: 1234567.9 reads as 1234567.
        {"Version 1234567.9", 1234567.5f, BoxAnswer::Cancel},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text2 + " / " + std::to_string(c.tav) + (c.asks == BoxAnswer::Cancel ? " / Cancel" : ""));
        w.Text2.Caption = c.text2;
        w.ProgramTav.Enabled = false;
        if (c.asks) ExpectQuestion("vel 7 x", *c.asks);
        Select(3, "Quorvel 7 x", c.tav);
        sim.dialogs.VerifyAndClear();
        const bool chosen = c.asks != BoxAnswer::Cancel;
        EXPECT_EQ(w.ProgramTav.Enabled, chosen);
        EXPECT_EQ(w.Option1[3].Value, chosen ? 1 : 0);
        if (c.asks) { EXPECT_EQ(sim.dialogs.Shown().back().style, BoxStyle::OkCancel); }
    }
    // The question quotes the row's last seven characters.
    w.Text2.Caption = "Version 1.0 (field test)";
    for (const auto& [text, tail] : std::vector<std::pair<std::string, std::string>>{
             {"Quorvel 12 10.15", "2 10.15"}, {"QV 1.0", "QV 1.0"}, {"", ""}}) {
        ExpectQuestion(tail, BoxAnswer::Ok);
        Select(2, text, 1.0f);
    }
    // Cancel clears the row and leaves Program as it was.
    w.Text2.Caption = "Version 2.5";
    Select(0, "Quorvel 4 1.9", 1.9f);
    ExpectQuestion("l 5 2.5", BoxAnswer::Cancel);
    Select(1, "Quorvel 5 2.5", 2.5f);
    EXPECT_EQ(w.Option1[0].Value, 0);  // the group let go of row 0 when row 1 was chosen
    EXPECT_EQ(w.Option1[1].Value, 0);
    EXPECT_TRUE(w.ProgramTav.Enabled);
}

TEST_F(CommandsTest, CommandLineLosesItsOuterQuotesAndFurtherTextMakesItUnopenable) {
    TempDir dir;
    const std::string path = (dir.Path() / "tav firmware.phx").string();
    const sim::PhxRecord record{0x0400, {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE,
                                         0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
    std::ofstream(path, std::ios::binary) << sim::WritePhx(w.Types.TypeTable.at(0).BootName, "3.3", {record});
    const std::vector<std::pair<std::string, bool>> cases{
        {path, true},           {"\"" + path + "\"", true},      {"\"" + path, true},
        {path + "\"", true},    {"\"\"" + path + "\"", false},  // a second leading quote stays
        {"\"" + path + "\" /quiet", false},
    };
    for (const auto& [line, loads] : cases) {
        SCOPED_TRACE(line);
        if (!loads) sim.dialogs.ExpectBox("Error!", "Cannot open Hex file");
        w.CommandLine = line;
        w.Timer2.SetEnabled(true);
        Timer2_Timer(w);
        sim.dialogs.VerifyAndClear();
        EXPECT_FALSE(w.Timer2.Enabled());
        EXPECT_EQ(w.search.Enabled, loads);
        EXPECT_EQ(w.Text2.Caption, loads ? "Version 3.3" : "");
    }
    // A lone quote leaves no name: the user is asked for the file.
    sim.dialogs.ExpectOpen("");
    w.CommandLine = "\"";
    Timer2_Timer(w);
    EXPECT_EQ(sim.dialogs.LastFilter(), "PHX (*.PHX)| *.phx");
}

TEST(LeadingNumber, ReadsTheNumberTheTextStartsWith) {
    // "2e+": no exponent digits, so the letter ends the number; "1e999": beyond any number held.
    const std::vector<std::pair<const char*, double>> cases{
        {"2.5.1", 2.5}, {"  \t7x", 7}, {"-0.25", -0.25}, {".5", 0.5}, {"3.", 3},    {"25e-1x", 2.5},
        {"2e+", 2},     {"", 0},       {"v2.5", 0},      {"+.", 0},  {"0x1F", 0}, {"1e999", 0}};
    for (const auto& [text, value] : cases) EXPECT_EQ(LeadingNumber(text), value) << text;
}

}  // namespace
}  // namespace vantrel::test
