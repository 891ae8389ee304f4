#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>

#include "DatabaseTestFolder.h"
#include "database/DatabaseCommands.h"
#include "database/DatabaseFile.h"
#include "database/Similarity.h"
#include "database/SimilarityPairs.h"
#include "files/LineGrammar.h"
#include "spectrum/SpectrumStore.h"

namespace halden {
namespace {

namespace fs = std::filesystem;

using test::TempFolder;

// Live spectrum x = 0..10, y = 10 + x^2 (positive, not linear).
double liveY(int i) { return 10.0 + i * i; }
double liveAt(double x) {
    const int i = static_cast<int>(x);
    return liveY(i) + (liveY(i + 1) - liveY(i)) * (x - i);
}

LiveSpectrum live() {
    LiveSpectrum l;
    for (int i = 0; i <= 10; ++i) {
        l.x.push_back(i);
        l.y.push_back(liveY(i));
    }
    return l;
}

// Rows "%.3f %.3f" with the given line end; x = i + 0.5 inside the live intervals.
std::string fileText(double scale, const char* lineEnd, double shift = 0) {
    std::string text = "Wavelength Intensity";
    text += lineEnd;
    for (int i = 0; i < 10; ++i) {
        char row[64];
        std::snprintf(row, sizeof row, "%.3f %.3f%s", i + 0.5 + shift, scale * liveAt(i + 0.5), lineEnd);
        text += row;
    }
    return text;
}

constexpr SimilarityOptions kPlainScore{};

TEST(DatabaseSimilarity, PairsTheLastPointInsideEachInterval) {
    const double xs[] = {0, 1, 2, 3, 4};
    const double ys[] = {0, 10, 20, 30, 40};
    const double xd[] = {0.5, 1.0, 2.0, 2.5, 4.0, 5.0};
    const double yd[] = {1, 2, 3, 4, 5, 6};
    PairScratch pairs;
    pairWithLive({xs, ys, 5}, {xd, yd, 6}, pairs);
    // 1.0 lies at the start of [1, 2) and pairs there; of 2.0 and 2.5 in
    // [2, 3) the last pairs; [3, 4) holds none; 4.0 is the live end point.
    EXPECT_EQ(pairs.s, (std::vector<double>{5, 10, 25, 40}));
    EXPECT_EQ(pairs.d, (std::vector<double>{1, 2, 4, 5}));

    // A file on the live grid pairs every point with its own.
    const double same[] = {0, 1, 2, 3, 4};
    pairWithLive({xs, ys, 5}, {same, yd, 5}, pairs);
    EXPECT_EQ(pairs.s, (std::vector<double>{0, 10, 20, 30, 40}));
    EXPECT_EQ(pairs.d, (std::vector<double>{1, 2, 3, 4, 5}));

    const double far[] = {5, 6};
    pairWithLive({xs, ys, 5}, {far, yd, 2}, pairs);
    EXPECT_TRUE(pairs.s.empty());
    EXPECT_EQ(scorePairs(pairs, kPlainScore), kNoOverlapScore);
    pairWithLive({xs, ys, 5}, {xd, yd, 0}, pairs);
    EXPECT_TRUE(pairs.s.empty());
}

TEST(DatabaseSimilarity, ScoreFormula) {
    PairScratch p{{2, 4}, {2, 4}, {}, {}};
    EXPECT_DOUBLE_EQ(scorePairs(p, kPlainScore), 100);
    p = {{1, 2}, {3, 6}, {}, {}};
    EXPECT_NEAR(scorePairs(p, kPlainScore), 100 - 100 * 2 / std::sqrt(10.0), 1e-12);
    EXPECT_DOUBLE_EQ(scorePairs(p, {SimilarityMetric::Score, true}), 100);
    p = {{0, 0}, {0, 0}, {}, {}};  // B = 0: r = A = 0
    EXPECT_DOUBLE_EQ(scorePairs(p, {SimilarityMetric::Score, true}), 100);
    p = {{1, -1}, {-1, 1}, {}, {}};  // opposite signs: the lowest an overlapping file scores
    EXPECT_DOUBLE_EQ(scorePairs(p, kPlainScore), 100 - 100 * std::sqrt(2.0));
    EXPECT_GT(scorePairs(p, kPlainScore), kNoOverlapScore);
}

// The pairing written out plainly, one interval at a time: the reference the
// merge walk and the vector passes must match bit for bit.
void referencePairs(const CurveView& live, const CurveView& file, PairScratch& out) {
    out.s.clear();
    out.d.clear();
    const double* xs = live.x;
    const double* ys = live.y;
    const double* xd = file.x;
    const int last = live.count - 1, m = file.count - 1;
    if (live.count < 1 || file.count < 1 || xs[0] >= xd[m] || xs[last] <= xd[0]) return;
    int p = 0;
    for (int i = 0; i < last; ++i) {
        while (p < m && xd[p + 1] < xs[i + 1]) ++p;
        if (xs[i] <= xd[p] && xd[p] < xs[i + 1]) {
            out.s.push_back(ys[i] + ((ys[i + 1] - ys[i]) * (xd[p] - xs[i])) / (xs[i + 1] - xs[i]));
            out.d.push_back(file.y[p]);
        }
    }
    if (p < m && xd[p + 1] == xs[last]) {
        out.s.push_back(ys[last] + 0.0);
        out.d.push_back(file.y[p + 1]);
    }
}

// The score as stated, in four partial sums (pair k into sum k mod 4).
double referenceScore(std::vector<double> s, std::vector<double> d, bool normalize) {
    if (s.empty()) return kNoOverlapScore;
    if (normalize) {
        // Scaled crosswise (s by the largest d, d by the largest s), which
        // equals dividing each by its own largest value once the ratio is
        // taken; these values need no fallback to the divided form.
        double by[2] = {1, 1};
        for (int j = 0; j < 2; ++j) {
            double largest = -100000.0;
            for (double a : j == 0 ? s : d)
                if (a > largest) largest = a;
            if (largest != 0) by[j] = largest;
        }
        for (double& a : s) a = a * by[1];
        for (double& a : d) a = a * by[0];
    }
    double a[4] = {0, 0, 0, 0}, b[4] = {0, 0, 0, 0};
    for (std::size_t k = 0; k < s.size(); ++k) {
        const double diff = s[k] - d[k];
        const double sq = s[k] * s[k];
        const double dq = d[k] * d[k];
        const double sum = sq + dq;  // kept apart: no fused multiply-add
        a[k & 3] += std::fabs(diff);
        b[k & 3] += std::sqrt(sum);
    }
    const double ta = (a[0] + a[1]) + (a[2] + a[3]);
    const double tb = (b[0] + b[1]) + (b[2] + b[3]);
    const double r = tb != 0 ? ta / tb : ta;
    return 100 - 100 * r;
}

bool sameDoubleBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(DatabaseSimilarity, FastPairingMatchesThePlainWalk) {
    std::mt19937 rng(2024);
    std::uniform_real_distribution<double> unit(0, 1);
    // A live axis like the instrument's: rising, slightly uneven steps.
    const int n = 700;
    std::vector<double> xs(n), ys(n);
    for (int i = 0; i < n; ++i) {
        xs[i] = 200 + i * 0.25 + 1e-5 * i * i;
        ys[i] = 1000 + 900 * std::sin(i * 0.05) + 50 * unit(rng);
    }
    const CurveView live{xs.data(), ys.data(), n};
    LiveIntervals prepared;
    prepareLive(live, prepared);
    PairScratch scratch, plain;

    std::uniform_int_distribution<int> layoutOf(0, 8);
    for (int round = 0; round < 400; ++round) {
        std::vector<double> xd, yd;
        const int layout = layoutOf(rng);
        const int count = 1 + static_cast<int>(unit(rng) * 900);
        const double from = 190 + unit(rng) * 60;
        for (int j = 0; j < count; ++j) {
            double x = 0;
            switch (layout) {
                case 0: x = j + 1 < n ? (xs[j % n] + xs[(j + 1) % n]) / 2 : xs[n - 1] + j; break;  // between live points
                case 1: x = std::round(xs[j % n] * 1000) / 1000; break;  // the live axis as saved with 3 decimals
                case 2: x = xs[std::min(j, n - 1)]; break;                   // exactly on live points (repeats at the end)
                case 3: x = from + j * 0.1; break;                           // denser
                case 4: x = from + j * 0.7; break;                           // sparser
                case 5: x = from + j * 0.25 + unit(rng) * 0.3; break;        // jittered, may fall
                case 6: x = from + unit(rng) * 200; break;                   // any order
                case 7: x = from + (j / 3) * 0.25; break;                    // runs of equal x
                default: x = from + j * 0.25 - (j == count / 2 ? 1.0 : 0.0); break;  // one fall
            }
            xd.push_back(x);
            yd.push_back(unit(rng) < 0.02 ? 0.0 : 500 + 1000 * unit(rng));
        }
        const CurveView file{xd.data(), yd.data(), count};
        referencePairs(live, file, plain);
        for (SimilarityMetric metric : kSimilarityMetrics) {
            for (bool normalize : {false, true}) {
                const SimilarityOptions options{metric, normalize};
                const double want = metric == SimilarityMetric::Score ? referenceScore(plain.s, plain.d, normalize)
                                                                      : scorePairs(plain, options);
                const Similarity got = similarity(prepared, file, options, scratch);
                EXPECT_TRUE(sameDoubleBits(got.score, want))
                    << "layout " << layout << " round " << round << " " << metricName(metric) << " " << normalize;
                EXPECT_EQ(got.pairs, static_cast<int>(plain.s.size()));
                EXPECT_TRUE(sameDoubleBits(similarity(live, file, options, scratch).score, want));
            }
        }
        pairWithLive(live, file, scratch);
        EXPECT_EQ(scratch.s, plain.s);
        EXPECT_EQ(scratch.d, plain.d);
        if (HasFailure()) return;
    }

    // A live axis that falls somewhere takes the plain walk and agrees too.
    std::vector<double> bent = xs;
    std::swap(bent[300], bent[301]);
    const CurveView bentLive{bent.data(), ys.data(), n};
    std::vector<double> xd(n), yd(ys);
    for (int j = 0; j < n; ++j) xd[j] = xs[j] + 0.1;
    const CurveView file{xd.data(), yd.data(), n};
    referencePairs(bentLive, file, plain);
    EXPECT_TRUE(sameDoubleBits(similarity(bentLive, file, kPlainScore, scratch).score, referenceScore(plain.s, plain.d, false)));
}

// A file's points as the loader keeps them.
struct ParsedFile {
    std::vector<double> x, y;
    bool truncated = false;
};

ParsedFile parse(std::string_view bytes) {
    ParsedFile f;
    f.x.resize(kMaxDataLines);
    f.y.resize(kMaxDataLines);
    const DatabaseRows rows = parseDatabaseRows(bytes, f.x.data(), f.y.data());
    f.x.resize(rows.points);
    f.y.resize(rows.points);
    f.truncated = rows.truncated;
    return f;
}

TEST(DatabaseFileRead, LineEndsAndOrder) {
    const ParsedFile crlf = parse(fileText(1, "\r\n")), lf = parse(fileText(1, "\n")), cr = parse(fileText(1, "\r"));
    ASSERT_EQ(crlf.x.size(), 10u);
    EXPECT_EQ(lf.x, crlf.x);
    EXPECT_EQ(lf.y, crlf.y);
    EXPECT_EQ(cr.x, crlf.x);

    const ParsedFile down = parse("3 30\r\n2 20\r\n1 10");
    EXPECT_EQ(down.x, (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(down.y, (std::vector<double>{10, 20, 30}));

    std::string many;
    for (int i = 0; i < 5000; ++i) many += std::to_string(i) + "\t1\n";
    const ParsedFile big = parse(many);
    EXPECT_EQ(big.x.size(), 4096u);
    EXPECT_TRUE(big.truncated);
}

class DatabaseFolder : public ::testing::Test {
protected:
    TempFolder dir;
    SpectralDatabase db;
};

TEST_F(DatabaseFolder, ExampleRanksBestFirst) {
    dir.write("a_same.txt", fileText(1, "\r\n"));
    dir.write("b_far.txt", fileText(1, "\r\n", 100));
    dir.write("c_triple.txt", fileText(3, "\r\n"));
    std::vector<std::string> progress;
    const auto summary = loadDatabaseFolder(db, dir.str(), [&](const std::string& t) { progress.push_back(t); });
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->entries, 3);
    EXPECT_EQ(db.m_dbCount, 3);
    EXPECT_EQ(db.m_dbBar.list, (std::vector<std::string>{"a_same.txt", "b_far.txt", "c_triple.txt"}));
    EXPECT_EQ(db.m_dbBar.folderText, dir.str());
    EXPECT_EQ(db.m_dbBar.skippedText, "");
    EXPECT_EQ(progress, (std::vector<std::string>{"loading: 1 / 3", "loading: 2 / 3", "loading: 3 / 3",
                                                  "Make comparison"}));
    EXPECT_EQ(db.m_dbPoints, (std::vector<std::int32_t>{10, 10, 10}));

    progress.clear();
    compareDatabase(db, live(), [&](const std::string& t) { progress.push_back(t); });
    EXPECT_EQ(progress, (std::vector<std::string>{"done: 0 / 3", "done: 1 / 3", "done: 2 / 3", "Make comparison"}));
    EXPECT_NEAR(db.m_dbScore[0], 100, 1e-9);
    EXPECT_NEAR(db.m_dbScore[1], 100 - 100 * 2 / std::sqrt(10.0), 1e-9);
    EXPECT_EQ(db.m_dbScore[2], kNoOverlapScore);
    EXPECT_EQ(db.m_dbPairs, (std::vector<std::int32_t>{10, 10, 0}));
    EXPECT_EQ(db.m_dbBar.list, (std::vector<std::string>{"100 - a_same.txt", "37 - c_triple.txt", "-1000 - b_far.txt"}));
    EXPECT_EQ(db.m_dbNames[2], "c_triple.txt");
    EXPECT_EQ(db.m_dbCurrent, -1);
    // Rank 1's points moved with it.
    EXPECT_DOUBLE_EQ(databaseFile(db, 1).y[0], 3 * liveAt(0.5));

    db.m_dbBar.normalizeChecked = true;
    compareDatabase(db, live());
    EXPECT_TRUE(db.m_dbNormalize);
    EXPECT_NEAR(db.m_dbScore[0], 100, 1e-9);
    EXPECT_NEAR(db.m_dbScore[1], 100, 1e-9);
    EXPECT_EQ(db.m_dbBar.list[2], "-1000 - b_far.txt");

    // Every metric finds the same shape identical; one with nothing to pair
    // still scores -1000.
    for (SimilarityMetric metric : {SimilarityMetric::Hqi, SimilarityMetric::Pearson}) {
        db.m_dbBar.metric = metric;
        compareDatabase(db, live());
        EXPECT_EQ(db.m_dbMetric, metric);
        EXPECT_NEAR(db.m_dbScore[0], 100, 1e-9) << metricName(metric);
        EXPECT_NEAR(db.m_dbScore[1], 100, 1e-9) << metricName(metric);
        EXPECT_EQ(db.m_dbScore[2], kNoOverlapScore) << metricName(metric);
    }
}

TEST_F(DatabaseFolder, EqualScoresKeepDatabaseOrder) {
    for (const char* name : {"d4.txt", "d1.txt", "d3.txt", "d2.txt"}) dir.write(name, fileText(2, "\n"));
    dir.write("e0.txt", fileText(1, "\n"));
    ASSERT_TRUE(loadDatabaseFolder(db, dir.str()));
    compareDatabase(db, live());
    EXPECT_EQ(db.m_dbNames[1], "e0.txt");
    EXPECT_EQ(db.m_dbNames[2], "d1.txt");
    EXPECT_EQ(db.m_dbNames[3], "d2.txt");
    EXPECT_EQ(db.m_dbNames[5], "d4.txt");
    // A second comparison starts from the ranked order and keeps it.
    compareDatabase(db, live());
    EXPECT_EQ(db.m_dbNames[2], "d1.txt");
    EXPECT_EQ(db.m_dbNames[5], "d4.txt");
}

TEST_F(DatabaseFolder, LfOnlyAndCrLfFilesLoadAlike) {
    dir.write("crlf.txt", fileText(1, "\r\n"));
    dir.write("lf.txt", fileText(1, "\n"));
    ASSERT_TRUE(loadDatabaseFolder(db, dir.str()));
    ASSERT_EQ(db.m_dbPoints, (std::vector<std::int32_t>{10, 10}));
    const CurveView a = databaseFile(db, 0), b = databaseFile(db, 1);
    EXPECT_TRUE(std::equal(a.x, a.x + 10, b.x));
    EXPECT_TRUE(std::equal(a.y, a.y + 10, b.y));
    compareDatabase(db, live());
    EXPECT_EQ(db.m_dbScore[0], db.m_dbScore[1]);
}

TEST_F(DatabaseFolder, EntriesWithoutSpectraAreLeftOutAndCounted) {
    fs::create_directory(dir / "sub");
    dir.write("empty.txt", "");
    dir.write("notes.md", "# Lamp spectra\r\nSaved at 10 ms: lamp, LED.\r\n");
    dir.write("Y00123.clbr", "VS014.2403Y00123\r\n2.5e-3\r\n532.1\r\n339.9\r\n340.1\r\n");
    dir.write("inf.txt", "1.5 1e999\r\n2.5 1\r\n");
    dir.write("z_good.txt", fileText(1, "\r\n"));
    const bool root = geteuid() == 0;
    if (!root) {
        dir.write("locked.txt", fileText(1, "\r\n"));
        fs::permissions(dir / "locked.txt", fs::perms::none);
    }
    const auto summary = loadDatabaseFolder(db, dir.str());
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->entries, root ? 6 : 7);
    EXPECT_EQ(summary->spectra, 2);
    EXPECT_EQ(summary->skipped, root ? 1 : 2);
    EXPECT_EQ(summary->empty, 3);
    // Only the spectra are listed; the rest is counted with its reason.
    EXPECT_EQ(db.m_dbBar.list, (std::vector<std::string>{"inf.txt", "z_good.txt"}));
    std::vector<std::string> skipped;
    for (const SkippedEntry& e : db.m_dbSkipped) skipped.push_back(e.name + ": " + e.reason);
    std::vector<std::string> want{"Y00123.clbr: no data lines", "empty.txt: no data lines"};
    if (!root) want.push_back("locked.txt: unreadable");
    want.push_back("notes.md: no data lines");
    want.push_back("sub: not a regular file");
    EXPECT_EQ(skipped, want);
    EXPECT_EQ(db.m_dbBar.skippedText, std::to_string(want.size()) + " entries without spectrum data skipped");
    EXPECT_EQ(skippedEntriesText(1), "1 entry without spectrum data skipped");

    compareDatabase(db, live());
    EXPECT_EQ(db.m_dbNames[1], "z_good.txt");
    // A value too large for a double makes its line no data line: inf.txt
    // keeps its other point, and no infinity reaches a score.
    EXPECT_EQ(db.m_dbPoints, (std::vector<std::int32_t>{10, 1}));
    for (const double score : db.m_dbScore) EXPECT_TRUE(std::isfinite(score));
}

TEST(DatabaseRanking, ScoresJustBelowZeroShowAsZero) {
    EXPECT_EQ(rankedEntryText(-0.3, "a.txt"), "0 - a.txt");
    EXPECT_EQ(rankedEntryText(-0.5, "a.txt"), "0 - a.txt");  // "%.0f" rounds it to even: -0
    EXPECT_EQ(rankedEntryText(-0.0, "a.txt"), "0 - a.txt");
    EXPECT_EQ(rankedEntryText(-0.51, "a.txt"), "-1 - a.txt");
    EXPECT_EQ(rankedEntryText(99.5, "a.txt"), "100 - a.txt");
}

TEST_F(DatabaseFolder, ShowEntryReplacesCurvesAfterTheLiveOne) {
    dir.write("a.txt", fileText(3, "\r\n"));
    ASSERT_TRUE(loadDatabaseFolder(db, dir.str()));
    auto store = std::make_unique<SpectrumStore>();
    for (int i = 0; i <= 10; ++i) {
        store->m_storedX[i] = i;
        store->m_storedY[i] = liveY(i);
    }
    store->m_storedLength[0] = 10;
    // Two snapshots on the chart.
    store->m_storedLength[1] = 10;
    store->m_storedLength[2] = 10;
    store->m_storedLength[3] = -1;
    ASSERT_TRUE(showDatabaseEntry(db, *store, 0));
    EXPECT_EQ(store->m_storedCount, 1);
    EXPECT_EQ(store->m_storedLength[1], 9);
    EXPECT_EQ(store->m_storedLength[2], -1);
    EXPECT_EQ(store->m_storedRed[1], 200);
    EXPECT_EQ(store->m_storedGreen[1], 300);
    EXPECT_EQ(store->m_storedBlue[1], 400);
    EXPECT_EQ(store->m_storedVisible[1], 1);
    EXPECT_EQ(store->m_storedX[11], 0.5);
    EXPECT_DOUBLE_EQ(store->m_storedY[11], 3 * liveAt(0.5));
    EXPECT_EQ(db.m_dbCurrent, 0);

    db.m_dbBar.normalizeChecked = true;
    ASSERT_TRUE(showDatabaseEntry(db, *store, 0));
    // Scaled so both peaks have the live maximum (110).
    double top = -1;
    for (int i = 11; i <= 20; ++i) top = std::max(top, store->m_storedY[i]);
    EXPECT_DOUBLE_EQ(top, 110);
    EXPECT_FALSE(showDatabaseEntry(db, *store, 1));
    EXPECT_FALSE(showDatabaseEntry(db, *store, -1));
}

TEST_F(DatabaseFolder, UnlistableFolderChangesNothing) {
    dir.write("a.txt", fileText(1, "\r\n"));
    ASSERT_TRUE(loadDatabaseFolder(db, dir.str()));
    std::string error;
    EXPECT_FALSE(loadDatabaseFolder(db, (dir / "missing").string(), {}, &error));
    EXPECT_NE(error.find("missing"), std::string::npos);
    EXPECT_EQ(db.m_dbCount, 1);
    EXPECT_EQ(db.m_dbFolder, dir.str());
    EXPECT_EQ(db.m_dbBar.list, (std::vector<std::string>{"a.txt"}));
}

// A library of spectra on one grid, as one instrument saves them: a live
// spectrum must find its own kind first by a wide margin with every metric,
// normalised or not, whether the files share the live grid or lie between
// its points.
TEST_F(DatabaseFolder, LibraryOnTheLiveGridOrBetweenRanksTheRightSpectrumFirst) {
    const int n = 600;
    std::mt19937 rng(17);
    std::normal_distribution<double> noise(0, 15);
    auto axis = [](double i) { return 350 + 0.7 * i; };
    // Shapes: an incandescent lamp (a black body at 2856 K), a blue LED with
    // a phosphor hump, lines, and the lamp seen through a sample (a dip).
    auto planck = [](double x) { return 1 / (std::pow(x, 5) * (std::exp(1.4388e7 / (x * 2856)) - 1)); };
    auto lamp = [&](double x) { return 40000 * planck(x) / planck(770); };
    auto led = [](double x) { return 1000 + 20000 * std::exp(-std::pow((x - 450) / 12, 2)) + 9000 * std::exp(-std::pow((x - 560) / 60, 2)); };
    auto lines = [](double x) { return 800 + 30000 * std::exp(-std::pow((x - 436) / 1.5, 2)) + 25000 * std::exp(-std::pow((x - 546) / 1.5, 2)); };
    auto sample = [&](double x) { return lamp(x) * (1 - 0.6 * std::exp(-std::pow((x - 600) / 40, 2))); };
    LiveSpectrum liveLamp;
    for (int i = 0; i < n; ++i) {
        liveLamp.x.push_back(axis(i));
        liveLamp.y.push_back(lamp(axis(i)) + noise(rng));
    }
    for (double offset : {0.0, 0.37}) {
        TempFolder folder;
        const std::pair<const char*, std::function<double(double)>> kinds[] = {
            {"lamp.txt", lamp}, {"led.txt", led}, {"lines.txt", lines}, {"sample.txt", sample}};
        for (const auto& [name, shape] : kinds) {
            std::string text;
            for (int i = 0; i < n; ++i) {
                char row[64];
                // Another acquisition: the same scene at 60 % of the counts.
                std::snprintf(row, sizeof row, "%.3f\t%.3f\r\n", axis(i + offset), 0.6 * shape(axis(i + offset)) + noise(rng));
                text += row;
            }
            folder.write(name, text);
        }
        ASSERT_TRUE(loadDatabaseFolder(db, folder.str()));
        for (SimilarityMetric metric : kSimilarityMetrics) {
            for (bool normalize : {false, true}) {
                db.m_dbBar.metric = metric;
                db.m_dbBar.normalizeChecked = normalize;
                compareDatabase(db, liveLamp);
                const std::string what = std::string(metricName(metric)) + (normalize ? " normalised" : "") +
                                         (offset != 0 ? " between" : " on the grid");
                EXPECT_EQ(db.m_dbNames[1], "lamp.txt") << what;
                EXPECT_GT(db.m_dbPairs[0], n - 3) << what;
                // The score metric without normalisation sees the 60 % too.
                if (metric != SimilarityMetric::Score || normalize) {
                    EXPECT_GT(db.m_dbScore[0], 95) << what;
                }
                EXPECT_GT(db.m_dbScore[0] - db.m_dbScore[1], metric == SimilarityMetric::Hqi ? 1 : 5) << what;
            }
        }
    }
}

}  // namespace
}  // namespace halden
