// The player window over generated recordings, off screen: it shows the
// first picture, plays to the end, seeks, answers its keys, explains a file
// it cannot play and repairs one that was cut off.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "player_window.h"
#include "tools_test_support.h"
#include "video_widget.h"

namespace {

constexpr int kWait = 60000;  // ms; generous, the pass does not depend on it

class PlayerTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    InitGstForTests("gst-registry-player.bin");
    static int argc = 1;
    static char name[] = "player_test";
    static char* argv[] = {name, nullptr};
    // Off screen unless a display is chosen (QT_QPA_PLATFORM=xcb under
    // xvfb-run); the window draws the same way on every platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qApp) new QApplication(argc, argv);
    dir_ = new TempDir;
    MakeRecording(dir_->Path("rec.zrv"), 30, 10);
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static inline TempDir* dir_ = nullptr;
};

TEST_F(PlayerTest, ShowsPlaysToTheEndAndSeeks) {
  pellaquin::PlayerWindow w;
  w.show();
  QSignalSpy frames(w.playback(), &pellaquin::Playback::frameChanged);
  QSignalSpy ended(w.playback(), &pellaquin::Playback::ended);
  w.OpenFile(QString::fromStdString(dir_->Path("rec.zrv")));
  EXPECT_TRUE(w.windowTitle().contains("rec.zrv"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return frames.count() > 0; }, kWait));
  EXPECT_EQ(w.playback()->frame().size(), QSize(640, 480));
  // The first picture may come before the bus says how long the file is.
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.playback()->duration() == 2900 * GST_MSECOND; }, kWait))
      << w.playback()->duration();
  EXPECT_TRUE(w.playback()->playing());
  ASSERT_TRUE(QTest::qWaitFor([&] { return ended.count() > 0; }, kWait));
  EXPECT_FALSE(w.playback()->playing());
  EXPECT_EQ(w.playback()->position(), w.playback()->duration());

  // After the end a seek shows the picture there, paused.
  frames.clear();
  w.playback()->Seek(1500 * GST_MSECOND);
  ASSERT_TRUE(QTest::qWaitFor([&] { return frames.count() > 0; }, kWait));
  QTest::qWait(200);
  EXPECT_GE(w.playback()->position(), 1000 * GST_MSECOND);
  EXPECT_LE(w.playback()->position(), 1500 * GST_MSECOND);
  EXPECT_FALSE(w.playback()->playing());

  // Space plays from there; Home goes back to the start; the slider and
  // the time follow.
  QTest::keyClick(&w, Qt::Key_Space);
  EXPECT_TRUE(w.playback()->playing());
  QTest::keyClick(&w, Qt::Key_Space);
  EXPECT_FALSE(w.playback()->playing());
  frames.clear();
  QTest::keyClick(&w, Qt::Key_Home);
  ASSERT_TRUE(QTest::qWaitFor([&] { return frames.count() > 0; }, kWait));
  QTest::qWait(300);
  EXPECT_LT(w.playback()->position(), 200 * GST_MSECOND);
  EXPECT_EQ(w.findChild<QSlider*>()->maximum(), 2900);

  QTest::keyClick(&w, Qt::Key_F);
  EXPECT_TRUE(w.isFullScreen());
  QTest::keyClick(&w, Qt::Key_F);
  EXPECT_FALSE(w.isFullScreen());
}

TEST_F(PlayerTest, ExplainsWhatItCannotPlayAndRepairsACutRecording) {
  pellaquin::PlayerWindow w;
  w.show();
  QSignalSpy failed(w.playback(), &pellaquin::Playback::failed);
  std::ofstream(dir_->Path("junk.zrv")) << std::string(4000, 'j');
  w.OpenFile(QString::fromStdString(dir_->Path("junk.zrv")));
  ASSERT_TRUE(QTest::qWaitFor([&] { return failed.count() > 0; }, kWait));
  EXPECT_TRUE(w.video()->message().contains("junk.zrv cannot be played")) << w.video()->message().toStdString();
  EXPECT_FALSE(w.repair_button()->isVisible());

  // A recording whose segments the demuxer refuses: said so, at once.
  failed.clear();
  w.OpenFile(PELLAQUIN_DAMAGED_CORPUS "/three-segments.zrv");
  ASSERT_TRUE(QTest::qWaitFor([&] { return failed.count() > 0; }, kWait));
  EXPECT_TRUE(w.video()->message().contains("not a playable ZRV recording")) << w.video()->message().toStdString();

  // Cut while it was written: the repair is offered, and makes a copy
  // that plays.
  std::ifstream in(dir_->Path("rec.zrv"), std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(in)), {});
  std::ofstream(dir_->Path("cut.zrv"), std::ios::binary) << data.substr(0, data.size() * 6 / 10);
  failed.clear();
  w.OpenFile(QString::fromStdString(dir_->Path("cut.zrv")));
  ASSERT_TRUE(QTest::qWaitFor([&] { return failed.count() > 0; }, kWait));
  EXPECT_TRUE(w.video()->message().contains("cut off")) << w.video()->message().toStdString();
  ASSERT_TRUE(w.repair_button()->isVisible());
  QSignalSpy frames(w.playback(), &pellaquin::Playback::frameChanged);
  w.repair_button()->click();
  EXPECT_TRUE(std::filesystem::exists(dir_->Path("cut-repaired.zrv")));
  EXPECT_TRUE(w.windowTitle().contains("cut-repaired.zrv"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return frames.count() > 0; }, kWait));
  EXPECT_TRUE(w.video()->message().isEmpty());

  // A file that is not there says so.
  failed.clear();
  w.OpenFile(QString::fromStdString(dir_->Path("none.zrv")));
  ASSERT_EQ(failed.count(), 1);
  EXPECT_TRUE(w.video()->message().contains("does not exist"));
}

}  // namespace
