#include "programming/EndProgramming.h"

#include <array>
#include <cstdint>
#include <vector>

#include "serial/Link.h"

namespace vantrel {
namespace {

constexpr std::uint8_t kCompletionCommand = 21;
constexpr std::array<std::uint8_t, 1> kCompletionConfirm{234};
constexpr std::uint8_t kCompletionAck = 15;
constexpr int kReplyWaitMs = 500;

}  // namespace

ExchangeResult EndProgramming(Link& link) {
    ExchangeSpec spec;
    spec.command = kCompletionCommand;
    spec.payload = kCompletionConfirm;
    spec.replyWaitMs = kReplyWaitMs;
    spec.bytesWaitedFor = 2;
    spec.accepts = [](const std::vector<std::uint8_t>& reply) { return reply[0] == kCompletionAck; };
    spec.attempts = kCompletionAttempts;
    spec.waitIncludesPayload = true;  // the 500 ms count from before the 234 goes out
    return Exchange(link, spec);
}

}  // namespace vantrel
