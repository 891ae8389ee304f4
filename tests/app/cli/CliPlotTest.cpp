// halden-cli plot, end to end: pictures and their JSON description.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/CliRunner.h"

namespace halden {
namespace {

namespace fs = std::filesystem;

class CliPlot : public ::testing::Test {
protected:
    test::ScratchDir scratch{"halden-cli-plot"};
    const fs::path dir = scratch.path();

    test::CliResult run(const std::string& args) { return test::runCli("plot " + args, dir); }

    std::string write(const std::string& name, const std::string& text) {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << text;
        return "'" + p.string() + "'";
    }

    // 390..710 nm in 1 nm steps, a peak at 550 nm.
    std::string spectrum(const std::string& name) {
        std::string text;
        for (int nm = 390; nm <= 710; ++nm)
            text += std::to_string(nm) + "\t" + std::to_string(nm == 550 ? 900 : 100) + "\r\n";
        return write(name, text);
    }
};

TEST_F(CliPlot, JsonDescribesTicksMarkerAndTexts) {
    const auto r = run(spectrum("a.txt") + " --json --marker 550.2");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"size\": [1000, 700]"), std::string::npos) << r.out;
    // The bottom edge H - 2u leaves a band for the x title under the labels.
    EXPECT_NE(r.out.find("\"plot\": {\"left\": 75, \"right\": 975, \"top\": 17, \"bottom\": 655}"), std::string::npos);
    EXPECT_NE(r.out.find("\"xTitle\": \"Wavelength (nm)\", \"yTitle\": \"Counts\""), std::string::npos);
    EXPECT_NE(r.out.find("{\"text\": \"a.txt\""), std::string::npos);  // the legend
    EXPECT_NE(r.out.find("\"x\": {\"min\": 390, \"max\": 710}"), std::string::npos);
    EXPECT_NE(r.out.find("{\"value\": 400, \"label\": \"400\", \"pixel\": 103}"), std::string::npos);
    EXPECT_NE(r.out.find("\"marker\": {\"index\": 160, \"x\": 550, \"y\": 900}"), std::string::npos);
    EXPECT_NE(r.out.find("{\"text\": \"550.00 nm\""), std::string::npos);
}

TEST_F(CliPlot, PicturesInEveryFormat) {
    const std::string in = spectrum("a.txt") + " " + spectrum("b.txt");
    for (const char* ext : {"png", "bmp", "pdf", "svg"}) {
        const fs::path out = dir / (std::string("chart.") + ext);
        const auto r = run(in + " --chromaticity --energy --colour-bar --size 640x480 -o '" + out.string() + "'");
        ASSERT_EQ(r.status, 0) << ext << ": " << r.err;
        const std::string bytes = test::readFile(out);
        ASSERT_GT(bytes.size(), 100u) << ext;
        if (std::string(ext) == "png") {
            EXPECT_EQ(bytes.substr(1, 3), "PNG");
        }
        if (std::string(ext) == "bmp") {
            EXPECT_EQ(bytes.size(), 54u + 480u * 640u * 3u);
        }
        if (std::string(ext) == "pdf") {
            EXPECT_EQ(bytes.substr(0, 4), "%PDF");
        }
        if (std::string(ext) == "svg") {
            EXPECT_NE(bytes.find("<svg"), std::string::npos);
        }
    }
}

TEST_F(CliPlot, BadDataStillDraws) {
    const auto empty = run(write("empty.txt", "no numbers here\r\n") + " --json");
    EXPECT_EQ(empty.status, 0) << empty.err;
    EXPECT_NE(empty.out.find("\"marker\": null"), std::string::npos);
    const auto odd = run(write("odd.txt", "400\tnan\r\n500\tinf\r\n600\t1e300\r\n700\t5\r\n") +
                         " --x 700 400 --y 5 5 --size 30x20 --json");
    EXPECT_EQ(odd.status, 0) << odd.err;
    EXPECT_NE(odd.out.find("\"xTicks\": []"), std::string::npos);
}

TEST_F(CliPlot, UnreadableInputOrOutputFailsWithOneLine) {
    const auto missing = run("'" + (dir / "none.txt").string() + "' -o x.png");
    EXPECT_NE(missing.status, 0);
    EXPECT_EQ(std::count(missing.err.begin(), missing.err.end(), '\n'), 1) << missing.err;
    const auto badOut = run(spectrum("a.txt") + " -o '" + (dir / "no" / "x.png").string() + "'");
    EXPECT_NE(badOut.status, 0);
    EXPECT_NE(badOut.err.find("cannot write"), std::string::npos) << badOut.err;
    EXPECT_NE(run(spectrum("a.txt") + " -o x.gif").status, 0);
    EXPECT_NE(run(spectrum("a.txt") + " --size 0x10 -o x.png").status, 0);
}

}  // namespace
}  // namespace halden
