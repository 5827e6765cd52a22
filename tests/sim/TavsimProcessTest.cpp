// The vantrel-tavsim executable over a real pseudo-terminal: identification at 8N2, a
// command frame whose first byte goes at odd parity, the JSON report, and leaving on its
// own once the program has closed the port.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

// Safety net for a hung simulator; no test asserts how long anything takes.
constexpr int kPatienceMs = 5000;

class Tavsim {
public:
    explicit Tavsim(std::vector<std::string> options) {
        int out[2];
        if (pipe(out) != 0) throw std::runtime_error("pipe");
        std::vector<std::string> args{VANTREL_TAVSIM_PATH};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        stdout_ = out[0];
        if (rc != 0) pid_ = -1;
    }
    ~Tavsim() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(stdout_);
    }

    // The first line of its output: the slave's path.
    std::string SlavePath() {
        std::string line;
        char c;
        for (;;) {
            pollfd p{stdout_, POLLIN, 0};
            if (poll(&p, 1, kPatienceMs) <= 0 || read(stdout_, &c, 1) != 1 || c == '\n') break;
            line += c;
        }
        return line;
    }

    // Exit status after it has ended, -1 when it did not end in time.
    int WaitForExit() {
        for (int waited = 0; waited < kPatienceMs; waited += 10) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            usleep(10'000);
        }
        return -1;
    }
    void Terminate() { kill(pid_, SIGTERM); }

private:
    pid_t pid_ = -1;
    int stdout_ = -1;
};

// The program's side: raw 8-bit line at 9600 with the given parity and stop bits.
class Port {
public:
    explicit Port(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY)) {}
    ~Port() {
        if (fd_ >= 0) close(fd_);
    }
    bool IsOpen() const { return fd_ >= 0; }
    void Set(tcflag_t parity, bool twoStopBits) {
        termios t{};
        tcgetattr(fd_, &t);
        cfmakeraw(&t);
        cfsetispeed(&t, B9600);
        cfsetospeed(&t, B9600);
        t.c_cflag &= ~(PARENB | PARODD | CSTOPB);
        t.c_cflag |= parity | (twoStopBits ? CSTOPB : 0) | CLOCAL | CREAD;
        tcsetattr(fd_, TCSANOW, &t);
    }
    void Send(const std::vector<std::uint8_t>& bytes) { ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); }
    std::vector<std::uint8_t> Read(std::size_t count) {
        std::vector<std::uint8_t> got;
        while (got.size() < count) {
            pollfd p{fd_, POLLIN, 0};
            std::uint8_t b;
            if (poll(&p, 1, kPatienceMs) <= 0 || read(fd_, &b, 1) != 1) break;
            got.push_back(b);
        }
        return got;
    }

private:
    int fd_;
};

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string TempPath(const char* name) {
    return testing::TempDir() + "tavsim_" + std::to_string(getpid()) + "_" + name;
}

TEST(TavsimProcess, AnswersIdentificationAndCommandFrameAndReportsOnSigterm) {
    const std::string report = TempPath("report.json");
    std::remove(report.c_str());
    Tavsim sim({"--reply", "2C", "--version", "3.1", "--report", report});
    const std::string slave = sim.SlavePath();
    ASSERT_EQ(slave.rfind("/dev/pts/", 0), 0u) << slave;
    {
        Port port(slave);
        ASSERT_TRUE(port.IsOpen());
        port.Set(0, true);  // 9600,n,8,2
        port.Send({0xFF, 0x53, 0x45, 0x54, 0x54, 0x41, 0x56});
        // Check byte 255 - (2C + 03 + 01) = CF.
        EXPECT_EQ(port.Read(5), (std::vector<std::uint8_t>{0x2C, 0x03, 0x01, 0xCF, 0x5A}));

        port.Set(PARENB | PARODD, false);  // 9600,o,8,1: the command byte
        port.Send({51});
        usleep(10'000);
        port.Set(PARENB, false);  // 9600,e,8,1
        port.Send({255});
        EXPECT_EQ(port.Read(2), (std::vector<std::uint8_t>{240, 0x33}));
    }
    sim.Terminate();
    EXPECT_EQ(sim.WaitForExit(), 0);

    const std::string json = ReadText(report);
    EXPECT_NE(json.find("\"identificationRequests\": 1,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"restarts\": 1,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"breaks\": 0,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"records\": []"), std::string::npos) << json;
    EXPECT_NE(json.find("\"commands\": [51]"), std::string::npos) << json;
    std::remove(report.c_str());
}

TEST(TavsimProcess, LeavesOnItsOwnOnceThePortStaysClosed) {
    const std::string link = TempPath("ttyTAV");
    const std::string report = TempPath("closed.json");
    std::remove(report.c_str());
    Tavsim sim({"--exit-when-closed", "--close-grace", "200", "--link", link, "--report", report});
    const std::string slave = sim.SlavePath();
    ASSERT_FALSE(slave.empty());
    {
        Port port(link);  // through the fixed name
        ASSERT_TRUE(port.IsOpen());
        port.Set(0, true);
        port.Send({0xFF, 0x53, 0x45, 0x54, 0x54, 0x41, 0x56});
        EXPECT_EQ(port.Read(5).size(), 5u);
    }
    EXPECT_EQ(sim.WaitForExit(), 0);
    struct stat st {};
    EXPECT_NE(lstat(link.c_str(), &st), 0) << "symlink left behind";
    EXPECT_NE(ReadText(report).find("\"identificationRequests\": 1,"), std::string::npos);
    std::remove(report.c_str());
}

TEST(TavsimProcess, RejectsUnknownOptionWithUsageStatus) {
    Tavsim sim({"--no-such-option"});
    EXPECT_EQ(sim.WaitForExit(), 2);
}

}  // namespace
