#pragma once
// The serial communications control over QSerialPort. Must live on the thread that runs
// the Qt event loop: bytes arriving wake that loop (QSerialPort's read notifier).

#include <QSerialPort>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "serial/LineSettings.h"
#include "serial/SerialPort.h"

namespace vantrel {

class QtSerialPort : public SerialPort {
public:
    QtSerialPort();
    QtSerialPort(const QtSerialPort&) = delete;
    QtSerialPort& operator=(const QtSerialPort&) = delete;

    bool PortOpen() const override;
    void SetPortOpen(bool open) override;
    void SetCommPort(std::int16_t n) override;
    std::int16_t CommPort() const override;
    void SetRTSEnable(bool on) override;
    bool RTSEnable() const override;
    void SetSettings(const std::string& settings) override;
    std::string Settings() const override;
    void Output(std::uint8_t byte) override;
    void OutputBlock(std::span<const std::uint8_t> bytes) override;
    std::int16_t InBufferCount() override;
    std::vector<std::uint8_t> Input() override;

private:
    void Open();
    void ThrowUnlessUsable(const char* operation) const;
    void Apply(const LineSettings& line);
    bool SetParity(Parity parity);
    void ClearStaleOddFlag(Parity parity);
    bool ParityTookEffect(Parity parity);
    void ApplyRts();
    // Hands the bytes to the operating system; what went wrong, if anything.
    std::optional<std::string> WriteToDevice(std::span<const std::uint8_t> bytes);
    void PullArrivedBytes();
    void DropOldestBeyondBound();

    void DeviceGone();

    QSerialPort port_;
    // Open as the program sees it: stays true when the device goes away, until closed.
    bool open_ = false;
    std::int16_t commPort_ = 1;
    std::string device_;  // what the open port is, for messages
    bool rts_ = false;
    std::string settingsText_ = "9600,n,8,1";
    LineSettings line_{};
    // What the open device is known to be set to; empty while closed or after a refusal,
    // when the next put applies every field again.
    std::optional<LineSettings> inForce_;
    // Pseudo-terminals refuse some parity changes they make all the same (see SetParity).
    bool pseudoTerminal_ = false;
    // The device went away under the open port (adapter pulled, pty master closed): its
    // handle is let go at once, so that a hung-up line cannot keep the event loop busy.
    bool gone_ = false;
};

}  // namespace vantrel
