#pragma once
// The serial communications control over a Windows COM port (\\.\COMn): overlapped reads
// that wake the event pump when a byte arrives, writes handed to the system at once.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "serial/LineSettings.h"
#include "serial/DevicePort.h"
#include "files/UniqueHandle.h"
#include "win32/Win32EventPump.h"

namespace vantrel {

class Win32SerialPort : public DevicePort, private Win32WaitSource {
public:
    // Received bytes nobody has read are kept up to this many; beyond it the oldest go,
    // as a UART's buffer overruns: a peer that floods cannot make the program grow.
    static constexpr std::size_t kReceiveLimit = 4096;

    explicit Win32SerialPort(Win32EventPump& pump);
    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    void SetPortOpen(bool open) override;
    void Output(std::uint8_t byte) override;
    std::int16_t InBufferCount() override;
    std::vector<std::uint8_t> Input() override;

private:
    void* WaitEvent() const override;
    void OnSignalled() override;

    void Open();
    void Close();
    void Apply(const LineSettings& line) override;
    void ApplyRts() override;
    void StartRead();
    void CollectRead();
    void DrainWaiting();
    void Keep(const std::uint8_t* bytes, std::size_t count);
    void DeviceGone();

    Win32EventPump& pump_;
    UniqueHandle handle_;     // the open device; none when closed
    UniqueHandle readEvent_;  // manual-reset; set while a finished read waits to be collected
    UniqueHandle ioEvent_;    // for writes and the reads that drain what is waiting
    struct Overlapped;
    std::unique_ptr<Overlapped> read_;  // the outstanding read's OVERLAPPED, at a fixed address
    bool readPending_ = false;
    std::uint8_t readByte_ = 0;
    std::deque<std::uint8_t> received_;
};

}  // namespace vantrel
