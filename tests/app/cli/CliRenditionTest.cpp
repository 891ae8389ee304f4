// halden-cli colour's colour rendition figures and the colour vector graphic.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "colour/ColourRendition.h"
#include "support/CliRunner.h"

namespace halden {
namespace {

namespace fs = std::filesystem;

class CliRendition : public ::testing::Test {
protected:
    test::ScratchDir scratch{"halden-cli-rendition"};
    const fs::path dir = scratch.path();

    test::CliResult run(const std::string& args) { return test::runCli("colour " + args, dir); }

    // A 3000 K lamp with a dip in the green from `from` to `to` nm.
    std::string writeLamp(const std::string& name, double from, double to) {
        std::string text = "Wavelength\tIntensity\r\n";
        for (double nm = from; nm <= to + 1e-9; nm += 0.25) {
            const double v = 1e15 * std::pow(nm, -5) / std::expm1(1.4388e7 / (nm * 3000)) *
                             (1 - 0.4 * std::exp(-0.5 * std::pow((nm - 530) / 20, 2)));
            char line[96];
            std::snprintf(line, sizeof line, "%.17g\t%.17g\r\n", nm, v);
            text += line;
            x.push_back(nm);
            y.push_back(v);
        }
        std::ofstream(dir / name, std::ios::binary) << text;
        return (dir / name).string();
    }
    std::vector<double> x, y;
};

double numberAfter(const std::string& text, const std::string& key) {
    const std::size_t at = text.find(key);
    if (at == std::string::npos) return NAN;
    return std::strtod(text.c_str() + at + key.size(), nullptr);
}

TEST_F(CliRendition, TextAndJsonCarryTheFigures) {
    const std::string file = writeLamp("lamp.txt", 350, 900);
    const ColourRendition want = computeColourRendition(y.data(), x.data(), static_cast<int>(x.size()) - 1);
    ASSERT_TRUE(want.ok) << want.error;

    const test::CliResult text = run("'" + file + "'");
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NEAR(numberAfter(text.out, "\nRf = "), want.Rf, 0.05);
    EXPECT_NEAR(numberAfter(text.out, "\nRg = "), want.Rg, 0.05);
    EXPECT_NEAR(numberAfter(text.out, "\nDuv = "), want.duv, 5e-5);

    const test::CliResult json = run("--json '" + file + "'");
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_DOUBLE_EQ(numberAfter(json.out, "\"Rf\": "), want.Rf);
    EXPECT_DOUBLE_EQ(numberAfter(json.out, "\"Rg\": "), want.Rg);
    EXPECT_DOUBLE_EQ(numberAfter(json.out, "\"Duv\": "), want.duv);
    // Lists of 16, bin 1 first.
    for (const char* key : {"\"Rf_h\": [", "\"Rcs_h\": [", "\"Rhs_h\": ["}) {
        const std::size_t at = json.out.find(key);
        ASSERT_NE(at, std::string::npos) << key;
        const std::size_t end = json.out.find(']', at);
        const std::string list = json.out.substr(at, end - at);
        EXPECT_EQ(std::count(list.begin(), list.end(), ','), 15) << list;
    }
    EXPECT_DOUBLE_EQ(numberAfter(json.out, "\"Rcs_h\": ["), want.RcsHue[0]);
    EXPECT_EQ(json.out.find("rendition_error"), std::string::npos);
}

TEST_F(CliRendition, ShortSpectrumKeepsTheOtherFiguresAndSaysWhy) {
    const std::string file = writeLamp("short.txt", 400, 700);
    const test::CliResult text = run("'" + file + "'");
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("Rf, Rg, Duv: none (the spectrum covers 400.0-700.0 nm; colour rendition needs all of "
                            "380-780 nm)"),
              std::string::npos)
        << text.out;
    const test::CliResult json = run("--json '" + file + "'");
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_NE(json.out.find("\"Rf\": null"), std::string::npos);
    EXPECT_NE(json.out.find("\"Rcs_h\": null"), std::string::npos);
    EXPECT_NE(json.out.find("\"rendition_error\": \"the spectrum covers 400.0-700.0 nm"), std::string::npos);
    EXPECT_NE(json.out.find("\"Ra\": "), std::string::npos);

    // No graphic is drawn for it, and nothing is left behind.
    const test::CliResult graphic = run("'" + file + "' --vector-graphic '" + (dir / "cvg.png").string() + "'");
    EXPECT_NE(graphic.status, 0);
    EXPECT_NE(graphic.err.find("no colour vector graphic"), std::string::npos) << graphic.err;
    EXPECT_FALSE(fs::exists(dir / "cvg.png"));
}

TEST_F(CliRendition, DrawsTheVectorGraphicInEachFormat) {
    const std::string file = writeLamp("lamp.txt", 350, 900);
    for (const char* name : {"cvg.png", "cvg.svg", "cvg.PDF"}) {
        const test::CliResult r = run("'" + file + "' --vector-graphic '" + (dir / name).string() + "'");
        ASSERT_EQ(r.status, 0) << name << ": " << r.err;
        ASSERT_TRUE(fs::exists(dir / name)) << name;
        EXPECT_GT(fs::file_size(dir / name), 500u) << name;
    }
    // A PNG of 800 x 800 (the header's width and height, big-endian).
    const std::string png = test::readFile(dir / "cvg.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    auto be32 = [&](std::size_t at) {
        return (unsigned char)png[at] << 24 | (unsigned char)png[at + 1] << 16 | (unsigned char)png[at + 2] << 8 |
               (unsigned char)png[at + 3];
    };
    EXPECT_EQ(be32(16), 800);
    EXPECT_EQ(be32(20), 800);
    EXPECT_NE(test::readFile(dir / "cvg.svg").find("<svg"), std::string::npos);
    EXPECT_EQ(test::readFile(dir / "cvg.PDF").substr(0, 5), "%PDF-");

    test::CliResult r = run("'" + file + "' --vector-graphic '" + (dir / "cvg.jpg").string() + "'");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("needs the extension .png, .svg or .pdf"), std::string::npos) << r.err;
    EXPECT_NE(run("'" + file + "' --vector-graphic").status, 0);
    r = run("'" + file + "' --vector-graphic '" + (dir / "no" / "cvg.png").string() + "'");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace halden
