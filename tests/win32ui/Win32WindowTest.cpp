// The Windows window under Wine: it shows the model in standard controls, a click or a
// key reaches a handler only when the model lets the control be used, a cover lies above
// what it covers, and closing the window ends the program even while a handler waits.

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/Bootstrap.h"
#include "app/CommandLineText.h"
#include "app/CommandScope.h"
#include "support/ScratchRegistry.h"
#include "support/ScriptedDialogs.h"
#include "win32/Win32EventPump.h"
#include "win32/Win32SerialPort.h"
#include "win32ui/OpenFileFilter.h"
#include "win32ui/WideText.h"
#include "win32ui/Win32MainWindow.h"

namespace vantrel::test {
namespace {

std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

LONG_PTR StyleOf(HWND window) { return GetWindowLongPtrW(window, GWL_STYLE); }

std::wstring TooltipOf(HWND tooltips, HWND control) {
    wchar_t text[512] = {};
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = GetParent(control);
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = text;
    SendMessageW(tooltips, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&tool));
    return text;
}

// Runs the thread's queued messages as the window's own loop would, up to WM_QUIT, which
// ends that loop; whether it came.
bool RunMessages(Win32MainWindow& window) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) return true;
        window.Dispatch(message);
    }
    return false;
}

// The group box that draws a frame's border and caption.
HWND GroupBoxOf(HWND panel) {
    for (HWND child = GetWindow(panel, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if ((GetWindowLongPtrW(child, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX)
            return child;
    return nullptr;
}

// A text with NULs in it, from a literal.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

// The next timer tick of the thread runs `then`, inside whatever wait is running.
std::function<void()> gOnTick;
void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (auto run = std::exchange(gOnTick, {})) run();
}
void OnNextTick(std::function<void()> then) {
    gOnTick = std::move(then);
    SetTimer(nullptr, 0, 10, Tick);
}

struct WindowModel {
    Win32EventPump pump;
    Win32SerialPort port{pump};
    ScriptedDialogs dialogs;
    ScratchRegistry registry;
    Bootstrap w{port, pump, dialogs, registry};
};

class Win32WindowTest : public ::testing::Test, public WindowModel {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
    }
};

TEST_F(Win32WindowTest, ShowsTheModelInStandardControls) {
    Form_Load(w);
    Win32MainWindow window(w, pump, {});
    window.Show(SW_SHOW);
    const auto view = [&window](const Control& c) { return window.WindowOf(c); };

    EXPECT_EQ(TextOf(window.Handle()), L"Vantrel 1.1.12");
    struct Shown {
        const Control* control;
        const wchar_t* windowClass;
        const wchar_t* text;  // of the control, or of a frame's group box
        const wchar_t* tooltip;
        LONG_PTR style;       // style bits that must be set
    };
    const std::vector<Shown> shown = {
        {&w.Text1, L"Edit", L"", L"Type of tav required for this firmware file", ES_READONLY | ES_CENTER},
        {&w.Text2, L"Edit", L"", L"Version of firmware contained in files", ES_READONLY | ES_CENTER},
        {&w.TavType[2], L"Edit", L"", L"Tav connected to this comm port", ES_READONLY},
        {&w.Option1[0], L"Button", L"1", L"Click to set download to This Tav", BS_AUTORADIOBUTTON | WS_GROUP},
        {&w.Option1[3], L"Button", L"4", L"Click to set download to This Tav", BS_AUTORADIOBUTTON | WS_TABSTOP},
        {&w.search, L"Button", L"Search for Tav", L"Search for tavs connected to this PC", WS_TABSTOP},
        {&w.ProgramTav, L"Button", L"Program Tav", L"Program selected tav with this firmware", WS_TABSTOP},
        {&w.Load, L"Button", L"Load", L"Load Tav firmware file (*.PHX)", WS_TABSTOP},
        {&w.Exit, L"Button", L"Exit", L"Close and exit  vantrel", WS_TABSTOP},
        {&w.Emergency, L"Button", L"Eme r gency", L"Emergency mode reprogram, use when tav cannot be located.",
         WS_TABSTOP | BS_OWNERDRAW},
        {&w.Label3, L"Static", L"Please wait programing tav", L"", SS_CENTER},
        {&w.Label1, L"Static", L"Percentage complete", L"", SS_CENTER},
        {&w.Label2, L"Static", L"0%", L"", SS_CENTER},
        {&w.Blanking1, L"Static", L"Please Wait Searching for Tavs", L"", SS_CENTER},
        {&w.ProgressBar1, L"msctls_progress32", L"", L"", PBS_VERTICAL},
    };
    for (const Shown& s : shown) {
        SCOPED_TRACE(s.control->Name);
        const HWND control = view(*s.control);
        EXPECT_EQ(ClassOf(control), s.windowClass);
        EXPECT_EQ(TextOf(control), s.text);
        EXPECT_EQ(StyleOf(control) & s.style, s.style);
        EXPECT_EQ(TooltipOf(window.Tooltips(), control), s.tooltip);
    }
    for (const auto& [frame, caption] : {std::pair{&w.Frame1, L"Target Tav Type"}, {&w.Frame2, L"Firmware Version"},
                                        {&w.Frame3, L"Tavs"}, {&w.Frame4, L""}}) {
        const HWND box = GroupBoxOf(view(*frame));
        ASSERT_TRUE(box) << frame->Name;
        EXPECT_EQ(StyleOf(box) & BS_TYPEMASK, BS_GROUPBOX) << frame->Name;
        EXPECT_EQ(TextOf(box), caption) << frame->Name;
    }
    EXPECT_FALSE(GroupBoxOf(view(w.Blanking[0]))) << "a cover has no border";

    // The bar's range follows the model's.
    PBRANGE range{};
    SendMessageW(view(w.ProgressBar1), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 1000);
    w.ProgressBar1.Max = 369;
    w.ProgressBar1.Value = 100;
    window.Sync();
    SendMessageW(view(w.ProgressBar1), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iHigh, 369);
    EXPECT_EQ(SendMessageW(view(w.ProgressBar1), PBM_GETPOS, 0, 0), 100);

    // Twips at the screen's resolution: 15 twips a pixel at 96 dpi.
    RECT client;
    GetClientRect(window.Handle(), &client);
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(client.right, MulDiv(2850, dpi, 1440));
    EXPECT_EQ(client.bottom, MulDiv(5100, dpi, 1440));

    // The covers lie above what they cover once shown, PleaseWait above them all.
    const auto onTop = [&](const Control& c) {
        RECT r;
        GetWindowRect(view(c), &r);
        HWND top = WindowFromPoint({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        while (top && GetParent(top) != window.Handle()) top = GetParent(top);
        return top;
    };
    EXPECT_EQ(onTop(w.search), view(w.Frame4));
    w.Blanking[3].Visible = true;
    window.Sync();
    EXPECT_EQ(onTop(w.search), view(w.Blanking[3]));
    EXPECT_EQ(onTop(w.Option1[1]), view(w.Frame3));
    w.Blanking[1].Visible = true;  // over the rows' frame, which Tab's order lifts above the buttons'
    window.Sync();
    EXPECT_EQ(onTop(w.Option1[1]), view(w.Blanking[1]));
    w.Blanking[1].Visible = false;
    window.Sync();
    UpdateWindow(window.Handle());
    RedrawWindow(window.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), [&] {
        const HDC dc = GetDC(view(w.Blanking[3]));
        const COLORREF colour = GetPixel(dc, 2, 2);
        ReleaseDC(view(w.Blanking[3]), dc);
        return colour;
    }() ) << "covers are filled with the highlight colour";
    w.PleaseWait.Visible = true;
    window.Sync();
    EXPECT_EQ(onTop(w.search), view(w.PleaseWait));
    EXPECT_EQ(onTop(w.Option1[1]), view(w.PleaseWait));

    // Windows ending the session while nothing is being programmed: no hold, and the
    // program ends with it.
    EXPECT_EQ(SendMessageW(window.Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    EXPECT_FALSE(w.Ended);
    SendMessageW(window.Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_TRUE(w.Ended);
    EXPECT_TRUE(window.Gone());
    EXPECT_FALSE(IsWindowVisible(window.Handle()));
}

TEST_F(Win32WindowTest, OnlyUsableControlsReachTheirHandlersByMouseOrKeyboard) {
    Form_Load(w);
    std::map<std::string, int> calls;
    std::function<void(Bootstrap&)> onLoad;
    const auto counting = [&calls](const char* name) { return [&calls, name](Bootstrap&) { ++calls[name]; }; };
    Win32MainWindow window(w, pump,
                           {.Load = [&](Bootstrap& b) { ++calls["Load"], onLoad ? onLoad(b) : void(); },
                            .search = counting("search"), .Emergency = counting("Emergency"),
                            .ProgramTav = counting("ProgramTav"), .Exit = counting("Exit"),
                            .Option1 = [&](Bootstrap&, std::int16_t i) { ++calls["Option1(" + std::to_string(i) + ")"]; }});
    window.Show(SW_SHOW);
    SetForegroundWindow(window.Handle());
    const auto view = [&window](const Control& c) { return window.WindowOf(c); };
    bool quit = false;
    const auto click = [&](const Control& c) {
        SendMessageW(view(c), BM_CLICK, 0, 0);
        quit = RunMessages(window) || quit;
    };
    const auto tabOrder = [&] {
        std::vector<std::string> names;
        const HWND first = GetNextDlgTabItem(window.Handle(), nullptr, FALSE);
        for (HWND at = first; at && names.size() < 20; at = GetNextDlgTabItem(window.Handle(), at, FALSE)) {
            for (Control* c : w.AllControls())
                if (view(*c) == at) names.push_back(c->Name);
            if (GetNextDlgTabItem(window.Handle(), at, FALSE) == first) break;
        }
        return names;
    };

    for (const Control* c : {&w.Load, &w.Exit}) EXPECT_TRUE(IsWindowEnabled(view(*c))) << c->Name;
    for (const Control* c : {&w.search, &w.ProgramTav, &w.Emergency}) EXPECT_FALSE(IsWindowEnabled(view(*c))) << c->Name;
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(IsWindowVisible(view(w.Option1[i]))) << "row " << i;
        EXPECT_FALSE(IsWindowVisible(view(w.TavType[i]))) << "row " << i;
    }
    EXPECT_EQ(tabOrder(), (std::vector<std::string>{"Load", "Exit"}));

    // Disabled, or enabled but under the search cover: neither a click, nor a stray
    // notification, nor Tab reaches it.
    click(w.ProgramTav);
    click(w.Emergency);
    w.search.Enabled = w.Blanking[3].Visible = true;
    window.Sync();
    EXPECT_FALSE(IsWindowEnabled(view(w.search)));
    click(w.search);
    SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(view(w.search)), BN_CLICKED),
                 reinterpret_cast<LPARAM>(view(w.search)));
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(tabOrder(), (std::vector<std::string>{}));  // Load and Exit lie under the cover too
    w.Blanking[3].Visible = false;
    window.Sync();
    EXPECT_EQ(tabOrder(), (std::vector<std::string>{"search", "Load", "Exit"}));
    click(w.search);
    EXPECT_EQ(calls["search"], 1);

    // The keyboard: space presses the focused button, Enter too.
    SetFocus(view(w.search));
    SendMessageW(view(w.search), WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(view(w.search), WM_KEYUP, VK_SPACE, 0xC0000001);
    RunMessages(window);
    EXPECT_EQ(calls["search"], 2);
    PostMessageW(view(w.search), WM_KEYDOWN, VK_RETURN, 1);
    RunMessages(window);
    EXPECT_EQ(calls["search"], 3);

    // Rows: re-clicking the selected one is no new selection; a covered or disabled one
    // is not selectable, and the buttons show the model's selection whatever was clicked.
    for (int i = 0; i < 4; ++i) w.Option1[i].Visible = w.TavType[i].Visible = true;
    w.Blanking[1].Visible = true;
    w.Option1[3].Enabled = false;
    window.Sync();
    for (int i : {2, 2, 1, 3}) click(w.Option1[i]);
    EXPECT_EQ(calls["Option1(2)"], 1);
    EXPECT_EQ(calls["Option1(1)"] + calls["Option1(3)"], 0);
    EXPECT_EQ(w.Option1[2].Value, 1);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(SendMessageW(view(w.Option1[i]), BM_GETCHECK, 0, 0), i == 2 ? BST_CHECKED : BST_UNCHECKED) << i;

    // Tab follows the screen, rows before the buttons, and passes over what cannot be used.
    w.ProgramTav.Enabled = w.Emergency.Enabled = true;
    window.Sync();
    EXPECT_EQ(tabOrder(), (std::vector<std::string>{"Option1(0)", "Option1(2)", "search", "Emergency", "ProgramTav",
                                                    "Load", "Exit"}));
    w.ProgramTav.Enabled = w.Emergency.Enabled = false;
    w.Blanking[1].Visible = false;
    window.Sync();

    // While a command runs, the other commands' buttons and rows are greyed and take no
    // click; Exit stays usable. Afterwards they are as the model left them.
    std::vector<std::string> usableInside;
    onLoad = [&](Bootstrap& b) {
        const CommandScope command(b);
        OnNextTick([&] {
            window.Sync();  // as the pump does before it sleeps, not always before a timer's turn
            for (const Control* c : {&w.search, &w.Load, &w.Option1[0], &w.Exit})
                if (IsWindowEnabled(view(*c))) usableInside.push_back(c->Name);
            click(w.search);
            click(w.Option1[0]);
        });
        b.Wire.Pause(300);
    };
    click(w.Load);
    EXPECT_EQ(usableInside, std::vector<std::string>{"Exit"});
    EXPECT_EQ(calls["search"] + calls["Option1(0)"], 3);
    for (const Control* c : {&w.search, &w.Load, &w.Option1[0]}) EXPECT_TRUE(IsWindowEnabled(view(*c))) << c->Name;

    // A failure escaping a handler is shown, and the window stays usable.
    onLoad = [](Bootstrap&) { throw std::runtime_error("disk on fire"); };
    dialogs.ExpectBox("Error!", "disk on fire");
    click(w.Load);
    dialogs.VerifyAndClear();

    // Closing the window while a handler waits unwinds the handler, and every later wait.
    bool pastTheWait = false;
    onLoad = [&](Bootstrap& b) {
        OnNextTick([&] { PostMessageW(window.Handle(), WM_CLOSE, 0, 0); });
        b.Wire.Pause(5000), pastTheWait = true;
    };
    click(w.Load);
    EXPECT_EQ(calls["Load"], 3);
    EXPECT_FALSE(pastTheWait);
    EXPECT_TRUE(w.Ended);
    EXPECT_TRUE(window.Gone());
    EXPECT_FALSE(IsWindowVisible(window.Handle()));
    EXPECT_THROW(w.Wire.Pause(10), ProgramEnding);
    EXPECT_TRUE(quit) << "the program's loop ends";
}

// A keyboard-only user: after each command the focus is on the step that comes next, so
// a space works without a Tab first; Tab goes down the screen. A command that greys the
// focused button does not leave the focus where it went meanwhile (Exit), and a timer's
// turn does not take the focus from where the user put it.
TEST_F(Win32WindowTest, TheFocusIsOnTheNextStepAfterEachCommand) {
    Form_Load(w);
    w.search.Enabled = true;
    Win32MainWindow window(w, pump,
                           {// As a load cancelled in the file dialog leaves the window.
                            .Load = [](Bootstrap& b) { const CommandScope c(b); ResetDisplay(b), b.Wire.Pause(30); },
                            // As a search that finds a tav for the file on COM2 does.
                            .search =
                                [](Bootstrap& b) {
                                    const CommandScope c(b);
                                    b.Blanking[3].Visible = true;
                                    b.Wire.Pause(30);
                                    for (auto& row : b.Option1) row.Value = 0, row.Visible = true;
                                    for (int i = 0; i < 4; ++i) b.Option1[i].Enabled = i == 1;
                                    b.ProgramTav.Enabled = false;
                                    b.Blanking[3].Visible = false;
                                },
                            .Option1 = [](Bootstrap& b, std::int16_t) { b.ProgramTav.Enabled = true; }});
    window.Show(SW_SHOW);
    SetForegroundWindow(window.Handle());
    const auto focused = [&]() -> std::string {
        for (Control* c : w.AllControls())
            if (window.WindowOf(*c) == GetFocus()) return c->Name;
        return "none";
    };
    const auto key = [&](WPARAM k) {
        const HWND to = GetFocus();
        PostMessageW(to, WM_KEYDOWN, k, 1);
        PostMessageW(to, WM_KEYUP, k, 0xC0000001);
        RunMessages(window);
    };
    EXPECT_EQ(focused(), "search") << "at start-up";

    key(VK_SPACE);
    EXPECT_EQ(focused(), "Option1(1)") << "the row the search found";
    key(VK_SPACE);
    EXPECT_EQ(w.Option1[1].Value, 1);
    EXPECT_EQ(focused(), "Option1(1)");

    // Searching again unchecks the row, which Windows takes for "no tab stop": Tab still
    // comes round to it.
    std::vector<std::string> tabbed;
    key(VK_TAB), tabbed.push_back(focused());
    key(VK_SPACE), tabbed.push_back(focused());
    for (int i = 0; i < 4; ++i) key(VK_TAB), tabbed.push_back(focused());
    EXPECT_EQ(tabbed, (std::vector<std::string>{"search", "Option1(1)", "search", "Load", "Exit", "Option1(1)"}));

    key(VK_SPACE);
    tabbed.clear();
    for (int i = 0; i < 3; ++i) key(VK_TAB), tabbed.push_back(focused());
    EXPECT_EQ(tabbed, (std::vector<std::string>{"search", "ProgramTav", "Load"}));

    key(VK_SPACE);  // Load, cancelled: only Load and Exit are left
    EXPECT_FALSE(w.Option1[1].Visible);
    EXPECT_EQ(focused(), "Load");

    key(VK_TAB);
    SendMessageW(window.Handle(), WM_TIMER, 1, 0);  // the model's timers' turn
    EXPECT_EQ(focused(), "Exit");
}

// Texts the window hands to Windows or takes from it: program texts in UTF-16, the
// open-file filter, the command line.
TEST(Win32WindowTexts, ShownTextsFileFiltersAndTheCommandLine) {
    const std::vector<std::pair<std::string, std::wstring>> shown = {
        {"Tav model 05 2.5", L"Tav model 05 2.5"},
        {"M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x98\x80", L"M\u00FCller \u20AC \U0001F600"},  // surrogate pair
        {"M\xFCller", L"M\u00FCller"},                                                  // Latin-1
        {"Close and exit  vantrel", L"Close and exit  vantrel"},
    };
    for (const auto& [bytes, text] : shown) EXPECT_EQ(ShownWide(bytes), text) << bytes;

    const std::vector<std::pair<std::string, std::string>> filters = {
        {"PHX (*.PHX)| *.phx", Bytes("PHX (*.PHX)\0*.phx\0\0")},
        {"Fw| *.phx; *.hex |All|*.*", Bytes("Fw\0*.phx;*.hex\0All\0*.*\0\0")},
        {"Anything|", Bytes("Anything\0*.*\0\0")},
    };
    for (const auto& [filter, want] : filters) EXPECT_EQ(ToOpenFileFilter(filter), want) << filter;

    EXPECT_EQ(AfterProgramName("\"C:\\Program Files\\vantrel.exe\"  \"C:\\fw\\QX 4.PHX\""), "\"C:\\fw\\QX 4.PHX\"");
    EXPECT_EQ(AfterProgramName("vantrel.exe C:\\fw\\a.PHX extra"), "C:\\fw\\a.PHX extra");
    EXPECT_EQ(AfterProgramName("vantrel.exe"), "");
}

}  // namespace
}  // namespace vantrel::test
