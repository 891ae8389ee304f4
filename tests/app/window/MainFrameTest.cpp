// The main window as a user meets it: the fresh start, the bar toggles, Run
// on the virtual spectrometer, and leaving while acquiring.
#include <sys/stat.h>

#include <QAction>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QToolBar>

#include "WidgetTestSupport.h"
#include "WindowFixture.h"
#include "common/SettingsFile.h"

namespace halden::test {
namespace {

TEST_F(WindowTest, FreshStartShowsTitleBarsAndNoSearchBar)
{
    open(false);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Corvane Spectra"));
    EXPECT_EQ(frame->size(), QSize(800, 600));
    EXPECT_TRUE(frame->toolBar().isVisible());
    EXPECT_TRUE(frame->chartBarDock().isVisible());
    EXPECT_TRUE(frame->statusBar()->isVisible());
    EXPECT_FALSE(frame->searchBarDock().isVisible());
    EXPECT_TRUE(frame->action(ids::kViewChartBar)->isChecked());
    EXPECT_FALSE(frame->action(ids::kViewDatabase)->isChecked());
    // The chart bar's first state; Run waits for the calibration.
    EXPECT_EQ(frame->chartBar().edit(ids::kExposureEdit)->text(), QStringLiteral("10"));
    EXPECT_EQ(frame->chartBar().edit(ids::kScansEdit)->text(), QStringLiteral("1"));
    EXPECT_EQ(frame->chartBar().edit(ids::kBoxcarEdit)->text(), QStringLiteral("0"));
    EXPECT_TRUE(box(ids::kAverageBox)->isChecked());
    for (int id : {ids::kRunBox, ids::kSubtractBox, ids::kChromaticityBox, ids::kReflectanceBox,
                   ids::kTransmittanceBox, ids::kAbsorbanceBox}) {
        EXPECT_FALSE(box(id)->isEnabled()) << id;
        EXPECT_FALSE(box(id)->isChecked()) << id;
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return box(ids::kRunBox)->isEnabled(); }, kWaitMs));
    EXPECT_TRUE(messages().empty());
}

TEST_F(WindowTest, MenusAndToolbarCarryEveryCommand)
{
    open(false);
    QStringList menus;
    for (QAction* a : frame->menuBar()->actions()) menus << a->text();
    // The five menus of the resource in their order, then the one that
    // gives the toolbar's remaining commands a menu item and a key.
    EXPECT_EQ(menus, (QStringList{"&File", "&Edit", "&View", "&Help", "Calibration", "&Acquisition"}));
    EXPECT_EQ(frame->action(ids::kFileOpen)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(frame->action(ids::kFilePrint)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    EXPECT_EQ(frame->action(ids::kEditCopy)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
    EXPECT_EQ(frame->action(ids::kCcdCalibration)->text(), QStringLiteral("CCD calibraton"));

    // Every button of the toolbar carries its icon and both command strings.
    const QList<int> toolbar = toolbarCommands();
    ASSERT_FALSE(toolbar.isEmpty());
    for (int id : toolbar) {
        QAction* a = frame->toolbarAction(id);
        ASSERT_NE(a, nullptr) << id;
        EXPECT_FALSE(a->icon().isNull()) << id;
        EXPECT_FALSE(a->toolTip().isEmpty()) << id;
        EXPECT_FALSE(a->statusTip().isEmpty()) << id;
    }
    EXPECT_EQ(frame->toolbarAction(ids::kChooseSpectrometer)->statusTip(),
              QStringLiteral("Choose connected spectrometer"));
}

TEST_F(WindowTest, FourCommandsToggleTheOneSearchBar)
{
    open(false);
    for (int id : {ids::kSearch, ids::kViewDatabase, ids::kWavelengthCalibration, ids::kCcdCalibration}) {
        frame->runCommand(id);
        EXPECT_TRUE(frame->searchBarDock().isVisible()) << id;
        EXPECT_TRUE(frame->action(ids::kViewDatabase)->isChecked()) << id;
        frame->runCommand(id);
        EXPECT_FALSE(frame->searchBarDock().isVisible()) << id;
        EXPECT_FALSE(frame->action(ids::kViewDatabase)->isChecked()) << id;
    }
    // The chart bar through its menu item, whose mark follows.
    frame->action(ids::kViewChartBar)->trigger();
    EXPECT_FALSE(frame->chartBarDock().isVisible());
    EXPECT_FALSE(frame->action(ids::kViewChartBar)->isChecked());
    frame->action(ids::kViewChartBar)->trigger();
    EXPECT_TRUE(frame->chartBarDock().isVisible());
    EXPECT_TRUE(frame->action(ids::kViewChartBar)->isChecked());
    // The same toggle from the command path, for the toolbar too.
    frame->runCommand(ids::kViewChartBar);
    EXPECT_FALSE(frame->chartBarDock().isVisible());
    frame->runCommand(ids::kViewToolbar);
    EXPECT_FALSE(frame->toolBar().isVisible());
    EXPECT_FALSE(frame->action(ids::kViewToolbar)->isChecked());
    frame->action(ids::kViewToolbar)->trigger();
    EXPECT_TRUE(frame->toolBar().isVisible());
}

TEST_F(WindowTest, RunAcquiresPaintsAndReportsTheRate)
{
    open();
    EXPECT_EQ(frame->instrumentText(), QStringLiteral("virtual"));
    const int paints = frame->view().paintCount();
    runFor(5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame->view().paintCount() > paints; }, kWaitMs));
    EXPECT_GT(store().m_storedLength[0], 3000);
    // The status bar's rate pane counts the acquisitions of each second
    // while running, and empties when Run goes off.
    auto* rate = frame->statusBar()->findChild<QLabel*>(QStringLiteral("statusRate"));
    ASSERT_NE(rate, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rate->text().isEmpty(); }, kWaitMs));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+ acq/s$")).match(rate->text()).hasMatch())
        << rate->text().toStdString();
    stopRun();
    EXPECT_FALSE(box(ids::kRunBox)->isChecked());
    EXPECT_TRUE(rate->text().isEmpty());
    EXPECT_TRUE(messages().empty());
}

TEST_F(WindowTest, StatusBarWarnsOfSaturatedPixels)
{
    open();
    runFor(2);
    EXPECT_TRUE(frame->warningText().isEmpty());
    // A lamp at 2 s exposure fills the detector's wells.
    QLineEdit* exposure = frame->chartBar().edit(ids::kExposureEdit);
    exposure->selectAll();
    QTest::keyClicks(exposure, "2000");
    QTest::keyClick(exposure, Qt::Key_Return);  // a typed value takes effect when committed
    const int start = frame->acquisitions();
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame->acquisitions() > start + 2; }, kWaitMs));
    EXPECT_TRUE(frame->warningText().startsWith("Saturated: ")) << frame->warningText().toStdString();
    EXPECT_GT(store().m_liveAcquisition.saturatedPixels, 0);
    stopRun();
}

TEST_F(WindowTest, UncheckingRunWhileATriggerNeverFiresEndsTheWait)
{
    open();
    // An external trigger that never comes: the acquisition waits on it.
    store().m_trigMode = 1;
    store().m_trigNone = false;
    store().m_trigExternal = true;
    QTest::mouseClick(box(ids::kRunBox), Qt::LeftButton);
    ASSERT_TRUE(frame->session().acquisitionInFlight());
    QTest::mouseClick(box(ids::kRunBox), Qt::LeftButton);
    EXPECT_FALSE(store().m_running);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !frame->session().acquisitionInFlight(); }, kWaitMs));
}

TEST_F(WindowTest, ExitWhileRunningStopsAcquisitionAndKeepsTheLayout)
{
    open();
    runFor(2);
    frame->chartBarDock().hide();
    frame->runCommand(ids::kAppExit);
    EXPECT_FALSE(frame->isVisible());
    EXPECT_FALSE(store().m_running);
    frame.reset();  // the worker's thread ends here

    open(false);
    EXPECT_FALSE(frame->chartBarDock().isVisible());
    EXPECT_FALSE(frame->action(ids::kViewChartBar)->isChecked());
    EXPECT_FALSE(frame->searchBarDock().isVisible());
}

// A settings file that is a FIFO would stall start-up on its first read,
// a folder cannot hold settings: either is left alone, with a warning, and
// the window starts, runs and closes all the same.
TEST_F(WindowTest, SettingsFileThatIsNotARegularFileIsWarnedAboutAndNeverWaitedOn)
{
    const QString settings = path("halden.ini");
    for (const bool fifo : {true, false}) {
        if (fifo)
            ASSERT_EQ(::mkfifo(QFile::encodeName(settings).constData(), 0600), 0);
        else
            ASSERT_TRUE(QDir().mkdir(settings));
        prompt.entries.clear();
        open();
        const auto shown = messages();
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown[0].text, settingsFileWarning(settings));
        EXPECT_EQ(shown[0].caption, "Warning");
        runFor(1);
        frame->runCommand(ids::kAppExit);
        frame.reset();
        EXPECT_EQ(QFileInfo(settings).isDir(), !fifo);
        ASSERT_TRUE(fifo ? QFile::remove(settings) : QDir().rmdir(settings));
    }
}

TEST_F(WindowTest, CommandsThatNeedTheDeviceWaitForTheFlashWrite)
{
    open();
    store().m_flashBusy = true;  // as while the worker erases and writes
    QTest::mouseClick(box(ids::kRunBox), Qt::LeftButton);
    frame->runCommand(ids::kChooseSpectrometer);
    frame->runCommand(ids::kSaveCalibrationToFlash);
    EXPECT_FALSE(store().m_running);
    EXPECT_FALSE(box(ids::kRunBox)->isChecked());
    const auto shown = messages();
    ASSERT_EQ(shown.size(), 3u);
    for (const auto& m : shown) {
        EXPECT_EQ(m.text, "Writing to FLASH in process, Wait!!!");
        EXPECT_EQ(m.caption, "Request");
    }
    store().m_flashBusy = false;
}

TEST_F(WindowTest, CommandsThatNeedASpectrumSayWhy)
{
    open(false);
    // Nothing acquired or loaded: curve 0 is empty until the first paint of data.
    store().m_storedLength[0] = 0;
    frame->runCommand(ids::kSnapshot);
    frame->runCommand(ids::kEditCopy);
    frame->runCommand(ids::kMakeComparison);
    const auto shown = messages();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_NE(shown[0].text.find("Snapshot"), std::string::npos);
    EXPECT_NE(shown[1].text.find("Copy"), std::string::npos);
    EXPECT_NE(shown[2].text.find("Load database"), std::string::npos);
}

}  // namespace
}  // namespace halden::test
