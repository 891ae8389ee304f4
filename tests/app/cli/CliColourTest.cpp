// halden-cli colour, end to end: the built program on spectrum files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "colour/Colorimetry.h"
#include "colour/CriReport.h"
#include "support/CliRunner.h"

namespace halden {
namespace {

namespace fs = std::filesystem;

using CliRun = test::CliResult;
const auto& readAll = test::readFile;

class CliColour : public ::testing::Test {
protected:
    test::ScratchDir scratch{"halden-cli-colour"};
    const fs::path dir = scratch.path();

    CliRun run(const std::string& args) { return test::runCli("colour " + args, dir); }

    // A 3000 K black body with a dip, as a spectrum file (CR LF, tab separated).
    std::string writeSpectrum(const std::string& name, bool falling, std::vector<double>& x, std::vector<double>& y) {
        for (double nm = 350; nm <= 900; nm += 0.25) {
            x.push_back(nm);
            y.push_back(1e15 * std::pow(nm, -5) / std::expm1(1.438776877e7 / (nm * 3000)) *
                        (1 - 0.3 * std::exp(-0.5 * std::pow((nm - 520) / 15, 2))));
        }
        std::string text = "Wavelength\tIntensity\r\n";
        for (std::size_t i = 0; i < x.size(); ++i) {
            const std::size_t k = falling ? x.size() - 1 - i : i;
            char line[96];
            std::snprintf(line, sizeof line, "%.17g\t%.17g\r\n", x[k], y[k]);
            text += line;
        }
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
};

ColorimetryResult expected(std::vector<double> x, std::vector<double> y) {
    ColorimetryResult r;
    computeColorimetry(y.data(), x.data(), static_cast<int>(x.size()) - 1, r);
    return r;
}

std::string withoutCr(std::string s) {
    std::erase(s, '\r');
    return s;
}

TEST_F(CliColour, PrintsTheFullReportAndWritesTheReportFile) {
    std::vector<double> x, y;
    const std::string file = writeSpectrum("lamp.txt", false, x, y);
    const std::string report = formatCriReport(expected(x, y), CriReportVariant::Full);

    const CliRun r = run("'" + file + "' --report '" + (dir / "lamp.cri").string() + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    // The report, then the colour rendition figures.
    const std::string head = withoutCr(report) + "\n";
    EXPECT_EQ(r.out.substr(0, head.size()), head);
    EXPECT_NE(r.out.find("\nRf = ", head.size() - 1), std::string::npos) << r.out;
    EXPECT_EQ(readAll(dir / "lamp.cri"), report);
    EXPECT_EQ(r.out.find("\r"), std::string::npos);

    // The same spectrum listed from red to blue prints the same report.
    std::vector<double> x2, y2;
    const CliRun falling = run("'" + writeSpectrum("falling.txt", true, x2, y2) + "'");
    ASSERT_EQ(falling.status, 0) << falling.err;
    EXPECT_EQ(falling.out, r.out);
}

TEST_F(CliColour, JsonHoldsEveryFigureAtFullPrecision) {
    std::vector<double> x, y;
    const std::string file = writeSpectrum("lamp.txt", false, x, y);
    const ColorimetryResult want = expected(x, y);
    const CliRun r = run("--json '" + file + "'");
    ASSERT_EQ(r.status, 0) << r.err;

    std::vector<std::string> names = {"x", "y", "z", "u", "v", "Tc", "DC"};
    for (int i = 1; i <= 14; ++i) names.push_back("DeltaE" + std::to_string(i));
    for (int i = 1; i <= 14; ++i) names.push_back("R" + std::to_string(i));
    names.push_back("Ra");
    names.push_back("Re");
    std::size_t at = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        char entry[96];
        std::snprintf(entry, sizeof entry, "\"%s\": %.17g", names[i].c_str(), want[i]);
        const std::size_t found = r.out.find(entry, at);
        EXPECT_NE(found, std::string::npos) << entry;
        if (found != std::string::npos) at = found;
    }
    const std::size_t lumen = r.out.find("\"lumen\": ");
    ASSERT_NE(lumen, std::string::npos);
    EXPECT_GT(std::strtod(r.out.c_str() + lumen + 9, nullptr), 0);
    EXPECT_EQ(r.out.front(), '{');
    EXPECT_EQ(r.out.substr(r.out.size() - 2), "}\n");
}

TEST_F(CliColour, RefusesMissingShortAndBadArguments) {
    CliRun r = run("'" + (dir / "absent.txt").string() + "'");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("cannot read"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());

    std::ofstream(dir / "one.txt", std::ios::binary) << "header\r\n500\t1.0\r\n";
    r = run("'" + (dir / "one.txt").string() + "'");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("at least two"), std::string::npos) << r.err;

    EXPECT_NE(run("").status, 0);
    EXPECT_NE(run("a.txt --bogus").status, 0);
    EXPECT_NE(run("a.txt --report").status, 0);

    std::vector<double> x, y;
    const std::string file = writeSpectrum("lamp.txt", false, x, y);
    r = run("'" + file + "' --report '" + (dir / "no" / "r.txt").string() + "'");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;

    r = run("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage: halden-cli colour FILE"), std::string::npos);
}

}  // namespace
}  // namespace halden
