#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "database/DatabaseCommands.h"
#include "database/DatabaseScoring.h"
#include "database/Similarity.h"
#include "database/SimilarityPairs.h"
#include "database/SpectralDatabase.h"

namespace halden {
namespace {

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The normalised score as stated: every s divided by the largest s, every d
// by the largest d (a largest value of 0 leaves them), each term in double,
// summed in order in long double.
double dividedScore(const std::vector<double>& s, const std::vector<double>& d) {
    auto largestOf = [](const std::vector<double>& v) {
        double top = -100000.0;
        for (double a : v)
            if (a > top) top = a;
        return top == 0 ? 1.0 : top;
    };
    const double bys = largestOf(s), byd = largestOf(d);
    long double a = 0, b = 0;
    for (std::size_t k = 0; k < s.size(); ++k) {
        const double sv = s[k] / bys, dv = d[k] / byd;
        const double sq = sv * sv, dq = dv * dv;
        a += std::fabs(sv - dv);
        b += std::sqrt(sq + dq);
    }
    const long double r = b != 0 ? a / b : a;
    return static_cast<double>(100 - 100 * r);
}

constexpr SimilarityOptions kScore{}, kNormalised{SimilarityMetric::Score, true};

double normalisedScore(const std::vector<double>& s, const std::vector<double>& d) {
    PairScratch p{s, d, {}, {}};
    return scorePairs(p, kNormalised);
}

// Score agreement to about 1e-12 relative to the sums' ratio.
void expectCloseScores(double got, double want) { EXPECT_NEAR(got, want, 1e-10) << "got " << got << " want " << want; }

// Points half way between the live points, each scale times the live value
// interpolated there (as the pairing interpolates it).
void scaledBetween(const std::vector<double>& xs, const std::vector<double>& ys, double scale,
                   std::vector<double>& xd, std::vector<double>& yd) {
    xd.clear();
    yd.clear();
    for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
        const double x = (xs[i] + xs[i + 1]) / 2;
        xd.push_back(x);
        yd.push_back(scale * (ys[i] + ((ys[i + 1] - ys[i]) * (x - xs[i])) / (xs[i + 1] - xs[i])));
    }
}

TEST(NormalisedScore, AgreesWithDividingByTheLargestValues) {
    std::mt19937 rng(77);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int round = 0; round < 200; ++round) {
        // Lengths around the vector widths, magnitudes from 1e-6 to 1e9, some
        // negative values.
        const int n = 1 + static_cast<int>(unit(rng) * 40) + (round % 3 == 0 ? 3000 : 0);
        const double scaleS = std::pow(10.0, -6 + 15 * unit(rng)), scaleD = std::pow(10.0, -6 + 15 * unit(rng));
        std::vector<double> s(n), d(n);
        for (int k = 0; k < n; ++k) {
            s[k] = scaleS * (unit(rng) - 0.1);
            d[k] = scaleD * (unit(rng) - 0.1);
        }
        expectCloseScores(normalisedScore(s, d), dividedScore(s, d));
        if (HasFailure()) return;
    }
}

TEST(NormalisedScore, SameShapeScoresOneHundred) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<double> s(1001);
    for (double& v : s) v = 1000 + 40000 * unit(rng);
    // Identical values: exactly 100, normalised or not.
    EXPECT_EQ(normalisedScore(s, s), 100);
    PairScratch p{s, s, {}, {}};
    EXPECT_EQ(scorePairs(p, kScore), 100);

    // A file 7.5 times the live spectrum, sampled half way between the live
    // points: every interval pairs, each file value 7.5 times the live value
    // interpolated there.
    const int n = 500;
    std::vector<double> xs(n), ys(n);
    for (int i = 0; i < n; ++i) {
        xs[i] = 300 + 0.21 * i;
        ys[i] = 1000 + 900 * std::sin(i * 0.03) + 30 * unit(rng);
    }
    std::vector<double> xd, yd;
    scaledBetween(xs, ys, 7.5, xd, yd);
    const CurveView live{xs.data(), ys.data(), n}, file{xd.data(), yd.data(), n - 1};
    pairWithLive(live, file, p);
    ASSERT_EQ(p.s.size(), static_cast<std::size_t>(n - 1));  // every interval
    PairScratch scratch;
    EXPECT_NEAR(similarity(live, file, kNormalised, scratch).score, 100, 1e-12);
    EXPECT_LT(similarity(live, file, kScore, scratch).score, 50);
}

TEST(NormalisedScore, LargestValueZeroLeavesTheValues) {
    // d's largest value is exactly 0: d stays as it is, s is divided by 4.
    const std::vector<double> s{1, 2, 4, 3};
    const std::vector<double> d{0, -1, -3, -2};
    expectCloseScores(normalisedScore(s, d), dividedScore(s, d));
    expectCloseScores(normalisedScore(d, s), dividedScore(d, s));
    // Both all zero: identical, 100.
    EXPECT_EQ(normalisedScore({0, 0, 0}, {0, 0, 0}), 100);
    // -0 as the largest value counts as 0 too.
    expectCloseScores(normalisedScore({-0.0, -2, -1}, {1, 2, 3}), dividedScore({-0.0, -2, -1}, {1, 2, 3}));
}

TEST(NormalisedScore, ExtremeMagnitudesScoreAsDivided) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> unit(0.1, 1);
    // Crosswise products of these overflow (both near 1e200) or vanish
    // (both near 1e-200); divided, every value is near 1.
    for (double scaleS : {1e200, 1e-200, 1.0, 1e300, 1e-300}) {
        for (double scaleD : {1e200, 1e-200, 1.0, 1e-310}) {
            std::vector<double> s(37), d(37);
            for (std::size_t k = 0; k < s.size(); ++k) {
                s[k] = scaleS * unit(rng);
                d[k] = scaleD * unit(rng);
            }
            const double want = dividedScore(s, d);
            ASSERT_TRUE(std::isfinite(want));
            EXPECT_GT(want, 0);
            expectCloseScores(normalisedScore(s, d), want);
            expectCloseScores(normalisedScore(s, s), 100);
        }
    }
    // Moderate largest values, but one value whose crosswise square overflows
    // where the divided one does not.
    std::vector<double> s{1, 2, 3, -1e150}, d{1e5, 2e5, 3e5, 1e5};
    ASSERT_TRUE(std::isfinite(dividedScore(s, d)));
    expectCloseScores(normalisedScore(s, d), dividedScore(s, d));
}

// A live spectrum and a database built in memory.
struct Database {
    SpectralDatabase db;
    std::shared_ptr<DatabasePools> pools = std::make_shared<DatabasePools>();
    std::vector<double> liveX, liveY;

    explicit Database(int livePoints) {
        std::mt19937 rng(3);
        std::uniform_real_distribution<double> unit(0, 1);
        for (int i = 0; i < livePoints; ++i) {
            liveX.push_back(300 + 0.2 * i + 1e-6 * i * i);
            liveY.push_back(1000 + 800 * std::sin(i * 0.02) + 20 * unit(rng));
        }
        db.m_dbPools = pools;
    }
    void add(const std::vector<double>& x, const std::vector<double>& y) {
        db.m_dbNames.push_back("file" + std::to_string(db.m_dbCount) + ".txt");
        db.m_dbOffsets.push_back(static_cast<std::int64_t>(pools->x.size()));
        db.m_dbPoints.push_back(static_cast<std::int32_t>(x.size()));
        pools->x.insert(pools->x.end(), x.begin(), x.end());
        pools->y.insert(pools->y.end(), y.begin(), y.end());
        db.m_dbScore.push_back(0);
        db.m_dbPairs.push_back(0);
        ++db.m_dbCount;
    }
    CurveView live() const { return {liveX.data(), liveY.data(), static_cast<int>(liveX.size())}; }
    LiveSpectrum liveCopy() const { return {liveX, liveY}; }
    CurveView file(int k) const { return databaseFile(db, k); }
    DatabaseFiles files() const {
        return {pools.get(), db.m_dbPoints.data(), db.m_dbOffsets.data(), db.m_dbCount};
    }
    // scoreDatabase into m_dbScore / m_dbPairs.
    void score(SimilarityOptions options, const ScoringProgress& progress, int threads) {
        scoreDatabase(files(), live(), options, db.m_dbScore.data(), db.m_dbPairs.data(), progress, threads);
    }
};

// Files of every kind the pairing meets: empty, one point, outside the live
// range, on, between and off the live axis, falling or repeating x, NaN and
// infinite values.
void addMixedFiles(Database& db, int count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int f = 0; f < count; ++f) {
        const int kind = f % 10;
        int n = kind == 0 ? 0 : kind == 1 ? 1 : 1 + static_cast<int>(unit(rng) * 1500);
        std::vector<double> x(n), y(n);
        const double from = 280 + unit(rng) * 100;
        for (int j = 0; j < n; ++j) {
            switch (kind) {
                case 1: x[j] = 300 + unit(rng) * 400; break;
                case 2: x[j] = 2000 + j; break;  // no overlap
                case 3: x[j] = db.liveX[std::min<std::size_t>(j, db.liveX.size() - 1)]; break;
                case 4: x[j] = from + j * 0.3 - (j == n / 2 ? 2.0 : 0.0); break;  // one fall
                case 5: x[j] = from + (j / 3) * 0.2; break;                       // runs of equal x
                case 6: x[j] = from + (n - j) * 0.2; break;                       // descending
                default: x[j] = from + j * (0.05 + unit(rng) * 0.4); break;
            }
            y[j] = (kind == 7 && j == n / 3)   ? std::numeric_limits<double>::quiet_NaN()
                   : (kind == 8 && j == n / 4) ? std::numeric_limits<double>::infinity()
                                               : 500 + 30000 * unit(rng) * unit(rng);
        }
        db.add(x, y);
    }
}

struct ProgressLog {
    std::vector<int> scored;
    bool otherThread = false;
};

ScoringProgress recorder(ProgressLog& log) {
    const std::thread::id caller = std::this_thread::get_id();
    return [&log, caller](int k) {
        if (std::this_thread::get_id() != caller) log.otherThread = true;
        log.scored.push_back(k);
    };
}

// Counts from 0 to n - 1, strictly increasing, all from the calling thread.
void expectCounts(const ProgressLog& log, int n) {
    EXPECT_FALSE(log.otherThread);
    ASSERT_FALSE(log.scored.empty());
    EXPECT_TRUE(std::is_sorted(log.scored.begin(), log.scored.end()));
    EXPECT_EQ(std::adjacent_find(log.scored.begin(), log.scored.end()), log.scored.end());
    EXPECT_EQ(log.scored.front(), 0);
    EXPECT_EQ(log.scored.back(), n - 1);
}

TEST(ThreadedScoring, EveryScoreAsComputedAlone) {
    Database db(1200);
    addMixedFiles(db, 300, 42);
    const int n = db.db.m_dbCount;
    PairScratch scratch;
    for (SimilarityMetric metric : kSimilarityMetrics) {
        for (bool normalize : {false, true}) {
            const SimilarityOptions options{metric, normalize};
            std::vector<Similarity> alone(n);
            for (int k = 0; k < n; ++k) alone[k] = similarity(db.live(), db.file(k), options, scratch);
            for (int threads : {1, 3, 0}) {
                std::fill(db.db.m_dbScore.begin(), db.db.m_dbScore.end(), 12345.0);
                ProgressLog log;
                db.score(options, recorder(log), threads);
                for (int k = 0; k < n; ++k) {
                    ASSERT_TRUE(sameBits(db.db.m_dbScore[k], alone[k].score))
                        << "file " << k << " threads " << threads << " " << metricName(metric) << " " << normalize;
                    ASSERT_EQ(db.db.m_dbPairs[k], alone[k].pairs);
                }
                expectCounts(log, n);
            }
            // The mix holds each kind of result.
            int none = 0, nan = 0;
            for (double v : db.db.m_dbScore) {
                none += v == kNoOverlapScore;
                nan += std::isnan(v);
            }
            EXPECT_GT(none, 30);
            // (The files holding them pair fewer points than the derivative's window.)
            if (metric != SimilarityMetric::Derivative) {
                EXPECT_GT(nan, 0) << metricName(metric) << " " << normalize;
            }
        }
    }
}

TEST(ThreadedScoring, SmallAndEmptyDatabases) {
    Database db(50);
    ProgressLog log;
    db.score(kScore, recorder(log), 4);
    EXPECT_TRUE(log.scored.empty());  // nothing to score, nothing reported

    std::vector<std::string> texts;
    compareDatabase(db.db, db.liveCopy(), [&](const std::string& t) { texts.push_back(t); });
    EXPECT_EQ(texts, (std::vector<std::string>{kMakeComparisonText}));

    // One file, more threads asked for than there are files.
    db.add({310, 311, 312}, {1, 2, 3});
    db.score(kNormalised, recorder(log), 8);
    EXPECT_EQ(log.scored, (std::vector<int>{0}));
    PairScratch scratch;
    EXPECT_TRUE(sameBits(db.db.m_dbScore[0], similarity(db.live(), db.file(0), kNormalised, scratch).score));
}

TEST(ThreadedScoring, RankingKeepsDatabaseOrderForEqualScores) {
    // Enough points for compareDatabase to use more than one thread where
    // there is more than one hardware thread; groups of identical files
    // spread through the database score alike and must keep their order.
    auto build = [](Database& db) {
        std::mt19937 rng(8);
        std::uniform_real_distribution<double> unit(0, 1);
        std::vector<std::vector<double>> shapes(5);
        for (auto& y : shapes) {
            y.resize(1800);
            for (double& v : y) v = 800 + 3000 * unit(rng);
        }
        std::vector<double> x(1800);
        for (int j = 0; j < 1800; ++j) x[j] = 300.1 + 0.2 * j;
        for (int f = 0; f < 600; ++f) {
            if (f % 97 == 5)
                db.add({}, {});
            else if (f % 89 == 7)
                db.add({310}, {std::numeric_limits<double>::quiet_NaN()});
            else
                db.add(x, shapes[(f * 7) % 5]);
        }
    };
    const int n = 600;
    for (bool normalize : {false, true}) {
        Database copy(2000);
        build(copy);
        copy.db.m_dbBar.normalizeChecked = normalize;
        std::vector<std::string> texts;
        std::vector<int> current;
        compareDatabase(copy.db, copy.liveCopy(), [&](const std::string& t) {
            texts.push_back(t);
            current.push_back(copy.db.m_dbCurrent);
        });
        ASSERT_GE(texts.size(), 3u);
        EXPECT_EQ(texts.front(), "done: 0 / 600");
        EXPECT_EQ(texts[texts.size() - 2], "done: 599 / 600");
        EXPECT_EQ(texts.back(), kMakeComparisonText);
        for (std::size_t i = 0; i + 1 < texts.size(); ++i)
            EXPECT_EQ(texts[i], "done: " + std::to_string(current[i]) + " / 600");
        EXPECT_EQ(copy.db.m_dbCurrent, -1);

        const SpectralDatabase& s = copy.db;
        auto indexOf = [&](int r) { return std::stoi(s.m_dbNames[r + 1].substr(4)); };
        for (int r = 0; r + 1 < n; ++r) {
            const double a = s.m_dbScore[r], b = s.m_dbScore[r + 1];
            if (std::isnan(a)) {
                EXPECT_TRUE(std::isnan(b)) << "rank " << r;
            } else {
                EXPECT_TRUE(std::isnan(b) || a >= b) << "rank " << r;
            }
            if (sameBits(a, b) || (std::isnan(a) && std::isnan(b))) {
                EXPECT_LT(indexOf(r), indexOf(r + 1)) << "rank " << r;
            }
        }
        // Every file's points moved with its name and score.
        PairScratch scratch;
        for (int r = 0; r < n; ++r)
            ASSERT_TRUE(sameBits(s.m_dbScore[r], similarity(copy.live(), databaseFile(s, r), {SimilarityMetric::Score, normalize}, scratch).score));
        // The 7 empty files rank just before the 7 with a NaN value.
        EXPECT_EQ(s.m_dbScore[n - 14], kNoOverlapScore);
        EXPECT_EQ(s.m_dbScore[n - 8], kNoOverlapScore);
        EXPECT_TRUE(std::isnan(s.m_dbScore[n - 7]));
    }
}

TEST(ThreadedScoring, NonFiniteValuesRankAsDivided) {
    // Normalised, values that defeat the crosswise products give the same
    // score, and so the same ranking, as the divided form.
    Database db(100);
    auto fileLike = [&](double scale, double special, int where) {
        std::vector<double> x, y;
        scaledBetween(db.liveX, db.liveY, scale, x, y);
        if (where >= 0) y[where] = special;
        db.add(x, y);
    };
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    fileLike(3, -1e153, 40);  // file0: one value far below the rest
    fileLike(1, nan, 10);     // file1: a NaN value
    fileLike(1e200, 0, -1);   // file2: huge values
    fileLike(1, inf, 20);     // file3: +inf
    fileLike(1, -inf, 30);    // file4: -inf
    fileLike(1e-200, 0, -1);  // file5: tiny values
    fileLike(1, 0, -1);       // file6: the live spectrum itself
    // The divided form of each file's pairs.
    PairScratch pairs;
    std::vector<double> want;
    for (int k = 0; k < db.db.m_dbCount; ++k) {
        pairWithLive(db.live(), db.file(k), pairs);
        want.push_back(dividedScore(pairs.s, pairs.d));
    }
    db.db.m_dbBar.normalizeChecked = true;
    compareDatabase(db.db, db.liveCopy());
    const SpectralDatabase& s = db.db;
    for (int r = 0; r < s.m_dbCount; ++r) {
        const int k = std::stoi(s.m_dbNames[r + 1].substr(4));
        if (std::isnan(want[k]))
            EXPECT_TRUE(std::isnan(s.m_dbScore[r])) << s.m_dbNames[r + 1];
        else
            expectCloseScores(s.m_dbScore[r], want[k]);
    }
    // The same shape at any scale scores 100 (the live spectrum itself
    // exactly); NaN, +inf and -inf score NaN and come last, in database order.
    EXPECT_EQ(s.m_dbNames[1], "file2.txt");
    EXPECT_EQ(s.m_dbNames[2], "file5.txt");
    EXPECT_EQ(s.m_dbNames[3], "file6.txt");
    EXPECT_EQ(s.m_dbScore[2], 100);
    EXPECT_EQ(s.m_dbNames[4], "file0.txt");
    EXPECT_EQ(s.m_dbNames[5], "file1.txt");
    EXPECT_EQ(s.m_dbNames[6], "file3.txt");
    EXPECT_EQ(s.m_dbNames[7], "file4.txt");
}

TEST(ThreadedScoring, FailingProgressCallbackStopsTheWork) {
    Database db(500);
    addMixedFiles(db, 400, 9);
    // The first report ("0 done") comes before the helpers start; how many
    // come while they run depends on the machine's pace, but a second one
    // always follows (during the work, or the closing "all done"). It throws.
    int calls = 0;
    auto failing = [&](int) {
        if (++calls == 2) throw std::runtime_error("cancelled");
    };
    EXPECT_THROW(db.score(kScore, failing, 2), std::runtime_error);
    EXPECT_EQ(calls, 2);
    // The database is usable afterwards.
    ProgressLog log;
    db.score(kScore, recorder(log), 2);
    expectCounts(log, db.db.m_dbCount);
}

}  // namespace
}  // namespace halden
