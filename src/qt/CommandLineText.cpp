#include "qt/CommandLineText.h"

#ifdef _WIN32
#include <windows.h>
#endif

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

std::string CommandLineText(int argc, char** argv) {
#ifdef _WIN32
    (void)argc;
    (void)argv;
    return AfterProgramName(GetCommandLineA());
#else
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) text += ' ';
        text += argv[i];
    }
    return text;
#endif
}

}  // namespace vantrel
