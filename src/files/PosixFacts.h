#pragma once
// What the POSIX pieces of this folder share: the facts of a stat and the write rule.
#ifndef _WIN32

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "files/PathCheck.h"

namespace vantrel::files {

FileIdentity IdentityOf(const struct stat& info);
// Some write bit set, and the program may write the file.
bool MayWrite(const std::filesystem::path& file, unsigned mode);
// The folder a file is in, "." for a bare name.
std::filesystem::path FolderOf(const std::filesystem::path& file);

inline std::error_code LastError() { return {errno, std::generic_category()}; }

}  // namespace vantrel::files

#endif
