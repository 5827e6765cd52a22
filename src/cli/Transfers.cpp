#include "cli/Transfers.h"

#include "app/TavBoxes.h"
#include "cli/ConsoleDialogs.h"
#include "cli/ConsoleOutput.h"
#include "cli/DeniedPortNotice.h"
#include "cli/TraceLog.h"
#include "cli/TracingSerialPort.h"
#include "programming/PortThreadRun.h"
#include "programming/Progress.h"
#include "runs/RunLog.h"
#include "serial/Link.h"

namespace vantrel::cli {
namespace {

// The flow as the console tells it: the boxes and progress of one tav.
class ConsoleTransfer : public ProgrammingObserver {
public:
    ConsoleTransfer(ConsoleOutput& output, TraceLog* trace, std::optional<int> port, const std::atomic<bool>& stop,
                    runs::RunLog* record)
        : output_(output), trace_(trace), port_(port), stop_(stop), record_(record) {}

    bool StopRequested() override { return stop_; }
    void CannotOpen(std::int16_t comPort) override { Tell(CannotOpenBox(comPort)); }
    void Progress(int sent, int total) override { output_.Progress(sent, total, PercentText(sent, total), port_); }
    void TransferFailed(const ProgrammingRun&) override { Tell(TransferFailedBox()); }
    void CompletionEnded(const ExchangeResult& completion) override { Tell(CompletionBox(completion)); }
    void RestartEnded(RestartCommand which, const ExchangeResult& restart) override {
        if (const auto box = RestartBox(which, restart)) Tell(*box);
    }

private:
    void Tell(const OutcomeBox& box) {
        TellBox(output_, trace_, port_, box.title, box.text);
        if (record_) record_->Shown(box.title, box.text);
    }

    ConsoleOutput& output_;
    TraceLog* trace_;
    std::optional<int> port_;
    const std::atomic<bool>& stop_;
    runs::RunLog* record_;
};

}  // namespace

struct Transfers::Running {
    Transfer transfer;
    ProgrammingJob job;
    RunStart facts;
    runs::RunLog* record = nullptr;
    std::atomic<bool> done{false};
    std::unique_ptr<PortThread> thread;
};

Transfers::Transfers(StartPortThread start, EventPump& mainPump, ConsoleOutput& output, TraceLog* trace, bool tagged)
    : start_(std::move(start)), mainPump_(mainPump), output_(output), trace_(trace), tagged_(tagged) {}

Transfers::~Transfers() {
    Abandon();
    for (auto& r : running_) r->thread.reset();
}

void Transfers::Start(int port, const ProgrammingJob& job, const RunStart& facts, runs::RunLog* record) {
    auto& r = *running_.emplace_back(std::make_unique<Running>());
    r.transfer.port = port;
    r.job = job;
    r.facts = facts;
    r.record = record;
    r.job.comPort = static_cast<std::int16_t>(port);
    r.thread = start_([this, &r](SerialPort& port, EventPump& pump) { Work(r, port, pump); },
                      [this, &r](const char* what) {
                          r.transfer.failure = what;
                          Finished(r);
                      });
}

void Transfers::Work(Running& r, SerialPort& platformPort, EventPump& platformPump) {
    AbandonablePump pump(platformPump, abandonment_);
    const int n = r.transfer.port;
    const std::optional<int> tag = tagged_ ? std::optional<int>(n) : std::nullopt;
    DeniedPortNotice noticed(platformPort, stderr,
                             [this](int port, const std::string& text) { output_.PortNote(port, text); });
    TracingSerialPort port(noticed, trace_, PortPrefix(tag));
    Link link(port, pump);
    std::optional<TraceWaits> waits;
    if (trace_) {
        waits.emplace(*trace_, PortPrefix(tag));
        link.SetObserver(&*waits);
        trace_->Write(PortPrefix(tag) + "program COM" + std::to_string(n));
    }
    ConsoleTransfer told(output_, trace_, tag, stop_, r.record);
    const PortThreadEnd end = RunOnPortThread(link, r.job, r.transfer.run, told, r.record, r.facts);
    r.transfer.abandoned = end.abandoned;
    r.transfer.failure = end.failure;
    Finished(r);
}

void Transfers::Finished(Running& r) {
    r.done = true;
    mainPump_.Wake();
}

bool Transfers::AllDone() const {
    for (const auto& r : running_)
        if (!r->done) return false;
    return true;
}

void Transfers::StopAtRecordBoundary() { stop_ = true; }

void Transfers::Abandon() { abandonment_.Abandon(); }

std::vector<const Transfer*> Transfers::Results() const {
    std::vector<const Transfer*> results;
    for (const auto& r : running_) results.push_back(&r->transfer);
    return results;
}

}  // namespace vantrel::cli
