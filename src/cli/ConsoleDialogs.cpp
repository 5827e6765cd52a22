#include "cli/ConsoleDialogs.h"

#include <algorithm>
#include <cctype>

#include "registry/DisplayText.h"
#include "cli/ConsoleOutput.h"
#include "cli/InterruptSource.h"
#include "cli/TerminalReader.h"
#include "cli/TraceLog.h"

namespace vantrel::cli {
namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

// A box on one trace line: its line breaks written as \r\n.
std::string OneLine(const std::string& text) {
    std::string line;
    for (char c : text) {
        if (c == '\r') line += "\\r";
        else if (c == '\n') line += "\\n";
        else line += c;
    }
    return DisplayUtf8(line);
}

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

ConsoleDialogs::ConsoleDialogs(ConsoleOutput& output, Answering answering, InterruptSource& interrupts,
                               TerminalReader& terminal, bool stdinIsTerminal, TraceLog* trace)
    : output_(output), answering_(answering), interrupts_(interrupts), terminal_(terminal),
      stdinIsTerminal_(stdinIsTerminal), trace_(trace) {}

void TellBox(ConsoleOutput& output, TraceLog* trace, std::optional<int> port, const std::string& title,
             const std::string& text) {
    if (trace) trace->Write(PortPrefix(port) + "box " + OneLine(title + ": " + text));
    output.ShowBox(title, text, BoxStyle::OkExclamation, port);
}

BoxAnswer ConsoleDialogs::MsgBox(const std::string& text, BoxStyle style, const std::string& title) {
    if (style == BoxStyle::OkExclamation) {
        TellBox(output_, trace_, port_, title, text);
        return BoxAnswer::Ok;
    }
    if (trace_) trace_->Write(PortPrefix(port_) + "box " + OneLine(title + ": " + text));
    output_.ShowBox(title, text, style, port_);
    BoxAnswer answer = BoxAnswer::Ok;
    if (style == BoxStyle::OkCancel) {
        std::string how;
        if (interrupts_.Count() > 0) {
            answer = BoxAnswer::Cancel;
            how = "interrupted";
        } else if (answering_ == Answering::AlwaysOk) {
            how = "--yes";
        } else if (answering_ == Answering::AlwaysCancel) {
            answer = BoxAnswer::Cancel;
            how = "--no";
        } else if (stdinIsTerminal_) {
            answer = AskTerminal(how);
        } else {
            answer = BoxAnswer::Cancel;
            how = "no terminal";
        }
        output_.AnswerBox(title, text, answer, how, port_);
        if (trace_)
            trace_->Write(PortPrefix(port_) + "answer " + (answer == BoxAnswer::Ok ? "OK" : "Cancel") + " (" + how + ")");
    }
    return answer;
}

std::string ConsoleDialogs::ShowOpen(const std::string&, bool) { return {}; }

BoxAnswer ConsoleDialogs::AskTerminal(std::string& how) {
    how = "terminal";
    for (;;) {
        output_.Prompt("OK or Cancel? [ok/cancel] ");
        std::string line;
        // Ctrl-C at the prompt answers Cancel at once.
        bool answered = false;
        if (interrupts_.Count() == 0) {
            InterruptsNoticed noticed(interrupts_);
            answered = terminal_.ReadLine(line);
        }
        if (!answered) {
            output_.Prompt("\n");
            how = interrupts_.Count() > 0 ? "interrupted" : "end of input";
            return BoxAnswer::Cancel;
        }
        const std::string word = Lower(Trim(line));
        if (word == "ok" || word == "o" || word == "yes" || word == "y") return BoxAnswer::Ok;
        if (word == "cancel" || word == "c" || word == "no" || word == "n") return BoxAnswer::Cancel;
    }
}

}  // namespace vantrel::cli
