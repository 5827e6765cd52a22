// The virtual serial port: which ports open, what its operations refuse, and the timing
// of bytes both ways on virtual time.

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "HostSide.h"
#include "serial/SerialPort.h"

namespace vantrel::sim {
namespace {

using namespace std::chrono_literals;
using test::Host;
using Bytes = std::vector<std::uint8_t>;
using Kind = VirtualSerialPort::WireEvent::Kind;

double Ms(vantrel::Instant d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::vector<VirtualSerialPort::WireEvent> EventsOf(const VirtualSerialPort& port, Kind kind) {
    std::vector<VirtualSerialPort::WireEvent> out;
    for (const auto& e : port.Log())
        if (e.kind == kind) out.push_back(e);
    return out;
}

TEST(VirtualSerialPort, OnlyPortsThatExistAndAreFreeOpen) {
    Host host;
    TavDevice tav;
    host.port.AttachTav(1, tav);
    host.port.AddEmptyPort(2);
    host.port.SetBusy(4, true);

    host.port.SetCommPort(3);
    EXPECT_THROW(host.port.SetPortOpen(true), vantrel::SerialError);
    host.port.SetCommPort(4);
    EXPECT_THROW(host.port.SetPortOpen(true), vantrel::SerialError);
    EXPECT_FALSE(host.port.PortOpen());

    host.port.SetCommPort(2);
    host.port.SetPortOpen(true);
    EXPECT_TRUE(host.port.PortOpen());
    EXPECT_THROW(host.port.SetPortOpen(true), vantrel::SerialError);
    EXPECT_THROW(host.port.SetCommPort(1), vantrel::SerialError);
    EXPECT_TRUE(host.Identify("9600,n,8,2").empty());  // nothing on COM2
    host.port.SetPortOpen(false);
    host.port.SetPortOpen(false);  // closing a closed port is harmless

    host.port.SetCommPort(1);
    host.port.SetPortOpen(true);
    EXPECT_EQ(host.Identify("9600,n,8,2").size(), 5u);
    EXPECT_EQ(host.port.SentBytes(1).size(), 7u);
    EXPECT_EQ(host.port.SentBytes(2).size(), 7u);
}

TEST(VirtualSerialPort, RefusedOperations) {
    Host host;
    TavDevice tav;
    host.port.AttachTav(1, tav);
    EXPECT_THROW(host.port.Output(0x33), vantrel::SerialError);  // closed

    host.port.SetSettings("38400,N,8,2");
    EXPECT_THROW(host.port.SetSettings("38400,x,8,2"), vantrel::SerialError);
    EXPECT_THROW(host.port.SetSettings("9600,n,8"), vantrel::SerialError);
    EXPECT_EQ(host.port.Settings(), "38400,N,8,2");

    host.port.SetPortOpen(true);
    host.port.Unplug(1);
    EXPECT_THROW(host.port.Output(0x33), vantrel::SerialError);
    EXPECT_THROW(host.port.SetSettings("9600,n,8,2"), vantrel::SerialError);
    EXPECT_EQ(host.port.InBufferCount(), 0);
    host.port.SetPortOpen(false);
    EXPECT_THROW(host.port.SetPortOpen(true), vantrel::SerialError);
    host.port.AttachTav(1, tav);  // plugged in again
    host.port.SetPortOpen(true);
    EXPECT_TRUE(host.port.PortOpen());
}

TEST(VirtualSerialPort, IdentificationReplyComesWithinTheWaitAtTheTavsRateOnly) {
    Host host;
    TavDevice tav(TavProfile{.baud = 19200});
    host.port.AttachTav(1, tav);
    host.port.SetPortOpen(true);

    vantrel::Instant start = host.pump.Now();
    EXPECT_TRUE(host.Identify("9600,n,8,2").empty());
    EXPECT_EQ(Ms(host.pump.Now() - start), 170.0);  // seven 10 ms pauses, the full 100 ms wait

    host.ClearLogAndMark();
    const Bytes reply = host.Identify("19200,n,8,2");
    EXPECT_EQ(reply, (Bytes{0x11, 2, 5, 0xE7, 0x5A}));
    // The last request byte goes out 60 ms into the request; the fifth reply byte is in
    // one character, the turnaround and five characters later, inside the 10 ms pause.
    const auto received = EventsOf(host.port, Kind::Received);
    ASSERT_EQ(received.size(), 5u);
    const double ch = 11.0 / 19200 * 1000;
    EXPECT_NEAR(Ms(received.back().at - host.mark), 60 + ch + 1.5 + 5 * ch, 0.001);
    EXPECT_EQ(received.back().text, "19200,n,8,2");
}

TEST(VirtualSerialPort, BytesGoOutBackToBackAndRepliesFollow) {
    Host host;
    TavDevice tav;
    host.port.AttachTav(1, tav);
    host.port.SetPortOpen(true);
    host.ClearLogAndMark();

    // Command byte, 10 ms, 19 block bytes handed over at one instant.
    const Bytes ack = host.Frame(161, test::Block(0x0123, 0x4D));
    ASSERT_EQ(ack.size(), 2u);
    EXPECT_EQ(ack[0], 15);
    const auto received = EventsOf(host.port, Kind::Received);
    ASSERT_EQ(received.size(), 2u);
    const double ch = 11.0 / 9600 * 1000;
    EXPECT_NEAR(Ms(received[0].at - host.mark), 10 + 19 * ch + 1.5 + ch, 0.001);
    EXPECT_NEAR(Ms(received[1].at - received[0].at), ch, 0.001);
    EXPECT_EQ(Ms(host.pump.Now() - received[1].at), 0.0);  // the wait ended on the second byte

    const auto sent = EventsOf(host.port, Kind::Sent);
    ASSERT_EQ(sent.size(), 20u);
    EXPECT_EQ(sent[0].text, "9600,o,8,1");
    EXPECT_EQ(sent[1].text, "9600,e,8,1");
    EXPECT_EQ(tav.Memory().at(0x0123)[0], 0x4D);
}

TEST(VirtualSerialPort, RepliesReachOnlyTheOpeningTheyWereMeantFor) {
    Host host;
    TavDevice tav;
    host.port.AttachTav(1, tav);
    host.port.SetPortOpen(true);

    host.Frame(51, {255}, 0ms);
    host.port.SetPortOpen(false);
    host.port.SetPortOpen(true);
    host.Wait(100ms);
    EXPECT_EQ(host.port.InBufferCount(), 0);
    EXPECT_EQ(EventsOf(host.port, Kind::Discarded).size(), 2u);
    host.port.ClearLog();

    // A reply at 9600 finds the port switched to another rate: noise, no bytes.
    host.Frame(51, {255}, 0ms);
    host.port.SetSettings("4800,e,8,1");
    host.Wait(100ms);
    EXPECT_EQ(host.port.InBufferCount(), 0);
    EXPECT_EQ(EventsOf(host.port, Kind::Discarded).size(), 2u);

    // Closing drops what was waiting; Input empties the buffer.
    host.port.SetSettings("9600,e,8,1");
    EXPECT_EQ(host.Frame(51, {255}, 100ms, 3).size(), 2u);
    EXPECT_TRUE(host.port.Input().empty());
    host.Frame(51, {255}, 0ms);
    host.Wait(100ms);
    EXPECT_EQ(host.port.InBufferCount(), 2);
    host.port.SetPortOpen(false);
    host.port.SetPortOpen(true);
    EXPECT_EQ(host.port.InBufferCount(), 0);
    EXPECT_EQ(tav.Restarts(), 4);
}

TEST(VirtualSerialPort, RtsIsRememberedWhileClosedAndAppliedAtOnceWhenOpen) {
    Host host;
    TavDevice tav(TavProfile{.replyCode = 0xE6}, TavFaults{.rtsRequired = true});
    host.port.AttachTav(1, tav);
    host.port.SetRTSEnable(true);
    host.port.SetPortOpen(true);
    EXPECT_TRUE(host.port.RTSEnable());
    EXPECT_EQ(host.Frame(51, {255}, 100ms).size(), 2u);
    host.port.SetRTSEnable(false);
    EXPECT_TRUE(host.Frame(51, {255}, 100ms).empty());
    EXPECT_EQ(EventsOf(host.port, Kind::Rts).size(), 2u);
}

// A whole programming exchange: 1024 records from the last to the first, then the
// completion, all acknowledged; the tav's memory holds the image byte for byte.
TEST(VirtualSerialPort, WholeTransferReachesTheTavIntact) {
    Host host;
    TavDevice tav;
    host.port.AttachTav(2, tav);
    host.port.SetCommPort(2);
    host.port.SetPortOpen(true);
    const vantrel::Instant start = host.pump.Now();
    for (int i = 1023; i >= 0; --i) {
        const Bytes reply = host.Frame(161, test::Block(static_cast<std::uint16_t>(8 * i), static_cast<std::uint8_t>(i * 3)));
        ASSERT_EQ(reply.at(0), 15) << i;
    }
    EXPECT_EQ(host.Frame(21, {234}).at(0), 15);
    const auto memory = tav.Memory();
    ASSERT_EQ(memory.size(), 1024u);
    for (int i = 0; i < 1024; ++i) {
        const auto& data = memory.at(static_cast<std::uint16_t>(8 * i));
        for (int k = 0; k < 16; ++k) ASSERT_EQ(data[k], static_cast<std::uint8_t>(i * 3 + 7 * k)) << i;
    }
    // Each record: 10 ms pause, 19 characters, turnaround, 2 characters.
    const double ch = 11.0 / 9600 * 1000;
    const double perRecord = 10 + 19 * ch + 1.5 + 2 * ch;
    EXPECT_NEAR(Ms(host.pump.Now() - start), 1024 * perRecord + 10 + ch + 1.5 + 2 * ch, 0.1);
}

}  // namespace
}  // namespace vantrel::sim
