#include "sim/tools/TavsimOptions.h"

#include <charconv>
#include <functional>
#include <map>

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

std::uint8_t ParseByte(const std::string& option, const std::string& text, int base = 10) {
    return static_cast<std::uint8_t>(ParseNumber(option, text, 0, 255, base));
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
    using Flag = std::function<void()>;
    using Valued = std::function<void(const std::string& option, const std::string& value)>;
    const std::map<std::string, Flag> flags{
        {"--ir-micro", [&] { o.profile.irMicro = true; }},
        {"--silent", [&] { o.faults.silent = true; }},
        {"--loader-only", [&] { o.faults.loaderOnly = true; }},
        {"--wrong-check", [&] { o.faults.wrongCheckByte = true; }},
        {"--no-ack", [&] { o.faults.noAck = true; }},
        {"--late", [&] { o.faults.lateReply = true; }},
        {"--garbage", [&] { o.faults.garbage = true; }},
        {"--exit-when-closed", [&] { o.exitWhenClosed = true; }},
        {"--trace", [&] { o.trace = true; }},
        {"--help", [&] { o.help = true; }},
    };
    const std::map<std::string, Valued> valued{
        {"--reply", [&](auto& opt, auto& v) { o.profile.replyCode = ParseByte(opt, v, 16); }},
        {"--version", [&](auto& opt, auto& v) { ParseVersion(opt, v, o.profile.major, o.profile.minor); }},
        {"--baud", [&](auto& opt, auto& v) { o.profile.baud = static_cast<int>(ParseNumber(opt, v, 110, 115200)); }},
        {"--ir-version", [&](auto& opt, auto& v) { ParseVersion(opt, v, o.profile.irMajor, o.profile.irMinor); }},
        {"--link-length", [&](auto& opt, auto& v) { o.profile.linkReplyLength = static_cast<int>(ParseNumber(opt, v, 0, 64)); }},
        {"--answer-after", [&](auto& opt, auto& v) { o.faults.answerAfterRequests = static_cast<int>(ParseNumber(opt, v, 0, 1000000)); }},
        {"--wrong-ack", [&](auto& opt, auto& v) { o.faults.wrongAckRecords = static_cast<int>(ParseNumber(opt, v, 0, 1000000)); }},
        {"--wrong-completions", [&](auto& opt, auto& v) { o.faults.wrongCompletions = static_cast<int>(ParseNumber(opt, v, 0, 1000000)); }},
        {"--stray", [&](auto& opt, auto& v) { o.faults.strayBytesBeforeReply = static_cast<int>(ParseNumber(opt, v, 0, 1000)); }},
        {"--unplug-after", [&](auto& opt, auto& v) { o.faults.unplugAfterRecords = static_cast<int>(ParseNumber(opt, v, 0, 1000000)); }},
        {"--link", [&](auto&, auto& v) { o.linkPath = v; }},
        {"--report", [&](auto&, auto& v) { o.reportPath = v; }},
        {"--close-grace", [&](auto& opt, auto& v) { o.closeGrace = std::chrono::milliseconds(ParseNumber(opt, v, 0, 3600000)); }},
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (const auto f = flags.find(arg); f != flags.end()) {
            f->second();
        } else if (const auto v = valued.find(arg); v != valued.end()) {
            if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
            v->second(arg, args[++i]);
        } else {
            throw UsageError("unknown option '" + arg + "'");
        }
    }
    if (!o.linkPath.empty() && o.linkPath == o.reportPath) {
        throw UsageError("--link and --report name the same file");
    }
    return o;
}

}  // namespace vantrel::sim
