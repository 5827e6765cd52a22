#pragma once
// The window model: every control of the one window, the window-level variables that
// the program's procedures share, and the four outside interfaces it reaches the world
// through. It holds no toolkit object; the Qt window mirrors it.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/Control.h"
#include "app/Dialogs.h"
#include "app/ProgramControl.h"
#include "app/VersionCheck.h"
#include "discovery/SearchPorts.h"
#include "firmware/FirmwareImage.h"
#include "firmware/LoadedFile.h"
#include "programming/ProgrammingRun.h"
#include "programming/RunRecorder.h"
#include "registry/RegisterTav.h"
#include "serial/EventPump.h"
#include "serial/Link.h"
#include "serial/SerialPort.h"
#include "serial/Timer.h"

namespace vantrel {

class TransferRunner;

// Booleans shared with the program's 16-bit conventions: True is -1, False is 0.
using VbBool = std::int16_t;
inline constexpr VbBool VbTrue = -1;
inline constexpr VbBool VbFalse = 0;

struct ProgramVersion {
    int Major = VANTREL_VERSION_MAJOR;
    int Minor = VANTREL_VERSION_MINOR;
    int Revision = VANTREL_VERSION_REVISION;
};

class Bootstrap : private LinkTimers {
public:
    Bootstrap(SerialPort& port, EventPump& pump, Dialogs& dialogs, RegistryStore& registry,
              std::string commandLine = {});
    Bootstrap(const Bootstrap&) = delete;
    Bootstrap& operator=(const Bootstrap&) = delete;

    // Outside world.
    SerialPort& MSComm1;
    EventPump& Pump;
    Dialogs& CommonDialog1;  // message boxes too
    RegisterTav Types;

    // The whole argument text the program was started with.
    std::string CommandLine;
    ProgramVersion App;
    std::string Caption;  // window title
    // Set when the program has ended (Exit, or the window closed): the front-end quits.
    bool Ended = false;
    // A command handler is running (see app/CommandScope.h): no other command starts.
    bool CommandRunning = false;
    // How many commands have started: whether a handler ran one, for the keyboard focus.
    unsigned CommandsStarted = 0;
    // The Program command while it runs (its stop request), and what it last did on the wire.
    ProgramControl ProgramCommand;
    ProgrammingRun Programming;

    // Controls, in the order of the window's table.
    Control Frame1, Text1, Frame2, Text2, Frame3;
    std::array<Control, 4> Option1, TavType;
    Control Frame4, search, ProgramTav, Load, Exit, Emergency;
    Control PleaseWait, Label3, Label1, Label2, ProgressBar1;
    std::array<Control, 4> Blanking;
    Control Blanking1;
    Timer Timer1, Timer2;

    // The line to the tav over MSComm1: its waits run on Timer1, and on every turn the
    // window's other timers are served too.
    Link Wire;

    // Window-level variables.
    VbBool EmergencyMode = VbFalse;
    std::array<float, 4> TavVersion{};
    std::array<FirmwareRecord, kRecordSlots> Records{};
    std::int16_t RecordCount = 0;
    std::uint8_t TargetReply = 0;
    std::int16_t KeyPos = 0;
    std::uint8_t IrVersionMajor = 0;
    std::uint8_t IrVersionMinor = 0;

    // What the last search found and the file the last successful load read, for
    // front-ends that show them their own way rather than reading the controls.
    PortFindings Found{};
    std::optional<LoadedFile> File;
    // The row chosen last and its version check, for the record of the run that follows.
    int ChosenRow = -1;
    VersionCheck ChosenRowCheck;
    // Told when a programming run starts and ends; none: no record is kept.
    RunRecorder* Runs = nullptr;
    // Where the Program command's transfer runs: each window runs it on a port thread
    // (app/PortThreadTransfer); the suites on virtual time, whose port and clock belong to
    // their one thread, give a runner of their own.
    TransferRunner* Transfer = nullptr;

    // Window size in twips.
    static constexpr int ClientWidth = 2850;
    static constexpr int ClientHeight = 5100;

    // Every control, containers before what they contain.
    std::vector<Control*> AllControls();
    std::vector<const Control*> AllControls() const;
    // The window's own children, back to front.
    const std::vector<Control*>& StackingOrder() const { return stacking_; }
    void BringToFront(Control& topLevel);

    // Position on the window, in twips.
    int WindowLeft(const Control& c) const;
    int WindowTop(const Control& c) const;
    // Shown: itself and every container visible.
    bool IsShown(const Control& c) const;
    // A shown panel stacked above the control lies over its middle.
    bool IsCovered(const Control& c) const;
    // Not covered, and not a command's control while a command runs: the front-end shows
    // such a control greyed without its Enabled state changing, so it is back afterwards.
    bool IsUsable(const Control& c) const;
    // What a click or a key may reach: shown, enabled (with its containers), usable.
    bool CanActivate(const Control& c) const;

    // Fires Timer1 and Timer2 when their time has come. Timer2's command-line load is a
    // command: while another runs it stays due and fires once that one has returned.
    void FireDueTimers();
    // The earliest instant a timer wants to fire, or `ceiling` when none is enabled sooner.
    Instant NextTimerDue(Instant ceiling) const;

private:
    Instant NextDue(Instant ceiling) const override { return NextTimerDue(ceiling); }
    void FireDue() override { FireDueTimers(); }

    const Control& TopLevelOf(const Control& c) const;
    bool StartsCommand(const Control& c) const;
    std::vector<Control*> stacking_;
};

// Start-up and the window-wide commands.
void Form_Load(Bootstrap& w);
void ResetDisplay(Bootstrap& w);
// Ends the program: closes the port, and the front-end quits. While a tav is being
// programmed it asks the transfer to stop instead (see ProgramControl), and the program
// ends once the flow has taken its failure path.
void Exit_Click(Bootstrap& w);
// Runs when the window is closed by its close box: like Exit, without a handler of its own.
void CloseWindow(Bootstrap& w);
// Ends the program now, whatever runs: the port is closed; a waiting command unwinds.
void EndProgram(Bootstrap& w);

}  // namespace vantrel
