#include "programming/OpenSelectedPort.h"

#include "app/Bootstrap.h"
#include "serial/Waits.h"

namespace vantrel {
namespace {

constexpr int kSettleMs = 100;

void CloseIfOpen(Bootstrap& w) {
    if (w.MSComm1.PortOpen()) w.MSComm1.SetPortOpen(false);
}

}  // namespace

std::optional<int> SelectedRow(const Bootstrap& w) {
    for (int i = 0; i < static_cast<int>(w.Option1.size()); ++i)
        if (w.Option1[static_cast<std::size_t>(i)].Value != 0) return i;
    return std::nullopt;
}

bool OpenSelectedPort(Bootstrap& w) {
    CloseIfOpen(w);
    const std::optional<int> row = SelectedRow(w);
    if (!row) return false;
    try {
        w.MSComm1.SetCommPort(static_cast<std::int16_t>(*row + 1));
        w.MSComm1.SetPortOpen(true);
    } catch (const SerialError&) {
        return false;
    }
    Pause(w, kSettleMs);
    return true;
}

bool ReopenPort(Bootstrap& w, bool rts) {
    CloseIfOpen(w);
    try {
        w.MSComm1.SetRTSEnable(rts);
        w.MSComm1.SetPortOpen(true);
    } catch (const SerialError&) {
        return false;
    }
    return true;
}

void ClosePort(Bootstrap& w) {
    try {
        w.MSComm1.SetRTSEnable(false);
    } catch (const SerialError&) {
        // The device has gone; the closed port below still remembers RTS off.
    }
    CloseIfOpen(w);
    try {
        if (w.MSComm1.RTSEnable()) w.MSComm1.SetRTSEnable(false);
    } catch (const SerialError&) {
    }
}

}  // namespace vantrel
