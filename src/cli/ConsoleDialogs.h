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
class InterruptWatch;
class TraceLog;

struct ShownBox {
    std::string title;
    std::string text;
    BoxStyle style;
    BoxAnswer answer;
};

class ConsoleDialogs : public Dialogs {
public:
    // stdinFd: where a terminal's answer is read (a terminal only when isatty says so).
    ConsoleDialogs(ConsoleOutput& output, Answering answering, const InterruptWatch& interrupts,
                   TraceLog* trace, int stdinFd = 0);

    BoxAnswer MsgBox(const std::string& text, BoxStyle style, const std::string& title) override;
    std::string ShowOpen(const std::string& filter, bool fileMustExist) override;

    const std::vector<ShownBox>& Shown() const { return shown_; }

private:
    BoxAnswer AskTerminal(std::string& how);
    // One line from the terminal; false on end of input or an interruption.
    bool ReadAnswerLine(std::string& line);

    ConsoleOutput& output_;
    Answering answering_;
    const InterruptWatch& interrupts_;
    TraceLog* trace_;
    int stdinFd_;
    std::vector<ShownBox> shown_;
};

}  // namespace vantrel::cli
