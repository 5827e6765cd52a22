#pragma once
// The per-port probe: is a tav on this open port, of which type, at which code version.

#include <cstdint>
#include <optional>
#include <span>

#include "registry/RegisterTav.h"
#include "serial/Exchange.h"

namespace vantrel {

class Link;

// An identification: reply code in bits 0-7, major version in 8-15, minor version in
// 16-23; 0 when no tav was identified.
using Identification = std::int32_t;

inline std::uint8_t ReplyCode(Identification v) { return static_cast<std::uint8_t>(v & 0xFF); }
inline std::uint8_t MajorVersion(Identification v) { return static_cast<std::uint8_t>((v >> 8) & 0xFF); }
inline std::uint8_t MinorVersion(Identification v) { return static_cast<std::uint8_t>((v >> 16) & 0xFF); }

struct ProbeResult {
    Identification identification = 0;
    // With `restart`, the restart that followed the identification, and how it ended.
    std::optional<ExchangeResult> restart;
};

// Identifies the tav on the open port against the type table. A port error loses only
// the rate attempt it happened in: the probe never throws SerialError. With `restart`
// the tav is restarted after an identification and after each pass that received bytes.
ProbeResult ProbePort(Link& link, std::span<const TypeRow> types, bool restart);

}  // namespace vantrel
