// halden-cli refusing what would lose or fake data: numbers that are not
// numbers, limits stated as they are, an output that is an input, a file
// too long for gauss, and calibration files that hold no number.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/CliRunner.h"

namespace halden {
namespace {

namespace fs = std::filesystem;

using test::CliResult;
const auto& slurp = test::readFile;

class CliRefusal : public ::testing::Test {
protected:
    test::ScratchDir scratch{"halden-cli-refusal"};
    const fs::path dir = scratch.path();

    CliResult cli(const std::vector<std::string>& args) { return test::runCliIn(dir, args); }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(dir / name, std::ios::binary) << text;
        return path(name);
    }
    std::string lampText() const {
        std::string text;
        for (int nm = 380; nm <= 780; ++nm) text += std::to_string(nm) + "\t" + std::to_string(nm - 300) + "\r\n";
        return text;
    }
    void expectRefused(const std::vector<std::string>& args, const std::string& says) {
        std::string line;
        for (const auto& a : args) line += a + " ";
        const CliResult r = cli(args);
        EXPECT_EQ(r.status, 1) << line;
        EXPECT_NE(r.err.find(says), std::string::npos) << line << ": " << r.err;
        EXPECT_EQ(r.out, "") << line;
    }
};

TEST_F(CliRefusal, NumericOptionsTakeOnlyWholeDecimalNumbersWithinTheirLimits) {
    for (const char* exposure : {"nan", "0x10", "inf", "-nan", " 5", "5ms", "1e400", ""})
        expectRefused({"--virtual", "acquire", "--exposure", exposure, "-o", "x"}, "--exposure needs a time");
    expectRefused({"--virtual", "acquire", "--scans", "0x10", "-o", "x"}, "--scans needs");
    expectRefused({"--virtual", "acquire", "--boxcar", "+3", "-o", "x"}, "--boxcar needs");
    expectRefused({"--virtual", "acquire", "--timeout", "nan", "-o", "x"}, "--timeout needs");
    expectRefused({"--virtual", "acquire", "--count", "1000001", "-o", "x"}, "between 1 and 1000000");
    expectRefused({"--virtual=33", "devices"}, "from 0 to 10, not '33'");
    expectRefused({"--virtual=0x2", "devices"}, "from 0 to 10");
    EXPECT_TRUE(fs::is_empty(dir));

    const CliResult ten = cli({"--virtual=10", "devices"});
    ASSERT_EQ(ten.status, 0) << ten.err;
    EXPECT_EQ(ten.out.rfind("10 spectrometers\n", 0), 0u) << ten.out;
}

// Every command that writes refuses an output that is one of its inputs
// (also through a link) or that another output names, and writes nothing.
TEST_F(CliRefusal, AnOutputThatIsAnInputOrAnotherOutputIsRefused) {
    const std::string lamp = write("b.txt", lampText());
    fs::create_symlink("b.txt", dir / "link.txt");
    expectRefused({"colour", lamp, "--report", lamp}, "is the input file");
    expectRefused({"colour", lamp, "--report", path("link.txt")}, "is the input file");
    expectRefused({"colour", lamp, "--report", path("X.png"), "--vector-graphic", path("X.png")},
                  "are the same file");
    expectRefused({"baseline", lamp, "-o", lamp}, "is the input file");
    expectRefused({"baseline", lamp, "-o", path("./sub/../b.txt")}, "is the input file");
    expectRefused({"plot", lamp, path("a.txt"), "-o", path("link.txt")}, "is the input file");
    const std::string base = write("base.clbr", "R0000.0000PLASTC\r\n");
    expectRefused({"raman-calibrate", lamp, "--calibration", base, "-o", base}, "is the input file");
    EXPECT_EQ(slurp(lamp), lampText());
    EXPECT_FALSE(fs::exists(dir / "X.png"));

    // acquire: the calibration file it reads is never one of its outputs.
    ASSERT_EQ(cli({"--virtual", "calibration", "read", "-o", "cal"}).status, 0);
    fs::create_symlink("cal.clbr", dir / "run.txt");
    const std::string before = slurp(path("cal.clbr"));
    expectRefused({"--virtual", "acquire", "--calibration", path("cal.clbr"), "-o", path("run.txt")},
                  "is the input file");
    EXPECT_EQ(slurp(path("cal.clbr")), before);
}

TEST_F(CliRefusal, GaussRefusesAFileLongerThanItCanFit) {
    // One peak at 230 nm, inside the first 4096 lines of 5000.
    const auto lines = [](int count) {
        std::string text;
        for (int i = 0; i < count; ++i) {
            const double nm = 200 + 0.01 * i;
            text += std::to_string(nm) + "\t" + std::to_string(10 + 1000 / (1 + (nm - 230) * (nm - 230))) + "\n";
        }
        return text;
    };
    expectRefused({"gauss", write("long.txt", lines(5000))}, "more than 4096 data lines");
    const CliResult r = cli({"gauss", write("exact.txt", lines(4096))});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("center: 230.0", 0), 0u) << r.out;
}

// A calibration file whose values are not numbers, or whose wavelengths do
// not rise or fall strictly, is refused before the flash is erased.
TEST_F(CliRefusal, CalibrationFilesWithoutNumbersAreRefusedBeforeTheFlashIsErased) {
    ASSERT_EQ(cli({"--virtual", "calibration", "read", "-o", "factory"}).status, 0);
    const std::string text = slurp(path("factory.clbr"));
    std::size_t blockA = 0;
    for (int line = 0; line < 12; ++line) blockA = text.find('\n', blockA) + 1;
    const std::size_t second = text.find('\n', blockA) + 1;
    std::string word = text, repeated = text;
    word.replace(second, text.find('\t', second) - second, "900.5xyz");
    repeated.replace(second, text.find('\t', second) - second, text.substr(blockA, text.find('\t', blockA) - blockA));
    write("word.clbr", word);
    write("repeated.clbr", repeated);
    expectRefused({"--virtual", "calibration", "write", path("word.clbr")},
                  "not a number (wavelength value 2: \"900.5xyz\")");
    expectRefused({"--virtual", "calibration", "write", path("repeated.clbr")},
                  "do not rise or fall strictly (wavelength values 1 and 2)");
}

}  // namespace
}  // namespace halden
