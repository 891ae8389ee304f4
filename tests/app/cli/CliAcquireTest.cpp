// halden-cli end to end on the virtual spectrometer: devices, acquire,
// calibration read and write, and the failures each must report.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/CliRunner.h"

namespace {

using CliRun = halden::test::CliResult;

class CliTest : public ::testing::Test {
protected:
    CliRun cli(const std::vector<std::string>& args) { return halden::test::runCliIn(scratch.path(), args); }

    std::string path(const std::string& name) const { return (scratch.path() / name).string(); }

    std::string read(const std::string& name) const { return halden::test::readFile(path(name)); }

    static std::vector<std::string> lines(const std::string& text)
    {
        std::vector<std::string> out;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    }

    static std::string joined(const std::vector<std::string>& args)
    {
        std::string text;
        for (const std::string& a : args) text += (text.empty() ? "" : " ") + a;
        return text;
    }

    halden::test::ScratchDir scratch{"halden-cli-acquire"};
};

TEST_F(CliTest, DevicesListsEveryVirtualSpectrometer)
{
    const CliRun r = cli({"--virtual=2", "devices"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto out = lines(r.out);
    ASSERT_EQ(out.size(), 3u) << r.out;
    EXPECT_EQ(out[0], "2 spectrometers");
    EXPECT_EQ(out[1].rfind("0  virtual  ", 0), 0u);
    EXPECT_EQ(out[2].rfind("1  virtual  ", 0), 0u);
    EXPECT_NE(out[1], out[2]);  // each instrument names itself

    const CliRun none = cli({"--virtual=0", "devices"});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "0 spectrometers\n");
}

TEST_F(CliTest, AcquireWritesCsvWithItsSettingsAndJcampDx)
{
    CliRun r = cli({"--virtual", "acquire", "--format", "csv", "--exposure", "20", "--scans", "2", "-o", path("lamp")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, path("lamp.csv") + "\n");
    const auto csv = lines(read("lamp.csv"));
    ASSERT_GT(csv.size(), 3653u);
    EXPECT_EQ(csv[0], "# serial: Y00123\r");
    EXPECT_NE(std::find(csv.begin(), csv.end(), "# exposure_ms: 20.00\r"), csv.end());
    EXPECT_NE(std::find(csv.begin(), csv.end(), "# scans: 2\r"), csv.end());
    EXPECT_NE(std::find(csv.begin(), csv.end(), "wavelength_nm,counts\r"), csv.end());
    EXPECT_EQ(csv.back().find(','), csv.back().rfind(','));  // one value a row when averaged

    r = cli({"--virtual", "acquire", "--format", "jdx", "--count", "2", "-o", path("run.jdx")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, path("run_S1_1_.jdx") + "\n" + path("run_S1_2_.jdx") + "\n");
    const std::string jdx = read("run_S1_2_.jdx");
    EXPECT_EQ(jdx.rfind("##TITLE=run_S1_2_\r\n##JCAMP-DX=5.01\r\n", 0), 0u);
    EXPECT_NE(jdx.find("##XYPOINTS=(XY..XY)\r\n"), std::string::npos);
    EXPECT_EQ(jdx.substr(jdx.size() - 8), "##END=\r\n");
    // The other commands read it back.
    r = cli({"plot", path("run_S1_2_.jdx"), "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("{\"text\": \"run_S1_2_.jdx\""), std::string::npos);

    r = cli({"--virtual", "acquire", "--format", "xls", "-o", path("x")});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("--format needs txt, csv or jdx"), std::string::npos) << r.err;
}

TEST_F(CliTest, AcquireSavesTheWholeNmRangeAndTheBackupFile)
{
    const CliRun r = cli({"--virtual", "acquire", "--exposure", "5", "-o", "lamp"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "lamp.txt\n");  // as given, with the extension added
    // Data lines: x ascending in nm over the instrument's range.
    std::vector<double> x;
    for (const auto& line : lines(read("lamp.txt"))) {
        double a = 0, b = 0;
        if (std::sscanf(line.c_str(), "%lf %lf", &a, &b) == 2) x.push_back(a);
    }
    ASSERT_EQ(x.size(), 3653u);
    EXPECT_LT(x.front(), x.back());
    EXPECT_GT(x.front(), 150);
    EXPECT_LT(x.back(), 1200);
    // The instrument's calibration backup (bytes 10..15 of its record).
    const CliRun devices = cli({"--virtual", "devices"});
    const std::string name = lines(devices.out).at(1).substr(12, 6);
    EXPECT_NE(read(name + ".clbr").size(), 0u) << name;
}

TEST_F(CliTest, SeveralAcquisitionsFollowThePeriodicNumbering)
{
    const CliRun r = cli({"--virtual", "acquire", "--count", "3", "--scans", "2", "--no-average", "--boxcar", "3",
                       "-o", "run.txt"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(r.out),
              (std::vector<std::string>{"run_S1_1_.txt", "run_S1_2_.txt", "run_S1_3_.txt"}));
    // Two scans without averaging: two data columns.
    const auto row = lines(read("run_S1_2_.txt")).back();
    int tabs = 0;
    for (char c : row) tabs += c == '\t';
    EXPECT_EQ(tabs, 1) << row;
}

TEST_F(CliTest, FailuresExitNonZeroWithOneLine)
{
    const std::vector<std::vector<std::string>> failing = {
        {"--virtual=0", "acquire", "-o", "x"},
        {"--virtual", "acquire"},
        {"--virtual", "acquire", "--scans", "65", "-o", "x"},
        {"--virtual", "acquire", "--exposure", "ten", "-o", "x"},
        {"--virtual", "acquire", "-o", "missing-folder/x.txt"},
        {"--virtual", "calibration", "write", "absent.clbr"},
        {"--virtual", "calibration", "read"},
        {"--virtual=0", "calibration", "read", "-o", "c.clbr"},
        {"--virtual", "calibration", "erase"},
    };
    for (const auto& args : failing) {
        const CliRun r = cli(args);
        EXPECT_NE(r.status, 0) << joined(args);
        EXPECT_EQ(lines(r.err).size(), 1u) << joined(args) << ": " << r.err;
    }
}

TEST_F(CliTest, CalibrationReadWriteRoundTripIsVerified)
{
    CliRun r = cli({"--virtual", "calibration", "read", "-o", "factory"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string text = read("factory.clbr");
    ASSERT_GT(text.size(), 90000u);
    EXPECT_EQ(text[5], '.');

    // Change one sensitivity value (first line of block B, line 3667) and
    // write the file to the flash; a new read gives the changed file back.
    std::vector<std::string> l;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') {
            l.push_back(text.substr(start, i + 1 - start));
            start = i + 1;
        }
    ASSERT_GT(l.size(), 3667u);
    l[3666] = "1.234\t\r\n";
    std::string changed;
    for (const auto& line : l) changed += line;
    { std::ofstream(path("changed.clbr"), std::ios::binary) << changed; }

    r = cli({"--virtual", "calibration", "write", "changed.clbr"});
    ASSERT_EQ(r.status, 0) << r.err;
    // The virtual instrument keeps its flash only for one process, so the
    // verification inside the command is what proves the write.
    EXPECT_NE(r.out.find("verified"), std::string::npos) << r.out;

    const CliRun notCalibration = [&] {
        { std::ofstream(path("plain.clbr"), std::ios::binary) << "no calibration here\r\n"; }
        return cli({"--virtual", "calibration", "write", "plain.clbr"});
    }();
    EXPECT_NE(notCalibration.status, 0);
}

TEST_F(CliTest, HelpForEveryCommand)
{
    for (const char* command : {"devices", "acquire", "calibration"}) {
        const CliRun r = cli({command, "--help"});
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_NE(r.out.find("Usage: halden-cli"), std::string::npos) << command;
    }
    const CliRun top = cli({"--help"});
    EXPECT_EQ(top.status, 0);
    for (const char* command : {"devices", "acquire", "calibration"})
        EXPECT_NE(top.out.find(command), std::string::npos);
}

}  // namespace
