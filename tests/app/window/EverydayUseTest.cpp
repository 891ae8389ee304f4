// What a user of measurement software takes for granted, through the real
// window: keys for the commands, the curve list, saves that never replace a
// file unasked and say where they went, the chart bar as it was left, and an
// exposure field that shows its whole value.
#include <QAbstractButton>
#include <QClipboard>
#include <QDockWidget>
#include <QFile>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>

#include <map>

#include "ModalDialog.h"
#include "WidgetTestSupport.h"
#include "WindowFixture.h"
#include "common/SettingsFile.h"
#include "window/CurveListPanel.h"

namespace halden::test {
namespace {

class EverydayUse : public WindowTest {
protected:
    // The window in front, so its keys reach its shortcuts.
    void activate()
    {
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        frame->view().setFocus();
    }
    void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(&frame->view(), static_cast<Qt::Key>(k), modifiers);
    }
    int entries(const std::string& kind) const
    {
        int n = 0;
        for (const auto& e : prompt.entries) n += e.kind == kind;
        return n;
    }
    void commit(int id, const QString& text)
    {
        QLineEdit* edit = frame->chartBar().edit(id);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
};

TEST_F(EverydayUse, ShortcutsReachTheirCommands)
{
    open();
    activate();
    // Run / Stop: F5, and Space where no field takes it.
    key(Qt::Key_F5);
    EXPECT_TRUE(store().m_running);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame->acquisitions() >= 2; }, kWaitMs));
    key(Qt::Key_F5);
    EXPECT_FALSE(store().m_running);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame->session().acquisitionInFlight(); }, kWaitMs));
    key(Qt::Key_Space);
    EXPECT_TRUE(store().m_running);
    key(Qt::Key_Space);
    EXPECT_FALSE(store().m_running);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame->session().acquisitionInFlight(); }, kWaitMs));
    // In a text field Space is a character, not Run.
    QLineEdit* exposure = frame->chartBar().edit(ids::kExposureEdit);
    exposure->setFocus();
    QTest::keyClick(exposure, Qt::Key_Space);
    EXPECT_FALSE(store().m_running);
    exposure->setText(QStringLiteral("10"));  // nothing typed is left to commit
    frame->view().setFocus();

    key(Qt::Key_K, Qt::ControlModifier);  // Snapshot
    EXPECT_EQ(curves(), 2);
    key(Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier);  // Clear all
    EXPECT_EQ(curves(), 1);
    key(Qt::Key_S, Qt::ControlModifier);  // Save spectra, the dialog
    key(Qt::Key_O, Qt::ControlModifier);  // Open
    key(Qt::Key_P, Qt::ControlModifier);  // Print
    EXPECT_EQ(entries("save"), 1);
    EXPECT_EQ(entries("open"), 1);
    EXPECT_EQ(entries("print"), 1);
    QApplication::clipboard()->clear();
    key(Qt::Key_C, Qt::ControlModifier);  // Copy
    EXPECT_GT(QApplication::clipboard()->text().count('\n'), 1000);

    store().m_xMin = 500;
    store().m_xMax = 510;
    key(Qt::Key_X, Qt::ControlModifier | Qt::ShiftModifier);  // x autoscale
    EXPECT_LT(store().m_xMin, 300);
    store().m_yMin = 0;
    store().m_yMax = 1;
    key(Qt::Key_Y, Qt::ControlModifier | Qt::ShiftModifier);  // y autoscale
    EXPECT_GT(store().m_yMax, 1);
    store().m_xMin = 500;
    store().m_xMax = 510;
    key(Qt::Key_0, Qt::ControlModifier);  // both
    EXPECT_LT(store().m_xMin, 300);

    bool settingsShown = false;
    onNextDialog([&](QDialog& d) {
        settingsShown = d.windowTitle() == QStringLiteral("Settings");
        child<QPushButton>(d, "buttonCancel")->click();
    });
    key(Qt::Key_Comma, Qt::ControlModifier);  // Settings
    EXPECT_TRUE(settingsShown);

    // The menus list the keys; every toolbar command has a menu item.
    EXPECT_EQ(frame->action(ids::kRunStop)->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(frame->action(ids::kSaveSpectraTxt)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    const std::map<int, int> menuItemOf = {{ids::kSaveTxt, ids::kSaveSpectraTxt},
                                           {ids::kSaveBmp, ids::kSaveScreenBmp},
                                           {ids::kLoadSpectra, ids::kFileOpen},
                                           {ids::kSearch, ids::kViewDatabase}};
    for (int id : toolbarCommands()) {
        const auto alias = menuItemOf.find(id);
        QAction* item = frame->action(alias == menuItemOf.end() ? id : alias->second);
        ASSERT_TRUE(item) << id;
        EXPECT_NE(item, frame->toolbarAction(id)) << id << " has no menu item";
    }
}

TEST_F(EverydayUse, CurveListIsTheChartsTable)
{
    open();
    runFor(2);
    stopRun();
    frame->runCommand(ids::kSnapshot);
    frame->runCommand(ids::kSnapshot);
    prompt.saveAnswers.push_back(path("lamp").toStdString());
    frame->runCommand(ids::kSaveSpectraTxt);
    prompt.openAnswers.push_back(path("lamp.txt").toStdString());
    frame->runCommand(ids::kFileOpen);
    ASSERT_EQ(curves(), 4);

    frame->action(ids::kViewCurveList)->trigger();
    ASSERT_TRUE(frame->curveListDock().isVisible());
    EXPECT_TRUE(frame->action(ids::kViewCurveList)->isChecked());
    QTableWidget* table = frame->curveListPanel().table();
    ASSERT_EQ(table->rowCount(), 4);
    EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("Live"));
    EXPECT_TRUE(table->item(1, 0)->text().startsWith("Snapshot 1, "));
    EXPECT_TRUE(table->item(2, 0)->text().startsWith("Snapshot 2, "));
    EXPECT_EQ(table->item(3, 0)->text(), QStringLiteral("lamp.txt"));
    EXPECT_FALSE(table->cellWidget(0, 1)) << "the live curve cannot be removed";

    // Hiding a row clears the curve's visible flag; the chart leaves it out.
    table->item(3, 0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(store().m_storedVisible[3], 0);
    table->item(3, 0)->setCheckState(Qt::Checked);
    EXPECT_EQ(store().m_storedVisible[3], 1);

    // Removing snapshot 1 keeps the others in order with their points.
    const std::vector<double> snapshot2(store().m_storedY.begin() + 2 * 3653, store().m_storedY.begin() + 3 * 3653);
    const std::string name2 = store().m_storedName[2];
    auto* remove = qobject_cast<QAbstractButton*>(table->cellWidget(1, 1));
    ASSERT_TRUE(remove);
    QTest::mouseClick(remove, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return curves() == 3; }, kWaitMs));
    EXPECT_EQ(store().m_storedName[1], name2);
    EXPECT_EQ(store().m_storedName[2], "lamp.txt");
    EXPECT_TRUE(std::equal(snapshot2.begin(), snapshot2.end(), store().m_storedY.begin() + 3653));
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->item(1, 0)->text().toStdString(), name2);
}

TEST_F(EverydayUse, SavesAskBeforeReplacingAndSayWhereTheyWent)
{
    open();
    runFor(1);
    stopRun();
    prompt.saveAnswers.push_back(path("lamp").toStdString());
    frame->runCommand(ids::kSaveSpectraTxt);
    const QByteArray first = readAll(path("lamp.txt"));
    ASSERT_FALSE(first.isEmpty());
    EXPECT_EQ(entries("okcancel"), 0);
    EXPECT_EQ(frame->statusText(), QStringLiteral("Saved ") + path("lamp.txt"));

    // "lamp" again: the extension is added first, then the question; Cancel
    // goes back to the dialog, whose Cancel writes nothing.
    runFor(1);
    stopRun();
    prompt.saveAnswers.push_back(path("lamp").toStdString());
    prompt.okCancelAnswers.push_back(false);
    frame->runCommand(ids::kSaveSpectraTxt);
    ASSERT_EQ(entries("okcancel"), 1);
    EXPECT_EQ(prompt.entries.back().kind, "save");
    const auto question = std::find_if(prompt.entries.begin(), prompt.entries.end(),
                                       [](const auto& e) { return e.kind == "okcancel"; });
    EXPECT_EQ(question->text, path("lamp.txt").toStdString() + " already exists.\nDo you want to replace it?");
    EXPECT_EQ(question->caption, "Request");
    EXPECT_EQ(readAll(path("lamp.txt")), first);

    // OK replaces it.
    prompt.saveAnswers.push_back(path("lamp").toStdString());
    prompt.okCancelAnswers.push_back(true);
    frame->runCommand(ids::kSaveSpectraTxt);
    EXPECT_NE(readAll(path("lamp.txt")), first);

    // The other saves say where they went too.
    prompt.saveAnswers.push_back(path("screen").toStdString());
    frame->runCommand(ids::kSaveScreenBmp);
    EXPECT_EQ(frame->statusText(), QStringLiteral("Saved ") + path("screen.bmp"));
    prompt.saveAnswers.push_back(path("lamp").toStdString());
    frame->runCommand(ids::kSaveSpectraCsv);
    EXPECT_EQ(frame->statusText(), QStringLiteral("Saved ") + path("lamp.csv"));
    EXPECT_TRUE(readAll(path("lamp.csv")).startsWith("# serial: "));
    prompt.saveAnswers.push_back(path("lamp").toStdString());
    frame->runCommand(ids::kSaveSpectraJcamp);
    EXPECT_EQ(frame->statusText(), QStringLiteral("Saved ") + path("lamp.jdx"));
    EXPECT_TRUE(messages().empty());

    // A JCAMP-DX file opens as a curve, and as the reference.
    prompt.openAnswers.push_back(path("lamp.jdx").toStdString());
    frame->runCommand(ids::kFileOpen);
    EXPECT_EQ(store().m_storedName[curves() - 1], "lamp.jdx");
    prompt.openAnswers.push_back(path("lamp.jdx").toStdString());
    frame->runCommand(ids::kLoadSourceSpectra);
    EXPECT_TRUE(store().m_referenceStored);
    EXPECT_TRUE(messages().empty());
}

TEST_F(EverydayUse, ChartBarValuesPersistAcrossStartsUntilReset)
{
    open(false);
    commit(ids::kExposureEdit, "7.5");
    commit(ids::kScansEdit, "3");
    commit(ids::kBoxcarEdit, "2");
    QTest::mouseClick(box(ids::kAverageBox), Qt::LeftButton);
    QTest::mouseClick(box(ids::kAutoYBox), Qt::LeftButton);
    QTest::mouseClick(box(ids::kLogScaleBox), Qt::LeftButton);
    frame->close();
    frame.reset();

    open(false);
    EXPECT_EQ(frame->chartBar().edit(ids::kExposureEdit)->text(), QStringLiteral("7.500"));
    EXPECT_EQ(frame->chartBar().edit(ids::kScansEdit)->text(), QStringLiteral("3"));
    EXPECT_EQ(frame->chartBar().edit(ids::kBoxcarEdit)->text(), QStringLiteral("2"));
    EXPECT_EQ(store().m_exposure, 750);
    EXPECT_EQ(store().m_scans, 3);
    EXPECT_EQ(store().m_boxcar, 2);
    EXPECT_FALSE(box(ids::kAverageBox)->isChecked());
    EXPECT_FALSE(store().m_average);
    EXPECT_TRUE(box(ids::kAutoYBox)->isChecked());
    EXPECT_TRUE(box(ids::kLogScaleBox)->isChecked());
    EXPECT_TRUE(store().m_logScale);
    frame->close();
    frame.reset();

    // --reset-settings: the defaults again.
    clearSettings(path("halden.ini"));
    open(false);
    EXPECT_EQ(frame->chartBar().edit(ids::kExposureEdit)->text(), QStringLiteral("10"));
    EXPECT_EQ(store().m_exposure, 1000);
    EXPECT_EQ(store().m_scans, 1);
    EXPECT_TRUE(box(ids::kAverageBox)->isChecked());
    EXPECT_FALSE(box(ids::kAutoYBox)->isChecked());
    EXPECT_FALSE(box(ids::kLogScaleBox)->isChecked());
}

TEST_F(EverydayUse, ExposureShowsItsWholeValueAtTheSmallestWindow)
{
    open(false);
    frame->resize(1, 1);  // held at the smallest size its layout allows
    QApplication::processEvents();
    commit(ids::kExposureEdit, "7.5");
    QLineEdit* exposure = frame->chartBar().edit(ids::kExposureEdit);
    ASSERT_EQ(exposure->text(), QStringLiteral("7.500"));
    const int room = exposure->contentsRect().width() - exposure->textMargins().left() - exposure->textMargins().right();
    EXPECT_GE(room, exposure->fontMetrics().horizontalAdvance(QStringLiteral("300000.000")));
}

}  // namespace
}  // namespace halden::test
