#pragma once
// Everything vantrel-cli tells its user or its script: message boxes, the loaded file,
// result rows, progress, notes and the outcome. Plain lines for people, or one JSON
// object per line for scripts (--json). The core's texts are bytes; they are shown as
// UTF-8 when they are valid UTF-8 and as Latin-1 otherwise (DisplayUtf8), so a terminal
// shows them and JSON stays valid.

#include <cstdio>
#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <string>

#include "app/Dialogs.h"
#include "cli/ExitCodes.h"

namespace vantrel::cli {

class ConsoleOutput {
public:
    // progressBar: draw progress as one redrawn line (standard output is a terminal);
    // otherwise one line per whole percent.
    ConsoleOutput(bool json, bool progressBar, std::FILE* out = stdout, std::FILE* err = stderr);

    bool Json() const { return json_; }

    // A box as the core shows it. Questions are written out in JSON only once answered.
    void ShowBox(const std::string& title, const std::string& text, BoxStyle style);
    // how: "terminal", "--yes", "--no", "no terminal", "interrupted".
    void AnswerBox(const std::string& title, const std::string& text, BoxAnswer answer,
                   const std::string& how);
    // A question on the terminal: the prompt, on standard error.
    void Prompt(const std::string& text);

    void File(const std::string& target, const std::string& version, int records);
    void Row(int port, const std::string& text, bool selectable, float version);
    // A search after which no COM port showed a row (people only: no rows says it in JSON).
    void NoRows();
    void Progress(int sent, int total, const std::string& percentText);
    // Closes the progress line, if one is open.
    void EndProgress();
    // A remark of the front-end itself (not of the core), on standard error.
    void Note(const std::string& text);
    // The last word; summary may be empty (nothing to say beyond the boxes and rows).
    void Outcome(ExitCode code, const std::string& summary);
    // Runs first in Outcome: the run record's end line takes the exit status and summary
    // before the last word is out (a note it may give still comes before the outcome).
    std::function<void(ExitCode, const std::string&)> beforeOutcome;
    // The line Outcome would write (with its line end; empty when it writes none), and
    // whether on standard output: for a process that must end without this object.
    std::string OutcomeLine(ExitCode code, const std::string& summary, bool& onStdout) const;

private:
    void Line(std::FILE* stream, const std::string& utf8);
    void Emit(const nlohmann::json& event);

    bool json_;
    bool progressBar_;
    std::FILE* out_;
    std::FILE* err_;
    bool barOpen_ = false;
    int lastWholePercent_ = -1;
};

// "Title: text", each CR LF of the text a line break followed by an indent.
std::string BoxLine(const std::string& title, const std::string& text);
// The name scripts see for an exit status, e.g. "programming-failed".
const char* OutcomeName(ExitCode code);

}  // namespace vantrel::cli
