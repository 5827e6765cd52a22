#pragma once

namespace vantrel {

class Bootstrap;

// The Program button: sends the loaded image to the tav of the selected row, with the
// please-wait panel, the bar and percentage, and the boxes of the outcome.
void ProgramTav_Click(Bootstrap& w);

// Bar and percentage after `done` of `total` records have gone out.
void ShowProgress(Bootstrap& w, int done, int total);

}  // namespace vantrel
