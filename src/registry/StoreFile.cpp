// The file store's look at its path.
// POSIX only; Windows uses the registry itself.
#ifndef _WIN32

#include "registry/StoreFile.h"

#include "files/OpenFile.h"

namespace vantrel {

FileSnapshot ReadStoreFile(const std::filesystem::path& path, std::size_t maxBytes) {
    FileSnapshot snapshot;
    const files::PathCheck check = files::CheckPath(path, files::Access::Read);
    snapshot.identity = check.identity;
    if (check.kind == files::PathCheck::Kind::Missing) {
        snapshot.kind = FileSnapshot::Kind::Missing;
        snapshot.target = path;
    }
    if (check.kind != files::PathCheck::Kind::Regular) return snapshot;
    files::Refusal refusal;
    const std::optional<files::OpenFile> file = files::OpenFile::Open(check, files::OpenFile::Mode::Read, refusal);
    if (!file) return snapshot;

    snapshot.kind = FileSnapshot::Kind::Regular;
    snapshot.identity = file->Identity();
    snapshot.target = check.target;
    snapshot.ownership = file->Ownership();
    snapshot.mayWrite = file->MayReplace();
    snapshot.bytes = files::ReadUpTo(*file, maxBytes);
    return snapshot;
}

}  // namespace vantrel

#endif
