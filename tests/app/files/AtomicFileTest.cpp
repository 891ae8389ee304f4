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

// A symbolic link is written through: the file it points to gets the bytes
// (atomically, beside itself), and the link stays a link.
TEST_F(AtomicFileTest, LinksAreWrittenThroughAndKept) {
    std::filesystem::create_directories(path("real"));
    writeAll(path("real/target.txt"), "old");
    std::filesystem::create_symlink("real/target.txt", path("link.txt"));
    std::filesystem::create_symlink("link.txt", path("link2.txt"));
    ASSERT_TRUE(writeFileAtomically(path("link2.txt"), "new").ok);
    EXPECT_TRUE(std::filesystem::is_symlink(path("link.txt")));
    EXPECT_TRUE(std::filesystem::is_symlink(path("link2.txt")));
    EXPECT_EQ(readAll(path("real/target.txt")), "new");

    // A dangling link creates the file it names.
    std::filesystem::create_symlink("real/later.txt", path("dangling.txt"));
    ASSERT_TRUE(writeFileAtomically(path("dangling.txt"), "made").ok);
    EXPECT_TRUE(std::filesystem::is_symlink(path("dangling.txt")));
    EXPECT_EQ(readAll(path("real/later.txt")), "made");

    std::filesystem::create_symlink("loop.txt", path("loop.txt"));
    EXPECT_FALSE(writeFileAtomically(path("loop.txt"), "x").ok);
}

// A FIFO or device as the target is refused, never replaced by a regular
// file; neither is a link to one.
TEST_F(AtomicFileTest, SpecialFilesAreNeverReplaced) {
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/null", path("null-link"));
    for (const char* name : {"fifo", "null-link"}) {
        const WriteResult r = writeFileAtomically(path(name), "x");
        EXPECT_FALSE(r.ok) << name;
        EXPECT_NE(r.error.find("not a regular file"), std::string::npos) << r.error;
    }
    EXPECT_TRUE(std::filesystem::is_fifo(path("fifo")));
    EXPECT_TRUE(std::filesystem::is_symlink(path("null-link")));
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
}

// Reading takes regular files only and at once: a FIFO without a writer, a
// link to /dev/zero and a folder are refused without reading a byte.
TEST_F(AtomicFileTest, ReadingRefusesSpecialFilesAndBoundsTheRest) {
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", path("zero-link"));
    std::filesystem::create_directories(path("folder"));
    std::string out;
    for (const char* name : {"fifo", "zero-link", "folder"}) {
        const ReadResult r = readRegularFile(path(name), out, 1000);
        EXPECT_EQ(r.status, ReadStatus::NotRegular) << name;
        EXPECT_NE(r.error.find("not a regular file"), std::string::npos) << r.error;
        EXPECT_TRUE(out.empty());
    }
    EXPECT_NE(readRegularFile(path("fifo"), out, 10).error.find("FIFO"), std::string::npos);
    EXPECT_NE(readRegularFile("/dev/zero", out, 10).error.find("device"), std::string::npos);

    writeAll(path("big.txt"), std::string(5000, 'a'));
    EXPECT_EQ(readRegularFile(path("big.txt"), out, 4999).status, ReadStatus::TooLarge);
    EXPECT_EQ(out.size(), 5000u);
    EXPECT_EQ(readRegularFile(path("big.txt"), out, 5000).status, ReadStatus::Ok);
    EXPECT_EQ(readRegularFile(path("none"), out, 10).status, ReadStatus::Unreadable);
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
