// The type table: built-in defaults, or the rows kept under the Types key.
//
// Choices for registry contents the program never writes itself:
// - The key opens but "Version" is missing, not a REG_DWORD or not 4 bytes long: the
//   built-in defaults are used for this run and the registry is left as it is (it may
//   belong to a newer program, or be mid-edit by an administrator).
// - A subkey whose name is a negative number or does not fit 16 bits is skipped.
// - A "Type" or "Reply" number outside 0..255 does not count as a read, like a value of
//   the wrong type: a reply code that no byte can carry must never match a tav.
// - A "Name" or "BootName" longer than the 255-byte buffer is cut to what fits.

#include "registry/RegisterTav.h"

#include <cstddef>
#include <optional>

#include "registry/DefaultTypes.h"

namespace vantrel {
namespace {

constexpr std::uint32_t kTextBufferLength = 255;
constexpr std::uint32_t kKeyNameBufferLength = 255;

// Closes the key it holds when it goes out of scope, so every path closes it. The close
// has nothing to write and no result worth keeping: keys closed outside a WriteBatch were
// only read, and those inside one leave their writes to its Commit.
class OpenedKey {
public:
    OpenedKey(RegistryStore& store, RegKey key) : store_(store), key_(key) {}
    ~OpenedKey() { store_.CloseKey(key_); }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;
    RegKey get() const { return key_; }

private:
    RegistryStore& store_;
    RegKey key_;
};

// Keeps a run of writes together until Commit writes them all; a batch left without a
// Commit (an exception on the way) writes nothing of it.
class WriteBatch {
public:
    explicit WriteBatch(RegistryStore& store) : store_(store) { store_.BeginWrites(); }
    ~WriteBatch() {
        if (!committed_) store_.DiscardWrites();
    }
    WriteBatch(const WriteBatch&) = delete;
    WriteBatch& operator=(const WriteBatch&) = delete;
    [[nodiscard]] RegResult Commit() {
        committed_ = true;
        return store_.EndWrites();
    }

private:
    RegistryStore& store_;
    bool committed_ = false;
};

bool ReadCounts(RegResult result) { return result == kRegSuccess || result == kRegMoreData; }

// A 4-byte REG_DWORD, as the query returned it.
std::optional<std::uint32_t> ReadDword(RegistryStore& store, RegKey key, const std::string& name) {
    RegType type = 0;
    std::vector<std::uint8_t> data;
    std::uint32_t length = 0;
    const RegResult result = store.QueryValue(key, name, type, data, 4, length);
    if (!ReadCounts(result) || type != kRegDword || length != 4 || data.size() < 4) return std::nullopt;
    return static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
           static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
}

std::optional<std::uint8_t> ReadByteCode(RegistryStore& store, RegKey key, const std::string& name) {
    const auto number = ReadDword(store, key, name);
    if (!number || *number > 0xFF) return std::nullopt;
    return static_cast<std::uint8_t>(*number);
}

// A REG_SZ of at least one byte; the text runs up to the first NUL.
std::optional<std::string> ReadText(RegistryStore& store, RegKey key, const std::string& name) {
    RegType type = 0;
    std::vector<std::uint8_t> data;
    std::uint32_t length = 0;
    const RegResult result = store.QueryValue(key, name, type, data, kTextBufferLength, length);
    if (!ReadCounts(result) || type != kRegSz || length < 1) return std::nullopt;
    std::string text;
    for (std::size_t i = 0; i < data.size() && i < kTextBufferLength && data[i] != 0; ++i)
        text += static_cast<char>(data[i]);
    return text;
}

std::vector<std::uint8_t> DwordBytes(std::uint32_t number) {
    return {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
            static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
}

std::vector<std::uint8_t> TextBytes(const std::string& text) {
    return {text.begin(), text.end()};  // stored without a terminating NUL
}

// The row number a subkey name holds: leading blanks, an optional sign, then decimal
// digits up to the first other character; no digits gives 0. Empty when the number is
// negative or beyond 16 bits.
std::optional<std::int16_t> RowNumberOf(const std::string& name) {
    std::size_t i = 0;
    while (i < name.size() && name[i] == ' ') ++i;
    bool negative = false;
    if (i < name.size() && (name[i] == '+' || name[i] == '-')) negative = name[i++] == '-';
    std::int32_t number = 0;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i) {
        number = number * 10 + (name[i] - '0');
        if (number > 32767) return std::nullopt;
    }
    if (negative && number != 0) return std::nullopt;
    return static_cast<std::int16_t>(number);
}

}  // namespace

void RegisterTav::CheckTypeRegistry() {
    RegKey key = 0;
    if (store_.OpenKey(kTypesKey, key) != kRegSuccess) {
        WriteDefaultTypes();
        return;
    }
    const auto version = ReadDword(store_, key, "Version");
    store_.CloseKey(key);

    if (!version) {
        // No usable version: run on the defaults without touching what is stored.
        BuildDefaultTypes();
        return;
    }
    if (static_cast<std::int32_t>(*version) < kTypeTableVersion)
        WriteDefaultTypes();
    else
        LoadTypes();
}

void RegisterTav::WriteDefaultTypes() {
    BuildDefaultTypes();

    // Failed creates and sets go unreported: the table in memory is the default either way.
    // One batch, so that a store which can never shows version 19 with only part of the rows.
    WriteBatch batch(store_);
    RegKey key = 0;
    if (store_.CreateKey(kTypesKey, key) == kRegSuccess) {
        OpenedKey types(store_, key);
        store_.SetValue(types.get(), "Version", kRegDword,
                        DwordBytes(static_cast<std::uint32_t>(kTypeTableVersion)));
    }
    for (std::size_t i = 0; i < TypeTable.size(); ++i) {
        const TypeRow& row = TypeTable[i];
        RegKey rowKey = 0;
        if (store_.CreateKey(std::string(kTypesKey) + "\\" + std::to_string(i), rowKey) != kRegSuccess) continue;
        OpenedKey sub(store_, rowKey);
        store_.SetValue(sub.get(), "Name", kRegSz, TextBytes(row.Name));
        store_.SetValue(sub.get(), "BootName", kRegSz, TextBytes(row.BootName));
        store_.SetValue(sub.get(), "Type", kRegDword, DwordBytes(row.Type));
        store_.SetValue(sub.get(), "Reply", kRegDword, DwordBytes(row.Reply));
    }
    // A failed write is not reported either: this run uses the defaults it holds, and the
    // next start, finding no table of this version, writes them again.
    static_cast<void>(batch.Commit());
}

void RegisterTav::BuildDefaultTypes() { TypeTable = DefaultTypeRows(); }

void RegisterTav::LoadTypes() {
    TypeTable.assign(1, TypeRow{});

    RegKey key = 0;
    if (store_.OpenKeyForEnumeration(kTypesKey, key) != kRegSuccess) {
        WriteDefaultTypes();
        return;
    }
    OpenedKey types(store_, key);
    for (std::uint32_t index = 0;; ++index) {
        std::string name;
        if (store_.EnumKey(types.get(), index, name, kKeyNameBufferLength) != kRegSuccess) break;
        ReadTypeKey(name);
    }
}

void RegisterTav::ReadTypeKey(const std::string& name) {
    const auto rowNumber = RowNumberOf(name);
    if (!rowNumber) return;  // no row can hold it
    const auto r = static_cast<std::size_t>(*rowNumber);

    RegKey key = 0;
    if (store_.OpenKey(std::string(kTypesKey) + "\\" + name, key) != kRegSuccess) return;
    OpenedKey sub(store_, key);

    if (r >= TypeTable.size()) TypeTable.resize(r + 1);
    TypeRow& row = TypeTable[r];

    // Each field is read only when the ones before it were.
    const auto type = ReadByteCode(store_, sub.get(), "Type");
    if (!type) return;
    row.Type = *type;
    const auto reply = ReadByteCode(store_, sub.get(), "Reply");
    if (!reply) return;
    row.Reply = *reply;
    const auto text = ReadText(store_, sub.get(), "Name");
    if (!text) return;
    row.Name = *text;
    const auto bootName = ReadText(store_, sub.get(), "BootName");
    if (!bootName) return;
    row.BootName = *bootName;
}

}  // namespace vantrel
