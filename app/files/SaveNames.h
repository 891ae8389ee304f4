// Save-name rules shared by every save command: the extension is appended
// unless it already occurs anywhere in the path (so "a.txt.old" is kept), and
// the current directory is recorded in the user's profile, group CONTROL,
// key DIR, after a file dialog closes with OK. Nothing reads DIR back.
#pragma once

#include <string>
#include <string_view>

namespace halden {

// path unchanged when it contains ext anywhere, else path + ext.
std::string withExtension(const std::string& path, std::string_view ext);

// Writes the process's current directory to the profile (QSettings, INI
// format, user scope, organisation and application "Halden"), CONTROL/DIR.
void recordSaveDirectory();

// The current directory joined with name.
std::string inCurrentDirectory(const std::string& name);

}  // namespace halden
