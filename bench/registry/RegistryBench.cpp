// Real time of the start-up type table work on the file store: writing the defaults into
// a missing file, and loading them back. Usage: registry_bench [directory] [runs]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "registry/RegFileStore.h"
#include "registry/RegisterTav.h"

namespace {

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path base = argc > 1 ? argv[1] : std::filesystem::temp_directory_path();
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    std::string pattern = (base / "vantrel-registry-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path dir = pattern;
    const auto file = dir / "registry.reg";

    std::vector<double> writes, loads;
    for (int run = 0; run < runs; ++run) {
        std::filesystem::remove(file);
        auto start = std::chrono::steady_clock::now();
        {
            vantrel::RegFileStore store(file);
            vantrel::RegisterTav types(store);
            types.CheckTypeRegistry();  // no key: writes the defaults
        }
        writes.push_back(Milliseconds(std::chrono::steady_clock::now() - start));

        start = std::chrono::steady_clock::now();
        {
            vantrel::RegFileStore store(file);
            vantrel::RegisterTav types(store);
            types.CheckTypeRegistry();  // version 19: loads the 35 rows
            if (types.TypeTable.size() != 35) return 2;
        }
        loads.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
    }
    std::filesystem::remove_all(dir);

    std::printf("write defaults: median %.2f ms, worst %.2f ms\n", Median(writes),
                *std::max_element(writes.begin(), writes.end()));
    std::printf("load table:     median %.2f ms, worst %.2f ms\n", Median(loads),
                *std::max_element(loads.begin(), loads.end()));
    return 0;
}
