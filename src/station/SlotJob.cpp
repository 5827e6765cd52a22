#include "station/SlotJob.h"

namespace vantrel {

void SlotControl::RequestStop() {
    std::lock_guard lock(mutex_);
    stop_ = true;
    // A transfer stops at its record boundary by itself; anything else may end at once.
    if (!transferring_) abandonment_.Abandon();
}

bool SlotControl::StopRequested() const {
    std::lock_guard lock(mutex_);
    return stop_;
}

bool SlotControl::BeginTransfer() {
    std::lock_guard lock(mutex_);
    if (stop_) return false;
    transferring_ = true;
    return true;
}

void SlotControl::EndTransfer() {
    std::lock_guard lock(mutex_);
    transferring_ = false;
    if (stop_) abandonment_.Abandon();
}

}  // namespace vantrel
