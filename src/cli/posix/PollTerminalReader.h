#pragma once
// The question's answer on a POSIX terminal: poll() watches standard input and the
// signal pipe together, so Ctrl-C at the prompt gives way at once.

#include "cli/TerminalReader.h"

namespace vantrel::cli {

class PollTerminalReader : public TerminalReader {
public:
    // wakeFd: readable once an interruption has come (SignalInterrupts::WakeFd).
    PollTerminalReader(int inputFd, int wakeFd) : inputFd_(inputFd), wakeFd_(wakeFd) {}

    bool ReadLine(std::string& line) override;

private:
    int inputFd_;
    int wakeFd_;
};

}  // namespace vantrel::cli
