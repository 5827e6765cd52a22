#include "win32/UniqueHandle.h"

#include <windows.h>

namespace vantrel {

void UniqueHandle::reset() {
    if (handle_ != nullptr) CloseHandle(std::exchange(handle_, nullptr));
}

}  // namespace vantrel
