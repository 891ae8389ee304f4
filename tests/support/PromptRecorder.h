// A Prompt that answers from a script and records every call, so tests can
// assert the exact captions and texts a command shows.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "common/Prompt.h"

namespace halden::test {

class PromptRecorder : public Prompt {
public:
    struct Entry {
        std::string kind;     // "message", "okcancel", "open", "save", "folder", "print"
        std::string text;     // empty for the file dialogs
        std::string caption;
    };

    // Scripted answers, taken in order; when a queue is empty the answer is
    // OK / true for questions and Cancel for dialogs.
    std::deque<bool> okCancelAnswers;
    std::deque<std::optional<std::string>> openAnswers, saveAnswers, folderAnswers;
    std::deque<bool> printAnswers;

    std::vector<Entry> entries;

    void showMessage(const std::string& text, const std::string& caption) override {
        entries.push_back({"message", text, caption});
    }
    bool askOkCancel(const std::string& text, const std::string& caption) override {
        entries.push_back({"okcancel", text, caption});
        return take(okCancelAnswers, true);
    }
    std::optional<std::string> chooseOpenFile() override {
        entries.push_back({"open", {}, {}});
        return take(openAnswers, std::optional<std::string>{});
    }
    std::optional<std::string> chooseSaveFile() override {
        entries.push_back({"save", {}, {}});
        return take(saveAnswers, std::optional<std::string>{});
    }
    std::optional<std::string> chooseFolder() override {
        entries.push_back({"folder", {}, {}});
        return take(folderAnswers, std::optional<std::string>{});
    }
    bool askPrint() override {
        entries.push_back({"print", {}, {}});
        return take(printAnswers, false);
    }

    // The messages shown so far (kind "message" only).
    std::vector<Entry> messages() const {
        std::vector<Entry> out;
        for (const auto& e : entries)
            if (e.kind == "message") out.push_back(e);
        return out;
    }

private:
    template <class T>
    static T take(std::deque<T>& q, T fallback) {
        if (q.empty()) return fallback;
        T v = q.front();
        q.pop_front();
        return v;
    }
};

}  // namespace halden::test
