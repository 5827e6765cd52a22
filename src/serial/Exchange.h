#pragma once
// One exchange with a tav, as the restart and link commands, the record transfer and the
// completion all make it: a command frame (command byte at odd parity, the payload at even
// parity), the reply wait, the reply judged, and the whole tried a counted number of
// times, with stale input dropped before every attempt.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace vantrel {

class Link;

// How an attempt ended: the tav's reply stood, it did not answer (too few bytes, or the
// port failed under the attempt), or its reply was not the one wanted.
enum class ReplyKind { Accepted, NoReply, Rejected };

struct ExchangeResult {
    ReplyKind reply = ReplyKind::NoReply;  // of the last attempt made
    int attempts = 0;                      // frames sent (or tried)
    std::vector<std::uint8_t> bytes;       // the reply that ended the last attempt, if read

    bool Accepted() const { return reply == ReplyKind::Accepted; }
};

struct ExchangeSpec {
    std::uint8_t command = 0;
    std::span<const std::uint8_t> payload;  // after the command byte, at even parity, in one hand-over
    int replyWaitMs = 0;
    int bytesWaitedFor = 0;
    int fewestBytes = 1;  // a reply of fewer bytes is no reply (and is left unread)
    std::function<bool(const std::vector<std::uint8_t>&)> accepts;
    int attempts = 1;
    // Before the next attempt after a reply that was not accepted (none after the last).
    int pauseAfterRejectedMs = 0;
    // The reply wait counts from before the payload goes out, not from after it.
    bool waitIncludesPayload = false;
};

// Tries until a reply is accepted or the attempts run out; never throws SerialError.
ExchangeResult Exchange(Link& link, const ExchangeSpec& spec);

}  // namespace vantrel
