#include "support/SimWindow.h"

#include <string>

namespace vantrel::test {

SimWindow::SimWindow(const std::optional<std::string>& registryFile)
    : registry_(registryFile), w(port, pump, dialogs, registry_) {
    w.Transfer = &inPlace_;
    Form_Load(w);
}

sim::TavDevice& SimWindow::AttachTav(int comPort, sim::TavProfile profile, sim::TavFaults faults) {
    sim::TavDevice& tav = tavs_.emplace_back(std::move(profile), faults);
    port.AttachTav(comPort, tav);
    return tav;
}

std::string SimWindow::NameOfReply(std::uint8_t reply) const {
    for (const TypeRow& row : w.Types.TypeTable)
        if (row.Reply == reply) return row.Name;
    return {};
}

}  // namespace vantrel::test
