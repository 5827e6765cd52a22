// What a loaded file's lines mean: the target line and its markers, the record addresses
// and the end record, and lines of unusual shape. (Arbitrary bytes are left to the fuzzer
// in tests/fuzz.)

#include "LoaderRig.h"

namespace vantrel::test {
namespace {

using sim::RecordLine;

TEST_F(LoaderTest, TargetLineLosesItsMarkersAndNamesTheReplyCode) {
    const std::string n = KnownTarget();
    const std::vector<std::pair<std::string, std::string>> markers{
        {n + "#", n}, {n + "@", n}, {n + "@#", n}, {n + "#@", n + "#"}, {"A#B", "A#"}, {"A@B@", "A@B"}};
    for (const auto& [line, shown] : markers) {
        Load(sim::WritePhx(line, "1.0", MakeRecords(1)));
        EXPECT_EQ(w.Text1.Caption, shown) << line;
        EXPECT_EQ(w.TargetReply, shown == n ? KnownReply() : 0) << line;
    }

    // Looked up exactly, the first row wins; a type the table does not know gets 0, so
    // that no tav matches (not the reply of the file loaded before).
    w.Types.TypeTable = {{1, 0x31, "First", "QV10"}, {2, 0x32, "Second", "QV10"}, {3, 0x33, "Lower", "qv10"},
                         {4, 0x34, "Marked", "QV10#"}};
    const std::vector<std::pair<std::string, std::uint8_t>> lookups{
        {"QV10", 0x31}, {"qv10", 0x33}, {"QV10#@", 0x34}, {"QV10##", 0x34}, {"QV10x", 0}, {"", 0}};
    for (const auto& [line, reply] : lookups) {
        w.TargetReply = 0x31;
        Load(sim::WritePhx(line, "1.0", MakeRecords(1)));
        EXPECT_TRUE(w.search.Enabled);
        EXPECT_EQ(w.TargetReply, reply) << line;
    }
}

TEST_F(LoaderTest, AddressesAreSignedAndHalvedTiesToEvenAndWord1F30EndsTheData) {
    // The neighbours of the end record, 3E5E and 3E62, are data like any other.
    const std::vector<std::pair<std::uint16_t, std::int16_t>> cases{
        {0x0001, 0},   {0x0003, 2},   {0x0005, 2},      {0x7FFF, 16384},  {0x8000, -16384}, {0xFFFF, 0},
        {0xFFFD, -2},  {0xFFFB, -2},  {0xC001, -8192},  {0x3E5E, 0x1F2F}, {0x3E62, 0x1F31}};
    const auto records = MakeRecords(static_cast<int>(cases.size()));
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < cases.size(); ++i) lines.push_back(RecordLine({cases[i].first, records[i].data}));
    lines.push_back(EndRecord());
    Load(Phx(KnownTarget(), lines));
    ASSERT_EQ(w.RecordCount, static_cast<int>(cases.size()));
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(w.Records[i].WordAddress, cases[i].second) << std::hex << cases[i].first;
        EXPECT_EQ(w.Records[i].Data, records[i].data);
    }

    // Every address that halves to 1F30 ends the data; what follows is never read.
    for (std::uint16_t end : {0x3E5F, 0x3E60, 0x3E61}) {
        SCOPED_TRACE(end);
        Load(Phx(KnownTarget(), {RecordLine(records[0]), RecordLine(records[1]), RecordLine({end, {}})}) +
             std::string("\x01\x00 below every key\r\n\xFF", 21));
        EXPECT_TRUE(w.search.Enabled);
        ExpectImage(records, 2);
    }
}

TEST_F(LoaderTest, LinesOfUnusualShape) {
    const auto records = MakeRecords(4);
    // Characters after the record advance the key and are ignored; 100 000 of them span
    // more than one read block of the file.
    const std::vector<std::size_t> extra{1, 17, 60, 100000};
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < records.size(); ++i) {
        std::string tail;
        for (std::size_t j = 0; j < extra[i]; ++j) tail.push_back(static_cast<char>('!' + (i * 7 + j) % 90));
        lines.push_back(RecordLine(records[i]) + tail);
    }
    lines.push_back(EndRecord() + " trailing");
    Load(Phx(KnownTarget(), lines));
    ExpectImage(records, 4);

    // LF alone ends lines as well; the last line may go without an end, however long.
    std::string text = Phx(KnownTarget(), {RecordLine(records[0]), RecordLine(records[1]),
                                           EndRecord() + std::string(3 << 20, 'w')});
    std::erase(text, '\r');
    Load(text.substr(0, text.size() - 1));
    EXPECT_EQ(w.Text1.Caption, KnownTarget());
    ExpectImage(records, 2);

    // Short lines read missing fields as zero: count 10, address 00F0 and type 00 sum to
    // 0x100, so no data and no checksum still pass; one digit of checksum does not.
    Load(Phx(KnownTarget(), {RecordLine(records[0]), ":1000F000", EndRecord()}));
    ASSERT_EQ(w.RecordCount, 2);
    EXPECT_EQ(w.Records[1].WordAddress, 0x78);
    EXPECT_EQ(w.Records[1].Data, (std::array<std::uint8_t, 16>{}));
    Load(Phx(KnownTarget(), {RecordLine(records[0]), ":1000F1", EndRecord()}), "Checksum error on line_count 2");

    // NUL bytes in the header are text like any other.
    const std::string target("QV\0\x01", 4);
    Load(target + "\r\n" + std::string("1\0", 2) + "\r\n" + sim::EncipherLines({EndRecord()}));
    EXPECT_EQ(w.Text1.Caption, target);
    EXPECT_EQ(w.Text2.Caption, std::string("Version 1\0", 10));
}

}  // namespace
}  // namespace vantrel::test
