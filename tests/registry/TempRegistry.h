#pragma once
// A registry file in a fresh temporary directory, removed after the test.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "registry/RegistryStore.h"

namespace vantrel::test {

// A value through the store's operations: type, data and result.
struct Queried {
    RegResult result = kRegNotFound;
    RegType type = 0;
    std::vector<std::uint8_t> data;
};

inline Queried Query(RegistryStore& store, const std::string& path, const std::string& name) {
    Queried out;
    RegKey key = 0;
    if ((out.result = store.OpenKey(path, key)) != kRegSuccess) return out;
    std::uint32_t length = 0;
    out.result = store.QueryValue(key, name, out.type, out.data, 1000, length);
    store.CloseKey(key);
    return out;
}

// A REG_SZ up to its NUL, or "<missing>".
inline std::string Text(RegistryStore& store, const std::string& path, const std::string& name) {
    const Queried q = Query(store, path, name);
    if (q.result != kRegSuccess || q.type != kRegSz) return "<missing>";
    return std::string(q.data.begin(), q.data.end()).c_str();
}

inline std::optional<std::uint32_t> Dword(RegistryStore& store, const std::string& path, const std::string& name) {
    const Queried q = Query(store, path, name);
    if (q.result != kRegSuccess || q.type != kRegDword || q.data.size() != 4) return std::nullopt;
    return q.data[0] | q.data[1] << 8 | q.data[2] << 16 | static_cast<std::uint32_t>(q.data[3]) << 24;
}

class TempRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::path(::testing::TempDir()) / "vantrel-registry-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        file_ = dir_ / "registry.reg";
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    void WriteFile(const std::string& text) const { WriteFileAt(file_, text); }
    static void WriteFileAt(const std::filesystem::path& path, const std::string& text) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text;
    }
    std::string ReadFile() const { return ReadFileAt(file_); }
    static std::string ReadFileAt(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path dir_;
    std::filesystem::path file_;
};

}  // namespace vantrel::test
