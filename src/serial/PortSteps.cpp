#include "serial/PortSteps.h"

#include "serial/SerialPort.h"

namespace vantrel {

bool TryOpenPort(SerialPort& port, std::int16_t n) {
    try {
        port.SetCommPort(n);
        port.SetPortOpen(true);
    } catch (const SerialError&) {
        // The port's own open state tells the caller; why it failed is not the caller's concern.
    }
    return port.PortOpen();
}

void CloseIfOpen(SerialPort& port) {
    if (port.PortOpen()) port.SetPortOpen(false);
}

bool ReopenPort(SerialPort& port, bool rts) {
    CloseIfOpen(port);
    try {
        port.SetRTSEnable(rts);
        port.SetPortOpen(true);
    } catch (const SerialError&) {
        return false;
    }
    return true;
}

void ClosePort(SerialPort& port) {
    try {
        port.SetRTSEnable(false);
    } catch (const SerialError&) {
        // The device has gone; the closed port below still remembers RTS off.
    }
    CloseIfOpen(port);
    try {
        if (port.RTSEnable()) port.SetRTSEnable(false);
    } catch (const SerialError&) {
        // Closed, a port only remembers RTS; one that refuses even that has nothing to drop.
    }
}

}  // namespace vantrel
