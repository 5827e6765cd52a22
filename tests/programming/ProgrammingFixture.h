#pragma once
// A window on virtual time with a tav attached, an image put straight into the window's
// variables, and helpers to select a row and open a port by hand.

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <vector>

#include "support/SimWindow.h"
#include "WireFrames.h"

namespace vantrel::test {

class ProgrammingTest : public ::testing::Test {
protected:
    SimWindow sim;
    Bootstrap& w = sim.w;

    // Record i of a test image: its own address and sixteen bytes no other record shares
    // at the same offsets within the first 256 records.
    static FirmwareRecord MakeRecord(int i) {
        FirmwareRecord r;
        r.WordAddress = static_cast<std::int16_t>(0x0100 + 8 * i);
        for (int k = 0; k < 16; ++k) r.Data[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(i * 17 + k * 29 + 11);
        return r;
    }

    void PutImage(int count, std::uint8_t targetReply) {
        w.RecordCount = static_cast<std::int16_t>(count);
        for (int i = 0; i < count; ++i) w.Records[static_cast<std::size_t>(i)] = MakeRecord(i);
        w.TargetReply = targetReply;
    }

    // What the search and the selection leave behind for row `row`.
    void SelectRow(int row) {
        w.Option1[static_cast<std::size_t>(row)].Visible = true;
        w.Option1[static_cast<std::size_t>(row)].Enabled = true;
        w.Option1[static_cast<std::size_t>(row)].Value = 1;
        w.ProgramTav.Enabled = true;
    }

    void OpenCom(int n) {
        w.MSComm1.SetCommPort(static_cast<std::int16_t>(n));
        w.MSComm1.SetPortOpen(true);
    }

    // The records the image sends, last first, as the tav should have stored them.
    std::vector<sim::StoredRecord> ExpectedArrivals() const {
        std::vector<sim::StoredRecord> out;
        for (int i = w.RecordCount - 1; i >= 0; --i) {
            const FirmwareRecord& r = w.Records[static_cast<std::size_t>(i)];
            out.push_back({static_cast<std::uint16_t>(r.WordAddress), r.Data});
        }
        return out;
    }
};

}  // namespace vantrel::test

namespace vantrel::sim {

inline bool operator==(const StoredRecord& a, const StoredRecord& b) {
    return a.wordAddress == b.wordAddress && a.data == b.data;
}

inline void PrintTo(const StoredRecord& r, std::ostream* os) {
    *os << "{" << r.wordAddress << ":";
    for (auto b : r.data) *os << " " << static_cast<int>(b);
    *os << "}";
}

}  // namespace vantrel::sim
