#include "serial/RestartCommands.h"

#include <array>
#include <cstdint>
#include <vector>

#include "serial/CommandFrame.h"
#include "serial/Link.h"

namespace vantrel {
namespace {

constexpr std::uint8_t kRestartCommand = 51;
constexpr std::uint8_t kIrRestartCommand = 119;
constexpr std::uint8_t kLinkCommand = 153;
constexpr std::array<std::uint8_t, 1> kFrameEnd{255};
constexpr std::uint8_t kConfirm = 240;

using Reply = std::vector<std::uint8_t>;

ExchangeSpec Command(std::uint8_t command, int replyWaitMs, int bytesWaitedFor, int fewestBytes,
                     std::function<bool(const Reply&)> accepts) {
    ExchangeSpec spec;
    spec.command = command;
    spec.payload = kFrameEnd;
    spec.replyWaitMs = replyWaitMs;
    spec.bytesWaitedFor = bytesWaitedFor;
    spec.fewestBytes = fewestBytes;
    spec.accepts = std::move(accepts);
    spec.attempts = kRestartAttempts;
    return spec;
}

}  // namespace

ExchangeResult restart_quadrel_IR(Link& link) {
    return Exchange(link, Command(kIrRestartCommand, 500, 2, 2, [](const Reply& r) { return r[0] == kConfirm; }));
}

ExchangeResult Link_Quadrel_IR(Link& link) {
    return Exchange(link, Command(kLinkCommand, 500, 5, 4, [](const Reply&) { return true; }));
}

ExchangeResult restart_unit(Link& link) {
    // Some tavs send one byte ahead of the confirmation.
    return Exchange(link, Command(kRestartCommand, 100, 2, 2,
                                  [](const Reply& r) { return r[0] == kConfirm || r[1] == kConfirm; }));
}

void dumb_restart_unit(Link& link) {
    try {
        SendCommandByte(link, kRestartCommand);
        link.Port().OutputBlock(kFrameEnd);
    } catch (const SerialError&) {
        return;  // nothing went out, so there is no restart to wait for
    }
    link.Pause(3000);  // the tav restarts without confirming
}

}  // namespace vantrel
