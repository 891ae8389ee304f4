#include "cli/CliPrompt.h"

#include <cstdio>

namespace halden::cli {
namespace {

std::optional<std::string> takeFirst(std::deque<std::string>& queue)
{
    if (queue.empty()) return std::nullopt;
    std::string value = std::move(queue.front());
    queue.pop_front();
    return value;
}

// Messages may hold line breaks; the command line shows them on one line.
std::string oneLine(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n') {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else if (c != '\r') {
            out += c;
        }
    }
    return out;
}

}  // namespace

void CliPrompt::showMessage(const std::string& text, const std::string& caption)
{
    m_shown.emplace_back(caption, text);
    if (quiet) return;
    std::fprintf(stderr, "halden-cli: %s: %s\n", caption.c_str(), oneLine(text).c_str());
}

bool CliPrompt::askOkCancel(const std::string& text, const std::string& caption)
{
    m_shown.emplace_back(caption, text);
    if (!quiet) std::fprintf(stderr, "halden-cli: %s: %s [%s]\n", caption.c_str(), oneLine(text).c_str(),
                             answerOk ? "OK" : "Cancel");
    return answerOk;
}

std::optional<std::string> CliPrompt::chooseOpenFile() { return takeFirst(openFiles); }
std::optional<std::string> CliPrompt::chooseSaveFile() { return takeFirst(saveFiles); }
std::optional<std::string> CliPrompt::chooseFolder() { return takeFirst(folders); }
bool CliPrompt::askPrint() { return false; }

bool CliPrompt::saw(const std::string& text) const
{
    for (const auto& [caption, shownText] : m_shown)
        if (shownText == text) return true;
    return false;
}

}  // namespace halden::cli
