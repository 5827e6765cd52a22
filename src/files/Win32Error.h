#pragma once
// The system's own text for a Win32 error code, for messages.

#include <string>
#include <system_error>

namespace vantrel {

// "The system cannot find the file specified. (error 2)"; the code alone when Windows has
// no text for it.
std::string Win32ErrorText(unsigned long error);

// A Win32 error code whose message() is Win32ErrorText.
std::error_code Win32ErrorCode(unsigned long error);

}  // namespace vantrel
