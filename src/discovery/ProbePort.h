#pragma once

#include <cstdint>

namespace vantrel {

class Bootstrap;

// Identifies the tav on the open port: reply code in bits 0-7, major version in 8-15,
// minor version in 16-23; 0 when no tav was identified. A port error loses only the rate
// attempt it happened in: the probe never throws. With `restart` the tav is
// restarted after an identification and after each pass that received bytes.
std::int32_t ProbePort(Bootstrap& w, bool restart);

}  // namespace vantrel
