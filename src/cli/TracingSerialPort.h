#pragma once
// A SerialPort that writes everything done on the real one to the trace: openings and
// closings (with the device), settings and RTS puts, every byte sent and received.
// It changes nothing: each operation is passed on as it is, errors included.

#include "serial/ForwardingSerialPort.h"

namespace vantrel::cli {

class TraceLog;

class TracingSerialPort : public ForwardingSerialPort {
public:
    // trace may be null: the port then only passes operations on.
    TracingSerialPort(SerialPort& inner, TraceLog* trace) : ForwardingSerialPort(inner), trace_(trace) {}

    void SetPortOpen(bool open) override;
    void SetRTSEnable(bool on) override;
    void SetSettings(const std::string& settings) override;
    void Output(std::uint8_t byte) override;
    std::int16_t InBufferCount() override;
    std::vector<std::uint8_t> Input() override;

private:
    TraceLog* trace_;
};

}  // namespace vantrel::cli
