#include "sim/tools/TavsimReport.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <system_error>

#include <nlohmann/json.hpp>

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

std::string ReportJson(const TavDevice& tav, int plugging) {
    nlohmann::ordered_json records = nlohmann::ordered_json::array();
    for (const auto& record : tav.Records())
        records.push_back({{"wordAddress", record.wordAddress}, {"data", HexBytes(record.data)}});
    const TavProfile& profile = tav.Profile();
    const nlohmann::ordered_json report = {
        {"tav",
         {
             {"number", plugging},
             {"reply", profile.replyCode},
             {"version", std::to_string(profile.major) + "." + std::to_string(profile.minor)},
         }},
        {"records", std::move(records)},
        {"counts",
         {
             {"identificationRequests", tav.IdentificationRequests()},
             {"breaks", tav.Breaks()},
             {"restarts", tav.Restarts()},
             {"irRestarts", tav.IrRestarts()},
             {"links", tav.Links()},
             {"recordFrames", tav.RecordFrames()},
             {"badBlocks", tav.BadBlocks()},
             {"completions", tav.Completions()},
         }},
        {"commands", tav.Commands()},
    };
    return report.dump(2) + "\n";
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
