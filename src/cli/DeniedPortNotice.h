#pragma once
// Tells the console user once per device when a port could not be opened for lack of
// permission (not in the group dialout, say) or because another program has it. The
// search still skips such a port without a box, as it skips every port that does not
// open; only the console says why.

#include <cstdio>
#include <functional>
#include <set>
#include <string>

#include "ports/PortPermission.h"
#include "serial/ForwardingSerialPort.h"

namespace vantrel::cli {

class DeniedPortNotice : public ForwardingSerialPort {
public:
    using ProblemOf = std::function<std::string(const std::string& device)>;
    // Told "COMn (device) is in use by another program" with the port's number.
    using InUseNote = std::function<void(int port, const std::string& text)>;
    DeniedPortNotice(SerialPort& inner, std::FILE* err, InUseNote inUse, ProblemOf problemOf = PermissionProblem)
        : ForwardingSerialPort(inner), err_(err), inUse_(std::move(inUse)), problemOf_(std::move(problemOf)) {}

    void SetPortOpen(bool open) override;

private:
    std::FILE* err_;
    InUseNote inUse_;
    ProblemOf problemOf_;
    std::set<std::string> told_;
};

}  // namespace vantrel::cli
