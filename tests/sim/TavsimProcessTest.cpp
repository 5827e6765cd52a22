// The vantrel-tavsim executable over a real pseudo-terminal: identification at 8N2, a
// command frame whose first byte goes at odd parity, and the JSON report on SIGTERM.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Writes `out` at 9600 raw 8-bit with these parity and stop bit flags, then reads up to
// `replyLength` bytes; a read gives up after 5 s of silence (a net for a hung simulator).
Bytes Exchange(int fd, tcflag_t flags, const Bytes& out, std::size_t replyLength) {
    termios t{};  // raw: no input, output or local processing; VMIN 0
    t.c_cflag = CS8 | CLOCAL | CREAD | flags;
    t.c_cc[VTIME] = 50;
    cfsetspeed(&t, B9600);
    tcsetattr(fd, TCSANOW, &t);
    EXPECT_EQ(write(fd, out.data(), out.size()), static_cast<ssize_t>(out.size()));
    Bytes in(replyLength);
    std::size_t got = 0;
    for (ssize_t n; got < in.size() && (n = read(fd, &in[got], in.size() - got)) > 0;) got += static_cast<std::size_t>(n);
    return {in.begin(), in.begin() + static_cast<std::ptrdiff_t>(got)};
}

TEST(TavsimProcess, AnswersOverItsPtyAndReportsOnSigterm) {
    const std::string report = testing::TempDir() + "tavsim_" + std::to_string(getpid()) + ".json";
    int toTest[2];
    ASSERT_EQ(pipe(toTest), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(toTest[1], STDOUT_FILENO);
        execl(VANTREL_TAVSIM_PATH, VANTREL_TAVSIM_PATH, "--reply", "2C", "--version", "3.1", "--report",
              report.c_str(), nullptr);
        _exit(127);
    }
    close(toTest[1]);
    std::string slave;  // its first line of output
    for (char c; read(toTest[0], &c, 1) == 1 && c != '\n';) slave += c;

    const int fd = open(slave.c_str(), O_RDWR | O_NOCTTY);
    EXPECT_GE(fd, 0) << slave;
    // Check byte 255 - (2C + 03 + 01) = CF.
    EXPECT_EQ(Exchange(fd, CSTOPB, {0xFF, 0x53, 0x45, 0x54, 0x54, 0x41, 0x56}, 5), (Bytes{0x2C, 0x03, 0x01, 0xCF, 0x5A}));
    Exchange(fd, PARENB | PARODD, {51}, 0);
    usleep(10'000);
    EXPECT_EQ(Exchange(fd, PARENB, {255}, 2), (Bytes{240, 0x33}));
    close(fd);
    kill(pid, SIGTERM);
    int status = 0;
    pid_t ended = 0;
    for (int i = 0; i < 500 && (ended = waitpid(pid, &status, WNOHANG)) == 0; ++i) usleep(10'000);
    if (ended != pid) kill(pid, SIGKILL);
    EXPECT_EQ(ended, pid) << "still running after 5 s";
    EXPECT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    close(toTest[0]);

    std::ostringstream text;
    text << std::ifstream(report).rdbuf();
    auto json = nlohmann::json::parse(text.str(), nullptr, false);  // not const: a missing key reads as null
    ASSERT_TRUE(json.is_object()) << text.str();
    EXPECT_EQ(json["counts"]["identificationRequests"], 1) << text.str();
    EXPECT_EQ(json["counts"]["restarts"], 1) << text.str();
    EXPECT_EQ(json["records"], nlohmann::json::array()) << text.str();
    EXPECT_EQ(json["commands"], nlohmann::json::array({51})) << text.str();
    unlink(report.c_str());
}

}  // namespace
