#include "sim/tools/TavsimReport.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <system_error>

namespace vantrel::sim {

namespace {

std::string HexBytes(const std::array<std::uint8_t, 16>& data) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (std::uint8_t b : data) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
    return out;
}

}  // namespace

// The keys and values are numbers and hex digits only, so nothing needs escaping.
std::string ReportJson(const TavDevice& tav) {
    std::string json = "{\n  \"records\": [";
    const auto& records = tav.Records();
    for (std::size_t i = 0; i < records.size(); ++i) {
        json += i == 0 ? "\n" : ",\n";
        json += "    {\"wordAddress\": " + std::to_string(records[i].wordAddress) + ", \"data\": \"" +
                HexBytes(records[i].data) + "\"}";
    }
    json += records.empty() ? "],\n" : "\n  ],\n";
    const std::pair<const char*, int> counts[] = {
        {"identificationRequests", tav.IdentificationRequests()},
        {"breaks", tav.Breaks()},
        {"restarts", tav.Restarts()},
        {"irRestarts", tav.IrRestarts()},
        {"links", tav.Links()},
        {"recordFrames", tav.RecordFrames()},
        {"badBlocks", tav.BadBlocks()},
        {"completions", tav.Completions()},
    };
    json += "  \"counts\": {";
    for (std::size_t i = 0; i < std::size(counts); ++i) {
        json += i == 0 ? "\n" : ",\n";
        json += std::string("    \"") + counts[i].first + "\": " + std::to_string(counts[i].second);
    }
    json += "\n  },\n  \"commands\": [";
    const auto& commands = tav.Commands();
    for (std::size_t i = 0; i < commands.size(); ++i) {
        if (i > 0) json += ", ";
        json += std::to_string(commands[i]);
    }
    json += "]\n}\n";
    return json;
}

void WriteFileAtomically(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".tmp" + std::to_string(getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            std::remove(temporary.c_str());
            throw std::system_error(errno ? errno : EIO, std::generic_category(), "writing " + temporary);
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int err = errno;
        std::remove(temporary.c_str());
        throw std::system_error(err, std::generic_category(), "renaming " + temporary + " to " + path);
    }
}

}  // namespace vantrel::sim
