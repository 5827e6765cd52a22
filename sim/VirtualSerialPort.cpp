#include "sim/VirtualSerialPort.h"

#include <algorithm>
#include <utility>

namespace vantrel::sim {

VirtualSerialPort::VirtualSerialPort(VirtualPump& pump) : pump_(pump) {
    line_ = *vantrel::ParseLineSettings(settingsText_);
}

void VirtualSerialPort::AttachTav(int comPort, TavDevice& tav) {
    Port& port = ports_[comPort];
    port.tav = &tav;
    port.unplugged = false;
}

void VirtualSerialPort::AddEmptyPort(int comPort) {
    Port& port = ports_[comPort];
    port.tav = nullptr;
    port.unplugged = false;
}

void VirtualSerialPort::SetBusy(int comPort, bool busy) { ports_[comPort].busy = busy; }

void VirtualSerialPort::Unplug(int comPort) {
    ports_[comPort].unplugged = true;
    if (open_ && commPort_ == comPort) DropInput("unplugged");
}

VirtualSerialPort::Port* VirtualSerialPort::Find(int comPort) {
    auto it = ports_.find(comPort);
    return it == ports_.end() ? nullptr : &it->second;
}

VirtualSerialPort::Port& VirtualSerialPort::UsablePort(const char* operation) {
    Port* port = Find(commPort_);
    if (!open_ || port == nullptr) throw vantrel::SerialError(std::string(operation) + ": port is closed");
    if (port->unplugged) throw vantrel::SerialError(std::string(operation) + ": device has gone");
    return *port;
}

void VirtualSerialPort::Record(WireEvent::Kind kind, std::uint8_t byte, std::string text) {
    log_.push_back({pump_.Now(), commPort_, kind, byte, std::move(text)});
}

bool VirtualSerialPort::PortOpen() const { return open_; }

void VirtualSerialPort::SetPortOpen(bool open) {
    if (!open) {
        if (!open_) return;
        DropInput("closed");
        open_ = false;
        ++session_;  // replies still on their way land nowhere
        Record(WireEvent::Kind::Close);
        return;
    }
    const std::string name = "COM" + std::to_string(commPort_);
    if (open_) throw vantrel::SerialError(name + " is already open");
    Port* port = Find(commPort_);
    if (port == nullptr || port->unplugged) throw vantrel::PortMissingError(name + " does not exist");
    if (port->busy) throw vantrel::PortInUseError(name);
    open_ = true;
    ++session_;
    transmitFreeAt_ = pump_.Now();
    Record(WireEvent::Kind::Open);
}

void VirtualSerialPort::SetCommPort(std::int16_t n) {
    if (open_) throw vantrel::SerialError("port number changed while the port is open");
    if (n < 1) throw vantrel::SerialError("invalid port number " + std::to_string(n));
    commPort_ = n;
}

std::int16_t VirtualSerialPort::CommPort() const { return commPort_; }

void VirtualSerialPort::SetRTSEnable(bool on) {
    rts_ = on;
    Record(WireEvent::Kind::Rts, on ? 1 : 0, on ? "on" : "off");
}

bool VirtualSerialPort::RTSEnable() const { return rts_; }

void VirtualSerialPort::SetSettings(const std::string& settings) {
    const auto parsed = vantrel::ParseLineSettings(settings);
    if (!parsed) throw vantrel::SerialError("invalid settings \"" + settings + "\"");
    if (open_) UsablePort("settings");
    settingsText_ = settings;
    line_ = *parsed;
    Record(WireEvent::Kind::Settings, 0, settings);
}

std::string VirtualSerialPort::Settings() const { return settingsText_; }

void VirtualSerialPort::Output(std::uint8_t byte) {
    Port& port = UsablePort("output");
    const vantrel::Instant now = pump_.Now();
    // The transmit line sends back to back: a byte starts when the one before is out.
    const vantrel::Instant start = std::max(now, transmitFreeAt_);
    const vantrel::Instant arrives = start + ByteTime(line_);
    transmitFreeAt_ = arrives;
    Record(WireEvent::Kind::Sent, byte, settingsText_);
    if (port.tav == nullptr) return;

    const std::uint64_t session = session_;
    const int comPort = commPort_;
    for (const Reply& reply : port.tav->Receive(byte, line_, rts_, arrives))
        pump_.Schedule(reply.at, [this, comPort, session, reply] { Deliver(comPort, session, reply); });
}

void VirtualSerialPort::Deliver(int comPort, std::uint64_t session, const Reply& reply) {
    if (session != session_ || !open_) {  // the port was closed since: nobody listens
        log_.push_back({pump_.Now(), comPort, WireEvent::Kind::Discarded, reply.byte, "closed"});
        return;
    }
    const Port* port = Find(commPort_);
    if (port == nullptr || port->unplugged) {
        Record(WireEvent::Kind::Discarded, reply.byte, "unplugged");
        return;
    }
    // A character at another rate is only noise to the receiver: framing errors, no byte.
    if (reply.line.baud != line_.baud || reply.line.dataBits != line_.dataBits) {
        Record(WireEvent::Kind::Discarded, reply.byte, "rate");
        return;
    }
    inBuffer_.push_back(reply.byte);
    Record(WireEvent::Kind::Received, reply.byte, settingsText_);
}

void VirtualSerialPort::DropInput(const char* why) {
    for (std::uint8_t b : inBuffer_) Record(WireEvent::Kind::Discarded, b, why);
    inBuffer_.clear();
}

std::int16_t VirtualSerialPort::InBufferCount() { return static_cast<std::int16_t>(inBuffer_.size()); }

std::vector<std::uint8_t> VirtualSerialPort::Input() { return std::exchange(inBuffer_, {}); }

std::vector<std::uint8_t> VirtualSerialPort::SentBytes(int comPort) const {
    std::vector<std::uint8_t> bytes;
    for (const auto& e : log_)
        if (e.comPort == comPort && e.kind == WireEvent::Kind::Sent) bytes.push_back(e.byte);
    return bytes;
}

}  // namespace vantrel::sim
