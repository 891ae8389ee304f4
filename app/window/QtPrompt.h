// The window's prompt: message boxes with the fixed captions, OK/Cancel
// questions, the open/save/folder file dialogs and the print dialog. After
// every accepted file dialog the chosen directory is recorded in the
// settings, group "CONTROL", key "DIR", and the next dialog starts there.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>

#include "common/Prompt.h"

class QPrinter;
class QSettings;

namespace halden {

inline constexpr const char* kFolderDialogTitle = "chose directory!";
inline constexpr const char* kDirectoryKey = "CONTROL/DIR";

class QtPrompt : public Prompt {
public:
    // settingsFile: an INI file for the "DIR" key; empty uses the
    // application's default QSettings.
    explicit QtPrompt(QWidget* parent, QString settingsFile = {});
    ~QtPrompt() override;

    // The window the dialogs belong to (the prompt exists before it).
    void setParent(QWidget* parent) { m_parent = parent; }

    void showMessage(const std::string& text, const std::string& caption) override;
    bool askOkCancel(const std::string& text, const std::string& caption) override;
    std::optional<std::string> chooseOpenFile() override;
    std::optional<std::string> chooseSaveFile() override;
    std::optional<std::string> chooseFolder() override;
    bool askPrint() override;

    // The printer the last print dialog configured (page size, file,
    // resolution); the window prints the chart with it after askPrint().
    QPrinter& printer();

    // Where the next file dialog starts.
    QString lastDirectory() const { return m_lastDirectory; }

private:
    // Null when the settings file is not a regular file.
    std::unique_ptr<QSettings> openSettings() const;
    void rememberDirectory(const QString& directory);

    QPointer<QWidget> m_parent;
    QString m_settingsFile;
    QString m_lastDirectory;
    std::unique_ptr<QPrinter> m_printer;
};

}  // namespace halden
