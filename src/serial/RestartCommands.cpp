#include "serial/RestartCommands.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/Bootstrap.h"
#include "serial/CommandFrame.h"
#include "serial/Waits.h"

namespace vantrel {
namespace {

constexpr std::uint8_t kFrameEnd = 255;
constexpr std::uint8_t kConfirm = 240;
constexpr int kAttempts = 4;

enum class Outcome { Accepted, NoReply, Rejected };

struct CommandExchange {
    std::uint8_t command;
    int replyWaitMs;
    int bytesWaitedFor;
    int fewestBytes;  // fewer than this counts as no reply
    std::function<bool(const std::vector<std::uint8_t>&)> accepts;
};

// Sends the two-byte frame (command at odd parity, 255 at even parity).
void SendFrame(Bootstrap& w, std::uint8_t command) {
    SendCommandByte(w, command);
    w.MSComm1.Output(kFrameEnd);
}

// One attempt: stale input dropped, the frame sent, the reply waited for and judged.
// A port that fails under us (adapter pulled) is a tav that did not answer.
Outcome Attempt(Bootstrap& w, const CommandExchange& exchange) {
    try {
        SendFrame(w, exchange.command);
        WaitForBytes(w, exchange.replyWaitMs, exchange.bytesWaitedFor);
        if (w.MSComm1.InBufferCount() < exchange.fewestBytes) return Outcome::NoReply;
        const std::vector<std::uint8_t> reply = w.MSComm1.Input();
        if (static_cast<int>(reply.size()) < exchange.fewestBytes) return Outcome::NoReply;
        return exchange.accepts(reply) ? Outcome::Accepted : Outcome::Rejected;
    } catch (const SerialError&) {
        return Outcome::NoReply;
    }
}

// Up to four attempts; after the last failed one, the box that fits how it failed.
bool Exchange(Bootstrap& w, const CommandExchange& exchange, const std::string& noReplyText,
              const std::string& rejectedText, const std::string& title) {
    Outcome last = Outcome::NoReply;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        last = Attempt(w, exchange);
        if (last == Outcome::Accepted) return true;
    }
    const std::string& text = last == Outcome::Rejected ? rejectedText : noReplyText;
    w.CommonDialog1.MsgBox(text, BoxStyle::OkExclamation, title);
    return false;
}

}  // namespace

bool restart_quadrel_IR(Bootstrap& w) {
    const CommandExchange exchange{119, 500, 2, 2, [](const std::vector<std::uint8_t>& reply) {
                                       return reply[0] == kConfirm;
                                   }};
    return Exchange(w, exchange, "No reply to restart IR micro", "Reply fail to restart IR micro", "Error!");
}

bool Link_Quadrel_IR(Bootstrap& w) {
    // Any reply of four or more bytes stands; bytes 1 and 2 are the IR micro's version.
    const CommandExchange exchange{153, 500, 5, 4, [&w](const std::vector<std::uint8_t>& reply) {
                                       w.IrVersionMajor = reply[1];
                                       w.IrVersionMinor = reply[2];
                                       return true;
                                   }};
    // Every reply long enough is accepted, so there is no wrong-reply text.
    const std::string noLink = "Could not establish communications with IR micro";
    return Exchange(w, exchange, noLink, noLink, "Sorry!");
}

bool restart_unit(Bootstrap& w) {
    // Some tavs send one byte ahead of the confirmation.
    const CommandExchange exchange{51, 100, 2, 2, [](const std::vector<std::uint8_t>& reply) {
                                       return reply[0] == kConfirm || reply[1] == kConfirm;
                                   }};
    return Exchange(w, exchange, "No reply to restart", "Reply fail to restart", "Error!");
}

bool dumb_restart_unit(Bootstrap& w) {
    try {
        SendFrame(w, 51);
    } catch (const SerialError&) {
        return false;  // nothing went out, so there is no restart to wait for
    }
    Pause(w, 3000);  // the tav restarts without confirming
    return false;
}

}  // namespace vantrel
