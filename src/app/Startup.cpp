// Start-up, the display reset and the end of the program.

#include <string>

#include "app/Bootstrap.h"

namespace vantrel {

void Form_Load(Bootstrap& w) {
    w.Types.CheckTypeRegistry();
    ResetDisplay(w);

    for (auto& panel : w.Blanking) panel.Left = w.Frame3.Left;
    w.PleaseWait.Left = w.Frame3.Left;
    // The panels lie above everything else, PleaseWait above the search covers.
    for (auto& panel : w.Blanking) w.BringToFront(panel);
    w.BringToFront(w.PleaseWait);

    w.Caption = "Vantrel " + std::to_string(w.App.Major) + "." + std::to_string(w.App.Minor) + "." +
                std::to_string(w.App.Revision);

    if (!w.CommandLine.empty()) w.Timer2.SetEnabled(true);
}

void ResetDisplay(Bootstrap& w) {
    for (auto& option : w.Option1) option.Visible = false;
    for (auto& row : w.TavType) row.Visible = false;
    for (auto& panel : w.Blanking) panel.Visible = false;
    w.search.Enabled = false;
    w.ProgramTav.Enabled = false;
    w.Text1.Caption.clear();
    w.Text2.Caption.clear();
    w.Emergency.Enabled = false;
}

void EndProgram(Bootstrap& w) {
    if (w.MSComm1.PortOpen()) w.MSComm1.SetPortOpen(false);
    w.Ended = true;
}

void Exit_Click(Bootstrap& w) {
    // Ending in the middle of a transfer would leave the tav in its loader holding part
    // of an image, and nobody told: the flow stops at the next record boundary instead,
    // reports, restarts the tav, and then the program ends.
    if (w.ProgramCommand.Running) {
        w.ProgramCommand.StopRequested = true;
        w.ProgramCommand.EndWhenDone = true;
        return;
    }
    EndProgram(w);
}

void CloseWindow(Bootstrap& w) {
    // The close box runs no handler of the window, but the port must not stay open
    // either: it ends the program as Exit does.
    Exit_Click(w);
}

}  // namespace vantrel
