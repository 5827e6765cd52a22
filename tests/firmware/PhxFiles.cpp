#include "PhxFiles.h"

#include <fstream>

#include "firmware/LoadFirmwareFile.h"

namespace vantrel::test {

std::vector<sim::PhxRecord> MakeRecords(int count, std::uint16_t firstByteAddress) {
    std::vector<sim::PhxRecord> records;
    for (int i = 0; i < count; ++i) {
        sim::PhxRecord r{static_cast<std::uint16_t>(firstByteAddress + 16 * i), {}};
        for (int k = 0; k < 16; ++k)
            r.data[k] = static_cast<std::uint8_t>(((i * 16 + k) * 2654435761u) >> 24 ^ (i >> 3));
        records.push_back(r);
    }
    return records;
}

std::string EndRecordLine() { return sim::RecordLine({0x3E60, {}}); }

std::string LoaderTest::WriteFile(const std::string& contents, const std::string& name) {
    const std::string path = (dir.Path() / name).string();
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

void LoaderTest::Load(const std::string& contents) { LoadFirmwareFile(w, WriteFile(contents)); }

std::string LoaderTest::Phx(const std::string& target, const std::string& version,
                            const std::vector<std::string>& plainLines) {
    return target + "\r\n" + version + "\r\n" + sim::EncipherLines(plainLines);
}

void LoaderTest::ExpectImage(const std::vector<sim::PhxRecord>& records) {
    ASSERT_EQ(w.RecordCount, static_cast<int>(records.size()));
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(w.Records[i].WordAddress, records[i].byteAddress / 2) << "record " << i;
        EXPECT_EQ(w.Records[i].Data, records[i].data) << "record " << i;
    }
}

void LoaderTest::ExpectCommandsOff() {
    EXPECT_FALSE(w.search.Enabled);
    EXPECT_FALSE(w.Emergency.Enabled);
    EXPECT_FALSE(w.ProgramTav.Enabled);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(w.Option1[i].Visible);
        EXPECT_FALSE(w.TavType[i].Visible);
    }
}

void LoaderTest::ExpectBoxStyle(BoxStyle style) {
    ASSERT_FALSE(dialogs.Shown().empty());
    EXPECT_EQ(dialogs.Shown().back().style, style);
}

}  // namespace vantrel::test
