// The camera, settings and sync commands. A command that changes something
// is carried out by run_change against a Profile: in this process when no
// Velmora runs, or inside the running one (which received it over its
// control socket). Its words are the command line's, with the password
// already filled in.
#pragma once

#include <string>
#include <vector>

#include "profile.h"

namespace velmora {

// Outcome of a command: exit status and the text for each stream.
struct Reply {
  int code = 0;
  std::string out, err;
};

// Carries out a change: {"cameras", "add-local", ...}, {"cameras",
// "add-remote", ...}, {"cameras", "remove", id}, {"settings", name, value,
// ...} or {"sync"}. Never asks anything.
Reply run_change(const std::vector<std::string>& words, Profile& profile);

// Hands a change to whoever may make it: this process, when it can take the
// instance lock, else the running instance over its control socket; prints
// the reply and returns the exit status.
int deliver_change(const std::vector<std::string>& words);

// Prints a reply on standard output and error; returns its exit status.
int print_reply(const Reply& reply);

// Name of the settings' interval: "1h (code 3)".
std::string interval_description(std::int32_t code);

}  // namespace velmora
