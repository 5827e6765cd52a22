#pragma once
// What a window does with the user's actions, whichever toolkit draws it: a click reaches
// its handler only when the model lets the control be used, a failure escaping a handler
// is shown and the window stays usable, and the close box and the system's requests to
// end go the program's way (a transfer stops at a record boundary first).

#include <functional>

#include "app/WindowHandlers.h"

namespace vantrel {

class Bootstrap;
struct Control;

// How the view shows a control: greyed when the model forbids it, and also, for what
// takes input, while it is covered or another command runs.
bool ShownEnabled(const Bootstrap& w, const Control& c);

class ViewActions {
public:
    // windowGone: the window has been closed (waits unwind, nothing more is shown).
    ViewActions(Bootstrap& w, WindowHandlers handlers, std::function<bool()> windowGone);

    // A command button was pressed; whether its handler ran. The view disables what the
    // model forbids, and this also holds when it lags behind.
    bool Press(const Control& button);
    // Result row `index` was chosen; whether its handler ran. The row already selected
    // is no new selection.
    bool Choose(int index);
    // The model's timers may be due.
    void TimersDue();

    // The close box: ends the program as Exit does; whether the window may go now.
    // While a tav is being programmed its transfer stops at the next record boundary,
    // the flow reports and restarts the tav, and the program ends once it has returned.
    bool CloseRequested();
    // A request to end that repeats one already stopping a transfer: the sender insists,
    // and the program ends at once, the tav left as it is. Then as the close box.
    bool EndInsisted();

    // Runs a handler. A closed window unwinds a waiting handler with ProgramEnding; any
    // other failure that escapes is shown in a box.
    void Run(const std::function<void()>& handler);
    // The handler run last started a command (see Bootstrap::CommandsStarted), as a
    // click does and a timer's turn mostly does not: where the keyboard focus goes next.
    bool RanCommand() const { return ranCommand_; }

private:
    Bootstrap& w_;
    WindowHandlers handlers_;
    std::function<bool()> windowGone_;
    bool ranCommand_ = false;
};

}  // namespace vantrel
