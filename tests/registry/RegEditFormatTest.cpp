// The REGEDIT4 text form: what is accepted, what is refused, and round trips.

#include <gtest/gtest.h>

#include "registry/RegHive.h"

namespace vantrel {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

const RegValue& ValueAt(const RegHive& hive, const RegKeyPath& path, const std::string& name) {
    const RegHiveKey* key = hive.Find(path);
    EXPECT_NE(key, nullptr);
    static const RegValue none{"<none>", 0, {}};
    if (key == nullptr) return none;
    const RegValue* value = RegHive::FindValue(*key, name);
    return value == nullptr ? none : *value;
}

TEST(RegEditFormat, ReadsEveryValueFormWithEitherLineEnd) {
    for (const std::string eol : {"\n", "\r\n"}) {
        const std::string text = "REGEDIT4" + eol + eol + "; a comment" + eol +
                                 "[HKEY_LOCAL_MACHINE\\Soft\\Key]" + eol +
                                 "\"Text\"=\"say \\\"hi\\\" C:\\\\dir \xE9\"" + eol +
                                 "@=\"default\"" + eol +
                                 "\"Num\"=dword:0001A2b3" + eol +
                                 "\"Bin\"=hex:01,02,\\" + eol + "  ff" + eol +
                                 "\"Multi\"=hex(7):41,00,00" + eol +
                                 "\"Gone\"=\"x\"" + eol + "\"Gone\"=-" + eol + eol;
        const auto hive = ParseRegEdit4(text);
        ASSERT_TRUE(hive) << "line end " << eol.size();
        const RegKeyPath key = {"hkey_local_machine", "SOFT", "key"};
        EXPECT_EQ(ValueAt(*hive, key, "TEXT").data, Bytes(std::string("say \"hi\" C:\\dir \xE9", 17) + '\0'));
        EXPECT_EQ(ValueAt(*hive, key, "TEXT").type, kRegSz);
        EXPECT_EQ(ValueAt(*hive, key, "").data, Bytes(std::string("default\0", 8)));
        EXPECT_EQ(ValueAt(*hive, key, "num").data, (std::vector<std::uint8_t>{0xB3, 0xA2, 0x01, 0x00}));
        EXPECT_EQ(ValueAt(*hive, key, "num").type, kRegDword);
        EXPECT_EQ(ValueAt(*hive, key, "bin").data, (std::vector<std::uint8_t>{0x01, 0x02, 0xFF}));
        EXPECT_EQ(ValueAt(*hive, key, "bin").type, 3u);
        EXPECT_EQ(ValueAt(*hive, key, "multi").type, 7u);
        EXPECT_EQ(hive->Find(key)->values.count("gone"), 0u);
        // Parents exist by implication.
        EXPECT_NE(hive->Find({"HKEY_LOCAL_MACHINE", "Soft"}), nullptr);
        EXPECT_EQ(hive->SubkeyNames({"HKEY_LOCAL_MACHINE", "soft"}), std::vector<std::string>{"Key"});
    }
}

TEST(RegEditFormat, RemovedKeysTakeTheirSubkeysAlong) {
    const auto hive = ParseRegEdit4(
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A\\B]\n[HKEY_LOCAL_MACHINE\\A\\B\\C]\n[HKEY_LOCAL_MACHINE\\A\\B0]\n"
        "[-HKEY_LOCAL_MACHINE\\A\\B]\n\"ignored\"=\"x\"\n");
    ASSERT_TRUE(hive);
    EXPECT_EQ(hive->Find({"HKEY_LOCAL_MACHINE", "A", "B"}), nullptr);
    EXPECT_EQ(hive->Find({"HKEY_LOCAL_MACHINE", "A", "B", "C"}), nullptr);
    EXPECT_EQ(hive->SubkeyNames({"HKEY_LOCAL_MACHINE", "A"}), std::vector<std::string>{"B0"});
}

TEST(RegEditFormat, RefusesAnythingNotWellFormed) {
    const std::string head = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\K]\n";
    const std::vector<std::string> bad = {
        "",
        "REGEDIT5\n",
        "Windows Registry Editor Version 5.00\n",
        "REGEDIT4\n\"v\"=\"outside a key\"\n",
        head + "\"v\"=\"unterminated\n",
        head + "\"v\"=\"bad \\n escape\"\n",
        head + "\"v\"=\"text\" trailing\n",
        head + "\"v\"=dword:\n",
        head + "\"v\"=dword:123456789\n",
        head + "\"v\"=dword:12x4\n",
        head + "\"v\"=hex:1,2,zz\n",
        head + "\"v\"=hex:100\n",
        head + "\"v\"=hex(:01\n",
        head + "\"v\"=hex:01,\\\n",
        head + "\"v\"=qword:1\n",
        head + "\"v\"\n",
        head + "v=\"no quotes\"\n",
        head + "[HKEY_LOCAL_MACHINE\\\\Empty component]\n",
        head + "[HKEY_LOCAL_MACHINE\\Unclosed\n",
        head + "[]\n",
        head + std::string("\"v\"=\"nul\0inside\"\n", 17),
    };
    for (const auto& text : bad) EXPECT_FALSE(ParseRegEdit4(text)) << text;
}

TEST(RegEditFormat, WritesWhatItReadsBack) {
    RegHive hive;
    RegHiveKey& types = hive.Create({"HKEY_LOCAL_MACHINE", "Software", "Types"});
    RegHive::SetValue(types, "Version", kRegDword, {0x13, 0, 0, 0});
    RegHiveKey& row = hive.Create({"HKEY_LOCAL_MACHINE", "Software", "Types", "0"});
    RegHive::SetValue(row, "Name", kRegSz, Bytes("Tav \"q\" \\ \xFF "));
    RegHive::SetValue(row, "Lines", kRegSz, Bytes("a\r\nb"));  // cannot be a quoted string
    RegHive::SetValue(row, "Short", kRegDword, {1, 2});
    std::vector<std::uint8_t> blob;
    for (int i = 0; i < 60; ++i) blob.push_back(static_cast<std::uint8_t>(i * 13 + 5));
    RegHive::SetValue(row, "Blob", kRegBinary, blob);
    RegHive::SetValue(row, "", 11, {9});
    hive.Create({"HKEY_LOCAL_MACHINE", "Software", "Types", "Empty"});

    const std::string text = FormatRegEdit4(hive);
    const std::string start =
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Types]\r\n\"Version\"=dword:00000013\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Types\\0]\r\n";
    EXPECT_EQ(text.substr(0, start.size()), start) << text;
    EXPECT_EQ(text.find("[HKEY_LOCAL_MACHINE]"), std::string::npos) << "implied parents are not listed";
    EXPECT_NE(text.find("\"Name\"=\"Tav \\\"q\\\" \\\\ \xFF \"\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("@=hex(b):09\r\n"), std::string::npos) << text;
    for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        EXPECT_LE(end - start, 80u) << "line too long for regedit";

    const auto back = ParseRegEdit4(text);
    ASSERT_TRUE(back);
    const RegKeyPath rowPath = {"HKEY_LOCAL_MACHINE", "Software", "Types", "0"};
    EXPECT_EQ(ValueAt(*back, rowPath, "Name").data, Bytes(std::string("Tav \"q\" \\ \xFF \0", 13)));
    EXPECT_EQ(ValueAt(*back, rowPath, "Lines").data, Bytes("a\r\nb"));
    EXPECT_EQ(ValueAt(*back, rowPath, "Lines").type, kRegSz);
    EXPECT_EQ(ValueAt(*back, rowPath, "Short").data, (std::vector<std::uint8_t>{1, 2}));
    EXPECT_EQ(ValueAt(*back, rowPath, "Short").type, kRegDword);
    EXPECT_EQ(ValueAt(*back, rowPath, "Blob").data, blob);
    EXPECT_EQ(ValueAt(*back, rowPath, "").type, 11u);
    EXPECT_NE(back->Find({"HKEY_LOCAL_MACHINE", "Software", "Types", "Empty"}), nullptr);
    EXPECT_EQ(FormatRegEdit4(*back), text);
}

}  // namespace
}  // namespace vantrel
