#include "qt/CommandLineText.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vantrel {

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
