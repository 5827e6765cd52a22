// Vantrel on Windows: the native window over the program's model.

#include <windows.h>
#include <commctrl.h>

#include "app/CommandLineText.h"
#include "win32/Win32EventPump.h"
#include "win32/Win32PortThread.h"
#include "win32/Win32SerialPort.h"
#include "win32ui/Win32Dialogs.h"
#include "win32ui/Win32MainWindow.h"
#include "window/WindowProgram.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
    using namespace vantrel;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    Win32EventPump pump;
    Win32SerialPort port(pump);
    Win32Dialogs dialogs;
    const WindowPlatform platform{port, pump, dialogs, StartWin32PortThread};
    // The whole argument text in the system's code page, as the loader opens paths.
    return RunWindowProgram(platform, AfterProgramName(GetCommandLineA()), [&](Bootstrap& w, PortThreadTransfer&) {
        Win32MainWindow window(w, pump);
        dialogs.SetOwner(window.Handle());
        dialogs.SetBeforeShowing([&window] { window.Sync(); });
        window.Show(show);
        return window.Run();
    });
}
