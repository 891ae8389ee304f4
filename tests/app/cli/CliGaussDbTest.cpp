#include <gtest/gtest.h>


#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/CliRunner.h"

namespace {

namespace fs = std::filesystem;

using halden::test::CliResult;
const auto& slurp = halden::test::readFile;

class CliGaussDb : public ::testing::Test {
protected:
    halden::test::ScratchDir scratch{"halden-cli-gdb"};
    const fs::path dir = scratch.path();

    void SetUp() override { fs::create_directories(dir / "db"); }
    void write(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

    CliResult run(const std::string& args) { return halden::test::runCli(args, dir); }
    std::string path(const std::string& name) { return "'" + (dir / name).string() + "'"; }
};

TEST_F(CliGaussDb, CompareRanksFolderAgainstFile) {
    write(dir / "live.txt", "x y\r\n0 10\r\n1 11\r\n2 14\r\n3 19\r\n4 26\r\n");
    write(dir / "db" / "b_triple.txt", "0.5 31.5\n1.5 37.5\n2.5 49.5\n");  // LF only
    write(dir / "db" / "a_same.txt", "0.5 10.5\r\n1.5 12.5\r\n2.5 16.5\r\n");
    write(dir / "db" / "c_far.txt", "50 1\r\n60 2\r\n");
    write(dir / "db" / "d_same.txt", "0.5 10.5\r\n1.5 12.5\r\n2.5 16.5\r\n");

    CliResult r = run("compare " + path("live.txt") + " " + path("db"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "100 - a_same.txt\n100 - d_same.txt\n37 - b_triple.txt\n-1000 - c_far.txt\n");
    EXPECT_NE(r.err.find("compared 4 spectra"), std::string::npos) << r.err;

    r = run("compare " + path("live.txt") + " " + path("db") + " --normalize");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "100 - a_same.txt\n100 - b_triple.txt\n100 - d_same.txt\n-1000 - c_far.txt\n");
}

TEST_F(CliGaussDb, CompareFailuresAndHelp) {
    write(dir / "live.txt", "0 1\r\n1 2\r\n");
    write(dir / "words.txt", "no data here\r\n");
    for (const std::string& args : std::vector<std::string>{"compare " + path("missing.txt") + " " + path("db"),
                                   "compare " + path("live.txt") + " " + path("nofolder"),
                                   "compare " + path("words.txt") + " " + path("db"), "compare " + path("live.txt"),
                                   "compare " + path("live.txt") + " " + path("db") + " --bogus",
                                   "compare " + path("live.txt") + " " + path("db") + " --metric",
                                   "compare " + path("live.txt") + " " + path("db") + " --metric cosine"}) {
        const CliResult r = run(args);
        EXPECT_NE(r.status, 0) << args;
        EXPECT_TRUE(r.out.empty()) << args;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    const CliResult help = run("compare --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: halden-cli compare FILE FOLDER [--normalize]"), std::string::npos);
}

// One "files" entry of compare --json.
struct Ranked {
    std::string name;
    double score = 0;
    int pairs = 0;
};

// The entries {"name": "...", "score": S, "pairs": N} of the JSON text, in
// order; the name as written, escapes kept. Stops at the first entry that
// does not have that shape.
std::vector<Ranked> rankedFiles(const std::string& json) {
    const std::string open = "{\"name\": \"", score = "\", \"score\": ", pairs = ", \"pairs\": ";
    std::vector<Ranked> out;
    for (std::size_t at = json.find(open); at != std::string::npos; at = json.find(open, at)) {
        std::size_t end = at + open.size();
        while (end < json.size() && json[end] != '"') end += json[end] == '\\' ? 2 : 1;
        if (end >= json.size() || json.compare(end, score.size(), score) != 0) break;
        Ranked r;
        r.name = json.substr(at + open.size(), end - at - open.size());
        const std::size_t scoreAt = end + score.size(), comma = json.find(',', scoreAt);
        if (comma == std::string::npos || json.compare(comma, pairs.size(), pairs) != 0) break;
        r.score = std::stod(json.substr(scoreAt, comma - scoreAt));
        const std::size_t pairsAt = comma + pairs.size(), close = json.find('}', pairsAt);
        if (close == std::string::npos) break;
        r.pairs = std::stoi(json.substr(pairsAt, close - pairsAt));
        out.push_back(r);
        at = close;
    }
    return out;
}

TEST_F(CliGaussDb, CompareJsonListsScoresPairsAndTheEntriesLeftOut) {
    write(dir / "live.txt", "x y\r\n0 10\r\n1 11\r\n2 14\r\n3 19\r\n4 26\r\n");
    write(dir / "db" / "b_triple.txt", "0.5 31.5\n1.5 37.5\n2.5 49.5\n");
    write(dir / "db" / "a_same.txt", "0.5 10.5\r\n1.5 12.5\r\n2.5 16.5\r\n");
    write(dir / "db" / "c_far.txt", "50 1\r\n60 2\r\n");
    write(dir / "db" / "notes \"draft\".md", "Lamp: 10 ms\r\n");
    fs::create_directories(dir / "db" / "sub");

    const CliResult r = run("compare " + path("live.txt") + " " + path("db") + " --json --metric hqi");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("{\"metric\": \"hqi\", \"normalize\": false,", 0), 0u) << r.out;
    const std::vector<Ranked> files = rankedFiles(r.out);
    ASSERT_EQ(files.size(), 3u) << r.out;
    EXPECT_EQ(files[0].name, "a_same.txt");
    EXPECT_EQ(files[0].score, 100);
    EXPECT_EQ(files[0].pairs, 3);
    EXPECT_EQ(files[1].name, "b_triple.txt");  // the same shape, three times as high
    EXPECT_NEAR(files[1].score, 100, 1e-12);
    EXPECT_EQ(files[2].name, "c_far.txt");
    EXPECT_EQ(files[2].score, -1000);
    EXPECT_EQ(files[2].pairs, 0);
    EXPECT_NE(r.out.find("\"skipped\": [\n  {\"name\": \"notes \\\"draft\\\".md\", \"reason\": \"no data lines\"},\n"
                         "  {\"name\": \"sub\", \"reason\": \"not a regular file\"}\n ]}\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.err.find("2 of 5 entries skipped"), std::string::npos) << r.err;

    // Full precision: the three-times-as-high file's score to 17 digits.
    const CliResult score = run("compare " + path("live.txt") + " " + path("db") + " --json");
    const std::vector<Ranked> plain = rankedFiles(score.out);
    ASSERT_EQ(plain.size(), 3u) << score.out;
    EXPECT_NEAR(plain[1].score, 100 - 100 * 2 / std::sqrt(10.0), 1e-12);
    EXPECT_EQ(plain[1].name, "b_triple.txt");
}

// Spectra saved by one instrument share its wavelengths. The live lamp must
// find the lamp's file first, by a wide margin, with every metric,
// normalised or not; a falling copy of the live file ranks as it does.
TEST_F(CliGaussDb, InstrumentSpectraRankTheirOwnSceneFirstByEveryMetric) {
    for (const char* scene : {"lamp", "led", "fluorescent", "sample"}) {
        const CliResult r = halden::test::runCliIn(dir, {"--virtual", "acquire", "-o", std::string("db/") + scene},
                                                   {}, 180, {std::string("VANTREL_VIRTUAL_SCENE=") + scene});
        ASSERT_EQ(r.status, 0) << scene << ": " << r.err;
    }
    // The live spectrum: a second acquisition of the lamp (other noise).
    const CliResult live = halden::test::runCliIn(dir, {"--virtual", "acquire", "--count", "2", "-o", "live"}, {}, 180,
                                                  {"VANTREL_VIRTUAL_SCENE=lamp"});
    ASSERT_EQ(live.status, 0) << live.err;
    const std::string liveText = slurp(dir / "live_S1_2_.txt");
    ASSERT_NE(liveText, slurp(dir / "db" / "lamp.txt"));

    std::string rising;  // the same file with its rows in falling order
    std::vector<std::string> rows;
    std::istringstream lines(liveText);
    for (std::string row; std::getline(lines, row);) rows.push_back(row + "\n");
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) rising += *it;
    write(dir / "falling.txt", rising);

    for (const char* metric : {"score", "hqi", "pearson", "derivative"}) {
        for (const char* normalize : {"", " --normalize"}) {
            const std::string options = std::string(" --json --metric ") + metric + normalize;
            const CliResult r = run("compare " + path("live_S1_2_.txt") + " " + path("db") + options);
            ASSERT_EQ(r.status, 0) << r.err;
            const std::vector<Ranked> files = rankedFiles(r.out);
            ASSERT_EQ(files.size(), 4u) << r.out;
            EXPECT_EQ(files[0].name, "lamp.txt") << metric << normalize;
            EXPECT_EQ(files[0].pairs, 3653) << metric << normalize;
            // (The sample scene is the lamp seen through a sample: close in
            // shape, which the derivative tells apart best.)
            const bool shapeOnly = std::string(metric) == "hqi" || std::string(metric) == "pearson";
            EXPECT_GT(files[0].score - files[1].score, shapeOnly ? 3 : 8) << metric << normalize;
            const CliResult falling = run("compare " + path("falling.txt") + " " + path("db") + options);
            EXPECT_EQ(falling.out, r.out) << metric << normalize;
        }
    }
    // Against its own rising copy, the falling file is the same spectrum.
    fs::create_directories(dir / "own");
    fs::copy_file(dir / "live_S1_2_.txt", dir / "own" / "rising.txt");
    const CliResult own = run("compare " + path("falling.txt") + " " + path("own"));
    EXPECT_EQ(own.out, "100 - rising.txt\n");
}

TEST_F(CliGaussDb, GaussPrintsChartTextsAndJson) {
    // The peak of the bug report: c = 546.07, w = 4, a = 20000, b = 1500,
    // written with "%.3f"; the search alone stopped at w = 3.875.
    std::string text;
    for (int i = 0; i < 3653; ++i) {
        const double x = 400 + 0.1 * i;
        const double d = (x - 546.07) / 1.0;  // w / 4
        char row[64];
        std::snprintf(row, sizeof row, "%.3f\t%.3f\r\n", x, 20000 * std::exp(-d * d) + 1500);
        text += row;
    }
    write(dir / "peak.txt", text);

    const CliResult shown = run("gauss " + path("peak.txt"));
    ASSERT_EQ(shown.status, 0) << shown.err;
    const CliResult json = run("gauss " + path("peak.txt") + " --json");
    ASSERT_EQ(json.status, 0) << json.err;
    auto field = [&](const std::string& key) {
        const auto at = json.out.find("\"" + key + "\": ");
        EXPECT_NE(at, std::string::npos) << key;
        return at == std::string::npos ? NAN : std::strtod(json.out.c_str() + at + key.size() + 4, nullptr);
    };
    const double center = field("center"), width = field("width");
    EXPECT_NEAR(center, 546.07, 1e-3);
    EXPECT_NEAR(width, 4, 4e-4);
    EXPECT_NEAR(field("amplitude"), 20000, 2);
    EXPECT_NEAR(field("offset"), 1500, 0.15);
    EXPECT_DOUBLE_EQ(field("fwhm"), width * std::sqrt(std::log(2.0)) / 2);
    // Only the "%.3f" rounding is left over: residuals of about 0.0003.
    EXPECT_LT(field("residual_rms"), 0.001);
    for (const char* key : {"amplitude_se", "center_se", "width_se", "offset_se"}) {
        EXPECT_GT(field(key), 0) << key;
        EXPECT_LT(field(key), 1e-3) << key;
    }
    EXPECT_GE(field("sweeps"), 4);
    EXPECT_EQ(field("points"), 3653);

    // The chart's texts: the centre, and 0.48 w as the width; then the FWHM.
    char expected[160];
    std::snprintf(expected, sizeof expected, "center: %.2f nm\nWidth %.2f nm\nFWHM %.2f nm\n", center, 0.48 * width,
                  width * std::sqrt(std::log(2.0)) / 2);
    EXPECT_EQ(shown.out, expected);
    EXPECT_EQ(shown.out, "center: 546.07 nm\nWidth 1.92 nm\nFWHM 1.67 nm\n");
}

TEST_F(CliGaussDb, GaussJsonOfAFlatSpectrumHasNoNaN) {
    std::string text;
    for (int i = 0; i < 500; ++i) text += std::to_string(400 + i) + " 250\r\n";
    write(dir / "flat.txt", text);
    const CliResult json = run("gauss " + path("flat.txt") + " --json");
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out.find("nan"), std::string::npos) << json.out;
    EXPECT_EQ(json.out.find("inf"), std::string::npos) << json.out;
    // Centre and width are undetermined on a flat spectrum.
    EXPECT_NE(json.out.find("\"center_se\": null"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"residual_rms\": 0,"), std::string::npos) << json.out;
}

TEST_F(CliGaussDb, GaussFailuresAndHelp) {
    write(dir / "short.txt", "1 2\r\n2 3\r\n3 4\r\n");
    for (const std::string& args : std::vector<std::string>{"gauss " + path("missing.txt"), "gauss " + path("short.txt"), "gauss",
                                   "gauss " + path("db")}) {
        const CliResult r = run(args);
        EXPECT_NE(r.status, 0) << args;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    const CliResult help = run("gauss --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("center: %.2f nm"), std::string::npos);
}

}  // namespace
