#pragma once
// The answer to a question asked on the terminal: one line from standard input.
//
// What an implementation must do: block until a whole line is in, the input ends, or
// an interruption comes (the InterruptSource wakes it), whichever is first; take nothing
// from the input beyond the line's end, so what follows stays for whoever reads next.
// POSIX: poll() on standard input and the signal pipe, then read one byte at a time.
// Windows: wait on the console input handle and the interruption's event together
// (WaitForMultipleObjects), so Ctrl-C at the prompt gives way at once.

#include <string>

namespace vantrel::cli {

class TerminalReader {
public:
    virtual ~TerminalReader() = default;

    // Appends the line, without its line feed, to line. False at the end of input, on a
    // read error or on an interruption.
    virtual bool ReadLine(std::string& line) = 0;
};

}  // namespace vantrel::cli
