#pragma once
// A Windows handle that closes itself: an event, a device, a file. Kept as void* so that
// headers need not include <windows.h>; null stands for "none" (CreateFile's
// INVALID_HANDLE_VALUE is never stored: FromCreateFile turns it into none).

#include <utility>

namespace vantrel {

class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(void* handle) : handle_(handle) {}
    // What CreateFile returned, whose failure value is not null.
    static UniqueHandle FromCreateFile(void* handle);
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    void* get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Closes the handle held, if any.
    void reset();

private:
    void* handle_ = nullptr;
};

}  // namespace vantrel
