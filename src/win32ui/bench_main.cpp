// Vantrel Bench on Windows: the bench window over the bench's model.
//   vantrel-bench [--watch] [FILE]

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "bench/BenchProgram.h"
#include "win32/Win32EventPump.h"
#include "win32/Win32PortThread.h"
#include "win32/Win32SerialPort.h"
#include "win32ui/WideText.h"
#include "win32ui/Win32BenchWindow.h"
#include "win32ui/Win32Dialogs.h"

namespace {

// The arguments after the program's name, as the system splits them (quotes taken off),
// in the system's code page: the loader opens files by such names, as the open-file
// dialog gives them.
std::vector<std::string> Arguments() {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; wide && i < count; ++i) {
        const int size = WideCharToMultiByte(CP_ACP, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
        if (size > 0) WideCharToMultiByte(CP_ACP, 0, wide[i], -1, arg.data(), size, nullptr, nullptr);
        arg.resize(arg.size() - 1);  // the terminating NUL
        args.push_back(std::move(arg));
    }
    LocalFree(wide);
    return args;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
    using namespace vantrel;
    std::string error;
    const std::optional<BenchStart> start = ParseBenchArguments(Arguments(), error);
    if (!start) {
        const std::wstring text = ShownWide(error + "\r\n\r\n" + kBenchUsage);
        MessageBoxW(nullptr, text.c_str(), L"Vantrel Bench", MB_OK | MB_ICONERROR);
        return 2;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    Win32EventPump pump;
    Win32SerialPort port(pump);
    Win32Dialogs dialogs;
    const BenchProgramPlatform platform{port, pump, dialogs, StartWin32PortThread};
    return RunBenchProgram(platform, *start, [&](BenchModel& model) {
        Win32BenchWindow window(model);
        dialogs.SetOwner(window.Handle());
        dialogs.SetBeforeShowing([&window] { window.Refresh(); });
        window.Show(show);
        window.Begin();
        const int code = window.Run();
        dialogs.SetOwner(nullptr);
        dialogs.SetBeforeShowing({});
        return code;
    });
}
