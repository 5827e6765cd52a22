#pragma once
// A SerialPort that passes every operation on to another one, unchanged: the base of the
// decorators that watch or hold back traffic (the console's trace and Ctrl-C stop).
// Blocks are passed on as blocks: a decorator that looks at the bytes sent overrides
// OutputBlock as well as Output.

#include "serial/SerialPort.h"

namespace vantrel {

class ForwardingSerialPort : public SerialPort {
public:
    explicit ForwardingSerialPort(SerialPort& inner) : inner_(inner) {}

    bool PortOpen() const override { return inner_.PortOpen(); }
    void SetPortOpen(bool open) override { inner_.SetPortOpen(open); }
    std::string DriverRemark() const override { return inner_.DriverRemark(); }
    void SetCommPort(std::int16_t n) override { inner_.SetCommPort(n); }
    std::int16_t CommPort() const override { return inner_.CommPort(); }
    void SetRTSEnable(bool on) override { inner_.SetRTSEnable(on); }
    bool RTSEnable() const override { return inner_.RTSEnable(); }
    void SetSettings(const std::string& settings) override { inner_.SetSettings(settings); }
    std::string Settings() const override { return inner_.Settings(); }
    void Output(std::uint8_t byte) override { inner_.Output(byte); }
    void OutputBlock(std::span<const std::uint8_t> bytes) override { inner_.OutputBlock(bytes); }
    std::int16_t InBufferCount() override { return inner_.InBufferCount(); }
    std::vector<std::uint8_t> Input() override { return inner_.Input(); }

protected:
    SerialPort& inner_;
};

}  // namespace vantrel
