// The user's commands: Load, Search, Emergency, the selection of a result row, and the
// deferred load of the file named on the command line.

#include "app/Commands.h"

#include <cmath>
#include <limits>
#include <string>

#include "app/Bootstrap.h"
#include "app/CommandScope.h"
#include "app/LeadingNumber.h"
#include "app/LoadFirmwareFile.h"
#include "app/SearchForTavs.h"

namespace vantrel {
namespace {

const std::string kCrLf = "\r\n";

std::string LastCharacters(const std::string& text, std::size_t count) {
    return text.size() > count ? text.substr(text.size() - count) : text;
}

// What the option group does when a row is chosen: that row selected, the others not.
void SelectRow(Bootstrap& w, int index) {
    for (int i = 0; i < static_cast<int>(w.Option1.size()); ++i) w.Option1[i].Value = i == index ? 1 : 0;
}

}  // namespace

std::string EmergencyWarning() {
    return "      Emergency mode should only be used to reprogram" + kCrLf +
           "            a tav that has previously failed to program." + kCrLf + kCrLf +
           "           No tav type checking will be implemented." + kCrLf + kCrLf +
           "You must know which comm port is connected to the tav." + kCrLf + kCrLf +
           "                           Do you wish to proceed?";
}

// The file's version: the number at the start of the (at most) seven characters from
// the ninth character of Text2, just after "Version ". A number too large for single
// precision counts as no number, so that such a file asks before every reprogramming.
float FileVersion(const Bootstrap& w) {
    const std::string& text = w.Text2.Caption;
    const std::string versionText = text.size() > 8 ? text.substr(8, 7) : std::string();
    const double value = LeadingNumber(versionText);
    if (std::fabs(value) > std::numeric_limits<float>::max()) return 0;
    return static_cast<float>(value);
}

void Load_Click(Bootstrap& w) {
    const CommandScope command(w);
    if (!command) return;
    w.EmergencyMode = VbFalse;
    LoadFirmwareFile(w, "");
}

void search_Click(Bootstrap& w) {
    const CommandScope command(w);
    if (!command) return;
    w.EmergencyMode = VbFalse;
    SearchForTavs(w);
}

void Emergency_Click(Bootstrap& w) {
    const CommandScope command(w);
    if (!command) return;
    if (w.CommonDialog1.MsgBox(EmergencyWarning(), BoxStyle::OkCancel, "Warning") != BoxAnswer::Ok) return;
    w.EmergencyMode = VbTrue;
    SearchForTavs(w);
}

void Option1_Click(Bootstrap& w, std::int16_t Index) {
    if (Index < 0 || Index > 3) return;  // only rows 0 to 3 exist
    const CommandScope command(w);
    if (!command) return;
    SelectRow(w, Index);
    w.ChosenRow = Index;
    w.ChosenRowCheck = CheckVersion(w, Index);
    if (w.ChosenRowCheck.goAhead)
        w.ProgramTav.Enabled = true;
    else
        w.Option1[Index].Value = 0;
}

VersionCheck CheckVersion(Bootstrap& w, std::int16_t Index) {
    VersionCheck check;
    if (w.TavVersion[Index] < FileVersion(w)) return check;
    // Equal or newer code in the tav: reprogram only when the user says so.
    check.asked = true;
    check.question = "This tav contains code version " + LastCharacters(w.TavType[Index].Caption, 7) +
                     ", do you wish to reprogram with " + w.Text2.Caption;
    check.goAhead = w.CommonDialog1.MsgBox(check.question, BoxStyle::OkCancel, "Warning") == BoxAnswer::Ok;
    return check;
}

void Timer1_Timer(Bootstrap& w) { w.Timer1.SetEnabled(false); }

void Timer2_Timer(Bootstrap& w) {
    const CommandScope command(w);
    if (!command) return;  // stays enabled: the load is not lost
    w.Timer2.SetEnabled(false);  // fires once
    std::string path = w.CommandLine;
    if (!path.empty() && path.front() == '"') path.erase(0, 1);
    if (!path.empty() && path.back() == '"') path.pop_back();
    LoadFirmwareFile(w, path);
}

}  // namespace vantrel
