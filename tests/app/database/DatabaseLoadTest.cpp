// Loading a database folder (files read on loader threads, assembled in name
// order) against a plain reading of the same files one by one.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "database/DatabaseCommands.h"
#include "database/DatabaseFile.h"
#include "DatabaseTestFolder.h"
#include "files/LineGrammar.h"
#include "files/LineGrammarPaths.h"

namespace halden {
namespace {

namespace fs = std::filesystem;

using test::TempFolder;

// What a load must give, worked out file by file with the plain reader.
struct Expected {
    std::vector<std::string> entries;  // every entry taken
    std::vector<std::string> names;    // the spectra
    std::vector<double> x, y;
    std::vector<std::int64_t> offsets;
    std::vector<std::int32_t> points;
    DatabaseLoadSummary summary;
};

Expected expectedLoad(const std::string& folder) {
    Expected e;
    for (const auto& entry : fs::directory_iterator(folder)) e.entries.push_back(entry.path().filename().string());
    std::sort(e.entries.begin(), e.entries.end());
    if (e.entries.size() > static_cast<std::size_t>(kDatabaseCapacity)) {
        e.summary.leftOut = static_cast<int>(e.entries.size()) - kDatabaseCapacity;
        e.entries.resize(kDatabaseCapacity);
    }
    e.summary.entries = static_cast<int>(e.entries.size());
    for (const std::string& name : e.entries) {
        const fs::path path = fs::path(folder) / name;
        std::error_code ec;
        const fs::file_status st = fs::status(path, ec);
        std::ifstream in;
        if (!ec && fs::is_regular_file(st)) in.open(path, std::ios::binary);  // not a FIFO: it would block
        if (!in.is_open()) {
            ++e.summary.skipped;
            continue;
        }
        std::stringstream bytes;
        bytes << in.rdbuf();
        DataLines d = readDataLinesPlain(bytes.str(), kMaxDataLines);
        if (!d.x.empty() && d.x.front() > d.x.back()) {
            std::reverse(d.x.begin(), d.x.end());
            std::reverse(d.y.begin(), d.y.end());
        }
        if (d.x.empty()) {
            ++e.summary.empty;
            continue;
        }
        if (d.overflow) ++e.summary.truncated;
        e.names.push_back(name);
        e.offsets.push_back(static_cast<std::int64_t>(e.x.size()));
        e.points.push_back(static_cast<std::int32_t>(d.x.size()));
        e.summary.points += static_cast<std::int64_t>(d.x.size());
        e.x.insert(e.x.end(), d.x.begin(), d.x.end());
        e.y.insert(e.y.end(), d.y.begin(), d.y.end());
    }
    return e;
}

template <class A, class B>
bool sameBits(const A& a, const B& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

struct Progress {
    std::vector<std::string> texts;
    bool otherThread = false;
    std::thread::id caller = std::this_thread::get_id();
    DatabaseProgress callback() {
        return [this](const std::string& text) {
            texts.push_back(text);
            if (std::this_thread::get_id() != caller) otherThread = true;
        };
    }
};

void expectLoadMatches(const std::string& folder, SpectralDatabase& db) {
    const Expected e = expectedLoad(folder);
    Progress progress;
    const auto summary = loadDatabaseFolder(db, folder, progress.callback());
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->entries, e.summary.entries);
    EXPECT_EQ(summary->spectra, static_cast<int>(e.names.size()));
    EXPECT_EQ(summary->skipped, e.summary.skipped);
    EXPECT_EQ(summary->empty, e.summary.empty);
    EXPECT_EQ(summary->truncated, e.summary.truncated);
    EXPECT_EQ(summary->leftOut, e.summary.leftOut);
    EXPECT_EQ(summary->points, e.summary.points);

    ASSERT_EQ(db.m_dbCount, static_cast<int>(e.names.size()));
    ASSERT_EQ(db.m_dbNames.size(), e.names.size() + 1);
    EXPECT_TRUE(std::equal(e.names.begin(), e.names.end(), db.m_dbNames.begin() + 1));
    EXPECT_EQ(db.m_dbBar.list, e.names);
    EXPECT_EQ(db.m_dbOffsets, e.offsets);
    EXPECT_EQ(db.m_dbPoints, e.points);
    ASSERT_TRUE(db.m_dbPools);
    EXPECT_TRUE(sameBits(db.m_dbPools->x, e.x));
    EXPECT_TRUE(sameBits(db.m_dbPools->y, e.y));
    EXPECT_EQ(static_cast<int>(db.m_dbSkipped.size()), e.summary.skipped + e.summary.empty);

    std::vector<std::string> texts;
    for (int k = 1; k <= e.summary.entries; ++k)
        texts.push_back("loading: " + std::to_string(k) + " / " + std::to_string(e.summary.entries));
    texts.push_back("Make comparison");
    EXPECT_EQ(progress.texts, texts);
    EXPECT_FALSE(progress.otherThread) << "progress reported from a loader thread";
    EXPECT_EQ(db.m_dbBar.buttonText, "Make comparison");
}

std::string rows(int count, double start, double step, const char* lineEnd, int seed) {
    std::mt19937 rng(static_cast<unsigned>(seed));
    std::uniform_real_distribution<double> noise(-20, 20);
    std::string text = "Wavelength Intensity";
    text += lineEnd;
    for (int i = 0; i < count; ++i) {
        char row[64];
        std::snprintf(row, sizeof row, "%.3f %.3f%s", start + i * step, 1000 + noise(rng), lineEnd);
        text += row;
    }
    return text;
}

TEST(DatabaseLoad, OddEntriesAmongManyFilesLoadAsOneByOne) {
    TempFolder dir;
    // More files than the loader keeps in flight, so that its slots wrap.
    for (int k = 0; k < 60; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "f%03d.txt", k);
        const char* lineEnd = k % 3 == 0 ? "\r\n" : (k % 3 == 1 ? "\n" : "\r");
        // Every seventh file runs downwards (stored reversed).
        dir.write(name, k % 7 == 0 ? rows(50 + k, 900, -0.5, lineEnd, k) : rows(50 + k, 300, 0.25, lineEnd, k));
    }
    dir.write("f010.txt", "");                                   // empty
    dir.write("f020.txt", "no numbers\r\nat all\r\n");           // no data line
    dir.write("f030.txt", rows(5000, 200, 0.1, "\r\n", 30));     // truncated at 4096
    dir.write("f031.txt", rows(4096, 200, 0.1, "\n", 31));       // exactly 4096: kept whole
    dir.write("f032.txt", rows(4097, 200, 0.1, "\r", 32));       // one too many
    dir.write("f040.txt", "1e3 5\r\n-2.5,7\r\n  3 4\n 5\t6");   // general rows, no last line end
    fs::create_directory(dir / "f015.dir");                                 // a sub-folder
    fs::create_symlink(dir / "missing-target", dir / "f025.link");          // dangling
    fs::create_symlink(dir / "f001.txt", dir / "f026.link");                // to a file: read
    ASSERT_EQ(::mkfifo((dir / "f035.fifo").c_str(), 0600), 0);              // must not stall the load
    SpectralDatabase db;
    expectLoadMatches(dir.str(), db);
    EXPECT_EQ(db.m_dbPoints[std::find(db.m_dbNames.begin(), db.m_dbNames.end(), "f030.txt") -
                            db.m_dbNames.begin() - 1],
              4096);
    // Loading again into the same database gives the same.
    expectLoadMatches(dir.str(), db);
}

// A file over the byte limit (here a sparse one) is refused by its size,
// without reading it, and the load skips it like any unreadable entry.
TEST(DatabaseLoad, OversizedFilesAreNotRead) {
    TempFolder dir;
    dir.write("a.txt", "1 2\r\n3 4\r\n");
    dir.write("huge.txt", "1 2\r\n");
    fs::resize_file(dir / "huge.txt", kMaxDatabaseFileBytes + 1);
    std::string buffer;
    std::size_t length = 99;
    EXPECT_EQ(readWholeFile((dir / "huge.txt").string(), buffer, length), FileRead::TooLarge);
    EXPECT_EQ(length, 0u);
    EXPECT_LT(buffer.size(), kMaxDatabaseFileBytes) << "nothing was read";
    fs::resize_file(dir / "huge.txt", kMaxDatabaseFileBytes);
    EXPECT_EQ(readWholeFile((dir / "huge.txt").string(), buffer, length), FileRead::Ok);
    EXPECT_EQ(length, kMaxDatabaseFileBytes);

    fs::resize_file(dir / "huge.txt", kMaxDatabaseFileBytes + 1);
    SpectralDatabase db;
    const auto summary = loadDatabaseFolder(db, dir.str());
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->skipped, 1);
    EXPECT_EQ(db.m_dbPoints, (std::vector<std::int32_t>{2}));
    ASSERT_EQ(db.m_dbSkipped.size(), 1u);
    EXPECT_EQ(db.m_dbSkipped[0].name, "huge.txt");
    EXPECT_EQ(db.m_dbSkipped[0].reason, "too large");
}

TEST(DatabaseLoad, OneFileAndNoFiles) {
    TempFolder dir;
    SpectralDatabase db;
    expectLoadMatches(dir.str(), db);
    EXPECT_EQ(db.m_dbCount, 0);
    EXPECT_TRUE(db.m_dbPools->x.empty());

    dir.write("only.txt", rows(3653, 339, 0.2, "\r\n", 1));
    expectLoadMatches(dir.str(), db);
    EXPECT_EQ(db.m_dbPoints, (std::vector<std::int32_t>{3653}));

    fs::remove(dir / "only.txt");
    fs::create_directory(dir / "sub");
    expectLoadMatches(dir.str(), db);  // one entry, not a file
    EXPECT_EQ(db.m_dbCount, 0);
    EXPECT_EQ(db.m_dbBar.skippedText, "1 entry without spectrum data skipped");
}

TEST(DatabaseLoad, EntriesPastTheCapacityAreLeftOut) {
    TempFolder dir;
    // Names sort with the data file last among the kept ones.
    for (int k = 0; k < kDatabaseCapacity + 3; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "e%05d", k);
        std::ofstream(dir / name, std::ios::binary) << (k == kDatabaseCapacity - 1 ? "1 2\r\n3 4\r\n" : "");
    }
    SpectralDatabase db;
    expectLoadMatches(dir.str(), db);
    EXPECT_EQ(db.m_dbCount, 1);
    EXPECT_EQ(db.m_dbNames[1], "e19999");
    EXPECT_EQ(db.m_dbSkipped.size(), static_cast<std::size_t>(kDatabaseCapacity - 1));
}

TEST(DatabaseLoad, AFailingProgressCallbackStopsTheLoadCleanly) {
    TempFolder dir;
    for (int k = 0; k < 40; ++k) dir.write("f" + std::to_string(100 + k), rows(200, 300, 0.25, "\r\n", k));
    SpectralDatabase db;
    int calls = 0;
    const DatabaseProgress failing = [&](const std::string&) {
        if (++calls == 5) throw std::runtime_error("cancelled");
    };
    EXPECT_THROW(loadDatabaseFolder(db, dir.str(), failing), std::runtime_error);
    EXPECT_EQ(calls, 5);
    // The loader threads are gone and a new load works as usual.
    expectLoadMatches(dir.str(), db);
}

}  // namespace
}  // namespace halden
