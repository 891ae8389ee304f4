// Every writer on a full disk: the write fails, the error is shown, the file
// written before stays as it was and no temporary file is left behind.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "FilesFixture.h"
#include "colour/Colorimetry.h"
#include "colour/CriReport.h"
#include "colour/Radiometry.h"
#include "files/AtomicFile.h"
#include "files/SpectrumFiles.h"
#include "support/SmallDisk.h"

namespace halden {
namespace {

using test::FilesFixture;

class FullDiskTest : public FilesFixture {
protected:
    // The names in the disk's folder, the filler excepted.
    std::vector<std::string> namesOnDisk(const test::SmallDisk& disk) const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(disk.path()))
            if (e.path().filename() != "filler") names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(FullDiskTest, WritersFailAndKeepTheOldFiles) {
    const test::SmallDisk disk(path("disk"), 256 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << disk.why();

    const std::string spectrum = (disk.path() / "lamp.txt").string();
    const std::string normalized = (disk.path() / "lamp_S4_1_.txt").string();
    store->m_chromaticityView = true;
    store->m_xMin = -1e9;
    store->m_xMax = 1e9;
    store->m_bufferA.fill(100.0);
    store->m_bufferB.fill(100.0);
    ASSERT_TRUE(saveSpectrumFile(*store, prompt, spectrum));
    ASSERT_TRUE(saveNormalizedToSensitivity(*store, prompt, normalized));
    ASSERT_TRUE(prompt.messages().empty());
    const std::string oldSpectrum = readAll(spectrum);
    const std::string oldReport = readAll(criReportPath(spectrum));
    const std::string oldNormalized = readAll(normalized);
    ASSERT_EQ(oldReport.substr(0, 4), "x = ");
    ASSERT_FALSE(oldSpectrum.empty());
    const auto before = namesOnDisk(disk);

    ASSERT_TRUE(disk.fill());
    for (int i = 0; i < kPointCapacity; ++i) store->m_bufferA[i] = store->m_bufferB[i] = 1234.5 + i;
    EXPECT_FALSE(writeCriReport(storeColorimetry(*store), prompt, spectrum, CriReportVariant::Full));
    EXPECT_FALSE(saveSpectrumFile(*store, prompt, spectrum));
    EXPECT_FALSE(saveNormalizedToSensitivity(*store, prompt, normalized));
    EXPECT_FALSE(writeFileAtomically(spectrum, std::string(100000, 'x')).ok);

    ASSERT_EQ(prompt.messages().size(), 3u);
    for (const auto& m : prompt.messages()) {
        EXPECT_EQ(m.text, "ERROR DURING CREATION THE OUT FILE");
        EXPECT_EQ(m.caption, "ERROR");
    }
    EXPECT_EQ(readAll(criReportPath(spectrum)), oldReport);
    EXPECT_EQ(readAll(spectrum), oldSpectrum);
    EXPECT_EQ(readAll(normalized), oldNormalized);
    EXPECT_EQ(namesOnDisk(disk), before) << "no temporary file is left behind";
}

}  // namespace
}  // namespace halden
