#include "discovery/ProbePort.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "discovery/TypeOfReply.h"
#include "serial/Link.h"
#include "serial/RestartCommands.h"

namespace vantrel {
namespace {

constexpr const char* kBreakSettings = "110,n,8,2";
constexpr int kBreakPauseMs = 100;  // the eleven bit times of one byte at 110 baud

// The rates tavs answer at, most common first.
constexpr std::array<const char*, 9> kProbeRates{
    "9600,n,8,2",  "38400,n,8,2", "28800,n,8,2", "19200,n,8,2",  "14400,n,8,2",
    "4800,n,8,2",  "2400,n,8,2",  "57600,n,8,2", "115200,n,8,2",
};
constexpr int kPasses = 3;

constexpr std::array<std::uint8_t, 7> kIdentificationRequest{0xFF, 'S', 'E', 'T', 'T', 'A', 'V'};
constexpr int kRequestBytePauseMs = 10;
constexpr int kReplyWaitMs = 100;
constexpr int kFrameLength = 5;
constexpr int kFewestBytes = 4;  // the fifth byte is never examined

// Some tavs answer 0xE6 for reply code 0x99, without a valid check byte.
constexpr std::uint8_t kAliasReply = 0xE6;
constexpr std::uint8_t kAliasedReply = 0x99;

// A 00 byte at 110 baud holds the line low long enough to look like a break at every probe rate.
void SendBreak(Link& link) {
    try {
        link.Port().SetSettings(kBreakSettings);
        link.Port().Output(0x00);
    } catch (const SerialError&) {
        // The rate attempts meet the same trouble and give up on their own.
    }
    link.Pause(kBreakPauseMs);
}

// One rate attempt: the request, the reply wait, the frame check and the type lookup.
// Sets `received` once a reply of at least four bytes has been read.
std::optional<Identification> TryRate(Link& link, std::span<const TypeRow> types, const char* settings,
                                      bool& received) {
    SerialPort& port = link.Port();
    link.DiscardInput();
    port.SetSettings(settings);
    for (std::uint8_t byte : kIdentificationRequest) {
        port.Output(byte);
        link.Pause(kRequestBytePauseMs);
    }
    link.WaitForBytes(kReplyWaitMs, kFrameLength);

    const int waiting = port.InBufferCount();
    if (waiting < kFewestBytes) return std::nullopt;
    // Bytes ahead of a full frame are line noise: the frame is the first four of the last five.
    const std::size_t skip = waiting > kFrameLength ? static_cast<std::size_t>(waiting - kFrameLength) : 0;
    const std::vector<std::uint8_t> reply = port.Input();
    received = true;
    if (reply.size() < skip + kFewestBytes) return std::nullopt;

    std::uint8_t code = reply[skip];
    const std::uint8_t major = reply[skip + 1];
    const std::uint8_t minor = reply[skip + 2];
    const std::uint8_t check = reply[skip + 3];
    bool checkPasses = ((code + major + minor + check + 1) & 0xFF) == 0;
    if (code == kAliasReply) {
        code = kAliasedReply;
        checkPasses = true;
    }
    if (!checkPasses || !TypeOfReply(types, code)) return std::nullopt;
    return static_cast<Identification>(code) + 256 * major + 65536 * minor;
}

}  // namespace

ProbeResult ProbePort(Link& link, std::span<const TypeRow> types, bool restart) {
    SendBreak(link);
    bool received = false;
    for (int pass = 0; pass < kPasses; ++pass) {
        for (const char* settings : kProbeRates) {
            std::optional<Identification> identification;
            try {
                identification = TryRate(link, types, settings, received);
            } catch (const SerialError&) {
                continue;  // only this rate attempt is lost
            }
            if (identification) {
                ProbeResult result{*identification, std::nullopt};
                if (restart) result.restart = restart_unit(link);
                return result;
            }
        }
        // Nothing at all on the line: no tav there, and more passes would not change that.
        if (!received) return {};
        // Something answered but never properly: restart it and try again from the top.
        if (restart) dumb_restart_unit(link);
    }
    return {};
}

}  // namespace vantrel
