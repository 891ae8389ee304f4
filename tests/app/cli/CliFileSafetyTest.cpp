// halden-cli on hostile files, end to end: special files given as input or
// output, links, a full disk, numbers too large for a double, UTF-16 text and
// calibrations holding nan. Every case fails cleanly or writes through, and
// nothing is lost or faked.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/CliRunner.h"
#include "support/SmallDisk.h"

namespace halden {
namespace {

namespace fs = std::filesystem;

using test::CliResult;
using test::readFile;

class CliFileSafety : public ::testing::Test {
protected:
    void SetUp() override {
        oldCwd = fs::current_path();
        fs::current_path(dir);  // the calibration commands write their backup here
    }
    void TearDown() override { fs::current_path(oldCwd); }

    test::ScratchDir scratch{"halden-cli-files"};
    const fs::path dir = scratch.path();
    fs::path oldCwd;

    CliResult run(const std::string& args) { return test::runCli(args, dir); }
    std::string quoted(const std::string& name) const { return "'" + (dir / name).string() + "'"; }
    std::string write(const std::string& name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
        return (dir / name).string();
    }
    // A lamp-like spectrum, 380..780 nm in 1 nm steps, CR LF rows.
    std::string lampText() const {
        std::string text = "Wavelength\tIntensity\r\n";
        for (int nm = 380; nm <= 780; ++nm) text += std::to_string(nm) + "\t" + std::to_string(nm - 300) + "\r\n";
        return text;
    }
    // 3653 rows, as many as raman-calibrate wants before it reads its base.
    std::string writeFullSpectrum(const std::string& name) {
        std::string text;
        for (int i = 0; i < 3653; ++i) text += std::to_string(530.0 + 0.03 * i) + " 100\r\n";
        return write(name, text);
    }
    void makeFifo(const std::string& name) const { ASSERT_EQ(::mkfifo((dir / name).c_str(), 0600), 0); }
};

// Given a device, a link to one or a FIFO, the readers refuse at once with a
// message that says what the file is, instead of reading /dev/zero without
// end or waiting on the FIFO for ever.
TEST_F(CliFileSafety, SpecialInputFilesAreRefusedAtOnce) {
    makeFifo("fifo.txt");
    fs::create_symlink("/dev/zero", dir / "zero.txt");
    writeFullSpectrum("full.txt");
    struct Case {
        std::string args, says;
    };
    const Case cases[] = {
        {"colour /dev/zero", "(a device)"},
        {"colour " + quoted("zero.txt"), "(a device)"},
        {"colour " + quoted("fifo.txt"), "(a FIFO)"},
        {"baseline " + quoted("fifo.txt") + " -o " + quoted("out.txt"), "(a FIFO)"},
        {"raman-calibrate " + quoted("fifo.txt") + " -o " + quoted("r.clbr"), "(a FIFO)"},
        {"raman-calibrate " + quoted("full.txt") + " --calibration " + quoted("fifo.txt") + " -o " +
             quoted("r.clbr"),
         "(a FIFO)"},
        {"--virtual calibration write " + quoted("fifo.txt"), "not a regular file"},
        {"--virtual calibration write " + quoted("zero.txt"), "not a regular file"},
    };
    for (const Case& c : cases) {
        const CliResult r = run(c.args);
        EXPECT_NE(r.status, 0) << c.args;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << ": " << r.err;
    }
    EXPECT_FALSE(fs::exists(dir / "out.txt"));
    EXPECT_FALSE(fs::exists(dir / "r.clbr"));
}

// The report (and baseline's output) is written through a link to its
// target; a FIFO as the report path is refused and stays a FIFO.
TEST_F(CliFileSafety, OutputsWriteThroughLinksAndNeverReplaceSpecialFiles) {
    const std::string lamp = write("lamp.txt", lampText());
    fs::create_directories(dir / "real");
    write("real/report.txt", "old");
    fs::create_symlink("real/report.txt", dir / "report-link.txt");
    CliResult r = run("colour '" + lamp + "' --report " + quoted("report-link.txt"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(dir / "report-link.txt"));
    EXPECT_EQ(readFile(dir / "real/report.txt").rfind("x = ", 0), 0u);

    fs::create_symlink("real/base.txt", dir / "base-link.txt");
    r = run("baseline '" + lamp + "' -o " + quoted("base-link.txt"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(dir / "base-link.txt"));
    EXPECT_FALSE(readFile(dir / "real/base.txt").empty());

    makeFifo("report.fifo");
    r = run("colour '" + lamp + "' --report " + quoted("report.fifo"));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("not a regular file (a FIFO), not replaced"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_fifo(dir / "report.fifo"));
}

// On a full disk the report is not written, the command says why and exits
// non-zero, and the report written before is left whole.
TEST_F(CliFileSafety, ReportOnAFullDiskFailsAndKeepsTheOldReport) {
    const test::SmallDisk disk(dir / "disk", 256 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << disk.why();
    const std::string lamp = write("lamp.txt", lampText());
    const std::string report = (disk.path() / "lamp_CRI_data.txt").string();
    ASSERT_EQ(run("colour '" + lamp + "' --report '" + report + "'").status, 0);
    const std::string before = readFile(report);
    ASSERT_FALSE(before.empty());

    ASSERT_TRUE(disk.fill());
    const CliResult r = run("colour '" + lamp + "' --report '" + report + "'");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(report), before);
}

// 1e400 does not fit a double: its line is no data line, so the figures and
// the baseline rows stay finite; a file left without data lines is refused.
TEST_F(CliFileSafety, NumbersTooLargeForADoubleNeverReachAFigure) {
    std::string text = lampText();
    text.insert(text.find("500\t"), "501\t1e400\r\n1e400\t7\r\n");
    const std::string spiked = write("spiked.txt", text);
    CliResult r = run("colour '" + spiked + "' --json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, run("colour '" + write("plain.txt", lampText()) + "' --json").out);

    r = run("baseline '" + spiked + "' -o " + quoted("base.txt"));
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string rows = readFile(dir / "base.txt");
    EXPECT_EQ(rows.find("nan"), std::string::npos);
    EXPECT_EQ(rows.find("inf"), std::string::npos);

    const std::string only = write("only.txt", "1e400\t1\r\n2\t-1e999\r\n");
    for (const std::string& command : {std::string("colour"), "baseline -o " + quoted("none.txt")}) {
        r = run(command + " '" + only + "'");
        EXPECT_NE(r.status, 0) << command;
        EXPECT_NE(r.err.find("no data lines"), std::string::npos) << command << ": " << r.err;
    }
    EXPECT_FALSE(fs::exists(dir / "none.txt"));
}

TEST_F(CliFileSafety, Utf16TextIsRefusedClearly) {
    std::string utf16 = "\xFF\xFE";
    for (char c : lampText()) utf16 += std::string{c, '\0'};
    write("utf16.txt", utf16);
    write("nomark.txt", utf16.substr(2));
    for (const char* name : {"utf16.txt", "nomark.txt"})
        for (const std::string& command : {"colour " + quoted(name), "gauss " + quoted(name),
                                           "compare " + quoted(name) + " '" + dir.string() + "'",
                                           "baseline " + quoted(name) + " -o " + quoted("out.txt")}) {
            const CliResult r = run(command);
            EXPECT_NE(r.status, 0) << command;
            EXPECT_NE(r.err.find("UTF-16"), std::string::npos) << command << ": " << r.err;
            EXPECT_TRUE(r.out.empty()) << command;
        }
}

// A calibration holding nan is refused before the flash is touched, and an
// oversized one is refused as too large, not as incomplete.
TEST_F(CliFileSafety, NanAndOversizedCalibrationsAreRefusedBeforeWriting) {
    CliResult r = run("--virtual calibration read -o factory");
    ASSERT_EQ(r.status, 0) << r.err;
    std::string text = readFile(dir / "factory.clbr");
    ASSERT_GT(text.size(), 90000u);
    std::size_t blockA = 0;
    for (int line = 0; line < 12; ++line) blockA = text.find('\n', blockA) + 1;
    text.replace(blockA, text.find('\t', blockA) - blockA, "nan");
    write("nan.clbr", text);
    write("big.clbr", readFile(dir / "factory.clbr") + std::string(40000, '\n'));

    r = run("--virtual calibration write " + quoted("nan.clbr"));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("not a finite number (wavelength value 1)"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("verified"), std::string::npos);

    r = run("--virtual calibration write " + quoted("big.clbr"));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("longer than 130000 bytes"), std::string::npos) << r.err;

    writeFullSpectrum("full.txt");
    r = run("raman-calibrate " + quoted("full.txt") + " --calibration " + quoted("big.clbr") + " -o " +
            quoted("r.clbr"));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("too large"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace halden
