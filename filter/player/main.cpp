// pellaquin-player [FILE]: plays a recording (or any file the media
// framework can play) in a window.
#include <gst/gst.h>

#include <QApplication>
#include <QDir>
#include <cstdio>
#include <cstring>

#include "player_window.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--help")) {
      std::printf("usage: pellaquin-player [FILE]\n");
      return 0;
    }
  }
  gst_init(&argc, &argv);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("pellaquin-player"));
  QApplication::setDesktopFileName(QStringLiteral("pellaquin-player"));
  pellaquin::PlayerWindow window;
  window.show();
  const QStringList args = QApplication::arguments();
  if (args.size() > 1) window.OpenFile(QDir::current().absoluteFilePath(args.at(1)));
  return app.exec();
}
