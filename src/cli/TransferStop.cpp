#include "cli/TransferStop.h"

#include <cstdio>

#include "app/Bootstrap.h"
#include "cli/TraceLog.h"

namespace vantrel::cli {

void TransferStop::Request() {
    if (requested_ || !w_) return;
    requested_ = true;
    valueAtRequest_ = w_->ProgressBar1.Value;
    captionAtRequest_ = w_->Label2.Caption;
}

bool TransferStop::Withholding() const {
    if (!requested_ || !w_ || !w_->PleaseWait.Visible) return false;
    const int value = w_->ProgressBar1.Value;
    // 0 is the flow's own "transfer over" (before its restart): never withheld.
    if (value == 0) return false;
    return value != valueAtRequest_ || w_->Label2.Caption != captionAtRequest_;
}

void StoppableSerialPort::Output(std::uint8_t byte) {
    if (!stop_.Withholding()) return inner_.Output(byte);
    stop_.NoteWithheld();
    if (trace_) {
        char text[48];
        std::snprintf(text, sizeof text, "withheld %02X (transfer stopping)", byte);
        trace_->Write(text);
    }
}

void StoppableSerialPort::OutputBlock(std::span<const std::uint8_t> bytes) {
    if (!stop_.Withholding()) return inner_.OutputBlock(bytes);
    for (std::uint8_t byte : bytes) Output(byte);
}

}  // namespace vantrel::cli
