#pragma once
// One control of the model as a Windows control: which window class stands for which kind
// of control, and copying the control's state into it. Frames are panels of their own
// (see Panel.h) that hold their group box and what the frame contains.

#include <windows.h>

#include <string>

#include "app/Control.h"
#include "app/TwipsScale.h"

namespace vantrel {

// A control's window and what has last been copied into it, so that an unchanged model
// costs no message and no repaint.
struct ControlWindow {
    Control* control = nullptr;
    HWND window = nullptr;
    HWND groupBox = nullptr;  // a frame's border and caption, inside its panel
    PixelRect rect{};
    std::wstring text, tip;
    std::wstring fittedText;  // the label text its font was last fitted to
    bool tipAdded = false;
    int min = -1, max = -1, value = -1;
};

// Makes the window for c as a child of parent, with its fixed looks (style, font).
ControlWindow CreateControlWindow(Control& c, HWND parent, int id, HFONT font);

// Paints a button taller than wide, whose caption would not fit across it.
void DrawUprightButton(const DRAWITEMSTRUCT& item);

// Copies geometry, visibility, enabled state, text, tooltip and value. `enabled`: as
// ShownEnabled (app/ViewActions.h) has it; `tooltips`: the window's tooltip control.
void ShowControl(ControlWindow& view, const TwipsScale& scale, bool enabled, HWND tooltips);

}  // namespace vantrel
