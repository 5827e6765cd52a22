// The type table in Wine's own registry, under HKEY_LOCAL_MACHINE\Software\Telvar\Quorvels\Types:
// what a program start writes, reads back and falls back to, through the Windows store.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "registry/RegisterTav.h"
#include "registry/WindowsRegistryStore.h"

namespace vantrel {
namespace {

const char kTypes[] = "Software\\Telvar\\Quorvels\\Types";

void SetText(HKEY key, const char* name, const std::string& text) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
}
void SetNumber(HKEY key, const char* name, DWORD number) {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

class WindowsRegistryStoreTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Telvar"); }
    void TearDown() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Telvar"); }

    static std::vector<TypeRow> Start(RegistryStore& store) {
        RegisterTav types(store);
        types.CheckTypeRegistry();
        return types.TypeTable;
    }
    // A row as an administrator would put it in with regedit, at version 19.
    static void WriteRow(const std::string& subkey, DWORD type, DWORD reply, const std::string& name,
                         const std::string& bootName) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, kTypes, &key), ERROR_SUCCESS);
        SetNumber(key, "Version", 19);
        RegCloseKey(key);
        ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, (std::string(kTypes) + "\\" + subkey).c_str(), &key),
                  ERROR_SUCCESS);
        SetNumber(key, "Type", type);
        SetNumber(key, "Reply", reply);
        SetText(key, "Name", name);
        SetText(key, "BootName", bootName);
        RegCloseKey(key);
    }
    static bool TypesKeyExists() {
        HKEY key = nullptr;
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kTypes, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }
};

TEST_F(WindowsRegistryStoreTest, AFirstStartWritesTheDefaultsAtVersion19AndTheNextLoadsThem) {
    WindowsRegistryStore store;
    const auto first = Start(store);
    ASSERT_EQ(first.size(), 35u);
    EXPECT_EQ(first[0], (TypeRow{0, 0x11, "Tav model 00 ", "Tav model 00"}));
    EXPECT_EQ(first[34], (TypeRow{35, 0x32, "Tav model 35 ", "Tav model 35 "}));

    DWORD version = 0, size = sizeof version, type = 0;
    ASSERT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, kTypes, "Version", RRF_RT_ANY, &type, &version, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(version, 19u);
    char name[64] = {};
    size = sizeof name;
    ASSERT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Telvar\\Quorvels\\Types\\11", "BootName", RRF_RT_REG_SZ,
                           nullptr, name, &size), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Tav model 12 ");

    WindowsRegistryStore again;
    EXPECT_EQ(Start(again), first);
}

TEST_F(WindowsRegistryStoreTest, EditedRowsAreHonouredAndLongTextsCutTo255Bytes) {
    std::string longName;
    for (std::size_t i = 0; i < 300; ++i) longName += static_cast<char>('A' + (i * 7 + i / 26) % 26);
    WriteRow("3", 3, 0x44, "Edited model 03", "EDIT03");
    WriteRow("7", 7, 0x88, longName, std::string(255, 'b') + "c");
    WindowsRegistryStore store;
    const auto table = Start(store);
    ASSERT_EQ(table.size(), 8u);  // rows 0..7, the ones not written empty
    EXPECT_EQ(table[3], (TypeRow{3, 0x44, "Edited model 03", "EDIT03"}));
    EXPECT_EQ(table[7], (TypeRow{7, 0x88, longName.substr(0, 255), std::string(255, 'b')}));
}

TEST_F(WindowsRegistryStoreTest, AQueryReportsTheWholeSizeAndWhatFitsOfALongValue) {
    WriteRow("1", 1, 0x22, std::string(254, 'x') + "yz", "B");
    WindowsRegistryStore store;
    RegKey key = 0;
    ASSERT_EQ(store.OpenKey(std::string(kTypes) + "\\1", key), kRegSuccess);
    RegType type = 0;
    std::vector<std::uint8_t> data;
    std::uint32_t length = 0;
    EXPECT_EQ(store.QueryValue(key, "Name", type, data, 255, length), kRegMoreData);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(length, 257u);  // with its NUL
    EXPECT_EQ(std::string(data.begin(), data.end()), std::string(254, 'x') + "y");
    EXPECT_EQ(store.QueryValue(key, "BootName", type, data, 255, length), kRegSuccess);
    EXPECT_EQ(data, (std::vector<std::uint8_t>{'B', 0}));
    EXPECT_EQ(store.QueryValue(key, "Missing", type, data, 255, length), kRegNotFound);
    EXPECT_EQ(store.CloseKey(key), kRegSuccess);
}

// A user without administrator rights cannot write below HKEY_LOCAL_MACHINE: the program
// runs on the defaults and says nothing. Wine lets every user write there, so the denial
// Windows gives such a user (ERROR_ACCESS_DENIED on creating a key) is put in by hand.
struct UserWithoutAdministratorRights : WindowsRegistryStore {
    RegResult CreateKey(const std::string&, RegKey&) override { return ERROR_ACCESS_DENIED; }
};

TEST_F(WindowsRegistryStoreTest, WhereTheKeyCannotBeWrittenTheProgramRunsOnTheDefaults) {
    UserWithoutAdministratorRights store;
    const auto table = Start(store);
    EXPECT_EQ(table.size(), 35u);
    EXPECT_EQ(table[11].BootName, "Tav model 12 ");
    EXPECT_FALSE(TypesKeyExists());
}

}  // namespace
}  // namespace vantrel
