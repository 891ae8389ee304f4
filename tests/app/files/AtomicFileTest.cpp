#include <filesystem>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

#include "FilesFixture.h"
#include "files/AtomicFile.h"
#include "files/SaveNames.h"

namespace halden {
namespace {

using test::FilesFixture;

class AtomicFileTest : public FilesFixture {};

TEST_F(AtomicFileTest, ReplacesContentAndLeavesNoTemporaryFiles) {
    ASSERT_TRUE(writeFileAtomically(path("f.txt"), "first").ok);
    ::chmod(path("f.txt").c_str(), 0600);
    ASSERT_TRUE(writeFileAtomically(path("f.txt"), std::string("sec\0nd", 6)).ok);
    EXPECT_EQ(readAll(path("f.txt")), std::string("sec\0nd", 6));
    struct stat st {};
    ASSERT_EQ(::stat(path("f.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "permissions of the replaced file are kept";
    int count = 0;
    for (const auto& e : std::filesystem::directory_iterator(path(""))) count += e.path().filename() != "Halden";
    EXPECT_EQ(count, 1);
}

TEST_F(AtomicFileTest, FailuresAreReportedAndTheOldFileSurvives) {
    std::filesystem::create_directories(path("dir.txt"));
    EXPECT_FALSE(writeFileAtomically(path("dir.txt"), "x").ok);
    EXPECT_FALSE(writeFileAtomically(path("missing/f.txt"), "x").ok);
    EXPECT_FALSE(writeFileAtomically("", "x").ok);
    EXPECT_FALSE(writeFileOrReport(path("missing/f.txt"), "x", prompt));
    ASSERT_EQ(prompt.messages().size(), 1u);
    EXPECT_EQ(prompt.messages()[0].text, "ERROR DURING CREATION THE OUT FILE");
    EXPECT_EQ(prompt.messages()[0].caption, "ERROR");
}

// A full disk, simulated with a file-size limit: the write fails part-way, the
// old file keeps its content and no temporary file is left behind.
TEST_F(AtomicFileTest, AFailingWriteKeepsTheOldFile) {
    ASSERT_TRUE(writeFileAtomically(path("keep.txt"), "old content").ok);
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const WriteResult r = writeFileAtomically(path("keep.txt"), std::string(100000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    EXPECT_EQ(readAll(path("keep.txt")), "old content");
    int count = 0;
    for (const auto& e : std::filesystem::directory_iterator(path(""))) count += e.path().filename() != "Halden";
    EXPECT_EQ(count, 1);
}

TEST_F(AtomicFileTest, ReadingStopsOneByteAfterTheLimit) {
    writeAll(path("r.txt"), std::string(100, 'a'));
    std::string out;
    ASSERT_TRUE(readFileBytes(path("r.txt"), out, 1000));
    EXPECT_EQ(out.size(), 100u);
    ASSERT_TRUE(readFileBytes(path("r.txt"), out, 10));
    EXPECT_EQ(out.size(), 11u);
    EXPECT_FALSE(readFileBytes(path("none"), out, 10));
    EXPECT_FALSE(readFileBytes(path(""), out, 10)) << "a folder is not a file";
}

TEST(SaveNames, ExtensionIsAddedUnlessPresentAnywhere) {
    EXPECT_EQ(withExtension("out", ".txt"), "out.txt");
    EXPECT_EQ(withExtension("out.txt", ".txt"), "out.txt");
    EXPECT_EQ(withExtension("my.txt.bak", ".txt"), "my.txt.bak");
    EXPECT_EQ(withExtension("shot", ".bmp"), "shot.bmp");
    EXPECT_EQ(withExtension("my", ".clbr"), "my.clbr");
}

}  // namespace
}  // namespace halden
