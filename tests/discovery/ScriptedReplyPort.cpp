#include "ScriptedReplyPort.h"

#include <array>
#include <chrono>
#include <utility>

namespace vantrel::test {
namespace {
constexpr std::array<std::uint8_t, 7> kRequest{0xFF, 0x53, 0x45, 0x54, 0x54, 0x41, 0x56};
}

ScriptedReplyPort::ScriptedReplyPort(sim::VirtualPump& pump, std::string answerSettings,
                                     std::vector<std::uint8_t> reply, Instant firstByteAfter)
    : pump_(pump), answerSettings_(std::move(answerSettings)), reply_(std::move(reply)),
      firstByteAfter_(firstByteAfter) {}

void ScriptedReplyPort::SetSettings(const std::string& settings) {
    settings_ = settings;
    settingsPut_.push_back(settings);
}

void ScriptedReplyPort::Output(std::uint8_t byte) {
    if (!open_) throw SerialError("port closed");
    if (++writes_ == failAt_) throw SerialError("write failed");
    sent_.push_back(byte);
    if (settings_ != answerSettings_) {
        matched_ = 0;
        return;
    }
    matched_ = byte == kRequest[matched_] ? matched_ + 1 : (byte == kRequest[0] ? 1 : 0);
    if (matched_ < kRequest.size()) return;
    matched_ = 0;
    ++requests_;
    Instant at = pump_.Now() + firstByteAfter_;
    for (std::uint8_t b : reply_) {
        pump_.Schedule(at, [this, b] { in_.push_back(b); });
        at += std::chrono::milliseconds(1);
    }
}

std::vector<std::uint8_t> ScriptedReplyPort::Input() { return std::exchange(in_, {}); }

}  // namespace vantrel::test
