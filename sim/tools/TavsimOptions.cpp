#include "sim/tools/TavsimOptions.h"

#include <charconv>
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
  --link PATH            also make PATH a symlink to the slave (removed on exit)
  --report FILE          on exit, write what reached the tav to FILE as JSON
  --exit-when-closed     exit once the program has opened the slave and then left it
                         closed for the close grace (the program reopens the port
                         between commands); default: run until SIGTERM or SIGINT
  --close-grace MS       that grace in milliseconds (default 1000)
  --trace                log each byte received and sent on stderr
  --help                 this text

RTS cannot be seen through a pseudo-terminal: the tav sees it always on.
)";
}

TavsimOptions ParseTavsimOptions(const std::vector<std::string>& args) {
    TavsimOptions o;
    CLI::App app;
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
    long closeGraceMs = o.closeGrace.count();
    app.add_flag("--ir-micro", o.profile.irMicro);
    app.add_flag("--silent", o.faults.silent);
    app.add_flag("--loader-only", o.faults.loaderOnly);
    app.add_flag("--wrong-check", o.faults.wrongCheckByte);
    app.add_flag("--no-ack", o.faults.noAck);
    app.add_flag("--late", o.faults.lateReply);
    app.add_flag("--garbage", o.faults.garbage);
    app.add_flag("--exit-when-closed", o.exitWhenClosed);
    app.add_flag("--trace", o.trace);
    app.add_flag("--help", o.help);
    number("--reply", o.profile.replyCode, 0, 255, 16);
    version("--version", o.profile.major, o.profile.minor);
    version("--ir-version", o.profile.irMajor, o.profile.irMinor);
    number("--baud", o.profile.baud, 110, 115200);
    number("--link-length", o.profile.linkReplyLength, 0, 64);
    number("--answer-after", o.faults.answerAfterRequests, 0, 1000000);
    number("--wrong-ack", o.faults.wrongAckRecords, 0, 1000000);
    number("--wrong-completions", o.faults.wrongCompletions, 0, 1000000);
    number("--stray", o.faults.strayBytesBeforeReply, 0, 1000);
    number("--unplug-after", o.faults.unplugAfterRecords, 0, 1000000);
    number("--close-grace", closeGraceMs, 0, 3600000);
    app.add_option("--link", o.linkPath);
    app.add_option("--report", o.reportPath);
    try {
        app.parse(std::vector<std::string>(args.rbegin(), args.rend()));  // CLI11 takes them last first
    } catch (const CLI::ParseError& e) {
        throw UsageError(e.what());
    }
    o.closeGrace = std::chrono::milliseconds(closeGraceMs);
    if (!o.linkPath.empty() && o.linkPath == o.reportPath) throw UsageError("--link and --report name the same file");
    return o;
}

}  // namespace vantrel::sim
