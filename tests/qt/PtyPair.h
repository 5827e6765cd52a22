#pragma once
// A pseudo-terminal pair standing in for a serial line: the program opens the slave as
// its COM port, the test reads and writes the master and sees the line settings there.

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel::test {

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return slavePath_; }

    void Write(const std::vector<std::uint8_t>& bytes);
    // Up to `count` bytes, waiting at most limitMs for them.
    std::vector<std::uint8_t> Read(std::size_t count, int limitMs);

    // The slave's line settings as the master sees them.
    struct Line {
        unsigned baud = 0;
        bool oddParity = false;  // the pty keeps PARODD (it clears PARENB)
        bool twoStopBits = false;
        int dataBits = 0;
    };
    Line LineSettings() const;

    // The far end goes away: the program's slave side fails from now on.
    void CloseMaster();

private:
    int master_ = -1;
    int slaveKeeper_ = -1;  // keeps the line up across the program's close/open cycles
    std::string slavePath_;
};

}  // namespace vantrel::test
