// "velmora settings web [ADDRESS:]PORT|off" and "velmora settings
// web-password [--password-stdin|off]": where the service's web page
// listens and its password, written to the web page's own file; a running
// service uses them from its next start.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app_paths.h"

namespace velmora {

// How the password is read: from standard input (`from_stdin`) or asked for
// on the terminal with `prompt`; false when nothing could be read.
using PasswordReader =
    std::function<bool(bool from_stdin, const std::string& prompt, std::string& password)>;

// `args` starts with "web" or "web-password". Prints what it did or why
// not; returns the exit status (0, 1 when the file cannot be written, 2 for
// bad usage).
int run_web_settings(const AppPaths& paths, const std::vector<std::string>& args,
                     const PasswordReader& read_password);

// The help lines of the web page's options for "headless" and "settings".
std::string web_help(const std::string& topic);

// The lines "velmora settings" shows for the web page.
std::string web_settings_lines(const AppPaths& paths);

}  // namespace velmora
