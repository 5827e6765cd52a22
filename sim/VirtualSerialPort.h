#pragma once
// A serial communications control on virtual time. Ports exist or not, may hold a tav,
// may be held by another program or pulled out. Bytes sent go out back to back at the
// rate in force; the tav's replies land in the receive buffer at their instants, through
// the pump, as long as the same port is still open.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "serial/LineSettings.h"
#include "serial/SerialPort.h"
#include "sim/TavDevice.h"
#include "sim/VirtualPump.h"

namespace vantrel::sim {

class VirtualSerialPort : public vantrel::SerialPort {
public:
    explicit VirtualSerialPort(VirtualPump& pump);

    // Ports never added do not exist: opening them throws SerialError.
    void AttachTav(int comPort, TavDevice& tav);  // the port exists with a tav on it (not owned)
    void AddEmptyPort(int comPort);               // the port exists, nothing attached
    void SetBusy(int comPort, bool busy);         // held by another program: opening throws
    // Adapter pulled: waiting input is lost, Output and SetSettings on the open port throw
    // SerialError, opening throws; reading gives nothing, closing works. AttachTav or
    // AddEmptyPort plugs it in again.
    void Unplug(int comPort);

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

    struct WireEvent {
        // Sent: a byte handed to Output (at = hand-over); Received: a byte put into the
        // receive buffer; Discarded: a byte that reached the port but was not kept (port
        // closed or pulled out, rate differing from the port's, buffer dropped on closing),
        // with the reason in `text`. Sent and Received carry the settings text in force.
        enum class Kind { Open, Close, Settings, Rts, Sent, Received, Discarded };
        vantrel::Instant at;
        int comPort;
        Kind kind;
        std::uint8_t byte = 0;
        std::string text;
    };
    const std::vector<WireEvent>& Log() const { return log_; }
    std::vector<std::uint8_t> SentBytes(int comPort) const;
    void ClearLog() { log_.clear(); }

    // The line settings in force, parsed.
    const vantrel::LineSettings& LineSettingsInForce() const { return line_; }

private:
    struct Port {
        TavDevice* tav = nullptr;  // not owned; the test keeps the tav alive
        bool busy = false;
        bool unplugged = false;
    };

    Port* Find(int comPort);
    // The open port, still plugged in; throws SerialError otherwise.
    Port& UsablePort(const char* operation);
    void Record(WireEvent::Kind kind, std::uint8_t byte = 0, std::string text = {});
    // A reply byte reaching port `comPort` at the pump's present instant; it is kept only
    // if the opening it was meant for (`session`) is still the current one.
    void Deliver(int comPort, std::uint64_t session, const Reply& reply);
    void DropInput(const char* why);

    VirtualPump& pump_;
    std::map<int, Port> ports_;
    std::int16_t commPort_ = 1;
    bool open_ = false;
    bool rts_ = false;
    std::string settingsText_ = "9600,n,8,1";
    vantrel::LineSettings line_{};
    // Each opening is a session; replies for an earlier session are dropped.
    std::uint64_t session_ = 0;
    vantrel::Instant transmitFreeAt_{};
    std::vector<std::uint8_t> inBuffer_;
    std::vector<WireEvent> log_;
};

}  // namespace vantrel::sim
