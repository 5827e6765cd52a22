#pragma once
// What the search found on one COM port, as data: whether the port opened (and why not),
// what the probe and the IR-micro link answered, the type and version the port shows,
// and whether its tav may be programmed with the loaded file. Views map findings onto
// rows, lines or slots; none of them reads a finding back from what it shows.

#include <cstdint>
#include <optional>
#include <string>

#include "discovery/ProbePort.h"
#include "registry/RegisterTav.h"
#include "serial/Exchange.h"

namespace vantrel {

// Could the port be opened, and if not, why.
enum class PortAccess {
    NotTried,  // the search did not reach it
    Opened,
    Missing,   // no device behind COMn
    InUse,     // another program holds it
    Denied,    // the system does not let this user open it
    Failed,    // it would not open for another reason (the text says which)
};

struct PortFinding {
    int comPort = 0;  // 1..4
    PortAccess access = PortAccess::NotTried;
    std::string accessError;  // the system's words when the port did not open

    // Emergency mode: the port opened and is listed without a probe.
    bool emergency = false;

    // The probe's identification (0: no tav answered), and the restart that followed it.
    Identification probed = 0;
    std::optional<ExchangeResult> restart;
    // For firmware meant for the IR micro behind a tav that carries one: the link to the
    // micro and its restart.
    std::optional<ExchangeResult> irLink;
    std::optional<ExchangeResult> irRestart;

    // What the port shows: the identification of the tav or IR micro that has a type in
    // the table (0: none), that type, and its code version.
    Identification identification = 0;
    std::optional<TypeRow> type;
    std::string versionText;  // as shown: "2.5"; empty when none was identified
    float version = 0;        // as a number: the minor number counts tenths (2.15 is 3.5)

    // The tav may be programmed with the loaded file.
    bool selectable = false;

    bool Opened() const { return access == PortAccess::Opened; }
    // What a row shows for the port: "Emergency Comm port n", the type's name and its
    // version, or nothing.
    std::string Text() const;
};

}  // namespace vantrel
