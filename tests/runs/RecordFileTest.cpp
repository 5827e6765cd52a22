// The run record file under the type-table store's rules: appended to only when it is a
// regular file (or a link to one) that may be read and written, everything else left as
// it was, without hanging; whole lines from any number of threads; rotation at its bound;
// the digest of the firmware file from the system's library.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#else
#include <windows.h>
#endif

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <thread>

#include "runs/FileDigest.h"
#include "runs/RecordFile.h"
#include "runs/RecordLocation.h"
#include "runs/RunLog.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace vantrel::test {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Write(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

// Every entry below a folder: its kind, permission bits and contents or link text.
std::map<std::string, std::string> TreeOf(const fs::path& root) {
    std::map<std::string, std::string> tree;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path& p = it->path();
        const fs::file_status status = fs::symlink_status(p);
        std::string state = std::to_string(static_cast<int>(status.type())) + " " +
                            std::to_string(static_cast<unsigned>(status.permissions()));
        if (fs::is_symlink(status)) state += " -> " + fs::read_symlink(p).string();
        else if (fs::is_regular_file(status)) state += " " + Contents(p);
        tree[fs::relative(p, root).string()] = state;
    }
    return tree;
}

constexpr const char* kLine = "{\"kind\":\"start\",\"run\":\"1\"}\n";

struct PathCase {
    std::string what;
    std::function<bool(const fs::path& dir)> make;  // false: cannot be made here
    std::string name = "runs.jsonl";                // the record's path below dir
    std::string refusal;  // empty: the line is appended; else the end of the problem told
};

void CheckPaths(const std::vector<PathCase>& cases) {
    TempDir temp;
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path dir = temp.Path() / "case";
        // A read-only file of the case before cannot be removed on Windows until it may be written.
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(dir, ignored))
            fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
        fs::remove_all(dir);
        fs::create_directory(dir);
        if (!c.make(dir)) {
            std::cout << "[  SKIPPED ] " << c.what << ": cannot be made here\n";
            continue;
        }
        const fs::path file = fs::path(c.name).is_absolute() ? fs::path(c.name) : dir / c.name;
        const auto before = TreeOf(dir);
        const std::string problem = runs::AppendRecordLine(file, kLine);
        if (c.refusal.empty()) {
            EXPECT_EQ(problem, "");
            const fs::path target = fs::canonical(file);
            EXPECT_TRUE(Contents(target).ends_with(kLine)) << Contents(target);
            continue;
        }
        EXPECT_TRUE(problem.ends_with(c.refusal)) << problem;
        EXPECT_EQ(TreeOf(dir), before) << "left as it was, no file beside it";
    }
}

#ifndef _WIN32
// The process's file size limit for one case, SIGXFSZ ignored meanwhile so that a write
// beyond it would show as a failure rather than end the suite.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &before_);
        previous_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = before_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &before_);
        ::signal(SIGXFSZ, previous_);
    }

private:
    rlimit before_{};
    void (*previous_)(int) = nullptr;
};

TEST(RecordFile, OnlyARegularFileThatMayBeReadAndWrittenIsAppendedTo) {
    const auto fileWith = [](const std::string& text, unsigned mode) {
        return [text, mode](const fs::path& dir) {
            Write(dir / "runs.jsonl", text);
            return ::chmod((dir / "runs.jsonl").c_str(), mode) == 0;
        };
    };
    const std::string earlier = "{\"kind\":\"end\",\"run\":\"0\"}\n";
    CheckPaths({
        {"missing, in missing folders", [](const fs::path&) { return true; }, "state/vantrel/runs.jsonl", ""},
        {"regular file", fileWith(earlier, 0644), "runs.jsonl", ""},
        {"link to a regular file",
         [&](const fs::path& dir) { return Write(dir / "t", earlier), ::symlink("t", (dir / "runs.jsonl").c_str()) == 0; },
         "runs.jsonl", ""},
        {"folder", [](const fs::path& dir) { return fs::create_directory(dir / "runs.jsonl"); }, "runs.jsonl", 
         "is a folder, not a regular file"},
        {"device node",
         [](const fs::path& dir) { return ::mknod((dir / "runs.jsonl").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0; },
         "runs.jsonl", "is a device, not a regular file"},
        {"fifo without a reader", [](const fs::path& dir) { return ::mkfifo((dir / "runs.jsonl").c_str(), 0666) == 0; },
         "runs.jsonl", "is a FIFO, not a regular file"},
        {"link to a fifo",
         [](const fs::path& dir) {
             return ::mkfifo((dir / "q").c_str(), 0666) == 0 && ::symlink("q", (dir / "runs.jsonl").c_str()) == 0;
         },
         "runs.jsonl", "is a FIFO, not a regular file"},
        {"read-only file (root too)", fileWith(earlier, 0444), "runs.jsonl", "is read-only"},
        {"unreadable file", fileWith(earlier, 0200), "runs.jsonl", "cannot be read"},
        {"dangling link", [](const fs::path& dir) { return ::symlink("gone/runs.jsonl", (dir / "runs.jsonl").c_str()) == 0; },
         "runs.jsonl", "is a link to nothing"},
        {"below a file", [](const fs::path& dir) { return Write(dir / "plain", "x"), true; }, "plain/runs.jsonl",
         "Not a directory"},
        // A full disk, as near as a test gets: the full device is refused as a device, and
        // a file at the process's size limit takes no line (nor a signal that ends the program).
        {"/dev/full", [](const fs::path&) { return fs::exists("/dev/full"); }, "/dev/full",
         "is a device, not a regular file"},
    });
    TempDir temp;
    const fs::path file = temp.Path() / "runs.jsonl";
    Write(file, "x\n");
    {
        const FileSizeLimit limit(4);
        EXPECT_EQ(runs::AppendRecordLine(file, kLine).substr(file.string().size()),
                  ": the file size limit leaves no room for the line");
    }
    EXPECT_EQ(Contents(file), "x\n");
}

TEST(RecordFile, ANewFileIsPrivateAndAFullFileRollsOverKeepingItsModeAndLink) {
    TempDir temp;
    const fs::path made = temp.Path() / "state" / "vantrel" / "runs.jsonl";
    ASSERT_EQ(runs::AppendRecordLine(made, kLine), "");
    struct stat info {};
    ASSERT_EQ(::stat(made.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    ASSERT_EQ(::stat(made.parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);

    // A record kept elsewhere through a link, with a mode of the user's choosing.
    const fs::path data = temp.Path() / "data" / "bench.jsonl", link = temp.Path() / "runs.jsonl";
    fs::create_directory(data.parent_path());
    Write(data, "");  // a link to nothing is never followed into making its file
    fs::create_symlink(data, link);
    const auto line = [](int n) { return "{\"n\":" + std::to_string(1000 + n) + ",\"pad\":\"" + std::string(80, 'p') + "\"}\n"; };
    const std::size_t bound = 3 * line(0).size();
    for (int n = 0; n < 3; ++n) ASSERT_EQ(runs::AppendRecordLine(link, line(n), bound), "");
    ::chmod(data.c_str(), 0640);
    ASSERT_EQ(runs::AppendRecordLine(link, line(3), bound), "");  // would pass the bound: rolled first
    EXPECT_EQ(Contents(runs::RolledFile(data)), line(0) + line(1) + line(2));
    EXPECT_EQ(Contents(data), line(3));
    EXPECT_EQ(fs::read_symlink(link), data) << "the link names the new file";
    ASSERT_EQ(::stat(data.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    for (int n = 4; n < 7; ++n) ASSERT_EQ(runs::AppendRecordLine(link, line(n), bound), "");
    EXPECT_EQ(Contents(runs::RolledFile(data)), line(3) + line(4) + line(5)) << "one earlier file, replaced";
    EXPECT_EQ(Contents(data), line(6));
}

TEST(RecordFile, TheDigestIsSha256OfARegularFileOnly) {
    TempDir temp;
    Write(temp.Path() / "empty", "");
    Write(temp.Path() / "abc", "abc");
    EXPECT_EQ(runs::Sha256OfFile(temp.Path() / "empty", 100),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(runs::Sha256OfFile(temp.Path() / "abc", 100),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(runs::Sha256OfFile(temp.Path() / "abc", 2), std::nullopt) << "beyond the bound";
    ASSERT_EQ(::mkfifo((temp.Path() / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(runs::Sha256OfFile(temp.Path() / "fifo", 100), std::nullopt) << "and no hang";
    EXPECT_EQ(runs::Sha256OfFile(temp.Path(), 100), std::nullopt);
}
#else
TEST(RecordFile, OnlyARegularFileThatMayBeWrittenIsAppendedToAndNoDeviceIsOpened) {
    CheckPaths({
        {"missing, in missing folders", [](const fs::path&) { return true; }, "Vantrel\\state\\runs.jsonl", ""},
        {"regular file", [](const fs::path& dir) { return Write(dir / "runs.jsonl", "{}\n"), true; }, "runs.jsonl", ""},
        {"folder", [](const fs::path& dir) { return fs::create_directory(dir / "runs.jsonl"); }, "runs.jsonl",
         "is a folder, not a regular file"},
        {"read-only file",
         [](const fs::path& dir) {
             Write(dir / "runs.jsonl", "{}\n");
             return SetFileAttributesW((dir / "runs.jsonl").c_str(), FILE_ATTRIBUTE_READONLY) != 0;
         },
         "runs.jsonl", "is read-only"},
        // Opening COM1 would act on the serial port (Wine maps it to a pty here).
        {"COM1", [](const fs::path&) { return true; }, "COM1", "is a device, not a regular file"},
        {"NUL with an extension", [](const fs::path&) { return true; }, "nul.jsonl", "is a device, not a regular file"},
        {"a device path", [](const fs::path&) { return true; }, "\\\\.\\COM2", "is a device, not a regular file"},
    });
}

TEST(RecordFile, AFullFileRollsOverIntoOneEarlierFile) {
    TempDir temp;
    const fs::path file = temp.Path() / "runs.jsonl";
    const auto line = [](int n) { return "{\"n\":" + std::to_string(1000 + n) + "}\n"; };
    const std::size_t bound = 2 * line(0).size();
    for (int n = 0; n < 5; ++n) ASSERT_EQ(runs::AppendRecordLine(file, line(n), bound), "");
    EXPECT_EQ(Contents(runs::RolledFile(file)), line(2) + line(3));
    EXPECT_EQ(Contents(file), line(4));
    Write(temp.Path() / "abc", "abc");
    EXPECT_EQ(runs::Sha256OfFile(temp.Path() / "abc", 100),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}
#endif

TEST(RecordFile, TheRecordIsWhereTheVariablesSay) {
    struct Case {
        const char* runs;   // VANTREL_RUNS
        const char* state;  // XDG_STATE_HOME, or LOCALAPPDATA on Windows
        const char* home;
        fs::path file;
        std::string unavailable;
    };
#ifdef _WIN32
    const char* stateVariable = "LOCALAPPDATA";
    const Case cases[] = {
        {nullptr, "C:\\Users\\anna\\AppData\\Local", nullptr, "C:\\Users\\anna\\AppData\\Local\\Vantrel\\runs.jsonl", ""},
        {"D:\\bench\\runs.jsonl", "C:\\Users\\anna\\AppData\\Local", nullptr, "D:\\bench\\runs.jsonl", ""},
        {"none", "C:\\Users\\anna\\AppData\\Local", nullptr, "", ""},
        {nullptr, nullptr, nullptr, "", "LOCALAPPDATA is not set"},
    };
#else
    const char* stateVariable = "XDG_STATE_HOME";
    const Case cases[] = {
        {nullptr, "/srv/state", "/home/anna", "/srv/state/vantrel/runs.jsonl", ""},
        {nullptr, "relative/state", "/home/anna", "/home/anna/.local/state/vantrel/runs.jsonl", ""},
        {"/bench/runs.jsonl", "/srv/state", "/home/anna", "/bench/runs.jsonl", ""},
        {"none", "/srv/state", "/home/anna", "", ""},
        {nullptr, nullptr, nullptr, "", "neither XDG_STATE_HOME nor HOME is set"},
    };
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.runs ? c.runs : "-") + " " + (c.state ? c.state : "-"));
        const ScopedEnv runs("VANTREL_RUNS", c.runs), state(stateVariable, c.state), home("HOME", c.home);
        const runs::RecordLocation where = runs::DefaultRecordLocation();
        EXPECT_EQ(where.file, c.file);
        EXPECT_EQ(where.unavailable, c.unavailable);
    }
}

TEST(RecordFile, LinesFromManyThreadsAndRunLogsAtOnceStayWhole) {
    TempDir temp;
    const fs::path file = temp.Path() / "runs.jsonl";
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([&file, t] {
            for (int k = 0; k < 50; ++k) {
                const std::string text = nlohmann::json{{"t", t}, {"k", k}, {"pad", std::string(3000, char('a' + t))}}.dump();
                EXPECT_EQ(runs::AppendRecordLine(file, text + "\n"), "");
            }
        });
    // A gang run's ports: one run log each, on threads of their own.
    for (int port = 1; port <= 3; ++port)
        writers.emplace_back([&file, port] {
            runs::RunLogSettings settings;
            settings.location.file = file;
            settings.frontEnd = "console";
            settings.describePort = [](int) { return runs::PortFacts{}; };
            runs::RunLog log(std::move(settings));
            RunStart start;
            start.comPort = port;
            log.Started(start);
            RunEnd end;
            end.run.Outcome = ProgrammingRun::Ending::Completed;
            log.Ended(end);
        });
    for (auto& writer : writers) writer.join();

    std::set<std::pair<int, int>> seen;
    std::map<std::string, std::set<std::string>> runsById;
    std::istringstream lines(Contents(file));
    for (std::string line; std::getline(lines, line);) {
        const nlohmann::json record = nlohmann::json::parse(line);  // throws on a line cut or mixed
        if (record.contains("t")) {
            EXPECT_EQ(record["pad"], std::string(3000, char('a' + record["t"].get<int>())));
            seen.insert({record["t"].get<int>(), record["k"].get<int>()});
        } else {
            runsById[record["run"]].insert(record["kind"]);
        }
    }
    EXPECT_EQ(seen.size(), 200u);
    ASSERT_EQ(runsById.size(), 3u) << "three runs, each its own id";
    for (const auto& [id, kinds] : runsById) EXPECT_EQ(kinds, (std::set<std::string>{"start", "end"})) << id;
}

}  // namespace
}  // namespace vantrel::test
