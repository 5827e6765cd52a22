#include "cli/DeniedPortNotice.h"

#include "ports/ComPortDevice.h"

namespace vantrel::cli {

void DeniedPortNotice::SetPortOpen(bool open) {
    try {
        inner_.SetPortOpen(open);
    } catch (const PortInUseError& e) {
        if (told_.insert(ComPortDevice(inner_.CommPort())).second && inUse_) inUse_(inner_.CommPort(), e.what());
        throw;
    } catch (const SerialError&) {
        const std::string device = open ? ComPortDevice(inner_.CommPort()) : "";
        if (!device.empty() && !told_.contains(device)) {
            if (const std::string problem = problemOf_(device); !problem.empty()) {
                told_.insert(device);
                std::fprintf(err_, "vantrel-cli: COM%d: %s\n", inner_.CommPort(), problem.c_str());
            }
        }
        throw;
    }
}

}  // namespace vantrel::cli
