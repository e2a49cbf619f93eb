// velmora-autostart " 1_<program>" | " 0_<program>": adds or removes the
// desktop autostart entry of Velmora. Exit status 0 on success, 1 when the
// entry could not be written or removed, 2 for a bad command line.
#include <QCoreApplication>

#include <cstdio>

#include "autostart_entry.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  velmora::autostart::Request request;
  if (args.size() != 2 || !velmora::autostart::parse_argument(args[1], request)) {
    std::fprintf(stderr,
                 "usage: velmora-autostart \" 1_<program path>\" | \" 0_<program path>\"\n"
                 "  1 adds an autostart entry that starts the program at login, 0 removes it;\n"
                 "  the path must be absolute.\n");
    return 2;
  }
  QString error;
  if (!velmora::autostart::apply(request, error)) {
    std::fprintf(stderr, "velmora-autostart: %s\n", error.toLocal8Bit().constData());
    return 1;
  }
  return 0;
}
