#pragma once
// A SerialPort that writes everything done on the real one to the trace: openings and
// closings (with the device), settings and RTS puts, every byte sent and received.
// It changes nothing: each operation is passed on as it is, errors included.

#include "serial/SerialPort.h"

namespace vantrel::cli {

class TraceLog;

class TracingSerialPort : public SerialPort {
public:
    // trace may be null: the port then only passes operations on.
    TracingSerialPort(SerialPort& inner, TraceLog* trace) : inner_(inner), trace_(trace) {}

    bool PortOpen() const override { return inner_.PortOpen(); }
    void SetPortOpen(bool open) override;
    void SetCommPort(std::int16_t n) override { inner_.SetCommPort(n); }
    std::int16_t CommPort() const override { return inner_.CommPort(); }
    void SetRTSEnable(bool on) override;
    bool RTSEnable() const override { return inner_.RTSEnable(); }
    void SetSettings(const std::string& settings) override;
    std::string Settings() const override { return inner_.Settings(); }
    void Output(std::uint8_t byte) override;
    std::int16_t InBufferCount() override;
    std::vector<std::uint8_t> Input() override;

private:
    SerialPort& inner_;
    TraceLog* trace_;
};

}  // namespace vantrel::cli
