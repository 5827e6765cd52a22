#pragma once
// Sets or removes an environment variable for as long as it lives, then puts back what
// was there, so no test leaves its ports or folders to the next one in the process.

#include <optional>
#include <string>

namespace vantrel::test {

class ScopedEnv {
public:
    // value nullptr: the variable is removed.
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Put(const char* value);
    std::string name_;
    std::optional<std::string> before_;
};

}  // namespace vantrel::test
