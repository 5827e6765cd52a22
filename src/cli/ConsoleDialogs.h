#pragma once
// The core's message boxes on a console. Every box is printed; questions are answered
// by --yes/--no, else asked on the terminal, else (no terminal) answered Cancel. The
// open-file dialog is never shown here: the console always names its file.
// Every box is also kept, so the session can tell an outcome from what the core said.

#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "cli/CliOptions.h"

namespace vantrel::cli {

class ConsoleOutput;
class InterruptSource;
class TerminalReader;
class TraceLog;

struct ShownBox {
    std::string title;
    std::string text;
    BoxStyle style;
    BoxAnswer answer;
};

class ConsoleDialogs : public Dialogs {
public:
    // terminal: where an answer is read, when standard input is a terminal.
    ConsoleDialogs(ConsoleOutput& output, Answering answering, InterruptSource& interrupts,
                   TerminalReader& terminal, bool stdinIsTerminal, TraceLog* trace);

    BoxAnswer MsgBox(const std::string& text, BoxStyle style, const std::string& title) override;
    std::string ShowOpen(const std::string& filter, bool fileMustExist) override;

    const std::vector<ShownBox>& Shown() const { return shown_; }

private:
    BoxAnswer AskTerminal(std::string& how);

    ConsoleOutput& output_;
    Answering answering_;
    InterruptSource& interrupts_;
    TerminalReader& terminal_;
    bool stdinIsTerminal_;
    TraceLog* trace_;
    std::vector<ShownBox> shown_;
};

}  // namespace vantrel::cli
