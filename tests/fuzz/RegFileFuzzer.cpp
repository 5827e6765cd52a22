// Feeds arbitrary bytes to the .reg reader, as the type-table store's file, and checks
// that what the store would write back reads the same: the same keys and values (a quoted
// text gains the NUL that regedit gives it on import), the same format, no line left out,
// and the same type table, loaded through the file store from a read-only file so that no
// run writes.

#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "registry/RegFileStore.h"
#include "registry/RegHive.h"
#include "registry/RegisterTav.h"

namespace {

using namespace vantrel;

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, ".reg round trip broken: %s\n", what);
        std::abort();
    }
}

std::vector<std::uint8_t> WithoutTextNul(const RegValue& value) {
    auto data = value.data;
    if (value.type == kRegSz && !data.empty() && data.back() == 0) data.pop_back();
    return data;
}

bool SameKeysAndValues(const RegHive& a, const RegHive& b) {
    if (a.Keys().size() != b.Keys().size()) return false;
    for (auto x = a.Keys().begin(), y = b.Keys().begin(); x != a.Keys().end(); ++x, ++y) {
        if (x->first != y->first || x->second.path != y->second.path) return false;
        const auto& xs = x->second.values;
        const auto& ys = y->second.values;
        if (xs.size() != ys.size()) return false;
        for (auto v = xs.begin(), w = ys.begin(); v != xs.end(); ++v, ++w)
            if (v->first != w->first || v->second.name != w->second.name || v->second.type != w->second.type ||
                WithoutTextNul(v->second) != WithoutTextNul(w->second))
                return false;
    }
    return true;
}

// A read-only file in a folder of its own, replaced for every input.
struct StoreFolder {
    StoreFolder() {
        std::string pattern = "/tmp/vantrel-regfuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        folder = pattern;
        file = folder + "/registry.reg";
    }
    ~StoreFolder() {
        ::unlink(file.c_str());
        ::rmdir(folder.c_str());
    }
    std::vector<TypeRow> TableOf(std::string_view bytes) const {
        ::unlink(file.c_str());
        std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (::chmod(file.c_str(), 0444) != 0) std::abort();
        RegFileStore store(file);
        RegisterTav types(store);
        types.CheckTypeRegistry();
        return types.TypeTable;
    }
    std::string folder, file;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const StoreFolder folder;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto read = ParseRegFile(bytes);
    if (!read) return 0;

    const std::string written = FormatRegFile(read->hive, read->format);
    const auto again = ParseRegFile(written);
    Check(again.has_value(), "what was written is no .reg file");
    Check(again->format == read->format, "format changed");
    Check(again->skippedLines == 0, "a written line cannot be read");
    Check(SameKeysAndValues(read->hive, again->hive), "keys or values changed");
    Check(folder.TableOf(bytes) == folder.TableOf(written), "type table changed");
    return 0;
}
