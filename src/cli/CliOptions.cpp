#include "cli/CliOptions.h"

#include <algorithm>
#include <charconv>

namespace vantrel::cli {
namespace {

bool TakesValue(const std::string& option) { return option == "--port" || option == "--trace"; }

int ParseHistoryCount(const std::string& text) {
    int count = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (error != std::errc{} || end != text.data() + text.size() || count < 1)
        throw UsageError("-n takes a number of runs from 1 up, not '" + text + "'");
    return count;
}

int ParsePort(const std::string& text) {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc{} || end != text.data() + text.size() || port < 1 || port > 4)
        throw UsageError("--port takes a COM port number from 1 to 4, not '" + text + "'");
    return port;
}

Command ParseCommand(const std::string& word) {
    if (word == "load") return Command::Load;
    if (word == "search") return Command::Search;
    if (word == "program") return Command::Program;
    if (word == "ports") return Command::Ports;
    if (word == "history") return Command::History;
    throw UsageError("unknown command '" + word + "' (load, search, program, ports or history)");
}

}  // namespace

CliOptions ParseCliOptions(const std::vector<std::string>& args) {
    CliOptions o;
    std::vector<std::string> words;
    bool yes = false, no = false, portGiven = false, onlyWords = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (onlyWords || arg.empty() || arg[0] != '-' || arg == "-") {
            words.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyWords = true;
            continue;
        }
        // Under history, -n is the number of runs (elsewhere it is --no).
        if (arg == "-n" && !words.empty() && words[0] == "history") {
            if (i + 1 >= args.size()) throw UsageError("-n needs a number");
            o.historyCount = ParseHistoryCount(args[++i]);
            continue;
        }
        std::optional<std::string> value;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.resize(eq);
        }
        if (TakesValue(arg) && !value) {
            if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
            value = args[++i];
        } else if (!TakesValue(arg) && value) {
            throw UsageError(arg + " takes no value");
        }

        if (arg == "--help" || arg == "-h" || arg == "--version") {
            CliOptions only;
            only.command = arg == "--version" ? Command::Version : Command::Help;
            return only;
        }
        if (arg == "--json") o.json = true;
        else if (arg == "--all") o.all = true;
        else if (arg == "--emergency") o.emergency = true;
        else if (arg == "--save") o.save = true;
        else if (arg == "--yes" || arg == "-y") yes = true;
        else if (arg == "--no" || arg == "-n") no = true;
        else if (arg == "--trace") {
            if (value->empty()) throw UsageError("--trace needs a file name");
            o.tracePath = *value;
        } else if (arg == "--port") {
            const int port = ParsePort(*value);
            if (std::ranges::find(o.ports, port) == o.ports.end()) o.ports.push_back(port);
            std::ranges::sort(o.ports);
            portGiven = true;
        } else {
            throw UsageError("unknown option '" + arg + "'");
        }
    }

    if (words.empty()) throw UsageError("no command given (load, search, program, ports or history)");
    o.command = ParseCommand(words[0]);
    const std::size_t wantedWords =
        o.command == Command::Search || o.command == Command::Ports || o.command == Command::History ? 1 : 2;
    if (words.size() < wantedWords) throw UsageError(words[0] + " needs a firmware file");
    if (words.size() > wantedWords) throw UsageError("unexpected argument '" + words[wantedWords] + "'");
    if (wantedWords == 2) o.file = words[1];
    if (wantedWords == 2 && o.file.empty()) throw UsageError("the firmware file name is empty");

    if (yes && no) throw UsageError("--yes and --no exclude each other");
    o.answering = yes ? Answering::AlwaysOk : no ? Answering::AlwaysCancel : Answering::AskTerminal;

    // Options that cannot matter for a command are refused, so a script's mistake shows.
    if (o.command == Command::Program && !portGiven && !o.all) throw UsageError("program needs --port N or --all");
    if (o.command != Command::Program && (portGiven || o.all)) throw UsageError("--port and --all belong to program");
    if (portGiven && o.all) throw UsageError("--all programs every tav found: no --port with it");
    if (o.all && o.emergency) throw UsageError("--all needs the search: not with --emergency, which lists every port");
    if (o.command == Command::Load && o.emergency) throw UsageError("--emergency belongs to search and program");
    if (o.command == Command::Load && (yes || no)) throw UsageError("load asks no question: --yes/--no do not apply");
    if (o.command != Command::Ports && o.save) throw UsageError("--save belongs to ports");
    if (o.command == Command::Ports && (o.emergency || yes || no || !o.tracePath.empty()))
        throw UsageError("ports opens no port: only --save and --json apply");
    if (o.command == Command::History && (o.emergency || yes || no || !o.tracePath.empty()))
        throw UsageError("history reads the run record: only -n N and --json apply");
    return o;
}

std::string CliUsage() {
    return R"(Usage: vantrel-cli [--json] [--trace FILE] load FILE
       vantrel-cli [--json] [--trace FILE] search [--emergency] [--yes | --no]
       vantrel-cli [--json] [--trace FILE] program FILE --port N [--port M ...] [--emergency] [--yes | --no]
       vantrel-cli [--json] [--trace FILE] program FILE --all [--yes | --no]
       vantrel-cli [--json] ports [--save]
       vantrel-cli history [-n N] [--json]
       vantrel-cli --help | --version

Reprograms tavs from a script or a terminal, with the same code as the Vantrel window.

Commands:
  load FILE        load the firmware file, search COM1..COM4, print the target type,
                   the version, the record count and the result rows
  search           search COM1..COM4 and print the result rows (no file: no row is
                   selectable except in emergency mode)
  program FILE     load FILE, search, select the row of --port N and program that tav;
                   with several --port, or --all (every tav found of the file's type),
                   program them all at the same time, each with its own question,
                   progress and outcome
  ports            show the device of COM1..COM4 and where it comes from, and every
                   serial port found with its by-id name, description, maker and serial
                   number; --save first writes the mapping to the user's ports file by
                   by-id names, so each COM port stays with its adapter
  history          the last N programming runs (-n N, default 20) from the run record,
                   newest last, one line each: when, port, the tav's text before and the
                   file's version, outcome, records acknowledged; --json prints the
                   record's lines as stored

Options:
  --port N         the COM port (1..4) of the tav to program; may be given again
  --all            program every tav that the search finds of the file's type
  --emergency      search in emergency mode, after the emergency warning: every port that
                   opens is listed and selectable, nothing is probed
  --yes, -y        answer every question OK (version question, emergency warning)
  --no, -n         answer every question Cancel
                   Without either, questions are asked on the terminal; with no terminal
                   on standard input they are answered Cancel.
  --json           one JSON object per line on standard output for every event: "box",
                   "file", "row", "progress", "note" and a final "outcome"; with
                   several tavs each tav's events and its own "outcome" carry "port"
  --trace FILE     write every byte sent and received, every line-settings and RTS change,
                   every port opening and closing and every wait (its length and how it
                   ended) to FILE, one line each, time-stamped in milliseconds
  --help, -h       this text
  --version        the program's version

Message boxes print as "Title: text", on standard error when the title is "Error!"
(with or without its trailing blank), on standard output otherwise.

Ports: COMn (n = 1..4) is the device named by the environment variable VANTREL_COMn
when set (e.g. VANTREL_COM1=/dev/ttyUSB0); else the line COMn=DEVICE of the ports file
$XDG_CONFIG_HOME/vantrel/ports.conf (default ~/.config/vantrel/ports.conf), then of
/etc/vantrel/ports.conf; else the next serial port found that none of those name:
USB adapters (ttyUSB*, then ttyACM*), then built-in ports with a UART (ttyS*), each
kind by number, never the system console. The value none means no device.
Type table: the registry file named by VANTREL_REGISTRY, else /etc/vantrel/registry.reg.
Run record: every programming run appends a start and an end line (JSON) to the file
named by VANTREL_RUNS (none: no record), else $XDG_STATE_HOME/vantrel/runs.jsonl
(default ~/.local/state/vantrel/runs.jsonl); on Windows %LOCALAPPDATA%\Vantrel\runs.jsonl.
A record that cannot be written is noted once and never stops a run.

Ctrl-C while a tav is programmed stops at the next record: the tav is restarted as
after a failed transfer, the port is closed, and the exit status is 130. Ctrl-C
again stops at once, without the restart (exit status 8). Elsewhere Ctrl-C stops at
once and closes the port. The last line says how many records the tav acknowledged,
whether it confirmed its restart, and when it must be programmed again. With several
tavs Ctrl-C stops every transfer so, and each tav says its own last line.

Exit status (several tavs: 0 when every one succeeded, else the status that the first
failing port, in port order, would have given alone):
  0    the tav reported success (IR-micro targets: its final restart succeeded);
       load and search: done
  1    unexpected failure (serial platform, registry, terminal)
  2    usage error
  3    the firmware file did not load
  4    no selectable tav on that port (--all: none of the file's type)
  5    programming failed: a record was never acknowledged
  6    completion not acknowledged: every record went in, the restart was not confirmed
  7    a question was answered Cancel
  8    interrupted twice while programming: stopped at once, the tav not restarted
  130  interrupted
)";
}

}  // namespace vantrel::cli
