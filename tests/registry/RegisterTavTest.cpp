// CheckTypeRegistry and the load rules, over the file store in a temporary directory.

#include <gtest/gtest.h>

#include <optional>

#include "TempRegistry.h"
#include "registry/RegFileStore.h"
#include "registry/RegisterTav.h"

namespace vantrel {
namespace {

const std::string kKey = "[HKEY_LOCAL_MACHINE\\Software\\Telvar\\Quorvels\\Types";

std::string TypesKey(const std::string& values) { return kKey + "]\n" + values + "\n"; }
std::string Row(const std::string& subkey, const std::string& values) {
    return kKey + "\\" + subkey + "]\n" + values + "\n";
}
std::string RowValues(int type, int reply, const std::string& name, const std::string& bootName) {
    char codes[64];
    std::snprintf(codes, sizeof codes, "\"Type\"=dword:%08x\n\"Reply\"=dword:%08x\n", type, reply);
    return "\"Name\"=\"" + name + "\"\n\"BootName\"=\"" + bootName + "\"\n" + codes;
}
const std::string kVersion19 = "\"Version\"=dword:00000013\n";

class TypeTableTest : public test::TempRegistry {
protected:
    std::vector<TypeRow> Check() {
        RegFileStore store(file_);
        RegisterTav types(store);
        types.CheckTypeRegistry();
        EXPECT_EQ(store.OpenKeyCount(), 0u) << "a key was left open";
        return types.TypeTable;
    }

    // What a second program run would read from the file.
    std::optional<std::uint32_t> StoredDword(const std::string& subkey, const std::string& name) {
        RegFileStore store(file_);
        return test::Dword(store, std::string(kTypesKey) + (subkey.empty() ? "" : "\\" + subkey), name);
    }
    std::string StoredText(const std::string& subkey, const std::string& name) {
        RegFileStore store(file_);
        return test::Text(store, std::string(kTypesKey) + "\\" + subkey, name);
    }

    static std::vector<TypeRow> Defaults() {
        RegFileStore unused("/nonexistent/never-read.reg");
        RegisterTav types(unused);
        types.BuildDefaultTypes();
        return types.TypeTable;
    }
};

TEST_F(TypeTableTest, MissingKeyWritesTheDefaultsWhichTheNextRunLoads) {
    EXPECT_EQ(Check(), Defaults());

    EXPECT_EQ(StoredDword("", "Version"), 19u);
    EXPECT_EQ(StoredText("0", "Name"), "Tav model 00 ");
    EXPECT_EQ(StoredText("0", "BootName"), "Tav model 00");
    EXPECT_EQ(StoredDword("11", "Type"), 12u);
    EXPECT_EQ(StoredDword("34", "Reply"), 0x32u);
    EXPECT_EQ(StoredText("14", "Name"), "Tav model 15");
    EXPECT_FALSE(StoredDword("35", "Type"));
    // Texts are stored without a terminating NUL, codes as 4-byte DWORDs.
    EXPECT_NE(ReadFile().find("[HKEY_LOCAL_MACHINE\\Software\\Telvar\\Quorvels\\Types\\10]\r\n"
                              "\"BootName\"=\"Tav model 10 \"\r\n\"Name\"=\"Tav model 10\"\r\n"
                              "\"Reply\"=dword:000000bb\r\n\"Type\"=dword:0000000a\r\n"),
              std::string::npos)
        << ReadFile();

    // The second run finds version 19 and loads the very same table from the file.
    const auto before = ReadFile();
    EXPECT_EQ(Check(), Defaults());
    EXPECT_EQ(ReadFile(), before) << "loading must not write";
}

// Notes, at every key closed, whether the file has been written yet.
class WatchingStore : public RegFileStore {
public:
    using RegFileStore::RegFileStore;
    RegResult CloseKey(RegKey key) override {
        const RegResult result = RegFileStore::CloseKey(key);
        seenOnClose.push_back(std::filesystem::exists(File()));
        return result;
    }
    std::vector<bool> seenOnClose;
};

TEST_F(TypeTableTest, DefaultsReachTheFileAllAtOnce) {
    // A version 19 without all its rows would be loaded as it is by the next run.
    WatchingStore store(file_);
    RegisterTav types(store);
    types.CheckTypeRegistry();
    EXPECT_EQ(store.seenOnClose, std::vector<bool>(1 + 35, false));  // Types, then the rows
    EXPECT_EQ(StoredText("34", "BootName"), "Tav model 35 ");
}

TEST_F(TypeTableTest, OlderVersionsAreOverwrittenWithTheDefaults) {
    for (const std::string version : {"00000012", "00000000", "ffffffff", "80000000"}) {
        SCOPED_TRACE(version);
        WriteFile("REGEDIT4\n\n" + TypesKey("\"Version\"=dword:" + version) +
                  Row("5", RowValues(5, 0x66, "Edited five", "Edited boot") + "\"Extra\"=\"kept\"\n") +
                  Row("35", RowValues(36, 0x61, "Newer model", "Newer boot")) +
                  Row("40", RowValues(40, 0x62, "Far model", "Far boot")));

        EXPECT_EQ(Check(), Defaults()) << "rows 35 and 40 must not be loaded";
        EXPECT_EQ(StoredDword("", "Version"), 19u);
        EXPECT_EQ(StoredText("5", "Name"), "Tav model 05 ");
        EXPECT_EQ(StoredText("5", "BootName"), "Tav model 05");
        EXPECT_EQ(StoredText("5", "Extra"), "kept");
        EXPECT_EQ(StoredText("35", "Name"), "Newer model");
        EXPECT_EQ(StoredDword("40", "Type"), 40u);
    }
}

TEST_F(TypeTableTest, CurrentOrNewerVersionLoadsTheStoredRows) {
    for (const std::string version : {"00000013", "00000014", "7fffffff"}) {
        SCOPED_TRACE(version);
        WriteFile("REGEDIT4\n\n" + TypesKey("\"Version\"=dword:" + version) +
                  Row("1", RowValues(1, 0x22, "One", "Boot one")) +
                  Row("5", RowValues(5, 0x66, "Edited five \xE9", "Boot five")));
        const auto before = ReadFile();
        const auto table = Check();
        ASSERT_EQ(table.size(), 6u);
        EXPECT_EQ(table[0], TypeRow{});
        EXPECT_EQ(table[1], (TypeRow{1, 0x22, "One", "Boot one"}));
        EXPECT_EQ(table[5], (TypeRow{5, 0x66, "Edited five \xE9", "Boot five"}));
        EXPECT_EQ(ReadFile(), before);
    }
}

TEST_F(TypeTableTest, RowsArePlacedByTheirSubkeyNumber) {
    // Enumeration gives "0", "1", "40"... in name order; "40" must still land in row 40.
    WriteFile("REGEDIT4\n\n" + TypesKey(kVersion19) + Row("40", RowValues(40, 0x40, "Forty", "B40")) +
              Row("1", RowValues(1, 0x01, "One", "B1")) + Row("0", RowValues(0, 0x10, "Zero", "B0")));
    const auto table = Check();
    ASSERT_EQ(table.size(), 41u);
    EXPECT_EQ(table[0], (TypeRow{0, 0x10, "Zero", "B0"}));
    EXPECT_EQ(table[1], (TypeRow{1, 0x01, "One", "B1"}));
    for (std::size_t r = 2; r < 40; ++r) EXPECT_EQ(table[r], TypeRow{}) << "row " << r;
    EXPECT_EQ(table[40], (TypeRow{40, 0x40, "Forty", "B40"}));
}

TEST_F(TypeTableTest, AReadThatDoesNotCountLeavesItsFieldAndTheLaterOnes) {
    WriteFile("REGEDIT4\n\n" + TypesKey(kVersion19) +
              // no Type: nothing is taken, though the rest is there
              Row("1", "\"Reply\"=dword:00000022\n\"Name\"=\"N1\"\n\"BootName\"=\"B1\"") +
              // no Reply
              Row("2", "\"Type\"=dword:00000002\n\"Name\"=\"N2\"\n\"BootName\"=\"B2\"") +
              // no Name: codes only
              Row("3", "\"Type\"=dword:00000003\n\"Reply\"=dword:00000033\n\"BootName\"=\"B3\"") +
              // no BootName
              Row("4", "\"Type\"=dword:00000004\n\"Reply\"=dword:00000044\n\"Name\"=\"N4\"") +
              // Type as a text, then as DWORDs of 2 and 5 bytes
              Row("5", "\"Type\"=\"5\"\n\"Reply\"=dword:00000055\n\"Name\"=\"N5\"\n\"BootName\"=\"B5\"") +
              Row("6", "\"Type\"=hex(4):06,00\n\"Reply\"=dword:00000066\n\"Name\"=\"N6\"\n\"BootName\"=\"B6\"") +
              Row("7", "\"Type\"=hex(4):07,00,00,00,00\n\"Reply\"=dword:00000077\n\"Name\"=\"N7\"") +
              // Name as binary and as an expandable string
              Row("8", "\"Type\"=dword:8\n\"Reply\"=dword:88\n\"Name\"=hex:4e,38\n\"BootName\"=\"B8\"") +
              Row("9", "\"Type\"=dword:9\n\"Reply\"=dword:99\n\"Name\"=hex(2):4e,39,00\n\"BootName\"=\"B9\"") +
              // Codes that do not fit a byte: Type 256, then Reply -1
              Row("10", "\"Type\"=dword:00000100\n\"Reply\"=dword:000000aa\n\"Name\"=\"N10\"\n\"BootName\"=\"B\"") +
              Row("11", "\"Type\"=dword:0000000b\n\"Reply\"=dword:ffffffff\n\"Name\"=\"N11\"\n\"BootName\"=\"B\"") +
              // A REG_SZ of zero bytes does not count; one of a lone NUL does, as an empty text
              Row("12", "\"Type\"=dword:c\n\"Reply\"=dword:cc\n\"Name\"=hex(1):\n\"BootName\"=\"B12\"") +
              Row("13", "\"Type\"=dword:d\n\"Reply\"=dword:dd\n\"Name\"=\"\"\n\"BootName\"=\"B13\""));
    const auto table = Check();
    ASSERT_EQ(table.size(), 14u);
    EXPECT_EQ(table[1], TypeRow{});
    EXPECT_EQ(table[2], (TypeRow{2, 0, "", ""}));
    EXPECT_EQ(table[3], (TypeRow{3, 0x33, "", ""}));
    EXPECT_EQ(table[4], (TypeRow{4, 0x44, "N4", ""}));
    EXPECT_EQ(table[5], TypeRow{});
    EXPECT_EQ(table[6], TypeRow{});
    EXPECT_EQ(table[7], TypeRow{});
    EXPECT_EQ(table[8], (TypeRow{8, 0x88, "", ""}));
    EXPECT_EQ(table[9], (TypeRow{9, 0x99, "", ""}));
    EXPECT_EQ(table[10], TypeRow{});
    EXPECT_EQ(table[11], (TypeRow{11, 0, "", ""}));
    EXPECT_EQ(table[12], (TypeRow{12, 0xCC, "", ""}));
    EXPECT_EQ(table[13], (TypeRow{13, 0xDD, "", "B13"}));
}

TEST_F(TypeTableTest, TextsRunToTheFirstNulAndAreCutToTheBuffer) {
    std::string longName;
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (std::size_t i = 0; i < 300; ++i) longName += alphabet[(i * 7 + i / 62) % alphabet.size()];
    WriteFile("REGEDIT4\n\n" + TypesKey(kVersion19) +
              Row("1", "\"Type\"=dword:1\n\"Reply\"=dword:11\n\"Name\"=\"" + longName + "\"\n\"BootName\"=\"B\"") +
              Row("2", "\"Type\"=dword:2\n\"Reply\"=dword:22\n\"Name\"=hex(1):41,00,42\n\"BootName\"=\"x\\\"y\\\\\""));
    const auto table = Check();
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[1].Name, longName.substr(0, 255));
    EXPECT_EQ(table[1].BootName, "B");
    EXPECT_EQ(table[2].Name, "A");
    EXPECT_EQ(table[2].BootName, "x\"y\\");
}

TEST_F(TypeTableTest, SubkeyNamesThatAreNotRowNumbers) {
    WriteFile("REGEDIT4\n\n" + TypesKey(kVersion19) + Row("3", RowValues(3, 0x33, "Three", "B3")) +
              Row("spare", RowValues(70, 0x70, "Spare", "BS")) +   // no number: row 0
              Row("7b", RowValues(7, 0x77, "Seven", "B7")) +       // leading digits count
              Row("-2", RowValues(2, 0x22, "Minus", "BM")) +       // negative: skipped
              Row("32768", RowValues(9, 0x99, "Big", "BB")) +      // beyond 16 bits: skipped
              Row("99999999999999999999", RowValues(9, 0x98, "Huge", "BH")));
    const auto table = Check();
    ASSERT_EQ(table.size(), 8u);
    EXPECT_EQ(table[0], (TypeRow{70, 0x70, "Spare", "BS"}));
    EXPECT_EQ(table[2], TypeRow{});
    EXPECT_EQ(table[3], (TypeRow{3, 0x33, "Three", "B3"}));
    EXPECT_EQ(table[7], (TypeRow{7, 0x77, "Seven", "B7"}));
}

TEST_F(TypeTableTest, HighestSixteenBitRowIsReachable) {
    WriteFile("REGEDIT4\n\n" + TypesKey(kVersion19) + Row("32767", RowValues(1, 0x5A, "Last", "BL")));
    const auto table = Check();
    ASSERT_EQ(table.size(), 32768u);
    EXPECT_EQ(table[32767], (TypeRow{1, 0x5A, "Last", "BL"}));
}

TEST_F(TypeTableTest, VersionThatIsNotUsableRunsOnTheDefaultsAndWritesNothing) {
    const std::string row = Row("0", RowValues(0, 0x10, "Stored", "Stored"));
    for (const std::string version :
         {"", "\"Version\"=\"19\"\n", "\"Version\"=hex(4):13,00\n", "\"Version\"=hex(4):13,00,00,00,00,00,00,00\n",
          "\"Version\"=hex:13,00,00,00\n"}) {
        SCOPED_TRACE(version);
        WriteFile("REGEDIT4\n\n" + TypesKey(version) + row);
        const auto before = ReadFile();
        EXPECT_EQ(Check(), Defaults());
        EXPECT_EQ(ReadFile(), before);
    }
}

TEST_F(TypeTableTest, UnreadableStoreFilesCountAsAMissingKey) {
    const std::string good = "REGEDIT4\r\n\r\n" + TypesKey(kVersion19) + Row("1", RowValues(1, 0x21, "Mine", "Mine"));
    std::string binary;
    for (int i = 0; i < 512; ++i) binary += static_cast<char>((i * 37 + 11) % 256);
    std::string huge = "REGEDIT4\n\n" + TypesKey(kVersion19);
    while (huge.size() <= 4 * 1024 * 1024) huge += ";" + std::string(1000, 'x') + "\n";

    const std::vector<std::pair<std::string, std::string>> cases = {
        {"empty", ""},
        {"truncated mid-line", good.substr(0, good.find("dword:00000001") + 3)},
        {"truncated mid-string", good.substr(0, good.find("Mine") + 2)},
        {"garbage", "this is not a registry file\n[oops\n"},
        {"binary", binary},
        {"huge", huge},
        {"Unicode export", std::string("\xFF\xFEW\0i\0n\0", 8)},
        {"value outside a key", "REGEDIT4\n\"Version\"=dword:00000013\n" + good.substr(10)},
        {"bad dword", "REGEDIT4\n\n" + TypesKey("\"Version\"=dword:1g")},
    };
    for (const auto& [what, text] : cases) {
        SCOPED_TRACE(what);
        WriteFile(text);
        EXPECT_EQ(Check(), Defaults());
        // The defaults replace the file; what was there is kept aside.
        EXPECT_EQ(StoredDword("", "Version"), 19u);
        EXPECT_EQ(StoredText("1", "Name"), "Tav model 01 ");
        EXPECT_EQ(ReadFileAt(dir_ / "registry.reg.bad"), text);
    }
}

TEST_F(TypeTableTest, UnwritableRegistryStillGivesTheDefaults) {
    WriteFileAt(dir_ / "not-a-directory", "x");
    file_ = dir_ / "not-a-directory" / "registry.reg";
    EXPECT_EQ(Check(), Defaults());
}

TEST_F(TypeTableTest, LoadTypesWithoutTheKeyFallsBackToWritingTheDefaults) {
    RegFileStore store(file_);
    RegisterTav types(store);
    types.LoadTypes();
    EXPECT_EQ(types.TypeTable, Defaults());
    EXPECT_EQ(StoredDword("", "Version"), 19u);
    EXPECT_EQ(store.OpenKeyCount(), 0u);
}

TEST_F(TypeTableTest, ReadTypeKeyOfAMissingSubkeyLeavesTheTableAlone) {
    WriteFile("REGEDIT4\n\n" + TypesKey(kVersion19));
    RegFileStore store(file_);
    RegisterTav types(store);
    types.TypeTable.assign(2, TypeRow{1, 2, "a", "b"});
    types.ReadTypeKey("9");
    EXPECT_EQ(types.TypeTable, std::vector<TypeRow>(2, TypeRow{1, 2, "a", "b"}));
    EXPECT_EQ(store.OpenKeyCount(), 0u);
}

}  // namespace
}  // namespace vantrel
