// The program's help texts, one per level of the command line, and its
// version line.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace velmora {

// Help of a topic: "" (the whole program), "cameras", "cameras list",
// "cameras add-local", "cameras add-remote", "cameras remove", "settings",
// "sync", "headless", "demo". Unknown topics give the program's help.
std::string help_text(const std::string& topic);

// True when the words hold --help or -h.
bool asks_for_help(const std::vector<std::string>& words);

// "velmora <version> (camera library <version>)".
std::string version_text();

}  // namespace velmora
