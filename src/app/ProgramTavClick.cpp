#include "app/ProgramTavClick.h"

#include <optional>
#include <span>
#include <stdexcept>

#include "app/Bootstrap.h"
#include "app/CommandScope.h"
#include "app/TavBoxes.h"
#include "app/TransferRunner.h"
#include "programming/ProgramTav.h"
#include "programming/Progress.h"

namespace vantrel {
namespace {

// The selected result row (0..3), or none.
std::optional<int> SelectedRow(const Bootstrap& w) {
    for (int i = 0; i < static_cast<int>(w.Option1.size()); ++i)
        if (w.Option1[static_cast<std::size_t>(i)].Value != 0) return i;
    return std::nullopt;
}

// The flow as the window shows it.
class WindowProgramming : public ProgrammingObserver {
public:
    explicit WindowProgramming(Bootstrap& w) : w_(w) {}

    bool StopRequested() override { return w_.ProgramCommand.StopRequested; }
    void CannotOpen(std::int16_t comPort) override { Show(w_.CommonDialog1, CannotOpenBox(comPort)); }
    void Progress(int sent, int total) override { ShowProgress(w_, sent, total); }
    void TransferFailed(const ProgrammingRun&) override {
        Show(w_.CommonDialog1, TransferFailedBox());
        w_.ProgressBar1.Value = 0;
        w_.PleaseWait.Visible = false;
    }
    void CompletionEnded(const ExchangeResult& completion) override {
        Show(w_.CommonDialog1, CompletionBox(completion));
    }
    void RestartEnded(RestartCommand which, const ExchangeResult& restart) override {
        if (const auto box = RestartBox(which, restart)) Show(w_.CommonDialog1, *box);
    }

private:
    Bootstrap& w_;
};

// Marks the flow as running for as long as it runs, also when a closed window unwinds it.
class RunningFlag {
public:
    explicit RunningFlag(ProgramControl& command) : command_(command) { command_.Running = true; }
    ~RunningFlag() { command_.Running = false; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;

private:
    ProgramControl& command_;
};

// The please-wait panel and the bar for as long as the flow runs: gone again however it
// ends, also when the platform fails under it, so the window is not left covered.
class PanelShown {
public:
    explicit PanelShown(Bootstrap& w) : w_(w), designMax_(w.ProgressBar1.Max) {
        w_.PleaseWait.Visible = true;
        // The bar's range is the record count while the image goes out, so that bar and
        // percentage agree; an empty image shows no progress and keeps the design range.
        if (w_.RecordCount > 0) w_.ProgressBar1.Max = w_.RecordCount;
    }
    ~PanelShown() {
        w_.ProgressBar1.Value = 0;
        w_.ProgressBar1.Max = designMax_;
        w_.PleaseWait.Visible = false;
    }
    PanelShown(const PanelShown&) = delete;
    PanelShown& operator=(const PanelShown&) = delete;

private:
    Bootstrap& w_;
    const int designMax_;
};

// What the record of the run keeps of how it began.
RunStart StartFacts(const Bootstrap& w, int row) {
    RunStart facts;
    facts.file = w.File;
    facts.comPort = row + 1;
    facts.emergency = w.EmergencyMode != VbFalse;
    facts.tavShown = w.Found[static_cast<std::size_t>(row)].Text();
    facts.tavVersion = w.Found[static_cast<std::size_t>(row)].versionText;
    // The question belongs to this run only if it was put for the row now selected.
    if (w.ChosenRow == row && w.ChosenRowCheck.asked) {
        facts.versionAsked = true;
        facts.versionQuestion = w.ChosenRowCheck.question;
        facts.versionAnswerOk = w.ChosenRowCheck.goAhead;
    }
    return facts;
}

}  // namespace

void ShowProgress(Bootstrap& w, int done, int total) {
    w.ProgressBar1.Value = done;
    w.Label2.Caption = PercentText(done, total);
}

void ProgramTav_Click(Bootstrap& w) {
    const CommandScope command(w);
    if (!command) return;  // another command holds the port
    w.ProgramCommand = ProgramControl{};
    w.Programming = ProgrammingRun{};
    w.Programming.RecordCount = w.RecordCount;
    // Without a selected row there is no tav to program: touch no port.
    const std::optional<int> row = SelectedRow(w);
    if (!row) {
        Show(w.CommonDialog1, NoTavSelectedBox());
        return;
    }
    const std::span<const FirmwareRecord> image(w.Records.data(), static_cast<std::size_t>(w.RecordCount));
    if (const std::optional<int> line = FirstDataLineOutOfReach(image)) {
        Show(w.CommonDialog1, OutOfReachBox(*line));
        return;
    }

    TransferRunner* const transfer = w.Transfer;
    if (!transfer) throw std::logic_error("The Program command has nowhere to run its transfer");

    const RunningFlag running(w.ProgramCommand);
    const PanelShown panel(w);

    WindowProgramming shown(w);
    const ProgrammingJob job{image, w.TargetReply, static_cast<std::int16_t>(*row + 1), w.Types.TypeTable};
    transfer->Run(job, w.Programming, shown, w.Runs, StartFacts(w, *row));
    if (w.ProgramCommand.EndWhenDone) EndProgram(w);
}

}  // namespace vantrel
