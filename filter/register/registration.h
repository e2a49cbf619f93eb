#pragma once
// Installs the plug-in and the .zrv file type for the current user under the
// XDG data folder, and removes them again.
#include <string>

namespace pellaquin {

struct RegistrationPaths {
  std::string data_home;    // $XDG_DATA_HOME or ~/.local/share
  std::string plugin_file;  // the built libgstpellaquin.so to install
  // The recording player our entry runs; "" = the framework's command-line
  // player in a terminal (the player is not installed).
  std::string player_program;
};

// Each returns 0 on success, else 1 with a message in *error. Registering
// twice leaves the same files; unregistering leaves none of them. The
// recordings open in a desktop player built on the media framework when
// one is installed, with ours offered second; otherwise in ours.
int Register(const RegistrationPaths& paths, std::string* error);
int Unregister(const RegistrationPaths& paths, std::string* error);

// The desktop's default player for video/mp4, or "" when none is set.
std::string DefaultVideoPlayer();

}  // namespace pellaquin
