#include "sim/tools/TavsimOptions.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <type_traits>

#include <CLI/CLI.hpp>

namespace vantrel::sim {

namespace {

long ParseNumber(const std::string& option, const std::string& text, long low, long high, int base = 10) {
    std::string digits = text;
    if (base == 16 && (digits.rfind("0x", 0) == 0 || digits.rfind("0X", 0) == 0)) digits.erase(0, 2);
    long value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || value < low || value > high) {
        throw UsageError(option + ": '" + text + "' is not a number from " + std::to_string(low) + " to " +
                         std::to_string(high) + (base == 16 ? " (hex)" : ""));
    }
    return value;
}

std::uint8_t ParseByte(const std::string& option, const std::string& text) {
    return static_cast<std::uint8_t>(ParseNumber(option, text, 0, 255));
}

// "2.5" to 2 and 5: the two version bytes as they travel.
void ParseVersion(const std::string& option, const std::string& text, std::uint8_t& major, std::uint8_t& minor) {
    const auto dot = text.find('.');
    if (dot == std::string::npos) throw UsageError(option + ": '" + text + "' is not MAJOR.MINOR");
    major = ParseByte(option, text.substr(0, dot));
    minor = ParseByte(option, text.substr(dot + 1));
}

}  // namespace

std::string TavsimUsage() {
    return R"(Usage: vantrel-tavsim [options]
Plays one tav on a new pseudo-terminal. Prints the slave's path as the first line of
output; the program under test opens that path as its serial port.

Profile:
  --reply HEX            identification reply code (default 11)
  --version MAJ.MIN      code version (default 2.5)
  --baud N               the one rate it answers the identification at (default 9600)
  --ir-micro             IR-micro loader: command 136, acknowledgement 240
  --ir-version MAJ.MIN   version bytes in the link reply (default 3.7)
  --link-length N        bytes in the link reply (default 5; 3 = the link never stands)
Faults:
  --silent               answers nothing at all
  --loader-only          ignores identification requests (earlier programming failed)
  --wrong-check          identification check byte off by one
  --answer-after N       ignores the first N identification requests
  --wrong-ack N          the next N record blocks get a wrong acknowledgement
  --no-ack               never answers a record block
  --wrong-completions N  the next N completion frames get a wrong reply
  --late                 every reply comes 600 ms late
  --stray N              N junk bytes precede every reply
  --garbage              junk bytes on the line now and then
  --unplug-after N       answers nothing more after N stored records
Running:
  --unplugged            start with no tav plugged in (the port is there, silent)
  --control FILE         profile and fault options for each tav plugged in by SIGUSR2,
                         read as it is plugged in (see Plugging below)
  --link PATH            also make PATH a symlink to the slave (removed on exit)
  --report FILE          on exit, write what reached the tav to FILE as JSON; each
                         plugged-in tav's own report also goes to FILE.N (N = 1, 2, ...
                         in order of plugging) when it is unplugged or at the exit
  --exit-when-closed     exit once the program has opened the slave and then left it
                         closed for the close grace (the program reopens the port
                         between commands); default: run until SIGTERM or SIGINT
  --close-grace MS       that grace in milliseconds (default 1000)
  --trace                log each byte received and sent on stderr
  --help                 this text

Plugging (the pseudo-terminal stays; only the tav behind it comes and goes):
  SIGUSR1                unplugs the tav: from then on nothing answers and nothing
                         received is taken as a command; replies under way are lost
  SIGUSR2                plugs in a new tav, as just powered on (the tav in the port, if
                         any, is unplugged first): the command line's profile and
                         faults, with the options in the --control file, if it exists,
                         on top, e.g.
                           --reply 16 --version 1.3
                         A control file with a bad option leaves the port empty (said
                         on stderr). Signals of one kind that come faster than the
                         simulator takes them count once: wait for the effect (FILE.N,
                         or --trace) before sending the next.

RTS cannot be seen through a pseudo-terminal: the tav sees it always on.
)";
}

namespace {

// The options that make a tav: its profile and its faults, on the command line and in
// the control file alike.
void AddTavOptions(CLI::App& app, TavProfile& profile, TavFaults& faults) {
    app.set_help_flag();  // --help prints TavsimUsage(), written by hand
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    // Numbers are read here, not by CLI11, which would take 010 for octal 8.
    const auto number = [&](const char* name, auto& target, long low, long high, int base = 10) {
        app.add_option_function<std::string>(name, [=, &target](const std::string& v) {
            target = static_cast<std::remove_reference_t<decltype(target)>>(ParseNumber(name, v, low, high, base));
        });
    };
    const auto version = [&](const char* name, std::uint8_t& major, std::uint8_t& minor) {
        app.add_option_function<std::string>(name, [=, &major, &minor](const std::string& v) { ParseVersion(name, v, major, minor); });
    };
    app.add_flag("--ir-micro", profile.irMicro);
    app.add_flag("--silent", faults.silent);
    app.add_flag("--loader-only", faults.loaderOnly);
    app.add_flag("--wrong-check", faults.wrongCheckByte);
    app.add_flag("--no-ack", faults.noAck);
    app.add_flag("--late", faults.lateReply);
    app.add_flag("--garbage", faults.garbage);
    number("--reply", profile.replyCode, 0, 255, 16);
    version("--version", profile.major, profile.minor);
    version("--ir-version", profile.irMajor, profile.irMinor);
    number("--baud", profile.baud, 110, 115200);
    number("--link-length", profile.linkReplyLength, 0, 64);
    number("--answer-after", faults.answerAfterRequests, 0, 1000000);
    number("--wrong-ack", faults.wrongAckRecords, 0, 1000000);
    number("--wrong-completions", faults.wrongCompletions, 0, 1000000);
    number("--stray", faults.strayBytesBeforeReply, 0, 1000);
    number("--unplug-after", faults.unplugAfterRecords, 0, 1000000);
}

void Parse(CLI::App& app, const std::vector<std::string>& args) {
    try {
        app.parse(std::vector<std::string>(args.rbegin(), args.rend()));  // CLI11 takes them last first
    } catch (const CLI::ParseError& e) {
        throw UsageError(e.what());
    }
}

}  // namespace

TavsimOptions ParseTavsimOptions(const std::vector<std::string>& args) {
    TavsimOptions o;
    CLI::App app;
    AddTavOptions(app, o.profile, o.faults);
    long closeGraceMs = o.closeGrace.count();
    app.add_flag("--exit-when-closed", o.exitWhenClosed);
    app.add_flag("--unplugged", o.startUnplugged);
    app.add_flag("--trace", o.trace);
    app.add_flag("--help", o.help);
    app.add_option_function<std::string>("--close-grace", [&](const std::string& v) {
        closeGraceMs = ParseNumber("--close-grace", v, 0, 3600000);
    });
    app.add_option("--link", o.linkPath);
    app.add_option("--report", o.reportPath);
    app.add_option("--control", o.controlPath);
    Parse(app, args);
    o.closeGrace = std::chrono::milliseconds(closeGraceMs);
    if (!o.linkPath.empty() && o.linkPath == o.reportPath) throw UsageError("--link and --report name the same file");
    return o;
}

void ApplyControlFile(const std::string& path, TavProfile& profile, TavFaults& faults) {
    errno = 0;
    std::ifstream in(path);
    if (!in) {
        if (errno == ENOENT) return;
        throw UsageError(path + ": " + (errno ? std::strerror(errno) : "cannot be opened"));
    }
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    if (in.bad()) throw UsageError(path + ": cannot be read");
    // Parsed into copies: a file with a bad option changes nothing.
    TavProfile newProfile = profile;
    TavFaults newFaults = faults;
    CLI::App app;
    AddTavOptions(app, newProfile, newFaults);
    try {
        Parse(app, words);
    } catch (const UsageError& e) {
        throw UsageError(path + ": " + e.what());
    }
    profile = newProfile;
    faults = newFaults;
}

}  // namespace vantrel::sim
