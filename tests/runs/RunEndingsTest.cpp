// Every way a programming run ends leaves its two lines in the run record, from the
// window's own hooks: the start when the flow goes to the tav's port, the end with what
// happened on the wire and what the user was shown. On virtual time, with a real file
// loaded and a real search before the run.

#include <gmock/gmock.h>

#include <filesystem>
#include <functional>
#include <regex>

#include "app/ProgramTavClick.h"
#include "app/SearchForTavs.h"
#include "RecordedWindow.h"

namespace vantrel::test {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using Strings = std::vector<std::string>;

constexpr const char* kFailed = "Tav failed to reprogram. Tav must be programmed to operate";

bool Matches(const Json& value, const char* pattern) {
    return value.is_string() && std::regex_match(value.get<std::string>(), std::regex(pattern));
}

// From inside the program's waits, once the tav holds three records.
void AtTheThirdRecord(RecordedWindow& r, std::function<void(RecordedWindow&)> act) {
    r.watch = [&r, act] { r.tavs.front().Records().size() >= 3 ? act(r) : r.pump.ScheduleAfter(1ms, r.watch); };
    r.pump.ScheduleAfter(1ms, r.watch);
}

TEST(RunRecord, EveryWayARunEndsLeavesAStartAndAnEndLine) {
    struct Case {
        const char* name;
        std::uint8_t tavMinor;  // version 2.minor; 2.5 is the file's own: the question is asked
        sim::TavFaults faults;
        std::function<void(RecordedWindow&)> before, atThird;  // null: none
        std::vector<std::pair<std::string, std::string>> boxes;  // after the question
        const char* outcome;
        int acknowledged, retries;
        const char* restart;
        bool unwinds = false;
    };
    const std::string failedBox = std::string("Error!: ") + kFailed;
    const Case cases[] = {
        {"success after the question, two records sent again", 5, {.wrongAckRecords = 2}, {}, {},
         {{"OK! ", "Tav reprogram suceeded"}}, "succeeded", 5, 2, "confirmed"},
        {"a record never acknowledged", 0, {.noAck = true}, {}, {}, {{"Error!", kFailed}}, "record-failed", 0, 6,
         "confirmed"},
        {"restart unconfirmed", 0, {.wrongCompletions = 4}, {}, {}, {{"Error! ", "Failed to restart unit"}},
         "restart-unconfirmed", 5, 0, "unconfirmed"},
        // What the console's first Ctrl-C does: the record in flight finishes.
        {"Ctrl-C", 0, {}, {}, [](RecordedWindow& r) { r.w.ProgramCommand.StopRequested = true; },
         {{"Error!", kFailed}}, "stopped", 3, 0, "confirmed"},
        {"window closed", 0, {}, {}, [](RecordedWindow& r) { CloseWindow(r.w); }, {{"Error!", kFailed}}, "stopped",
         3, 0, "confirmed"},
        // The third record's acknowledgement is lost with the adapter: six more frames to nowhere.
        {"tav unplugged", 0, {}, {}, [](RecordedWindow& r) { r.port.Unplug(2); }, {{"Error!", kFailed}},
         "record-failed", 2, 6, "not-sent"},
        // A second Ctrl-C, or the window destroyed: the flow unwinds from its wait.
        {"stopped at once", 0, {}, {}, [](RecordedWindow&) { throw ProgramEnding{}; }, {}, "abandoned", 2, 0,
         "not-sent", true},
        {"port held by another program", 0, {}, [](RecordedWindow& r) { r.port.SetBusy(2, true); }, {},
         {{"Error!", "Cannot open COM2"}}, "port-not-opened", 0, 0, "not-sent"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordedWindow r;
        r.AttachTav({.major = 2, .minor = c.tavMinor}, c.faults);
        const std::string path = r.LoadFile(5);
        const bool asked = c.tavMinor == 5;
        const std::string question =
            "This tav contains code version  00 2.5, do you wish to reprogram with Version 2.5";
        if (asked) r.scripted.ExpectBox("Warning", question);
        Option1_Click(r.w, 1);
        for (const auto& [title, text] : c.boxes) r.scripted.ExpectBox(title, text);
        if (c.before) c.before(r);
        if (c.atThird) AtTheThirdRecord(r, c.atThird);
        if (c.unwinds) {
            EXPECT_THROW(ProgramTav_Click(r.w), ProgramEnding);
        } else {
            EXPECT_NO_THROW(ProgramTav_Click(r.w));
        }
        r.scripted.VerifyAndClear();

        const std::vector<Json> lines = r.Lines();
        ASSERT_EQ(lines.size(), 2u);
        const Json &start = lines[0], &end = lines[1];
        EXPECT_EQ(start["kind"], "start");
        EXPECT_EQ(end["kind"], "end");
        EXPECT_TRUE(Matches(start["run"], "[0-9a-f]{32}")) << start["run"];
        EXPECT_EQ(end["run"], start["run"]);
        for (const Json* line : {&start, &end})
            EXPECT_TRUE(Matches((*line)["at"], R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)")) << (*line)["at"];
        EXPECT_LE(start["at"].get<std::string>(), end["at"].get<std::string>());

        EXPECT_TRUE(Matches(start["program"], R"(Vantrel \d+\.\d+\.\d+)")) << start["program"];
        EXPECT_EQ(start["frontEnd"], "window");
        EXPECT_TRUE(start["machine"].is_string()) << start["machine"];
        EXPECT_TRUE(start["user"].is_string()) << start["user"];
        const Json& file = start["file"];
        EXPECT_EQ(file["path"], std::filesystem::absolute(path).string());
        EXPECT_EQ(file["size"], std::filesystem::file_size(path));
        EXPECT_TRUE(Matches(file["sha256"], "[0-9a-f]{64}")) << file["sha256"];
        EXPECT_EQ(file["changedSinceLoad"], false);
        EXPECT_EQ(file["target"], "Tav model 00");
        EXPECT_EQ(file["version"], "2.5");
        EXPECT_EQ(file["records"], 5);
        const Json port = {{"com", "COM2"},
                           {"device", "/dev/ttyUSB7"},
                           {"byId", "/dev/serial/by-id/usb-Bench_Adapter_A1-if00-port0"}};
        EXPECT_EQ(start["port"], port);
        EXPECT_EQ(r.describedPorts, std::vector<int>{2});
        EXPECT_EQ(start["emergency"], false);
        const std::string version = "2." + std::to_string(c.tavMinor);
        const Json tav = {{"shown", "Tav model 00 " + version}, {"version", version}};
        EXPECT_EQ(start["tav"], tav);
        const Json questionFacts =
            asked ? Json{{"asked", true}, {"text", question}, {"answer", "ok"}} : Json{{"asked", false}};
        EXPECT_EQ(start["versionQuestion"], questionFacts);

        EXPECT_EQ(end["outcome"], c.outcome);
        EXPECT_EQ(end["acknowledged"], c.acknowledged);
        EXPECT_EQ(end["records"], 5);
        EXPECT_EQ(end["retries"], c.retries);
        EXPECT_EQ(end["restart"], c.restart);
        Strings shown;
        for (const auto& [title, text] : c.boxes) shown.push_back(title + ": " + text);
        EXPECT_EQ(end["shown"], Json(shown)) << "the boxes of the run, not the question before it";
        EXPECT_EQ(end.value("exit", Json("missing")), Json()) << "the window has no exit status";
        EXPECT_FALSE(end.contains("summary"));
        EXPECT_TRUE(r.troubles.empty());
    }
}

TEST(RunRecord, TheConsolesEndLineWaitsForItsExitStatusAlsoWhenTheRunIsAbandoned) {
    for (const bool abandon : {false, true}) {
        SCOPED_TRACE(abandon ? "abandoned" : "succeeded");
        RecordedWindow r(true);
        r.AttachTav({.major = 2, .minor = 0});
        r.LoadFile(5);
        Option1_Click(r.w, 1);
        if (abandon)
            AtTheThirdRecord(r, [](RecordedWindow&) { throw ProgramEnding{}; });
        else
            r.scripted.ExpectBox("OK! ", "Tav reprogram suceeded");
        try {
            ProgramTav_Click(r.w);
        } catch (const ProgramEnding&) {
        }
        ASSERT_EQ(r.Lines().size(), 1u) << "only the start, until the console knows its exit status";
        const std::string summary = abandon ? "stopped at once: 2 of 5 records acknowledged" : "COM2 programmed";
        r.log.ExitStatus(abandon ? 8 : 0, summary);
        r.log.ExitStatus(1, "a second call writes nothing");
        const std::vector<Json> lines = r.Lines();
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0]["frontEnd"], "console");
        EXPECT_EQ(lines[1]["outcome"], abandon ? "abandoned" : "succeeded");
        EXPECT_EQ(lines[1]["exit"], abandon ? 8 : 0);
        EXPECT_EQ(lines[1]["summary"], summary);
    }
}

TEST(RunRecord, RefusalsBeforeThePortLeaveNoRecordAndEmergencyAndAChangedFileAreSaidSo) {
    RecordedWindow r;
    r.AttachTav({.major = 2, .minor = 0}, {.loaderOnly = true});  // its last programming failed
    const std::string path = r.LoadFile(4);
    const auto loadedSize = std::filesystem::file_size(path);
    // No tav answered, no row was selected: nothing is touched, nothing recorded.
    r.scripted.ExpectBox("Error!", "No tav selected");
    r.w.ProgramTav.Enabled = true;
    ProgramTav_Click(r.w);
    EXPECT_TRUE(r.Lines().empty());

    r.w.EmergencyMode = VbTrue;
    SearchForTavs(r.w);
    Option1_Click(r.w, 1);  // version 0 in emergency rows: no question
    std::ofstream(path, std::ios::binary | std::ios::app) << "edited after the load\r\n";
    r.scripted.ExpectBox("OK! ", "Tav reprogram suceeded");
    ProgramTav_Click(r.w);
    std::vector<Json> lines = r.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["emergency"], true);
    const Json emergencyRow = {{"shown", "Emergency Comm port 2"}, {"version", nullptr}};
    EXPECT_EQ(lines[0]["tav"], emergencyRow);
    // The file at the path is no longer what went to the tav: no digest of something else.
    EXPECT_EQ(lines[0]["file"]["size"], loadedSize);
    EXPECT_TRUE(lines[0]["file"]["sha256"].is_null());
    EXPECT_EQ(lines[0]["file"]["changedSinceLoad"], true);
    EXPECT_EQ(lines[1]["outcome"], "succeeded");

    // An address beyond 7FFF hex is refused before the port: no record either.
    auto outOfReach = DistinctRecords(3);
    outOfReach[1].byteAddress = 0x8000;
    r.LoadFile(outOfReach);
    Option1_Click(r.w, 1);
    r.scripted.ExpectBox("Error!", "Address 8000 hex or above on data line 2: nothing was sent to the tav");
    ProgramTav_Click(r.w);
    EXPECT_EQ(r.Lines().size(), 2u);
}

TEST(RunRecord, ARecordThatCannotBeWrittenNeverCostsTheRun) {
    for (const bool folder : {true, false}) {
        SCOPED_TRACE(folder ? "a folder where the file should be" : "no place for a record");
        RecordedWindow r(false, [folder](runs::RunLogSettings& settings, const std::filesystem::path&) {
            if (folder)
                std::filesystem::create_directories(settings.location.file);
            else
                settings.location = {{}, "neither XDG_STATE_HOME nor HOME is set"};
        });
        const auto& tav = r.AttachTav({.major = 2, .minor = 0});
        r.LoadFile(5);
        Option1_Click(r.w, 1);
        r.scripted.ExpectBox("OK! ", "Tav reprogram suceeded");
        ProgramTav_Click(r.w);
        EXPECT_EQ(tav.Records().size(), 5u);
        EXPECT_EQ(r.w.Programming.TavRestart, ProgrammingRun::Restart::Confirmed);
        const std::string why = folder ? (r.dir.Path() / "state" / "runs.jsonl").string() +
                                             ": is a folder, not a regular file"
                                       : "no run record is kept: neither XDG_STATE_HOME nor HOME is set";
        EXPECT_EQ(r.troubles, (Strings{why, why})) << "told at the start and at the end";
    }
}

}  // namespace
}  // namespace vantrel::test
