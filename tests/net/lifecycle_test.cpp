#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "kestrune_sdk.h"
#include "net/log.h"
#include "net/reactor.h"
#include "test_support.h"

using namespace kestrune;
using test::LogCapture;

TEST(Lifecycle, FinalizeWithoutInitializeAndVersion) {
  EXPECT_EQ(0x1600u, NVS_SDK_V160::Camera_SDK_GetVersion());
  EXPECT_EQ(0, NVS_SDK_V160::Camera_SDK_Finalize());
  EXPECT_EQ(0, NVS_SDK_V160::Camera_SDK_Finalize());
  EXPECT_FALSE(SocketReactor::instance()->running());
}

TEST(Lifecycle, InitializeAgainAfterFinalizeStartsANewThread) {
  LogCapture log;
  struct Tick : Socket_Event_Handler {
    std::atomic<int> fired{0};
    int handle_timeout(const TimeValue&, void*) override { fired.fetch_add(1); return 0; }
    socket_t get_handle() const override { return -1; }
  } tick;
  SocketReactor* r = SocketReactor::instance();
  for (int round = 1; round <= 2; ++round) {
    ASSERT_EQ(0, NVS_SDK_V160::Camera_SDK_Initialize());
    EXPECT_TRUE(r->running());
    r->schedule_timer(&tick, nullptr, TimeValue::from_msec(10), TimeValue());
    EXPECT_TRUE(test::wait_until([&] { return tick.fired.load() == round; }));
    EXPECT_EQ(0, NVS_SDK_V160::Camera_SDK_Finalize());
    EXPECT_FALSE(r->running());
    EXPECT_EQ(round, LogCapture::count("Reactor Event Loop Started"));
  }
  EXPECT_EQ(0x1600u, NVS_SDK_V160::Camera_SDK_GetVersion());
}

TEST(Lifecycle, ProcessExitWithRunningThreadIsClean) {
  // The child exits with the reactor thread still running a timer-driven loop.
  EXPECT_EXIT(
      {
        NVS_SDK_V160::Camera_SDK_Initialize();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::exit(3);
      },
      ::testing::ExitedWithCode(3), "");
}

TEST(Log, FormattedLinesLevelsAndTruncation) {
  LogCapture log;
  sdk_log("TCPConnection", LOG_TRACE, "dropped %d", 1);
  sdk_log("TCPConnection", LOG_DEBUG, "TCPConnection Socket %d Close.", 12);
  sdk_log("NVDClient", LOG_ERROR, "e");
  sdk_log("X", 42, "odd level");  // out of the table: still a line, never a crash
  auto lines = LogCapture::lines();
  ASSERT_EQ(3u, lines.size());
  std::regex debug(R"(\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\]\[TCPConnection\]\[DEBUG\]TCPConnection Socket 12 Close\.)");
  EXPECT_TRUE(std::regex_match(lines[0], debug)) << lines[0];
  EXPECT_EQ("[NVDClient][ERROR]e", lines[1].substr(21));

  LogCapture::clear();
  std::string longer(3000, 'm');
  sdk_log("M", LOG_INFO, "%s", longer.c_str());
  lines = LogCapture::lines();
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(std::string("[M][INFO]") + std::string(2047, 'm'), lines[0].substr(21));
}

TEST(Log, PlainLines) {
  LogCapture log;
  plain_line("Reactor is Stopped.....");
  plain_line("TCPConnection Connect Finish .", 17);
  plain_line("[TCPConnection] : Send err = ", -32);
  EXPECT_EQ((std::vector<std::string>{"Reactor is Stopped.....", "TCPConnection Connect Finish .17",
                                      "[TCPConnection] : Send err = -32"}),
            LogCapture::lines());
}
