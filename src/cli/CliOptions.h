#pragma once
// The command line of vantrel-cli, taken apart and checked. Nothing here touches a port
// or a file: a usage error is found before anything happens.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "runs/RecordTime.h"

namespace vantrel::cli {

enum class Command { Load, Search, Program, Watch, Ports, History, Help, Version };

// How the questions (version question, emergency warning) get their answer.
enum class Answering { AskTerminal, AlwaysOk, AlwaysCancel };

struct CliOptions {
    Command command = Command::Help;
    std::string file;        // load, program, watch: the firmware file, in the system's file-name bytes
    std::vector<int> ports;  // program, watch: the COM ports (1..4) named, in port order, each once
    bool all = false;        // program: every tav the search finds of the file's type
    bool emergency = false;  // search, program: the emergency search after the warning
    Answering answering = Answering::AskTerminal;
    bool json = false;
    bool csv = false;        // history: the runs as a table for a spreadsheet
    bool save = false;       // ports: write the mapping to the user's ports file
    std::optional<int> historyCount;        // history: -n N; none: the last 20, or every run --since
    std::optional<runs::RecordTime> since;  // history: only the runs begun at or after it
    std::string tracePath;   // empty: no trace
};

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// args without the program name. Throws UsageError with a one-line reason.
CliOptions ParseCliOptions(const std::vector<std::string>& args);

// The --help text: commands, options and every exit status.
std::string CliUsage();

}  // namespace vantrel::cli
