// Start at login through the desktop's autostart folder: the command line
// " 1_<program>" asks for an entry that starts <program>, " 0_<program>" for
// its removal. The entry is $XDG_CONFIG_HOME/autostart/velmora.desktop.
#pragma once

#include <QString>

namespace velmora::autostart {

struct Request {
  bool enable = false;
  QString program;  // absolute path of the program to start
};

// Accepts the argument with or without its leading spaces. False for any
// other form, a relative path, or a path with a line break (it could not be
// written into the entry as one command).
bool parse_argument(const QString& argument, Request& out);

// Where the entry lives: $XDG_CONFIG_HOME, else ~/.config, + /autostart.
QString entry_path();

// The Exec value that starts `program` with no arguments, quoted and escaped
// as desktop entries require.
QString exec_value(const QString& program);

// Writes or removes the entry. Removing an entry that does not exist
// succeeds. False with a reason when the folder or file cannot be written.
bool apply(const Request& request, QString& error);

}  // namespace velmora::autostart
