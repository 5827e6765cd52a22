// Vantrel on Windows: the native window over the program's model.

#include <windows.h>
#include <commctrl.h>

#include "app/Bootstrap.h"
#include "app/CommandLineText.h"
#include "registry/RegistryStore.h"
#include "runs/RecordingDialogs.h"
#include "runs/RunLog.h"
#include "win32/Win32EventPump.h"
#include "win32/Win32SerialPort.h"
#include "win32ui/Win32Dialogs.h"
#include "win32ui/Win32MainWindow.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    // The whole argument text in the system's code page, as the loader opens paths.
    const std::string commandLine = vantrel::AfterProgramName(GetCommandLineA());

    const auto registry = vantrel::OpenDefaultRegistryStore();
    vantrel::Win32EventPump pump;
    vantrel::Win32SerialPort port(pump);
    vantrel::Win32Dialogs dialogs;
    // Every programming run leaves its record; the window says nothing when it cannot.
    vantrel::runs::RunLogSettings record;
    record.location = vantrel::runs::DefaultRecordLocation();
    record.frontEnd = "window";
    vantrel::runs::RunLog runLog(std::move(record));
    vantrel::runs::RecordingDialogs recordedDialogs(dialogs, runLog);
    vantrel::Bootstrap w(port, pump, recordedDialogs, *registry, commandLine);
    w.Runs = &runLog;
    vantrel::Form_Load(w);

    vantrel::Win32MainWindow window(w, pump);
    dialogs.SetOwner(window.Handle());
    dialogs.SetBeforeShowing([&window] { window.Sync(); });
    window.Show(show);
    return window.Run();
}
