#include "cli/CliOptions.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <limits>

namespace vantrel::cli {
namespace {

constexpr const char* kCommands = "(load, search, program, watch, ports or history)";

// Numbers are read here, not by CLI11, which would take 010 for octal 8 and 0x3 for 3.
// 0 when the text is no number from low to high (low is 1 or more).
int ParseNumber(const std::string& text, int low, int high) {
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc{} || end != text.data() + text.size() || number < low || number > high) return 0;
    return number;
}

// CLI11 leaves an argument that is neither an option it knows nor a command or FILE
// aside; with a dash it was meant as an option ("-" alone is a word, as for FILE).
bool LooksLikeOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-' && arg != "--"; }

struct Leftovers {
    std::vector<std::string> options, words;
};

Leftovers Sorted(const std::vector<std::string>& args) {
    Leftovers left;
    for (const std::string& arg : args) {
        if (arg == "--") continue;  // only the end of the options
        (LooksLikeOption(arg) ? left.options : left.words).push_back(arg);
    }
    return left;
}

// CLI11's two mismatches: a flag given a value ("json was given a disallowed flag
// override", for --json=1), and an option whose value is missing, which can only be the
// line's last argument.
std::string MismatchReason(const std::string& what, const std::string& lastArg) {
    const std::string override = " was given a disallowed flag override";
    if (what.ends_with(override)) return "--" + what.substr(0, what.size() - override.size()) + " takes no value";
    const std::string option = lastArg.substr(0, lastArg.find('='));
    return option == "-n" ? "-n needs a number" : option + " needs a value";
}

CliOptions Only(Command command) {
    CliOptions o;
    o.command = command;
    return o;
}

void Check(const CliOptions& o, bool portGiven, bool yes, bool no) {
    // Options that cannot matter for a command are refused, so a script's mistake shows.
    if (yes && no) throw UsageError("--yes and --no exclude each other");
    if (o.command == Command::Program && !portGiven && !o.all) throw UsageError("program needs --port N or --all");
    if (o.command == Command::Watch) {
        if (o.all) throw UsageError("watch arms every port unless --port names some: no --all");
        if (o.emergency) throw UsageError("watch finds its tavs by the probe: not with --emergency");
        if (no) throw UsageError("watch asks no question: --no does not apply");
        if (!o.tracePath.empty()) throw UsageError("watch keeps no trace: --trace belongs to load, search and program");
        if (o.save) throw UsageError("--save belongs to ports");
        if (o.csv || o.since) throw UsageError("--csv and --since belong to history");
        return;
    }
    if (o.command != Command::Program && (portGiven || o.all)) throw UsageError("--port and --all belong to program");
    if (portGiven && o.all) throw UsageError("--all programs every tav found: no --port with it");
    if (o.all && o.emergency) throw UsageError("--all needs the search: not with --emergency, which lists every port");
    if (o.command == Command::Load && o.emergency) throw UsageError("--emergency belongs to search and program");
    if (o.command == Command::Load && (yes || no)) throw UsageError("load asks no question: --yes/--no do not apply");
    if (o.command != Command::Ports && o.save) throw UsageError("--save belongs to ports");
    if (o.command != Command::History && (o.csv || o.since)) throw UsageError("--csv and --since belong to history");
    if (o.csv && o.json) throw UsageError("--csv and --json exclude each other: one format");
    if (o.command == Command::Ports && (o.emergency || yes || no || !o.tracePath.empty()))
        throw UsageError("ports opens no port: only --save and --json apply");
    if (o.command == Command::History && (o.emergency || yes || no || !o.tracePath.empty()))
        throw UsageError("history reads the run record: only -n N and --json apply");
}

}  // namespace

CliOptions ParseCliOptions(const std::vector<std::string>& args) {
    CliOptions o;
    bool yes = false, no = false, portGiven = false, fileGiven = false;
    std::string commandWord;                 // empty: none given
    std::vector<std::string> beforeCommand;  // what CLI11 left aside before the command word

    // Every option belongs to the whole line, wherever it stands (the commands fall
    // through to it), so that one not meant for the command is named as such below
    // rather than as unknown. The commands' own: FILE, and history's -n.
    CLI::App app;
    app.set_help_flag("--help,-h");
    app.set_version_flag("--version");
    app.allow_extras();
    app.allow_windows_style_options(false);  // on Windows too: /path/fw.phx is a FILE, never an option
    app.fallthrough();
    app.require_subcommand(0, 1);
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    const auto flag = [&app](const char* names, bool& target) {
        app.add_flag(names, target)->disable_flag_override();  // --json=false would be no --json
    };
    flag("--json", o.json);
    flag("--all", o.all);
    flag("--emergency", o.emergency);
    flag("--save", o.save);
    flag("--csv", o.csv);
    flag("--yes,-y", yes);
    flag("--no,-n", no);
    // Each --port as it comes: they add up, in port order, each port once.
    app.add_option_function<std::string>("--port", [&](const std::string& text) {
           const int port = ParseNumber(text, 1, 4);
           if (port == 0) throw UsageError("--port takes a COM port number from 1 to 4, not '" + text + "'");
           if (std::ranges::find(o.ports, port) == o.ports.end()) o.ports.push_back(port);
           std::ranges::sort(o.ports);
           portGiven = true;
       })->trigger_on_parse();
    app.add_option_function<std::string>("--trace", [&](const std::string& path) {
           if (path.empty()) throw UsageError("--trace needs a file name");
           o.tracePath = path;
       })->trigger_on_parse();
    app.add_option_function<std::string>("--since", [&](const std::string& text) {
           o.since = runs::ParseRecordTime(text);
           if (!o.since)
               throw UsageError("--since takes a day YYYY-MM-DD or a UTC time YYYY-MM-DDTHH:MM:SS.mmmZ, not '" +
                                text + "'");
       })->trigger_on_parse();

    const struct { const char* name; Command command; bool takesFile; } commands[] = {
        {"load", Command::Load, true},     {"search", Command::Search, false}, {"program", Command::Program, true},
        {"watch", Command::Watch, true},   {"ports", Command::Ports, false},  {"history", Command::History, false},
    };
    for (const auto& c : commands) {
        CLI::App* sub = app.add_subcommand(c.name);
        sub->preparse_callback([&, command = c.command, name = c.name](std::size_t) {
            o.command = command;
            commandWord = name;
            beforeCommand = app.remaining();
        });
        if (c.takesFile)
            sub->add_option_function<std::string>("FILE", [&](const std::string& file) {
                o.file = file;
                fileGiven = true;
            });
    }
    app.get_subcommand("history")
        ->add_option_function<std::string>("-n", [&](const std::string& text) {
            o.historyCount = ParseNumber(text, 1, std::numeric_limits<int>::max());
            if (*o.historyCount == 0) throw UsageError("-n takes a number of runs from 1 up, not '" + text + "'");
        })
        ->trigger_on_parse();

    try {
        app.parse(std::vector<std::string>(args.rbegin(), args.rend()));  // CLI11 takes them last first
    } catch (const CLI::CallForHelp&) {
        return Only(Command::Help);
    } catch (const CLI::CallForVersion&) {
        return Only(Command::Version);
    } catch (const CLI::ArgumentMismatch& e) {
        throw UsageError(MismatchReason(e.what(), args.back()));
    } catch (const CLI::ParseError& e) {
        throw UsageError(e.what());
    }

    const Leftovers left = Sorted(app.remaining());
    if (!left.options.empty()) throw UsageError("unknown option '" + left.options.front() + "'");
    const bool commandGiven = !commandWord.empty();
    const std::vector<std::string> stray = commandGiven ? Sorted(beforeCommand).words : left.words;
    if (!stray.empty()) throw UsageError("unknown command '" + stray.front() + "' " + kCommands);
    if (!commandGiven) throw UsageError(std::string("no command given ") + kCommands);
    if ((o.command == Command::Load || o.command == Command::Program || o.command == Command::Watch) && !fileGiven)
        throw UsageError(commandWord + " needs a firmware file");
    if (!left.words.empty()) throw UsageError("unexpected argument '" + left.words.front() + "'");
    if (fileGiven && o.file.empty()) throw UsageError("the firmware file name is empty");

    o.answering = yes ? Answering::AlwaysOk : no ? Answering::AlwaysCancel : Answering::AskTerminal;
    Check(o, portGiven, yes, no);
    return o;
}

std::string CliUsage() {
    return R"(Usage: vantrel-cli [--json] [--trace FILE] load FILE
       vantrel-cli [--json] [--trace FILE] search [--emergency] [--yes | --no]
       vantrel-cli [--json] [--trace FILE] program FILE --port N [--port M ...] [--emergency] [--yes | --no]
       vantrel-cli [--json] [--trace FILE] program FILE --all [--yes | --no]
       vantrel-cli [--json] watch FILE [--port N ...] [--yes]
       vantrel-cli [--json] ports [--save]
       vantrel-cli history [-n N] [--since DATE] [--json | --csv]
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
  watch FILE       load FILE and watch COM1..COM4 (or the --port N given) until Ctrl-C:
                   each tav connected is probed (never restarted) and, when it is of
                   the file's type with an older code version, programmed at once;
                   up-to-date tavs (unless --yes) and tavs of other types are left
                   alone; the port is looked at again once the tav has been taken
                   away, so no tav is programmed twice in one connection. No question
                   is asked. One status line per port (redrawn on a terminal, else a
                   line per change), a summary at the end. Exit status 0 when no tav
                   failed, else that of the first tav that failed (5, 6), 130 when a
                   transfer had to be stopped, 8 when stopped at once
  ports            show the device of COM1..COM4 and where it comes from, and every
                   serial port found with its by-id name, description, maker and serial
                   number; --save first writes the mapping to the user's ports file by
                   by-id names, so each COM port stays with its adapter
  history          the last N programming runs (-n N, default 20) from the run record,
                   newest last, one line each: when, port, the tav's text before and the
                   file's version, outcome, records acknowledged; --json prints the
                   record's lines as stored, --csv a table (below); with --since DATE
                   only the runs begun since then, every one of them unless -n N is given

Options:
  --port N         the COM port (1..4) of the tav to program; may be given again
  --all            program every tav that the search finds of the file's type
  --emergency      search in emergency mode, after the emergency warning: every port that
                   opens is listed and selectable, nothing is probed
  --yes, -y        answer every question OK (version question, emergency warning);
                   watch: reprogram up-to-date tavs too (once per connection)
  --no, -n         answer every question Cancel
                   Without either, questions are asked on the terminal; with no terminal
                   on standard input they are answered Cancel.
  --json           one JSON object per line on standard output for every event: "box",
                   "file", "row", "progress", "note" and a final "outcome"; with
                   several tavs each tav's events and its own "outcome" carry "port"
  --trace FILE     write every byte sent and received, every line-settings and RTS change,
                   every port opening and closing and every wait (its length and how it
                   ended) to FILE, one line each, time-stamped in milliseconds
  --since DATE     history: the runs begun on or after DATE, a day YYYY-MM-DD or a time
                   as the record writes it, in UTC (2025-03-04T05:06:07.089Z)
  --csv            history: one row per run after a header row: time, port, device, file
                   name, SHA-256, target, version before, version after (the file's
                   version when the run succeeded), outcome, records acknowledged,
                   retries, duration (s); a field the record does not hold is empty.
                   RFC 4180: quoted when it holds a comma, a quote or a line break, rows
                   ending CRLF, UTF-8. A field beginning with =, +, -, @, tab or CR gets a
                   leading ' so that a spreadsheet shows it as text, never as a formula.
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
