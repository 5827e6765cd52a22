#pragma once
// The serial communications control: the one outside component of the serial link.
// Implemented over QSerialPort on Linux (posix/QtSerialPort), over the Win32 communications
// functions on Windows (win32/Win32SerialPort), and by the simulator in tests.

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantrel {

// Raised by a SerialPort operation that the device or the operating system refused:
// a port that does not open, a settings text that cannot be parsed or applied, a write
// to a device that has gone away. Callers decide which of them matter.
class SerialError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raised by an opening when another program has the port (another Vantrel, a terminal
// program, a flasher). The port was left as it was: not a byte sent to it, its line
// settings untouched.
class PortInUseError : public SerialError {
public:
    // name: "COMn (device)"
    explicit PortInUseError(const std::string& name) : SerialError(name + " is in use by another program") {}
};

// Raised by an opening when COMn has no device behind it (none configured, or the
// device is not there: an adapter unplugged).
class PortMissingError : public SerialError {
public:
    using SerialError::SerialError;
};

// Raised by an opening that the system refuses this user (on Linux: not in the group
// that owns the device).
class PortDeniedError : public SerialError {
public:
    using SerialError::SerialError;
};

class SerialPort {
public:
    virtual ~SerialPort() = default;

    virtual bool PortOpen() const = 0;
    // Opening uses the port number, settings and RTS state put before.
    // Throws SerialError when the port cannot be opened (PortInUseError when another
    // program has it); closing never throws.
    virtual void SetPortOpen(bool open) = 0;
    // What the device's driver answered to the opening of the open port beyond the line
    // settings (on Linux: whether it gave the port low latency), for a trace; empty when
    // there is nothing to say or the port is closed.
    virtual std::string DriverRemark() const { return {}; }

    // COMn, n = 1..4. Put only while the port is closed.
    virtual void SetCommPort(std::int16_t n) = 0;
    virtual std::int16_t CommPort() const = 0;

    // Remembered for the next opening; applied at once on an open port.
    virtual void SetRTSEnable(bool on) = 0;
    virtual bool RTSEnable() const = 0;

    // "baud,parity,data,stop", e.g. "9600,o,8,1". Takes effect at once, also on an
    // open port. Throws SerialError for a text that cannot be parsed or applied.
    virtual void SetSettings(const std::string& settings) = 0;
    virtual std::string Settings() const = 0;

    // Sends exactly this byte, handed to the operating system at once.
    // Throws SerialError when the port is closed or the device has gone.
    virtual void Output(std::uint8_t byte) = 0;
    // Sends these bytes back to back, first first, like one Output each (which is what
    // this default does). A port to a real device overrides it to hand them over in one
    // write, saving a system call per byte. Throws SerialError as Output does.
    virtual void OutputBlock(std::span<const std::uint8_t> bytes) {
        for (std::uint8_t byte : bytes) Output(byte);
    }

    // Received, unread bytes.
    virtual std::int16_t InBufferCount() = 0;
    // Every waiting byte, first received first; empties the receive buffer.
    virtual std::vector<std::uint8_t> Input() = 0;
};

}  // namespace vantrel
