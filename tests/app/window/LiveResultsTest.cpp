// What the window shows, copies and saves while it acquires: only spectra
// that were measured, each with the settings it was measured with, whatever
// the user types or clicks meanwhile.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QStatusBar>

#include <cmath>

#include "WidgetTestSupport.h"
#include "WindowFixture.h"
#include "common/Messages.h"
#include "spectrum/StoredCurves.h"

namespace halden::test {
namespace {

// The numbers of the clipboard text: one row per point, x then the values.
std::vector<std::vector<double>> clipboardRows()
{
    std::vector<std::vector<double>> rows;
    for (const QString& line : QApplication::clipboard()->text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        std::vector<double> row;
        for (const QString& field : line.split('\t', Qt::SkipEmptyParts)) row.push_back(field.toDouble());
        rows.push_back(row);
    }
    return rows;
}

class LiveResultsTest : public WindowTest {
protected:
    QLineEdit* edit(int id) { return frame->chartBar().edit(id); }

    // Waits for n more finished acquisitions: the pace of a person typing.
    void acquisitionsPass(int n)
    {
        const int start = frame->acquisitions();
        ASSERT_TRUE(QTest::qWaitFor([&] { return frame->acquisitions() >= start + n; }, kWaitMs));
    }

    // The value of curve 0 at the point nearest nm.
    double curve0At(double nm)
    {
        const StoredCurve c = storedCurve0(store());
        int best = 0;
        for (int i = 0; i < c.count(); ++i)
            if (std::fabs(c.x[i] - nm) < std::fabs(c.x[best] - nm)) best = i;
        return c.y[best];
    }
};

// Stopping used to end the wait early and hand out a spectrum of zeros.
TEST_F(LiveResultsTest, StoppingAWaitingAcquisitionKeepsTheLastMeasuredSpectrum)
{
    open();
    runFor(2);
    stopRun();
    frame->runCommand(ids::kEditCopy);
    const auto measured = clipboardRows();
    ASSERT_EQ(measured.size(), 3653u);
    const double shownAt1800 = store().liveBuffer()[1800];
    ASSERT_GT(shownAt1800, 100);

    // An external trigger that never comes holds the next acquisition in
    // its wait, as a long exposure does.
    store().m_extTrigMode = 1;
    QTest::mouseClick(box(ids::kRunBox), Qt::LeftButton);
    ASSERT_TRUE(frame->session().acquisitionInFlight());
    QTest::mouseClick(box(ids::kRunBox), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame->session().acquisitionInFlight(); }, kWaitMs));

    EXPECT_EQ(store().liveBuffer()[1800], shownAt1800);
    EXPECT_EQ(curve0At(store().m_wavelength[1800]), shownAt1800);
    frame->runCommand(ids::kEditCopy);
    EXPECT_EQ(clipboardRows(), measured);
    prompt.saveAnswers.push_back(path("after-stop.txt").toStdString());
    frame->runCommand(ids::kSaveSpectraTxt);
    QFile saved(path("after-stop.txt"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = saved.readAll().split('\n');
    ASSERT_GT(lines.size(), 1800);
    EXPECT_NEAR(lines[1800].trimmed().split(' ').last().toDouble(), shownAt1800, 5e-4);
    EXPECT_TRUE(messages().empty());
}

// Each completed acquisition used to rewrite the exposure edit: "45" typed
// at a person's pace read "4.000", an emptied field "0.000".
TEST_F(LiveResultsTest, TypingAnExposureWhileRunningIsNeverOverwritten)
{
    open();
    runFor(2);
    QLineEdit* exposure = edit(ids::kExposureEdit);
    exposure->setFocus();
    exposure->selectAll();
    QTest::keyClick(exposure, Qt::Key_4);
    acquisitionsPass(3);
    EXPECT_EQ(exposure->text(), QStringLiteral("4"));
    QTest::keyClick(exposure, Qt::Key_5);
    acquisitionsPass(3);
    EXPECT_EQ(exposure->text(), QStringLiteral("45"));
    EXPECT_EQ(store().m_exposure, 1000);  // typed, not committed: 10 ms still in force

    QTest::keyClick(exposure, Qt::Key_Return);
    EXPECT_EQ(store().m_exposure, 4500);
    EXPECT_EQ(exposure->text(), QStringLiteral("45.000"));
    acquisitionsPass(2);
    EXPECT_EQ(store().m_liveAcquisition.settings.device.exposure, 4500);

    // An emptied field stays empty while it is edited, and is refused on
    // Enter: the last valid exposure stays.
    exposure->selectAll();
    QTest::keyClick(exposure, Qt::Key_Delete);
    acquisitionsPass(2);
    EXPECT_EQ(exposure->text(), QString());
    QTest::keyClick(exposure, Qt::Key_Return);
    EXPECT_EQ(store().m_exposure, 4500);
    EXPECT_EQ(exposure->text(), QStringLiteral("45.000"));
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, messages::kExposureNotNumber);
    stopRun();
}

// A new exposure used to rescale the marker's irradiance at once, before a
// spectrum at that exposure existed.
TEST_F(LiveResultsTest, ReadoutsKeepTheSettingsOfTheShownSpectrum)
{
    open();
    runFor(2);
    stopRun();
    ASSERT_TRUE(store().m_irradianceCalibrated);
    const double before = frame->session().figures().markerIrradiance;
    ASSERT_GT(before, 0);
    typeInto(edit(ids::kExposureEdit), QStringLiteral("5000"));
    QTest::keyClick(edit(ids::kExposureEdit), Qt::Key_Return);
    ASSERT_EQ(store().m_exposure, 500000);
    EXPECT_EQ(frame->session().figures().markerIrradiance, before);
    EXPECT_EQ(frame->view().lastFigures().markerIrradiance, before);
}

// Fast mode used to plot the full-resolution spectrum stretched over twice
// the wavelengths: the value shown at 555 nm was the value of about 380 nm.
TEST_F(LiveResultsTest, FastModeShowsEachWavelengthsOwnValue)
{
    open();
    runFor(2);
    stopRun();
    const std::vector<double> wavelengths = {420, 480, 555, 620, 700};
    std::vector<double> normal;
    for (double nm : wavelengths) normal.push_back(curve0At(nm));

    QTest::mouseClick(box(ids::kFastBox), Qt::LeftButton);
    ASSERT_TRUE(store().m_fast);
    runFor(2);
    stopRun();
    ASSERT_TRUE(store().m_liveAcquisition.fast());
    EXPECT_EQ(storedCurve0(store()).count(), 1826);
    for (std::size_t k = 0; k < wavelengths.size(); ++k)
        EXPECT_NEAR(curve0At(wavelengths[k]), normal[k], 0.05 * normal[k]) << wavelengths[k] << " nm";

    // What is copied is what is shown: each row's wavelength with its value.
    frame->runCommand(ids::kEditCopy);
    const auto rows = clipboardRows();
    ASSERT_EQ(rows.size(), 1827u);
    for (int i : {100, 900, 1500}) {
        EXPECT_DOUBLE_EQ(rows[i][0], std::round(store().m_wavelength[2 * i] * 1000) / 1000);
        EXPECT_NEAR(rows[i][1], store().liveBuffer()[i], 5e-4);
    }
}

// Scan curves of a run without averaging used to stay over the live curve
// once averaging was back on.
TEST_F(LiveResultsTest, ScanCurvesLeaveWithTheirRun)
{
    open();
    QTest::mouseClick(box(ids::kAverageBox), Qt::LeftButton);
    typeInto(edit(ids::kScansEdit), QStringLiteral("5"));
    QTest::keyClick(edit(ids::kScansEdit), Qt::Key_Return);
    runFor(2);
    stopRun();
    EXPECT_EQ(curves(), 5);
    frame->runCommand(ids::kSnapshot);
    EXPECT_EQ(curves(), 6);

    QTest::mouseClick(box(ids::kAverageBox), Qt::LeftButton);
    typeInto(edit(ids::kScansEdit), QStringLiteral("1"));
    QTest::keyClick(edit(ids::kScansEdit), Qt::Key_Return);
    runFor(2);
    stopRun();
    EXPECT_EQ(curves(), 2);  // the live curve and the snapshot
}

// A check box changed without a click (the keyboard, an assistive tool's
// "Toggle" action) used to show a tick while nothing ran.
TEST_F(LiveResultsTest, RunToggledWithoutAClickRuns)
{
    open();
    box(ids::kRunBox)->toggle();
    EXPECT_TRUE(store().m_running);
    acquisitionsPass(2);
    box(ids::kRunBox)->setFocus();
    QTest::keyClick(box(ids::kRunBox), Qt::Key_Space);
    EXPECT_FALSE(store().m_running);
    EXPECT_FALSE(box(ids::kRunBox)->isChecked());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame->session().acquisitionInFlight(); }, kWaitMs));
}

// After a long unplug the device answered again, but the set-up that failed
// during the outage was never sent again: no frame was ever asked for.
TEST_F(LiveResultsTest, AcquiringResumesAfterALongUnplug)
{
    setenv("VANTREL_VIRTUAL_FAULTS", "unplug,once=300,for=30", 1);
    open();
    unsetenv("VANTREL_VIRTUAL_FAULTS");
    QStringList shown;
    QObject::connect(frame->statusBar(), &QStatusBar::messageChanged, [&](const QString& m) { shown << m; });
    QTest::mouseClick(box(ids::kRunBox), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame->acquisitions() > 0 && !shown.isEmpty() && shown.last() ==
                                                 QStringLiteral("The spectrometer answers again."); },
                                kWaitMs * 3))
        << shown.join(" | ").toStdString();
    acquisitionsPass(5);
    stopRun();
}

}  // namespace
}  // namespace halden::test
