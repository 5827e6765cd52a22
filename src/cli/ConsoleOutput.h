#pragma once
// Everything vantrel-cli tells its user or its script: message boxes, the loaded file,
// result rows, progress, notes and the outcome. Plain lines for people, or one JSON
// object per line for scripts (--json). The core's texts are bytes; they are shown as
// UTF-8 when they are valid UTF-8 and as Latin-1 otherwise (DisplayUtf8), so a terminal
// shows them and JSON stays valid.
//
// Several tavs programmed at once report from their own threads: every call writes whole
// lines under one lock. What concerns one of them carries its port: "COMn: " ahead of a
// line, or a "port" field in JSON.

#include <cstdio>
#include <map>
#include <mutex>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

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
    void ShowBox(const std::string& title, const std::string& text, BoxStyle style,
                 std::optional<int> port = std::nullopt);
    // how: "terminal", "--yes", "--no", "no terminal", "interrupted".
    void AnswerBox(const std::string& title, const std::string& text, BoxAnswer answer, const std::string& how,
                   std::optional<int> port = std::nullopt);
    // A question on the terminal: the prompt, on standard error.
    void Prompt(const std::string& text);

    void File(const std::string& target, const std::string& version, int records);
    void Row(int port, const std::string& text, bool selectable, float version);
    // A search after which no COM port showed a row (people only: no rows says it in JSON).
    void NoRows();
    // Record `sent` of `total` goes out. With a port, one of several tavs at once: on a
    // terminal their percentages share one redrawn status line.
    void Progress(int sent, int total, const std::string& percentText, std::optional<int> port = std::nullopt);
    // Closes the progress line, if one is open.
    void EndProgress();
    // A remark of the front-end itself (not of the core), on standard error.
    void Note(const std::string& text, std::optional<int> port = std::nullopt);
    // A note about COM `port` whose text names the port itself; JSON gives it the port.
    void PortNote(int port, const std::string& text);
    // The last word; summary may be empty (nothing to say beyond the boxes and rows).
    void Outcome(ExitCode code, const std::string& summary);
    // What one of several tavs came to; the run's own Outcome follows them.
    void PortOutcome(int port, ExitCode code, const std::string& summary);
    // Watch mode: a slot's status changed. On a terminal every slot has its own line,
    // redrawn in place; otherwise one line per change, "COM1: programmed: 80 records
    // (2 programmed, 0 failed on COM1)"; JSON: a "slot" event.
    struct SlotLine {
        int port = 0;
        std::string state;  // the state's key, "programmed"
        std::string text;   // the status text, "Programmed: 80 records"
        int programmed = 0, failed = 0, leftAlone = 0;
    };
    void Slot(const SlotLine& slot);
    // Watch mode's last words before the outcome: the counts of each port and in all.
    void WatchSummary(const std::vector<SlotLine>& slots);
    // The line Outcome would write (with its line end; empty when it writes none), and
    // whether on standard output: for a process that must end without this object.
    std::string OutcomeLine(ExitCode code, const std::string& summary, bool& onStdout) const;

private:
    void Line(std::FILE* stream, const std::string& utf8);
    void Emit(nlohmann::json event, std::optional<int> port);
    void CloseBar();
    void DrawStatusLine();
    void DrawSlots();

    bool json_;
    bool progressBar_;
    std::FILE* out_;
    std::FILE* err_;
    std::mutex mutex_;
    bool barOpen_ = false;
    std::map<int, int> lastWholePercent_;     // by port (0: the one tav)
    std::map<int, std::string> portPercent_;  // the status line of several tavs
    std::map<int, std::string> slotLines_;    // watch mode on a terminal: a line per slot
    int slotLinesDrawn_ = 0;
    std::map<int, std::string> slotStates_;   // watch mode otherwise: the state last told per slot
};

// "Title: text", each CR LF of the text a line break followed by an indent.
std::string BoxLine(const std::string& title, const std::string& text);
// The name scripts see for an exit status, e.g. "programming-failed".
const char* OutcomeName(ExitCode code);
// "COM2: " for a port, nothing without one.
std::string PortPrefix(std::optional<int> port);

}  // namespace vantrel::cli
