// The save dialog of every save command: the dialog, the extension rule
// (appended unless the path holds it anywhere), then, when a file of that
// name exists, the question whether to replace it, so a name typed without
// its extension never replaces a file silently. Cancel on the question goes
// back to the dialog. The folder is recorded in the profile (DIR).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halden {

class Prompt;

std::optional<std::string> askSavePath(Prompt& prompt, std::string_view extension);

// True when path names an existing file and the user agreed to replace it,
// or when no file of that name exists.
bool mayReplace(Prompt& prompt, const std::string& path);

// The files a save command wrote, the chosen one first; empty when it wrote
// none (cancelled, or failed with its message shown).
using SavedFiles = std::vector<std::string>;

// "Saved /data/lamp.txt" or "Saved /data/lamp.txt and lamp.txt_CRI_data.txt":
// what the status bar says after a save; empty for no files.
std::string savedFilesText(const SavedFiles& files);

}  // namespace halden
