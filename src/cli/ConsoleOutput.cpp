#include "cli/ConsoleOutput.h"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

#include "registry/DisplayText.h"

namespace vantrel::cli {
namespace {

constexpr const char* kIndent = "    ";
constexpr int kBarWidth = 30;

using nlohmann::json;

// The core's single-byte texts as JSON strings.
json Q(const std::string& bytes) { return DisplayUtf8(bytes); }

bool IsErrorTitle(const std::string& title) { return title.starts_with("Error!"); }

// A single-precision version as its shortest decimal text, so 2.1 stays 2.1 in JSON,
// and a whole version as a whole number (2, not 2.0).
json ShortestNumber(float value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    const double shortest = std::stod(std::string(buffer, result.ptr));
    if (std::trunc(shortest) == shortest && std::fabs(shortest) < 1e15) return static_cast<long long>(shortest);
    return shortest;
}

// The front-end's own texts (notes, summaries) may hold file names in any bytes: what
// is not UTF-8 is shown as U+FFFD rather than breaking the line.
std::string Dump(const json& event) { return event.dump(-1, ' ', false, json::error_handler_t::replace); }

}  // namespace

std::string BoxLine(const std::string& title, const std::string& text) {
    std::string line = title + ": ";
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            line += '\n';
            ++i;
            // An empty line stays empty: no trailing indent.
            const bool emptyNext = i + 1 >= text.size() || text[i + 1] == '\r';
            if (!emptyNext) line += kIndent;
        } else {
            line += text[i];
        }
    }
    return DisplayUtf8(line);
}

std::string PortPrefix(std::optional<int> port) { return port ? "COM" + std::to_string(*port) + ": " : ""; }

const char* OutcomeName(ExitCode code) {
    switch (code) {
        case ExitCode::Succeeded: return "ok";
        case ExitCode::Failure: return "failure";
        case ExitCode::Usage: return "usage";
        case ExitCode::NotLoaded: return "not-loaded";
        case ExitCode::NoSelectableTav: return "no-selectable-tav";
        case ExitCode::ProgrammingFailed: return "programming-failed";
        case ExitCode::NotAcknowledged: return "not-acknowledged";
        case ExitCode::Cancelled: return "cancelled";
        case ExitCode::Abandoned: return "abandoned";
        case ExitCode::Interrupted: return "interrupted";
    }
    return "failure";
}

ConsoleOutput::ConsoleOutput(bool json, bool progressBar, std::FILE* out, std::FILE* err)
    : json_(json), progressBar_(progressBar && !json), out_(out), err_(err) {}

void ConsoleOutput::CloseBar() {
    if (barOpen_) {
        std::fputc('\n', out_);
        std::fflush(out_);
        barOpen_ = false;
    }
}

void ConsoleOutput::Line(std::FILE* stream, const std::string& utf8) {
    CloseBar();
    slotLinesDrawn_ = 0;  // slot lines drawn from here on go below this line
    std::fputs(utf8.c_str(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

void ConsoleOutput::Emit(json event, std::optional<int> port) {
    if (port) event["port"] = *port;
    Line(out_, Dump(event));
}

void ConsoleOutput::ShowBox(const std::string& title, const std::string& text, BoxStyle style,
                            std::optional<int> port) {
    const std::lock_guard lock(mutex_);
    if (!json_) {
        Line(IsErrorTitle(title) ? err_ : out_, DisplayUtf8(PortPrefix(port)) + BoxLine(title, text));
    } else if (style == BoxStyle::OkExclamation) {
        Emit({{"event", "box"}, {"title", Q(title)}, {"text", Q(text)}, {"style", "ok"}}, port);
    }
}

void ConsoleOutput::AnswerBox(const std::string& title, const std::string& text, BoxAnswer answer,
                              const std::string& how, std::optional<int> port) {
    const std::lock_guard lock(mutex_);
    const char* word = answer == BoxAnswer::Ok ? "OK" : "Cancel";
    if (json_) {
        Emit({{"event", "box"}, {"title", Q(title)}, {"text", Q(text)}, {"style", "okcancel"},
              {"answer", answer == BoxAnswer::Ok ? "ok" : "cancel"}, {"answered_by", how}},
             port);
    } else if (how != "terminal") {
        Line(out_, std::string(kIndent) + "answered " + word + " (" + how + ")");
    }
}

void ConsoleOutput::Prompt(const std::string& text) {
    const std::lock_guard lock(mutex_);
    CloseBar();
    std::fputs(text.c_str(), err_);
    std::fflush(err_);
}

void ConsoleOutput::File(const std::string& target, const std::string& version, int records) {
    const std::lock_guard lock(mutex_);
    if (json_) {
        Emit({{"event", "file"}, {"target", Q(target)}, {"version", Q(version)}, {"records", records}}, std::nullopt);
        return;
    }
    Line(out_, "Target type: " + DisplayUtf8(target));
    Line(out_, "Version: " + DisplayUtf8(version));
    Line(out_, "Records: " + std::to_string(records));
}

void ConsoleOutput::Row(int port, const std::string& text, bool selectable, float version) {
    const std::lock_guard lock(mutex_);
    if (json_) {
        Emit({{"event", "row"}, {"port", port}, {"text", Q(text)}, {"selectable", selectable},
              {"version", ShortestNumber(version)}},
             std::nullopt);
        return;
    }
    std::string line = "COM" + std::to_string(port) + "  " + (text.empty() ? "(no tav identified)" : DisplayUtf8(text));
    if (selectable) line += "  [selectable]";
    Line(out_, line);
}

void ConsoleOutput::NoRows() {
    const std::lock_guard lock(mutex_);
    if (!json_) Line(out_, "No COM port could be opened");
}

void ConsoleOutput::DrawStatusLine() {
    std::string line;
    for (const auto& [port, percent] : portPercent_)
        line += (line.empty() ? "" : "  ") + ("COM" + std::to_string(port) + " " + DisplayUtf8(percent));
    // \r and "erase to end of line": the line redraws itself in place.
    std::fprintf(out_, "\r%s\x1b[K", line.c_str());
    std::fflush(out_);
    barOpen_ = true;
}

void ConsoleOutput::Progress(int sent, int total, const std::string& percentText, std::optional<int> port) {
    const std::lock_guard lock(mutex_);
    if (json_) {
        Emit({{"event", "progress"}, {"sent", sent}, {"total", total}, {"percent", Q(percentText)}}, port);
        return;
    }
    const int whole = total > 0 ? static_cast<int>(static_cast<long long>(sent) * 100 / total) : 100;
    const std::string counts = std::to_string(sent) + "/" + std::to_string(total) + " records";
    int& lastWhole = lastWholePercent_.try_emplace(port.value_or(0), -1).first->second;
    if (progressBar_ && port) {
        portPercent_[*port] = percentText;
        DrawStatusLine();
    } else if (progressBar_) {
        const int filled = total > 0 ? static_cast<int>(static_cast<long long>(sent) * kBarWidth / total) : kBarWidth;
        const std::string bar = std::string(filled, '#') + std::string(kBarWidth - filled, '-');
        // \r and "erase to end of line": the bar redraws itself in place.
        std::fprintf(out_, "\r[%s] %7s  %s\x1b[K", bar.c_str(), DisplayUtf8(percentText).c_str(), counts.c_str());
        std::fflush(out_);
        barOpen_ = true;
    } else if (whole != lastWhole) {
        Line(out_, PortPrefix(port) + "Progress " + std::to_string(whole) + "%  " + counts);
    }
    lastWhole = whole;
}

void ConsoleOutput::EndProgress() {
    const std::lock_guard lock(mutex_);
    CloseBar();
}

void ConsoleOutput::Note(const std::string& text, std::optional<int> port) {
    const std::lock_guard lock(mutex_);
    if (json_) Emit({{"event", "note"}, {"text", text}}, port);
    else Line(err_, "vantrel-cli: " + PortPrefix(port) + text);
}

void ConsoleOutput::PortNote(int port, const std::string& text) {
    const std::lock_guard lock(mutex_);
    if (json_) Emit({{"event", "note"}, {"text", text}}, port);
    else Line(err_, "vantrel-cli: " + text);
}

void ConsoleOutput::Outcome(ExitCode code, const std::string& summary) {
    const std::lock_guard lock(mutex_);
    bool onStdout = true;
    const std::string line = OutcomeLine(code, summary, onStdout);
    if (line.empty()) return;
    CloseBar();
    std::FILE* stream = onStdout ? out_ : err_;
    std::fputs(line.c_str(), stream);
    std::fflush(stream);
}

void ConsoleOutput::PortOutcome(int port, ExitCode code, const std::string& summary) {
    const std::lock_guard lock(mutex_);
    if (json_) {
        Emit({{"event", "outcome"}, {"result", OutcomeName(code)}, {"exit", ToInt(code)}, {"summary", summary}}, port);
        return;
    }
    if (code == ExitCode::Succeeded) Line(out_, summary);
    else Line(err_, "vantrel-cli: " + PortPrefix(port) + summary);
}

namespace {

std::string Counted(const ConsoleOutput::SlotLine& slot) {
    return std::to_string(slot.programmed) + " programmed, " + std::to_string(slot.failed) + " failed";
}

std::string Lowered(std::string text) {
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

}  // namespace

void ConsoleOutput::DrawSlots() {
    // Back up over the lines drawn before, then every slot's line anew.
    if (slotLinesDrawn_ > 0) std::fprintf(out_, "\x1b[%dA", slotLinesDrawn_);
    for (const auto& [port, line] : slotLines_) std::fprintf(out_, "\r%s\x1b[K\n", line.c_str());
    std::fflush(out_);
    slotLinesDrawn_ = static_cast<int>(slotLines_.size());
}

void ConsoleOutput::Slot(const SlotLine& slot) {
    const std::lock_guard lock(mutex_);
    if (json_) {
        Emit({{"event", "slot"}, {"state", slot.state}, {"text", Q(slot.text)}, {"programmed", slot.programmed},
              {"failed", slot.failed}, {"left_alone", slot.leftAlone}},
             slot.port);
        return;
    }
    const std::string com = "COM" + std::to_string(slot.port);
    if (progressBar_) {
        slotLines_[slot.port] = com + "  " + DisplayUtf8(slot.text) + "  (" + Counted(slot) + ")";
        DrawSlots();
        return;
    }
    // A line per change of state: the percentage of a transfer is not one.
    std::string& last = slotStates_[slot.port];
    if (slot.state == "programming" && last == slot.state) return;
    last = slot.state;
    Line(out_, com + ": " + DisplayUtf8(Lowered(slot.text)) + " (" + Counted(slot) + " on " + com + ")");
}

void ConsoleOutput::WatchSummary(const std::vector<SlotLine>& slots) {
    const std::lock_guard lock(mutex_);
    SlotLine all;
    for (const SlotLine& s : slots) {
        all.programmed += s.programmed;
        all.failed += s.failed;
        all.leftAlone += s.leftAlone;
    }
    if (json_) {
        json ports = json::array();
        for (const SlotLine& s : slots)
            ports.push_back({{"port", s.port}, {"programmed", s.programmed}, {"failed", s.failed},
                             {"left_alone", s.leftAlone}});
        Emit({{"event", "summary"}, {"programmed", all.programmed}, {"failed", all.failed},
              {"left_alone", all.leftAlone}, {"ports", ports}},
             std::nullopt);
        return;
    }
    slotLinesDrawn_ = 0;  // the summary goes below the slots' lines
    for (const SlotLine& s : slots)
        Line(out_, "COM" + std::to_string(s.port) + ": " + Counted(s) + ", " + std::to_string(s.leftAlone) +
                       " left alone");
    Line(out_, "In all: " + Counted(all) + ", " + std::to_string(all.leftAlone) + " left alone");
}

std::string ConsoleOutput::OutcomeLine(ExitCode code, const std::string& summary, bool& onStdout) const {
    onStdout = json_ || code == ExitCode::Succeeded;
    if (json_) {
        return Dump({{"event", "outcome"}, {"result", OutcomeName(code)}, {"exit", ToInt(code)},
                     {"summary", summary}}) + "\n";
    }
    if (summary.empty()) return {};
    return (code == ExitCode::Succeeded ? summary : "vantrel-cli: " + summary) + "\n";
}

}  // namespace vantrel::cli
