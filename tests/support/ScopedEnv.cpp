#include "support/ScopedEnv.h"

#include <cstdlib>

namespace vantrel::test {

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* before = std::getenv(name)) before_ = before;
    Put(value);
}

ScopedEnv::~ScopedEnv() { Put(before_ ? before_->c_str() : nullptr); }

void ScopedEnv::Put(const char* value) {
#ifdef _WIN32
    // The wide environment is the one the program reads; an empty value removes it.
    const std::wstring wide(name_.begin(), name_.end());
    const std::string text = value ? value : "";
    _wputenv_s(wide.c_str(), std::wstring(text.begin(), text.end()).c_str());
    _putenv_s(name_.c_str(), text.c_str());
#else
    value ? ::setenv(name_.c_str(), value, 1) : ::unsetenv(name_.c_str());
#endif
}

}  // namespace vantrel::test
