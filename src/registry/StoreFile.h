#pragma once
// What the file store makes of its path: the file read only when it is a regular file the
// program may read (the rules of files/PathCheck.h), with what a replace needs to know.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include "files/PathCheck.h"

namespace vantrel {

struct FileSnapshot {
    enum class Kind {
        Missing,   // nothing there yet: the store may create the file
        Regular,   // a regular file (or a link to one) that the program may read
        NotOwned,  // anything else: read nothing, write nothing
    };
    Kind kind = Kind::NotOwned;
    files::FileIdentity identity;
    std::optional<std::string> bytes;  // a Regular file's contents; empty when over the cap
    bool mayWrite = false;  // a Regular file whose permission bits and folder let it be replaced
    std::filesystem::path target;  // where a replace goes: the path, or the file its link names
    files::FileOwnership ownership;
};

FileSnapshot ReadStoreFile(const std::filesystem::path& path, std::size_t maxBytes);

}  // namespace vantrel
