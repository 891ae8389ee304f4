// The command line's Prompt: messages go to stderr as "Caption: text", and
// the answers to questions and file dialogs come from the command's
// arguments, set up before the command runs.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "common/Prompt.h"

namespace halden::cli {

class CliPrompt : public Prompt {
public:
    // Answers, taken in order; an empty queue answers Cancel.
    std::deque<std::string> openFiles;
    std::deque<std::string> saveFiles;
    std::deque<std::string> folders;
    bool answerOk = true;  // the answer to every OK/Cancel question
    bool quiet = false;    // record messages without printing them

    void showMessage(const std::string& text, const std::string& caption) override;
    bool askOkCancel(const std::string& text, const std::string& caption) override;
    std::optional<std::string> chooseOpenFile() override;
    std::optional<std::string> chooseSaveFile() override;
    std::optional<std::string> chooseFolder() override;
    bool askPrint() override;

    // Every message shown, in order, as (caption, text).
    const std::vector<std::pair<std::string, std::string>>& shown() const { return m_shown; }
    // The text of the last message shown, empty when none.
    std::string lastMessage() const { return m_shown.empty() ? std::string() : m_shown.back().second; }
    // True when a message with this text was shown.
    bool saw(const std::string& text) const;

private:
    std::vector<std::pair<std::string, std::string>> m_shown;
};

}  // namespace halden::cli
