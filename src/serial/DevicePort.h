#pragma once
// The part of a serial port over a real device that does not depend on the platform:
// what the program put (port number, RTS, settings text) and the rules the program
// relies on. The number changes only while the port is closed; RTS and settings take
// effect at once on an open port and are remembered for the next opening; a port whose
// device went away refuses every operation until the program closes it. The Qt and
// Win32 ports build on it and add the device itself.

#include <cstdint>
#include <string>

#include "serial/LineSettings.h"
#include "serial/SerialPort.h"

namespace vantrel {

class DevicePort : public SerialPort {
public:
    bool PortOpen() const override { return open_; }
    void SetCommPort(std::int16_t n) override;
    std::int16_t CommPort() const override { return commPort_; }
    void SetRTSEnable(bool on) override;
    bool RTSEnable() const override { return rts_; }
    void SetSettings(const std::string& settings) override;
    std::string Settings() const override { return settingsText_; }

protected:
    // Puts the line settings on the device; throws SerialError when it refuses them.
    virtual void Apply(const LineSettings& line) = 0;
    // Puts rts_ on the open device.
    virtual void ApplyRts() = 0;

    // Throws SerialError unless the port is open and its device still there.
    void ThrowUnlessUsable(const char* operation) const;
    // "COMn (device)", for messages.
    std::string Name() const;

    // Open as the program sees it: stays true when the device goes away, until closed.
    bool open_ = false;
    // The device went away under the open port (adapter pulled, pty master closed).
    bool gone_ = false;
    std::int16_t commPort_ = 1;
    std::string device_;  // what the open port is, for messages
    bool rts_ = false;
    LineSettings line_{};

private:
    std::string settingsText_ = "9600,n,8,1";
};

}  // namespace vantrel
