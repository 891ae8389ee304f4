// The session's completion handling against the recording device on the
// worker's own thread: detection, the calibration read and its completion,
// the flash save command and continuous acquisition.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "FakeSpectrometer.h"
#include "SessionTestSupport.h"
#include "common/Messages.h"
#include "spectrum/StoreCommands.h"
#include "support/PromptRecorder.h"

namespace halden::test {
namespace {

class SessionTest : public ::testing::Test {
protected:
    SessionTest()
    {
        testApplication();
        session = std::make_unique<Session>(prompt, device, pacer);
    }

    void loadFlash(const std::string& record)
    {
        std::fill(device.flash.begin(), device.flash.end(), std::uint8_t{0xFF});
        std::copy(record.begin(), record.end(), device.flash.begin());
    }

    bool start()
    {
        return waitForSignal(*session, &Session::calibrationCompleted, [&] { session->chooseSpectrometer(); });
    }

    std::string flashText() const
    {
        const auto end = std::find(device.flash.begin(), device.flash.end(), std::uint8_t{0xFF});
        return std::string(device.flash.begin(), end);
    }

    TemporaryCurrentDir cwd;
    FakeSpectrometer device;
    RecordingPacer pacer;
    PromptRecorder prompt;
    std::unique_ptr<Session> session;
};

TEST_F(SessionTest, NoDeviceShowsTheErrorOnceAndReadsNothing)
{
    device.devices = 0;
    ASSERT_TRUE(waitForSignal(*session, &Session::detectionCompleted, [&] { session->chooseSpectrometer(); }));
    ASSERT_EQ(prompt.entries.size(), 1u);
    EXPECT_EQ(prompt.entries[0].text, "Can not find device");
    EXPECT_EQ(prompt.entries[0].caption, "Error");
    EXPECT_EQ(session->store().m_operation, Operation::Detect);  // no calibration read requested
    EXPECT_EQ(device.calls, (std::vector<std::string>{"getDevicesCount"}));
}

TEST_F(SessionTest, ChoosingIsRefusedWhileRunningAndDetectsOtherwise)
{
    SpectrumStore& s = session->store();
    s.m_running = true;
    s.m_deviceCount = 1;
    const auto operation = s.m_operation;
    EXPECT_FALSE(session->chooseSpectrometer());
    ASSERT_EQ(prompt.entries.size(), 1u);
    EXPECT_EQ(prompt.entries[0].text, "Stop Acquisition first");
    EXPECT_EQ(prompt.entries[0].caption, "Message");
    EXPECT_EQ(s.m_operation, operation);
    EXPECT_EQ(s.m_deviceCount, 1);
    EXPECT_TRUE(device.calls.empty());

    s.m_running = false;
    device.devices = 0;
    bool posted = false;
    ASSERT_TRUE(waitForSignal(*session, &Session::detectionCompleted, [&] { posted = session->chooseSpectrometer(); }));
    EXPECT_TRUE(posted);
    EXPECT_EQ(s.m_deviceCount, 0);
    ASSERT_EQ(prompt.entries.size(), 2u);  // only the detection's own "Can not find device"
    EXPECT_EQ(prompt.entries[1].text, "Can not find device");
}

TEST_F(SessionTest, FlashWithoutRecordWarnsAsksForAFileAndStaysUncalibrated)
{
    ASSERT_TRUE(start());
    ASSERT_GE(prompt.entries.size(), 2u);
    EXPECT_EQ(prompt.entries[0].kind, "message");
    EXPECT_EQ(prompt.entries[0].text,
              "Calibration information was not located in your spectrometer.\n Load it from hard drive "
              "(file with '.clbr' extension)");
    EXPECT_EQ(prompt.entries[0].caption, "Warning");
    EXPECT_EQ(prompt.entries[1].kind, "open");
    const SpectrumStore& s = session->store();
    for (int i : {0, 1, 1826, 3652}) {
        EXPECT_EQ(s.m_wavelength[i], i);
        EXPECT_EQ(s.m_sensitivity[i], 1.0);
        EXPECT_EQ(s.m_irradianceCal[i], 1.0);
    }
    EXPECT_EQ(s.m_laserWavelength, 0);
    EXPECT_TRUE(s.m_chartBar.runEnabled);
    EXPECT_EQ(s.m_xMin, 0);
    EXPECT_EQ(s.m_xMax, 3652);
    EXPECT_EQ(s.m_markerIndex, 1825);
    EXPECT_EQ(device.count("readFlash 114000 6000"), 1u);  // all 20 pages
}

TEST_F(SessionTest, FallingRecordIsStoredAscendingAndBackedUpOnce)
{
    const PlainCalibration cal("VS014.2403Y00999");
    loadFlash(cal.flashRecord(false));
    ASSERT_TRUE(start());
    const SpectrumStore& s = session->store();
    EXPECT_FALSE(s.m_increasing);
    for (int i = 0; i < kSpectrumPoints; i += 365) {
        EXPECT_NEAR(s.m_wavelength[i], cal.wavelength[i], 5e-4) << i;
        EXPECT_NEAR(s.m_sensitivity[i], cal.sensitivity[i], 5e-4) << i;
        EXPECT_NEAR(s.m_irradianceCal[i], cal.irradianceCal[i], 5e-4) << i;
    }
    EXPECT_NEAR(s.m_irradianceFactor, cal.factor, 1e-9);
    EXPECT_EQ(s.m_laserWavelength, 785.0);
    EXPECT_TRUE(s.m_irradianceCalibrated);
    EXPECT_TRUE(s.m_chartBar.chromaticityEnabled);
    EXPECT_NEAR(s.m_xMin, 300, 1e-9);
    EXPECT_TRUE(prompt.messages().empty());

    const std::string backup = cwd.path("Y00999.clbr");
    std::ifstream in(backup, std::ios::binary);
    ASSERT_TRUE(in.good());
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "VS014.2403Y00999\r");
    in.close();

    // A later start with the same instrument leaves the backup alone.
    { std::ofstream(backup, std::ios::binary | std::ios::trunc) << "kept"; }
    ASSERT_TRUE(waitForSignal(*session, &Session::calibrationCompleted,
                              [&] { session->post(Operation::ReadFlash); }));
    std::ifstream again(backup, std::ios::binary);
    std::stringstream content;
    content << again.rdbuf();
    EXPECT_EQ(content.str(), "kept");
}

TEST_F(SessionTest, RamanRecordWithoutIrradianceSwitchesTheAxisAndUsesUnitFactors)
{
    const PlainCalibration cal("RS014.2403N00777");
    loadFlash(cal.flashRecord(true));
    int switched = 0;
    session->switchToWavenumberAxis = [&] { ++switched; };
    ASSERT_TRUE(start());
    const SpectrumStore& s = session->store();
    EXPECT_TRUE(s.m_increasing);
    EXPECT_EQ(switched, 1);
    EXPECT_TRUE(s.m_autoY);
    EXPECT_TRUE(s.m_chartBar.autoYChecked);
    EXPECT_FALSE(s.m_irradianceCalibrated);
    EXPECT_EQ(s.m_irradianceCal[100], 1.0);
}

TEST_F(SessionTest, TruncatedRecordCountsAsNoRecord)
{
    const PlainCalibration cal("VS014.2403Y00555");
    loadFlash(cal.flashRecord(true).substr(0, 50000));
    ASSERT_TRUE(start());
    ASSERT_FALSE(prompt.messages().empty());
    EXPECT_EQ(prompt.messages()[0].caption, "Warning");
    EXPECT_EQ(session->store().m_wavelength[3000], 3000);
    EXPECT_FALSE(std::ifstream(cwd.path("Y00555.clbr")).good());
}

TEST_F(SessionTest, FlashWriteAndReadBackKeepTheCalibrationAndItsOrder)
{
    ASSERT_TRUE(start());
    SpectrumStore& s = session->store();
    const PlainCalibration cal("VS014.2403Y00321");
    s.m_calibrationHeader = cal.header;
    std::copy(cal.wavelength.begin(), cal.wavelength.end(), s.m_wavelength.begin());
    std::copy(cal.sensitivity.begin(), cal.sensitivity.end(), s.m_sensitivity.begin());
    std::copy(cal.irradianceCal.begin(), cal.irradianceCal.end(), s.m_irradianceCal.begin());
    s.m_increasing = false;
    s.m_recordIrradianceFactor = cal.factor;
    s.m_laserWavelength = cal.laser;
    prompt.entries.clear();

    EXPECT_TRUE(session->saveCalibrationToFlash());
    ASSERT_EQ(prompt.entries.size(), 2u);
    EXPECT_EQ(prompt.entries[0].kind, "okcancel");
    EXPECT_EQ(prompt.entries[0].text, "Wait! FLASH updated will take about 1 minute. Click OK to continue.");
    EXPECT_EQ(prompt.entries[0].caption, "Information");
    EXPECT_EQ(prompt.entries[1].text, "FLASH was updated");
    EXPECT_EQ(prompt.entries[1].caption, "Information");
    EXPECT_FALSE(s.m_flashBusy);
    EXPECT_EQ(flashText(), cal.flashRecord(false));

    s.m_increasing = true;
    for (int i = 0; i < kSpectrumPoints; ++i) s.m_wavelength[i] = s.m_sensitivity[i] = 0;
    ASSERT_TRUE(waitForSignal(*session, &Session::calibrationCompleted,
                              [&] { session->post(Operation::ReadFlash); }));
    EXPECT_FALSE(s.m_increasing);
    for (int i = 0; i < kSpectrumPoints; ++i) {
        ASSERT_NEAR(s.m_wavelength[i], cal.wavelength[i], 5e-4) << i;
        ASSERT_NEAR(s.m_sensitivity[i], cal.sensitivity[i], 5e-4) << i;
    }
}

TEST_F(SessionTest, CancelledFlashSaveSendsNothing)
{
    prompt.okCancelAnswers = {false};
    EXPECT_FALSE(session->saveCalibrationToFlash());
    EXPECT_EQ(prompt.entries.size(), 1u);
    EXPECT_FALSE(session->store().m_flashBusy);
    EXPECT_TRUE(device.calls.empty());
}

TEST_F(SessionTest, RecordTooLongForTheFlashIsRefusedAndTheOldRecordKept)
{
    const PlainCalibration cal("VS014.2403Y00111");
    loadFlash(cal.flashRecord(true));
    ASSERT_TRUE(start());
    SpectrumStore& s = session->store();
    for (int i = 0; i < kSpectrumPoints; ++i) s.m_sensitivity[i] = 1e200;  // ~200 digits a line
    EXPECT_FALSE(session->saveCalibrationToFlash());
    EXPECT_EQ(prompt.messages().back().caption, "Error");
    EXPECT_NE(prompt.messages().back().text, "FLASH was updated");
    EXPECT_EQ(device.count("eraseFlash"), 0u);
    EXPECT_EQ(flashText(), cal.flashRecord(true));
    EXPECT_FALSE(s.m_flashBusy);
}

TEST_F(SessionTest, FailedEraseIsNotReportedAsUpdatedAndNothingIsWritten)
{
    ASSERT_TRUE(start());
    device.eraseResult = 0x21;  // the device refuses every erase
    EXPECT_FALSE(session->saveCalibrationToFlash());
    EXPECT_EQ(prompt.messages().back().caption, "Error");
    EXPECT_EQ(prompt.messages().back().text, messages::kFlashFailed);
    EXPECT_EQ(device.count("eraseFlash"), 3u);
    EXPECT_EQ(device.count("writeFlash 0"), 0u);
}

// A record whose first pages arrive only when asked again, as after one
// lost report at start-up.
TEST_F(SessionTest, LostFlashPageIsAskedForAgainAndTheRecordIsKept)
{
    const PlainCalibration cal("VS014.2403Y00432");
    loadFlash(cal.flashRecord(true));
    device.flashReadResults = {505, 0, 0, 510};
    ASSERT_TRUE(start());
    EXPECT_EQ(session->flashRecordState(), FlashRecordState::Present);
    EXPECT_TRUE(prompt.messages().empty());
    EXPECT_NEAR(session->store().m_wavelength[3000], cal.wavelength[3000], 5e-4);
    EXPECT_EQ(device.count("readFlash 0 6000"), 2u);
    EXPECT_EQ(device.count("readFlash 12000 6000"), 2u);
    EXPECT_EQ(session->calibrationBackupPath(), cwd.path("Y00432.clbr"));
}

TEST_F(SessionTest, FlashThatNeverAnswersIsUnreadableNotMissingAndIsNotWrittenOver)
{
    const PlainCalibration cal("VS014.2403Y00433");
    loadFlash(cal.flashRecord(true));
    device.flashReadResults = {505, 505, 505};
    ASSERT_TRUE(start());
    EXPECT_EQ(session->flashRecordState(), FlashRecordState::Unreadable);
    ASSERT_FALSE(prompt.messages().empty());
    EXPECT_EQ(prompt.messages()[0].text, messages::kFlashUnreadable);
    EXPECT_EQ(prompt.messages()[0].caption, "Warning");
    EXPECT_EQ(device.count("readFlash 0 6000"), 3u);
    EXPECT_EQ(device.count("readFlash 6000 6000"), 0u);  // a silent device costs one page

    // What the flash holds is unknown and has no backup: nothing is erased.
    EXPECT_FALSE(session->saveCalibrationToFlash());
    EXPECT_EQ(prompt.messages().back().text, messages::kFlashBackupUnknown);
    EXPECT_EQ(device.count("eraseFlash"), 0u);
    EXPECT_EQ(flashText(), cal.flashRecord(true));
}

TEST_F(SessionTest, FlashPageMissingAfterTheRecordEndedStillGivesTheRecord)
{
    const PlainCalibration cal("VS014.2403Y00434");
    loadFlash(cal.flashRecord(true));
    ASSERT_LT(cal.flashRecord(true).size(), 19 * kFlashPageSize);
    device.flashReadResults.assign(19, 0);
    device.flashReadResults.insert(device.flashReadResults.end(), {505, 505, 505});
    ASSERT_TRUE(start());
    EXPECT_EQ(session->flashRecordState(), FlashRecordState::Present);
}

TEST_F(SessionTest, SaveIsRefusedBeforeTheFlashWasReadOrWhenItsBackupIsGone)
{
    EXPECT_FALSE(session->saveCalibrationToFlash());
    EXPECT_EQ(prompt.messages().back().text, messages::kFlashNotReadYet);

    const PlainCalibration cal("VS014.2403Y00435");
    loadFlash(cal.flashRecord(true));
    ASSERT_TRUE(start());
    ASSERT_TRUE(std::filesystem::remove(cwd.path("Y00435.clbr")));
    EXPECT_FALSE(session->saveCalibrationToFlash());
    EXPECT_EQ(prompt.messages().back().text,
              std::string(messages::kFlashBackupMissing) + cwd.path("Y00435.clbr"));
    EXPECT_EQ(device.count("eraseFlash"), 0u);
    EXPECT_EQ(flashText(), cal.flashRecord(true));
}

TEST_F(SessionTest, FailedWriteIsErasedWrittenAgainAndVerified)
{
    const PlainCalibration cal("VS014.2403Y00436");
    loadFlash(cal.flashRecord(true));
    ASSERT_TRUE(start());
    session->store().m_sensitivity[7] = 4.25;
    device.flashWriteResults = {504, 505};
    EXPECT_TRUE(session->saveCalibrationToFlash());
    EXPECT_EQ(prompt.messages().back().text, "FLASH was updated");
    EXPECT_EQ(device.count("eraseFlash"), 3u);
    const std::string written = flashText();
    EXPECT_NE(written.find("4.250\t\r\n"), std::string::npos);
}

TEST_F(SessionTest, WriteThatKeepsFailingSaysTheCalibrationWasErasedAndNamesTheBackup)
{
    const PlainCalibration cal("VS014.2403Y00437");
    loadFlash(cal.flashRecord(true));
    ASSERT_TRUE(start());
    device.flashWriteResults = {504, 504, 504};
    EXPECT_FALSE(session->saveCalibrationToFlash());
    EXPECT_EQ(prompt.messages().back().caption, "Error");
    EXPECT_EQ(prompt.messages().back().text,
              std::string(messages::kFlashErased) + cwd.path("Y00437.clbr") + ".");
    EXPECT_EQ(device.count("eraseFlash"), 3u);
    EXPECT_FALSE(session->store().m_flashBusy);
}

TEST_F(SessionTest, WriteThatReadsBackDifferentlyIsWrittenAgain)
{
    const PlainCalibration cal("VS014.2403Y00438");
    loadFlash(cal.flashRecord(true));
    ASSERT_TRUE(start());
    // The first read-back loses its reply three times: not verified, so
    // the record is erased and written once more.
    device.flashReadResults = {505, 505, 505};
    EXPECT_TRUE(session->saveCalibrationToFlash());
    EXPECT_EQ(device.count("eraseFlash"), 2u);
    EXPECT_EQ(flashText(), cal.flashRecord(true));
}

// The readouts of the shown spectrum used to follow the exposure set for
// the next acquisition as soon as it started, before its spectrum existed.
TEST_F(SessionTest, FiguresFollowThePublishedResultNotTheSettingsOfTheNext)
{
    const PlainCalibration cal("VS014.2403Y00999");
    loadFlash(cal.flashRecord(true));
    ASSERT_TRUE(start());
    SpectrumStore& s = session->store();
    ASSERT_TRUE(s.m_irradianceCalibrated);
    ASSERT_TRUE(waitForSignal(*session, &Session::acquisitionCompleted, [&] { session->startAcquisition(); }));
    const double at10ms = session->figures().markerIrradiance;
    ASSERT_NE(at10ms, 0);

    ASSERT_FALSE(commitExposureText(s, "5000"));
    session->startAcquisition();  // in flight: its request carries 5000 ms
    ASSERT_TRUE(session->acquisitionInFlight());
    EXPECT_EQ(s.m_exposureScaled, 500000 * s.m_irradianceFactor);
    session->settle();
    EXPECT_EQ(session->figures().markerIrradiance, at10ms);

    // The same frame at 500 times the exposure: 500 times less irradiance.
    ASSERT_TRUE(waitForSignal(*session, &Session::acquisitionCompleted, [] {}));
    EXPECT_EQ(s.m_liveAcquisition.settings.device.exposure, 500000);
    EXPECT_NEAR(session->figures().markerIrradiance, at10ms / 500, std::fabs(at10ms) * 1e-9);
}

// The backup is what the user is told to write back after a failed write:
// a backup that would not load, or that is another instrument's, refuses
// the save before anything is erased, naming the file and what is wrong.
TEST_F(SessionTest, BackupThatCannotRestoreTheCalibrationRefusesTheSave)
{
    const PlainCalibration cal("VS014.2403Y00439");
    loadFlash(cal.flashRecord(true));
    ASSERT_TRUE(start());
    const std::string backup = cwd.path("Y00439.clbr");
    std::string good;
    {
        std::ifstream in(backup, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        good = text.str();
    }
    ASSERT_GT(good.size(), 90000u);
    std::string foreign = good;
    foreign.replace(10, 6, "Y00999");
    std::string notANumber = good;
    notANumber.replace(notANumber.find("300.150\t"), 7, "abc");
    struct Case {
        std::string text, says;
    };
    const Case cases[] = {
        {"", "The file is empty."},
        {good.substr(0, 50000), "The file is incomplete"},
        {foreign, "instrument Y00999, not of this spectrometer (Y00439)"},
        {notANumber, "wavelength value 2: \"abc\""},
    };
    for (const Case& c : cases) {
        { std::ofstream(backup, std::ios::binary | std::ios::trunc) << c.text; }
        prompt.entries.clear();
        EXPECT_FALSE(session->saveCalibrationToFlash()) << c.says;
        ASSERT_EQ(prompt.messages().size(), 1u);
        const std::string text = prompt.messages().back().text;
        EXPECT_EQ(text.rfind(std::string(messages::kFlashBackupUnusable) + backup + ". ", 0), 0u) << text;
        EXPECT_NE(text.find(c.says), std::string::npos) << text;
        EXPECT_EQ(prompt.messages().back().caption, "Error");
    }
    EXPECT_EQ(device.count("eraseFlash"), 0u);
    EXPECT_EQ(flashText(), cal.flashRecord(true));

    { std::ofstream(backup, std::ios::binary | std::ios::trunc) << good; }
    EXPECT_TRUE(session->saveCalibrationToFlash());
}

// A device may erase and still answer with an error status: the flash read
// back says the record is gone, and the message names the backup.
TEST_F(SessionTest, EraseAnsweredWithAnErrorIsReadBackAndReportedAsErased)
{
    const PlainCalibration cal("VS014.2403Y00440");
    loadFlash(cal.flashRecord(true));
    ASSERT_TRUE(start());
    device.eraseResult = 3;
    device.erasesDespiteError = true;
    EXPECT_FALSE(session->saveCalibrationToFlash());
    EXPECT_EQ(prompt.messages().back().text, std::string(messages::kFlashErased) + cwd.path("Y00440.clbr") + ".");
    EXPECT_EQ(device.count("writeFlash 0"), 0u);

    // A device that really refused: the flash reads back as it was.
    loadFlash(cal.flashRecord(true));
    device.erasesDespiteError = false;
    EXPECT_FALSE(session->saveCalibrationToFlash());
    EXPECT_EQ(prompt.messages().back().text, messages::kFlashFailed);
    EXPECT_EQ(flashText(), cal.flashRecord(true));
}

// A folder or FIFO where the backup belongs is left alone, with a warning;
// start-up does not wait on the FIFO.
TEST_F(SessionTest, BackupPathThatIsNotARegularFileIsWarnedAbout)
{
    const PlainCalibration cal("VS014.2403Y00441");
    loadFlash(cal.flashRecord(true));
    const std::string backup = cwd.path("Y00441.clbr");
    for (const bool fifo : {true, false}) {
        if (fifo)
            ASSERT_EQ(::mkfifo(backup.c_str(), 0600), 0);
        else
            ASSERT_TRUE(std::filesystem::create_directory(backup));
        prompt.entries.clear();
        ASSERT_TRUE(waitForSignal(*session, &Session::calibrationCompleted,
                                  [&] { session->post(Operation::ReadFlash); }));
        ASSERT_FALSE(prompt.messages().empty());
        EXPECT_EQ(prompt.messages()[0].text, std::string(messages::kCalibrationBackupNotRegular) + backup +
                                                 messages::kCalibrationBackupNotRegularEnd);
        EXPECT_EQ(prompt.messages()[0].caption, "Warning");
        EXPECT_TRUE(session->calibrationBackupPath().empty());
        std::filesystem::remove(backup);
    }
}

TEST_F(SessionTest, RunChainsAcquisitionsOneAtATimeAndStops)
{
    SpectrumStore& s = session->store();
    std::vector<bool> selects;
    QObject::connect(session.get(), &Session::acquisitionCompleted, [&](bool failed) {
        EXPECT_FALSE(failed);
        EXPECT_LE(device.count("setAcquisitionParameters 1 0 3 1000"), 1u);
        selects.push_back(s.m_bufferSelect);
        if (selects.size() == 25) session->setRun(false);
    });
    ASSERT_TRUE(waitForSignal(*session, &Session::acquisitionCompleted, [&] { session->setRun(true); }, 25));
    // The acquisition the 25th completion could have started is the last.
    QEventLoop drain;
    QTimer::singleShot(0, &drain, &QEventLoop::quit);
    drain.exec();
    EXPECT_FALSE(session->acquisitionInFlight());
    for (std::size_t i = 1; i < selects.size(); ++i) EXPECT_NE(selects[i], selects[i - 1]);
    EXPECT_EQ(s.m_operation, Operation::None);
    EXPECT_EQ(device.count("clearMemory"), 1u);  // configured once
}

}  // namespace
}  // namespace halden::test
