#pragma once
// A window on virtual time whose programming runs are recorded: the run log of the
// window (or of the console) writing into a folder of the test's own, the message boxes
// passing through the recording dialogs to scripted answers, a tav on COM2, and a real
// PHX file loaded and searched for, so that every fact of a record comes from where the
// program keeps it.

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/Bootstrap.h"
#include "app/Commands.h"
#include "app/LoadFirmwareFile.h"
#include "runs/RecordingDialogs.h"
#include "runs/RunLog.h"
#include "sim/PhxWriter.h"
#include "sim/TavDevice.h"
#include "sim/VirtualPump.h"
#include "sim/VirtualSerialPort.h"
#include "support/InPlaceTransfer.h"
#include "support/ScratchRegistry.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

namespace vantrel::test {

using Json = nlohmann::json;

// n records at byte addresses 100 hex, 110 hex, ..., data that repeats nowhere.
inline std::vector<sim::PhxRecord> DistinctRecords(int n) {
    std::vector<sim::PhxRecord> records;
    std::uint32_t state = 0x9E3779B9u;
    for (int k = 0; k < n; ++k) {
        auto& r = records.emplace_back(sim::PhxRecord{static_cast<std::uint16_t>(0x100 + k * 16), {}});
        for (auto& b : r.data) b = static_cast<std::uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
    }
    return records;
}

struct RecordedWindow {
    using Adjust = std::function<void(runs::RunLogSettings&, const std::filesystem::path& dir)>;
    explicit RecordedWindow(bool console = false, const Adjust& adjust = {})
        : log(Settings(console, adjust)), dialogs(scripted, log), w(port, pump, dialogs, registry) {
        Form_Load(w);
        w.Runs = &log;
        w.Transfer = &inPlace;
    }

    runs::RunLogSettings Settings(bool console, const Adjust& adjust) {
        runs::RunLogSettings s;
        s.location.file = dir.Path() / "state" / "runs.jsonl";
        s.frontEnd = console ? "console" : "window";
        s.endAwaitsExitStatus = console;
        s.onTrouble = [this](const std::string& problem) { troubles.push_back(problem); };
        s.describePort = [this](int com) {
            describedPorts.push_back(com);
            return runs::PortFacts{"/dev/ttyUSB7", "/dev/serial/by-id/usb-Bench_Adapter_A1-if00-port0"};
        };
        if (adjust) adjust(s, dir.Path());
        return s;
    }

    sim::TavDevice& AttachTav(sim::TavProfile profile = {}, sim::TavFaults faults = {}) {
        sim::TavDevice& tav = tavs.emplace_back(profile, faults);
        port.AttachTav(2, tav);
        return tav;
    }

    // Writes a file for "Tav model 00" of version 2.5 and loads it as the command-line
    // load does; the search that follows finds the tav.
    std::string LoadFile(int records) { return LoadFile(DistinctRecords(records)); }
    std::string LoadFile(const std::vector<sim::PhxRecord>& records) {
        const std::string path = (dir.Path() / "fw.phx").string();
        std::ofstream(path, std::ios::binary) << sim::WritePhx("Tav model 00", "2.5", records);
        LoadFirmwareFile(w, path);
        return path;
    }

    // The record file's lines, each parsed.
    std::vector<Json> Lines() const {
        std::vector<Json> lines;
        std::ifstream in(dir.Path() / "state" / "runs.jsonl", std::ios::binary);
        for (std::string line; std::getline(in, line);) lines.push_back(Json::parse(line));
        return lines;
    }

    TempDir dir;
    ScratchRegistry registry;
    sim::VirtualPump pump;
    sim::VirtualSerialPort port{pump};
    ScriptedDialogs scripted;
    std::vector<std::string> troubles;
    std::vector<int> describedPorts;
    runs::RunLog log;
    runs::RecordingDialogs dialogs;
    Bootstrap w;
    InPlaceTransfer inPlace{w.Wire};
    std::deque<sim::TavDevice> tavs;
    std::function<void()> watch;  // scheduled by a test into the program's waits
};

}  // namespace vantrel::test
