#include "app/TavCommands.h"

#include "app/Bootstrap.h"
#include "app/TavBoxes.h"
#include "programming/EndProgramming.h"
#include "programming/SendRecord.h"
#include "serial/RestartCommands.h"

namespace vantrel {
namespace {

bool Told(Bootstrap& w, const std::optional<OutcomeBox>& box) {
    if (!box) return true;
    Show(w.CommonDialog1, *box);
    return false;
}

}  // namespace

Identification ProbePort(Bootstrap& w, bool restart) {
    const ProbeResult probe = ProbePort(w.Wire, w.Types.TypeTable, restart);
    if (probe.restart) Told(w, RestartBox(RestartCommand::Unit, *probe.restart));
    return probe.identification;
}

bool restart_quadrel_IR(Bootstrap& w) { return Told(w, RestartBox(RestartCommand::IrMicro, restart_quadrel_IR(w.Wire))); }

bool Link_Quadrel_IR(Bootstrap& w) {
    const ExchangeResult link = Link_Quadrel_IR(w.Wire);
    if (link.Accepted()) {
        w.IrVersionMajor = link.bytes[1];
        w.IrVersionMinor = link.bytes[2];
    }
    return Told(w, IrLinkBox(link));
}

bool restart_unit(Bootstrap& w) { return Told(w, RestartBox(RestartCommand::Unit, restart_unit(w.Wire))); }

bool dumb_restart_unit(Bootstrap& w) {
    dumb_restart_unit(w.Wire);
    return false;
}

bool SendRecord(Bootstrap& w, std::int16_t index, bool irMicro) {
    if (index < 0 || index >= static_cast<std::int16_t>(w.Records.size())) return false;
    return SendRecord(w.Wire, w.Records[static_cast<std::size_t>(index)], irMicro).Accepted();
}

bool EndProgramming(Bootstrap& w) {
    const ExchangeResult completion = EndProgramming(w.Wire);
    Show(w.CommonDialog1, CompletionBox(completion));
    return completion.Accepted();
}

}  // namespace vantrel
