#include "window/QtPrompt.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QSettings>

#include "common/Messages.h"
#include "common/SettingsFile.h"

namespace halden {
namespace {

QMessageBox::Icon iconForCaption(const std::string& caption)
{
    if (caption == messages::kCaptionError || caption == messages::kCaptionErrorUpper) return QMessageBox::Critical;
    if (caption == messages::kCaptionWarning) return QMessageBox::Warning;
    if (caption == messages::kCaptionRequest) return QMessageBox::Question;
    return QMessageBox::Information;
}

std::string localPath(const QString& path) { return QFile::encodeName(QDir::toNativeSeparators(path)).toStdString(); }

}  // namespace

QtPrompt::QtPrompt(QWidget* parent, QString settingsFile) : m_parent(parent), m_settingsFile(std::move(settingsFile))
{
    if (const auto settings = openSettings()) m_lastDirectory = settings->value(kDirectoryKey).toString();
    if (m_lastDirectory.isEmpty() || !QFileInfo(m_lastDirectory).isDir()) m_lastDirectory = QDir::currentPath();
}

QtPrompt::~QtPrompt() = default;

std::unique_ptr<QSettings> QtPrompt::openSettings() const
{
    // A settings file that is not a regular file is not used (the main
    // window says so once).
    return openSettingsIfRegular(m_settingsFile);
}

void QtPrompt::rememberDirectory(const QString& directory)
{
    m_lastDirectory = directory;
    const auto settings = openSettings();
    if (!settings) return;
    settings->setValue(kDirectoryKey, directory);
    settings->sync();
}

void QtPrompt::showMessage(const std::string& text, const std::string& caption)
{
    QMessageBox box(iconForCaption(caption), QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, m_parent);
    box.exec();
}

bool QtPrompt::askOkCancel(const std::string& text, const std::string& caption)
{
    QMessageBox box(iconForCaption(caption), QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok | QMessageBox::Cancel, m_parent);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

std::optional<std::string> QtPrompt::chooseOpenFile()
{
    QFileDialog dialog(m_parent, QString(), m_lastDirectory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString path = dialog.selectedFiles().first();
    rememberDirectory(QFileInfo(path).absolutePath());
    return localPath(path);
}

std::optional<std::string> QtPrompt::chooseSaveFile()
{
    QFileDialog dialog(m_parent, QString(), m_lastDirectory);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The save commands ask about an existing file themselves, once the
    // extension is added: the dialog would ask about the name as typed.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString path = dialog.selectedFiles().first();
    rememberDirectory(QFileInfo(path).absolutePath());
    return localPath(path);
}

std::optional<std::string> QtPrompt::chooseFolder()
{
    QFileDialog dialog(m_parent, QString::fromLatin1(kFolderDialogTitle), m_lastDirectory);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString folder = QFileInfo(dialog.selectedFiles().first()).absoluteFilePath();
    rememberDirectory(folder);
    return localPath(folder);
}

QPrinter& QtPrompt::printer()
{
    if (!m_printer) m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

bool QtPrompt::askPrint()
{
    QPrintDialog dialog(&printer(), m_parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace halden
