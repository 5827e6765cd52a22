#pragma once
// A SerialPort that writes everything done on the real one to the trace: openings and
// closings (with the device), settings and RTS puts, every byte sent and received (a block
// sent in one hand-over on one line, as the bytes that arrive together are).
// It changes nothing: each operation is passed on as it is, errors included.

#include <functional>
#include <string>

#include "serial/ForwardingSerialPort.h"

namespace vantrel::cli {

class TraceLog;

class TracingSerialPort : public ForwardingSerialPort {
public:
    // trace may be null: the port then only passes operations on. `prefix` goes before
    // each line (a gang run's "COMn: ").
    TracingSerialPort(SerialPort& inner, TraceLog* trace, std::string prefix = {})
        : ForwardingSerialPort(inner), trace_(trace), prefix_(std::move(prefix)) {}

    void SetPortOpen(bool open) override;
    void SetRTSEnable(bool on) override;
    void SetSettings(const std::string& settings) override;
    void Output(std::uint8_t byte) override;
    void OutputBlock(std::span<const std::uint8_t> bytes) override;
    std::vector<std::uint8_t> Input() override;

private:
    // Runs `send` (the bytes' hand-over below) and traces it.
    void Send(std::span<const std::uint8_t> bytes, const std::function<void()>& send);
    void Trace(const std::string& what);

    TraceLog* trace_;
    std::string prefix_;
};

}  // namespace vantrel::cli
