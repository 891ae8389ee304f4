// The prompt the Python module hands the core: it records every message
// (they become Python warnings or the text of an error) and answers every
// question and file dialog with Cancel.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/Prompt.h"

namespace halden::python {

class MessagePrompt final : public Prompt {
public:
    void showMessage(const std::string& text, const std::string& caption) override;
    bool askOkCancel(const std::string& text, const std::string& caption) override;
    std::optional<std::string> chooseOpenFile() override { return std::nullopt; }
    std::optional<std::string> chooseSaveFile() override { return std::nullopt; }
    std::optional<std::string> chooseFolder() override { return std::nullopt; }
    bool askPrint() override { return false; }

    // Every message, in order, as (caption, text).
    const std::vector<std::pair<std::string, std::string>>& shown() const { return m_shown; }
    std::string lastMessage() const { return m_shown.empty() ? std::string() : m_shown.back().second; }

private:
    std::vector<std::pair<std::string, std::string>> m_shown;
};

}  // namespace halden::python
