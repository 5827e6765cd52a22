#include "serial/Exchange.h"

#include "serial/CommandFrame.h"
#include "serial/Link.h"

namespace vantrel {
namespace {

// One attempt. A port that fails under it (adapter pulled) is a tav that did not answer.
ReplyKind Attempt(Link& link, const ExchangeSpec& spec, std::vector<std::uint8_t>& reply) {
    reply.clear();
    try {
        SendCommandByte(link, spec.command);
        if (spec.waitIncludesPayload) link.StartReplyTimer(spec.replyWaitMs);
        link.Port().OutputBlock(spec.payload);
        if (!spec.waitIncludesPayload) link.StartReplyTimer(spec.replyWaitMs);
        link.AwaitBytes(spec.bytesWaitedFor);
        if (link.Port().InBufferCount() < spec.fewestBytes) return ReplyKind::NoReply;
        reply = link.Port().Input();
        if (static_cast<int>(reply.size()) < spec.fewestBytes) return ReplyKind::NoReply;
        return spec.accepts(reply) ? ReplyKind::Accepted : ReplyKind::Rejected;
    } catch (const SerialError&) {
        return ReplyKind::NoReply;
    }
}

}  // namespace

ExchangeResult Exchange(Link& link, const ExchangeSpec& spec) {
    ExchangeResult result;
    while (result.attempts < spec.attempts) {
        ++result.attempts;
        result.reply = Attempt(link, spec, result.bytes);
        if (result.Accepted()) break;
        if (result.reply == ReplyKind::Rejected && spec.pauseAfterRejectedMs > 0 && result.attempts < spec.attempts)
            link.Pause(spec.pauseAfterRejectedMs);
    }
    return result;
}

}  // namespace vantrel
