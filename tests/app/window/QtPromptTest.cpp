// The window's prompt answered through its real Qt dialogs: the exact
// captions and texts, the answers, and the "DIR" key after file dialogs.
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "WidgetTestSupport.h"
#include "window/QtPrompt.h"

namespace halden {
namespace {

class QtPromptTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureApplication(); }

    QString storedDirectory() const
    {
        QSettings settings(iniFile, QSettings::IniFormat);
        return settings.value("CONTROL/DIR").toString();
    }

    QTemporaryDir temp;
    QString iniFile = temp.filePath("halden.ini");
};

TEST_F(QtPromptTest, MessageBoxesCarryTheExactCaptionAndText)
{
    QtPrompt prompt(nullptr, iniFile);
    QString title, body;
    test::answerNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        body = box->text();
        EXPECT_EQ(box->buttons().size(), 1);
        box->button(QMessageBox::Ok)->click();
    });
    prompt.showMessage("UNABLE TO OPEN FILE", "ERROR");
    EXPECT_EQ(title, "ERROR");
    EXPECT_EQ(body, "UNABLE TO OPEN FILE");

    test::answerNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_TRUE(prompt.askOkCancel("Write calibration to FLASH?", "Request"));
    EXPECT_EQ(title, "Request");

    test::answerNextModal([](QWidget* modal) {
        qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Cancel)->click();
    });
    EXPECT_FALSE(prompt.askOkCancel("Write calibration to FLASH?", "Request"));
}

TEST_F(QtPromptTest, SaveDialogRecordsItsDirectoryAndTheNextStartsThere)
{
    ASSERT_TRUE(QDir(temp.path()).mkdir("spectra"));
    const QString folder = QDir(temp.path()).absoluteFilePath("spectra");
    QtPrompt prompt(nullptr, iniFile);

    test::answerNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        dialog->selectFile(folder + "/lamp");
        static_cast<QDialog*>(dialog)->accept();
    });
    const auto chosen = prompt.chooseSaveFile();
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, (folder + "/lamp").toStdString());
    EXPECT_EQ(storedDirectory(), folder);
    EXPECT_EQ(prompt.lastDirectory(), folder);

    // Cancel returns nothing and leaves the key alone; the dialog opened in
    // the recorded directory.
    QString startedIn;
    test::answerNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        startedIn = dialog->directory().absolutePath();
        dialog->reject();
    });
    EXPECT_FALSE(prompt.chooseSaveFile().has_value());
    EXPECT_EQ(startedIn, folder);
    EXPECT_EQ(storedDirectory(), folder);

    // A new prompt (the next start of the program) starts there too.
    EXPECT_EQ(QtPrompt(nullptr, iniFile).lastDirectory(), folder);
}

TEST_F(QtPromptTest, OpenAndFolderDialogsRecordTheirDirectory)
{
    ASSERT_TRUE(QDir(temp.path()).mkpath("data/db"));
    const QString data = QDir(temp.path()).absoluteFilePath("data");
    QFile file(data + "/lamp.txt");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("400 1\r\n");
    file.close();
    QtPrompt prompt(nullptr, iniFile);

    test::answerNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        dialog->selectFile(data + "/lamp.txt");
        static_cast<QDialog*>(dialog)->accept();
    });
    const auto opened = prompt.chooseOpenFile();
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(*opened, (data + "/lamp.txt").toStdString());
    EXPECT_EQ(storedDirectory(), data);

    QString title;
    test::answerNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        // Going into the folder, as a user does, rather than selecting its
        // name: the dialog's listing loads in the background and may clear
        // a typed name when it arrives.
        dialog->setDirectory(data + "/db");
        static_cast<QDialog*>(dialog)->accept();
    });
    const auto folder = prompt.chooseFolder();
    EXPECT_EQ(title, "chose directory!");
    ASSERT_TRUE(folder.has_value());
    EXPECT_EQ(*folder, (data + "/db").toStdString());
    EXPECT_EQ(storedDirectory(), data + "/db");
}

TEST_F(QtPromptTest, PrintDialogConfiguresTheKeptPrinter)
{
    QtPrompt prompt(nullptr, iniFile);
    const QString pdf = temp.filePath("chart.pdf");
    prompt.printer().setOutputFileName(pdf);
    test::answerNextModal([](QWidget* modal) {
        auto* dialog = qobject_cast<QPrintDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_TRUE(prompt.askPrint());
    EXPECT_EQ(prompt.printer().outputFileName(), pdf);

    test::answerNextModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    EXPECT_FALSE(prompt.askPrint());
}

}  // namespace
}  // namespace halden
