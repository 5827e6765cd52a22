#include "sim/TavDevice.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace vantrel::sim {
namespace {

constexpr std::array<std::uint8_t, 7> kIdentificationRequest{0xFF, 0x53, 0x45, 0x54, 0x54, 0x41, 0x56};

constexpr std::uint8_t kRestart = 51;
constexpr std::uint8_t kIrRestart = 119;
constexpr std::uint8_t kLink = 153;
constexpr std::uint8_t kCompletion = 21;
constexpr std::uint8_t kLoader = 161;
constexpr std::uint8_t kIrLoader = 136;
constexpr std::uint8_t kCommandConfirm = 255;
constexpr std::uint8_t kCompletionConfirm = 234;
constexpr std::uint8_t kAck = 15;
constexpr std::uint8_t kIrAck = 240;
constexpr std::uint8_t kWrongCompletionReply = 240;
// Second byte of the loader's two-byte replies, so that the host's wait for two bytes
// ends as soon as the reply is in.
constexpr std::uint8_t kCompletionTrailer = 0xC3;

constexpr vantrel::LineSettings kCommandLine{9600, vantrel::Parity::Even, 8, 1};

std::uint8_t SumOf(const std::uint8_t* first, const std::uint8_t* last) {
    return static_cast<std::uint8_t>(std::accumulate(first, last, 0u));
}

}  // namespace

vantrel::Instant ByteTime(const vantrel::LineSettings& s) {
    const std::int64_t bits = 1 + s.dataBits + (s.parity == vantrel::Parity::None ? 0 : 1) + s.stopBits;
    return std::chrono::nanoseconds(bits * 1'000'000'000 / s.baud);
}

TavDevice::TavDevice(TavProfile profile, TavFaults faults)
    : profile_(std::move(profile)), faults_(faults) {}

std::map<std::uint16_t, std::array<std::uint8_t, 16>> TavDevice::Memory() const {
    std::map<std::uint16_t, std::array<std::uint8_t, 16>> memory;
    for (const auto& r : records_) memory[r.wordAddress] = r.data;
    return memory;
}

bool TavDevice::Unplugged() const {
    return faults_.unplugAfterRecords >= 0 &&
           records_.size() >= static_cast<std::size_t>(faults_.unplugAfterRecords);
}

bool TavDevice::IsIdentificationByte(const vantrel::LineSettings& s) const {
    // Stop bits are not checked: a receiver looks at the first stop bit only.
    return s.baud == profile_.baud && s.dataBits == 8 && s.parity == vantrel::Parity::None;
}

bool TavDevice::IsCommandByte(const vantrel::LineSettings& s) const {
    return s.baud == 9600 && s.dataBits == 8 && s.parity == vantrel::Parity::Odd;
}

bool TavDevice::IsPayloadByte(const vantrel::LineSettings& s) const {
    return s.baud == 9600 && s.dataBits == 8 && s.parity == vantrel::Parity::Even;
}

void TavDevice::ResetReceiver() {
    idMatched_ = 0;
    awaiting_ = Awaiting::Nothing;
    blockFill_ = 0;
}

std::vector<Reply> TavDevice::Receive(std::uint8_t byte, const vantrel::LineSettings& settings, bool rts,
                                      vantrel::Instant at) {
    std::vector<Reply> out;
    if (Unplugged()) return out;
    answering_ = !faults_.silent && (rts || !faults_.rtsRequired);

    if (settings.baud == 110 && byte == 0x00) {
        ++breaks_;
        ResetReceiver();
        return out;
    }
    const bool identification = IsIdentificationByte(settings);
    const bool command = IsCommandByte(settings);
    const bool payload = IsPayloadByte(settings);

    if (identification) IdentificationByte(byte, at, out);
    else idMatched_ = 0;

    if (command) CommandByte(byte);
    else if (payload) PayloadByte(byte, at, out);
    else awaiting_ = Awaiting::Nothing;
    return out;
}

void TavDevice::IdentificationByte(std::uint8_t byte, vantrel::Instant at, std::vector<Reply>& out) {
    if (byte == kIdentificationRequest[idMatched_]) ++idMatched_;
    else idMatched_ = byte == kIdentificationRequest[0] ? 1 : 0;
    if (idMatched_ < kIdentificationRequest.size()) return;

    idMatched_ = 0;
    ++identificationRequests_;
    if (faults_.loaderOnly || identificationRequests_ <= faults_.answerAfterRequests) return;

    const std::uint8_t b0 = profile_.replyCode, b1 = profile_.major, b2 = profile_.minor;
    std::uint8_t check = static_cast<std::uint8_t>(255 - static_cast<std::uint8_t>(b0 + b1 + b2));
    if (faults_.wrongCheckByte) ++check;
    Send({b0, b1, b2, check, profile_.fifthByte}, {profile_.baud, vantrel::Parity::None, 8, 2}, at, out);
}

void TavDevice::CommandByte(std::uint8_t byte) {
    // A command byte always starts a new frame: an unfinished one is dropped.
    commands_.push_back(byte);
    command_ = byte;
    blockFill_ = 0;
    const std::uint8_t loader = profile_.irMicro ? kIrLoader : kLoader;
    if (byte == loader) awaiting_ = Awaiting::Block;
    else if (byte == kRestart || byte == kIrRestart || byte == kLink || byte == kCompletion)
        awaiting_ = Awaiting::Confirm;
    else awaiting_ = Awaiting::Nothing;
}

void TavDevice::PayloadByte(std::uint8_t byte, vantrel::Instant at, std::vector<Reply>& out) {
    if (awaiting_ == Awaiting::Confirm) {
        awaiting_ = Awaiting::Nothing;
        const std::uint8_t expected = command_ == kCompletion ? kCompletionConfirm : kCommandConfirm;
        if (byte == expected) ConfirmedCommand(at, out);
    } else if (awaiting_ == Awaiting::Block) {
        block_[blockFill_++] = byte;
        if (blockFill_ == block_.size()) {
            awaiting_ = Awaiting::Nothing;
            blockFill_ = 0;
            CompleteBlock(at, out);
        }
    }
}

void TavDevice::ConfirmedCommand(vantrel::Instant at, std::vector<Reply>& out) {
    switch (command_) {
        case kRestart:
            ++restarts_;
            Send(profile_.restartReply, kCommandLine, at, out);
            break;
        case kIrRestart:
            ++irRestarts_;
            Send(profile_.irRestartReply, kCommandLine, at, out);
            break;
        case kLink: {
            ++links_;
            std::vector<std::uint8_t> reply;
            for (int i = 0; i < profile_.linkReplyLength; ++i) {
                switch (i) {
                    case 0: reply.push_back(kLink); break;
                    case 1: reply.push_back(profile_.irMajor); break;
                    case 2: reply.push_back(profile_.irMinor); break;
                    case 3: reply.push_back(static_cast<std::uint8_t>(255 - SumOf(reply.data(), reply.data() + 3))); break;
                    default: reply.push_back(static_cast<std::uint8_t>(0x40 + i)); break;
                }
            }
            Send(reply, kCommandLine, at, out);
            break;
        }
        case kCompletion: {
            ++completions_;
            std::uint8_t answer = profile_.completionAck;
            if (faults_.wrongCompletions > 0) {
                --faults_.wrongCompletions;
                answer = kWrongCompletionReply;
            }
            Send({answer, kCompletionTrailer}, kCommandLine, at, out);
            break;
        }
        default:
            break;
    }
}

void TavDevice::CompleteBlock(vantrel::Instant at, std::vector<Reply>& out) {
    ++recordFrames_;
    const std::uint8_t checkByte = block_[18];
    const bool checkOk = SumOf(block_.data(), block_.data() + block_.size()) == 255;
    const std::uint8_t ack = profile_.irMicro ? kIrAck : kAck;
    bool wrongAck = false;
    if (faults_.wrongAckRecords > 0) {
        --faults_.wrongAckRecords;
        wrongAck = true;
    }
    if (!checkOk) {
        ++badBlocks_;
        if (!faults_.noAck) Send({profile_.badBlockReply, checkByte}, kCommandLine, at, out);
        return;
    }
    if (faults_.noAck) return;
    if (wrongAck) {
        // The acknowledgement of the other kind of loader: a plausible byte, but wrong.
        Send({profile_.irMicro ? kAck : kIrAck, checkByte}, kCommandLine, at, out);
        return;
    }
    StoredRecord record{static_cast<std::uint16_t>(block_[0] | (block_[1] << 8)), {}};
    std::copy(block_.begin() + 2, block_.begin() + 18, record.data.begin());
    records_.push_back(record);
    Send({ack, checkByte}, kCommandLine, at, out);
}

std::uint8_t TavDevice::NextJunk() {
    // xorshift32; the junk never looks like an acknowledgement or the 0xE6 reply code.
    for (;;) {
        junkState_ ^= junkState_ << 13;
        junkState_ ^= junkState_ >> 17;
        junkState_ ^= junkState_ << 5;
        const auto b = static_cast<std::uint8_t>(junkState_ >> 11);
        if (b != kAck && b != kIrAck && b != 0xE6 && b != 0xFF) return b;
    }
}

void TavDevice::Send(const std::vector<std::uint8_t>& bytes, const vantrel::LineSettings& line,
                     vantrel::Instant at, std::vector<Reply>& out) {
    if (!answering_ || bytes.empty()) return;
    const vantrel::Instant byteTime = ByteTime(line);
    vantrel::Instant start = at + kTurnaround + (faults_.lateReply ? kLateDelay : vantrel::Instant{});
    if (start < lineFreeAt_) start = lineFreeAt_;
    auto put = [&](std::uint8_t b) {
        start += byteTime;
        out.push_back({start, b, line});
    };
    for (int i = 0; i < faults_.strayBytesBeforeReply; ++i) put(NextJunk());
    for (std::uint8_t b : bytes) put(b);
    if (faults_.garbage && ++repliesSent_ % 3 == 0) {
        start += kGarbageDelay;
        put(NextJunk());
    }
    lineFreeAt_ = start;
}

}  // namespace vantrel::sim
