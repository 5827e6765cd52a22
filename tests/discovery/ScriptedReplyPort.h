#pragma once
// A serial line whose far end answers every identification request with bytes the test
// chooses: for frames a real tav (and the simulator) never sends, such as a four-byte
// reply or a particular wrong check byte. Everything else it hears goes unanswered.

#include <cstdint>
#include <string>
#include <vector>

#include "serial/SerialPort.h"
#include "sim/VirtualPump.h"

namespace vantrel::test {

class ScriptedReplyPort : public SerialPort {
public:
    // The reply's first byte is in `firstByteAfter` after the request's last byte was
    // written; the others follow 1 ms apart. Only requests at `answerSettings` are heard.
    ScriptedReplyPort(sim::VirtualPump& pump, std::string answerSettings, std::vector<std::uint8_t> reply,
                      Instant firstByteAfter);

    bool PortOpen() const override { return open_; }
    void SetPortOpen(bool open) override { open_ = open; }
    void SetCommPort(std::int16_t n) override { commPort_ = n; }
    std::int16_t CommPort() const override { return commPort_; }
    void SetRTSEnable(bool on) override { rts_ = on; }
    bool RTSEnable() const override { return rts_; }
    void SetSettings(const std::string& settings) override;
    std::string Settings() const override { return settings_; }
    void Output(std::uint8_t byte) override;
    std::int16_t InBufferCount() override { return static_cast<std::int16_t>(in_.size()); }
    std::vector<std::uint8_t> Input() override;

    // The write of the n-th byte (counting from 1) fails once, as on a flaky adapter.
    void FailWriteNumber(std::size_t n) { failAt_ = n; }

    const std::vector<std::uint8_t>& Sent() const { return sent_; }
    const std::vector<std::string>& SettingsPut() const { return settingsPut_; }
    int Requests() const { return requests_; }

private:
    sim::VirtualPump& pump_;
    std::string answerSettings_;
    std::vector<std::uint8_t> reply_;
    Instant firstByteAfter_;

    bool open_ = false, rts_ = false;
    std::int16_t commPort_ = 1;
    std::string settings_ = "9600,n,8,1";
    std::vector<std::uint8_t> sent_, in_;
    std::vector<std::string> settingsPut_;
    std::size_t matched_ = 0;
    std::size_t writes_ = 0, failAt_ = 0;
    int requests_ = 0;
};

}  // namespace vantrel::test
