#include "QtProgramRig.h"

#include <fstream>
#include <sstream>

namespace vantrel::test {

std::vector<sim::PhxRecord> SampleRecords() {
    std::ifstream in(VANTREL_SAMPLE_HEX, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return sim::RecordsFromIntelHex(text.str());
}

}  // namespace vantrel::test
