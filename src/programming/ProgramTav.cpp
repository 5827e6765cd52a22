// PLACEHOLDER: replaced by the programming flow.
#include "programming/ProgramTav.h"
namespace vantrel {
void ProgramTav_Click(Bootstrap&) {}
}  // namespace vantrel
