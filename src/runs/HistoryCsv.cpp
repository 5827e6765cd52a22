#include "runs/HistoryCsv.h"

#include <cstdio>
#include <initializer_list>
#include <string_view>

#include "runs/RecordTime.h"

namespace vantrel::runs {
namespace {

// A spreadsheet takes a cell that begins with one of these for a formula, so a file
// named "=HYPERLINK(...).PHX" would become one: a leading ' keeps it text (and is not shown).
bool ReadAsFormula(std::string_view text) {
    return !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
}

std::string Field(std::string text) {
    if (ReadAsFormula(text)) text.insert(0, 1, '\'');
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string Row(std::initializer_list<std::string> fields) {
    std::string row;
    for (const std::string& field : fields) {
        if (!row.empty() || &field != fields.begin()) row += ',';
        row += Field(field);
    }
    return row + "\r\n";
}

// Seconds from the start line's time to the end line's, to the millisecond.
std::string Duration(const RecordedRunLines& run) {
    if (!run.start || !run.end) return {};
    const auto began = ParseRecordTime(RecordString(*run.start, {"at"}));
    const auto ended = ParseRecordTime(RecordString(*run.end, {"at"}));
    if (!began || !ended || *ended < *began) return {};
    const long long ms = (*ended - *began).count();
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03lld", ms / 1000, ms % 1000);
    return text;
}

}  // namespace

std::string CsvHeaderRow() {
    return Row({"time", "port", "device", "file name", "SHA-256", "target", "version before", "version after",
                "outcome", "records acknowledged", "retries", "duration (s)"});
}

std::string CsvRow(const RecordedRunLines& run) {
    const nlohmann::ordered_json none;
    const auto& s = run.start ? *run.start : none;
    const auto& e = run.end ? *run.end : none;
    const std::string outcome = RecordString(e, {"outcome"});
    return Row({RecordString(s, {"at"}), RecordString(s, {"port", "com"}), RecordString(s, {"port", "device"}),
                RecordString(s, {"file", "path"}), RecordString(s, {"file", "sha256"}),
                RecordString(s, {"file", "target"}), RecordString(s, {"tav", "version"}),
                outcome == "succeeded" ? RecordString(s, {"file", "version"}) : "", outcome,
                RecordString(e, {"acknowledged"}), RecordString(e, {"retries"}), Duration(run)});
}

}  // namespace vantrel::runs
