// The sibling link: frame coding, and the controller talking to
// orlaview-stub over the local endpoints.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include <cstring>

#include "app_test_support.h"
#include "camsim.h"
#include "camera_store.h"
#include "sibling_inbox.h"
#include "sibling_link.h"
#include "sync_controller.h"
#include "link_messages.h"
#include "window_messages.h"

namespace velmora {
namespace {

using test::wait_until;

TEST(LinkFrames, RoundTripAcrossSplitReadsAndRejectGarbage) {
  LinkFrame posted;
  posted.msg = WM_RELOAD_CAMERAS;
  posted.wparam = -2;
  posted.lparam = 0x1122334455LL;
  LinkFrame copy;
  copy.kind = LinkFrame::CopyData;
  copy.msg = COPYDATA_SERVER_REQUEST;
  copy.data = "12345/SERIAL";
  const QByteArray stream = encode_frame(posted) + encode_frame(copy);
  ASSERT_EQ(encode_frame(posted).size(), 28);
  // Byte image of the posted frame: length, kind, message, wParam, lParam.
  const unsigned char expected[28] = {24, 0, 0, 0, 1, 0, 0, 0, 0x14, 0x2f, 0, 0,
                                      0xfe, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
                                      0x55, 0x44, 0x33, 0x22, 0x11, 0, 0, 0};
  EXPECT_EQ(std::memcmp(encode_frame(posted).constData(), expected, 28), 0);

  // Fed one byte at a time, the frames come out whole and in order.
  QByteArray buffer;
  std::vector<LinkFrame> out;
  for (char c : stream) {
    buffer.append(c);
    ASSERT_TRUE(decode_frames(buffer, out));
  }
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].msg, static_cast<std::uint32_t>(WM_RELOAD_CAMERAS));
  EXPECT_EQ(out[0].wparam, -2);
  EXPECT_EQ(out[0].lparam, 0x1122334455LL);
  EXPECT_EQ(out[1].kind, LinkFrame::CopyData);
  EXPECT_EQ(out[1].data, QByteArray("12345/SERIAL"));
  EXPECT_TRUE(buffer.isEmpty());

  // Unknown kind, a lying size and a huge length are refused.
  for (QByteArray bad : {QByteArray::fromHex("18000000" "09000000" "00000000" "0000000000000000"
                                             "0000000000000000"),
                         QByteArray::fromHex("0e000000" "02000000" "0c000000" "05000000" "6162"),
                         QByteArray::fromHex("ffffff7f" "01000000")}) {
    std::vector<LinkFrame> frames;
    EXPECT_FALSE(decode_frames(bad, frames));
    EXPECT_TRUE(frames.empty());
  }
}

// Sending without waiting: the call returns before anything is connected,
// the outcome comes later on the event loop, once, and the frames arrive.
// Keeps what the inbox hands on.
struct EventLog : MessageSink {
  std::vector<EngineEvent> events;
  void post(EngineEvent e) override { events.push_back(std::move(e)); }
  void arm_camera_timer(std::int32_t, int) override {}
  void cancel_camera_timer(std::int32_t) override {}
  void run_later(int, std::function<void()>) override {}
};

TEST(SiblingInbox, TheSiblingsNumbersBecomeEventsWithTheirParameters) {
  EventLog log;
  SiblingInbox inbox(log);
  auto posted = [&](std::uint32_t msg, std::int64_t w, std::int64_t l) {
    LinkFrame f;
    f.msg = msg;
    f.wparam = w;
    f.lparam = l;
    inbox.on_frame(f);
  };
  posted(WM_SERVER_HANDOVER, 1, 77);
  posted(WM_SERVER_HANDOVER, 0, 78);
  posted(WM_AUTOSTART_RESULT, 0, 1);
  posted(WM_AUTOSTART_RESULT, 0, 2);  // only 1 means success
  posted(WM_SYNC_STATUS, 7, STATUS_COMPLETE);  // a worker's report from outside
  posted(WM_CURRENT_FILE, 7, 0);
  LinkFrame copy;
  copy.kind = LinkFrame::CopyData;
  copy.msg = COPYDATA_CAMERA_LOST;
  copy.data = QByteArray(44, 'x');
  inbox.on_frame(copy);

  ASSERT_EQ(log.events.size(), 5u);
  const auto* h1 = std::get_if<ServerHandoverEvent>(&log.events[0]);
  const auto* h2 = std::get_if<ServerHandoverEvent>(&log.events[1]);
  ASSERT_TRUE(h1 && h2);
  EXPECT_TRUE(h1->connect_ourselves);
  EXPECT_EQ(h1->camera_id, 77);
  EXPECT_FALSE(h2->connect_ourselves);
  EXPECT_EQ(h2->camera_id, 78);
  const auto* a1 = std::get_if<AutostartResultEvent>(&log.events[2]);
  const auto* a2 = std::get_if<AutostartResultEvent>(&log.events[3]);
  ASSERT_TRUE(a1 && a2);
  EXPECT_TRUE(a1->succeeded);
  EXPECT_FALSE(a2->succeeded);
  const auto* c = std::get_if<CopyDataEvent>(&log.events[4]);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->code, COPYDATA_CAMERA_LOST);
  EXPECT_EQ(c->data, QByteArray(44, 'x'));
}

TEST(LinkFrames, PostedFramesReportTheirOutcomeLaterWithoutBlocking) {
  test::qt_app();
  QTemporaryDir dir;
  const QString where = dir.path();

  int absent_calls = 0;
  bool absent_result = true;
  post_frames(where, "Nobody", {LinkFrame{}}, [&](bool ok) {
    ++absent_calls;
    absent_result = ok;
  });
  EXPECT_EQ(absent_calls, 0);  // never inside the call
  ASSERT_TRUE(wait_until([&] { return absent_calls > 0; }, 5000));
  EXPECT_FALSE(absent_result);

  std::vector<LinkFrame> got;
  LinkEndpoint endpoint(where, "Listener", [&](const LinkFrame& f) { got.push_back(f); });
  ASSERT_TRUE(endpoint.listen());
  LinkFrame f;
  f.msg = WM_RECORDS_CHANGED;
  f.lparam = 77;
  int calls = 0;
  bool delivered = false;
  post_frames(where, "Listener", {f, f}, [&](bool ok) {
    ++calls;
    delivered = ok;
  });
  EXPECT_EQ(calls, 0);
  ASSERT_TRUE(wait_until([&] { return got.size() == 2; }, 5000));
  EXPECT_TRUE(delivered);
  EXPECT_EQ(got[1].lparam, 77);
  test::pump_for(100);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(absent_calls, 1);
}

class SiblingLink : public ::testing::Test {
protected:
  void SetUp() override {
    test::qt_app();
    link_ = dir_.path() + "/link";
    QDir().mkpath(link_);
  }
  void TearDown() override {
    ctl_.reset();
    if (stub_.state() != QProcess::NotRunning) {
      stub_.kill();
      stub_.waitForFinished(5000);
    }
  }

  void start_controller() {
    ControllerOptions o;
    o.paths = AppPaths::at(dir_.path().toStdString());
    o.link_dir = link_;
    o.periodic_timers = false;
    ctl_ = std::make_unique<SyncController>(o);
    ASSERT_TRUE(ctl_->start());
  }

  bool start_listener() {
    stub_.start(ORLAVIEW_STUB, {"--dir", link_, "listen", "--timeout", "60"});
    return wait_until([&] { return stub_output_.contains("READY"); }, 20000);
  }

  QString stub_lines() {
    stub_output_ += stub_.readAllStandardOutput();
    return stub_output_;
  }

  int run_stub(const QStringList& args) {
    QProcess p;
    p.start(ORLAVIEW_STUB, QStringList{"--dir", link_} + args);
    if (!p.waitForFinished(20000)) return -1;
    return p.exitCode();
  }

  CameraRecord local(std::int32_t id, const char* address) {
    CameraRecord r;
    std::string error;
    EXPECT_TRUE(make_local_record(id, address, "pw", r, error));
    return r;
  }

  QTemporaryDir dir_;
  QString link_;
  QProcess stub_;
  QString stub_output_;
  std::unique_ptr<SyncController> ctl_;

public:
  SiblingLink() {
    QObject::connect(&stub_, &QProcess::readyReadStandardOutput, [this] { stub_lines(); });
  }
};

TEST_F(SiblingLink, SaveNotifiesSiblingAndReloadMessageReloads) {
  ASSERT_TRUE(start_listener());
  start_controller();
  EXPECT_TRUE(ctl_->sibling_present());

  ctl_->add_or_update(local(5, "127.0.2.50"));
  ASSERT_TRUE(wait_until([&] { return stub_lines().contains("POSTED 12053 0 0"); }));

  // The sibling rewrites the list and says so: the table follows the file.
  CameraTable table = ctl_->cameras();
  table[6] = local(6, "127.0.2.51");
  ASSERT_TRUE(save_camera_file(ctl_->options().paths.camera_list_file(), table));
  ASSERT_EQ(run_stub({"post", "12052"}), 0);
  ASSERT_TRUE(wait_until([&] { return ctl_->cameras().count(6) == 1; }));
  EXPECT_EQ(address_text(ctl_->cameras().at(6)), "127.0.2.51");
}

TEST_F(SiblingLink, OnlySiblingMessagesAreAcceptedAndDiscoveryCopiesLand) {
  start_controller();
  EXPECT_FALSE(ctl_->sibling_present());
  // Without the sibling a save still works and posts nothing.
  ctl_->add_or_update(local(7, "127.0.2.52"));
  EXPECT_EQ(ctl_->cameras().size(), 1u);

  int statuses = 0;
  QObject::connect(ctl_.get(), &SyncController::statusChanged, [&](int, int) { ++statuses; });
  ASSERT_EQ(run_stub({"post", "12056", "7", "140"}), 0);  // a worker message from outside

  // A discovery record: camera id at offset 16.
  QByteArray record(44, '\0');
  const std::int32_t id = 4242;
  std::memcpy(record.data() + 16, &id, 4);
  ASSERT_EQ(run_stub({"copydata", "12081", QString::fromLatin1(record.toHex())}), 0);
  ASSERT_TRUE(wait_until([&] { return ctl_->discovered().count(4242) == 1; }));
  EXPECT_EQ(statuses, 0);
  ASSERT_EQ(run_stub({"copydata", "12082", QString::fromLatin1(record.toHex())}), 0);
  ASSERT_TRUE(wait_until([&] { return ctl_->discovered().empty(); }));
}

// A simulated camera announcing itself to the port this test process's
// library listens on.
std::unique_ptr<camsim::CameraSimulator> announcing_camera(const char* address, std::uint64_t id) {
  camsim::Config c;
  c.address = address;
  c.port = 0;
  c.verbose = false;
  c.announce.camera_id = id;
  c.announce.period_ms = 200;
  c.announce.target_port = static_cast<std::uint16_t>(std::atoi(std::getenv("KESTRUNE_DISCOVERY_PORT")));
  auto sim = std::make_unique<camsim::CameraSimulator>(c);
  EXPECT_EQ(sim->start(), 0);
  return sim;
}

TEST_F(SiblingLink, StartUpDiscoversUnlessTheSiblingRuns) {
  ASSERT_TRUE(start_listener());  // the sibling discovers for both
  start_controller();
  auto camera = announcing_camera("127.0.2.91", 91);
  test::pump_for(600);
  EXPECT_EQ(ctl_->discovered().count(91), 0u);
  ctl_.reset();
  stub_.kill();
  stub_.waitForFinished(5000);

  start_controller();  // alone: start-up listens
  int changes = 0;
  QObject::connect(ctl_.get(), &SyncController::discoveryChanged, [&] { ++changes; });
  ASSERT_TRUE(wait_until([&] { return ctl_->discovered().count(91) == 1; }, 5000));
  ASSERT_TRUE(wait_until([&] { return changes >= 1; }, 5000));
  EXPECT_EQ(ctl_->discovered().at(91).address_text(), "127.0.2.91");
}

}  // namespace
}  // namespace velmora
