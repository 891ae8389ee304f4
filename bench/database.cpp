// Spectral database: loading a folder of 3653-point spectrum files against
// simply reading the same files, and comparing and ranking 20 000 spectra by
// every metric. Targets: 20 000 files load in at most 1 s, and 20 000 spectra
// rank in at most 150 ms by every metric, normalised or not.
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
#include "database/SpectralDatabase.h"
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

bool loadsWhole(halden::SpectralDatabase& db) {
    const auto summary = halden::loadDatabaseFolder(db, g_folder.string());
    return summary && summary->points == static_cast<std::int64_t>(g_fileCount) * halden::kSpectrumPoints;
}

// Loading a folder, as "Load database" does (each load builds its own pools).
void BM_LoadDatabase(benchmark::State& state) {
    halden::SpectralDatabase db;
    for (auto _ : state)
        if (!loadsWhole(db)) state.SkipWithError("load lost points");
    state.counters["files"] = g_fileCount;
}

// 20 000 spectra held in memory, sampled half a step off the live axis as
// another instrument's would be.
halden::SpectralDatabase& memoryDatabase() {
    static halden::SpectralDatabase db = [] {
        halden::SpectralDatabase d;
        auto pools = std::make_shared<halden::DatabasePools>();
        const auto total = static_cast<std::size_t>(kCompareCount) * halden::kSpectrumPoints;
        pools->x.reserve(total);
        pools->y.reserve(total);
        d.m_dbCount = kCompareCount;
        d.m_dbPoints.assign(kCompareCount, halden::kSpectrumPoints);
        for (int k = 0; k < kCompareCount; ++k) {
            d.m_dbNames.push_back("spectrum" + std::to_string(k) + ".txt");
            d.m_dbOffsets.push_back(static_cast<std::int64_t>(pools->x.size()));
            const std::vector<double> y = spectrumFor(k % 2000);
            for (int i = 0; i < halden::kSpectrumPoints; ++i) {
                const double next = i + 1 < halden::kSpectrumPoints ? g_axis[i + 1] : g_axis[i] + 0.2;
                pools->x.push_back((g_axis[i] + next) / 2);
                pools->y.push_back(y[i]);
            }
        }
        d.m_dbScore.assign(kCompareCount, 0);
        d.m_dbPairs.assign(kCompareCount, 0);
        d.m_dbPools = std::move(pools);
        return d;
    }();
    return db;
}

// Compare and rank 20 000 spectra against a live spectrum: range(0) the
// metric, range(1) normalisation.
void BM_CompareAndRank20000(benchmark::State& state) {
    halden::SpectralDatabase& db = memoryDatabase();
    const std::vector<double> live = spectrumFor(-1);
    db.m_dbBar.metric = static_cast<halden::SimilarityMetric>(state.range(0));
    db.m_dbBar.normalizeChecked = state.range(1) != 0;
    for (auto _ : state) halden::compareDatabase(db, halden::liveSpectrum(g_axis, live));
    state.SetLabel(std::string(halden::metricName(db.m_dbMetric)) + (db.m_dbNormalize ? ", normalised" : ""));
    state.counters["files"] = kCompareCount;
}

BENCHMARK(BM_ReadFolderOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadDatabase)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CompareAndRank20000)
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

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
