#include "cli/TracingSerialPort.h"

#include <cstdio>

#include "cli/TraceLog.h"
#include "ports/ComPortDevice.h"

namespace vantrel::cli {
namespace {

// "0F A3 ...": bytes as the trace shows them.
std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string text;
    char hex[4];
    for (std::uint8_t byte : bytes) {
        std::snprintf(hex, sizeof hex, text.empty() ? "%02X" : " %02X", byte);
        text += hex;
    }
    return text;
}

std::string DeviceOf(int n) {
    const std::string device = ComPortDevice(n);
    return device.empty() ? "no device" : device;
}

}  // namespace

void TracingSerialPort::Trace(const std::string& what) { trace_->Write(prefix_ + what); }

void TracingSerialPort::SetPortOpen(bool open) {
    if (!trace_) return inner_.SetPortOpen(open);
    const std::string port = "COM" + std::to_string(inner_.CommPort());
    if (!open) {
        if (inner_.PortOpen()) Trace("close " + port);
        return inner_.SetPortOpen(false);
    }
    try {
        inner_.SetPortOpen(true);
    } catch (const SerialError& e) {
        Trace("open " + port + " (" + DeviceOf(inner_.CommPort()) + ") failed: " + e.what());
        throw;
    }
    Trace("open " + port + " (" + DeviceOf(inner_.CommPort()) + ") at " + inner_.Settings() +
                  ", RTS " + (inner_.RTSEnable() ? "on" : "off"));
    if (const std::string remark = inner_.DriverRemark(); !remark.empty()) Trace(port + " " + remark);
}

void TracingSerialPort::SetRTSEnable(bool on) {
    if (trace_) Trace(std::string("RTS ") + (on ? "on" : "off"));
    inner_.SetRTSEnable(on);
}

void TracingSerialPort::SetSettings(const std::string& settings) {
    if (!trace_) return inner_.SetSettings(settings);
    Trace("settings " + settings);
    try {
        inner_.SetSettings(settings);
    } catch (const SerialError& e) {
        Trace("settings " + settings + " refused: " + e.what());
        throw;
    }
}

void TracingSerialPort::Output(std::uint8_t byte) {
    Send({&byte, 1}, [&] { inner_.Output(byte); });
}

void TracingSerialPort::OutputBlock(std::span<const std::uint8_t> bytes) {
    Send(bytes, [&] { inner_.OutputBlock(bytes); });
}

void TracingSerialPort::Send(std::span<const std::uint8_t> bytes, const std::function<void()>& send) {
    if (!trace_) return send();
    try {
        send();
    } catch (const SerialError& e) {
        Trace("send " + Hex(bytes) + " failed: " + e.what());
        throw;
    }
    Trace("sent " + Hex(bytes));
}

std::vector<std::uint8_t> TracingSerialPort::Input() {
    std::vector<std::uint8_t> bytes = inner_.Input();
    if (trace_ && !bytes.empty()) {
        Trace("received " + Hex(bytes));
    }
    return bytes;
}

}  // namespace vantrel::cli
