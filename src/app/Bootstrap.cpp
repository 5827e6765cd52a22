#include "app/Bootstrap.h"

#include <algorithm>

#include "app/Commands.h"

namespace vantrel {
namespace {

// Overlay panels are laid out right of the visible column until Form_Load moves them in.
constexpr int kParkedLeft = 3000;
constexpr int kFrameLeft = 120;
constexpr int kFrameWidth = 2655;

Control Make(std::string name, ControlKind kind, Control* container, std::string caption,
             std::string tooltip, int left, int top, int width, int height) {
    Control c;
    c.Name = std::move(name);
    c.Kind = kind;
    c.Container = container;
    c.Caption = std::move(caption);
    c.ToolTipText = std::move(tooltip);
    c.Left = left;
    c.Top = top;
    c.Width = width;
    c.Height = height;
    return c;
}

}  // namespace

Bootstrap::Bootstrap(SerialPort& port, EventPump& pump, Dialogs& dialogs, RegistryStore& registry,
                     std::string commandLine)
    : MSComm1(port),
      Pump(pump),
      CommonDialog1(dialogs),
      Types(registry),
      CommandLine(std::move(commandLine)),
      Timer1(pump, 100, [this] { Timer1_Timer(*this); }),
      Timer2(pump, 500, [this] { Timer2_Timer(*this); }),
      Wire(port, pump, Timer1, *this) {
    using K = ControlKind;

    Frame1 = Make("Frame1", K::Frame, nullptr, "Target Tav Type", "", kFrameLeft, 0, kFrameWidth, 615);
    Text1 = Make("Text1", K::TextBox, &Frame1, "", "Type of tav required for this firmware file",
                 120, 240, 2415, 285);
    Text1.Centred = true;
    Frame2 = Make("Frame2", K::Frame, nullptr, "Firmware Version", "", kFrameLeft, 600, kFrameWidth, 615);
    Text2 = Make("Text2", K::TextBox, &Frame2, "", "Version of firmware contained in files",
                 120, 240, 2415, 285);
    Text2.Centred = true;

    Frame3 = Make("Frame3", K::Frame, nullptr, "Tavs", "", kFrameLeft, 1200, kFrameWidth, 1695);
    for (int i = 0; i < 4; ++i) {
        const int top = 240 + 360 * i;
        Option1[i] = Make("Option1(" + std::to_string(i) + ")", K::OptionButton, &Frame3,
                          std::to_string(i + 1), "Click to set download to This Tav", 120, top, 450, 285);
        Option1[i].Visible = false;
        TavType[i] = Make("TavType(" + std::to_string(i) + ")", K::TextBox, &Frame3, "",
                          "Tav connected to this comm port", 600, top, 1935, 285);
        TavType[i].Visible = false;
    }

    Frame4 = Make("Frame4", K::Frame, nullptr, "", "", kFrameLeft, 2880, kFrameWidth, 2175);
    search = Make("search", K::CommandButton, &Frame4, "Search for Tav",
                  "Search for tavs connected to this PC", 120, 240, 1935, 375);
    ProgramTav = Make("ProgramTav", K::CommandButton, &Frame4, "Program Tav",
                      "Program selected tav with this firmware", 120, 720, 1935, 375);
    Load = Make("Load", K::CommandButton, &Frame4, "Load", "Load Tav firmware file (*.PHX)",
                120, 1200, 1935, 375);
    Exit = Make("Exit", K::CommandButton, &Frame4, "Exit", "Close and exit  vantrel", 120, 1680, 1935, 375);
    Emergency = Make("Emergency", K::CommandButton, &Frame4, "Eme r gency",
                     "Emergency mode reprogram, use when tav cannot be located.", 2280, 240, 255, 1815);

    PleaseWait = Make("PleaseWait", K::Frame, nullptr, "", "", kParkedLeft, 1080, kFrameWidth, 3975);
    PleaseWait.Visible = false;
    Label3 = Make("Label3", K::Label, &PleaseWait, "Please wait programing tav", "", 120, 600, 1935, 495);
    Label1 = Make("Label1", K::Label, &PleaseWait, "Percentage complete", "", 120, 1560, 1935, 255);
    Label2 = Make("Label2", K::Label, &PleaseWait, "0%", "", 120, 1920, 1935, 375);
    for (Control* label : {&Label3, &Label1, &Label2}) {
        label->Centred = true;
        label->FontPoints = 9.75;
    }
    Label2.FontPoints = 12;
    ProgressBar1 = Make("ProgressBar1", K::ProgressBar, &PleaseWait, "", "", 2160, 240, 375, 3615);
    ProgressBar1.Min = 0;
    ProgressBar1.Max = 1000;
    ProgressBar1.Vertical = true;

    const std::array<int, 4> blankTop{1200, 1800, 2160, 2520};
    const std::array<int, 4> blankHeight{615, 375, 375, 2655};
    for (int i = 0; i < 4; ++i) {
        Blanking[i] = Make("Blanking(" + std::to_string(i) + ")", K::Frame, nullptr, "", "", kParkedLeft,
                           blankTop[i], kFrameWidth, blankHeight[i]);
        Blanking[i].Visible = false;
        Blanking[i].Border = false;
        Blanking[i].Highlight = true;
    }
    Blanking1 = Make("Blanking1", K::Label, &Blanking[3], "Please Wait Searching for Tavs", "",
                     120, 960, 2415, 735);
    Blanking1.Centred = true;
    Blanking1.Highlight = true;
    Blanking1.FontPoints = 12;

    // Design-time stacking: frames first, then the panels in the order they were drawn.
    stacking_ = {&Frame1, &Frame2, &Frame3, &Frame4, &PleaseWait,
                 &Blanking[0], &Blanking[1], &Blanking[2], &Blanking[3]};

    Timer1.SetEnabled(true);
}

std::vector<Control*> Bootstrap::AllControls() {
    std::vector<Control*> all{&Frame1, &Text1, &Frame2, &Text2, &Frame3};
    for (int i = 0; i < 4; ++i) {
        all.push_back(&Option1[i]);
        all.push_back(&TavType[i]);
    }
    for (Control* c : {&Frame4, &search, &ProgramTav, &Load, &Exit, &Emergency, &PleaseWait, &Label3,
                       &Label1, &Label2, &ProgressBar1})
        all.push_back(c);
    for (auto& b : Blanking) all.push_back(&b);
    all.push_back(&Blanking1);
    return all;
}

std::vector<const Control*> Bootstrap::AllControls() const {
    const std::vector<Control*> all = const_cast<Bootstrap&>(*this).AllControls();
    return {all.begin(), all.end()};
}

void Bootstrap::BringToFront(Control& topLevel) {
    std::erase(stacking_, &topLevel);
    stacking_.push_back(&topLevel);
}

int Bootstrap::WindowLeft(const Control& c) const {
    return c.Left + (c.Container ? WindowLeft(*c.Container) : 0);
}

int Bootstrap::WindowTop(const Control& c) const {
    return c.Top + (c.Container ? WindowTop(*c.Container) : 0);
}

bool Bootstrap::IsShown(const Control& c) const {
    return c.Visible && (!c.Container || IsShown(*c.Container));
}

const Control& Bootstrap::TopLevelOf(const Control& c) const {
    return c.Container ? TopLevelOf(*c.Container) : c;
}

bool Bootstrap::IsCovered(const Control& c) const {
    const Control& top = TopLevelOf(c);
    auto it = std::find(stacking_.begin(), stacking_.end(), &top);
    if (it == stacking_.end()) return false;
    // A panel hides a control when it lies over the control's middle: neighbouring frames
    // and panels overlap by a border's width, which hides nothing.
    const int x = WindowLeft(c) + c.Width / 2;
    const int y = WindowTop(c) + c.Height / 2;
    for (++it; it != stacking_.end(); ++it) {
        const Control& panel = **it;
        if (panel.Visible && panel.Left <= x && x < panel.Left + panel.Width && panel.Top <= y &&
            y < panel.Top + panel.Height)
            return true;
    }
    return false;
}

bool Bootstrap::StartsCommand(const Control& c) const {
    if (&c == &search || &c == &ProgramTav || &c == &Load || &c == &Emergency) return true;
    return std::any_of(Option1.begin(), Option1.end(), [&c](const Control& row) { return &row == &c; });
}

bool Bootstrap::IsUsable(const Control& c) const { return !IsCovered(c) && !(CommandRunning && StartsCommand(c)); }

bool Bootstrap::CanActivate(const Control& c) const {
    for (const Control* p = &c; p; p = p->Container)
        if (!p->Enabled) return false;
    return IsShown(c) && IsUsable(c);
}

void Bootstrap::FireDueTimers() {
    Timer1.FireIfDue();
    if (!CommandRunning) Timer2.FireIfDue();
}

Instant Bootstrap::NextTimerDue(Instant ceiling) const {
    Instant next = ceiling;
    // A Timer2 held back by a running command must not wake that command's waits.
    for (const Timer* t : {&Timer1, &Timer2})
        if (t->Enabled() && t->Due() < next && !(t == &Timer2 && CommandRunning)) next = t->Due();
    return next;
}

}  // namespace vantrel
