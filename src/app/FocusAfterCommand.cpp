#include "app/FocusAfterCommand.h"

#include <algorithm>

#include "app/Bootstrap.h"

namespace vantrel {

const Control* FocusAfterCommand(const Bootstrap& w) {
    for (const Control& row : w.Option1)
        if (row.Value != 0 && w.CanActivate(row)) return &row;
    for (const Control& row : w.Option1)
        if (w.CanActivate(row)) return &row;
    for (const Control* button : {&w.search, &w.Load, &w.Exit})
        if (w.CanActivate(*button)) return button;
    return nullptr;
}

const Control* FocusOnReturn(const Bootstrap& w, const Control* focused, bool commandRan) {
    if (!commandRan && focused && w.CanActivate(*focused)) return focused;
    return FocusAfterCommand(w);
}

std::vector<const Control*> TabOrder(const Bootstrap& w) {
    std::vector<const Control*> order;
    for (const Control* c : w.AllControls())
        if (c->Kind == ControlKind::OptionButton || c->Kind == ControlKind::CommandButton) order.push_back(c);
    std::stable_sort(order.begin(), order.end(), [&w](const Control* a, const Control* b) {
        const int aTop = w.WindowTop(*a), bTop = w.WindowTop(*b);
        return aTop != bTop ? aTop < bTop : w.WindowLeft(*a) < w.WindowLeft(*b);
    });
    return order;
}

}  // namespace vantrel
