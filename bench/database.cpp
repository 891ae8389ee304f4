// Spectral database: loading a folder of 3653-point spectrum files against
// simply reading the same files, and comparing and ranking 20 000 spectra.
//
// The folder is generated in the benchmark's own temporary folder and removed
// at the end: 2 000 files by default; --db-files=N or HALDEN_BENCH_DB_FILES=N
// for another count (20 000 for the full-size database).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "database/DatabaseCommands.h"
#include "database/DatabaseFile.h"
#include "spectrum/SpectrumStore.h"

namespace {

namespace fs = std::filesystem;

int g_fileCount = 2000;
constexpr int kCompareCount = 20000;
fs::path g_folder;
std::vector<double> g_axis;

// A spectrum with two peaks whose place and height vary by file.
std::vector<double> spectrumFor(int k) {
    std::mt19937 rng(static_cast<unsigned>(k) * 2654435761u);
    std::uniform_real_distribution<double> centre(300, 900), height(500, 40000), noise(-20, 20);
    const double c1 = centre(rng), c2 = centre(rng), h1 = height(rng), h2 = height(rng);
    std::vector<double> y(g_axis.size());
    for (std::size_t i = 0; i < y.size(); ++i) {
        const double x = g_axis[i];
        y[i] = 1000 + h1 * std::exp(-(x - c1) * (x - c1) / 200) + h2 * std::exp(-(x - c2) * (x - c2) / 800) +
               noise(rng);
    }
    return y;
}

void makeFolder() {
    g_folder = fs::temp_directory_path() / ("halden-bench-db-" + std::to_string(getpid()));
    fs::create_directories(g_folder);
    std::string text;
    for (int k = 0; k < g_fileCount; ++k) {
        const std::vector<double> y = spectrumFor(k);
        text.clear();
        char row[64];
        for (std::size_t i = 0; i < y.size(); ++i) {
            const int len = std::snprintf(row, sizeof row, "%.3f %.3f\r\n", g_axis[i], y[i]);
            text.append(row, static_cast<std::size_t>(len));
        }
        char name[32];
        std::snprintf(name, sizeof name, "spectrum%05d.txt", k);
        std::FILE* f = std::fopen((g_folder / name).c_str(), "wb");
        if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size()) std::abort();
        std::fclose(f);
    }
}

// Reading every file whole and nothing else: the yardstick for the load.
void BM_ReadFolderOnly(benchmark::State& state) {
    std::vector<std::string> paths;
    for (const auto& e : fs::directory_iterator(g_folder)) paths.push_back(e.path().string());
    std::string buffer;
    for (auto _ : state) {
        std::size_t total = 0;
        for (const auto& p : paths) {
            std::size_t length = 0;
            halden::readWholeFile(p, buffer, length);
            total += length;
        }
        benchmark::DoNotOptimize(total);
    }
    state.counters["files"] = static_cast<double>(paths.size());
}

bool loadsWhole(halden::SpectrumStore& store) {
    const auto summary = halden::loadDatabaseFolder(store, g_folder.string());
    return summary && summary->points == static_cast<std::int64_t>(g_fileCount) * halden::kSpectrumPoints;
}

// Loading into the application's store, which keeps its pools from one load
// to the next (the first load, untimed, makes them).
void BM_LoadDatabase(benchmark::State& state) {
    auto store = std::make_unique<halden::SpectrumStore>();
    if (!loadsWhole(*store)) state.SkipWithError("load lost points");
    for (auto _ : state)
        if (!loadsWhole(*store)) state.SkipWithError("load lost points");
    state.counters["files"] = g_fileCount;
}

// The first load into a new store: the same work plus the kernel handing
// over (and zeroing) fresh memory for the pools, 16 bytes a point.
void BM_LoadDatabaseNewStore(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto store = std::make_unique<halden::SpectrumStore>();
        state.ResumeTiming();
        if (!loadsWhole(*store)) state.SkipWithError("load lost points");
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
    state.counters["files"] = g_fileCount;
}

// Compare and rank 20 000 spectra held in memory against a live spectrum.
void BM_CompareAndRank20000(benchmark::State& state) {
    auto store = std::make_unique<halden::SpectrumStore>();
    halden::SpectrumStore& s = *store;
    const std::vector<double> live = spectrumFor(-1);
    for (int i = 0; i < halden::kSpectrumPoints; ++i) {
        s.m_storedX[i] = g_axis[i];
        s.m_storedY[i] = live[i];
    }
    s.m_storedLength[0] = halden::kSpectrumPoints - 1;
    s.m_dbCount = kCompareCount;
    s.m_dbNames.assign(1, "");
    s.m_dbPoints.assign(kCompareCount, halden::kSpectrumPoints);
    s.m_dbScore.assign(kCompareCount, 0);
    s.m_dbOffsets.resize(kCompareCount);
    s.m_dbX.reserve(static_cast<std::size_t>(kCompareCount) * halden::kSpectrumPoints);
    s.m_dbY.reserve(static_cast<std::size_t>(kCompareCount) * halden::kSpectrumPoints);
    for (int k = 0; k < kCompareCount; ++k) {
        s.m_dbNames.push_back("spectrum" + std::to_string(k) + ".txt");
        s.m_dbOffsets[k] = static_cast<std::int64_t>(s.m_dbX.size());
        // Files sampled half a step off the live axis, as another instrument's would be.
        std::vector<double> y = spectrumFor(k % 2000);
        for (int i = 0; i < halden::kSpectrumPoints; ++i) {
            const double next = i + 1 < halden::kSpectrumPoints ? g_axis[i + 1] : g_axis[i] + 0.2;
            s.m_dbX.push_back((g_axis[i] + next) / 2);
            s.m_dbY.push_back(y[i]);
        }
    }
    s.m_dbBar.normalizeChecked = state.range(0) != 0;
    for (auto _ : state) halden::compareDatabase(s);
    state.counters["files"] = kCompareCount;
}

BENCHMARK(BM_ReadFolderOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadDatabase)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadDatabaseNewStore)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CompareAndRank20000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (const char* env = std::getenv("HALDEN_BENCH_DB_FILES")) g_fileCount = std::atoi(env);
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--db-files=", 11) == 0)
            g_fileCount = std::atoi(argv[i] + 11);
        else
            args.push_back(argv[i]);
    }
    if (g_fileCount < 1) g_fileCount = 1;
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());

    auto store = std::make_unique<halden::SpectrumStore>();
    g_axis.assign(store->m_wavelength.begin(), store->m_wavelength.begin() + halden::kSpectrumPoints);
    store.reset();
    makeFolder();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(g_folder, ec);
    return 0;
}
