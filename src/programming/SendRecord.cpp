#include "programming/SendRecord.h"

#include <vector>

#include "app/Bootstrap.h"
#include "serial/CommandFrame.h"
#include "serial/Waits.h"

namespace vantrel {
namespace {

constexpr std::uint8_t kLoaderCommand = 161;
constexpr std::uint8_t kLoaderAck = 15;
constexpr std::uint8_t kIrLoaderCommand = 136;
constexpr std::uint8_t kIrLoaderAck = 240;
constexpr int kReplyWaitMs = 500;
constexpr int kWrongReplyPauseMs = 500;

// One frame: command byte, block, reply wait. Returns what came back; a port that fails
// on the way (device gone) gives no reply, like a silent tav.
std::vector<std::uint8_t> SendFrame(Bootstrap& w, std::uint8_t command, const RecordBlock& block) {
    try {
        SendCommandByte(w, command);
        // One hand-over: the block leaves back to back, as the loader expects it.
        w.MSComm1.OutputBlock(block);
        WaitForBytes(w, kReplyWaitMs, 2);
        return w.MSComm1.Input();
    } catch (const SerialError&) {
        return {};
    }
}

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

bool SendRecord(Bootstrap& w, std::int16_t index, bool irMicro, int* attempts) {
    if (attempts) *attempts = 0;
    if (index < 0 || index >= static_cast<std::int16_t>(w.Records.size())) return false;
    const RecordBlock block = BuildRecordBlock(w.Records[static_cast<std::size_t>(index)]);
    const std::uint8_t command = irMicro ? kIrLoaderCommand : kLoaderCommand;
    const std::uint8_t ack = irMicro ? kIrLoaderAck : kLoaderAck;

    for (int attempt = 1; attempt <= kRecordAttempts; ++attempt) {
        if (attempts) *attempts = attempt;
        const std::vector<std::uint8_t> reply = SendFrame(w, command, block);
        if (reply.empty()) continue;  // silence: the reply wait was the pause
        if (reply[0] == ack) return true;
        // A wrong reply: give the loader time to settle before the block goes again.
        if (attempt < kRecordAttempts) Pause(w, kWrongReplyPauseMs);
    }
    return false;
}

}  // namespace vantrel
