#include "app/CommandLineText.h"

namespace vantrel {

std::string AfterProgramName(const std::string& raw) {
    std::size_t i = 0;
    if (i < raw.size() && raw[i] == '"') {
        const std::size_t close = raw.find('"', 1);
        i = close == std::string::npos ? raw.size() : close + 1;
    } else {
        while (i < raw.size() && raw[i] != ' ' && raw[i] != '\t') ++i;
    }
    while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t')) ++i;
    return raw.substr(i);
}

}  // namespace vantrel
