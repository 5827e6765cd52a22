// The search over ports as data: each port's finding (opened or why not, identification,
// type, IR-micro link, selectable), what the observer hears and when, one port after the
// other on one link and all at once on port threads of their own.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "discovery/SearchPorts.h"
#include "support/SimLine.h"
#include "support/VirtualPortThread.h"

namespace vantrel::test {
namespace {

using namespace std::chrono_literals;

// What a bench holds on each COM port.
struct PortSetup {
    enum Kind { Missing, Busy, Empty, Tav } kind = Missing;
    sim::TavProfile profile{};
};
using Bench = std::map<int, PortSetup>;

void Equip(SimLine& line, const Bench& bench) {
    for (const auto& [port, setup] : bench) {
        if (setup.kind == PortSetup::Tav) line.AttachTav(port, setup.profile);
        if (setup.kind == PortSetup::Empty || setup.kind == PortSetup::Busy) line.port.AddEmptyPort(port);
        if (setup.kind == PortSetup::Busy) line.port.SetBusy(port, true);
    }
}

sim::TavProfile Tav(std::uint8_t replyCode, std::uint8_t major, std::uint8_t minor) {
    return {.replyCode = replyCode, .major = major, .minor = minor};
}

// Everything it is told, in order, on whichever thread.
struct Heard : SearchObserver {
    void StepEnded(int comPort, SearchStep step, const ExchangeResult& result) override {
        std::lock_guard lock(mutex);
        events.push_back("COM" + std::to_string(comPort) + " step " + std::to_string(static_cast<int>(step)) +
                         (result.Accepted() ? " stood" : " failed"));
    }
    void PortSearched(const PortFinding& finding) override {
        std::lock_guard lock(mutex);
        events.push_back("COM" + std::to_string(finding.comPort) + " searched");
    }
    std::mutex mutex;
    std::vector<std::string> events;
};

// One bench, every kind of port: a tav of the file's type, one of another type, nothing
// behind an open port, a port another program holds, and no port at all.
const Bench kBench{
    {1, {PortSetup::Tav, Tav(0x66, 2, 15)}},
    {2, {PortSetup::Busy}},
    {3, {PortSetup::Tav, Tav(0x22, 1, 4)}},
    {4, {PortSetup::Empty}},
};

std::string NameOf(const std::vector<TypeRow>& types, std::uint8_t reply) {
    for (const TypeRow& row : types)
        if (row.Reply == reply) return row.Name;
    return "(none)";
}

void ExpectBenchFindings(const PortFindings& f, const std::vector<TypeRow>& types) {
    EXPECT_EQ(f[0].access, PortAccess::Opened);
    EXPECT_EQ(f[0].identification, 0x0F0266);
    ASSERT_TRUE(f[0].type.has_value());
    EXPECT_EQ(f[0].type->Reply, 0x66);
    EXPECT_EQ(f[0].versionText, "2.15");
    EXPECT_FLOAT_EQ(f[0].version, 3.5f);  // the minor number counts tenths
    EXPECT_TRUE(f[0].selectable);
    EXPECT_EQ(f[0].Text(), NameOf(types, 0x66) + "2.15");
    ASSERT_TRUE(f[0].restart.has_value());
    EXPECT_TRUE(f[0].restart->Accepted());

    EXPECT_EQ(f[1].access, PortAccess::InUse);
    EXPECT_EQ(f[1].accessError, "COM2 is in use by another program");
    EXPECT_FALSE(f[1].selectable);

    EXPECT_EQ(f[2].access, PortAccess::Opened);
    EXPECT_EQ(f[2].identification, 0x040122);
    EXPECT_FALSE(f[2].selectable);  // another type than the file's
    EXPECT_EQ(f[2].Text(), NameOf(types, 0x22) + "1.4");

    EXPECT_EQ(f[3].access, PortAccess::Opened);  // opens, but nothing answers
    EXPECT_EQ(f[3].identification, 0);
    EXPECT_FALSE(f[3].type.has_value());
    EXPECT_FALSE(f[3].restart.has_value());
    EXPECT_EQ(f[3].Text(), "");
    for (int i = 0; i < kComPorts; ++i) EXPECT_EQ(f[static_cast<std::size_t>(i)].comPort, i + 1);
}

TEST(SearchPortsInTurn, EachPortsFindingInPortOrderWithTheObserverToldAsEachEnds) {
    SimLine line;
    Equip(line, kBench);
    SearchRequest request{line.types, 0x66, false};
    Heard heard;
    PortFindings found;
    const Instant took = line.Timed([&] { found = SearchPortsInTurn(line.link, request, heard); });
    ExpectBenchFindings(found, line.types);
    EXPECT_EQ(heard.events, (std::vector<std::string>{"COM1 step 0 stood", "COM1 searched", "COM2 searched",
                                                     "COM3 step 0 stood", "COM3 searched", "COM4 searched"}));
    // The silent port: the break, then one pass of nine rates (1.63 s); the tavs answer at 9600.
    EXPECT_GT(took, 1630ms);
    EXPECT_FALSE(line.port.PortOpen());
}

TEST(SearchPortsInTurn, MissingPortsAndPortsNotAskedForAndEmergencyListing) {
    SimLine line;
    line.AttachTav(2, Tav(0x66, 1, 0));
    line.port.AddEmptyPort(3);
    SearchRequest request{line.types, 0x66, true, {2, 4}};
    Heard heard;
    const PortFindings f = SearchPortsInTurn(line.link, request, heard);
    EXPECT_EQ(f[0].access, PortAccess::NotTried);
    EXPECT_EQ(f[2].access, PortAccess::NotTried);
    EXPECT_EQ(f[3].access, PortAccess::Missing);
    EXPECT_EQ(f[3].accessError, "COM4 does not exist");
    EXPECT_TRUE(f[1].emergency);
    EXPECT_TRUE(f[1].selectable);
    EXPECT_EQ(f[1].Text(), "Emergency Comm port 2");
    EXPECT_TRUE(line.port.SentBytes(2).empty());  // listed, never probed
    EXPECT_EQ(heard.events, (std::vector<std::string>{"COM2 searched", "COM4 searched"}));
}

TEST(SearchPortsInTurn, TheIrMicroBehindACarrierIsWhatTheFindingShowsOnlyWhenTheLinkStands) {
    for (const int linkReplyLength : {5, 3}) {
        SCOPED_TRACE(linkReplyLength);
        SimLine line;
        sim::TavProfile carrier = Tav(0x23, 1, 2);
        carrier.linkReplyLength = linkReplyLength;
        line.AttachTav(1, carrier);
        Heard heard;
        const PortFindings f = SearchPortsInTurn(line.link, SearchRequest{line.types, 0x25, false, {1}}, heard);
        const bool stood = linkReplyLength == 5;
        EXPECT_EQ(f[0].probed, 0x020123);
        ASSERT_TRUE(f[0].irLink.has_value());
        EXPECT_EQ(f[0].irLink->Accepted(), stood);
        ASSERT_TRUE(f[0].irRestart.has_value());
        EXPECT_EQ(f[0].identification, stood ? 0x070325 : 0x020123);
        EXPECT_EQ(f[0].selectable, stood);
        EXPECT_EQ(f[0].versionText, stood ? "3.7" : "1.2");
        EXPECT_EQ(heard.events, (std::vector<std::string>{"COM1 step 0 stood",
                                                         std::string("COM1 step 1 ") + (stood ? "stood" : "failed"),
                                                         "COM1 step 2 stood", "COM1 searched"}));
    }
}

TEST(SearchPortsAtOnce, EachPortOnItsOwnThreadFindsWhatTheSearchInTurnFinds) {
    const StartPortThread start = VirtualPortThreads([](SimLine& line) { Equip(line, kBench); });
    const std::vector<TypeRow> types = DefaultTypeRows();
    Heard heard;
    const PortFindings found = SearchPortsAtOnce(start, SearchRequest{types, 0x66, false}, heard);
    ExpectBenchFindings(found, types);
    EXPECT_EQ(heard.events.size(), 6u);
}

TEST(SearchPortsAtOnce, APortThreadThePlatformCannotEquipIsAFailedFinding) {
    const StartPortThread start = [](PortWork, PortFailure failed) -> std::unique_ptr<PortThread> {
        failed("no event loop for the port");
        return std::make_unique<PortThread>();
    };
    Heard heard;
    const PortFindings found = SearchPortsAtOnce(start, SearchRequest{DefaultTypeRows(), 0x66, false, {3}}, heard);
    EXPECT_EQ(found[2].access, PortAccess::Failed);
    EXPECT_EQ(found[2].accessError, "no event loop for the port");
    EXPECT_EQ(found[0].access, PortAccess::NotTried);
}

}  // namespace
}  // namespace vantrel::test
