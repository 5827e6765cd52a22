#pragma once
// A window on virtual time with a tav on COM2 and a test image put straight into the
// window's variables.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "support/SimWindow.h"
#include "support/WireFrames.h"

namespace vantrel::test {

struct Rig {
    // A tav answering `target` (153 answers 0xE6) on COM2, selected in row 1 as the search
    // and the user leave it, and an image of `count` records for it. Record i has its own
    // address and sixteen bytes no other record shares at the same offsets.
    Rig(int count, std::uint8_t target, sim::TavProfile profile = {}, sim::TavFaults faults = {}) {
        profile.replyCode = target == 153 ? 0xE6 : target;
        tav = &sim.AttachTav(2, profile, faults);
        w.Option1[1].Visible = w.Option1[1].Enabled = w.ProgramTav.Enabled = true;
        w.Option1[1].Value = 1;
        w.TargetReply = target;
        w.RecordCount = static_cast<std::int16_t>(count);
        for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
            w.Records[i].WordAddress = static_cast<std::int16_t>(0x0100 + 8 * i);
            for (std::size_t k = 0; k < 16; ++k) w.Records[i].Data[k] = static_cast<std::uint8_t>(i * 17 + k * 29 + 11);
        }
    }
    void OpenCom2() {
        w.MSComm1.SetCommPort(2);
        w.MSComm1.SetPortOpen(true);
    }

    std::vector<WireFrame> Frames() const { return test::Frames(sim.port); }
    Bytes Commands() const { return test::Commands(sim.port); }
    // The image's records, last first, as the tav should have stored them.
    std::vector<sim::StoredRecord> ExpectedArrivals() const {
        std::vector<sim::StoredRecord> out;
        for (auto i = static_cast<std::size_t>(w.RecordCount); i-- > 0;)
            out.push_back({static_cast<std::uint16_t>(w.Records[i].WordAddress), w.Records[i].Data});
        return out;
    }

    SimWindow sim;
    Bootstrap& w = sim.w;
    sim::TavDevice* tav = nullptr;
};

}  // namespace vantrel::test
