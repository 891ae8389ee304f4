#include <QSettings>
#include <filesystem>
#include <sys/stat.h>

#include "FilesFixture.h"
#include "common/Messages.h"
#include "files/CalibrationFile.h"

namespace halden {
namespace {

using test::FilesFixture;

class CalibrationFileTest : public FilesFixture {
protected:
    void fillCalibration(bool increasing) {
        const char h[17] = "S0001.2345Y67890";
        std::copy(h, h + 16, store->m_calibrationHeader.begin());
        for (int i = 0; i < kCalibrationPoints; ++i) {
            store->m_wavelength[i] = 340.0 + i * 0.2;  // exact in three decimals
            store->m_sensitivity[i] = 0.5 + i * 0.001;
            store->m_irradianceCal[i] = 3.0 + (i % 7) * 0.125;
        }
        store->m_increasing = increasing;
        store->m_irradianceFactor = 0.75;
        store->m_laserWavelength = 532.0;
    }
    std::string header() const { return std::string(store->m_calibrationHeader.data(), 16); }
};

TEST_F(CalibrationFileTest, SaveLoadSaveIsIdenticalInBothOrders) {
    for (const bool increasing : {true, false}) {
        fillCalibration(increasing);
        prompt.saveAnswers = {path("cal"), path("again.clbr")};
        ASSERT_TRUE(saveCalibrationFile(*store, prompt, CalibrationSave::Interactive));
        const std::string first = readAll(path("cal.clbr"));
        ASSERT_FALSE(first.empty());

        const auto wl = store->m_wavelength, sens = store->m_sensitivity, irr = store->m_irradianceCal;
        store->m_wavelength.fill(0);
        store->m_increasing = !increasing;
        prompt.openAnswers = {path("cal.clbr")};
        EXPECT_EQ(loadCalibrationFile(*store, prompt), CalibrationLoad::Loaded);
        EXPECT_EQ(store->m_increasing, increasing);
        for (int i = 0; i < kCalibrationPoints; ++i) {
            ASSERT_NEAR(store->m_wavelength[i], wl[i], 1e-9) << i;
            ASSERT_NEAR(store->m_sensitivity[i], sens[i], 1e-9) << i;
            ASSERT_NEAR(store->m_irradianceCal[i], irr[i], 1e-9) << i;
        }
        EXPECT_DOUBLE_EQ(store->m_recordIrradianceFactor, 0.75);
        ASSERT_TRUE(saveCalibrationFile(*store, prompt, CalibrationSave::Interactive));
        EXPECT_EQ(readAll(path("again.clbr")), first);
        EXPECT_TRUE(prompt.messages().empty());
    }
    QSettings profile(QSettings::IniFormat, QSettings::UserScope, "Halden", "Halden");
    EXPECT_EQ(profile.value("CONTROL/DIR").toString().toStdString(), std::filesystem::current_path().string());
}

TEST_F(CalibrationFileTest, DescendingFileHoldsFallingWavelengths) {
    fillCalibration(false);
    ASSERT_TRUE(writeCalibrationFile(*store, prompt, path("d.clbr")));
    const std::string text = readAll(path("d.clbr"));
    EXPECT_NE(text.find("\r\n\r\n1070.400\t\r\n1070.200\t"), std::string::npos);
}

TEST_F(CalibrationFileTest, LoadAppliesRunChromaticityRangeAndMarker) {
    fillCalibration(true);
    ASSERT_TRUE(writeCalibrationFile(*store, prompt, path("y.clbr")));
    auto fresh = std::make_unique<SpectrumStore>();
    prompt.openAnswers = {path("y.clbr")};
    ASSERT_EQ(loadCalibrationFile(*fresh, prompt), CalibrationLoad::Loaded);
    EXPECT_TRUE(fresh->m_chartBar.runEnabled);
    EXPECT_TRUE(fresh->m_chartBar.chromaticityEnabled);
    EXPECT_TRUE(fresh->m_irradianceCalibrated);
    EXPECT_DOUBLE_EQ(fresh->m_xMin, 340.0);
    EXPECT_NEAR(fresh->m_xMax, 340.0 + 3652 * 0.2, 1e-9);
    EXPECT_EQ(fresh->m_markerIndex, 1825);
    EXPECT_DOUBLE_EQ(fresh->m_irradianceFactor, 0.75);

    // Without 'Y' the flag clears and the checkbox keeps its state.
    store->m_calibrationHeader[10] = 'N';
    ASSERT_TRUE(writeCalibrationFile(*store, prompt, path("n.clbr")));
    prompt.openAnswers = {path("n.clbr")};
    ASSERT_EQ(loadCalibrationFile(*fresh, prompt), CalibrationLoad::Loaded);
    EXPECT_FALSE(fresh->m_irradianceCalibrated);
    EXPECT_TRUE(fresh->m_chartBar.chromaticityEnabled);
}

TEST_F(CalibrationFileTest, NotACalibrationGivesUnitTablesSilently) {
    writeAll(path("notes.txt"), "Hello world, this is not a calibration\r\n1\r\n2\r\n");
    store->m_laserWavelength = 600;
    store->m_increasing = false;
    prompt.openAnswers = {path("notes.txt")};
    EXPECT_EQ(loadCalibrationFile(*store, prompt), CalibrationLoad::NoCalibration);
    EXPECT_EQ(header(), "Hello world, thi");
    EXPECT_DOUBLE_EQ(store->m_wavelength[0], 0);
    EXPECT_DOUBLE_EQ(store->m_wavelength[3652], 3652);
    EXPECT_DOUBLE_EQ(store->m_sensitivity[100], 1.0);
    EXPECT_DOUBLE_EQ(store->m_laserWavelength, 600);
    EXPECT_FALSE(store->m_increasing);
    EXPECT_TRUE(store->m_chartBar.runEnabled);
    EXPECT_TRUE(prompt.messages().empty());
}

TEST_F(CalibrationFileTest, CancelGivesTheUncalibratedState) {
    store->m_increasing = false;
    EXPECT_EQ(loadCalibrationFile(*store, prompt), CalibrationLoad::Cancelled);
    EXPECT_DOUBLE_EQ(store->m_wavelength[7], 7);
    EXPECT_DOUBLE_EQ(store->m_irradianceCal[3652], 1.0);
    EXPECT_TRUE(store->m_increasing);
}

TEST_F(CalibrationFileTest, BadFilesChangeNothing) {
    const double before = store->m_wavelength[5];
    prompt.openAnswers = {path("missing.clbr")};
    EXPECT_EQ(loadCalibrationFile(*store, prompt), CalibrationLoad::Unreadable);

    std::string big(kCalibrationTextLimit + 1, '\n');
    big.replace(0, 16, "ABCDE.GHIJYLMNOP");
    writeAll(path("big.clbr"), big);
    prompt.openAnswers = {path("big.clbr")};
    EXPECT_EQ(loadCalibrationFile(*store, prompt), CalibrationLoad::Refused);

    fillCalibration(true);
    ASSERT_TRUE(writeCalibrationFile(*store, prompt, path("ok.clbr")));
    const std::string whole = readAll(path("ok.clbr"));
    writeAll(path("cut.clbr"), whole.substr(0, whole.size() / 2));
    writeAll(path("tiny.clbr"), "AB");
    auto fresh = std::make_unique<SpectrumStore>();
    const auto freshHeader = fresh->m_calibrationHeader;
    prompt.openAnswers = {path("cut.clbr"), path("tiny.clbr")};
    EXPECT_EQ(loadCalibrationFile(*fresh, prompt), CalibrationLoad::Refused);
    EXPECT_EQ(loadCalibrationFile(*fresh, prompt), CalibrationLoad::Refused);
    EXPECT_DOUBLE_EQ(fresh->m_wavelength[5], before);
    EXPECT_EQ(fresh->m_calibrationHeader, freshHeader);
    EXPECT_FALSE(fresh->m_chartBar.runEnabled);

    const auto msgs = prompt.messages();
    ASSERT_EQ(msgs.size(), 4u);
    EXPECT_EQ(msgs[0].text, "UNABLE TO OPEN FILE");
    EXPECT_EQ(msgs[0].caption, "ERROR");
    EXPECT_EQ(msgs[1].text, messages::kCalibrationTooLong);
    EXPECT_EQ(msgs[2].text, messages::kCalibrationIncomplete);
    EXPECT_EQ(msgs[3].text, messages::kCalibrationIncomplete);
}

// A FIFO, a link to /dev/zero, a file over the limit and a file holding nan
// are refused with their own message before anything changes.
TEST_F(CalibrationFileTest, SpecialOversizedAndNonFiniteFilesAreRefused) {
    fillCalibration(true);
    ASSERT_TRUE(writeCalibrationFile(*store, prompt, path("ok.clbr")));
    std::string text = readAll(path("ok.clbr"));
    const std::size_t at = text.find("340.200\t");
    ASSERT_NE(at, std::string::npos);
    writeAll(path("nan.clbr"), text.replace(at, 7, "nan"));
    writeAll(path("huge.clbr"), readAll(path("ok.clbr")) + std::string(kCalibrationTextLimit, '\n'));
    ASSERT_EQ(::mkfifo(path("fifo.clbr").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", path("zero.clbr"));

    auto fresh = std::make_unique<SpectrumStore>();
    const auto wavelength = fresh->m_wavelength;
    for (const char* name : {"fifo.clbr", "zero.clbr", "huge.clbr", "nan.clbr"})
        EXPECT_EQ(loadCalibrationFromPath(*fresh, prompt, path(name)), CalibrationLoad::Refused) << name;
    EXPECT_EQ(fresh->m_wavelength, wavelength);
    EXPECT_FALSE(fresh->m_chartBar.runEnabled);

    const auto msgs = prompt.messages();
    ASSERT_EQ(msgs.size(), 4u);
    EXPECT_EQ(msgs[0].text, messages::kCalibrationNotRegular);
    EXPECT_EQ(msgs[1].text, messages::kCalibrationNotRegular);
    EXPECT_EQ(msgs[2].text, messages::kCalibrationTooLong);
    EXPECT_EQ(msgs[3].text,
              "The calibration holds a value that is not a finite number (wavelength value 2). "
              "The calibration file was not loaded.");
    for (const auto& m : msgs) EXPECT_EQ(m.caption, "ERROR");
}

TEST_F(CalibrationFileTest, LaserAtZeroLoadsAsDefault) {
    fillCalibration(true);
    store->m_laserWavelength = 0;
    ASSERT_TRUE(writeCalibrationFile(*store, prompt, path("z.clbr")));
    prompt.openAnswers = {path("z.clbr")};
    ASSERT_EQ(loadCalibrationFile(*store, prompt), CalibrationLoad::Loaded);
    EXPECT_DOUBLE_EQ(store->m_laserWavelength, 532.1);
}

TEST_F(CalibrationFileTest, ExtensionRuleAndCancel) {
    fillCalibration(true);
    prompt.saveAnswers = {path("my.clbr"), std::nullopt};
    EXPECT_TRUE(saveCalibrationFile(*store, prompt, CalibrationSave::Interactive));
    EXPECT_TRUE(std::filesystem::exists(path("my.clbr")));
    EXPECT_FALSE(std::filesystem::exists(path("my.clbr.clbr")));
    EXPECT_FALSE(saveCalibrationFile(*store, prompt, CalibrationSave::Interactive));
}

TEST_F(CalibrationFileTest, UnwritableTargetReportsAndKeepsTheOldFile) {
    fillCalibration(true);
    prompt.saveAnswers = {path("nofolder/x.clbr")};
    EXPECT_FALSE(saveCalibrationFile(*store, prompt, CalibrationSave::Interactive));
    ASSERT_EQ(prompt.messages().size(), 1u);
    EXPECT_EQ(prompt.messages()[0].text, "ERROR DURING CREATION THE OUT FILE");
    EXPECT_EQ(prompt.messages()[0].caption, "ERROR");
}

TEST_F(CalibrationFileTest, AutomaticBackupIsNamedFromTheHeaderAndNeverReplaced) {
    fillCalibration(true);
    EXPECT_EQ(backupCalibrationFileName(store->m_calibrationHeader), "Y67890.clbr");
    EXPECT_TRUE(saveCalibrationBackupIfMissing(*store, prompt));
    const std::string first = readAll(path("Y67890.clbr"));
    EXPECT_FALSE(first.empty());
    store->m_wavelength[0] = 1;
    EXPECT_FALSE(saveCalibrationBackupIfMissing(*store, prompt));
    EXPECT_EQ(readAll(path("Y67890.clbr")), first);
    EXPECT_TRUE(prompt.entries.empty()) << "no dialog for the automatic save";

    // A FIFO of the backup's name neither stalls the check nor is replaced.
    std::filesystem::remove(path("Y67890.clbr"));
    ASSERT_EQ(::mkfifo(path("Y67890.clbr").c_str(), 0600), 0);
    EXPECT_FALSE(saveCalibrationBackupIfMissing(*store, prompt));
    EXPECT_TRUE(std::filesystem::is_fifo(path("Y67890.clbr")));

    std::array<char, 16> odd{};
    const char raw[16] = {'a', 'b', 'c', 'd', 'e', '.', 'g', 'h', 'i', 'j', '/', '\0', '\n', 'Z', '\x7f', '9'};
    std::copy(raw, raw + 16, odd.begin());
    EXPECT_EQ(backupCalibrationFileName(odd), "___Z_9.clbr");
}

}  // namespace
}  // namespace halden
