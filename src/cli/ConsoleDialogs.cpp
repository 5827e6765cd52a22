#include "cli/ConsoleDialogs.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "cli/ConsoleOutput.h"
#include "cli/InterruptWatch.h"
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
    return Latin1ToUtf8(line);
}

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

ConsoleDialogs::ConsoleDialogs(ConsoleOutput& output, Answering answering, const InterruptWatch& interrupts,
                               TraceLog* trace, int stdinFd)
    : output_(output), answering_(answering), interrupts_(interrupts), trace_(trace), stdinFd_(stdinFd) {}

BoxAnswer ConsoleDialogs::MsgBox(const std::string& text, BoxStyle style, const std::string& title) {
    if (trace_) trace_->Write("box " + OneLine(title + ": " + text));
    output_.ShowBox(title, text, style);
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
        } else if (::isatty(stdinFd_)) {
            answer = AskTerminal(how);
        } else {
            answer = BoxAnswer::Cancel;
            how = "no terminal";
        }
        output_.AnswerBox(title, text, answer, how);
        if (trace_) trace_->Write(std::string("answer ") + (answer == BoxAnswer::Ok ? "OK" : "Cancel") + " (" + how + ")");
    }
    shown_.push_back({title, text, style, answer});
    return answer;
}

std::string ConsoleDialogs::ShowOpen(const std::string&, bool) { return {}; }

BoxAnswer ConsoleDialogs::AskTerminal(std::string& how) {
    how = "terminal";
    for (;;) {
        output_.Prompt("OK or Cancel? [ok/cancel] ");
        std::string line;
        if (!ReadAnswerLine(line)) {
            output_.Prompt("\n");
            how = interrupts_.Count() > 0 ? "interrupted" : "end of input";
            return BoxAnswer::Cancel;
        }
        const std::string word = Lower(Trim(line));
        if (word == "ok" || word == "o" || word == "yes" || word == "y") return BoxAnswer::Ok;
        if (word == "cancel" || word == "c" || word == "no" || word == "n") return BoxAnswer::Cancel;
    }
}

bool ConsoleDialogs::ReadAnswerLine(std::string& line) {
    // Byte by byte, so nothing after the line is taken from the terminal; poll also
    // watches the signal pipe, so Ctrl-C at the prompt answers Cancel at once.
    for (;;) {
        if (interrupts_.Count() > 0) return false;
        pollfd fds[2] = {{stdinFd_, POLLIN, 0}, {interrupts_.WakeFd(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (fds[1].revents & POLLIN) return false;
        if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char c = 0;
        const ssize_t n = ::read(stdinFd_, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        if (c == '\n') return true;
        line += c;
    }
}

}  // namespace vantrel::cli
