// MyOpenDataFileClass::SearchData over a 10 MB file: the pattern absent (the whole file is
// read) and present only in the last bytes. The file is the one scripts/bench-search.sh
// builds for grep and memmem, so their throughputs compare directly.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "host/files/HostPaths.h"
#include "support/DataFile.h"

namespace {

using namespace orvane;

constexpr size_t kFileSize = 10 * 1024 * 1024;
constexpr const char kPattern[] = "*OrvaneToneBlockEnd";
constexpr size_t kPatternLength = sizeof kPattern - 1;

// PPD-like text lines up to kFileSize bytes; with `patternAtEnd` the last bytes are the
// pattern. Must match scripts/bench-search.sh byte for byte.
std::string BenchText(bool patternAtEnd) {
    std::string text;
    text.reserve(kFileSize + 128);
    char line[128];
    for (int i = 0; text.size() < kFileSize; ++i) {
        int n = std::snprintf(line, sizeof line,
                              "*Line %07d: the quick brown fox jumps over the lazy dog\n", i);
        text.append(line, static_cast<size_t>(n));
    }
    text.resize(kFileSize);
    if (patternAtEnd)
        text.replace(kFileSize - kPatternLength, kPatternLength, kPattern);
    return text;
}

// A temporary folder with the two files, and the preferences redirected into it so that
// the folder catalogue is not the user's.
class BenchFiles {
public:
    BenchFiles() {
        char pattern[] = "/tmp/orvane-search-bench-XXXXXX";
        if (!mkdtemp(pattern))
            std::abort();
        dir_ = pattern;
        setenv("XDG_CONFIG_HOME", (dir_ + "/config").c_str(), 1);
        setenv("XDG_CACHE_HOME", (dir_ + "/cache").c_str(), 1);
        for (bool atEnd : {false, true}) {
            std::ofstream(Path(atEnd), std::ios::binary) << BenchText(atEnd);
            if (HostFSSpecForPath(Path(atEnd), spec_[atEnd]) != noErr)
                std::abort();
        }
    }
    ~BenchFiles() { std::filesystem::remove_all(dir_); }
    BenchFiles(const BenchFiles&) = delete;
    BenchFiles& operator=(const BenchFiles&) = delete;

    std::string Path(bool atEnd) const { return dir_ + (atEnd ? "/at-end.txt" : "/absent.txt"); }
    const FSSpec& Spec(bool atEnd) const { return spec_[atEnd]; }

private:
    std::string dir_;
    FSSpec spec_[2]{};
};

const BenchFiles& Files() {
    static BenchFiles files;
    return files;
}

void Search(benchmark::State& state, bool atEnd) {
    MyOpenDataFileClass file;
    if (file.SetDataFile(Files().Spec(atEnd), 1) != noErr) {
        state.SkipWithError("cannot open the benchmark file");
        return;
    }
    const int32_t expected = atEnd ? static_cast<int32_t>(kFileSize - kPatternLength) : -1;
    for (auto _ : state) {
        int32_t found = file.SearchData(kPattern, static_cast<int32_t>(kPatternLength));
        if (found != expected || file.lastError != noErr) {
            state.SkipWithError("wrong search result");
            return;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(kFileSize));
}

void BM_SearchDataAbsent(benchmark::State& state) {
    Search(state, false);
}
void BM_SearchDataAtEnd(benchmark::State& state) {
    Search(state, true);
}

BENCHMARK(BM_SearchDataAbsent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchDataAtEnd)->Unit(benchmark::kMillisecond);

} // namespace
