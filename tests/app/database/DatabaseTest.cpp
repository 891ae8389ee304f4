#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "database/DatabaseCommands.h"
#include "database/DatabaseFile.h"
#include "files/LineGrammar.h"
#include "DatabaseTestFolder.h"
#include "database/Similarity.h"
#include "database/SimilarityPairs.h"
#include "support/PromptRecorder.h"

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

std::unique_ptr<SpectrumStore> storeWithLive() {
    auto s = std::make_unique<SpectrumStore>();
    for (int i = 0; i <= 10; ++i) {
        s->m_storedX[i] = i;
        s->m_storedY[i] = liveY(i);
    }
    s->m_storedLength[0] = 10;
    s->m_storedLength[1] = -1;
    return s;
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

TEST(DatabaseSimilarity, PairsLastPointOfEachIntervalOpenAtTheTop) {
    const double xs[] = {0, 1, 2, 3, 4};
    const double ys[] = {0, 10, 20, 30, 40};
    const double xd[] = {0.5, 2.0, 2.5, 4.0, 5.0};
    const double yd[] = {1, 2, 3, 4, 5};
    PairScratch pairs;
    pairWithLive({xs, ys, 5}, {xd, yd, 5}, pairs);
    // 2.0 sits on a live point and is not paired; 4.0 is the live end point.
    EXPECT_EQ(pairs.s, (std::vector<double>{5, 25, 40}));
    EXPECT_EQ(pairs.d, (std::vector<double>{1, 3, 4}));

    const double far[] = {5, 6};
    pairWithLive({xs, ys, 5}, {far, yd, 2}, pairs);
    EXPECT_TRUE(pairs.s.empty());
    EXPECT_EQ(scorePairs(pairs, false), kNoOverlapScore);
    pairWithLive({xs, ys, 5}, {xd, yd, 0}, pairs);
    EXPECT_TRUE(pairs.s.empty());
}

TEST(DatabaseSimilarity, ScoreFormula) {
    PairScratch p{{2, 4}, {2, 4}, {}};
    EXPECT_DOUBLE_EQ(scorePairs(p, false), 100);
    p = {{1, 2}, {3, 6}, {}};
    EXPECT_NEAR(scorePairs(p, false), 100 - 100 * 2 / std::sqrt(10.0), 1e-12);
    p = {{1, 2}, {3, 6}, {}};
    EXPECT_DOUBLE_EQ(scorePairs(p, true), 100);
    p = {{0, 0}, {0, 0}, {}};  // B = 0: r = A = 0
    EXPECT_DOUBLE_EQ(scorePairs(p, true), 100);
    p = {{1, -1}, {-1, 1}, {}};  // opposite signs: the lowest an overlapping file scores
    EXPECT_DOUBLE_EQ(scorePairs(p, false), 100 - 100 * std::sqrt(2.0));
    EXPECT_GT(scorePairs(p, false), kNoOverlapScore);
}

// The pairing and score written out plainly, one pair at a time: the
// reference that the merge walk and the vector passes must match bit for bit
// (sums in four partial sums, pair k into sum k mod 4).
double referenceScore(const CurveView& live, const CurveView& file, bool normalize) {
    std::vector<double> s, d;
    const double* xs = live.x;
    const double* ys = live.y;
    const double* xd = file.x;
    const int last = live.count - 1, m = file.count - 1;
    if (live.count >= 1 && file.count >= 1 && !(xs[0] >= xd[m] || xs[last] <= xd[0])) {
        int p = 0;
        for (int i = 0; i < last; ++i) {
            while (xd[p] <= xs[i + 1] && p < m) ++p;
            if (p > 0) --p;
            if (xs[i] <= xd[p] && xd[p] < xs[i + 1]) {
                s.push_back(ys[i] + ((ys[i + 1] - ys[i]) * (xd[p] - xs[i])) / (xs[i + 1] - xs[i]));
                d.push_back(file.y[p]);
            }
        }
        if (xd[p] == xs[last]) {
            s.push_back(ys[last] + 0.0);
            d.push_back(file.y[p]);
        }
    }
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

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

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
    PairScratch scratch;

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
        for (bool normalize : {false, true}) {
            const double want = referenceScore(live, file, normalize);
            EXPECT_TRUE(sameBits(similarityScore(prepared, file, normalize, scratch), want))
                << "layout " << layout << " round " << round << " normalize " << normalize;
            EXPECT_TRUE(sameBits(similarityScore(live, file, normalize, scratch), want));
            pairWithLive(live, file, scratch);
            EXPECT_TRUE(sameBits(scorePairs(scratch, normalize), want));
        }
        if (HasFailure()) return;
    }

    // A live axis that falls somewhere takes the plain walk and agrees too.
    std::vector<double> bent = xs;
    std::swap(bent[300], bent[301]);
    const CurveView bentLive{bent.data(), ys.data(), n};
    std::vector<double> xd(n), yd(ys);
    for (int j = 0; j < n; ++j) xd[j] = xs[j] + 0.1;
    const CurveView file{xd.data(), yd.data(), n};
    EXPECT_TRUE(sameBits(similarityScore(bentLive, file, false, scratch), referenceScore(bentLive, file, false)));
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
    std::unique_ptr<SpectrumStore> store = storeWithLive();
};

TEST_F(DatabaseFolder, ExampleRanksBestFirst) {
    dir.write("a_same.txt", fileText(1, "\r\n"));
    dir.write("b_far.txt", fileText(1, "\r\n", 100));
    dir.write("c_triple.txt", fileText(3, "\r\n"));
    std::vector<std::string> progress;
    const auto summary = loadDatabaseFolder(*store, dir.str(), [&](const std::string& t) { progress.push_back(t); });
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->entries, 3);
    EXPECT_EQ(store->m_dbCount, 3);
    EXPECT_EQ(store->m_dbBar.list, (std::vector<std::string>{"a_same.txt", "b_far.txt", "c_triple.txt"}));
    EXPECT_EQ(store->m_dbBar.folderText, dir.str());
    EXPECT_EQ(progress, (std::vector<std::string>{"loading: 1 / 3", "loading: 2 / 3", "loading: 3 / 3",
                                                  "Make comparison"}));
    EXPECT_EQ(store->m_dbPoints, (std::vector<std::int32_t>{10, 10, 10}));

    progress.clear();
    compareDatabase(*store, [&](const std::string& t) { progress.push_back(t); });
    EXPECT_EQ(progress, (std::vector<std::string>{"done: 0 / 3", "done: 1 / 3", "done: 2 / 3", "Make comparison"}));
    EXPECT_NEAR(store->m_dbScore[0], 100, 1e-9);
    EXPECT_NEAR(store->m_dbScore[1], 100 - 100 * 2 / std::sqrt(10.0), 1e-9);
    EXPECT_EQ(store->m_dbScore[2], kNoOverlapScore);
    EXPECT_EQ(store->m_dbBar.list,
              (std::vector<std::string>{"100 - a_same.txt", "37 - c_triple.txt", "-1000 - b_far.txt"}));
    EXPECT_EQ(store->m_dbNames[2], "c_triple.txt");
    EXPECT_EQ(store->m_dbCurrent, -1);
    // Rank 1's points moved with it.
    EXPECT_DOUBLE_EQ(store->m_dbY[store->m_dbOffsets[1]], 3 * liveAt(0.5));

    store->m_dbBar.normalizeChecked = true;
    compareDatabase(*store);
    EXPECT_TRUE(store->m_dbNormalize);
    EXPECT_NEAR(store->m_dbScore[0], 100, 1e-9);
    EXPECT_NEAR(store->m_dbScore[1], 100, 1e-9);
    EXPECT_EQ(store->m_dbBar.list[2], "-1000 - b_far.txt");
}

TEST_F(DatabaseFolder, EqualScoresKeepDatabaseOrder) {
    for (const char* name : {"d4.txt", "d1.txt", "d3.txt", "d2.txt"}) dir.write(name, fileText(2, "\n"));
    dir.write("e0.txt", fileText(1, "\n"));
    ASSERT_TRUE(loadDatabaseFolder(*store, dir.str()));
    compareDatabase(*store);
    EXPECT_EQ(store->m_dbNames[1], "e0.txt");
    EXPECT_EQ(store->m_dbNames[2], "d1.txt");
    EXPECT_EQ(store->m_dbNames[3], "d2.txt");
    EXPECT_EQ(store->m_dbNames[5], "d4.txt");
    // A second comparison starts from the ranked order and keeps it.
    compareDatabase(*store);
    EXPECT_EQ(store->m_dbNames[2], "d1.txt");
    EXPECT_EQ(store->m_dbNames[5], "d4.txt");
}

TEST_F(DatabaseFolder, LfOnlyAndCrLfFilesLoadAlike) {
    dir.write("crlf.txt", fileText(1, "\r\n"));
    dir.write("lf.txt", fileText(1, "\n"));
    ASSERT_TRUE(loadDatabaseFolder(*store, dir.str()));
    ASSERT_EQ(store->m_dbPoints, (std::vector<std::int32_t>{10, 10}));
    EXPECT_TRUE(std::equal(store->m_dbX.begin(), store->m_dbX.begin() + 10, store->m_dbX.begin() + 10));
    EXPECT_TRUE(std::equal(store->m_dbY.begin(), store->m_dbY.begin() + 10, store->m_dbY.begin() + 10));
    compareDatabase(*store);
    EXPECT_EQ(store->m_dbScore[0], store->m_dbScore[1]);
}

TEST_F(DatabaseFolder, OddEntriesKeepZeroPointsAndRankLast) {
    fs::create_directory(dir / "sub");
    dir.write("empty.txt", "");
    dir.write("words.txt", "no numbers here\r\n");
    dir.write("inf.txt", "1.5 1e999\r\n2.5 1\r\n");
    dir.write("z_good.txt", fileText(1, "\r\n"));
    bool root = geteuid() == 0;
    if (!root) {
        dir.write("locked.txt", fileText(1, "\r\n"));
        fs::permissions(dir / "locked.txt", fs::perms::none);
    }
    const auto summary = loadDatabaseFolder(*store, dir.str());
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->entries, root ? 5 : 6);
    EXPECT_EQ(summary->skipped, root ? 1 : 2);
    EXPECT_EQ(summary->empty, 2);
    compareDatabase(*store);
    EXPECT_EQ(store->m_dbNames[1], "z_good.txt");
    // A value too large for a double makes its line no data line: inf.txt
    // keeps its other point, and no infinity reaches the pools or a score.
    EXPECT_EQ(std::count(store->m_dbPoints.begin(), store->m_dbPoints.end(), 1), 1);
    for (std::size_t k = 0; k < store->m_dbPoints.size(); ++k)
        for (std::int32_t i = 0; i < store->m_dbPoints[k]; ++i) {
            const auto at = static_cast<std::size_t>(store->m_dbOffsets[k] + i);
            EXPECT_TRUE(std::isfinite(store->m_dbX[at]) && std::isfinite(store->m_dbY[at])) << k;
        }
    for (const double score : store->m_dbScore) EXPECT_TRUE(std::isfinite(score));
    EXPECT_TRUE(showDatabaseEntry(*store, store->m_dbCount - 2));  // an entry without points
    EXPECT_EQ(store->m_storedLength[1], -1);
}

TEST_F(DatabaseFolder, ShowEntryReplacesCurvesAfterTheLiveOne) {
    dir.write("a.txt", fileText(3, "\r\n"));
    ASSERT_TRUE(loadDatabaseFolder(*store, dir.str()));
    // Two snapshots on the chart.
    store->m_storedLength[1] = 10;
    store->m_storedLength[2] = 10;
    store->m_storedLength[3] = -1;
    ASSERT_TRUE(showDatabaseEntry(*store, 0));
    EXPECT_EQ(store->m_storedCount, 1);
    EXPECT_EQ(store->m_storedLength[1], 9);
    EXPECT_EQ(store->m_storedLength[2], -1);
    EXPECT_EQ(store->m_storedRed[1], 200);
    EXPECT_EQ(store->m_storedGreen[1], 300);
    EXPECT_EQ(store->m_storedBlue[1], 400);
    EXPECT_EQ(store->m_storedVisible[1], 1);
    EXPECT_EQ(store->m_storedX[11], 0.5);
    EXPECT_DOUBLE_EQ(store->m_storedY[11], 3 * liveAt(0.5));
    EXPECT_EQ(store->m_dbCurrent, 0);

    store->m_dbBar.normalizeChecked = true;
    ASSERT_TRUE(showDatabaseEntry(*store, 0));
    // Scaled so both peaks have the live maximum (110).
    double top = -1;
    for (int i = 11; i <= 20; ++i) top = std::max(top, store->m_storedY[i]);
    EXPECT_DOUBLE_EQ(top, 110);
    EXPECT_FALSE(showDatabaseEntry(*store, 1));
    EXPECT_FALSE(showDatabaseEntry(*store, -1));
}

TEST_F(DatabaseFolder, UnlistableFolderChangesNothing) {
    dir.write("a.txt", fileText(1, "\r\n"));
    ASSERT_TRUE(loadDatabaseFolder(*store, dir.str()));
    std::string error;
    EXPECT_FALSE(loadDatabaseFolder(*store, (dir / "missing").string(), {}, &error));
    EXPECT_NE(error.find("missing"), std::string::npos);
    EXPECT_EQ(store->m_dbCount, 1);
    EXPECT_EQ(store->m_dbFolder, dir.str());

    test::PromptRecorder prompt;
    EXPECT_FALSE(loadDatabase(*store, prompt));  // Cancel
    EXPECT_EQ(store->m_dbCount, 1);
    prompt.folderAnswers.push_back((dir / "missing").string());
    EXPECT_FALSE(loadDatabase(*store, prompt));
    ASSERT_EQ(prompt.messages().size(), 1u);
    EXPECT_EQ(prompt.messages()[0].text, "UNABLE TO OPEN FILE");
    EXPECT_EQ(prompt.messages()[0].caption, "ERROR");
    prompt.folderAnswers.push_back(dir.str());
    EXPECT_TRUE(loadDatabase(*store, prompt));
}

}  // namespace
}  // namespace halden
