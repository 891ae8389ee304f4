// halden-cli against a misbehaving virtual spectrometer: lost frame and
// flash replies, failing flash writes, a silent device, and the inputs that
// must stop acquire before it saves anything.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/CliRunner.h"

namespace {

using CliRun = halden::test::CliResult;

class CliFaultTest : public ::testing::Test {
protected:
    // Runs halden-cli --virtual ARGS in the test's folder with the given
    // fault rules (none when empty).
    CliRun cli(const std::vector<std::string>& args, const std::string& faults = {})
    {
        std::vector<std::string> all{"--virtual"};
        all.insert(all.end(), args.begin(), args.end());
        return halden::test::runCliIn(scratch.path(), all, faults);
    }

    std::string path(const std::string& name) const { return (scratch.path() / name).string(); }

    std::string read(const std::string& name) const { return halden::test::readFile(path(name)); }

    // The data lines' second columns of a spectrum file.
    std::vector<double> counts(const std::string& name) const
    {
        std::vector<double> y;
        std::istringstream in(read(name));
        for (std::string line; std::getline(in, line);) {
            double a = 0, b = 0;
            if (std::sscanf(line.c_str(), "%lf %lf", &a, &b) == 2) y.push_back(b);
        }
        return y;
    }

    std::vector<std::string> spectrumFiles() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(scratch.path())) {
            const std::string name = entry.path().filename().string();
            if (entry.is_regular_file() && name.find("_S1_") != std::string::npos) names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    halden::test::ScratchDir scratch{"halden-cli-fault"};
};

TEST_F(CliFaultTest, EveryFrameReadLostSavesNothingAndFails)
{
    const CliRun r = cli({"acquire", "--count", "5", "-o", "run"}, "drop,cmd=0x0A,p=1");
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(spectrumFiles().empty());
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("retrying (1 of 3)"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("kept failing"), std::string::npos) << r.err;
}

TEST_F(CliFaultTest, SomeFrameReadsLostStillGiveKFreshSpectra)
{
    constexpr int kCount = 60;
    const CliRun r = cli({"acquire", "--count", std::to_string(kCount), "-o", "run"}, "drop,cmd=0x0A,p=0.05,seed=7");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("retrying"), std::string::npos) << "no fault fired: " << r.err;
    std::vector<double> previous;
    for (int k = 1; k <= kCount; ++k) {
        const std::string name = "run_S1_" + std::to_string(k) + "_.txt";
        const std::vector<double> y = counts(name);
        ASSERT_EQ(y.size(), 3653u) << name;
        // Shot noise makes every fresh acquisition differ from the last.
        EXPECT_NE(y, previous) << name << " repeats the acquisition before it";
        double peak = 0;
        for (double v : y) peak = std::max(peak, v);
        EXPECT_GT(peak, 1000) << name << " holds no light";
        previous = y;
    }
}

TEST_F(CliFaultTest, OneLostFlashReportAtStartUpKeepsTheCalibration)
{
    const CliRun r = cli({"acquire", "-o", "lamp"}, "drop,cmd=0x1A,once=5");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("not located"), std::string::npos) << r.err;
    std::istringstream in(read("lamp.txt"));
    double first = 0;
    for (std::string line; std::getline(in, line);)
        if (std::sscanf(line.c_str(), "%lf", &first) == 1 && line.find('\t') != std::string::npos) break;
    EXPECT_GT(first, 150);  // nm, not the pixel axis
    EXPECT_NE(read("Y00123.clbr").size(), 0u);
}

TEST_F(CliFaultTest, FlashThatNeverAnswersIsReportedAsUnreadable)
{
    const CliRun r = cli({"calibration", "read", "-o", "copy"}, "drop,cmd=0x1A,p=1");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("could not be read"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("holds no calibration"), std::string::npos) << r.err;
    const CliRun a = cli({"acquire", "-o", "lamp"}, "drop,cmd=0x1A,p=1");
    EXPECT_NE(a.status, 0);
    EXPECT_FALSE(std::filesystem::exists(path("lamp.txt")));
}

TEST_F(CliFaultTest, FailedFlashWriteIsRetriedAndVerified)
{
    ASSERT_EQ(cli({"calibration", "read", "-o", "factory"}).status, 0);
    const CliRun r = cli({"calibration", "write", "factory.clbr"}, "write,cmd=0x1B,once=3");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("verified"), std::string::npos) << r.out;
}

TEST_F(CliFaultTest, FlashWriteThatKeepsFailingSaysTheCalibrationWasErased)
{
    ASSERT_EQ(cli({"calibration", "read", "-o", "factory"}).status, 0);
    const CliRun r = cli({"calibration", "write", "factory.clbr"}, "write,cmd=0x1B,p=1");
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("was erased"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(path("Y00123.clbr")), std::string::npos) << r.err;
}

// The backup must be able to restore the calibration before anything is
// erased: a truncated one refuses the write, and the flash keeps its record
// even though every write would have failed.
TEST_F(CliFaultTest, UnusableBackupRefusesTheWriteBeforeAnythingIsErased)
{
    ASSERT_EQ(cli({"calibration", "read", "-o", "factory"}).status, 0);
    const std::string backup = read("Y00123.clbr");
    ASSERT_GT(backup.size(), 90000u);
    { std::ofstream(path("Y00123.clbr"), std::ios::binary | std::ios::trunc) << backup.substr(0, 40000); }
    const CliRun r = cli({"calibration", "write", "factory.clbr"}, "write,cmd=0x1B,p=1");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("nothing was erased"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(path("Y00123.clbr")), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("The file is incomplete"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("calibration in the spectrometer was erased"), std::string::npos) << r.err;
}

// The device erases but answers every erase with status 3: the flash read
// back shows the record gone, and the message says so and names the backup.
TEST_F(CliFaultTest, EraseAnsweredWithAnErrorStatusIsReadBackAndReported)
{
    ASSERT_EQ(cli({"calibration", "read", "-o", "factory"}).status, 0);
    const CliRun r = cli({"calibration", "write", "factory.clbr"}, "status,cmd=0x1C,p=1,value=3");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("was erased"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(path("Y00123.clbr")), std::string::npos) << r.err;
}

// A set command the spectrometer does not take is named, not reported as
// silence.
TEST_F(CliFaultTest, AFailedSetCommandIsNamed)
{
    const CliRun r = cli({"acquire", "--timeout", "5", "-o", "lamp"}, "write,cmd=0x03,p=1");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("setAcquisitionParameters failed: the request could not be sent"), std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("no answer from the spectrometer"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(path("lamp.txt")));
}

// calibration read must leave the instrument's backup behind; when it
// cannot, it fails and says why.
TEST_F(CliFaultTest, CalibrationReadFailsWhenTheBackupCannotBeWritten)
{
    std::filesystem::create_directory(path("Y00123.clbr"));
    const CliRun r = cli({"calibration", "read", "-o", "copy"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Y00123.clbr"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(path("copy.clbr")));
}

TEST_F(CliFaultTest, SilentDeviceIsToldAndTheTimeoutEndsTheWait)
{
    // The notice comes after 16 unanswered requests (about 2 s); the
    // timeout leaves a loaded machine room for them.
    const CliRun r = cli({"acquire", "--timeout", "10", "-o", "lamp"}, "drop,cmd=0x01,p=1");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("does not answer; retrying"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("did not finish within 10 s"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(path("lamp.txt")));
    EXPECT_NE(cli({"acquire", "--timeout", "0", "-o", "lamp"}).status, 0);
}

TEST_F(CliFaultTest, AcquireFailsOnAMissingCalibrationFileOrAnUnwritableBackup)
{
    const CliRun missing = cli({"acquire", "--calibration", "missing.clbr", "-o", "lamp"});
    EXPECT_NE(missing.status, 0);
    EXPECT_NE(missing.err.find("missing.clbr"), std::string::npos) << missing.err;
    EXPECT_FALSE(std::filesystem::exists(path("lamp.txt")));

    // A folder where the backup file should go: it cannot be written.
    std::filesystem::create_directory(path("Y00123.clbr"));
    const CliRun backup = cli({"acquire", "-o", "lamp"});
    EXPECT_NE(backup.status, 0);
    EXPECT_NE(backup.err.find("Y00123.clbr"), std::string::npos) << backup.err;
    EXPECT_FALSE(std::filesystem::exists(path("lamp.txt")));
}

}  // namespace
