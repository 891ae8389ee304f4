// halden-cli baseline and raman-calibrate, end to end: the built program on
// spectrum files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "files/CalibrationText.h"
#include "files/LineGrammar.h"
#include "spectrum/Baseline.h"
#include "spectrum/PlasticCalibration.h"
#include "support/CliRunner.h"

namespace halden {
namespace {

namespace fs = std::filesystem;

using test::CliResult;
using test::readFile;

// The true calibration of the simulated Raman instrument.
double trueWavelength(int i) { return 530.0 + 0.03 * i - 1.0e-6 * i * i; }

class CliAnalysis : public ::testing::Test {
protected:
    test::ScratchDir scratch{"halden-cli-analysis"};
    const fs::path dir = scratch.path();

    CliResult run(const std::string& args) { return test::runCli(args, dir); }

    std::string write(const std::string& name, const std::string& text) {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }

    // Rows "x<sep>y" CR LF after a header line, as the application writes them.
    std::string writeSpectrum(const std::string& name, const std::vector<double>& x,
                              const std::vector<double>& y, const char* sep = " ") {
        std::string text = "Wavelength Intensity\r\n";
        char line[128];
        for (std::size_t i = 0; i < x.size(); ++i) {
            std::snprintf(line, sizeof line, "%.6f%s%.6f\r\n", x[i], sep, y[i]);
            text += line;
        }
        return write(name, text);
    }

    // A polystyrene Raman spectrum on a sloping background, measured with a
    // calibration that is 0.6 nm too long: bands at their true wavelengths.
    std::string writePolystyrene(const std::string& name, double offsetNm = 0.6) {
        const double bands[] = {620.9, 795.8, 1001.4, 1031.8, 1155.3, 1583.1, 1602.3};
        const double heights[] = {900, 250, 3000, 600, 400, 500, 1200};
        std::vector<double> x(kSpectrumPoints), y(kSpectrumPoints);
        for (int i = 0; i < kSpectrumPoints; ++i) {
            const double w = trueWavelength(i);
            x[i] = w + offsetNm;
            y[i] = 200 + 0.05 * i;
            for (int k = 0; k < 7; ++k) {
                const double d = (w - expectedBandWavelength(532.1, bands[k])) / 0.12;
                y[i] += heights[k] * std::exp(-0.5 * d * d);
            }
        }
        return writeSpectrum(name, x, y);
    }
};

TEST_F(CliAnalysis, HelpAndUsageErrors) {
    for (const char* command : {"baseline", "raman-calibrate"}) {
        const CliResult help = run(std::string(command) + " --help");
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_NE(help.out.find("Usage: halden-cli " + std::string(command)), std::string::npos);
        EXPECT_NE(run(command).status, 0);
    }
    const std::string in = write("in.txt", "1 2\r\n2 3\r\n");
    for (const std::string& args : std::vector<std::string>{
             "baseline '" + in + "'", "baseline '" + in + "' --window x -o o.txt",
          "baseline '" + in + "' --iterations -1 -o o.txt", "baseline '" + in + "' --bogus -o o.txt",
          "baseline '" + (dir / "missing.txt").string() + "' -o o.txt",
          "raman-calibrate '" + in + "' --laser 0 -o o.clbr", "raman-calibrate -o o.clbr"}) {
        const CliResult r = run(args);
        EXPECT_NE(r.status, 0) << args;
        EXPECT_EQ(r.err.rfind("halden-cli: ", 0), 0u) << args << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << args << ": " << r.err;
    }
}

TEST_F(CliAnalysis, BaselineOfAStraightLineIsZeroAndRowsKeepTheirX) {
    std::vector<double> x, y;
    for (int i = 0; i <= 3652; ++i) {
        x.push_back(400 + 0.1 * i);
        y.push_back(1000 - 0.2 * i);
    }
    const std::string in = writeSpectrum("line.txt", x, y, "\t");
    const fs::path out = dir / "line-corrected.txt";
    const CliResult r = run("baseline '" + in + "' -o '" + out.string() + "'");
    ASSERT_EQ(r.status, 0) << r.err;

    const std::string text = readFile(out);
    EXPECT_EQ(text.rfind("400.000 ", 0), 0u);
    EXPECT_EQ(text.find("\r\n400.100 "), text.find('\n') - 1);
    const DataLines rows = readDataLines(text);
    ASSERT_EQ(rows.x.size(), x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        ASSERT_NEAR(rows.x[i], x[i], 0.0005) << i;
        ASSERT_NEAR(rows.y[i], 0.0, 0.0011) << i;
    }
}

TEST_F(CliAnalysis, BaselineMatchesTheCoreWithTheGivenWindowAndIterations) {
    std::vector<double> x, y;
    for (int i = 0; i < 800; ++i) {
        x.push_back(i);
        y.push_back(50 + 0.001 * i * i / 10 + 400 * std::exp(-(i - 300) * (i - 300) / 80.0) + 20 * std::sin(i / 9.0));
    }
    const std::string in = writeSpectrum("peaks.txt", x, y);
    const fs::path out = dir / "peaks-corrected.txt";
    ASSERT_EQ(run("baseline '" + in + "' --window 7 --iterations 20 -o '" + out.string() + "'").status, 0);

    // The core on the values as the file holds them (six decimals).
    std::vector<double> expected = readDataLines(readFile(in)).y;
    estimateBaseline(expected.data(), static_cast<int>(expected.size()) - 1, 8, 20);
    std::string text;
    char line[96];
    for (std::size_t i = 0; i < x.size(); ++i) {
        std::snprintf(line, sizeof line, "%.3f %.3f\r\n", x[i], expected[i]);
        text += line;
    }
    EXPECT_EQ(readFile(out), text);
}

TEST_F(CliAnalysis, BaselineFailureLeavesAnExistingOutputAlone) {
    const fs::path out = dir / "keep.txt";
    std::ofstream(out, std::ios::binary) << "old";
    const std::string in = write("empty.txt", "no data here\r\n");
    const CliResult r = run("baseline '" + in + "' -o '" + out.string() + "'");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("no data lines"), std::string::npos);
    EXPECT_EQ(readFile(out), "old");
}

TEST_F(CliAnalysis, RamanCalibrateCorrectsASyntheticPolystyreneSpectrum) {
    const std::string in = writePolystyrene("polystyrene.txt");
    const fs::path out = dir / "corrected";  // ".clbr" is appended
    const CliResult r = run("raman-calibrate '" + in + "' -o '" + out.string() + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(out.string() + ".clbr\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("band 1001.4 1/cm"), std::string::npos) << r.out;

    const ParsedCalibration c =
        parseCalibrationText(readFile(out.string() + ".clbr"), CalibrationLayout::File);
    ASSERT_TRUE(c.accepted()) << c.refusal;
    ASSERT_TRUE(c.complete);
    EXPECT_EQ(std::string(c.header.data(), 16), "R0000.0000PLASTC");
    EXPECT_NEAR(c.laserWavelength, 532.1, 1e-6);
    // The 0.6 nm error is gone: within about a point (0.03 nm) near the bands
    // and well within 0.1 nm across the whole table.
    for (int i = 600; i <= 1800; ++i) ASSERT_NEAR(c.wavelength[i], trueWavelength(i), 0.04) << i;
    for (int i = 0; i < kSpectrumPoints; ++i) ASSERT_NEAR(c.wavelength[i], trueWavelength(i), 0.1) << i;
    EXPECT_DOUBLE_EQ(c.sensitivity[100], 1.0);
    EXPECT_DOUBLE_EQ(c.irradianceCal[3000], 1.0);
}

TEST_F(CliAnalysis, RamanCalibrateKeepsTheBaseCalibrationAndItsPointOrder) {
    // A base calibration in detector order (wavelength falling), with a
    // sensitivity table that shows the order.
    std::vector<double> wl(kSpectrumPoints), sens(kSpectrumPoints), irr(kSpectrumPoints, 2.5);
    for (int i = 0; i < kSpectrumPoints; ++i) {
        wl[i] = trueWavelength(i) + 0.6;
        sens[i] = 1.0 + i * 0.001;
    }
    CalibrationSource base;
    std::memcpy(base.header.data(), "R1234.5678Y12345", 16);
    base.irradianceFactor = 3.5;
    base.laserWavelength = 785.0;  // overridden by --laser below
    base.wavelength = wl;
    base.sensitivity = sens;
    base.irradianceCal = irr;
    base.increasing = false;  // written reversed
    const CalibrationText baseText = formatCalibrationText(base, CalibrationLayout::File);
    ASSERT_TRUE(baseText.ok()) << baseText.refusal;
    const std::string basePath = write("base.clbr", baseText.text);

    const std::string in = writePolystyrene("polystyrene.txt");
    const fs::path out = dir / "new.clbr";
    const CliResult r = run("raman-calibrate '" + in + "' --laser 532.1 --calibration '" + basePath +
                      "' -o '" + out.string() + "'");
    ASSERT_EQ(r.status, 0) << r.err;

    const ParsedCalibration c = parseCalibrationText(readFile(out), CalibrationLayout::File);
    ASSERT_TRUE(c.complete);
    EXPECT_EQ(std::string(c.header.data(), 16), "R1234.5678Y12345");
    EXPECT_NEAR(c.irradianceFactor, 3.5, 1e-6);
    EXPECT_NEAR(c.laserWavelength, 532.1, 1e-6);
    // Text order is detector order again: falling wavelengths, reversed tables.
    EXPECT_NEAR(c.wavelength[0], trueWavelength(3652), 0.1);
    EXPECT_NEAR(c.wavelength[3652], trueWavelength(0), 0.1);
    EXPECT_NEAR(c.sensitivity[0], sens[3652], 0.0005);
    EXPECT_NEAR(c.irradianceCal[10], 2.5, 0.0005);
}

TEST_F(CliAnalysis, RamanCalibrateRefusesASpectrumWithoutTheBands) {
    std::vector<double> x(kSpectrumPoints), y(kSpectrumPoints, 0.0);
    for (int i = 0; i < kSpectrumPoints; ++i) x[i] = trueWavelength(i);
    const std::string flat = writeSpectrum("flat.txt", x, y);
    const fs::path out = dir / "flat.clbr";
    CliResult r = run("raman-calibrate '" + flat + "' -o '" + out.string() + "'");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("no peak was found between 521 and 721 1/cm"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(out));

    x.resize(100);
    y.resize(100);
    r = run("raman-calibrate '" + writeSpectrum("short.txt", x, y) + "' -o '" + out.string() + "'");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("holds 100 data lines"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace halden
