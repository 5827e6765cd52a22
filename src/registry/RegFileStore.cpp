// The file store's registry operations.
// POSIX only; Windows uses the registry itself.
#ifndef _WIN32

#include "registry/RegFileStore.h"

#include "files/ReplaceFile.h"

#include <cerrno>
#include <cstdlib>

namespace vantrel {
namespace {

constexpr const char* kRoot = "HKEY_LOCAL_MACHINE";
constexpr std::size_t kMaxValueNameLength = 16383;

std::optional<RegKeyPath> FullPath(const std::string& path) {
    auto components = SplitKeyPath(path);
    if (!components) return std::nullopt;
    components->insert(components->begin(), kRoot);
    return components;
}

RegResult ResultOf(const std::error_code& error) {
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted ||
        error == std::errc::read_only_file_system)
        return kRegAccessDenied;
    return kRegWriteFault;
}

bool NameIsStorable(const std::string& name) {
    return name.size() <= kMaxValueNameLength && name.find_first_of(std::string("\0\r\n", 3)) == std::string::npos;
}

// What the store makes of the file at its path.
struct StoreContents {
    RegHive hive;
    RegFileFormat format;
    bool replaceable = false;
};

StoreContents ContentsOf(const FileSnapshot& snapshot) {
    StoreContents contents;
    if (snapshot.kind == FileSnapshot::Kind::Missing) {
        contents.replaceable = true;
        return contents;
    }
    // Not the store's own, or too big to be one: the defaults in memory, the path untouched.
    if (snapshot.kind != FileSnapshot::Kind::Regular || !snapshot.bytes) return contents;
    if (snapshot.bytes->empty()) {  // nothing there to lose, e.g. prepared by an administrator
        contents.replaceable = snapshot.mayWrite;
        return contents;
    }
    auto parsed = ParseRegFile(*snapshot.bytes);
    if (!parsed) return contents;  // not a .reg file: someone else's, left alone
    contents.hive = std::move(parsed->hive);
    contents.format = parsed->format;
    // A rewrite would drop the lines that could not be read: they stay for the user to mend.
    contents.replaceable = snapshot.mayWrite && parsed->skippedLines == 0;
    return contents;
}

}  // namespace

std::filesystem::path DefaultRegistryFile() {
    const char* configured = std::getenv("VANTREL_REGISTRY");
    if (configured != nullptr && *configured != '\0') return configured;
    return "/etc/vantrel/registry.reg";
}

RegFileStore::RegFileStore(std::filesystem::path file) : file_(std::move(file)) {}

void RegFileStore::Refresh() {
    if (!viewStale_ && files::IdentityOf(file_) == viewIdentity_) return;
    const FileSnapshot snapshot = ReadStoreFile(file_, kMaxFileBytes);
    StoreContents contents = ContentsOf(snapshot);
    view_ = std::move(contents.hive);
    viewMissing_ = snapshot.kind == FileSnapshot::Kind::Missing;
    viewReplaceable_ = contents.replaceable;
    for (const auto& change : pending_) Apply(view_, change);
    viewIdentity_ = snapshot.identity;
    viewStale_ = false;
}

RegKey RegFileStore::AddHandle(RegKeyPath path, bool valuesAllowed) {
    while (nextHandle_ == 0 || handles_.count(nextHandle_) != 0) ++nextHandle_;
    const RegKey key = nextHandle_++;
    handles_[key] = Handle{std::move(path), valuesAllowed, {}, false};
    return key;
}

RegFileStore::Handle* RegFileStore::FindHandle(RegKey key) {
    const auto found = handles_.find(key);
    return found == handles_.end() ? nullptr : &found->second;
}

RegResult RegFileStore::Open(const std::string& path, bool valuesAllowed, RegKey& key) {
    auto full = FullPath(path);
    if (!full) return kRegInvalidParameter;
    Refresh();
    if (full->size() > 1 && view_.Find(*full) == nullptr) return kRegNotFound;
    key = AddHandle(std::move(*full), valuesAllowed);
    return kRegSuccess;
}

RegResult RegFileStore::CheckWritable() {
    Refresh();
    if (!viewReplaceable_) return kRegAccessDenied;
    if (viewMissing_)
        if (const auto error = files::CheckCreatable(file_)) return ResultOf(error);
    return kRegSuccess;
}

RegResult RegFileStore::OpenKey(const std::string& path, RegKey& key) { return Open(path, true, key); }

RegResult RegFileStore::OpenKeyForEnumeration(const std::string& path, RegKey& key) {
    return Open(path, false, key);
}

RegResult RegFileStore::EnumKey(RegKey key, std::uint32_t index, std::string& name, std::uint32_t nameBufferLength) {
    Handle* handle = FindHandle(key);
    if (handle == nullptr) return kRegInvalidHandle;
    if (!handle->subkeysTaken) {
        handle->subkeys = view_.SubkeyNames(handle->path);
        handle->subkeysTaken = true;
    }
    if (index >= handle->subkeys.size()) return kRegNoMoreItems;
    const std::string& subkey = handle->subkeys[index];
    // The buffer also holds the terminating NUL.
    if (subkey.size() >= nameBufferLength) {
        name = subkey.substr(0, nameBufferLength == 0 ? 0 : nameBufferLength - 1);
        return kRegMoreData;
    }
    name = subkey;
    return kRegSuccess;
}

RegResult RegFileStore::CreateKey(const std::string& path, RegKey& key) {
    auto full = FullPath(path);
    if (!full) return kRegInvalidParameter;
    if (const RegResult result = CheckWritable(); result != kRegSuccess) return result;
    if (full->size() > 1 && view_.Find(*full) == nullptr) {
        pending_.push_back({*full, true, {}});
        Apply(view_, pending_.back());
    }
    key = AddHandle(std::move(*full), true);
    return kRegSuccess;
}

RegResult RegFileStore::SetValue(RegKey key, const std::string& name, RegType type,
                                 const std::vector<std::uint8_t>& data) {
    const Handle* handle = FindHandle(key);
    if (handle == nullptr) return kRegInvalidHandle;
    if (!handle->valuesAllowed) return kRegAccessDenied;
    if (!NameIsStorable(name)) return kRegInvalidParameter;
    if (const RegResult result = CheckWritable(); result != kRegSuccess) return result;
    if (handle->path.size() > 1 && view_.Find(handle->path) == nullptr) return kRegKeyDeleted;
    pending_.push_back({handle->path, false, RegValue{name, type, data}});
    Apply(view_, pending_.back());
    return kRegSuccess;
}

RegResult RegFileStore::QueryValue(RegKey key, const std::string& name, RegType& type,
                                   std::vector<std::uint8_t>& data, std::uint32_t bufferLength,
                                   std::uint32_t& length) {
    const Handle* handle = FindHandle(key);
    if (handle == nullptr) return kRegInvalidHandle;
    if (!handle->valuesAllowed) return kRegAccessDenied;
    const RegHiveKey* node = view_.Find(handle->path);
    const RegValue* value = node == nullptr ? nullptr : RegHive::FindValue(*node, name);
    if (value == nullptr) return kRegNotFound;
    type = value->type;
    length = static_cast<std::uint32_t>(value->data.size());
    const std::size_t fits = std::min<std::size_t>(bufferLength, value->data.size());
    data.assign(value->data.begin(), value->data.begin() + static_cast<std::ptrdiff_t>(fits));
    return fits < value->data.size() ? kRegMoreData : kRegSuccess;
}

RegResult RegFileStore::CloseKey(RegKey key) {
    if (handles_.erase(key) == 0) return kRegInvalidHandle;
    return pending_.empty() || batchDepth_ > 0 ? kRegSuccess : Flush();
}

RegResult RegFileStore::EndWrites() {
    if (batchDepth_ > 0) --batchDepth_;
    return pending_.empty() || batchDepth_ > 0 ? kRegSuccess : Flush();
}

void RegFileStore::DiscardWrites() {
    if (batchDepth_ > 0) --batchDepth_;
    pending_.clear();
    viewStale_ = true;  // the view holds the dropped changes: read the file again
}

void RegFileStore::Apply(RegHive& hive, const PendingChange& change) {
    RegHiveKey& node = hive.Create(change.path);
    if (!change.createOnly) RegHive::SetValue(node, change.value.name, change.value.type, change.value.data);
}

RegResult RegFileStore::Flush() {
    std::vector<PendingChange> changes;
    changes.swap(pending_);
    viewStale_ = true;  // from now on, read what the file holds

    // A first look before locking, so that no lock file appears beside what is not ours.
    FileSnapshot current = ReadStoreFile(file_, kMaxFileBytes);
    if (!ContentsOf(current).replaceable) return kRegAccessDenied;
    if (current.kind == FileSnapshot::Kind::Missing)
        if (const auto error = files::CheckCreatable(file_)) return ResultOf(error);
    const std::filesystem::path locked = current.target;
    std::error_code error;
    const auto lock = files::ReplaceLock::Acquire(locked, error);
    if (!lock) return ResultOf(error);

    // Another instance may have written since this one read: start from the file as it is.
    current = ReadStoreFile(file_, kMaxFileBytes);
    StoreContents contents = ContentsOf(current);
    if (!contents.replaceable) return kRegAccessDenied;
    if (current.target != locked) return kRegWriteFault;  // the link was turned meanwhile
    for (const auto& change : changes) Apply(contents.hive, change);

    const std::string text = FormatRegFile(contents.hive, contents.format);
    if (text.size() > kMaxFileBytes) return kRegWriteFault;  // it could not be read back
    std::optional<files::FileOwnership> keep;
    if (current.kind == FileSnapshot::Kind::Regular) keep = current.ownership;
    if (const auto written = files::ReplaceFileAtomically(current.target, text, keep)) return ResultOf(written);
    return kRegSuccess;
}

}  // namespace vantrel

#endif
