// Every message box, question and common dialog of the application goes
// through this interface. The window implements it with Qt dialogs, the CLI
// with stderr and its arguments, tests with a recorder (tests/support) that
// answers from a script and records the exact captions and texts.
#pragma once

#include <optional>
#include <string>

namespace halden {

class Prompt {
public:
    virtual ~Prompt() = default;

    // A modal message with one OK button. caption is one of the fixed
    // captions of common/Messages.h ("Error", "ERROR", "Warning", "Message",
    // "Information", "Request").
    virtual void showMessage(const std::string& text, const std::string& caption) = 0;

    // A modal question with OK and Cancel; true for OK.
    virtual bool askOkCancel(const std::string& text, const std::string& caption) = 0;

    // Standard open-file / save-file / folder dialogs; empty optional = Cancel.
    virtual std::optional<std::string> chooseOpenFile() = 0;
    virtual std::optional<std::string> chooseSaveFile() = 0;
    virtual std::optional<std::string> chooseFolder() = 0;

    // Print dialog; true when the user accepts printing.
    virtual bool askPrint() = 0;
};

}  // namespace halden
