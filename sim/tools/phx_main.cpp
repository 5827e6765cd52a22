// vantrel-phx: makes a PHX firmware file from an Intel HEX image, sound or with one of
// the faults a damaged file can have.

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "sim/PhxWriter.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage = R"(Usage: vantrel-phx --target NAME --version TEXT [faults] INPUT.hex OUTPUT.PHX
Writes the records of an Intel HEX image as an enciphered PHX firmware file.

  --target NAME        first line: the tav type the firmware is for, e.g. "Tav model 05"
  --version TEXT       second line: the firmware version, e.g. 2.5
Faults (data lines are numbered from 1; the end record is the last data line):
  --bad-checksum N     data line N gets a wrong checksum
  --missing-colon N    data line N loses its ':'
  --below-zero N       data line N holds a character that deciphers below zero
  --no-end-record      the data lines end without the end record
  --help               this text
)";

struct Arguments {
    std::optional<std::string> target, version;
    vantrel::sim::PhxFaults faults;
    std::vector<std::string> files;
};

int ParseLineNumber(const std::string& option, const std::string& text) {
    std::size_t used = 0;
    int value = 0;
    try {
        value = std::stoi(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || value < 1)
        throw CLI::ValidationError(option + " needs a line number from 1 on, not '" + text + "'");
    return value;
}

// Throws CLI::CallForHelp for --help, another CLI::ParseError for a usage error.
Arguments ParseArguments(int argc, char** argv) {
    Arguments a;
    CLI::App app;
    app.set_help_flag("--help");  // answered with kUsage, written by hand
    app.allow_windows_style_options(false);  // on Windows CLI11 would take /path/file for an option
    app.add_option("--target", a.target);
    app.add_option("--version", a.version);
    // Line numbers are read here, not by CLI11, which would take 010 for octal 8.
    const auto lineNumber = [&](const char* name, int& target) {
        app.add_option_function<std::string>(name, [=, &target](const std::string& v) { target = ParseLineNumber(name, v); });
    };
    lineNumber("--bad-checksum", a.faults.badChecksumAt);
    lineNumber("--missing-colon", a.faults.missingColonAt);
    lineNumber("--below-zero", a.faults.belowZeroAt);
    app.add_flag("--no-end-record", a.faults.noEndRecord);
    app.add_option("files", a.files);
    app.parse(argc, argv);
    if (!a.target) throw CLI::ValidationError("--target is missing");
    if (!a.version) throw CLI::ValidationError("--version is missing");
    if ((*a.target + *a.version).find_first_of("\r\n") != std::string::npos)
        throw CLI::ValidationError("--target and --version are one line each");
    if (a.files.size() != 2) throw CLI::ValidationError("expected an input and an output file");
    return a;
}

std::optional<std::string> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return text.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 1) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    Arguments args;
    try {
        args = ParseArguments(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "vantrel-phx: %s\nTry 'vantrel-phx --help'.\n", e.what());
        return kExitUsage;
    }
    const std::string& inputPath = args.files[0];
    const std::string& outputPath = args.files[1];

    const auto hexText = ReadFile(inputPath);
    if (!hexText) {
        std::fprintf(stderr, "vantrel-phx: cannot read %s\n", inputPath.c_str());
        return kExitFailure;
    }
    std::string phx;
    try {
        phx = vantrel::sim::WritePhx(*args.target, *args.version, vantrel::sim::RecordsFromIntelHex(*hexText), args.faults);
    } catch (const vantrel::sim::IntelHexError& e) {
        std::fprintf(stderr, "vantrel-phx: %s: %s\n", inputPath.c_str(), e.what());
        return kExitFailure;
    } catch (const std::invalid_argument& e) {
        std::fprintf(stderr, "vantrel-phx: %s\n", e.what());
        return kExitUsage;
    }

    std::ofstream out(outputPath, std::ios::binary | std::ios::trunc);
    out << phx;
    out.close();
    if (!out) {
        std::fprintf(stderr, "vantrel-phx: cannot write %s\n", outputPath.c_str());
        std::remove(outputPath.c_str());
        return kExitFailure;
    }
    return kExitOk;
}
