#pragma once
// The core's message boxes on a console. Every box is printed; questions are answered
// by --yes/--no, else asked on the terminal, else (no terminal) answered Cancel. The
// open-file dialog is never shown here: the console always names its file.

#include <optional>
#include <string>

#include "app/Dialogs.h"
#include "cli/CliOptions.h"

namespace vantrel::cli {

class ConsoleOutput;
class InterruptSource;
class TerminalReader;
class TraceLog;

class ConsoleDialogs : public Dialogs {
public:
    // terminal: where an answer is read, when standard input is a terminal.
    ConsoleDialogs(ConsoleOutput& output, Answering answering, InterruptSource& interrupts,
                   TerminalReader& terminal, bool stdinIsTerminal, TraceLog* trace);

    BoxAnswer MsgBox(const std::string& text, BoxStyle style, const std::string& title) override;
    std::string ShowOpen(const std::string& filter, bool fileMustExist) override;

    // The boxes shown from now on concern this one of several tavs (none: the run's own).
    void SetPort(std::optional<int> port) { port_ = port; }


private:
    BoxAnswer AskTerminal(std::string& how);

    ConsoleOutput& output_;
    Answering answering_;
    InterruptSource& interrupts_;
    TerminalReader& terminal_;
    bool stdinIsTerminal_;
    TraceLog* trace_;
    std::optional<int> port_;
};

// An outcome box as the console shows it (on its line, and in the trace), from any
// thread: what a tav's transfer tells while it runs.
void TellBox(ConsoleOutput& output, TraceLog* trace, std::optional<int> port, const std::string& title,
             const std::string& text);

}  // namespace vantrel::cli
