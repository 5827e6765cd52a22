#pragma once
// The serial communications control over QSerialPort. Must live on the thread that runs
// the Qt event loop: bytes arriving wake that loop (QSerialPort's read notifier).
// On Linux a port is the program's alone while it is open (DeviceClaim), and a USB
// adapter's driver is asked for low latency meanwhile (LowLatency).

#include <QSerialPort>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "posix/TermiosImage.h"
#include "serial/DevicePort.h"
#include "serial/LineSettings.h"

#include "posix/DeviceClaim.h"
#include "posix/LowLatency.h"

namespace vantrel {

class QtSerialPort : public DevicePort {
public:
    QtSerialPort();
    QtSerialPort(const QtSerialPort&) = delete;
    QtSerialPort& operator=(const QtSerialPort&) = delete;

    void SetPortOpen(bool open) override;
    std::string DriverRemark() const override;
    void Output(std::uint8_t byte) override;
    void OutputBlock(std::span<const std::uint8_t> bytes) override;
    std::int16_t InBufferCount() override;
    std::vector<std::uint8_t> Input() override;

private:
    void Open();
    void Apply(const LineSettings& line) override;
    // Puts a line setting the open device has taken before back in one go; false when it
    // is not known (or the device refuses it), and the checked way must put it.
    bool PutKnownLine(const LineSettings& line);
    void RememberLine(const LineSettings& line);
    TermiosImage* KnownLine(const LineSettings& line);  // null when not known
    bool SetParity(Parity parity);
    void ClearStaleOddFlag(Parity parity);
    bool ParityTookEffect(Parity parity);
    void ApplyRts() override;
    // Hands the bytes to the operating system; what went wrong, if anything.
    std::optional<std::string> WriteToDevice(std::span<const std::uint8_t> bytes);
    void PullArrivedBytes();
    void DropOldestBeyondBound();

    void DeviceGone();
    void LetGo();

    QSerialPort port_;
    // What the open device is known to be set to; empty while closed or after a refusal,
    // when the next put applies every field again.
    std::optional<LineSettings> inForce_;
    // Pseudo-terminals refuse some parity changes they make all the same (see SetParity).
    bool pseudoTerminal_ = false;
    // The device's whole state under each line setting it has taken since it opened. A
    // transfer switches between odd and even parity twice per record: putting an image back
    // is one system call, where QSerialPort's checked way costs four. A handful of settings
    // at most: the program uses a few fixed ones.
    std::vector<std::pair<LineSettings, TermiosImage>> knownLines_;
    // Held from before QSerialPort opens the device until after it has closed it; the
    // low latency is put back (in this order of destruction) before the claim goes.
    std::optional<DeviceClaim> claim_;
    std::optional<DescriptorDriverFlags> driverFlags_;
    std::optional<LowLatency> lowLatency_;
};

}  // namespace vantrel
