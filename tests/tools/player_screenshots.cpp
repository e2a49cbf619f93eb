// Saves pictures of the recording player for the README:
//   pellaquin_player_screenshots <folder>
// run under a virtual display (QT_QPA_PLATFORM=xcb xvfb-run -a ...), with
// GST_PLUGIN_PATH naming the folder of the built plug-in.
#include <gst/gst.h>

#include <QApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <fstream>

#include "encoder.h"
#include "filter_test_support.h"
#include "player_window.h"

namespace {

bool Save(QWidget* w, const QString& folder, const char* name) {
  QTest::qWait(200);
  const QString path = QDir(folder).filePath(name);
  const bool ok = w->grab().save(path);
  std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  gst_init(&argc, &argv);
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: pellaquin_player_screenshots FOLDER\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  bool ok = true;
  TempDir dir;
  zrvgen::EncodeOptions enc;
  enc.pictures = 120;
  enc.key_interval = 10;
  std::vector<zrvgen::Picture> pictures;
  std::string err;
  if (!zrvgen::EncodePictures(enc, &pictures, &err) ||
      !zrvgen::WriteRecording(dir.Path("Alarm_20261209_081502.zrv"), pictures, zrvgen::Options(), &err)) {
    std::fprintf(stderr, "%s\n", err.c_str());
    return 1;
  }
  pellaquin::PlayerWindow w;
  w.resize(800, 560);
  w.show();
  QSignalSpy frames(w.playback(), &pellaquin::Playback::frameChanged);
  w.OpenFile(QString::fromStdString(dir.Path("Alarm_20261209_081502.zrv")));
  ok = QTest::qWaitFor([&] { return w.playback()->position() > 2300 * GST_MSECOND; }, 30000) && ok;
  ok = Save(&w, folder, "player-playing.png") && ok;

  // Paused, marks set, moved to 8 s.
  w.playback()->Pause();
  w.SetMarks(3 * GST_SECOND, 9 * GST_SECOND);
  frames.clear();
  w.playback()->Seek(8 * GST_SECOND);
  ok = QTest::qWaitFor([&] { return frames.count() > 0; }, 30000) && ok;
  QTest::qWait(300);
  ok = Save(&w, folder, "player-seeking.png") && ok;

  // Cut off while it was written: the repair is offered.
  {
    std::ifstream in(dir.Path("Alarm_20261209_081502.zrv"), std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), {});
    std::ofstream(dir.Path("Manual_20261209_093000.zrv"), std::ios::binary) << data.substr(0, data.size() / 2);
  }
  QSignalSpy failed(w.playback(), &pellaquin::Playback::failed);
  w.OpenFile(QString::fromStdString(dir.Path("Manual_20261209_093000.zrv")));
  ok = QTest::qWaitFor([&] { return failed.count() > 0; }, 30000) && ok;
  ok = Save(&w, folder, "player-cut-off.png") && ok;

  std::ofstream(dir.Path("notes.zrv")) << "not a recording\n";
  failed.clear();
  w.OpenFile(QString::fromStdString(dir.Path("notes.zrv")));
  ok = QTest::qWaitFor([&] { return failed.count() > 0; }, 30000) && ok;
  ok = Save(&w, folder, "player-unplayable.png") && ok;
  return ok ? 0 : 1;
}
