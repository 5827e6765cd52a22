// The type table in the registry: what a program start loads, writes and falls back to,
// over the REGEDIT4 file store in a temporary folder; and the file store itself.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <set>
#include <thread>

#include "registry/RegFileStore.h"
#include "registry/RegisterTav.h"
#include "support/SimWindow.h"

namespace vantrel {
void PrintTo(const TypeRow& row, std::ostream* out) {
    *out << "{" << int{row.Type} << ", " << int{row.Reply} << ", \"" << row.Name << "\", \"" << row.BootName << "\"}";
}
}  // namespace vantrel

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

// Latin-1 text as UTF-16LE with a byte order mark, as regedit exports it today.
std::string Utf16LeExport(const std::string& latin1) {
    std::string out = "\xFF\xFE";
    for (const char c : latin1) out += {c, '\0'};
    return out;
}

TEST_F(RegistryTest, WhatIsReadOfAFileAndWhenTheDefaultsReplaceIt) {
    const std::string good = kHead19 + Row("1", RowValues(1, 0x21, "Mine", "Mine"));
    std::string binary, huge = kHead19;
    for (int i = 0; i < 512; ++i) binary += static_cast<char>((i * 37 + 11) % 256);
    while (huge.size() <= 4 * 1024 * 1024) huge += ";" + std::string(1000, 'x') + "\n";
    const std::string edited = Row("5", RowValues(5, 0x66, "Edited five", "B5"));
    std::vector<TypeRow> editedTable(6);
    editedTable[5] = {5, 0x66, "Edited five", "B5"};
    const std::vector<TypeRow> emptyRows(2);
    const std::string v5 = "Windows Registry Editor Version 5.00\r\n\r\n";
    const std::string v5Body = Row("", "\"Version\"=dword:00000013") + edited;
    std::vector<TypeRow> umlaut = editedTable;
    umlaut[5].Name = "M\xC3\xBCller";  // a UTF-16 text is kept as UTF-8

    struct Case {
        std::string what, text;
        std::vector<TypeRow> table;
        bool rewritten = false;  // with the defaults, else left byte for byte
    };
    const std::vector<Case> cases = {
        // Nothing there to lose: the defaults are written.
        {"empty", "", kDefaultTable, true},
        // Not a .reg file at all: someone else's, so the defaults run and the file stays.
        {"garbage", "this is not a registry file\n[oops\n", kDefaultTable},
        {"binary", binary, kDefaultTable},
        {"huge", huge, kDefaultTable},
        {"UTF-16 without its byte order mark", Utf16LeExport(v5 + v5Body).substr(2), kDefaultTable},
        // A line that cannot be read is left out, as regedit leaves it; the rest counts, and
        // a rewrite, which would drop the line, does not happen.
        {"truncated mid-line", good.substr(0, good.find("dword:00000001") + 3), emptyRows},
        {"truncated mid-string", good.substr(0, good.find("Mine") + 2), emptyRows},
        {"bad dword", kHead19 + Row("0", "\"Type\"=dword:1g"), {TypeRow{}}},
        {"garbled line", kHead19 + Row("4", "\"Type\"=dword:4 and more") + edited, editedTable},
        {"unknown escape", kHead19 + Row("4", "\"Type\"=dword:4\n\"Reply\"=dword:44\n\"Name\"=\"a\\tb\"") + edited,
         {{}, {}, {}, {}, {4, 0x44, "", ""}, {5, 0x66, "Edited five", "B5"}}},
        {"bad hex byte", kHead19 + Row("4", "\"Type\"=hex(4):04,00,00,zz") + edited, editedTable},
        {"NUL in a text", kHead19 + Row("4", std::string("\"Type\"=dword:4\n\"Name\"=\"a\0b\"", 26)) + edited,
         {{}, {}, {}, {}, {4, 0, "", ""}, {5, 0x66, "Edited five", "B5"}}},
        // Values under a key line that cannot be read do not go to the key before it.
        {"unreadable key line", kHead19 + edited + "[HKEY_LOCAL_MACHINE\\Software\\Telvar\\Quorvels\\Types\\6\n"
                                "\"Name\"=\"Stray\"\n", editedTable},
        {"value before any key", "REGEDIT4\n\"Version\"=dword:13\n" + Row("", "\"Version\"=dword:00000013") + edited,
         editedTable},
        // What regedit exports: both headers, a UTF-8 or UTF-16LE byte order mark.
        {"REGEDIT4 with CRLF", "REGEDIT4\r\n\r\n" + v5Body, editedTable},
        {"5.00, UTF-8 with BOM", "\xEF\xBB\xBF" + v5 + v5Body, editedTable},
        {"5.00, UTF-16LE with BOM", Utf16LeExport(v5 + v5Body), editedTable},
        {"5.00, UTF-16LE, a name beyond ASCII", Utf16LeExport(v5 + Row("", "\"Version\"=dword:00000013") +
                                                              Row("5", RowValues(5, 0x66, "M\xFCller", "B5"))),
         umlaut},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(dir.Path()), std::filesystem::create_directory(dir.Path());
        WriteFile(c.text);
        EXPECT_EQ(Check(), c.table);
        if (c.rewritten) {
            EXPECT_EQ(Stored("", "Version"), "19");
        } else {
            EXPECT_EQ(ReadFile(file_), c.text);
            EXPECT_EQ(Check(), c.table) << "a second start";
            EXPECT_EQ(ReadFile(file_), c.text);
            EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1) << "a stray file";
        }
    }
}

TEST_F(RegistryTest, ARewriteKeepsTheFileFormatAndWhatItDoesNotOwn) {
    // Values the program never reads, one of them a text beyond ASCII.
    const auto other = [](const std::string& sharpS) {
        return "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n@=\"Gro" + sharpS + "e\"\r\n\"Path\"=hex(2):25,00,50,00,00,00\r\n\r\n";
    };
    const std::string v18 = "[HKEY_LOCAL_MACHINE\\Software\\Telvar\\Quorvels\\Types]\r\n\"Version\"=dword:00000012\r\n\r\n";
    const std::string v5 = "Windows Registry Editor Version 5.00\r\n\r\n";
    struct Case {
        std::string what, before, afterStart;
    };
    const std::vector<Case> cases = {
        {"REGEDIT4", "REGEDIT4\r\n\r\n" + other("\xDF") + v18, "REGEDIT4\r\n\r\n" + other("\xDF")},
        {"5.00, UTF-8 with BOM", "\xEF\xBB\xBF" + v5 + other("\xC3\x9F") + v18, "\xEF\xBB\xBF" + v5 + other("\xC3\x9F")},
        {"5.00, UTF-16LE with BOM", Utf16LeExport(v5 + other("\xDF") + v18), Utf16LeExport(v5 + other("\xDF"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(c.before);
        EXPECT_EQ(Check(), kDefaultTable);
        EXPECT_TRUE(ReadFile(file_).starts_with(c.afterStart));
        EXPECT_EQ(Stored("", "Version"), "19");
        EXPECT_EQ(Stored("34", "Name"), "Tav model 35 ");
    }
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

TEST_F(RegistryTest, OnlyAClosedKeyOrAnEndedBatchIsWrittenNeverWhatTheStoreHoldsWhenItGoes) {
    {
        RegFileStore store(file_);
        RegKey key = 0;
        ASSERT_EQ(store.CreateKey("Software\\Open", key), kRegSuccess);
        EXPECT_EQ(store.SetValue(key, "v", kRegSz, Bytes("never closed")), kRegSuccess);
    }
    EXPECT_FALSE(std::filesystem::exists(file_)) << "the store wrote as it went, where no one hears a failure";
    {
        RegFileStore store(file_);
        store.BeginWrites();
        Put(store, "Software\\Dropped", "in a batch");
        EXPECT_EQ(Query(store, "Software\\Dropped", "v").type, kRegSz) << "a batch reads its own changes";
        store.DiscardWrites();
        EXPECT_EQ(Query(store, "Software\\Dropped", "v").type, 0u) << "a dropped change still reads";
        Put(store, "Software\\Kept", "after the batch");  // the batch is over: a close writes
    }
    RegFileStore after(file_);
    EXPECT_EQ(Query(after, "Software\\Kept", "v").data, Bytes(std::string("after the batch") + '\0'));
    EXPECT_EQ(Query(after, "Software\\Dropped", "v").type, 0u);
    EXPECT_EQ(Query(after, "Software\\Open", "v").type, 0u);
}

// What a path holds, as far as a run could change it.
struct PathState {
    std::string kind;  // with a link's text, a folder's entries, a file's bytes
    unsigned mode = 0, owner = 0, group = 0;
    bool operator==(const PathState&) const = default;
};

std::ostream& operator<<(std::ostream& out, const PathState& s) {
    return out << s.kind << " mode " << std::oct << s.mode << std::dec << " owner " << s.owner << ':' << s.group;
}

PathState StateOf(const std::filesystem::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return {"missing"};
    PathState state{"", info.st_mode & 07777u, info.st_uid, info.st_gid};
    if (S_ISLNK(info.st_mode)) {
        state.kind = "link to " + std::filesystem::read_symlink(path).string();
    } else if (S_ISDIR(info.st_mode)) {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path)) names.insert(entry.path().filename());
        state.kind = "folder";
        for (const auto& name : names) state.kind += " " + name;
    } else if (S_ISREG(info.st_mode)) {
        std::ifstream in(path, std::ios::binary);
        state.kind = "file " + std::string(std::istreambuf_iterator<char>(in), {});
    } else {
        state.kind = S_ISFIFO(info.st_mode) ? "fifo" : S_ISCHR(info.st_mode) ? "character device" : "other";
    }
    return state;
}

TEST_F(RegistryTest, PathsThatAreNotTheStoresOwnRegularFileAreNeverChanged) {
    // Tables that a write would replace, and one that a read would take.
    const std::string old = "REGEDIT4\n\n" + Row("", "\"Version\"=dword:00000012") +
                            Row("5", RowValues(5, 0x66, "Edited five", "B5"));
    const std::string current = kHead19 + Row("5", RowValues(5, 0x66, "Edited five", "B5"));
    const auto fileWith = [](const std::string& text, unsigned mode) {
        return [text, mode](const std::filesystem::path& p) {
            std::ofstream(p, std::ios::binary) << text;
            return ::chmod(p.c_str(), mode) == 0;
        };
    };
    struct Case {
        std::string what;
        std::function<bool(const std::filesystem::path&)> make;  // false: cannot be made here
        std::string name = "registry.reg";
    };
    const std::vector<Case> cases = {
        {"folder", [](const auto& p) { return std::filesystem::create_directory(p) && std::ofstream(p / "x") << "x"; }},
        {"device node", [](const auto& p) { return ::mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0; }},
        {"fifo", [](const auto& p) { return ::mkfifo(p.c_str(), 0666) == 0; }},
        {"unreadable file", fileWith(current, 0200)},
        {"read-only file", fileWith(old, 0444)},
        {"not a .reg file", fileWith("[section]\nkey=value\n", 0644)},
        {"file with a line that cannot be read", fileWith(old + "\"Name\"=\"Tav\n", 0644)},
        {"link to a folder", [](const auto& p) { return std::filesystem::create_directory(p.parent_path() / "f"),
                                                         ::symlink("f", p.c_str()) == 0; }},
        {"link to a fifo", [](const auto& p) { return ::mkfifo((p.parent_path() / "q").c_str(), 0666) == 0 &&
                                                       ::symlink("q", p.c_str()) == 0; }},
        {"link to a read-only file",
         [&](const auto& p) { return fileWith(old, 0444)(p.parent_path() / "t") && ::symlink("t", p.c_str()) == 0; }},
        {"dangling link", [](const auto& p) { return ::symlink("nowhere.reg", p.c_str()) == 0; }},
        {"link in a loop", [](const auto& p) { return ::symlink("registry.reg", p.c_str()) == 0; }},
        {"below a file", [](const auto& p) { return std::ofstream(p.parent_path()) << "x", true; },
         "plain/registry.reg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(dir.Path()), std::filesystem::create_directory(dir.Path());
        file_ = dir.Path() / c.name;
        if (!c.make(file_)) {
            std::cout << "[  SKIPPED ] " << c.what << ": cannot be made here\n";
            continue;
        }
        const PathState before = StateOf(dir.Path());
        std::vector<PathState> entries;
        for (const auto& e : std::filesystem::directory_iterator(dir.Path())) entries.push_back(StateOf(e.path()));
        EXPECT_EQ(Check(), kDefaultTable);
        EXPECT_EQ(Check(), kDefaultTable) << "a second start";
        EXPECT_EQ(StateOf(dir.Path()), before) << "no file more or less";
        std::size_t i = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
            EXPECT_EQ(StateOf(e.path()), i < entries.size() ? entries[i++] : PathState{});
    }
}

TEST_F(RegistryTest, AFileThatMayBeWrittenIsReplacedThroughItsLinkKeepingModeAndOwner) {
    // As root, an owner that is not the program's; otherwise the program's own.
    const unsigned owner = ::geteuid() == 0 ? 1234 : ::geteuid(), group = ::geteuid() == 0 ? 5678 : ::getegid();
    const std::string old = "REGEDIT4\n\n" + Row("", "\"Version\"=dword:00000012");
    for (const bool throughLink : {false, true}) {
        SCOPED_TRACE(throughLink ? "link" : "file");
        std::filesystem::remove_all(dir.Path()), std::filesystem::create_directory(dir.Path());
        const auto target = dir.Path() / (throughLink ? "target.reg" : "registry.reg");
        WriteFile(old);
        if (throughLink) std::filesystem::rename(file_, target), std::filesystem::create_symlink("target.reg", file_);
        ASSERT_EQ(::chown(target.c_str(), owner, group), 0);
        ASSERT_EQ(::chmod(target.c_str(), 0664), 0);

        EXPECT_EQ(Check(), kDefaultTable);
        EXPECT_EQ(Stored("", "Version"), "19");
        PathState after = StateOf(target);
        after.kind = "";
        EXPECT_EQ(after, (PathState{"", 0664, owner, group}));
        if (throughLink) {
            EXPECT_EQ(StateOf(file_).kind, "link to target.reg");
        }
    }
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
