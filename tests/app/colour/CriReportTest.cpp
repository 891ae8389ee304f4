#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <unistd.h>
#include <fstream>
#include <memory>
#include <sstream>

#include "colour/CriReport.h"
#include "support/PromptRecorder.h"

namespace halden {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

ColorimetryResult sampleResult() {
    ColorimetryResult r;
    r[0] = 0.44757;  // x
    r[1] = 0.40745;
    r[2] = 0.14498;
    r[3] = 0.25597;
    r[4] = 0.34952;
    r[5] = -1;  // no Tc
    r[6] = 0.00000051;
    for (int i = 0; i < 14; ++i) {
        r[7 + i] = 0.25 * (i + 1) + 1e-7;
        r[21 + i] = 100 - 4.6 * r[7 + i];
    }
    r[35] = 97.123456789;
    r[36] = -3.5;
    return r;
}

const char* const kFullExpected =
    "x = 0.448\r\ny = 0.407\r\nz = 0.145\r\nu = 0.256\r\nv = 0.350\r\nTc = -1\r\nDC = 0.000001\r\n"
    "DeltaE1 = 0.250000\tR1 = 98.850000\r\n"
    "DeltaE2 = 0.500000\tR2 = 97.700000\r\n"
    "DeltaE3 = 0.750000\tR3 = 96.550000\r\n"
    "DeltaE4 = 1.000000\tR4 = 95.400000\r\n"
    "DeltaE5 = 1.250000\tR5 = 94.250000\r\n"
    "DeltaE6 = 1.500000\tR6 = 93.100000\r\n"
    "DeltaE7 = 1.750000\tR7 = 91.950000\r\n"
    "DeltaE8 = 2.000000\tR8 = 90.800000\r\n"
    "DeltaE9 = 2.250000\tR9 = 89.650000\r\n"
    "DeltaE10 = 2.500000\tR10 = 88.500000\r\n"
    "DeltaE11 = 2.750000\tR11 = 87.350000\r\n"
    "DeltaE12 = 3.000000\tR12 = 86.200000\r\n"
    "DeltaE13 = 3.250000\tR13 = 85.050000\r\n"
    "DeltaE14 = 3.500000\tR14 = 83.900000\r\n";

TEST(CriReport, FullAndShortVariantsByteForByte) {
    const ColorimetryResult r = sampleResult();
    const std::string full = formatCriReport(r, CriReportVariant::Full);
    EXPECT_EQ(full, std::string(kFullExpected) + "CRI(1-8) = 97.123457\r\nCRI(1-14) = -3.500000");
    const std::string shortForm = formatCriReport(r, CriReportVariant::Short);
    EXPECT_EQ(shortForm, std::string(kFullExpected) + "CRI = 97.123457");

    // Line count and size rule: 22 (21) CR LF pairs, nothing after the last digit.
    auto count = [](const std::string& s) { return std::count(s.begin(), s.end(), '\n'); };
    EXPECT_EQ(count(full), 22);
    EXPECT_EQ(count(shortForm), 21);
}

// A dark spectrum's report used to hold "nan" for every figure.
TEST(CriReport, FiguresThatCouldNotBeComputedReadNone) {
    ColorimetryResult r;
    r.values.fill(std::numeric_limits<double>::quiet_NaN());
    r[5] = -1;
    r[ColorimetryResult::kRe] = std::numeric_limits<double>::infinity();
    const std::string s = formatCriReport(r, CriReportVariant::Full);
    EXPECT_EQ(s.substr(0, 12), "x = none\r\ny ");
    EXPECT_NE(s.find("Tc = -1\r\n"), std::string::npos);
    EXPECT_NE(s.find("DeltaE3 = none\tR3 = none\r\n"), std::string::npos);
    EXPECT_EQ(s.find("nan"), std::string::npos);
    EXPECT_EQ(s.find("inf"), std::string::npos);
}

class CriReportFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("halden-cri-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        result = sampleResult();
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
    ColorimetryResult result{};
    test::PromptRecorder prompt;
};

TEST_F(CriReportFile, WritesBesideTheSpectrumAndReplacesAnEarlierReport) {
    const std::string spectrum = (dir / "lamp.txt").string();
    EXPECT_EQ(criReportPath(spectrum), spectrum + "_CRI_data.txt");
    {
        std::ofstream old(spectrum + "_CRI_data.txt", std::ios::binary);
        old << std::string(5000, 'x');
    }
    ASSERT_TRUE(writeCriReport(result, prompt, spectrum, CriReportVariant::Full));
    ASSERT_TRUE(writeCriReport(result, prompt, spectrum, CriReportVariant::Full));
    EXPECT_EQ(readAll(dir / "lamp.txt_CRI_data.txt"), formatCriReport(sampleResult(), CriReportVariant::Full));
    EXPECT_TRUE(prompt.messages().empty());
    // Only the report: no temporary files left behind, no spectrum file made.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    ASSERT_TRUE(writeCriReport(result, prompt, (dir / "x_S3_7_.txt").string(), CriReportVariant::Short));
    EXPECT_TRUE(fs::exists(dir / "x_S3_7_.txt_CRI_data.txt"));
}

TEST_F(CriReportFile, UnwritableFolderShowsTheCreationError) {
    const std::string spectrum = (dir / "missing" / "lamp.txt").string();
    EXPECT_FALSE(writeCriReport(result, prompt, spectrum, CriReportVariant::Full));
    ASSERT_EQ(prompt.messages().size(), 1u);
    EXPECT_EQ(prompt.messages()[0].text, "ERROR DURING CREATION THE OUT FILE");
    EXPECT_EQ(prompt.messages()[0].caption, "ERROR");
}

}  // namespace
}  // namespace halden
