#ifdef _WIN32

#include "files/UniqueHandle.h"

#include <windows.h>

namespace vantrel {

UniqueHandle UniqueHandle::FromCreateFile(void* handle) {
    return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

void UniqueHandle::reset() {
    if (handle_ != nullptr) CloseHandle(std::exchange(handle_, nullptr));
}

}  // namespace vantrel

#endif
