#include "cli/win32/ConsoleCtrlInterrupts.h"

#include <windows.h>

#include <atomic>
#include <stdexcept>

namespace vantrel::cli {
namespace {

// Shared with the handler's thread.
std::atomic<int> gCount{0};
std::atomic<bool> gNoticed{false};
HANDLE gEvent = nullptr;
std::atomic<const std::string*> gLastWords{nullptr};
std::atomic<bool> gLastWordsOnStdout{false};
std::atomic<int> gExitStatus{-1};  // -1: end as Ctrl-C itself would

BOOL WINAPI OnConsoleCtrl(DWORD) {
    if (!gNoticed) {
        // Nothing in the program would look at the count now: end here. Without last
        // words, Windows' own handler ends the process (STATUS_CONTROL_C_EXIT).
        const std::string* words = gLastWords;
        if (words == nullptr) return FALSE;
        // Each event comes on a thread of its own: should the last words block (a reader
        // that stopped reading), the next Ctrl-C ends the process without them.
        static std::atomic<bool> ending{false};
        if (ending.exchange(true)) TerminateProcess(GetCurrentProcess(), static_cast<UINT>(gExitStatus.load()));
        DWORD written = 0;
        WriteFile(GetStdHandle(gLastWordsOnStdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE), words->data(),
                  static_cast<DWORD>(words->size()), &written, nullptr);
        TerminateProcess(GetCurrentProcess(), static_cast<UINT>(gExitStatus.load()));
        return TRUE;
    }
    ++gCount;
    SetEvent(gEvent);
    return TRUE;
}

}  // namespace

ConsoleCtrlInterrupts::ConsoleCtrlInterrupts() {
    if (gEvent != nullptr) throw std::logic_error("only one ConsoleCtrlInterrupts at a time");
    gEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (gEvent == nullptr) throw std::runtime_error("cannot create the interruption event");
    gCount = 0;
    gNoticed = false;
    gLastWords = nullptr;
    gExitStatus = -1;
    SetConsoleCtrlHandler(OnConsoleCtrl, TRUE);
}

ConsoleCtrlInterrupts::~ConsoleCtrlInterrupts() {
    SetConsoleCtrlHandler(OnConsoleCtrl, FALSE);
    gLastWords = nullptr;
    CloseHandle(gEvent);
    gEvent = nullptr;
}

int ConsoleCtrlInterrupts::Count() const { return gCount; }

bool ConsoleCtrlInterrupts::Noticed() const { return gNoticed; }

void ConsoleCtrlInterrupts::SetNoticed(bool noticed) { gNoticed = noticed; }

void ConsoleCtrlInterrupts::EndAtOnceWith(std::string lastWords, bool onStdout, int exitStatus) {
    // The handler must never see a half-changed text: it is unhooked while it changes.
    gLastWords = nullptr;
    lastWords_ = std::move(lastWords);
    gLastWordsOnStdout = onStdout;
    gExitStatus = exitStatus;
    gLastWords = &lastWords_;
}

void* ConsoleCtrlInterrupts::WaitEvent() const { return gEvent; }

}  // namespace vantrel::cli
