// Real-time programming of a 1024-record image over a pseudo-terminal: the Program
// command as the window runs it, its transfer on a Qt port thread with the Qt serial
// adapter and event pump, vantrel-tavsim at the far end. The transfer (first
// loader command byte to the completion's command byte) cannot be shorter than
// 1024 x (10 ms pause after the command byte + the simulator's reply latency), where the
// latency is its 1.5 ms turnaround plus two reply bytes at 9600 8E1 (2 x 11/9600 s).
// Reports the ratio to that floor (target <= 1.05) and the CPU this process used during
// the transfer (target < 2% of one core).
//
// The program's own share of each record is read from the bytes on the wire, as the
// simulator saw them (its --trace): from the acknowledgement's last byte leaving the tav
// to the next loader command byte arriving, and the mandated 10 ms pause's real length
// (the command byte to the block's first byte). Medians and means over the records.
//
//   program_bench [runs]
//   VANTREL_BENCH_TAVSIM=PATH program_bench ...   (another build's simulator, so that two
//                                                  builds are measured against one)

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "QtProgramRig.h"  // SampleRecords
#include "TavsimProcess.h"
#include "app/PortThreadTransfer.h"
#include "app/ProgramTavClick.h"
#include "posix/QtEventPump.h"
#include "posix/QtPortThread.h"
#include "posix/QtSerialPort.h"
#include "registry/RegFileStore.h"
#include "serial/ForwardingSerialPort.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRecords = 1024;
constexpr double kReplyLatency = 0.0015 + 2 * 11.0 / 9600;
constexpr double kFloorSeconds = kRecords * (0.010 + kReplyLatency);

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Every box is printed; the run counts only when the one box is the success box.
class RecordingDialogs : public vantrel::Dialogs {
public:
    vantrel::BoxAnswer MsgBox(const std::string& text, vantrel::BoxStyle, const std::string& title) override {
        boxes.push_back(title + "|" + text);
        return vantrel::BoxAnswer::Ok;
    }
    std::string ShowOpen(const std::string&, bool) override { return {}; }
    std::vector<std::string> boxes;
};

// The transfer's port, with the instants (and CPU clock) at which the first loader command
// and the completion command were handed over.
class StampingPort : public vantrel::ForwardingSerialPort {
public:
    using ForwardingSerialPort::ForwardingSerialPort;
    void Output(std::uint8_t byte) override {
        if (inner_.Settings() == "9600,o,8,1") {
            if (byte == 161 && !firstRecord) firstRecord = Stamp{Clock::now(), CpuSeconds()};
            if (byte == 21 && !completion) completion = Stamp{Clock::now(), CpuSeconds()};
        }
        inner_.Output(byte);
    }

    struct Stamp {
        Clock::time_point at;
        double cpu;
    };
    std::optional<Stamp> firstRecord, completion;
};

// Per record, in milliseconds, from the simulator's trace of the wire.
struct WireFigures {
    std::vector<double> ackToCommand;  // acknowledgement out to the next loader command in
    std::vector<double> pause;         // loader command in to the block's first byte in
};

// Trace lines: "tavsim <ms> ms in  <hex> at <baud>,<parity>,8,<stop>" and
// "tavsim <ms> ms out <hex>".
WireFigures ReadWire(const std::string& tracePath) {
    WireFigures wire;
    std::ifstream trace(tracePath);
    constexpr double kNone = -1;
    double lastOut = kNone, commandIn = kNone;
    bool blockSent = false;  // a record's block has gone: the next acknowledgement is its
    for (std::string line; std::getline(trace, line);) {
        double ms = 0;
        char direction[4] = {};
        unsigned byte = 0;
        char parity = 0;
        const int fields = std::sscanf(line.c_str(), "tavsim %lf ms %3s %x at %*d,%c", &ms, direction, &byte, &parity);
        if (fields >= 3 && std::string(direction) == "out") {
            lastOut = ms;
        } else if (fields == 4 && byte == 161 && parity == 'o') {
            if (blockSent && lastOut != kNone) wire.ackToCommand.push_back(ms - lastOut);
            commandIn = ms;
            blockSent = false;
        } else if (fields == 4 && parity == 'e' && commandIn != kNone) {
            wire.pause.push_back(ms - commandIn);
            commandIn = kNone;
            blockSent = true;
            lastOut = kNone;
        }
    }
    return wire;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

double Mean(const std::vector<double>& v) {
    return v.empty() ? 0 : std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    // The sample's records, repeated at higher addresses up to a full image.
    const std::vector<vantrel::sim::PhxRecord> sample = vantrel::test::SampleRecords();
    std::printf("program_bench: %d records, floor %.3f s (1024 x (10 ms + %.3f ms reply latency))\n", kRecords,
                kFloorSeconds, kReplyLatency * 1000);

    int failures = 0;
    for (int run = 1; run <= runs; ++run) {
        RecordingDialogs dialogs;
        QTemporaryDir dir;
        dir.setAutoRemove(std::getenv("VANTREL_BENCH_KEEP") == nullptr);  // to read the trace afterwards
        vantrel::RegFileStore registry((dir.path() + "/registry.reg").toStdString());
        const char* tavsim = std::getenv("VANTREL_BENCH_TAVSIM");
        const QString tracePath = dir.path() + "/tav.trace";
        vantrel::test::TavsimProcess tav(tavsim ? tavsim : VANTREL_TAVSIM, {"--reply", "11"}, dir.path() + "/report.json",
                                         tracePath);
        setenv("VANTREL_COM1", tav.SlavePath().c_str(), 1);
        vantrel::QtSerialPort windowPort;
        vantrel::QtEventPump pump;
        vantrel::Bootstrap w(windowPort, pump, dialogs, registry);
        std::optional<StampingPort> port;  // made on the port thread, read once it has ended
        vantrel::PortThreadTransfer transfer(
            [&port](vantrel::PortWork work, vantrel::PortFailure failed) {
                return vantrel::StartQtPortThread(
                    [&port, work = std::move(work)](vantrel::SerialPort& qtPort, vantrel::EventPump& threadPump) {
                        work(port.emplace(qtPort), threadPump);
                    },
                    std::move(failed));
            },
            w.Wire);
        w.Transfer = &transfer;
        vantrel::Form_Load(w);

        for (int i = 0; i < kRecords; ++i) {
            auto& record = w.Records[static_cast<std::size_t>(i)];
            record.WordAddress = static_cast<std::int16_t>(i * 8);
            record.Data = sample[static_cast<std::size_t>(i) % sample.size()].data;
        }
        w.RecordCount = kRecords;
        w.TargetReply = 0x11;
        w.Option1[0].Value = 1;

        const auto start = Clock::now();
        vantrel::ProgramTav_Click(w);
        const double total = std::chrono::duration<double>(Clock::now() - start).count();

        const auto report = tav.StopAndReport();
        const bool ok = dialogs.boxes == std::vector<std::string>{"OK! |Tav reprogram suceeded"} &&
                        static_cast<int>(report.records.size()) == kRecords && port && port->firstRecord &&
                        port->completion;
        if (!ok) {
            ++failures;
            std::printf("run %d: FAILED (%zu boxes, %zu records stored)\n", run, dialogs.boxes.size(),
                        report.records.size());
            for (const auto& b : dialogs.boxes) std::printf("  box %s\n", b.c_str());
            continue;
        }
        const double seconds = std::chrono::duration<double>(port->completion->at - port->firstRecord->at).count();
        const double cpu = port->completion->cpu - port->firstRecord->cpu;
        const WireFigures wire = ReadWire(tracePath.toStdString());
        std::printf("run %d: transfer %.3f s = %.4f x floor, %.2f ms per record, CPU %.3f s = %.2f%% of one core; "
                    "whole click %.3f s\n",
                    run, seconds, seconds / kFloorSeconds, seconds * 1000 / kRecords, cpu, 100 * cpu / seconds,
                    total);
        std::printf("run %d: wire, %zu records (%d frames): ack to command median %.3f ms, mean %.3f ms; "
                    "pause median %.3f ms, mean %.3f ms\n",
                    run, wire.ackToCommand.size(), report.counts["recordFrames"].toInt(), Median(wire.ackToCommand), Mean(wire.ackToCommand),
                    Median(wire.pause), Mean(wire.pause));
    }
    return failures == 0 ? 0 : 1;
}
