// What happens when a path changes between its look and its opening: another program
// replaces the file meanwhile. Only what is still a regular file one may read is opened,
// whatever took its place, and nothing blocks.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "files/OpenFile.h"
#include "support/TempDir.h"

namespace vantrel::test {
namespace {

namespace fs = std::filesystem;
using files::OpenFile;
using files::PathCheck;
using files::Refusal;

void Write(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

struct Replacement {
    std::string what;
    std::function<bool(const fs::path& file)> replace;  // false: cannot be made here
    bool opened;                                         // still a regular file one may read
};

TEST(Files, WhatReplacesAFileBetweenItsLookAndItsOpeningIsOpenedOnlyWhenRegularAndReadable) {
    const auto replaceWith = [](std::function<bool(const fs::path&)> make) {
        return [make](const fs::path& file) { return fs::remove(file) && make(file); };
    };
    const Replacement cases[] = {
        {"a FIFO without a writer", replaceWith([](const fs::path& f) { return ::mkfifo(f.c_str(), 0666) == 0; }), false},
        {"a folder", replaceWith([](const fs::path& f) { return fs::create_directory(f); }), false},
        {"a device node",
         replaceWith([](const fs::path& f) { return ::mknod(f.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0; }), false},
        {"a link to a regular file",
         replaceWith([](const fs::path& f) {
             Write(f.parent_path() / "other", "other\n");
             return ::symlink("other", f.c_str()) == 0;
         }),
         false},
        {"a file nobody may read (root too)", [](const fs::path& f) { return ::chmod(f.c_str(), 0200) == 0; }, false},
        {"another regular file", replaceWith([](const fs::path& f) { return Write(f, "new\n"), true; }), true},
    };
    for (const OpenFile::Mode mode : {OpenFile::Mode::Read, OpenFile::Mode::Append}) {
        for (const Replacement& c : cases) {
            SCOPED_TRACE(c.what + (mode == OpenFile::Mode::Read ? ", for reading" : ", for appending"));
            TempDir temp;
            const fs::path file = temp.Path() / "record";
            Write(file, "old\n");
            const PathCheck check = files::CheckPath(file, files::Access::ReadWrite);
            ASSERT_EQ(check.kind, PathCheck::Kind::Regular);
            if (!c.replace(file)) {
                std::cout << "[  SKIPPED ] " << c.what << ": cannot be made here\n";
                continue;
            }
            Refusal why;
            const std::optional<OpenFile> opened = OpenFile::Open(check, mode, why);
            EXPECT_EQ(opened.has_value(), c.opened) << why.Text();
            EXPECT_EQ(static_cast<bool>(why), !c.opened);
            if (opened) {
                std::string bytes(4, '\0');
                std::size_t got = 0;
                EXPECT_FALSE(opened->ReadAt(0, bytes.data(), bytes.size(), got));
                EXPECT_EQ(bytes.substr(0, got), "new\n");
            }
        }
    }
}

TEST(Files, ATailStartsWithinTheFileOnlyWhenTheFileIsLarger) {
    TempDir temp;
    const fs::path file = temp.Path() / "record";
    Write(file, "0123456789");
    for (const auto& [bound, bytes, cut] : {std::tuple{10u, "0123456789", false}, std::tuple{4u, "6789", true},
                                             std::tuple{0u, "", true}}) {
        SCOPED_TRACE(bound);
        const files::Tail tail = files::ReadTail(file, bound);
        EXPECT_EQ(tail.kind, PathCheck::Kind::Regular);
        EXPECT_EQ(tail.bytes, bytes);
        EXPECT_EQ(tail.cut, cut);
    }
    const files::Tail folder = files::ReadTail(temp.Path(), 100);
    EXPECT_EQ(folder.kind, PathCheck::Kind::Refused);
    EXPECT_EQ(folder.refusal.Text(), "is a folder, not a regular file");
}

}  // namespace
}  // namespace vantrel::test
