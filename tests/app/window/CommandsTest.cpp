// Commands through the real window: files, dialogs through their widgets,
// the measurement modes, the database, the screen image, printing, the
// clipboard, and a device that fails while running.
#include <QAbstractButton>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>

#include <QCheckBox>
#include <QComboBox>

#include <algorithm>
#include <cmath>
#include <vector>

#include "ModalDialog.h"
#include "WidgetTestSupport.h"
#include "WindowFixture.h"
#include "common/Messages.h"
#include "database/DatabaseSearch.h"
#include "spectrum/StoredCurves.h"
#include "window/SearchBar.h"

namespace halden::test {
namespace {

TEST_F(WindowTest, SnapshotSaveAndOpenAddCurvesInTheirColours)
{
    open();
    runFor(3);
    stopRun();
    frame->runCommand(ids::kSnapshot);
    EXPECT_EQ(curves(), 2);

    prompt.saveAnswers.push_back(path("live").toStdString());
    frame->runCommand(ids::kSaveSpectraTxt);
    const QByteArray saved = readAll(path("live.txt"));
    ASSERT_FALSE(saved.isEmpty());

    prompt.openAnswers.push_back(path("live.txt").toStdString());
    frame->runCommand(ids::kFileOpen);
    ASSERT_EQ(curves(), 3);
    // Each stored curve gets its own colour.
    EXPECT_FALSE(store().m_storedRed[1] == store().m_storedRed[2] && store().m_storedGreen[1] == store().m_storedGreen[2] &&
                 store().m_storedBlue[1] == store().m_storedBlue[2]);
    EXPECT_EQ(frame->recentFiles(), QStringList{QFileInfo(path("live.txt")).absoluteFilePath()});
    frame->openRecentFile(frame->recentFiles().first());
    EXPECT_EQ(curves(), 4);
    EXPECT_TRUE(messages().empty());

    frame->runCommand(ids::kClearAll);
    EXPECT_EQ(curves(), 1);
}

TEST_F(WindowTest, RecentFilesKeepTheLastFourAcrossStarts)
{
    open();
    runFor(1);
    stopRun();
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        prompt.saveAnswers.push_back(path(name).toStdString());
        frame->runCommand(ids::kSaveSpectraTxt);
        prompt.openAnswers.push_back(path(name).toStdString() + ".txt");
        frame->runCommand(ids::kFileOpen);
    }
    const QStringList recent = frame->recentFiles();
    ASSERT_EQ(recent.size(), 4);
    EXPECT_TRUE(recent.first().endsWith("e.txt"));
    EXPECT_TRUE(recent.last().endsWith("b.txt"));
    frame.reset();
    open(false);
    EXPECT_EQ(frame->recentFiles(), recent);
}

TEST_F(WindowTest, SettingsThroughItsWidgetsReachTheChartBarAndStartPeriodicSaving)
{
    open();
    runFor(1);
    prompt.saveAnswers.push_back(path("every").toStdString());  // the periodic files' base name
    onNextDialog([](QDialog& d) {
        child<QLineEdit>(d, "edit1000")->setText("12.345");
        child<QCheckBox>(d, "check1020")->setChecked(true);
        child<QLineEdit>(d, "edit1021")->setText("1");
        child<QCheckBox>(d, "check1022")->setChecked(true);
        child<QPushButton>(d, "buttonOk")->click();
    });
    frame->runCommand(ids::kSettings);
    EXPECT_EQ(frame->chartBar().edit(ids::kExposureEdit)->text(), QStringLiteral("12.340"));
    EXPECT_FALSE(store().m_running);  // the dialog stopped the acquisition
    ASSERT_FALSE(messages().empty());
    EXPECT_EQ(messages()[0].text, "Save First Spectra");
    EXPECT_TRUE(store().m_periodicSave);
    EXPECT_TRUE(frame->session().periodicSaveTimer().isActive());
    EXPECT_EQ(frame->session().periodicSaveTimer().interval(), 1000);
}

TEST_F(WindowTest, PeriodicSavingThatFailsStopsAfterOneMessage)
{
    open();
    runFor(1);
    store().m_periodicSave = true;
    store().m_saveTxt = true;
    store().m_saveInterval = 1;
    prompt.saveAnswers.push_back(path("gone/every").toStdString());  // a folder that does not exist
    CommandEffects fx;
    fx.saveOnceNow = true;
    fx.startSaveTimer = true;
    fx.saveTimerMs = 1000;
    frame->applyEffects(fx);
    ASSERT_TRUE(frame->session().periodicSaveTimer().isActive());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages().empty(); }, kWaitMs));
    EXPECT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].caption, "ERROR");
    EXPECT_FALSE(frame->session().periodicSaveTimer().isActive());
    EXPECT_FALSE(store().m_periodicSave);
    EXPECT_TRUE(store().m_running);  // acquisition goes on
}

TEST_F(WindowTest, TriggerDialogEnablesTheGroupOfItsMode)
{
    open();
    onNextDialog([](QDialog& d) {
        EXPECT_TRUE(child<QRadioButton>(d, "radio1065")->isChecked());  // none
        EXPECT_FALSE(child<QGroupBox>(d, "groupExternal")->isEnabled());
        EXPECT_FALSE(child<QGroupBox>(d, "groupOptical")->isEnabled());
        child<QRadioButton>(d, "radio1067")->click();
        const bool external = child<QGroupBox>(d, "groupExternal")->isEnabled();
        const bool optical = child<QGroupBox>(d, "groupOptical")->isEnabled();
        EXPECT_NE(external, optical);
        child<QPushButton>(d, "buttonOk")->click();
    });
    frame->runCommand(ids::kTriggerSettings);
    EXPECT_NE(store().m_trigMode, 0);
}

TEST_F(WindowTest, BackgroundSubtractAndTheReferenceModes)
{
    open();
    runFor(2);
    QTest::mouseClick(frame->chartBar().button(ids::kGetBackground), Qt::LeftButton);
    // The next paint captures the background.
    ASSERT_TRUE(QTest::qWaitFor([&] { return store().m_backgroundState >= BackgroundState::Captured; }, kWaitMs));
    EXPECT_TRUE(box(ids::kSubtractBox)->isEnabled());
    QTest::mouseClick(box(ids::kSubtractBox), Qt::LeftButton);
    EXPECT_TRUE(store().m_subtractBackground);
    QTest::mouseClick(box(ids::kSubtractBox), Qt::LeftButton);
    stopRun();

    // ABS without a reference is refused with the core's message.
    frame->runCommand(ids::kAbsorbanceBox, true);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, "Get Reference spectra fist");

    frame->runCommand(ids::kGetSourceSpectra);
    EXPECT_TRUE(store().m_referenceStored);
    EXPECT_TRUE(box(ids::kAbsorbanceBox)->isEnabled());
    QTest::mouseClick(box(ids::kAbsorbanceBox), Qt::LeftButton);
    EXPECT_EQ(store().m_ratioMode, 3);
    EXPECT_TRUE(box(ids::kAbsorbanceBox)->isChecked());

    onNextDialog([](QDialog& d) {
        d.findChild<QCheckBox*>()->setChecked(true);
        child<QPushButton>(d, "buttonOk")->click();
    });
    frame->runCommand(ids::kConcentration);
    EXPECT_TRUE(store().m_showConcentration);
}

TEST_F(WindowTest, DatabaseLoadCompareAndSelect)
{
    open();
    runFor(2);
    stopRun();
    QDir().mkpath(path("db"));
    for (const char* name : {"one", "two", "three"}) {
        prompt.saveAnswers.push_back(path("db/").toStdString() + name);
        frame->runCommand(ids::kSaveSpectraTxt);
    }
    QDir().mkpath(path("db/sub"));
    frame->runCommand(ids::kSearch);
    SearchBar& bar = frame->searchBar();
    DatabaseSearch& search = frame->database();
    prompt.folderAnswers.push_back(path("db").toStdString());
    QTest::mouseClick(bar.loadButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !search.busy(); }, kWaitMs));
    ASSERT_EQ(bar.list()->count(), 3);  // the sub-folder is no spectrum
    EXPECT_EQ(bar.folderLabel()->text(), path("db"));
    EXPECT_EQ(bar.skippedLabel()->text(), QStringLiteral("1 entry without spectrum data skipped"));

    // The spectra were saved from the live spectrum's own grid (x to three
    // decimals): every live interval pairs, and the live spectrum scores 100
    // against its own file.
    bar.metricBox()->setCurrentIndex(bar.metricBox()->findText(QStringLiteral("pearson")));
    emit bar.metricBox()->activated(bar.metricBox()->currentIndex());
    QTest::mouseClick(bar.compareButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !search.busy(); }, kWaitMs));
    EXPECT_EQ(bar.compareButton()->text(), QStringLiteral("Make comparison"));
    EXPECT_EQ(search.database().m_dbMetric, SimilarityMetric::Pearson);
    EXPECT_TRUE(bar.list()->item(0)->text().startsWith("100 - "));
    EXPECT_GE(search.database().m_dbPairs[0], storedCurve0(store()).count() - 1);
    bar.list()->setCurrentRow(1);
    EXPECT_EQ(search.database().m_dbCurrent, 1);
    EXPECT_GE(curves(), 2);  // the entry shows as stored curve 1
    EXPECT_TRUE(messages().empty());
}

// A library large enough to take a while: the window paints and answers
// while it loads and ranks, and a second comparison is refused meanwhile.
TEST_F(WindowTest, WindowStaysResponsiveWhileALargeLibraryLoads)
{
    open();
    runFor(1);
    stopRun();
    QDir().mkpath(path("lib"));
    prompt.saveAnswers.push_back(path("lib/a0000").toStdString());
    frame->runCommand(ids::kSaveSpectraTxt);
    QFile first(path("lib/a0000.txt"));
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    const QByteArray text = first.readAll();
    for (int k = 1; k < 1000; ++k) {
        QFile copy(path("lib/a%1.txt").arg(k, 4, 10, QLatin1Char('0')));
        ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
        copy.write(text);
    }
    frame->runCommand(ids::kSearch);
    SearchBar& bar = frame->searchBar();
    DatabaseSearch& search = frame->database();
    prompt.folderAnswers.push_back(path("lib").toStdString());
    QTest::mouseClick(bar.loadButton(), Qt::LeftButton);
    // The click has returned and the load goes on: the window takes the next
    // command, which is refused, not queued, and repaints.
    ASSERT_TRUE(search.busy());
    QTest::mouseClick(bar.compareButton(), Qt::LeftButton);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, messages::kDatabaseBusy);
    frame->view().repaint();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !search.busy(); }, kWaitMs));
    EXPECT_EQ(bar.list()->count(), 1000);

    QTest::mouseClick(bar.compareButton(), Qt::LeftButton);
    ASSERT_TRUE(search.busy());
    QTest::mouseClick(bar.compareButton(), Qt::LeftButton);
    ASSERT_EQ(messages().size(), 2u);
    EXPECT_EQ(messages()[1].text, messages::kDatabaseBusy);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !search.busy(); }, kWaitMs));
    EXPECT_TRUE(bar.list()->item(0)->text().startsWith("100 - a0000.txt"));
    EXPECT_EQ(bar.compareButton()->text(), QStringLiteral("Make comparison"));
}

// A Raman instrument compares normalised: a database loaded after its
// calibration was read starts with the box checked.
TEST_F(WindowTest, RamanInstrumentLoadsTheDatabaseNormalised)
{
    scene("raman");
    open();
    EXPECT_TRUE(frame->database().database().m_dbNormalize);
    QDir().mkpath(path("db"));
    prompt.folderAnswers.push_back(path("db").toStdString());
    frame->runCommand(ids::kLoadDatabase);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame->database().busy(); }, kWaitMs));
    EXPECT_TRUE(frame->searchBar().normalizeBox()->isChecked());
}

// The lamp measured against its own 1 nm file as the reference: resampled
// onto the live wavelengths, it gives T% about 100 and ABS about 0 wherever
// the file reaches, and no reference beyond its last whole nanometre.
TEST_F(WindowTest, LampAgainstItsOwn1nmFileAsReference)
{
    open();
    runFor(2);
    stopRun();
    prompt.saveAnswers.push_back(path("lamp1nm").toStdString());
    frame->runCommand(ids::kSave1nmStep);
    prompt.openAnswers.push_back(path("lamp1nm.txt").toStdString());
    frame->runCommand(ids::kLoadSourceSpectra);
    ASSERT_EQ(messages().size(), 2u);
    EXPECT_EQ(messages()[0].text, "Number of spectral points is not correct");
    EXPECT_EQ(messages()[1].text.rfind(messages::kReferenceResampled, 0), 0u) << messages()[1].text;
    const double fileEnd = std::trunc(store().m_wavelength[store().m_lastPoint]);

    // Where the lamp is bright (the dim ultraviolet end is mostly noise):
    // the median and nine points in ten near the ideal value.
    const double brightest = *std::max_element(store().m_reference.begin(), store().m_reference.end());
    auto check = [&](int box, double ideal, double near, double outside) {
        frame->runCommand(box, true);
        runFor(2);
        stopRun();
        const StoredCurve live = storedCurve0(store());
        std::vector<double> inside;
        for (int i = 0; i < live.count(); ++i) {
            if (live.x[i] > fileEnd) EXPECT_EQ(live.y[i], outside) << live.x[i];
            else if (store().m_reference[i] > 0.2 * brightest) inside.push_back(live.y[i]);
        }
        ASSERT_GT(inside.size(), 1000u);
        std::sort(inside.begin(), inside.end());
        EXPECT_NEAR(inside[inside.size() / 2], ideal, near / 10);
        EXPECT_NEAR(inside[inside.size() / 20], ideal, near);
        EXPECT_NEAR(inside[inside.size() - inside.size() / 20], ideal, near);
    };
    check(ids::kTransmittanceBox, 100, 10, -1);
    check(ids::kAbsorbanceBox, 0, 0.05, 0);
}

TEST_F(WindowTest, ScreenImagePrintAndCopy)
{
    open();
    runFor(2);
    stopRun();
    prompt.saveAnswers.push_back(path("screen").toStdString());
    frame->runCommand(ids::kSaveScreenBmp);
    const QByteArray bmp = readAll(path("screen.bmp"));
    ASSERT_GT(bmp.size(), 54);
    EXPECT_TRUE(bmp.startsWith("BM"));

    frame->printer().setOutputFormat(QPrinter::PdfFormat);
    frame->printer().setOutputFileName(path("chart.pdf"));
    prompt.printAnswers.push_back(true);
    frame->runCommand(ids::kFilePrint);
    EXPECT_TRUE(readAll(path("chart.pdf")).startsWith("%PDF"));

    QApplication::clipboard()->clear();
    frame->runCommand(ids::kEditCopy);
    const QString text = QApplication::clipboard()->text();
    EXPECT_GT(text.count('\n'), 1000);
    EXPECT_TRUE(messages().empty());
}

TEST_F(WindowTest, AboutShowsTheDeviceLine)
{
    open();
    onNextDialog([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("About program"));
        EXPECT_EQ(child<QLabel>(d, "static1043")->text(), QStringLiteral("device info: VS014.2403Y00123"));
        d.accept();
    });
    frame->runCommand(ids::kAbout);
}

TEST_F(WindowTest, ADeviceThatStopsAnsweringIsReportedAndRecovers)
{
    // The third frame read gets no reply.
    setenv("VANTREL_VIRTUAL_FAULTS", "drop,cmd=0x0A,once=3", 1);
    open();
    QStringList shown;
    QObject::connect(frame->statusBar(), &QStatusBar::messageChanged, [&](const QString& m) { shown << m; });
    runFor(6);
    unsetenv("VANTREL_VIRTUAL_FAULTS");
    stopRun();
    const auto failed = shown.indexOf(QStringLiteral("The spectrometer does not answer; retrying..."));
    ASSERT_GE(failed, 0) << shown.join(" | ").toStdString();
    EXPECT_GT(shown.indexOf(QStringLiteral("The spectrometer answers again."), failed), failed);
}

}  // namespace
}  // namespace halden::test

namespace halden::test {
namespace {

TEST_F(WindowTest, GaussianApproximationRunsOnItsWorkerAndShows)
{
    open();
    runFor(2);
    stopRun();
    QTest::mouseClick(frame->chartBar().button(ids::kGaussianAppr), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame->gaussianResults() == 1; }, kWaitMs));
    EXPECT_GT(store().m_gaussCenter, 0.0);
    EXPECT_TRUE(messages().empty());
}

TEST_F(WindowTest, DoubleClickBelowThePlotOpensTheScaleDialog)
{
    open();
    runFor(1);
    QString title;
    onNextDialog([&](QDialog& d) {
        title = d.windowTitle();
        d.reject();
    });
    QWidget& view = frame->view();
    QTest::mouseDClick(&view, Qt::LeftButton, {}, QPoint(view.width() / 2, view.height() - 3));
    EXPECT_EQ(title, QStringLiteral("X Y Scale"));
    EXPECT_FALSE(store().m_running);  // the dialog stops the acquisition first
}

}  // namespace
}  // namespace halden::test

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace halden::test {
namespace {

// Makes a folder immutable (nothing can be created, renamed or removed in
// it) for the life of this object; needs root and a file system with the
// flag, else ok() is false.
class ImmutableFolder {
public:
    explicit ImmutableFolder(const QString& path) : m_fd(::open(path.toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY))
    {
        if (m_fd < 0 || ::ioctl(m_fd, FS_IOC_GETFLAGS, &m_flags) != 0) return;
        int flags = m_flags | FS_IMMUTABLE_FL;
        m_ok = ::ioctl(m_fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ~ImmutableFolder()
    {
        if (m_ok) ::ioctl(m_fd, FS_IOC_SETFLAGS, &m_flags);
        if (m_fd >= 0) ::close(m_fd);
    }
    bool ok() const { return m_ok; }

private:
    int m_fd = -1;
    int m_flags = 0;
    bool m_ok = false;
};

TEST_F(WindowTest, AFailedSaveSaysSoAndKeepsTheEarlierFile)
{
    open();
    runFor(1);
    stopRun();
    QDir().mkpath(path("locked"));
    prompt.saveAnswers.push_back(path("locked/spectrum").toStdString());
    frame->runCommand(ids::kSaveSpectraTxt);
    const QByteArray before = readAll(path("locked/spectrum.txt"));
    ASSERT_FALSE(before.isEmpty());
    runFor(1);  // a different spectrum to save
    stopRun();
    {
        ImmutableFolder locked(path("locked"));
        if (!locked.ok()) GTEST_SKIP() << "cannot make a folder immutable here (needs root on ext4 or the like)";
        prompt.saveAnswers.push_back(path("locked/spectrum").toStdString());
        frame->runCommand(ids::kSaveSpectraTxt);
    }
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, "ERROR DURING CREATION THE OUT FILE");
    EXPECT_EQ(messages()[0].caption, "ERROR");
    EXPECT_EQ(readAll(path("locked/spectrum.txt")), before);
    EXPECT_EQ(QDir(path("locked")).entryList(QDir::Files), QStringList{"spectrum.txt"});  // no temporary left
}

}  // namespace
}  // namespace halden::test
