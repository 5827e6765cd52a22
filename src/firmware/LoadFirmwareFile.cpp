// PLACEHOLDER: replaced by the firmware loader.
#include "firmware/LoadFirmwareFile.h"
namespace vantrel {
void LoadFirmwareFile(Bootstrap&, std::string) {}
}  // namespace vantrel
