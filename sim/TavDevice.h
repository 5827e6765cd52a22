#pragma once
// The device model of one tav: what it answers to each byte the host sends, and when.
// It has no I/O and no clock of its own; the caller says when each byte finished
// arriving and gets back the reply bytes with the instants the host has them.
//
// The tav listens in three ways at once:
//  - identification: FF 53 45 54 54 41 56 at its own rate, no parity, 8 data bits,
//    answered with b0 b1 b2 b3 b4 (b3 makes b0+b1+b2+b3+1 a multiple of 256);
//  - commands: a command byte at 9600 odd parity, then bytes at 9600 even parity;
//  - break: a 00 byte at 110 baud holds the line low long enough to reset its receiver.
// A byte that fits none of these (wrong rate, wrong parity) is line noise to it: it is
// not understood and cuts short whatever request was being received.

#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "serial/EventPump.h"
#include "serial/LineSettings.h"

namespace vantrel::sim {

struct TavProfile {
    std::uint8_t replyCode = 0x11;      // identification byte b0 as sent (0xE6 is sent as is)
    std::uint8_t major = 2, minor = 5;  // b1, b2
    std::uint8_t fifthByte = 0x5A;      // b4, never examined by the host
    int baud = 9600;                    // the one rate it answers the identification at
    bool irMicro = false;               // loader command 136 and acknowledgement 240 (else 161 / 15)
    std::uint8_t irMajor = 3, irMinor = 7;  // bytes 1 and 2 of the link reply
    int linkReplyLength = 5;            // bytes in the link reply; 3 = a link that never stands
    std::vector<std::uint8_t> restartReply{240, 0x33};    // reply to 51 ({7, 240} is also accepted)
    std::vector<std::uint8_t> irRestartReply{240, 0x77};  // reply to 119
    std::uint8_t completionAck = 15;    // reply to the completion frame 21 / 234
    std::uint8_t badBlockReply = 0x55;  // reply to a block whose check byte is wrong
};

// Faults on demand. Faults of the line (silent, rtsRequired without RTS) leave the tav
// working inside: it still stores what it hears. Faults of the loader (noAck,
// wrongAckRecords) mean the block was not taken: it is not stored.
struct TavFaults {
    bool silent = false;            // answers nothing at all
    bool loaderOnly = false;        // ignores identification requests; commands and loader work
                                    // (a tav whose earlier programming failed)
    bool wrongCheckByte = false;    // identification check byte off by one
    int answerAfterRequests = 0;    // ignores the first N identification requests
    int wrongAckRecords = 0;        // the next N record blocks get a wrong acknowledgement
                                    // (240, or 15 on an IR micro) and are not stored
    bool noAck = false;             // never answers a record block (and does not store it)
    int wrongCompletions = 0;       // the next N completion frames get a wrong reply (240)
    bool lateReply = false;         // every reply comes 600 ms late (after any host wait)
    int strayBytesBeforeReply = 0;  // this many junk bytes precede every reply
    bool garbage = false;           // every third reply is trailed, 3 ms after its end, by a
                                    // junk byte: stale input for the host's next exchange
    int unplugAfterRecords = -1;    // after N stored records it hears and answers nothing (-1 never)
    bool rtsRequired = false;       // answers only while RTS is on (reply code 0x99 tavs)
};

struct StoredRecord {
    std::uint16_t wordAddress;
    std::array<std::uint8_t, 16> data;
};

struct Reply {
    vantrel::Instant at;    // the instant the byte is fully received by the host
    std::uint8_t byte;
    vantrel::LineSettings line{9600, vantrel::Parity::Even, 8, 1};  // as the tav sent it
};

// Time one character takes on the line: start bit, data bits, parity bit, stop bits.
vantrel::Instant ByteTime(const vantrel::LineSettings& settings);

class TavDevice {
public:
    explicit TavDevice(TavProfile profile = {}, TavFaults faults = {});

    // One byte from the host that finished arriving at `at`, sent with these line
    // settings and this RTS state. Returns what the tav sends back, with realistic
    // timing: a short turnaround, then byte after byte at the rate of the reply,
    // behind anything the tav is still sending. Calls come in order of `at`.
    std::vector<Reply> Receive(std::uint8_t byte, const vantrel::LineSettings& settings, bool rts,
                               vantrel::Instant at);

    TavProfile& Profile() { return profile_; }  // may be changed between exchanges
    TavFaults& Faults() { return faults_; }
    const TavProfile& Profile() const { return profile_; }
    const TavFaults& Faults() const { return faults_; }

    // What reached the tav.
    const std::vector<StoredRecord>& Records() const { return records_; }  // stored blocks, in order
    std::map<std::uint16_t, std::array<std::uint8_t, 16>> Memory() const;  // by word address
    int IdentificationRequests() const { return identificationRequests_; }  // complete, at its rate
    int Breaks() const { return breaks_; }                // 00 bytes at 110 baud
    int Restarts() const { return restarts_; }            // 51 frames
    int IrRestarts() const { return irRestarts_; }        // 119 frames
    int Links() const { return links_; }                  // 153 frames
    int RecordFrames() const { return recordFrames_; }    // complete loader frames, every attempt
    int BadBlocks() const { return badBlocks_; }          // blocks whose check byte was wrong
    int Completions() const { return completions_; }      // 21 / 234 frames
    const std::vector<std::uint8_t>& Commands() const { return commands_; }  // odd-parity bytes

    // Between the last byte in and the first reply byte starting out.
    static constexpr vantrel::Instant kTurnaround = std::chrono::microseconds(1500);
    static constexpr vantrel::Instant kLateDelay = std::chrono::milliseconds(600);
    static constexpr vantrel::Instant kGarbageDelay = std::chrono::milliseconds(3);

private:
    enum class Awaiting { Nothing, Confirm, Block };

    bool IsIdentificationByte(const vantrel::LineSettings& s) const;
    bool IsCommandByte(const vantrel::LineSettings& s) const;
    bool IsPayloadByte(const vantrel::LineSettings& s) const;
    bool Unplugged() const;

    void IdentificationByte(std::uint8_t byte, vantrel::Instant at, std::vector<Reply>& out);
    void CommandByte(std::uint8_t byte);
    void PayloadByte(std::uint8_t byte, vantrel::Instant at, std::vector<Reply>& out);
    void ConfirmedCommand(vantrel::Instant at, std::vector<Reply>& out);
    void CompleteBlock(vantrel::Instant at, std::vector<Reply>& out);
    void ResetReceiver();

    // Queues a reply on the tav's transmit line, with the faults that touch every reply.
    void Send(const std::vector<std::uint8_t>& bytes, const vantrel::LineSettings& line,
              vantrel::Instant at, std::vector<Reply>& out);
    std::uint8_t NextJunk();

    TavProfile profile_;
    TavFaults faults_;
    bool answering_ = true;  // false while the line cannot carry a reply (silent, no RTS)

    std::size_t idMatched_ = 0;  // bytes of the identification request matched so far
    Awaiting awaiting_ = Awaiting::Nothing;
    std::uint8_t command_ = 0;
    std::array<std::uint8_t, 19> block_{};
    std::size_t blockFill_ = 0;

    vantrel::Instant lineFreeAt_{};  // the tav's transmit line is free again at this instant
    std::uint32_t junkState_ = 0x2545F491u;
    int repliesSent_ = 0;

    std::vector<StoredRecord> records_;
    int identificationRequests_ = 0;
    int breaks_ = 0;
    int restarts_ = 0;
    int irRestarts_ = 0;
    int links_ = 0;
    int recordFrames_ = 0;
    int badBlocks_ = 0;
    int completions_ = 0;
    std::vector<std::uint8_t> commands_;
};

}  // namespace vantrel::sim
