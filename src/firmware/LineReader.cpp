#include "firmware/LineReader.h"

#include <cstring>
#include <filesystem>
#include <system_error>

namespace vantrel {
namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
}

std::optional<LineReader> LineReader::Open(const std::string& path) {
    // A folder or a device is no text file (and a device may never end).
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return std::nullopt;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return std::nullopt;
    return LineReader(file);
}

LineReader::LineReader(std::FILE* file) : file_(file), buffer_(kBufferSize) {}

bool LineReader::Refill() {
    if (atEnd_ || failed_ || !file_) return false;
    pos_ = 0;
    end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_.get());
    if (end_ == 0) {
        if (std::ferror(file_.get())) failed_ = true;
        else atEnd_ = true;
        return false;
    }
    return true;
}

LineReader::Status LineReader::ReadLinePieces(const std::function<bool(std::string_view)>& consume) {
    bool started = false;
    // A CR at the end of a buffer is held back until the next byte shows whether it
    // ends the line.
    bool heldCr = false;
    for (;;) {
        if (pos_ == end_ && !Refill()) {
            if (failed_) return Status::ReadError;
            return started ? Status::Line : Status::EndOfFile;  // a held CR ends the file
        }
        started = true;
        const char* begin = buffer_.data() + pos_;
        const std::size_t available = end_ - pos_;
        const auto* lf = static_cast<const char*>(std::memchr(begin, '\n', available));
        std::string_view piece(begin, lf ? static_cast<std::size_t>(lf - begin) : available);
        pos_ += piece.size() + (lf ? 1 : 0);

        if (heldCr && !(lf && piece.empty())) {
            if (!consume("\r")) return Status::Stopped;
        }
        heldCr = false;
        if (!piece.empty() && piece.back() == '\r') {
            piece.remove_suffix(1);
            heldCr = !lf;
        }
        if (!piece.empty() && !consume(piece)) return Status::Stopped;
        if (lf) return Status::Line;
    }
}

LineReader::Status LineReader::ReadLine(std::string& line, std::size_t maxLength) {
    line.clear();
    bool tooLong = false;
    const Status status = ReadLinePieces([&](std::string_view piece) {
        if (piece.size() > maxLength - line.size()) {
            tooLong = true;
            return false;
        }
        line.append(piece);
        return true;
    });
    return tooLong ? Status::TooLong : status;
}

}  // namespace vantrel
