#include "discovery/PortFinding.h"

namespace vantrel {

std::string PortFinding::Text() const {
    if (emergency) return "Emergency Comm port " + std::to_string(comPort);
    if (!type) return {};
    return type->Name + versionText;
}

}  // namespace vantrel
