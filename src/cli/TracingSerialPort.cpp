#include "cli/TracingSerialPort.h"

#include <cstdio>

#include "cli/TraceLog.h"
#include "ports/ComPortDevice.h"

namespace vantrel::cli {
namespace {

std::string Hex(std::uint8_t byte) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", byte);
    return text;
}

std::string DeviceOf(int n) {
    const std::string device = ComPortDevice(n);
    return device.empty() ? "no device" : device;
}

}  // namespace

void TracingSerialPort::SetPortOpen(bool open) {
    if (!trace_) return inner_.SetPortOpen(open);
    const std::string port = "COM" + std::to_string(inner_.CommPort());
    if (!open) {
        if (inner_.PortOpen()) trace_->Write("close " + port);
        return inner_.SetPortOpen(false);
    }
    try {
        inner_.SetPortOpen(true);
    } catch (const SerialError& e) {
        trace_->Write("open " + port + " (" + DeviceOf(inner_.CommPort()) + ") failed: " + e.what());
        throw;
    }
    trace_->Write("open " + port + " (" + DeviceOf(inner_.CommPort()) + ") at " + inner_.Settings() +
                  ", RTS " + (inner_.RTSEnable() ? "on" : "off"));
}

void TracingSerialPort::SetRTSEnable(bool on) {
    if (trace_) trace_->Write(std::string("RTS ") + (on ? "on" : "off"));
    inner_.SetRTSEnable(on);
}

void TracingSerialPort::SetSettings(const std::string& settings) {
    if (!trace_) return inner_.SetSettings(settings);
    trace_->Write("settings " + settings);
    try {
        inner_.SetSettings(settings);
    } catch (const SerialError& e) {
        trace_->Write("settings " + settings + " refused: " + e.what());
        throw;
    }
}

void TracingSerialPort::Output(std::uint8_t byte) {
    if (!trace_) return inner_.Output(byte);
    try {
        inner_.Output(byte);
    } catch (const SerialError& e) {
        trace_->Write("send " + Hex(byte) + " failed: " + e.what());
        throw;
    }
    trace_->Write("sent " + Hex(byte));
}

std::int16_t TracingSerialPort::InBufferCount() {
    const std::int16_t count = inner_.InBufferCount();
    if (trace_) trace_->InBuffer(count);
    return count;
}

std::vector<std::uint8_t> TracingSerialPort::Input() {
    std::vector<std::uint8_t> bytes = inner_.Input();
    if (trace_ && !bytes.empty()) {
        std::string line = "received";
        for (std::uint8_t b : bytes) line += " " + Hex(b);
        trace_->Write(line);
    }
    return bytes;
}

}  // namespace vantrel::cli
