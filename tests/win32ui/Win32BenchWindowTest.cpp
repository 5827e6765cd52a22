// The bench window under Wine over a bench model whose slots run on virtual lines: each
// state read back from the status controls as automation reads it (WM_GETTEXT), with its
// colour; the commands' buttons usable exactly when the model allows them; a second click
// that starts nothing; the keyboard; and closing, which waits for the transfers to stop.

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/Commands.h"
#include "bench/BenchModel.h"
#include "sim/PhxWriter.h"
#include "support/ScratchRegistry.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/VirtualPortThread.h"
#include "win32/Win32EventPump.h"
#include "win32/Win32SerialPort.h"
#include "win32ui/BenchControlIds.h"
#include "win32ui/Win32BenchWindow.h"

namespace vantrel::test {
namespace {

namespace ids = bench_ids;
using namespace std::chrono_literals;

constexpr int kRecords = 120;
// Two seconds into a thread's virtual time a transfer is a third through; a search has
// long ended by then. One millisecond in, a search is under way.
constexpr Instant kMidTransfer = 2s;
constexpr Instant kMidSearch = 1ms;

// Holds a slot's thread inside one of its waits until the test lets it go on: a transfer
// caught half-way.
class Gate {
public:
    void Hold() {
        std::unique_lock lock(mutex_);
        held_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
    }
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false, open_ = false;
};

class Win32BenchWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
    }

    Win32BenchWindowTest() {
        std::vector<sim::PhxRecord> records;
        for (int i = 0; i < kRecords; ++i) {
            sim::PhxRecord r{static_cast<std::uint16_t>(i * 16), {}};
            for (int b = 0; b < 16; ++b) r.data[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(i + b);
            records.push_back(r);
        }
        file_ = (dir_.Path() / "fw.phx").string();
        std::ofstream(file_, std::ios::binary) << sim::WritePhx("Tav model 00", "2.5", records);
    }

    ~Win32BenchWindowTest() override {
        gate_.Open();
        window_.reset();
        model_.reset();
    }

    // The bench over `lines` (each slot thread's line, equipped alike); COM4 has no device.
    // `holdAt`: every slot's thread is held at this instant of its virtual time until the
    // gate opens (if it still runs then).
    void Open(std::function<void(SimLine&)> lines, std::optional<Instant> holdAt = std::nullopt) {
        const StartPortThread threads = VirtualPortThreads([this, lines, holdAt](SimLine& line) {
            lines(line);
            if (holdAt) line.pump.Schedule(*holdAt, [this] { gate_.Hold(); });
        });
        const BenchPlatform platform{port_, pump_, dialogs_, registry_, threads, nullptr, [](int comPort) {
                                         return comPort == 4 ? std::string() : "COM" + std::to_string(comPort);
                                     }};
        model_ = std::make_unique<BenchModel>(platform);
        window_ = std::make_unique<Win32BenchWindow>(*model_);
        window_->Show(SW_SHOW);
        SetForegroundWindow(window_->Handle());
        window_->Begin();
        RunMessages();
    }

    HWND Item(int id) const { return GetDlgItem(window_->Handle(), id); }
    std::wstring Text(int id) const {
        wchar_t text[512] = {};
        SendMessageW(Item(id), WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
        return text;
    }
    std::wstring Status(int comPort) const { return Text(ids::Slot(comPort, ids::kSlotStatus)); }
    bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
    bool Checked(int id) const { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    // The buttons usable now, by ID, in the order of the IDs.
    std::vector<int> UsableCommands() const {
        std::vector<int> usable;
        for (const int id : {ids::kLoad, ids::kProgramAll, ids::kWatch, ids::kRetryFailed, ids::kStop, ids::kExit})
            if (Enabled(id)) usable.push_back(id);
        return usable;
    }
    // The status's background as the window paints it.
    COLORREF Background(int comPort) const {
        const HDC dc = CreateCompatibleDC(nullptr);
        SendMessageW(window_->Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(Item(ids::Slot(comPort, ids::kSlotStatus))));
        const COLORREF colour = GetBkColor(dc);
        DeleteDC(dc);
        return colour;
    }

    // Runs the thread's queued messages as the program's loop would; whether WM_QUIT came.
    bool RunMessages() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) return quit_ = true;
            window_->Dispatch(message);
        }
        return false;
    }
    void Click(int id) {
        SendMessageW(Item(id), BM_CLICK, 0, 0);
        RunMessages();
    }
    // Runs messages until `done` (at most 20 s).
    void WaitUntil(const char* what, const std::function<bool()>& done) {
        const auto until = std::chrono::steady_clock::now() + 20s;
        while (!done()) {
            ASSERT_LT(std::chrono::steady_clock::now(), until) << "waiting for " << what;
            RunMessages();
            std::this_thread::sleep_for(2ms);
        }
    }
    void WaitForStatus(int comPort, const std::wstring& prefix) {
        WaitUntil("a status", [&] { return Status(comPort).rfind(prefix, 0) == 0; });
        EXPECT_EQ(Status(comPort).substr(0, prefix.size()), prefix) << "COM" << comPort;
    }
    void LoadTheFile() {
        dialogs_.ExpectOpen(file_);
        Click(ids::kLoad);
        dialogs_.VerifyAndClear();
    }

    Win32EventPump pump_;
    Win32SerialPort port_{pump_};
    ScriptedDialogs dialogs_;
    ScratchRegistry registry_;
    TempDir dir_;
    std::string file_;
    Gate gate_;
    std::unique_ptr<BenchModel> model_;
    std::unique_ptr<Win32BenchWindow> window_;
    bool quit_ = false;
};

// COM1 a tav to program (2.0), COM2 held by another program, COM3 a tav already up to
// date (2.5); COM4 has no device.
void MixedBench(SimLine& line) {
    line.AttachTav(1, {.major = 2, .minor = 0});
    line.AttachTav(2);
    line.port.SetBusy(2, true);
    line.AttachTav(3);
}

const COLORREF kGrey = RGB(228, 228, 228), kBlue = RGB(198, 222, 255), kGreen = RGB(190, 236, 190),
               kRed = RGB(255, 196, 196);

TEST_F(Win32BenchWindowTest, EachStateReadsBackWithItsColourAndTheCommandsItAllows) {
    Open(MixedBench, kMidTransfer);
    wchar_t title[64] = {};
    GetWindowTextW(window_->Handle(), title, 64);
    EXPECT_EQ(std::wstring(title), L"Vantrel Bench");
    EXPECT_EQ(Text(ids::kFile), L"No file loaded");
    const std::vector<std::wstring> devices = {L"COM1", L"COM2", L"COM3", L"no device"};
    for (int n = 1; n <= 4; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(Text(ids::Slot(n, ids::kSlotArmed)), L"COM" + std::to_wstring(n));
        EXPECT_TRUE(Checked(ids::Slot(n, ids::kSlotArmed)));
        EXPECT_TRUE(Enabled(ids::Slot(n, ids::kSlotArmed)));
        EXPECT_EQ(Text(ids::Slot(n, ids::kSlotDevice)), devices[static_cast<std::size_t>(n - 1)]);
        EXPECT_EQ(Status(n), n == 4 ? L"No port" : L"Waiting for a tav");
        EXPECT_EQ(Background(n), kGrey);
        EXPECT_EQ(Text(ids::Slot(n, ids::kSlotCounts)), L"0 programmed, 0 failed");
    }
    EXPECT_EQ(UsableCommands(), (std::vector<int>{ids::kLoad, ids::kExit}));
    EXPECT_EQ(Text(ids::kTotal), L"Since the window opened: 0 programmed, 0 failed, 0 left alone");

    LoadTheFile();
    EXPECT_EQ(Text(ids::kFile).rfind(L"Tav model 00   version 2.5   120 records   SHA-256 ", 0), 0u) << Text(ids::kFile);
    EXPECT_EQ(UsableCommands(), (std::vector<int>{ids::kLoad, ids::kProgramAll, ids::kWatch, ids::kExit}));

    // Program all: the search finds the tav up to date on COM3 and asks; COM1 is
    // programmed, caught a third through.
    SetFocus(Item(ids::kProgramAll));
    dialogs_.ExpectBox("Program all", "This tav is up to date:\r\nCOM3: Tav model 00 2.5\r\n\r\nReprogram it too?",
                       BoxAnswer::Cancel);
    Click(ids::kProgramAll);
    WaitForStatus(1, L"Programming ");
    const std::wstring programming = Status(1);
    const int percent = std::stoi(programming.substr(12));
    EXPECT_EQ(programming, L"Programming " + std::to_wstring(percent) + L"%");
    EXPECT_GT(percent, 0);
    EXPECT_LT(percent, 100);
    EXPECT_EQ(SendMessageW(Item(ids::Slot(1, ids::kSlotProgress)), PBM_GETPOS, 0, 0), percent);
    EXPECT_EQ(Background(1), kBlue);
    EXPECT_EQ(Status(2), L"In use by another program");
    EXPECT_EQ(Status(3), L"Up to date: Tav model 00 2.5");
    EXPECT_EQ(Status(4), L"No port");
    for (const int n : {2, 3, 4}) EXPECT_EQ(Background(n), kGrey) << n;
    EXPECT_EQ(UsableCommands(), (std::vector<int>{ids::kStop, ids::kExit}));
    for (int n = 1; n <= 4; ++n) EXPECT_FALSE(Enabled(ids::Slot(n, ids::kSlotArmed))) << n;
    EXPECT_EQ(GetFocus(), Item(ids::kStop)) << "the focus left the greyed buttons for the first usable one";

    // A second click, even one that reaches the window past the greyed button, starts
    // nothing: no second search, no second question.
    Click(ids::kProgramAll);
    SendMessageW(window_->Handle(), WM_COMMAND, MAKEWPARAM(ids::kProgramAll, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Item(ids::kProgramAll)));
    RunMessages();
    EXPECT_EQ(Status(3), L"Up to date: Tav model 00 2.5");
    dialogs_.VerifyAndClear();

    gate_.Open();
    WaitForStatus(1, L"Programmed: 120 records");
    WaitUntil("the bench idle", [&] { return Enabled(ids::kProgramAll); });
    EXPECT_EQ(SendMessageW(Item(ids::Slot(1, ids::kSlotProgress)), PBM_GETPOS, 0, 0), 100);
    EXPECT_EQ(Background(1), kGreen);
    EXPECT_EQ(Text(ids::Slot(1, ids::kSlotCounts)), L"1 programmed, 0 failed");
    EXPECT_EQ(Text(ids::kTotal), L"Since the window opened: 1 programmed, 0 failed, 1 left alone");
    EXPECT_EQ(UsableCommands(), (std::vector<int>{ids::kLoad, ids::kProgramAll, ids::kWatch, ids::kExit}));
    EXPECT_EQ(GetFocus(), Item(ids::kProgramAll)) << "the focus is back where it was";

    // Windows ending the session while nothing runs: no hold, and the window goes with it.
    EXPECT_EQ(SendMessageW(window_->Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    EXPECT_FALSE(window_->Gone());
    SendMessageW(window_->Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_TRUE(window_->Gone());
    EXPECT_TRUE(RunMessages()) << "the program's loop ends";
}

TEST_F(Win32BenchWindowTest, SearchingOtherTypeAndFailureAndOnlyArmedFailedSlotsAreRetried) {
    // COM1: every record refused, the transfer fails at the first after its seven
    // attempts. COM2: a tav of another type.
    Open(
        [](SimLine& line) {
            line.AttachTav(1, {.major = 2, .minor = 0}, {.wrongAckRecords = 1000});
            line.AttachTav(2, {.replyCode = 0x22});
        },
        kMidSearch);
    LoadTheFile();
    Click(ids::kProgramAll);
    WaitForStatus(1, L"Searching");
    WaitForStatus(2, L"Searching");
    EXPECT_EQ(Status(1), L"Searching");
    EXPECT_EQ(Background(1), kBlue);
    EXPECT_EQ(Status(3), L"No port") << "no port to search";
    gate_.Open();

    WaitForStatus(1, L"Failed: record 1 of 120 was refused after its seven attempts");
    WaitUntil("the bench idle", [&] { return Enabled(ids::kProgramAll); });
    EXPECT_EQ(Background(1), kRed);
    EXPECT_EQ(Text(ids::Slot(1, ids::kSlotCounts)), L"0 programmed, 1 failed");
    EXPECT_EQ(Status(2), L"Other type: Tav model 01");
    EXPECT_EQ(Background(2), kGrey);
    EXPECT_EQ(Status(4), L"No port");
    EXPECT_EQ(Text(ids::kTotal), L"Since the window opened: 0 programmed, 1 failed, 1 left alone");
    EXPECT_EQ(UsableCommands(),
              (std::vector<int>{ids::kLoad, ids::kProgramAll, ids::kWatch, ids::kRetryFailed, ids::kExit}));

    // COM1 disarmed: nothing failed is left to retry; armed again, it is.
    Click(ids::Slot(1, ids::kSlotArmed));
    EXPECT_FALSE(Checked(ids::Slot(1, ids::kSlotArmed)));
    EXPECT_FALSE(Enabled(ids::kRetryFailed));
    Click(ids::Slot(1, ids::kSlotArmed));
    EXPECT_TRUE(Checked(ids::Slot(1, ids::kSlotArmed)));
    EXPECT_TRUE(Enabled(ids::kRetryFailed));

    // Retry failed warns first, as the emergency search does; cancelled, nothing runs.
    dialogs_.ExpectBox("Warning", EmergencyWarning(), BoxAnswer::Cancel);
    Click(ids::kRetryFailed);
    dialogs_.VerifyAndClear();
    EXPECT_EQ(Status(1), L"Failed: record 1 of 120 was refused after its seven attempts");
    EXPECT_TRUE(Enabled(ids::kProgramAll));
}

TEST_F(Win32BenchWindowTest, TheKeyboardGoesDownTheSlotsThenTheButtonsAndSpacePresses) {
    Open([](SimLine&) {});
    LoadTheFile();
    const auto key = [&](WPARAM k) {
        const HWND to = GetFocus();
        PostMessageW(to, WM_KEYDOWN, k, 1);
        PostMessageW(to, WM_KEYUP, k, 0xC0000001);
        RunMessages();
    };
    SetFocus(Item(ids::kLoad));
    std::vector<int> tabbed{GetDlgCtrlID(GetFocus())};
    for (int i = 0; i < 8; ++i) key(VK_TAB), tabbed.push_back(GetDlgCtrlID(GetFocus()));
    EXPECT_EQ(tabbed, (std::vector<int>{ids::kLoad, ids::Slot(1, ids::kSlotArmed), ids::Slot(2, ids::kSlotArmed),
                                        ids::Slot(3, ids::kSlotArmed), ids::Slot(4, ids::kSlotArmed), ids::kProgramAll,
                                        ids::kWatch, ids::kExit, ids::kLoad}));

    // Space on a slot's check box disarms it in the model; on Watch, the watch starts and
    // the toggle shows it down; again, it stops.
    SetFocus(Item(ids::Slot(2, ids::kSlotArmed)));
    key(VK_SPACE);
    EXPECT_FALSE(model_->View().slots[1].armed);
    EXPECT_FALSE(Checked(ids::Slot(2, ids::kSlotArmed)));
    SetFocus(Item(ids::kWatch));
    key(VK_SPACE);
    EXPECT_TRUE(model_->View().watching);
    EXPECT_TRUE(Checked(ids::kWatch));
    EXPECT_EQ(UsableCommands(), (std::vector<int>{ids::kWatch, ids::kStop, ids::kExit}));
    EXPECT_EQ(GetFocus(), Item(ids::kWatch));
    key(VK_SPACE);
    WaitUntil("the watch ended", [&] { return Enabled(ids::kProgramAll); });
    EXPECT_FALSE(Checked(ids::kWatch));

    // Exit while watching: the window goes once the watch has ended.
    key(VK_SPACE);
    EXPECT_TRUE(Checked(ids::kWatch));
    SetFocus(Item(ids::kExit));
    key(VK_SPACE);
    WaitUntil("the window gone", [&] { return window_->Gone(); });
    EXPECT_TRUE(quit_) << "the program's loop ends";
}

TEST_F(Win32BenchWindowTest, WindowsEndingTheSessionMidTransferWaitsForTheTransferToStop) {
    Open([](SimLine& line) { line.AttachTav(1, {.major = 2, .minor = 0}); }, kMidTransfer);
    LoadTheFile();
    Click(ids::kProgramAll);
    WaitForStatus(1, L"Programming ");

    // Windows ending the session is held while the transfer stops; the close box after it
    // changes nothing more. Nothing may be used meanwhile.
    EXPECT_EQ(SendMessageW(window_->Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), FALSE);
    PostMessageW(window_->Handle(), WM_CLOSE, 0, 0);
    RunMessages();
    EXPECT_FALSE(window_->Gone());
    EXPECT_TRUE(UsableCommands().empty());

    // The session ends after all: the transfer stops at its next record boundary, there
    // and then, and the window goes.
    std::thread later([this] {
        std::this_thread::sleep_for(50ms);
        gate_.Open();
    });
    SendMessageW(window_->Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    later.join();
    EXPECT_TRUE(window_->Gone());
    EXPECT_TRUE(RunMessages()) << "the program's loop ends";
    EXPECT_EQ(model_->View().slots[0].status.rfind("Failed: stopped by the user (", 0), 0u)
        << model_->View().slots[0].status;
    EXPECT_TRUE(model_->ReadyToClose());
}

}  // namespace
}  // namespace vantrel::test
