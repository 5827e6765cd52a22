#pragma once
// A registry store kept in one .reg text file (what regedit exports), for systems without
// a Windows registry. Paths given to the store are below HKEY_LOCAL_MACHINE.
//
// Reads: the file is parsed again whenever a key is opened and the file has changed
// since it was last read. Lines that cannot be read are left out. A path that is missing,
// not a regular file the program may read (see files/PathCheck.h), larger than kMaxFileBytes
// or not a .reg file at all reads as an empty registry.
// Writes: creates and sets apply at once to what this store reads, and reach the file when
// a key is closed outside BeginWrites/EndWrites or at the outermost EndWrites, which say
// whether they did: under an exclusive lock, the file is read afresh, the pending changes
// are applied to it, and it is replaced atomically, in the format it had (REGEDIT4 for a
// new one). Only a missing or empty file, or a .reg file that was read completely and may
// be written, is ever replaced; anything else is left as it is and the writes fail, so
// nothing of the user's is lost or moved. The store never writes from its destructor, where
// a failure could not be told: changes still pending then (a key never closed, a batch
// never ended) go with it, as DiscardWrites drops them. Quoted strings read back with a
// terminating NUL, as regedit imports them.

#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include "registry/RegHive.h"
#include "registry/RegistryStore.h"
#include "registry/StoreFile.h"

namespace vantrel {

class RegFileStore : public RegistryStore {
public:
    static constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;

    explicit RegFileStore(std::filesystem::path file);
    RegFileStore(const RegFileStore&) = delete;
    RegFileStore& operator=(const RegFileStore&) = delete;

    RegResult OpenKey(const std::string& path, RegKey& key) override;
    RegResult OpenKeyForEnumeration(const std::string& path, RegKey& key) override;
    RegResult EnumKey(RegKey key, std::uint32_t index, std::string& name, std::uint32_t nameBufferLength) override;
    RegResult CreateKey(const std::string& path, RegKey& key) override;
    RegResult SetValue(RegKey key, const std::string& name, RegType type,
                       const std::vector<std::uint8_t>& data) override;
    RegResult QueryValue(RegKey key, const std::string& name, RegType& type, std::vector<std::uint8_t>& data,
                         std::uint32_t bufferLength, std::uint32_t& length) override;
    RegResult CloseKey(RegKey key) override;
    void BeginWrites() override { ++batchDepth_; }
    RegResult EndWrites() override;
    void DiscardWrites() override;

    const std::filesystem::path& File() const { return file_; }
    std::size_t OpenKeyCount() const { return handles_.size(); }

private:
    struct Handle {
        RegKeyPath path;  // from the root, HKEY_LOCAL_MACHINE first
        bool valuesAllowed = true;
        std::vector<std::string> subkeys;  // enumeration snapshot, taken on first use
        bool subkeysTaken = false;
    };
    struct PendingChange {
        RegKeyPath path;
        bool createOnly = true;
        RegValue value;
    };

    RegResult Open(const std::string& path, bool valuesAllowed, RegKey& key);
    RegResult CheckWritable();
    RegKey AddHandle(RegKeyPath path, bool valuesAllowed);
    Handle* FindHandle(RegKey key);
    void Refresh();
    static void Apply(RegHive& hive, const PendingChange& change);
    RegResult Flush();

    std::filesystem::path file_;
    RegHive view_;  // the file as last read, with the pending changes applied
    files::FileIdentity viewIdentity_;
    bool viewStale_ = true;
    bool viewMissing_ = false;       // no file yet: writing creates it
    bool viewReplaceable_ = false;  // the program may write its changes there
    std::vector<PendingChange> pending_;
    std::map<RegKey, Handle> handles_;
    RegKey nextHandle_ = 1;
    int batchDepth_ = 0;
};

// VANTREL_REGISTRY if set, else /etc/vantrel/registry.reg.
std::filesystem::path DefaultRegistryFile();

}  // namespace vantrel
