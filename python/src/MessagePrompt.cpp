#include "MessagePrompt.h"

namespace halden::python {

void MessagePrompt::showMessage(const std::string& text, const std::string& caption) {
    m_shown.emplace_back(caption, text);
}

bool MessagePrompt::askOkCancel(const std::string& text, const std::string& caption) {
    m_shown.emplace_back(caption, text);
    return false;
}

}  // namespace halden::python
