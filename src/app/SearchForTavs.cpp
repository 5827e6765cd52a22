#include "app/SearchForTavs.h"

#include <cstdint>

#include "app/Bootstrap.h"
#include "app/TavBoxes.h"
#include "discovery/SearchPorts.h"
#include "serial/PortSteps.h"

namespace vantrel {
namespace {

constexpr int kRows = 4;  // COM1..COM4, row i is COM(i + 1)

// Shows each port's finding in its row as it comes in, and the boxes of the exchanges
// that did not stand at the moment they end.
class Rows : public SearchObserver {
public:
    explicit Rows(Bootstrap& w) : w_(w) {}

    void StepEnded(int, SearchStep step, const ExchangeResult& result) override {
        std::optional<OutcomeBox> box;
        switch (step) {
            case SearchStep::Restart: box = RestartBox(RestartCommand::Unit, result); break;
            case SearchStep::IrLink: box = IrLinkBox(result); break;
            case SearchStep::IrRestart: box = RestartBox(RestartCommand::IrMicro, result); break;
        }
        if (box) Show(w_.CommonDialog1, *box);
    }

    void PortSearched(const PortFinding& finding) override {
        const auto row = static_cast<std::size_t>(finding.comPort - 1);
        // No such port, or another program holds it: the row stays hidden.
        w_.TavType[row].Visible = finding.Opened();
        w_.TavType[row].Caption = finding.Text();
        w_.Option1[row].Enabled = finding.selectable;
        w_.TavVersion[row] = finding.version;
        if (finding.irLink && finding.irLink->Accepted()) {
            w_.IrVersionMajor = finding.irLink->bytes[1];
            w_.IrVersionMinor = finding.irLink->bytes[2];
        }
        w_.Blanking[row].Visible = false;  // this row's result comes into view
    }

private:
    Bootstrap& w_;
};

}  // namespace

void SearchForTavs(Bootstrap& w) {
    // Cover the rows and the command buttons while the search runs.
    for (int i = 0; i < kRows; ++i) {
        w.Blanking[i].Visible = true;
        w.Option1[i].Value = 0;
        w.Option1[i].Enabled = false;
        w.Option1[i].Visible = false;
        w.TavType[i].Caption.clear();
        w.TavVersion[i] = 0.0f;
    }
    w.Found = {};
    CloseIfOpen(w.MSComm1);
    w.MSComm1.SetRTSEnable(SearchWithRts(w.TargetReply));

    SearchRequest request;
    request.types = w.Types.TypeTable;
    request.targetReply = w.TargetReply;
    request.emergency = w.EmergencyMode != VbFalse;
    Rows rows(w);
    w.Found = SearchPortsInTurn(w.Wire, request, rows);

    for (int i = 0; i < kRows; ++i) w.Option1[i].Visible = w.TavType[i].Visible;
    w.ProgramTav.Enabled = false;
    for (auto& option : w.Option1) option.Value = 0;
}

}  // namespace vantrel
