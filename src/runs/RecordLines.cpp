#include "runs/RecordLines.h"

#include <filesystem>
#include <system_error>

#include "registry/DisplayText.h"
#include "runs/FileDigest.h"

namespace vantrel::runs {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

json Text(const std::string& bytes) { return DisplayUtf8(bytes); }
json TextOrNull(const std::string& bytes) { return bytes.empty() ? json(nullptr) : Text(bytes); }

// The file at the loaded path is read again for its digest only when it still is the
// file that was loaded: same size, same modification time.
json FileFacts(const std::optional<LoadedFile>& loaded) {
    if (!loaded) return nullptr;
    const LoadedFile& file = *loaded;
    std::error_code sizeError, timeError;
    const fs::path path(file.path);
    const bool unchanged = fs::file_size(path, sizeError) == file.size &&
                           fs::last_write_time(path, timeError) == file.modified && !sizeError && !timeError;
    json sha256 = nullptr;
    if (unchanged) {
        if (auto digest = Sha256OfFile(path, kDigestMaxBytes)) sha256 = *digest;
    }
    return {{"path", Text(file.path)},
            {"size", file.size},
            {"sha256", sha256},
            {"changedSinceLoad", !unchanged},
            {"target", Text(file.target)},
            {"version", Text(file.version)},
            {"records", file.records}};
}

const char* RestartWord(ProgrammingRun::Restart restart) {
    switch (restart) {
        case ProgrammingRun::Restart::Confirmed: return "confirmed";
        case ProgrammingRun::Restart::Unconfirmed: return "unconfirmed";
        case ProgrammingRun::Restart::NotSent: break;
    }
    return "not-sent";
}

}  // namespace

json StartLine(const RunStart& facts, const StartContext& context) {
    json question = {{"asked", facts.versionAsked}};
    if (facts.versionAsked) {
        question["text"] = Text(facts.versionQuestion);
        question["answer"] = facts.versionAnswerOk ? "ok" : "cancel";
    }
    return {{"kind", "start"},
            {"run", context.runId},
            {"at", context.at},
            {"program", "Vantrel " + std::to_string(VANTREL_VERSION_MAJOR) + "." +
                            std::to_string(VANTREL_VERSION_MINOR) + "." + std::to_string(VANTREL_VERSION_REVISION)},
            {"frontEnd", context.frontEnd},
            {"machine", TextOrNull(context.machine)},
            {"user", TextOrNull(context.user)},
            {"file", FileFacts(facts.file)},
            {"port",
             {{"com", "COM" + std::to_string(facts.comPort)},
              {"device", TextOrNull(context.port.device)},
              {"byId", TextOrNull(context.port.byId)}}},
            {"emergency", facts.emergency},
            {"tav", {{"shown", Text(facts.tavShown)}, {"version", TextOrNull(facts.tavVersion)}}},
            {"versionQuestion", question}};
}

const char* OutcomeWord(const RunEnd& facts) {
    if (facts.abandoned) return "abandoned";
    switch (facts.run.Outcome) {
        case ProgrammingRun::Ending::NotStarted: return "port-not-opened";
        case ProgrammingRun::Ending::Stopped: return "stopped";
        case ProgrammingRun::Ending::RecordFailed: return "record-failed";
        case ProgrammingRun::Ending::Completed: break;
    }
    return facts.run.TavRestart == ProgrammingRun::Restart::Confirmed ? "succeeded" : "restart-unconfirmed";
}

json EndLine(const RunEnd& facts, const std::string& runId, const std::string& at,
             const std::vector<std::string>& shown) {
    json boxes = json::array();
    for (const std::string& box : shown) boxes.push_back(Text(box));
    return {{"kind", "end"},
            {"run", runId},
            {"at", at},
            {"outcome", OutcomeWord(facts)},
            {"acknowledged", facts.run.RecordsAcknowledged},
            {"records", facts.run.RecordCount},
            {"retries", facts.run.RecordRetries},
            {"restart", RestartWord(facts.run.TavRestart)},
            {"shown", boxes}};
}

std::string Serialised(const json& line) {
    return line.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace vantrel::runs
