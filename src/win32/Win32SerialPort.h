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
#include "serial/SerialPort.h"
#include "win32/Win32EventPump.h"

namespace vantrel {

class Win32SerialPort : public SerialPort, private Win32WaitSource {
public:
    // Received bytes nobody has read are kept up to this many; beyond it the oldest go,
    // as a UART's buffer overruns: a peer that floods cannot make the program grow.
    static constexpr std::size_t kReceiveLimit = 4096;

    explicit Win32SerialPort(Win32EventPump& pump);
    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    bool PortOpen() const override;
    void SetPortOpen(bool open) override;
    void SetCommPort(std::int16_t n) override;
    std::int16_t CommPort() const override;
    void SetRTSEnable(bool on) override;
    bool RTSEnable() const override;
    void SetSettings(const std::string& settings) override;
    std::string Settings() const override;
    void Output(std::uint8_t byte) override;
    std::int16_t InBufferCount() override;
    std::vector<std::uint8_t> Input() override;

private:
    void* WaitEvent() const override;
    void OnSignalled() override;

    void Open();
    void Close();
    void Apply(const LineSettings& line);
    void ApplyRts();
    void StartRead();
    void CollectRead();
    void DrainWaiting();
    void Keep(const std::uint8_t* bytes, std::size_t count);
    void DeviceGone();
    void ThrowUnlessUsable(const char* operation) const;
    std::string Name() const;

    Win32EventPump& pump_;
    void* handle_ = nullptr;     // HANDLE of the open device; null when closed or gone
    void* readEvent_ = nullptr;  // manual-reset; set while a finished read waits to be collected
    void* ioEvent_ = nullptr;    // for writes and the reads that drain what is waiting
    struct Overlapped;
    std::unique_ptr<Overlapped> read_;  // the outstanding read's OVERLAPPED, at a fixed address
    bool readPending_ = false;
    std::uint8_t readByte_ = 0;
    std::deque<std::uint8_t> received_;

    bool open_ = false;  // as the program sees it: stays true when the device goes, until closed
    bool gone_ = false;
    std::int16_t commPort_ = 1;
    std::string device_;
    bool rts_ = false;
    std::string settingsText_ = "9600,n,8,1";
    LineSettings line_{};
};

}  // namespace vantrel
