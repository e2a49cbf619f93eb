#pragma once
// Finds the desktop's video players that play through the media framework
// (and so play .zrv recordings once the plug-in is installed): desktop
// entries for a video type whose program links the framework's library,
// directly or through its own libraries, or, for a script, imports it.
#include <string>
#include <vector>

namespace pellaquin {

// Desktop entry ids (e.g. "org.example.Videos.desktop") of such players
// among the applications folders of the given data folders, in the order
// of the folders; entries of a later folder hidden by an earlier one with
// the same id are skipped, and so are ids listed in `except`.
std::vector<std::string> MediaFrameworkPlayers(const std::vector<std::string>& data_dirs,
                                               const std::vector<std::string>& except);

// Whether the program (a path, or a name looked up in PATH) uses the media
// framework.
bool ProgramUsesMediaFramework(const std::string& program);

// $XDG_DATA_HOME (given) followed by $XDG_DATA_DIRS or its default.
std::vector<std::string> DataDirs(const std::string& data_home);

}  // namespace pellaquin
