#include "serial/CommandFrame.h"

#include "serial/Link.h"

namespace vantrel {

void SendCommandByte(Link& link, std::uint8_t command) {
    link.DiscardInput();
    link.Port().SetSettings(kCommandSettings);
    link.Port().Output(command);
    link.Pause(10);
    link.Port().SetSettings(kPayloadSettings);
}

}  // namespace vantrel
