// The type table in the registry: what a program start loads, writes and falls back to,
// over the REGEDIT4 file store in a temporary folder; and the file store itself.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <thread>

#include "registry/RegFileStore.h"
#include "registry/RegisterTav.h"
#include "support/SimWindow.h"

namespace vantrel::test {
namespace {

// The built-in table, row by row.
const std::vector<TypeRow> kDefaultTable = {
    {0, 0x11, "Tav model 00 ", "Tav model 00"},   {1, 0x22, "Tav model 01 ", "Tav model 01"},
    {2, 0x33, "Tav model 02 ", "Tav model 02"},   {3, 0x44, "Tav model 03 ", "Tav model 03"},
    {4, 0x55, "Tav model 04 ", "Tav model 04 "},  {5, 0x66, "Tav model 05 ", "Tav model 05"},
    {6, 0x77, "Tav model 06 ", "Tav model 06 "},  {7, 0x88, "Tav model 07 ", "Tav model 07 "},
    {8, 0x99, "Tav model 08 ", "Tav model 08"},   {9, 0xAA, "Tav model 09 ", "Tav model 09 "},
    {10, 0xBB, "Tav model 10", "Tav model 10 "},  {12, 0xCC, "Tav model 12 ", "Tav model 12 "},
    {13, 0xDD, "Tav model 13 ", "Tav model 13 "}, {14, 0xEE, "Tav model 14 ", "Tav model 14 "},
    {15, 0x1E, "Tav model 15", "Tav model 15 "},  {16, 0x1D, "Tav model 16 ", "Tav model 16 "},
    {17, 0x1C, "Tav model 17 ", "Tav model 17 "}, {18, 0x20, "Tav model 18 ", "Tav model 18 "},
    {19, 0x21, "Tav model 19 ", "Tav model 19 "}, {20, 0x23, "Tav model 20 ", "Tav model 20 "},
    {21, 0x24, "Tav model 21 ", "Tav model 21 "}, {22, 0x25, "Tav model 22 ", "Tav model 22 "},
    {23, 0x15, "Tav model 23 ", "Tav model 23 "}, {24, 0x16, "Tav model 24 ", "Tav model 24 "},
    {25, 0x17, "Tav model 25 ", "Tav model 25 "}, {26, 0x18, "Tav model 26 ", "Tav model 26 "},
    {27, 0x19, "Tav model 27 ", "Tav model 27 "}, {28, 0x26, "Tav model 28 ", "Tav model 28 "},
    {29, 0x27, "Tav model 29 ", "Tav model 29 "}, {30, 0x28, "Tav model 30 ", "Tav model 30 "},
    {31, 0x29, "Tav model 31 ", "Tav model 31 "}, {32, 0x2A, "Tav model 32 ", "Tav model 32 "},
    {33, 0x2B, "Tav model 33 ", "Tav model 33 "}, {34, 0x2C, "Tav model 34 ", "Tav model 34 "},
    {35, 0x32, "Tav model 35 ", "Tav model 35 "},
};

// The type table's key (subkey "") or one of its rows, with these value lines.
std::string Row(const std::string& subkey, const std::string& values) {
    return "[HKEY_LOCAL_MACHINE\\Software\\Telvar\\Quorvels\\Types" + (subkey.empty() ? "" : "\\" + subkey) + "]\n" +
           values + "\n";
}
// A file at version 19 so far.
const std::string kHead19 = "REGEDIT4\n\n" + Row("", "\"Version\"=dword:00000013\n");

std::string RowValues(int type, int reply, const std::string& name, const std::string& bootName) {
    char codes[64];
    std::snprintf(codes, sizeof codes, "\"Type\"=dword:%08x\n\"Reply\"=dword:%08x\n", type, reply);
    return "\"Name\"=\"" + name + "\"\n\"BootName\"=\"" + bootName + "\"\n" + codes;
}

// A value as a store reads it; type 0 when there is none.
RegValue Query(RegistryStore& store, const std::string& path, const std::string& name) {
    RegValue value{name, 0, {}};
    RegKey key = 0;
    std::uint32_t length = 0;
    if (store.OpenKey(path, key) != kRegSuccess) return value;
    if (store.QueryValue(key, name, value.type, value.data, 1000, length) != kRegSuccess) value.type = 0;
    store.CloseKey(key);
    return value;
}

class RegistryTest : public ::testing::Test {
protected:
    void WriteFile(const std::string& text) const { std::ofstream(file_, std::ios::binary) << text; }
    static std::string ReadFile(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // The table a program start makes, reading (and, when it must, writing) the file.
    std::vector<TypeRow> Check() {
        RegFileStore store(file_);
        RegisterTav types(store);
        types.CheckTypeRegistry();
        EXPECT_EQ(store.OpenKeyCount(), 0u) << "a key was left open";
        return types.TypeTable;
    }
    // A type-table value as the next run reads it: a text up to its NUL, a DWORD as its number.
    std::string Stored(const std::string& subkey, const std::string& name) const {
        RegFileStore store(file_);
        const auto v = Query(store, "Software\\Telvar\\Quorvels\\Types" + (subkey.empty() ? "" : "\\" + subkey), name);
        if (v.type == kRegDword && v.data.size() == 4)
            return std::to_string(v.data[0] | v.data[1] << 8 | v.data[2] << 16 | std::uint32_t{v.data[3]} << 24);
        return v.type == kRegSz ? std::string(v.data.begin(), v.data.end()).c_str() : "<missing>";
    }

    TempDir dir;
    std::filesystem::path file_ = dir.Path() / "registry.reg";
};

// ---- The type table ----

// Notes, at every key closed, whether the file has been written yet.
struct WatchingStore : RegFileStore {
    using RegFileStore::RegFileStore;
    RegResult CloseKey(RegKey key) override {
        const RegResult result = RegFileStore::CloseKey(key);
        seenOnClose.push_back(std::filesystem::exists(File()));
        return result;
    }
    std::vector<bool> seenOnClose;
};

TEST_F(RegistryTest, MissingKeyWritesTheDefaultsAllAtOnceAndTheNextRunLoadsThem) {
    WatchingStore store(file_);
    RegisterTav types(store);
    types.CheckTypeRegistry();
    EXPECT_EQ(types.TypeTable, kDefaultTable);
    // A version 19 without all its rows would be loaded as it is by the next run.
    EXPECT_EQ(store.seenOnClose, std::vector<bool>(1 + 35, false));  // Types, then the rows
    EXPECT_EQ(Stored("", "Version"), "19");
    // Texts are stored without a terminating NUL, codes as 4-byte DWORDs.
    EXPECT_NE(ReadFile(file_).find("\"Name\"=\"Tav model 10\"\r\n\"Reply\"=dword:000000bb\r\n"), std::string::npos);
    const std::string before = ReadFile(file_);
    EXPECT_EQ(Check(), kDefaultTable);
    EXPECT_EQ(ReadFile(file_), before) << "loading must not write";
}

TEST_F(RegistryTest, OlderVersionsAreOverwrittenWithTheDefaults) {
    for (const std::string version : {"00000012", "00000000", "ffffffff", "80000000"}) {
        SCOPED_TRACE(version);
        WriteFile("REGEDIT4\n\n" + Row("", "\"Version\"=dword:" + version) +
                  Row("5", RowValues(5, 0x66, "Edited five", "Edited boot")) +
                  Row("35", RowValues(36, 0x61, "Newer model", "Newer boot")) +
                  Row("40", RowValues(40, 0x62, "Far model", "Far boot")));
        EXPECT_EQ(Check(), kDefaultTable) << "rows 35 and 40 must not be loaded";
        EXPECT_EQ(Stored("", "Version"), "19");
        EXPECT_EQ(Stored("5", "Name"), "Tav model 05 ");
        EXPECT_EQ(Stored("35", "Name"), "Newer model");
    }
}

TEST_F(RegistryTest, CurrentOrNewerVersionLoadsTheRowsByTheirSubkeyNumber) {
    std::vector<TypeRow> expected(41);
    expected[0] = {0, 0x10, "Zero", "B0"};
    expected[1] = {1, 0x01, "One", "B1"};
    expected[5] = {5, 0x66, "Five \xE9", "B5"};  // an edited name
    expected[40] = {40, 0x40, "Forty", "B40"};
    for (const std::string version : {"00000013", "00000014", "7fffffff"}) {
        SCOPED_TRACE(version);
        // Enumeration gives "0", "1", "40", "5" in name order; each must land in its own row.
        WriteFile("REGEDIT4\n\n" + Row("", "\"Version\"=dword:" + version) +
                  Row("40", RowValues(40, 0x40, "Forty", "B40")) + Row("5", RowValues(5, 0x66, "Five \xE9", "B5")) +
                  Row("1", RowValues(1, 0x01, "One", "B1")) + Row("0", RowValues(0, 0x10, "Zero", "B0")));
        EXPECT_EQ(Check(), expected);
    }
}

TEST_F(RegistryTest, SubkeyNamesThatAreNotRowNumbers) {
    // No number is row 0, leading digits count, negative or beyond 16 bits is skipped.
    WriteFile(kHead19 + Row("spare", RowValues(70, 0x70, "Spare", "BS")) +
              Row("2b", RowValues(7, 0x77, "Seven", "B7")) + Row("-2", RowValues(2, 0x22, "Minus", "BM")) +
              Row("32768", RowValues(9, 0x99, "Big", "BB")) + Row("99999999999999999999", RowValues(9, 8, "H", "H")));
    EXPECT_EQ(Check(), (std::vector<TypeRow>{{70, 0x70, "Spare", "BS"}, {}, {7, 0x77, "Seven", "B7"}}));
}

TEST_F(RegistryTest, AReadThatDoesNotCountLeavesItsFieldAndTheLaterOnes) {
    std::string longName;
    for (std::size_t i = 0; i < 300; ++i) longName += static_cast<char>('A' + (i * 7 + i / 26) % 26);
    const std::vector<std::pair<std::string, TypeRow>> rows = {
        // no Type: nothing is taken, though the rest is there
        {"\"Reply\"=dword:22\n\"Name\"=\"N1\"\n\"BootName\"=\"B1\"", {}},
        {"\"Type\"=dword:2\n\"Name\"=\"N2\"\n\"BootName\"=\"B2\"", {2, 0, "", ""}},
        {"\"Type\"=dword:3\n\"Reply\"=dword:33\n\"BootName\"=\"B3\"", {3, 0x33, "", ""}},
        // Type as a text, then as a DWORD of 5 bytes
        {"\"Type\"=\"5\"\n\"Reply\"=dword:55\n\"Name\"=\"N5\"\n\"BootName\"=\"B5\"", {}},
        {"\"Type\"=hex(4):07,00,00,00,00\n\"Reply\"=dword:77\n\"Name\"=\"N7\"", {}},
        // Name as binary, then as a lone NUL: an empty text
        {"\"Type\"=dword:8\n\"Reply\"=dword:88\n\"Name\"=hex:4e,38\n\"BootName\"=\"B8\"", {8, 0x88, "", ""}},
        {"\"Type\"=dword:a\n\"Reply\"=dword:aa\n\"Name\"=\"\"\n\"BootName\"=\"B10\"", {10, 0xAA, "", "B10"}},
        // Codes that do not fit a byte: Type 256, then Reply -1
        {"\"Type\"=dword:100\n\"Reply\"=dword:bb\n\"Name\"=\"N11\"\n\"BootName\"=\"B\"", {}},
        {"\"Type\"=dword:c\n\"Reply\"=dword:ffffffff\n\"Name\"=\"N12\"\n\"BootName\"=\"B\"", {12, 0, "", ""}},
        // Texts run to their first NUL and are cut to 255 characters
        {"\"Type\"=dword:d\n\"Reply\"=dword:dd\n\"Name\"=\"" + longName + "\"\n\"BootName\"=hex(1):41,00,42",
         {13, 0xDD, longName.substr(0, 255), "A"}},
    };
    std::string file = kHead19;
    for (std::size_t i = 0; i < rows.size(); ++i) file += Row(std::to_string(i + 1), rows[i].first);
    WriteFile(file);
    const auto table = Check();
    ASSERT_EQ(table.size(), rows.size() + 1);
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(table[i + 1], rows[i].second) << "row " << i + 1;
}

TEST_F(RegistryTest, VersionThatIsNotUsableRunsOnTheDefaultsAndWritesNothing) {
    for (const std::string version : {"", "\"Version\"=\"19\"\n", "\"Version\"=hex(4):13,00\n",
                                      "\"Version\"=hex:13,00,00,00\n", "\"Version\"=hex(4):13,00,00,00,00\n"}) {
        SCOPED_TRACE(version);
        WriteFile("REGEDIT4\n\n" + Row("", version) + Row("0", RowValues(0, 0x10, "Stored", "Stored")));
        const std::string before = ReadFile(file_);
        EXPECT_EQ(Check(), kDefaultTable);
        EXPECT_EQ(ReadFile(file_), before);
    }
}

TEST_F(RegistryTest, UnreadableStoreFilesCountAsAMissingKey) {
    const std::string good = kHead19 + Row("1", RowValues(1, 0x21, "Mine", "Mine"));
    std::string binary, huge = kHead19;
    for (int i = 0; i < 512; ++i) binary += static_cast<char>((i * 37 + 11) % 256);
    while (huge.size() <= 4 * 1024 * 1024) huge += ";" + std::string(1000, 'x') + "\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"empty", ""},
        {"truncated mid-line", good.substr(0, good.find("dword:00000001") + 3)},
        {"truncated mid-string", good.substr(0, good.find("Mine") + 2)},
        {"garbage", "this is not a registry file\n[oops\n"},
        {"binary", binary},
        {"huge", huge},
        {"bad dword", kHead19 + Row("0", "\"Type\"=dword:1g")},
        {"bad hex byte", kHead19 + Row("0", "\"Name\"=hex:1,2,zz")},
        {"unterminated text", kHead19 + Row("0", "\"Name\"=\"Tav")},
        {"NUL in a text", kHead19 + Row("0", std::string("\"Name\"=\"a\0b\"", 11))},
    };
    for (const auto& [what, text] : cases) {
        SCOPED_TRACE(what);
        WriteFile(text);
        EXPECT_EQ(Check(), kDefaultTable);
        // The defaults replace the file; what was there is kept aside.
        EXPECT_EQ(Stored("", "Version"), "19");
        EXPECT_EQ(ReadFile(dir.Path() / "registry.reg.bad"), text);
    }

    // A registry that cannot be written still gives the defaults.
    std::ofstream(dir.Path() / "not-a-directory") << "x";
    file_ = dir.Path() / "not-a-directory" / "registry.reg";
    EXPECT_EQ(Check(), kDefaultTable);
}

// ---- The file store ----

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

// Creates the key and sets its text "v"; the close writes the file.
void Put(RegistryStore& store, const std::string& path, const std::string& text) {
    RegKey key = 0;
    EXPECT_EQ(store.CreateKey(path, key), kRegSuccess);
    EXPECT_EQ(store.SetValue(key, "v", kRegSz, Bytes(text)), kRegSuccess);
    EXPECT_EQ(store.CloseKey(key), kRegSuccess);
}

TEST_F(RegistryTest, WhatOneStoreWritesAnotherReadsBack) {
    const auto blob = Bytes("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ\x01\x80\xFE");
    std::vector<RegValue> values = {{"Name", kRegSz, Bytes("Tav \"q\" \\ \xFF ")}, {"Lines", kRegSz, Bytes("a\r\nb")},
                                    {"Short", kRegDword, {1, 2}}, {"Blob", kRegBinary, blob}, {"", 11, {9}}};
    {
        RegFileStore store(file_);
        RegKey key = 0;
        ASSERT_EQ(store.CreateKey("Software\\Q", key), kRegSuccess);
        for (const auto& v : values) EXPECT_EQ(store.SetValue(key, v.name, v.type, v.data), kRegSuccess);
        EXPECT_EQ(store.CloseKey(key), kRegSuccess);
    }
    EXPECT_TRUE(ReadFile(file_).starts_with("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Q]\r\n"));
    values[0].data.push_back(0);  // a quoted text reads back with its NUL, as regedit imports it
    RegFileStore other(file_);
    for (const auto& v : values) {
        const RegValue back = Query(other, "software\\q", v.name);  // names ignore case
        EXPECT_EQ(back.type, v.type) << v.name;
        EXPECT_EQ(back.data, v.data) << v.name;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2) << "the file and its lock only";
}

TEST_F(RegistryTest, WritersKeepEachOthersChanges) {
    // Writers at the same time, each with its own store, serialised by the lock.
    std::vector<std::thread> writers;
    for (int w = 0; w < 4; ++w)
        writers.emplace_back([this, w] {
            RegFileStore store(file_);
            for (int k = 0; k < 10; ++k) Put(store, "P\\" + std::to_string(w * 100 + k), std::to_string(k));
        });
    for (auto& writer : writers) writer.join();
    RegFileStore after(file_);
    for (int w = 0; w < 4; ++w)
        for (int k = 0; k < 10; ++k)
            EXPECT_EQ(Query(after, "P\\" + std::to_string(w * 100 + k), "v").data, Bytes(std::to_string(k) + '\0'));
}

}  // namespace
}  // namespace vantrel::test
