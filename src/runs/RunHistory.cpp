#include "runs/RunHistory.h"

#include <map>

namespace vantrel::runs {
namespace {

using json = nlohmann::ordered_json;

// "2025-03-04T05:06:07.089Z" -> "2025-03-04 05:06:07Z".
std::string When(const std::string& at) {
    if (at.size() < 19) return at.empty() ? "(no time)" : at;
    return at.substr(0, 10) + " " + at.substr(11, 8) + "Z";
}

}  // namespace

std::string RecordString(const json& object, std::initializer_list<const char*> keys) {
    const json* at = &object;
    for (const char* key : keys) {
        if (!at->is_object() || !at->contains(key)) return {};
        at = &(*at)[key];
    }
    if (at->is_string()) return at->get<std::string>();
    if (at->is_number_integer()) return std::to_string(at->get<long long>());
    return {};
}

std::optional<RecordTime> RunTime(const RecordedRunLines& run) {
    const auto* line = run.start ? &*run.start : run.end ? &*run.end : nullptr;
    return line ? ParseRecordTime(RecordString(*line, {"at"})) : std::nullopt;
}

std::vector<RecordedRunLines> ParseRunRecord(const std::vector<std::string_view>& files) {
    std::vector<RecordedRunLines> runs;
    std::map<std::string, std::size_t> byId;
    for (std::string_view bytes : files) {
        while (!bytes.empty()) {
            const std::size_t end = bytes.find('\n');
            std::string_view line = bytes.substr(0, end);
            bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            json record = json::parse(line, nullptr, false);
            if (record.is_discarded() || !record.is_object()) continue;
            const std::string kind = RecordString(record, {"kind"}), id = RecordString(record, {"run"});
            if (id.empty() || (kind != "start" && kind != "end")) continue;
            auto [at, isNew] = byId.try_emplace(id, runs.size());
            if (isNew) runs.emplace_back();
            RecordedRunLines& run = runs[at->second];
            if (kind == "start") {
                run.start = std::move(record);
                run.startLine = line;
            } else {
                run.end = std::move(record);
                run.endLine = line;
            }
        }
    }
    return runs;
}

std::string HistoryLine(const RecordedRunLines& run) {
    std::string line;
    if (run.start) {
        const json& s = *run.start;
        std::string fileVersion = RecordString(s, {"file", "version"});
        line = When(RecordString(s, {"at"})) + "  " + RecordString(s, {"port", "com"}) + "  " +
               RecordString(s, {"tav", "shown"}) + " -> " + (fileVersion.empty() ? "?" : fileVersion);
    } else {
        line = When(run.end ? RecordString(*run.end, {"at"}) : "") + "  (its start line is no longer kept)";
    }
    if (!run.end) return line + "  began, never ended";
    const json& e = *run.end;
    line += "  " + RecordString(e, {"outcome"}) + "  " + RecordString(e, {"acknowledged"}) + " of " +
            RecordString(e, {"records"}) + " records";
    return line;
}

}  // namespace vantrel::runs
