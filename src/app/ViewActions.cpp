#include "app/ViewActions.h"

#include <exception>

#include "app/Bootstrap.h"

namespace vantrel {
namespace {

bool TakesInput(ControlKind kind) {
    return kind == ControlKind::TextBox || kind == ControlKind::OptionButton || kind == ControlKind::CommandButton;
}

}  // namespace

bool ShownEnabled(const Bootstrap& w, const Control& c) {
    return c.Enabled && (w.IsUsable(c) || !TakesInput(c.Kind));
}

ViewActions::ViewActions(Bootstrap& w, WindowHandlers handlers, std::function<bool()> windowGone)
    : w_(w), handlers_(std::move(handlers)), windowGone_(std::move(windowGone)) {}

bool ViewActions::Press(const Control& button) {
    const std::function<void(Bootstrap&)>* handler = nullptr;
    if (&button == &w_.search) handler = &handlers_.search;
    if (&button == &w_.ProgramTav) handler = &handlers_.ProgramTav;
    if (&button == &w_.Load) handler = &handlers_.Load;
    if (&button == &w_.Exit) handler = &handlers_.Exit;
    if (&button == &w_.Emergency) handler = &handlers_.Emergency;
    if (!handler || !w_.CanActivate(button)) return false;
    Run([this, handler] {
        if (*handler) (*handler)(w_);
    });
    return true;
}

bool ViewActions::Choose(int index) {
    if (index < 0 || index >= static_cast<int>(w_.Option1.size())) return false;
    Control& option = w_.Option1[static_cast<std::size_t>(index)];
    if (!w_.CanActivate(option) || option.Value != 0) return false;
    for (auto& other : w_.Option1) other.Value = 0;
    option.Value = 1;
    Run([this, index] {
        if (handlers_.Option1) handlers_.Option1(w_, static_cast<std::int16_t>(index));
    });
    return true;
}

void ViewActions::TimersDue() {
    Run([this] { w_.FireDueTimers(); });
}

bool ViewActions::CloseRequested() {
    // Exit has already done its part when the program has ended.
    if (!w_.Ended) CloseWindow(w_);
    return w_.Ended;
}

bool ViewActions::EndInsisted() {
    if (w_.ProgramCommand.Running && w_.ProgramCommand.StopRequested && !w_.Ended) EndProgram(w_);
    return CloseRequested();
}

void ViewActions::Run(const std::function<void()>& handler) {
    ranCommand_ = false;
    if (windowGone_()) return;
    const unsigned commandsBefore = w_.CommandsStarted;
    try {
        handler();
    } catch (const ProgramEnding&) {
        // The window was closed while the handler waited: it has unwound, nothing to show.
    } catch (const std::exception& e) {
        if (!windowGone_()) w_.CommonDialog1.MsgBox(e.what(), BoxStyle::OkExclamation, "Error!");
    }
    ranCommand_ = w_.CommandsStarted != commandsBefore;
}

}  // namespace vantrel
