#pragma once
// Stopping a transfer at a record boundary. The core's programming flow has no stop
// command, but it has a failure path that restarts the tav and closes the port; so a
// stop is made to look like a tav that no longer answers. Once a stop is requested,
// the record being sent finishes normally; from the next record on (the flow moves the
// progress bar before each record) every byte is withheld from the line and every wait
// ends at once, so the flow's seven attempts fail in moments and it takes its failure
// path: failure box, restart of the tav, port closed. The restart itself goes out,
// because by then the flow has put the progress bar back to 0.

#include <cstdint>
#include <string>

#include "serial/ForwardingSerialPort.h"

namespace vantrel {
class Bootstrap;
}

namespace vantrel::cli {

class TraceLog;

class TransferStop {
public:
    void Attach(const Bootstrap& w) { w_ = &w; }

    // Called when Ctrl-C comes during programming: remembers the record in flight.
    void Request();
    bool Requested() const { return requested_; }
    // A record after the one in flight has begun.
    bool Withholding() const;

    void NoteWithheld() { withheld_ = true; }
    bool WithheldAny() const { return withheld_; }
    // Records acknowledged before the stop (the progress value when it was requested).
    int RecordsBeforeStop() const { return valueAtRequest_; }

private:
    const Bootstrap* w_ = nullptr;
    bool requested_ = false;
    bool withheld_ = false;
    int valueAtRequest_ = 0;
    std::string captionAtRequest_;
};

// Passes every operation on, except the bytes of a transfer that is stopping.
class StoppableSerialPort : public ForwardingSerialPort {
public:
    StoppableSerialPort(SerialPort& inner, TransferStop& stop, TraceLog* trace)
        : ForwardingSerialPort(inner), stop_(stop), trace_(trace) {}

    void Output(std::uint8_t byte) override;
    void OutputBlock(std::span<const std::uint8_t> bytes) override;

private:
    TransferStop& stop_;
    TraceLog* trace_;
};

}  // namespace vantrel::cli
