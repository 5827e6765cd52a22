#include "runs/HostFacts.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace vantrel::runs {
namespace {

#ifdef _WIN32
std::string Utf8(const wchar_t* text, int length) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    return out;
}
#endif

}  // namespace

std::string MachineName() {
#ifdef _WIN32
    wchar_t name[256];
    DWORD size = 256;
    return GetComputerNameExW(ComputerNameDnsHostname, name, &size) ? Utf8(name, static_cast<int>(size)) : "";
#else
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
#endif
}

std::string UserName() {
#ifdef _WIN32
    wchar_t name[257];
    DWORD size = 257;
    // The size returned counts the terminating zero.
    return GetUserNameW(name, &size) && size > 0 ? Utf8(name, static_cast<int>(size - 1)) : "";
#else
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found) return found->pw_name;
    const char* user = std::getenv("USER");
    return user ? user : "";
#endif
}

std::string UtcTimestamp(std::chrono::system_clock::time_point at) {
    using namespace std::chrono;
    const auto ms = floor<milliseconds>(at);
    const auto day = floor<days>(ms);
    const year_month_day date{day};
    const hh_mm_ss time{ms - day};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()), static_cast<int>(time.subseconds().count()));
    return text;
}

std::string NewRunId() {
    // One source per thread: a gang run makes its ids on several threads at once.
    thread_local std::random_device source;
    char text[33];
    std::snprintf(text, sizeof text, "%08x%08x%08x%08x", source(), source(), source(), source());
    return text;
}

}  // namespace vantrel::runs
