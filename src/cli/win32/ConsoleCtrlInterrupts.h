#pragma once
// Interruptions on Windows: Ctrl-C, Ctrl-Break and the console window closing, through
// SetConsoleCtrlHandler. The handler runs on a thread of its own: while the event loop
// notices interruptions it only counts and sets an event that the pump waits on, so a
// blocking wait returns at once; otherwise it writes the last words and ends the process.

#include <string>

#include "cli/InterruptSource.h"
#include "win32/Win32EventPump.h"

namespace vantrel::cli {

class ConsoleCtrlInterrupts : public InterruptSource, public Win32WaitSource {
public:
    // Installs the handler; only one may exist at a time.
    ConsoleCtrlInterrupts();
    ~ConsoleCtrlInterrupts() override;  // removes it
    ConsoleCtrlInterrupts(const ConsoleCtrlInterrupts&) = delete;
    ConsoleCtrlInterrupts& operator=(const ConsoleCtrlInterrupts&) = delete;

    int Count() const override;
    bool Noticed() const override;
    void SetNoticed(bool noticed) override;
    void EndAtOnceWith(std::string lastWords, bool onStdout, int exitStatus) override;

    // Set (auto-reset) when an interruption has come while noticed.
    void* WaitEvent() const override;
    void OnSignalled() override {}  // waking is all it is for: the session reads Count

private:
    std::string lastWords_;
};

}  // namespace vantrel::cli
