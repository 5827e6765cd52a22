#pragma once
// The question's answer on Windows: standard input, byte by byte. On a console the wait
// for input and the interruption's event are one WaitForMultipleObjects, so Ctrl-C at
// the prompt gives way at once; input from a pipe or a file is simply read.

#include "cli/TerminalReader.h"

namespace vantrel::cli {

class ConsoleTerminalReader : public TerminalReader {
public:
    // input: standard input's HANDLE; interrupted: ConsoleCtrlInterrupts' event.
    ConsoleTerminalReader(void* input, void* interrupted) : input_(input), interrupted_(interrupted) {}

    bool ReadLine(std::string& line) override;

private:
    void* input_;
    void* interrupted_;
};

}  // namespace vantrel::cli
