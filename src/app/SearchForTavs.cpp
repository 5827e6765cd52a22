#include "app/SearchForTavs.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "app/Bootstrap.h"
#include "app/TavCommands.h"
#include "discovery/TypeOfReply.h"
#include "serial/PortSteps.h"

namespace vantrel {
namespace {

constexpr int kRows = 4;  // COM1..COM4, row i is COM(i + 1)

// Tavs that carry an IR micro answer the probe with their own code, while the firmware
// file names the IR micro's code; the file is for the IR micro behind the tav.
constexpr std::array<std::uint8_t, 4> kIrCarrierReplies{0x23, 0x17, 0x28, 0x2B};

bool IsIrCarrier(std::uint8_t reply) {
    return std::ranges::find(kIrCarrierReplies, reply) != kIrCarrierReplies.end();
}

// Shows the row's type name for identification v; the row is selectable when the
// type is the file's target. False when no type has v's reply code.
bool ShowType(Bootstrap& w, int row, std::int32_t v) {
    const TypeRow* type = TypeOfReply(w.Types.TypeTable, ReplyCode(v));
    if (!type) return false;
    w.TavType[row].Caption = type->Name;
    if (w.TargetReply == type->Reply) w.Option1[row].Enabled = true;
    return true;
}

// The firmware is for the IR micro behind the probed tav: link to the micro, take its
// version, and restart it whatever came of the link.
std::int32_t IdentifyIrMicro(Bootstrap& w, int row, std::int32_t probed) {
    std::int32_t v = probed;
    (void)ProbePort(w, false);  // once more, without restart, ahead of the link; result not needed
    if (Link_Quadrel_IR(w)) {
        v = w.TargetReply + 256 * w.IrVersionMajor + 65536 * w.IrVersionMinor;
        w.Option1[row].Enabled = true;
    }
    (void)restart_quadrel_IR(w);
    return v;
}

void AppendVersion(Bootstrap& w, int row, std::int32_t v) {
    const std::uint8_t major = MajorVersion(v);
    const std::uint8_t minor = MinorVersion(v);
    w.Found[row].versionText = std::to_string(major) + "." + std::to_string(minor);
    w.TavType[row].Caption += w.Found[row].versionText;
    // The minor number counts tenths here although it is shown as written (2.15 is 3.5).
    w.TavVersion[row] = static_cast<float>(major) + static_cast<float>(minor) / 10.0f;
}

// The identification the row shows, and 0 when it shows none.
std::int32_t IdentifyTav(Bootstrap& w, int row) {
    std::int32_t v = ProbePort(w, true);
    w.TavType[row].Visible = true;

    const bool irTarget = IsIrMicroTarget(w.TargetReply);
    bool found = false;
    if (!w.Types.TypeTable.empty() && irTarget && IsIrCarrier(ReplyCode(v))) {
        v = IdentifyIrMicro(w, row, v);
    } else {
        found = ShowType(w, row, v);
    }
    if (irTarget) found = ShowType(w, row, v);

    if (v != 0 && found) {
        AppendVersion(w, row, v);
        return v;
    }
    return 0;
}

void ListForEmergency(Bootstrap& w, int row) {
    w.Option1[row].Enabled = true;
    w.TavType[row].Caption = "Emergency Comm port " + std::to_string(row + 1);
    w.TavType[row].Visible = true;
}

}  // namespace

void SearchForTavs(Bootstrap& w) {
    // Cover the rows and the command buttons while the search runs.
    for (int i = 0; i < kRows; ++i) {
        w.Blanking[i].Visible = true;
        w.Option1[i].Value = 0;
        w.Option1[i].Enabled = false;
        w.Option1[i].Visible = false;
        w.TavType[i].Caption.clear();
        w.TavVersion[i] = 0.0f;
    }
    w.Found = {};
    CloseIfOpen(w.MSComm1);
    w.MSComm1.SetRTSEnable(w.TargetReply == kRtsTarget);

    for (int i = 0; i < kRows; ++i) {
        // No such port, or another program holds it: the row stays hidden.
        if (!TryOpenPort(w.MSComm1, static_cast<std::int16_t>(i + 1))) {
            w.Option1[i].Enabled = false;
            w.TavType[i].Visible = false;
        } else if (w.EmergencyMode != VbFalse) {
            ListForEmergency(w, i);
        } else {
            w.Found[i].identification = IdentifyTav(w, i);
        }
        CloseIfOpen(w.MSComm1);
        w.Blanking[i].Visible = false;  // this row's result comes into view
    }

    for (int i = 0; i < kRows; ++i) w.Option1[i].Visible = w.TavType[i].Visible;
    w.ProgramTav.Enabled = false;
    for (auto& option : w.Option1) option.Value = 0;
    for (int i = 0; i < kRows; ++i) {
        FoundTav& found = w.Found[i];
        found.opened = w.TavType[i].Visible;
        found.selectable = found.opened && w.Option1[i].Enabled;
        found.text = w.TavType[i].Caption;
        found.version = w.TavVersion[i];
    }
}

}  // namespace vantrel
