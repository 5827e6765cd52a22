#pragma once
// Where the user's run record is: the file named by VANTREL_RUNS ("none": no record), else
// $XDG_STATE_HOME/vantrel/runs.jsonl (default ~/.local/state/vantrel/runs.jsonl) on Linux,
// %LOCALAPPDATA%\Vantrel\runs.jsonl on Windows.

#include <filesystem>
#include <string>

namespace vantrel::runs {

struct RecordLocation {
    std::filesystem::path file;  // empty: no record
    std::string unavailable;     // with no file: why there is none, empty when the user said none
};

RecordLocation DefaultRecordLocation();

// A path as UTF-8 text, for messages and for the record itself.
std::string PathText(const std::filesystem::path& path);

}  // namespace vantrel::runs
