#include "files/SaveDialog.h"

#include <filesystem>
#include <system_error>

#include "common/Messages.h"
#include "common/Prompt.h"
#include "files/SaveNames.h"

namespace halden {

bool mayReplace(Prompt& prompt, const std::string& path) {
    std::error_code ec;
    // Only a file can be replaced; the writer refuses anything else itself.
    if (!std::filesystem::is_regular_file(path, ec)) return true;
    return prompt.askOkCancel(path + messages::kReplaceFile, messages::kCaptionRequest);
}

std::optional<std::string> askSavePath(Prompt& prompt, std::string_view extension) {
    for (;;) {
        const auto chosen = prompt.chooseSaveFile();
        if (!chosen) return std::nullopt;
        recordSaveDirectory();
        std::string path = withExtension(*chosen, extension);
        if (mayReplace(prompt, path)) return path;
    }
}

std::string savedFilesText(const SavedFiles& files) {
    if (files.empty()) return {};
    std::string text = "Saved " + files.front();
    for (std::size_t i = 1; i < files.size(); ++i)
        text += (i + 1 == files.size() ? " and " : ", ") + std::filesystem::path(files[i]).filename().string();
    return text;
}

}  // namespace halden
