// Lines of unusual shape: long, short, binary, without line ends. (Arbitrary bytes are
// left to the fuzzer in tests/fuzz.)

#include <gtest/gtest.h>


#include "PhxFiles.h"
#include "firmware/LoadFirmwareFile.h"

namespace vantrel::test {
namespace {

using sim::RecordLine;

TEST_F(LoaderTest, CharactersAfterTheRecordAdvanceTheKeyAndAreIgnored) {
    const auto records = MakeRecords(4);
    // 100 000 characters span more than one read block of the file.
    const std::vector<std::size_t> extra{1, 17, 60, 100000};
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < records.size(); ++i) {
        std::string tail;
        for (std::size_t j = 0; j < extra[i]; ++j) tail.push_back(static_cast<char>('!' + (i * 7 + j) % 90));
        lines.push_back(RecordLine(records[i]) + tail);
    }
    lines.push_back(EndRecordLine() + " trailing");
    Load(Phx(KnownTarget(), "4.0", lines));
    EXPECT_TRUE(dialogs.Shown().empty());
    ExpectImage(records);
}

TEST_F(LoaderTest, LinesEndedByLfAloneLoadLikeCrLf) {
    const auto records = MakeRecords(3);
    std::string text = sim::WritePhx(KnownTarget(), "4.0", records);
    std::erase(text, '\r');
    Load(text);
    EXPECT_EQ(w.Text1.Caption, KnownTarget());
    ExpectImage(records);
}

TEST_F(LoaderTest, ShortLinesReadMissingFieldsAsZero) {
    const auto records = MakeRecords(1);
    // Count 10, address 00F0, type 00 sum to 0x100: no data and no checksum still pass.
    Load(Phx(KnownTarget(), "4.0", {RecordLine(records[0]), ":1000F000", EndRecordLine()}));
    EXPECT_TRUE(dialogs.Shown().empty());
    ASSERT_EQ(w.RecordCount, 2);
    EXPECT_EQ(w.Records[1].WordAddress, 0x78);
    EXPECT_EQ(w.Records[1].Data, (std::array<std::uint8_t, 16>{}));

    dialogs.ExpectBox("Error!", "Checksum error on line_count 2");
    Load(Phx(KnownTarget(), "4.0", {RecordLine(records[0]), ":1000F1", EndRecordLine()}));
}

TEST_F(LoaderTest, MegabyteLineWithoutLineEndIsReadToItsEnd) {
    const auto records = MakeRecords(2);
    const std::string tail(3 << 20, 'w');
    const std::string text = Phx(KnownTarget(), "4.0", {RecordLine(records[0]), RecordLine(records[1]), EndRecordLine() + tail});
    ASSERT_EQ(text.substr(text.size() - 2), "\r\n");
    Load(text.substr(0, text.size() - 2));
    EXPECT_TRUE(dialogs.Shown().empty());
    ExpectImage(records);

    // The same line with its very last character below its key fails the load.
    std::string spoilt = text.substr(0, text.size() - 2);
    spoilt.back() = 31;  // below the blank, the lowest key character
    dialogs.ExpectBox("Error!", "Error fallen of end of file on 3");
    Load(spoilt);
}

TEST_F(LoaderTest, BinaryBytesInDataLinesFailCleanly) {
    std::string binary;
    for (int b = 0; b < 256; ++b) binary.push_back(static_cast<char>((b * 91) & 0xFF));
    dialogs.ExpectBox("Error!", "Error fallen of end of file on 1");
    Load(KnownTarget() + "\r\n1.0\r\n" + binary);

    // NUL bytes in the header are text like any other.
    const std::string target("QV\0\x01", 4);
    Load(Phx(target, std::string("1\0", 2), {EndRecordLine()}));
    EXPECT_EQ(w.Text1.Caption, target);
    EXPECT_EQ(w.Text2.Caption, std::string("Version 1\0", 10));
}

}  // namespace
}  // namespace vantrel::test
