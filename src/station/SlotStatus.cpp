#include "station/SlotStatus.h"

namespace vantrel {

std::string StatusText(const SlotStatus& s) {
    switch (s.state) {
        case SlotState::NoPort: return "No port";
        case SlotState::InUse: return "In use by another program";
        case SlotState::Waiting: return "Waiting for a tav";
        case SlotState::Searching: return "Searching";
        case SlotState::UpToDate: return "Up to date: " + s.tav;
        case SlotState::OtherType: return "Other type: " + s.type;
        case SlotState::Programming: return "Programming " + std::to_string(s.percent) + "%";
        case SlotState::Programmed: return "Programmed: " + std::to_string(s.records) + " records";
        case SlotState::Failed: return "Failed: " + s.reason;
    }
    return {};
}

const char* StateKey(SlotState state) {
    switch (state) {
        case SlotState::NoPort: return "no port";
        case SlotState::InUse: return "in use";
        case SlotState::Waiting: return "waiting";
        case SlotState::Searching: return "searching";
        case SlotState::UpToDate: return "up to date";
        case SlotState::OtherType: return "other type";
        case SlotState::Programming: return "programming";
        case SlotState::Programmed: return "programmed";
        case SlotState::Failed: return "failed";
    }
    return "";
}

}  // namespace vantrel
