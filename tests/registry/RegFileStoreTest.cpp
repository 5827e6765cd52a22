// The file store's registry operations, its file, and writers that meet.

#include <gtest/gtest.h>

#include <thread>

#include "TempRegistry.h"
#include "registry/RegFileStore.h"

namespace vantrel {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

class FileStoreTest : public test::TempRegistry {
protected:
    // Creates the key and sets one text value in it, closing the key.
    static RegResult Put(RegistryStore& store, const std::string& path, const std::string& name,
                         const std::string& text) {
        RegKey key = 0;
        if (const RegResult created = store.CreateKey(path, key); created != kRegSuccess) return created;
        const RegResult set = store.SetValue(key, name, kRegSz, Bytes(text));
        const RegResult closed = store.CloseKey(key);
        return set != kRegSuccess ? set : closed;
    }
    std::vector<std::string> FilesInDir() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_)) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(FileStoreTest, WritesRegeditTextThatAnotherStoreReads) {
    {
        RegFileStore store(file_);
        RegKey key = 0;
        ASSERT_EQ(store.CreateKey("Software\\Telvar\\Q", key), kRegSuccess);
        EXPECT_NE(key, 0u);
        EXPECT_EQ(store.SetValue(key, "Version", kRegDword, {0x13, 0, 0, 0}), kRegSuccess);
        EXPECT_EQ(store.SetValue(key, "Name", kRegSz, Bytes("Tav \"7\" \\ ")), kRegSuccess);
        EXPECT_FALSE(std::filesystem::exists(file_)) << "written at a close, not per value";
        RegType type = 0;
        std::vector<std::uint8_t> data;
        std::uint32_t length = 0;
        EXPECT_EQ(store.QueryValue(key, "NAME", type, data, 100, length), kRegSuccess);
        EXPECT_EQ(data, Bytes("Tav \"7\" \\ ")) << "visible before it is written";
        EXPECT_EQ(store.CloseKey(key), kRegSuccess);
    }
    EXPECT_EQ(ReadFile(),
              "REGEDIT4\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Telvar\\Q]\r\n"
              "\"Name\"=\"Tav \\\"7\\\" \\\\ \"\r\n"
              "\"Version\"=dword:00000013\r\n\r\n");
    EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"registry.reg", "registry.reg.lock"}))
        << "no temporary file may be left";

    RegFileStore again(file_);
    EXPECT_EQ(test::Text(again, "software\\TELVAR\\Q", "name"), "Tav \"7\" \\ ");
}

TEST_F(FileStoreTest, QueryReportsTypeFullLengthAndCutsToTheBuffer) {
    WriteFile("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\K]\n\"T\"=\"abcdef\"\n\"D\"=dword:01020304\n\"B\"=hex:09,08,07\n");
    RegFileStore store(file_);
    RegKey key = 0;
    ASSERT_EQ(store.OpenKey("K", key), kRegSuccess);
    RegType type = 0;
    std::vector<std::uint8_t> data;
    std::uint32_t length = 0;

    EXPECT_EQ(store.QueryValue(key, "t", type, data, 4, length), kRegMoreData);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(length, 7u) << "the text and its NUL";
    EXPECT_EQ(data, Bytes("abcd"));

    EXPECT_EQ(store.QueryValue(key, "D", type, data, 4, length), kRegSuccess);
    EXPECT_EQ(type, kRegDword);
    EXPECT_EQ(data, (std::vector<std::uint8_t>{4, 3, 2, 1}));

    EXPECT_EQ(store.QueryValue(key, "B", type, data, 255, length), kRegSuccess);
    EXPECT_EQ(type, 3u);
    EXPECT_EQ(length, 3u);

    EXPECT_EQ(store.QueryValue(key, "missing", type, data, 4, length), kRegNotFound);
    EXPECT_EQ(store.CloseKey(key), kRegSuccess);
    EXPECT_EQ(store.CloseKey(key), kRegInvalidHandle);
    EXPECT_EQ(store.QueryValue(key, "D", type, data, 4, length), kRegInvalidHandle);
    RegKey none = 0;
    EXPECT_EQ(store.OpenKey("Nope", none), kRegNotFound);
    EXPECT_EQ(store.OpenKey("K\\\\x", none), kRegInvalidParameter);
}

TEST_F(FileStoreTest, EnumeratesSubkeysLikeRegEnumKeyEx) {
    const std::string longName(255, 'n');
    WriteFile("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\K\\b]\n[HKEY_LOCAL_MACHINE\\K\\A]\n[HKEY_LOCAL_MACHINE\\K\\c\\deeper]\n"
              "[HKEY_LOCAL_MACHINE\\K\\" + longName + "]\n[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"x\"\n");
    RegFileStore store(file_);
    RegKey key = 0;
    ASSERT_EQ(store.OpenKeyForEnumeration("k", key), kRegSuccess);
    std::string name;
    EXPECT_EQ(store.EnumKey(key, 0, name, 255), kRegSuccess);
    EXPECT_EQ(name, "A");
    EXPECT_EQ(store.EnumKey(key, 1, name, 255), kRegSuccess);
    EXPECT_EQ(name, "b");
    EXPECT_EQ(store.EnumKey(key, 2, name, 255), kRegSuccess);
    EXPECT_EQ(name, "c");
    EXPECT_EQ(store.EnumKey(key, 3, name, 255), kRegMoreData) << "255 characters and the NUL do not fit";
    EXPECT_EQ(store.EnumKey(key, 3, name, 256), kRegSuccess);
    EXPECT_EQ(name, longName);
    EXPECT_EQ(store.EnumKey(key, 4, name, 255), kRegNoMoreItems);
    // A handle opened for enumeration only cannot read or write values.
    RegType type = 0;
    std::vector<std::uint8_t> data;
    std::uint32_t length = 0;
    EXPECT_EQ(store.QueryValue(key, "v", type, data, 4, length), kRegAccessDenied);
    EXPECT_EQ(store.SetValue(key, "v", kRegSz, Bytes("y")), kRegAccessDenied);
    EXPECT_EQ(store.CloseKey(key), kRegSuccess);
}

TEST_F(FileStoreTest, OpeningAKeyPicksUpChangesMadeByOthers) {
    WriteFile("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"first\"\n");
    RegFileStore store(file_);
    EXPECT_EQ(test::Text(store, "K", "v"), "first");
    RegFileStore other(file_);
    ASSERT_EQ(Put(other, "K", "v", "second"), kRegSuccess);
    EXPECT_EQ(test::Text(store, "K", "v"), "second");
    WriteFile("garbage");
    EXPECT_EQ(test::Text(store, "K", "v"), "<missing>");
}

TEST_F(FileStoreTest, WritersKeepEachOthersChanges) {
    RegFileStore first(file_);
    RegFileStore second(file_);
    EXPECT_EQ(test::Text(second, "K", "v"), "<missing>");  // second has read the file before first writes
    ASSERT_EQ(Put(first, "K\\one", "v", "1"), kRegSuccess);
    ASSERT_EQ(Put(second, "K\\two", "v", "2"), kRegSuccess);
    RegFileStore reader(file_);
    EXPECT_EQ(test::Text(reader, "K\\one", "v"), "1");
    EXPECT_EQ(test::Text(reader, "K\\two", "v"), "2");

    // Writers at the same time, each with its own store, serialised by the lock.
    constexpr int kWriters = 4;
    constexpr int kKeysEach = 15;
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w)
        writers.emplace_back([this, w] {
            RegFileStore store(file_);
            for (int k = 0; k < kKeysEach; ++k)
                Put(store, "P\\" + std::to_string(w) + "_" + std::to_string(k), "v", std::to_string(w * 100 + k));
        });
    for (auto& writer : writers) writer.join();
    RegFileStore after(file_);
    for (int w = 0; w < kWriters; ++w)
        for (int k = 0; k < kKeysEach; ++k)
            EXPECT_EQ(test::Text(after, "P\\" + std::to_string(w) + "_" + std::to_string(k), "v"),
                      std::to_string(w * 100 + k));
    EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"registry.reg", "registry.reg.lock"}));
}

TEST_F(FileStoreTest, WritesThatCannotReachTheFileFail) {
    WriteFileAt(dir_ / "plain-file", "x");
    RegFileStore blocked(dir_ / "plain-file" / "sub" / "registry.reg");
    RegKey key = 0;
    EXPECT_NE(blocked.CreateKey("K", key), kRegSuccess);
    EXPECT_EQ(blocked.OpenKeyCount(), 0u);

    // A missing directory is created.
    RegFileStore nested(dir_ / "a" / "b" / "registry.reg");
    EXPECT_EQ(Put(nested, "K", "v", "x"), kRegSuccess);
    EXPECT_EQ(ReadFileAt(dir_ / "a" / "b" / "registry.reg").substr(0, 8), "REGEDIT4");

    // A value that would make the file too big to read back is refused; the file stays.
    WriteFile("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"small\"\n");
    RegFileStore store(file_);
    ASSERT_EQ(store.CreateKey("K", key), kRegSuccess);
    EXPECT_EQ(store.SetValue(key, "big", kRegBinary, std::vector<std::uint8_t>(2 * 1024 * 1024, 0x5A)), kRegSuccess);
    EXPECT_NE(store.CloseKey(key), kRegSuccess);
    EXPECT_EQ(ReadFile(), "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"small\"\n");
    EXPECT_EQ(test::Text(store, "K", "v"), "small");

    // Names a REGEDIT4 line cannot carry.
    ASSERT_EQ(store.CreateKey("K", key), kRegSuccess);
    EXPECT_EQ(store.SetValue(key, "two\nlines", kRegSz, Bytes("x")), kRegInvalidParameter);
    EXPECT_EQ(store.CreateKey("K\\bad\rname", key), kRegInvalidParameter);
    EXPECT_EQ(store.CloseKey(key), kRegSuccess);
}

TEST_F(FileStoreTest, DefaultFileComesFromTheEnvironment) {
    const char* saved = std::getenv("VANTREL_REGISTRY");
    const std::string restore = saved == nullptr ? "" : saved;
    ::setenv("VANTREL_REGISTRY", file_.c_str(), 1);
    EXPECT_EQ(DefaultRegistryFile(), file_);
    auto store = OpenDefaultRegistryStore();
    EXPECT_EQ(Put(*store, "K", "v", "env"), kRegSuccess);
    EXPECT_NE(ReadFile().find("\"v\"=\"env\""), std::string::npos);
    ::unsetenv("VANTREL_REGISTRY");
    EXPECT_EQ(DefaultRegistryFile(), "/etc/vantrel/registry.reg");
    if (saved != nullptr) ::setenv("VANTREL_REGISTRY", restore.c_str(), 1);
}

}  // namespace
}  // namespace vantrel
