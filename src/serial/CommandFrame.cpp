#include "serial/CommandFrame.h"

#include "app/Bootstrap.h"
#include "serial/Waits.h"

namespace vantrel {

void SendCommandByte(Bootstrap& w, std::uint8_t command) {
    DiscardInput(w);
    w.MSComm1.SetSettings(kCommandSettings);
    w.MSComm1.Output(command);
    Pause(w, 10);
    w.MSComm1.SetSettings(kPayloadSettings);
}

}  // namespace vantrel
