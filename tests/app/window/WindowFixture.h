// The real main window on the library's virtual spectrometer (instant
// timing), offscreen, with the recorder prompt and settings in a temporary
// INI file; the current directory is a temporary folder, so calibration
// backups and saved files land there.
#pragma once

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <cstdlib>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "CommandIds.h"
#include "acquisition/Session.h"
#include "support/PromptRecorder.h"
#include "window/CBrevitView.h"
#include "window/CMainFrame.h"
#include "window/ChartBar.h"

namespace halden::test {

// The program's one QApplication (made by whichever test comes first; the
// test environment deletes it after the last test).
inline QApplication& windowApplication()
{
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) return *existing;
    static int argc = 1;
    static char name[] = "window_tests";
    static char* argv[] = {name, nullptr};
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    return *new QApplication(argc, argv);
}

// Generous safety net only: every wait ends on the condition.
inline constexpr int kWaitMs = 20000;

class WindowTest : public ::testing::Test {
protected:
    WindowTest()
    {
        setenv("VANTREL_VIRTUAL", "1", 1);
        setenv("VANTREL_VIRTUAL_TIMING", "instant", 1);
        scene(nullptr);
        windowApplication();
        m_previousDir = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
    }
    ~WindowTest() override
    {
        frame.reset();
        QDir::setCurrent(m_previousDir);
    }

    static void scene(const char* name)
    {
        if (name) setenv("VANTREL_VIRTUAL_SCENE", name, 1);
        else unsetenv("VANTREL_VIRTUAL_SCENE");
    }

    // Creates the frame; with calibrated, waits until Run is enabled.
    void open(bool calibrated = true)
    {
        CMainFrame::Options options;
        options.settingsFile = m_dir.filePath(QStringLiteral("halden.ini"));
        options.instrumentName = QStringLiteral("virtual");
        frame = std::make_unique<CMainFrame>(prompt, options);
        frame->show();
        if (calibrated) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return store().m_chartBar.runEnabled; }, kWaitMs));
        }
    }

    SpectrumStore& store() { return frame->session().store(); }
    QCheckBox* box(int id) { return frame->chartBar().checkBox(id); }
    // Stored curves, the live one included (the table ends at length -1).
    int curves()
    {
        int k = 0;
        while (k < kStoredSlots && store().m_storedLength[k] != -1) ++k;
        return k;
    }

    // The command ids of the toolbar's buttons, in their order on the bar.
    QList<int> toolbarCommands() const
    {
        QList<int> ids;
        for (QAction* a : frame->toolBar().actions())
            if (!a->isSeparator()) ids << a->objectName().mid(4).toInt();  // "tool<id>"
        return ids;
    }

    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    // Checks Run with the mouse and waits for n finished acquisitions.
    void runFor(int n)
    {
        QTest::mouseClick(box(ids::kRunBox), Qt::LeftButton);
        ASSERT_TRUE(store().m_running);
        const int start = frame->acquisitions();
        ASSERT_TRUE(QTest::qWaitFor([&] { return frame->acquisitions() >= start + n; }, kWaitMs));
    }

    void stopRun()
    {
        if (box(ids::kRunBox)->isChecked()) QTest::mouseClick(box(ids::kRunBox), Qt::LeftButton);
        ASSERT_FALSE(store().m_running);
        // Let the acquisition in flight land.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !frame->session().acquisitionInFlight(); }, kWaitMs));
    }

    std::vector<PromptRecorder::Entry> messages() const { return prompt.messages(); }

    QTemporaryDir m_dir;
    QString m_previousDir;
    PromptRecorder prompt;
    std::unique_ptr<CMainFrame> frame;
};

}  // namespace halden::test
