// Drives vantrel.exe or vantrel-bench.exe from another process, as a user (or a screen
// reader, or a bench's automation) would reach them: by their controls' window messages.
// Prints what it sees, one line each, for window_over_pty.sh to check.
//
//   vantrel-window-driver program            row 1, Program Tav, the box that ends it
//   vantrel-window-driver close              the same, the close box mid-transfer
//   vantrel-window-driver endsession         the same, Windows shutting down mid-transfer
//   vantrel-window-driver bench-program      the bench: Program all, COM1 programmed, the close box
//   vantrel-window-driver bench-watch        the bench started watching: COM1 programmed, Exit
//   vantrel-window-driver bench-close        the bench: Program all, the close box mid-transfer
//   vantrel-window-driver bench-usage        the bench's box about a wrong command line
//
// Exit code 0 when every step found what it waited for.

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <string>

#include "win32ui/BenchControlIds.h"

namespace {

std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

void Print(const char* what, const std::wstring& text) { std::printf("%s: %ls\n", what, text.c_str()), std::fflush(stdout); }

// Waits up to 60 s for `found` to give a window.
HWND WaitFor(const char* what, const std::function<HWND()>& found) {
    for (int i = 0; i < 600; ++i) {
        if (HWND window = found()) return window;
        Sleep(100);
    }
    std::printf("timed out waiting for %s\n", what);
    std::exit(1);
}

HWND Child(HWND parent, const wchar_t* windowClass, const wchar_t* text) {
    struct Search {
        const wchar_t *windowClass, *text;
        HWND found = nullptr;
    } search{windowClass, text};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            if (ClassOf(child) == s.windowClass && (!s.text || TextOf(child) == s.text)) s.found = child;
            return s.found == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool Usable(HWND control) { return control && IsWindowVisible(control) && IsWindowEnabled(control); }

// A message box of the program: its title and the longest of its texts.
HWND MessageBoxShown() {
    HWND box = nullptr;
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            if (ClassOf(window) == L"#32770" && IsWindowVisible(window)) *reinterpret_cast<HWND*>(data) = window;
            return *reinterpret_cast<HWND*>(data) == nullptr;
        },
        reinterpret_cast<LPARAM>(&box));
    return box;
}

std::wstring BoxText(HWND box) {
    std::wstring longest;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (ClassOf(child) == L"Static" && TextOf(child).size() > longest.size()) longest = TextOf(child);
    return longest;
}

// Answers the next box with OK; its title and text printed.
void AnswerBox() {
    const HWND box = WaitFor("a message box", MessageBoxShown);
    wchar_t title[256] = {};
    GetWindowTextW(box, title, 256);  // a top-level window's title as the system keeps it
    Print("box title", L"\"" + std::wstring(title) + L"\"");
    Print("box text", BoxText(box));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 50 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(100);
}

// The bench window: its controls found by their IDs, as automation finds them.
int DriveBench(const std::string& how) {
    namespace ids = vantrel::bench_ids;
    if (how == "bench-usage") {
        AnswerBox();
        return 0;
    }
    const HWND window = WaitFor("the bench window", [] { return FindWindowW(L"VantrelBench", L"Vantrel Bench"); });
    const auto item = [window](int id) { return GetDlgItem(window, id); };
    const auto status = [&](int comPort) { return TextOf(item(ids::Slot(comPort, ids::kSlotStatus))); };
    const auto statusBegins = [&](const wchar_t* words) {
        return [&, words]() -> HWND { return status(1).rfind(words, 0) == 0 ? window : nullptr; };
    };
    if (how != "bench-watch") {
        // The command line's file loads as the window opens.
        const HWND programAll = WaitFor("Program all usable", [&] {
            const HWND b = item(ids::kProgramAll);
            return Usable(b) ? b : nullptr;
        });
        Print("file", TextOf(item(ids::kFile)));
        PostMessageW(programAll, BM_CLICK, 0, 0);
        // A second click while the bench runs starts nothing.
        PostMessageW(programAll, BM_CLICK, 0, 0);
    }
    if (how == "bench-close") {
        WaitFor("a fifth of the image sent", [&]() -> HWND {
            const LRESULT percent = SendMessageW(item(ids::Slot(1, ids::kSlotProgress)), PBM_GETPOS, 0, 0);
            return percent >= 20 && status(1).rfind(L"Programming ", 0) == 0 ? window : nullptr;
        });
        Print("COM1", status(1));
        PostMessageW(window, WM_CLOSE, 0, 0);
        PostMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    }
    WaitFor("COM1 programmed", statusBegins(L"Programmed: "));
    for (int port = 1; port <= 4; ++port) Print(("COM" + std::to_string(port)).c_str(), status(port));
    Print("counts", TextOf(item(ids::Slot(1, ids::kSlotCounts))));
    Print("watch", SendMessageW(item(ids::kWatch), BM_GETCHECK, 0, 0) == BST_CHECKED ? L"down" : L"up");
    if (how == "bench-watch")
        PostMessageW(item(ids::kExit), BM_CLICK, 0, 0);
    else
        PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string how = argc > 1 ? argv[1] : "program";
    if (how.rfind("bench-", 0) == 0) return DriveBench(how);
    const HWND window = WaitFor("the window", [] { return FindWindowW(L"VantrelWindow", L"Vantrel 1.1.12"); });
    // The command line's file loads and its search shows the tav in row 1.
    const HWND row = WaitFor("row 1", [window] {
        const HWND r = Child(window, L"Button", L"1");
        return Usable(r) ? r : nullptr;
    });
    // Every text box shown and not empty, one line each.
    EnumChildWindows(
        window,
        [](HWND child, LPARAM) -> BOOL {
            if (ClassOf(child) == L"Edit" && IsWindowVisible(child) && !TextOf(child).empty()) Print("shown", TextOf(child));
            return TRUE;
        },
        0);
    PostMessageW(row, BM_CLICK, 0, 0);
    const HWND program = WaitFor("Program Tav enabled", [window] {
        const HWND b = Child(window, L"Button", L"Program Tav");
        return Usable(b) ? b : nullptr;
    });
    PostMessageW(program, BM_CLICK, 0, 0);

    if (how != "program") {
        const HWND bar = WaitFor("the progress bar", [window] { return Child(window, PROGRESS_CLASSW, nullptr); });
        WaitFor("20 records sent", [bar] {
            return SendMessageW(bar, PBM_GETPOS, 0, 0) >= 20 && IsWindowVisible(bar) ? bar : nullptr;
        });
        if (how == "close") {
            PostMessageW(window, WM_CLOSE, 0, 0);
            PostMessageW(window, WM_CLOSE, 0, 0);
        } else {
            DWORD_PTR answer = 1;
            SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &answer);
            std::printf("end session allowed: %s\n", answer ? "yes" : "no");
        }
    }
    AnswerBox();
    if (how == "program") PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
}
