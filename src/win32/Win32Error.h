#pragma once
// The system's own text for a Win32 error code, for messages.

#include <string>

namespace vantrel {

// "The system cannot find the file specified. (error 2)"; the code alone when Windows has
// no text for it.
std::string Win32ErrorText(unsigned long error);

}  // namespace vantrel
