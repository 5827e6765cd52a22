// The vantrel-tavsim executable over a real pseudo-terminal: identification at 8N2, a
// command frame whose first byte goes at odd parity, the JSON report on SIGTERM, and
// tavs unplugged and plugged in by signals while the pty stays, each with its own report.

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
// `replyLength` bytes; a read gives up after `patience` tenths of a second of silence (by
// default a net for a hung simulator).
Bytes Exchange(int fd, tcflag_t flags, const Bytes& out, std::size_t replyLength, cc_t patience = 50) {
    termios t{};  // raw: no input, output or local processing; VMIN 0
    t.c_cflag = CS8 | CLOCAL | CREAD | flags;
    t.c_cc[VTIME] = patience;
    cfsetspeed(&t, B9600);
    tcsetattr(fd, TCSANOW, &t);
    EXPECT_EQ(write(fd, out.data(), out.size()), static_cast<ssize_t>(out.size()));
    Bytes in(replyLength);
    std::size_t got = 0;
    for (ssize_t n; got < in.size() && (n = read(fd, &in[got], in.size() - got)) > 0;) got += static_cast<std::size_t>(n);
    return {in.begin(), in.begin() + static_cast<std::ptrdiff_t>(got)};
}

const Bytes kProbe{0xFF, 0x53, 0x45, 0x54, 0x54, 0x41, 0x56};
constexpr std::uint8_t kLoader = 161;

// One vantrel-tavsim process, its slave open; Stop() ends it with SIGTERM.
class Tavsim {
public:
    explicit Tavsim(std::vector<std::string> args) {
        int toTest[2];
        EXPECT_EQ(pipe(toTest), 0);
        args.insert(args.begin(), VANTREL_TAVSIM_PATH);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(toTest[1], STDOUT_FILENO);
            execv(VANTREL_TAVSIM_PATH, argv.data());
            _exit(127);
        }
        close(toTest[1]);
        std::string slave;  // its first line of output
        for (char c; read(toTest[0], &c, 1) == 1 && c != '\n';) slave += c;
        close(toTest[0]);
        fd_ = open(slave.c_str(), O_RDWR | O_NOCTTY);
        EXPECT_GE(fd_, 0) << slave;
    }
    ~Tavsim() {
        if (pid_ > 0) Stop();
    }
    int Fd() const { return fd_; }
    void Signal(int signal) const { kill(pid_, signal); }

    void Stop() {
        close(fd_);
        kill(pid_, SIGTERM);
        int status = 0;
        pid_t ended = 0;
        for (int i = 0; i < 500 && (ended = waitpid(pid_, &status, WNOHANG)) == 0; ++i) usleep(10'000);
        if (ended != pid_) kill(pid_, SIGKILL);
        EXPECT_EQ(ended, pid_) << "still running after 5 s";
        EXPECT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
};

nlohmann::json ReadReport(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    auto json = nlohmann::json::parse(text.str(), nullptr, false);  // not const: a missing key reads as null
    EXPECT_TRUE(json.is_object()) << path << ": " << text.str();
    unlink(path.c_str());
    return json;
}

std::string ReportPath() { return testing::TempDir() + "tavsim_" + std::to_string(getpid()) + ".json"; }

TEST(TavsimProcess, AnswersOverItsPtyAndReportsOnSigterm) {
    const std::string report = ReportPath();
    Tavsim tavsim({"--reply", "2C", "--version", "3.1", "--report", report});
    const int fd = tavsim.Fd();
    // Check byte 255 - (2C + 03 + 01) = CF.
    EXPECT_EQ(Exchange(fd, CSTOPB, {0xFF, 0x53, 0x45, 0x54, 0x54, 0x41, 0x56}, 5), (Bytes{0x2C, 0x03, 0x01, 0xCF, 0x5A}));
    Exchange(fd, PARENB | PARODD, {51}, 0);
    usleep(10'000);
    EXPECT_EQ(Exchange(fd, PARENB, {255}, 2), (Bytes{240, 0x33}));
    tavsim.Stop();

    auto json = ReadReport(report);
    EXPECT_EQ(json["counts"]["identificationRequests"], 1) << json;
    EXPECT_EQ(json["counts"]["restarts"], 1) << json;
    EXPECT_EQ(json["records"], nlohmann::json::array()) << json;
    EXPECT_EQ(json["commands"], nlohmann::json::array({51})) << json;
    EXPECT_EQ(json["tav"], nlohmann::json({{"number", 1}, {"reply", 0x2C}, {"version", "3.1"}})) << json;
    EXPECT_EQ(ReadReport(report + ".1"), json) << "the one tav's own report";
}

// A record frame for word address `address`: the payload 16 bytes that no other address
// has, then the check byte that makes the 19 bytes sum to 255.
Bytes RecordBlock(std::uint8_t address) {
    Bytes block{address, 0x00};
    for (int k = 0; k < 16; ++k) block.push_back(static_cast<std::uint8_t>(address * 16 + k));
    std::uint8_t sum = 0;
    for (std::uint8_t b : block) sum = static_cast<std::uint8_t>(sum + b);
    block.push_back(static_cast<std::uint8_t>(255 - sum));
    return block;
}

std::string ReportedRecord(std::uint8_t address) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const Bytes block = RecordBlock(address);
    std::string hex;
    for (int k = 2; k < 18; ++k) hex += {kDigits[block[k] >> 4], kDigits[block[k] & 0x0F]};
    return hex;
}

// Sends the loader command at odd parity, then the block at even parity; returns what
// came back within `patience`.
Bytes SendRecord(int fd, std::uint8_t address, cc_t patience) {
    Exchange(fd, PARENB | PARODD, {kLoader}, 0);
    usleep(10'000);
    return Exchange(fd, PARENB, RecordBlock(address), 2, patience);
}

// A bench where tavs come and go on one pty: SIGUSR1 unplugs the tav, SIGUSR2 plugs in a
// new one (with the control file's options, if there is one). Each tav's report says
// what reached that tav alone.
TEST(TavsimProcess, TavsUnpluggedAndPluggedInBySignals) {
    const std::string report = ReportPath();
    const std::string control = report + ".control";
    Tavsim tavsim({"--reply", "2C", "--version", "3.1", "--report", report, "--control", control});
    const Bytes tav2C{0x2C, 0x03, 0x01, 0xCF, 0x5A};
    const Bytes tav16{0x16, 0x01, 0x03, 0xE5, 0x5A};  // 255 - (16 + 01 + 03) = E5
    const Bytes none;
    struct Step {
        const char* what;
        int signal;           // 0: none
        const char* control;  // the control file's text from now on; nullptr: none
        int record;           // -1: a probe; else the record's word address
        Bytes reply;
    };
    const Step steps[] = {
        {"plugged in at the start", 0, nullptr, -1, tav2C},
        {"a record to tav 1", 0, nullptr, 0x10, {15, RecordBlock(0x10)[18]}},
        {"unplugged: the probe gets nothing", SIGUSR1, nullptr, -1, none},
        {"unplugged mid-transfer: the record is not acknowledged", 0, nullptr, 0x11, none},
        {"plugged in again, no control file: the command line's tav", SIGUSR2, nullptr, -1, tav2C},
        {"a fresh loader takes a record", 0, nullptr, 0x12, {15, RecordBlock(0x12)[18]}},
        {"swapped for the control file's type", SIGUSR2, "--reply 16\n--version 1.3\n", -1, tav16},
        {"a bad control file leaves the port empty", SIGUSR2, "--reply 04 --link x", -1, none},
        {"the control file's faults", SIGUSR2, "--no-ack", 0x13, none},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.control) std::ofstream(control) << step.control;
        if (step.signal) tavsim.Signal(step.signal);
        // Silence is awaited for 0.3 s: the tav answers within a few milliseconds.
        const cc_t patience = step.reply.empty() ? 3 : 50;
        const Bytes reply = step.record < 0 ? Exchange(tavsim.Fd(), CSTOPB, kProbe, 5, patience)
                                            : SendRecord(tavsim.Fd(), static_cast<std::uint8_t>(step.record), patience);
        EXPECT_EQ(reply, step.reply);
    }
    tavsim.Stop();
    unlink(control.c_str());

    using nlohmann::json;
    const auto records = [](std::initializer_list<std::uint8_t> addresses) {
        json out = json::array();
        for (std::uint8_t a : addresses) out.push_back({{"wordAddress", a}, {"data", ReportedRecord(a)}});
        return out;
    };
    auto tav1 = ReadReport(report + ".1"), tav2 = ReadReport(report + ".2"), tav3 = ReadReport(report + ".3"),
         tav4 = ReadReport(report + ".4");
    EXPECT_EQ(tav1["tav"], json({{"number", 1}, {"reply", 0x2C}, {"version", "3.1"}})) << tav1;
    EXPECT_EQ(tav1["records"], records({0x10})) << tav1;
    EXPECT_EQ(tav1["counts"]["recordFrames"], 1) << "the record sent unplugged never reached it";
    EXPECT_EQ(tav2["tav"]["number"], 2) << tav2;
    EXPECT_EQ(tav2["records"], records({0x12})) << tav2;
    EXPECT_EQ(tav2["counts"]["identificationRequests"], 1) << tav2;
    EXPECT_EQ(tav3["tav"], json({{"number", 3}, {"reply", 0x16}, {"version", "1.3"}})) << tav3;
    EXPECT_EQ(tav3["records"], json::array()) << tav3;
    EXPECT_EQ(tav4["tav"], json({{"number", 4}, {"reply", 0x2C}, {"version", "3.1"}})) << tav4;
    EXPECT_EQ(tav4["counts"]["recordFrames"], 1) << tav4;
    EXPECT_EQ(tav4["records"], json::array()) << tav4;
    EXPECT_EQ(ReadReport(report), tav4) << "the exit's report is the last tav's";
    EXPECT_NE(access((report + ".5").c_str(), F_OK), 0);
}

}  // namespace
