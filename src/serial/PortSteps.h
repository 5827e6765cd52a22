#pragma once
// Opening and closing COM ports the way the search and the programming flow need it.

#include <cstdint>

namespace vantrel {

class SerialPort;

// Opens COMn; whatever stops it (no such port, in use, no permission) leaves it closed.
// Whether it is open now.
bool TryOpenPort(SerialPort& port, std::int16_t n);
// Closes the port if it is open; a device that has gone closes all the same.
void CloseIfOpen(SerialPort& port);
// Closes the port if it is open, puts the RTS line and opens it again (the port number
// stays). False when it cannot be opened.
bool ReopenPort(SerialPort& port, bool rts);
// Drops RTS and closes the port; never fails, also on a device that has gone.
void ClosePort(SerialPort& port);

}  // namespace vantrel
