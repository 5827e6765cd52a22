#pragma once
// One control of the window as plain data. The front-ends draw it and forward its
// events; the program's procedures read and write it.

#include <string>

namespace vantrel {

enum class ControlKind { Frame, TextBox, OptionButton, CommandButton, Label, ProgressBar };

struct Control {
    std::string Name;  // as the program calls it: "search", "Option1(2)", ...
    ControlKind Kind = ControlKind::Frame;
    Control* Container = nullptr;  // nullptr: the window itself

    std::string Caption;  // caption, or the text of a text box
    std::string ToolTipText;

    // Twips, relative to the container's top-left corner.
    int Left = 0, Top = 0, Width = 0, Height = 0;

    bool Visible = true;
    bool Enabled = true;
    // Option button: 1 selected, 0 not. Progress bar: its value between Min and Max.
    int Value = 0;
    int Min = 0, Max = 0;

    double FontPoints = 0;     // 0: the toolkit's default font
    bool Centred = false;      // text centred
    bool Border = true;        // frames: drawn with a border
    bool Highlight = false;    // filled with the system highlight colour
    bool Vertical = false;     // progress bar orientation
};

}  // namespace vantrel
