// Splitting a file into lines: LF ends a line, a CR right before it (or at the end of the
// file) goes with it, any other byte is text.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "firmware/LineReader.h"
#include "support/SimWindow.h"

namespace vantrel {
namespace {

class LineReaderTest : public ::testing::Test {
protected:
    std::vector<std::string> Lines(const std::string& contents) {
        const std::string path = (dir.Path() / "lines.txt").string();
        std::ofstream(path, std::ios::binary) << contents;
        auto reader = LineReader::Open(path);
        EXPECT_TRUE(reader.has_value());
        std::vector<std::string> lines;
        std::string line;
        while (reader && reader->ReadLine(line, 1 << 24) == LineReader::Status::Line) lines.push_back(line);
        return lines;
    }
    test::TempDir dir;
};

using Text = std::vector<std::string>;

TEST_F(LineReaderTest, LineEnds) {
    EXPECT_EQ(Lines("one\r\ntwo\r\n"), (Text{"one", "two"}));
    EXPECT_EQ(Lines("one\ntwo"), (Text{"one", "two"}));          // last line without an end
    EXPECT_EQ(Lines("one\n\n\r\nfour\n"), (Text{"one", "", "", "four"}));
    EXPECT_EQ(Lines(""), Text{});
    EXPECT_EQ(Lines("\n"), (Text{""}));
    EXPECT_EQ(Lines("one\r"), (Text{"one"}));                    // CR at the very end
    EXPECT_EQ(Lines("a\rb\r\r\nc"), (Text{"a\rb\r", "c"}));       // only the CR before LF goes
    EXPECT_EQ(Lines("one\rtwo\rthree\r"), (Text{"one\rtwo\rthree"}));  // CR alone ends nothing
}

TEST_F(LineReaderTest, EveryByteIsText) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        if (b != '\n') all.push_back(static_cast<char>(b));
    EXPECT_EQ(Lines(all + "\n" + all), (Text{all, all}));
}

TEST_F(LineReaderTest, CrAtTheEdgeOfAReadBlock) {
    // Lines long enough to put a CR at every offset around the 64 KiB block boundaries.
    for (std::size_t length : {65534u, 65535u, 65536u, 131071u}) {
        const std::string text(length - 1, 'x');
        EXPECT_EQ(Lines(text + "\r\nnext"), (Text{text, "next"})) << length;
        EXPECT_EQ(Lines(text + "\rnext"), (Text{text + "\rnext"})) << length;
        EXPECT_EQ(Lines(text + "\r\r\nnext"), (Text{text + "\r", "next"})) << length;
        EXPECT_EQ(Lines(text + "\r"), (Text{text})) << length;
    }
}

TEST_F(LineReaderTest, LongLinesArriveInPiecesAndCanBeCapped) {
    const std::string path = (dir.Path() / "long.txt").string();
    std::ofstream(path, std::ios::binary) << std::string(300000, 'q') << "\r\nshort\n";
    auto reader = LineReader::Open(path);
    ASSERT_TRUE(reader);
    std::size_t total = 0, pieces = 0;
    EXPECT_EQ(reader->ReadLinePieces([&](std::string_view piece) {
        total += piece.size();
        ++pieces;
        return true;
    }),
              LineReader::Status::Line);
    EXPECT_EQ(total, 300000u);
    EXPECT_GT(pieces, 1u);
    std::string line;
    EXPECT_EQ(reader->ReadLine(line, 5), LineReader::Status::Line);
    EXPECT_EQ(line, "short");
    EXPECT_EQ(reader->ReadLine(line, 5), LineReader::Status::EndOfFile);

    auto capped = LineReader::Open(path);
    EXPECT_EQ(capped->ReadLine(line, 299999), LineReader::Status::TooLong);
}

TEST_F(LineReaderTest, OnlyRegularFilesOpen) {
    EXPECT_FALSE(LineReader::Open((dir.Path() / "missing.phx").string()));
    EXPECT_FALSE(LineReader::Open(dir.Path().string()));
    EXPECT_FALSE(LineReader::Open(""));
    EXPECT_FALSE(LineReader::Open("/dev/zero"));
}

}  // namespace
}  // namespace vantrel
