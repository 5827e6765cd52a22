#pragma once
// The keyboard in every window: where the focus goes once a command has returned, and the
// order Tab takes through the controls. A keyboard-only user must find the focus on a
// control that does something, not lost because the command covered or greyed the one
// the user pressed.

#include <vector>

namespace vantrel {

class Bootstrap;
struct Control;

// The control that should have the focus now that a command has returned; nullptr when
// none can take it (everything covered). The selected row when it can be chosen, else
// the first row that can be (a search has just found tavs: choosing one comes next);
// else Search again, else Load, else Exit. Never Program or Emergency: a stray key press
// must not start a transfer, nor the warning.
const Control* FocusAfterCommand(const Bootstrap& w);

// Where the focus belongs once a handler has returned. `focused` has it now (nullptr:
// none, or no control of the model); `commandRan`: the handler ran a command (see
// ViewActions::RanCommand). After a command it goes to the next step: meanwhile the
// view may have handed the focus of a control it greyed to the next one (often Exit,
// where a space would end the program), and that was not the user's choice. Otherwise
// (a timer's turn) it stays where the user put it, while that can still be used.
const Control* FocusOnReturn(const Bootstrap& w, const Control* focused, bool commandRan);

// The controls Tab reaches, in the order it reaches them whatever their state: top to
// bottom and, at the same height, left to right on the window.
std::vector<const Control*> TabOrder(const Bootstrap& w);

}  // namespace vantrel
