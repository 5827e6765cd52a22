#include "programming/SendRecord.h"

#include <vector>

#include "serial/Link.h"

namespace vantrel {
namespace {

constexpr std::uint8_t kLoaderCommand = 161;
constexpr std::uint8_t kLoaderAck = 15;
constexpr std::uint8_t kIrLoaderCommand = 136;
constexpr std::uint8_t kIrLoaderAck = 240;
constexpr int kReplyWaitMs = 500;
// After a wrong reply the loader gets time to settle before the block goes again;
// silence needs none, the reply wait was the pause.
constexpr int kWrongReplyPauseMs = 500;

}  // namespace

RecordBlock BuildRecordBlock(const FirmwareRecord& record) {
    const auto address = static_cast<std::uint16_t>(record.WordAddress);
    RecordBlock block{};
    block[0] = static_cast<std::uint8_t>(address & 0xFF);
    block[1] = static_cast<std::uint8_t>(address >> 8);
    for (std::size_t k = 0; k < record.Data.size(); ++k) block[2 + k] = record.Data[k];
    unsigned sum = 0;
    for (std::size_t k = 0; k < 18; ++k) sum += block[k];
    block[18] = static_cast<std::uint8_t>(255 - (sum & 0xFF));
    return block;
}

ExchangeResult SendRecord(Link& link, const FirmwareRecord& record, bool irMicro) {
    const RecordBlock block = BuildRecordBlock(record);
    const std::uint8_t ack = irMicro ? kIrLoaderAck : kLoaderAck;
    ExchangeSpec spec;
    spec.command = irMicro ? kIrLoaderCommand : kLoaderCommand;
    // One hand-over: the block leaves back to back, as the loader expects it.
    spec.payload = block;
    spec.replyWaitMs = kReplyWaitMs;
    spec.bytesWaitedFor = 2;
    spec.accepts = [ack](const std::vector<std::uint8_t>& reply) { return reply[0] == ack; };
    spec.attempts = kRecordAttempts;
    spec.pauseAfterRejectedMs = kWrongReplyPauseMs;
    return Exchange(link, spec);
}

}  // namespace vantrel
