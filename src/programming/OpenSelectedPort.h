#pragma once
// Opening the COM port of the result row the user selected.

#include <optional>

namespace vantrel {

class Bootstrap;

// The selected result row (0..3), or none.
std::optional<int> SelectedRow(const Bootstrap& w);

// Closes the port if it is open, then opens COMn of the selected row (row i is COM i+1)
// and lets the line settle for 100 ms. Returns false when there is no selected row or its
// port cannot be opened.
bool OpenSelectedPort(Bootstrap& w);

// Closes the port if it is open, puts the RTS line and opens the port again (the port
// number stays). Returns false when the port cannot be opened.
bool ReopenPort(Bootstrap& w, bool rts);

// Drops RTS and closes the port; never fails, also on a device that has gone.
void ClosePort(Bootstrap& w);

}  // namespace vantrel
