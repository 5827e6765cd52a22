#pragma once
// Low latency from a USB serial adapter's driver for as long as the port is open. An FTDI
// adapter holds received bytes for up to its latency timer (16 ms) before passing them on,
// which lengthens every acknowledgement of a transfer; with ASYNC_LOW_LATENCY its driver
// sets the timer to 1 ms. Drivers that have no such thing (a pseudo-terminal) refuse,
// which is no error. Linux only.

#include <string>

namespace vantrel {

// The flags word of a serial driver (struct serial_struct's flags).
class SerialDriverFlags {
public:
    virtual ~SerialDriverFlags() = default;
    // False, with errno set, when the driver refuses.
    virtual bool Read(int& flags) = 0;
    virtual bool Write(int flags) = 0;
};

// The flags through TIOCGSERIAL and TIOCSSERIAL on an open descriptor; a write puts the
// driver's whole serial_struct back with only the flags changed.
class DescriptorDriverFlags : public SerialDriverFlags {
public:
    explicit DescriptorDriverFlags(int fd) : fd_(fd) {}
    bool Read(int& flags) override;
    bool Write(int flags) override;

private:
    int fd_;
};

// Asks for low latency when made; puts the flag back as it found it when destroyed.
class LowLatency {
public:
    explicit LowLatency(SerialDriverFlags& driver);
    ~LowLatency();
    LowLatency(const LowLatency&) = delete;
    LowLatency& operator=(const LowLatency&) = delete;

    // The driver's answer, as the trace shows it: "low latency: ...".
    const std::string& Remark() const { return remark_; }

private:
    SerialDriverFlags& driver_;
    bool turnedOn_ = false;  // by us: to be turned off again
    std::string remark_;
};

}  // namespace vantrel
