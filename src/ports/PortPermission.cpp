#include "ports/PortPermission.h"

#ifndef _WIN32
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>
#endif

namespace vantrel {

std::string DescribeDenied(const DeniedAccess& denied) {
    std::string text = "cannot open " + denied.device + ": permission denied";
    if (denied.group.empty() || denied.inGroupNow) return text;
    text += "; it belongs to the group " + denied.group;
    if (denied.listedInGroup)
        return text + ", which you joined after logging in: log out and in again (or reboot)";
    return text + ", which you are not in (sudo usermod -aG " + denied.group +
           " $USER, then log out and in again)";
}

std::string PermissionProblem(const std::string& device) {
#ifdef _WIN32
    (void)device;
    return {};
#else
    struct stat info{};
    if (::stat(device.c_str(), &info) != 0) return {};
    if (::access(device.c_str(), R_OK | W_OK) == 0 || errno != EACCES) return {};

    DeniedAccess denied;
    denied.device = device;
    const group* owner = ::getgrgid(info.st_gid);
    if (!owner) return DescribeDenied(denied);
    denied.group = owner->gr_name;

    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
    const int count = ::getgroups(static_cast<int>(groups.size()), groups.data());
    groups.resize(static_cast<std::size_t>(std::max(count, 0)));
    denied.inGroupNow = ::getegid() == info.st_gid || std::ranges::find(groups, info.st_gid) != groups.end();

    if (const passwd* user = ::getpwuid(::geteuid())) {
        for (char** member = owner->gr_mem; member && *member; ++member)
            denied.listedInGroup = denied.listedInGroup || std::string(*member) == user->pw_name;
    }
    return DescribeDenied(denied);
#endif
}

}  // namespace vantrel
