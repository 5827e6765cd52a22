#include "discovery/ProbePort.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/Bootstrap.h"
#include "discovery/TypeOfReply.h"
#include "serial/RestartCommands.h"
#include "serial/Waits.h"

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
void SendBreak(Bootstrap& w) {
    try {
        w.MSComm1.SetSettings(kBreakSettings);
        w.MSComm1.Output(0x00);
    } catch (const SerialError&) {
        // The rate attempts meet the same trouble and give up on their own.
    }
    Pause(w, kBreakPauseMs);
}

// One rate attempt: the request, the reply wait, the frame check and the type lookup.
// Sets `received` once a reply of at least four bytes has been read.
std::optional<std::int32_t> TryRate(Bootstrap& w, const char* settings, bool& received) {
    DiscardInput(w);
    w.MSComm1.SetSettings(settings);
    for (std::uint8_t byte : kIdentificationRequest) {
        w.MSComm1.Output(byte);
        Pause(w, kRequestBytePauseMs);
    }
    WaitForBytes(w, kReplyWaitMs, kFrameLength);

    const int waiting = w.MSComm1.InBufferCount();
    if (waiting < kFewestBytes) return std::nullopt;
    // Bytes ahead of a full frame are line noise: the frame is the first four of the last five.
    const std::size_t skip = waiting > kFrameLength ? static_cast<std::size_t>(waiting - kFrameLength) : 0;
    const std::vector<std::uint8_t> reply = w.MSComm1.Input();
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
    if (!checkPasses || !TypeOfReply(w.Types.TypeTable, code)) return std::nullopt;
    return static_cast<std::int32_t>(code) + 256 * major + 65536 * minor;
}

}  // namespace

std::int32_t ProbePort(Bootstrap& w, bool restart) {
    SendBreak(w);
    bool received = false;
    for (int pass = 0; pass < kPasses; ++pass) {
        for (const char* settings : kProbeRates) {
            std::optional<std::int32_t> identification;
            try {
                identification = TryRate(w, settings, received);
            } catch (const SerialError&) {
                continue;  // only this rate attempt is lost
            }
            if (identification) {
                if (restart) restart_unit(w);
                return *identification;
            }
        }
        // Nothing at all on the line: no tav there, and more passes would not change that.
        if (!received) return 0;
        // Something answered but never properly: restart it and try again from the top.
        if (restart) dumb_restart_unit(w);
    }
    return 0;
}

}  // namespace vantrel
