#pragma once
// Reads a firmware file line by line as single-byte text: split on LF, a CR just before
// the LF (or at the very end of the file) dropped, every byte standing for its character
// code. A file of CR line ends alone is therefore one long line.
//
// Lines are handed out in pieces, so a line of any length (a binary file without a single
// LF) is read in constant memory; header lines that the window shows are capped instead.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

class LineReader {
public:
    // The reader of an existing, readable regular file; nothing when it cannot be opened.
    static std::optional<LineReader> Open(const std::string& path);

    enum class Status {
        Line,       // a line was read (its pieces, if any, were handed over)
        EndOfFile,  // no line left
        Stopped,    // the consumer asked to stop; the rest of the line is left unread
        TooLong,    // ReadLine only: the line exceeds the allowed length
        ReadError,  // the system failed to read the file
    };

    // Hands the next line to `consume` in one or more pieces, in order (an empty line
    // gives no piece). `consume` returns false to stop reading.
    Status ReadLinePieces(const std::function<bool(std::string_view)>& consume);

    // The next line whole, when it has at most maxLength characters.
    Status ReadLine(std::string& line, std::size_t maxLength);

    void Close() { file_.reset(); }

private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    explicit LineReader(std::FILE* file);
    bool Refill();

    std::unique_ptr<std::FILE, FileCloser> file_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0, end_ = 0;
    bool atEnd_ = false, failed_ = false;
};

}  // namespace vantrel
