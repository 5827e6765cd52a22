#include "runs/RecordLocation.h"

#include <cstdlib>

#include "registry/DisplayText.h"

namespace vantrel::runs {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
// Read as wide text: a user folder with letters beyond the code page stays intact.
fs::path Variable(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value ? fs::path(value) : fs::path();
}
#define VANTREL_VARIABLE(name) Variable(L##name)
#else
fs::path Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? fs::path(value) : fs::path();
}
#define VANTREL_VARIABLE(name) Variable(name)
#endif

}  // namespace

RecordLocation DefaultRecordLocation() {
    const fs::path named = VANTREL_VARIABLE("VANTREL_RUNS");
    if (named == "none") return {};
    if (!named.empty()) return {named, {}};
#ifdef _WIN32
    const fs::path local = VANTREL_VARIABLE("LOCALAPPDATA");
    if (local.is_absolute()) return {local / "Vantrel" / "runs.jsonl", {}};
    return {{}, "LOCALAPPDATA is not set"};
#else
    // The XDG rule: a relative XDG_STATE_HOME is ignored, like an unset one.
    const fs::path state = VANTREL_VARIABLE("XDG_STATE_HOME");
    if (state.is_absolute()) return {state / "vantrel" / "runs.jsonl", {}};
    const fs::path home = VANTREL_VARIABLE("HOME");
    if (home.is_absolute()) return {home / ".local" / "state" / "vantrel" / "runs.jsonl", {}};
    return {{}, "neither XDG_STATE_HOME nor HOME is set"};
#endif
}

std::string PathText(const fs::path& path) {
#ifdef _WIN32
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
#else
    // File names are bytes: shown as UTF-8 when they are, else as Latin-1.
    return DisplayUtf8(path.native());
#endif
}

}  // namespace vantrel::runs
