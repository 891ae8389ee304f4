// halden-cli colour's light figures end to end: the JSON keys, --units, the
// text, the PDF report, and what is printed when figures cannot be computed.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "colour/LightFigures.h"
#include "support/CliRunner.h"

namespace halden {
namespace {

namespace fs = std::filesystem;

class CliLight : public ::testing::Test {
protected:
    test::ScratchDir scratch{"halden-cli-light"};
    const fs::path dir = scratch.path();

    test::CliResult run(const std::string& args) { return test::runCli("colour " + args, dir); }

    std::string write(const std::string& name, const std::vector<double>& x, const std::vector<double>& y) {
        std::string text = "Wavelength\tIntensity\r\n";
        for (std::size_t i = 0; i < x.size(); ++i) {
            char line[96];
            std::snprintf(line, sizeof line, "%.17g\t%.17g\r\n", x[i], y[i]);
            text += line;
        }
        std::ofstream(dir / name, std::ios::binary) << text;
        return "'" + (dir / name).string() + "'";
    }

    // A white LED, 300..900 nm in 0.5 nm steps.
    std::string writeLed(const std::string& name) {
        x.clear();
        y.clear();
        for (int i = 0; i <= 1200; ++i) {
            const double nm = 300 + 0.5 * i;
            x.push_back(nm);
            y.push_back(std::exp(-0.5 * std::pow((nm - 450) / 10, 2)) + 0.6 * std::exp(-0.5 * std::pow((nm - 560) / 50, 2)));
        }
        return write(name, x, y);
    }
    std::vector<double> x, y;
};

// True when the output holds a NaN or an infinity printed as a number
// ("nan", "-inf"; not the letters inside a word such as "dominant").
bool printsNonFinite(const std::string& out) {
    for (const char* word : {"nan", "inf"})
        for (std::size_t at = out.find(word); at != std::string::npos; at = out.find(word, at + 1))
            if (at == 0 || !std::isalpha(static_cast<unsigned char>(out[at - 1]))) return true;
    return false;
}

// The number after `"key": ` following the text `after`, or NaN; null is NaN too.
double jsonNumber(const std::string& json, const std::string& after, const std::string& key) {
    const std::size_t from = json.find(after);
    if (from == std::string::npos) return NAN;
    const std::size_t at = json.find("\"" + key + "\": ", from);
    if (at == std::string::npos || json.compare(at + key.size() + 4, 4, "null") == 0) return NAN;
    return std::strtod(json.c_str() + at + key.size() + 4, nullptr);
}

TEST_F(CliLight, JsonCarriesEveryFigureByItsKeyAndUnits) {
    const std::string file = writeLed("led.txt");
    const LightFigures want = computeLightFigures(x.data(), y.data(), static_cast<int>(x.size()) - 1,
                                                  kWattsPerSquareMetrePerMicrowattPerSquareCm);
    const test::CliResult r = run(file + " --json --units uW/cm2/nm");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string& j = r.out;
    for (const char* key : {"u_prime", "v_prime", "dominant_wavelength", "complementary", "purity", "peak_wavelength",
                            "centroid_wavelength", "fwhm", "alpha_opic", "cqs", "ssi", "photon_flux", "Qa", "Qf",
                            "Qp", "Qg", "Q_i", "3200K", "D55", "matched", "PPFD", "ePPFD", "uv_a", "blue", "green",
                            "red", "far_red", "r_fr"})
        EXPECT_NE(j.find("\"" + std::string(key) + "\": "), std::string::npos) << key;
    for (int r = 0; r < kReceptors; ++r)
        for (const char* part : {"irradiance", "elr", "der", "edi"})
            EXPECT_TRUE(std::isfinite(jsonNumber(j, std::string("\"") + kReceptorKeys[r] + "\": {", part)))
                << kReceptorKeys[r] << "." << part;
    EXPECT_EQ(jsonNumber(j, "\"melanopic\": {", "edi"), want.alphaOpic[4].edi.value);
    EXPECT_EQ(jsonNumber(j, "\"photon_flux\": {", "PPFD"), want.photonFlux.ppfd.value);
    EXPECT_EQ(jsonNumber(j, "{", "fwhm"), want.fwhm.value);
    EXPECT_EQ(jsonNumber(j, "\"ssi\": {", "matched"), want.ssiMatched.value);
    EXPECT_NE(j.find("\"complementary\": false"), std::string::npos);
    EXPECT_NE(j.find("\"units\": \"uW/cm2/nm\""), std::string::npos);
    EXPECT_FALSE(printsNonFinite(j)) << j;

    // Relative values: the absolute figures are null, and the reasons say why.
    const test::CliResult relative = run(file + " --json");
    ASSERT_EQ(relative.status, 0) << relative.err;
    EXPECT_TRUE(std::isnan(jsonNumber(relative.out, "\"melanopic\": {", "edi")));
    EXPECT_NE(relative.out.find("\"alpha_opic.melanopic.edi\": \"needs spectral irradiance"), std::string::npos);
    EXPECT_NE(relative.out.find("\"photon_flux.PPFD\": \"needs spectral irradiance"), std::string::npos);
    EXPECT_EQ(jsonNumber(relative.out, "\"melanopic\": {", "der"), want.alphaOpic[4].der.value);
    EXPECT_EQ(jsonNumber(relative.out, "\"photon_flux\": {", "r_fr"), want.photonFlux.redFarRed.value);

    // W/m2/nm is 100 times uW/cm2/nm; other units are refused.
    EXPECT_DOUBLE_EQ(jsonNumber(run(file + " --json --units W/m2/nm").out, "\"photon_flux\": {", "PPFD"),
                     100 * want.photonFlux.ppfd.value);
    const test::CliResult bad = run(file + " --units lux");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("relative, uW/cm2/nm or W/m2/nm"), std::string::npos) << bad.err;
}

TEST_F(CliLight, TextListsTheGroupsAndSaysWhyAFigureIsMissing) {
    const test::CliResult r = run(writeLed("led.txt") + " --units W/m2/nm");
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* line : {"\nColour:\nu' = ", "\nDominant wavelength = 495.5 nm\n", "\nRendition:\nCQS Qa = 67.6\n",
                             "\nSSI 3200K = 28\n", "\nCircadian (CIE S 026):\nS-cone: ELR = 0.7767 mW/lm, DER = 0.9503",
                             "\nLED:\nPeak wavelength = 450.0 nm\n", "\nFWHM = 24.74 nm\n", "\nPlants:\nPPFD = 445 umol/m2/s\n",
                             "\nR:FR = 39.130\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
    const test::CliResult relative = run(writeLed("led.txt"));
    EXPECT_NE(relative.out.find("\nPhoton fluxes: none (needs spectral irradiance (the values are relative))\n"),
              std::string::npos)
        << relative.out;
    EXPECT_NE(relative.out.find("\nE, EDI: none (needs spectral irradiance"), std::string::npos);
}

TEST_F(CliLight, DarkOrShortSpectraAreNeverNaN) {
    // Dark: every figure left out with the reason, exit 1, no report.
    std::vector<double> nm, zero;
    for (int i = 0; i <= 600; ++i) {
        nm.push_back(300 + i);
        zero.push_back(0);
    }
    const std::string dark = write("dark.txt", nm, zero);
    test::CliResult r = run(dark);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Colour figures: none (the spectrum has no light (no value above 0))\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.err.find("no figure could be computed"), std::string::npos) << r.err;
    r = run(dark + " --json");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("\"x\": null"), std::string::npos);
    EXPECT_NE(r.out.find("\"lumen\": null"), std::string::npos);
    EXPECT_NE(r.out.find("\"x\": \"the spectrum has no light"), std::string::npos);
    r = run(dark + " --report '" + (dir / "dark_CRI.txt").string() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(fs::exists(dir / "dark_CRI.txt"));
    for (const std::string& out : {run(dark).out, run(dark + " --json").out}) EXPECT_FALSE(printsNonFinite(out)) << out;

    // Two points, or a range short of 380-780 nm: the coverage is too short,
    // and the report is not written.
    const std::string two = write("two.txt", {500, 600}, {1, 2});
    r = run(two);
    EXPECT_NE(r.out.find("Colour figures: none (coverage too short: the spectrum covers 500.0-600.0 nm; "
                         "colour figures need all of 380-780 nm)"),
              std::string::npos)
        << r.out;
    EXPECT_FALSE(printsNonFinite(r.out)) << r.out;
    r = run(two + " --report '" + (dir / "two_CRI.txt").string() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no report written: coverage too short"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "two_CRI.txt"));

    // A red line has a colour but no correlated colour temperature: x .. Tc
    // are printed, the rendering figures say why not.
    std::vector<double> red;
    for (double w : nm) red.push_back(std::exp(-0.5 * std::pow((w - 650) / 5, 2)));
    r = run(write("red.txt", nm, red));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\nTc = -1\nDC, DeltaE, R, CRI: none (the light has no correlated colour temperature"),
              std::string::npos)
        << r.out;
    EXPECT_FALSE(printsNonFinite(r.out)) << r.out;
}

TEST_F(CliLight, PointsOutOfOrderGiveTheFiguresOfTheSortedSpectrum) {
    // One point moved and one repeated: once sorted (the repeat averaged),
    // every figure, the lumen figure too, is that of the clean spectrum.
    writeLed("led.txt");
    const std::string sorted = write("sorted.txt", x, y);
    std::vector<double> mx = x, my = y;
    std::swap(mx[400], mx[600]);
    std::swap(my[400], my[600]);
    mx.insert(mx.begin() + 500, x[700]);
    my.insert(my.begin() + 500, y[700]);
    const test::CliResult clean = run(sorted + " --json"), messy = run(write("messy.txt", mx, my) + " --json");
    ASSERT_EQ(messy.status, 0) << messy.err;
    EXPECT_EQ(messy.out, clean.out);
    EXPECT_NE(messy.err.find("do not rise; sorted, 1 repeated point(s) averaged"), std::string::npos) << messy.err;
    EXPECT_TRUE(clean.err.empty()) << clean.err;
}

TEST_F(CliLight, PdfReportIsOnePageWithItsText) {
    const std::string pdf = (dir / "led.pdf").string();
    const test::CliResult r = run(writeLed("led.txt") + " --units W/m2/nm --pdf '" + pdf + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string bytes = test::readFile(pdf);
    ASSERT_EQ(bytes.rfind("%PDF-", 0), 0u);
    std::size_t pages = 0;
    for (std::size_t at = bytes.find("/Type /Page"); at != std::string::npos; at = bytes.find("/Type /Page", at + 1))
        pages += bytes.compare(at, 12, "/Type /Pages") != 0;
    EXPECT_EQ(pages, 1u);
    EXPECT_NE(bytes.find("/MediaBox [0 0 595"), std::string::npos);  // A4: 595 x 842 points

    // The text is text, not a picture of it (poppler-utils' pdftotext reads it).
    if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) GTEST_SKIP() << "pdftotext is not installed";
    const fs::path txt = dir / "led.txt.out";
    ASSERT_EQ(std::system(("pdftotext '" + pdf + "' '" + txt.string() + "'").c_str()), 0);
    const std::string text = test::readFile(txt);
    for (const char* words : {"Light report", "spectrum file", "CIE 1931", "CRI (CIE 13.3)", "TM-30", "CQS 9.0",
                              "Melanopic", "PPFD 400-700 nm", "445"})
        EXPECT_NE(text.find(words), std::string::npos) << words << "\n" << text;

    // Nothing to report: refused, nothing written.
    std::vector<double> nm = {400, 500, 600}, zero = {0, 0, 0};
    EXPECT_EQ(run(write("dark.txt", nm, zero) + " --pdf '" + (dir / "dark.pdf").string() + "'").status, 1);
    EXPECT_FALSE(fs::exists(dir / "dark.pdf"));
}

}  // namespace
}  // namespace halden
