#include "programming/EndProgramming.h"

#include <cstdint>
#include <vector>

#include "app/Bootstrap.h"
#include "serial/CommandFrame.h"
#include "serial/Waits.h"

namespace vantrel {
namespace {

constexpr std::uint8_t kCompletionCommand = 21;
constexpr std::uint8_t kCompletionConfirm = 234;
constexpr std::uint8_t kCompletionAck = 15;
constexpr int kReplyWaitMs = 500;

std::vector<std::uint8_t> SendCompletionFrame(Bootstrap& w) {
    try {
        SendCommandByte(w, kCompletionCommand);  // leaves the line at even parity
        // The reply wait counts from before the second byte goes out.
        StartTimer1(w, kReplyWaitMs);
        w.MSComm1.Output(kCompletionConfirm);
        while (w.Timer1.Enabled() && w.MSComm1.InBufferCount() < 2) LetEventsRun(w);
        return w.MSComm1.Input();
    } catch (const SerialError&) {
        return {};
    }
}

}  // namespace

bool EndProgramming(Bootstrap& w) {
    for (int attempt = 1; attempt <= kCompletionAttempts; ++attempt) {
        const std::vector<std::uint8_t> reply = SendCompletionFrame(w);
        if (!reply.empty() && reply[0] == kCompletionAck) {
            w.CommonDialog1.MsgBox("Tav reprogram suceeded", BoxStyle::OkExclamation, "OK! ");
            return true;
        }
    }
    w.CommonDialog1.MsgBox("Failed to restart unit", BoxStyle::OkExclamation, "Error! ");
    return false;
}

}  // namespace vantrel
