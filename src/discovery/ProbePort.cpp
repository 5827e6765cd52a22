// PLACEHOLDER: replaced by the probe.
#include "discovery/ProbePort.h"
namespace vantrel {
std::int32_t ProbePort(Bootstrap&, bool) { return 0; }
}  // namespace vantrel
