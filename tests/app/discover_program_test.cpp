// "velmora cameras discover" and "cameras add-local" by id alone, against
// simulated cameras announcing themselves.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <QProcess>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include "app_test_support.h"
#include "camsim.h"

namespace velmora {
namespace {

class DiscoverCommand : public ::testing::Test {
protected:
  void SetUp() override {
    test::qt_app();
    port_ = test::free_udp_port();
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("XDG_DATA_HOME", data_.path());
    env_.insert("XDG_RUNTIME_DIR", run_.path());
    env_.insert("KESTRUNE_DISCOVERY_PORT", QString::number(port_));
    test::set_language(env_, "LANG", "C.UTF-8");
    // Three cameras, one of them with the long announcement.
    for (int i = 1; i <= 3; ++i) {
      camsim::Config c;
      c.address = "127.0.3." + std::to_string(10 + i);
      c.port = 0;
      c.verbose = false;
      c.announce.camera_id = 600 + i;
      c.announce.long_form = i == 2;
      c.announce.period_ms = 300;
      c.announce.target_port = port_;
      sims_.push_back(std::make_unique<camsim::CameraSimulator>(c));
      ASSERT_EQ(sims_.back()->start(), 0);
    }
  }

  using Result = test::ProgramResult;
  Result run(const QStringList& args) { return test::run_program(VELMORA_BIN, env_, args, 30000); }

  std::uint16_t port_ = 0;
  QTemporaryDir data_, run_;
  QProcessEnvironment env_;
  std::vector<std::unique_ptr<camsim::CameraSimulator>> sims_;
};

TEST_F(DiscoverCommand, ListsTheCamerasHeardAndMarksThoseInTheList) {
  ASSERT_EQ(run({"cameras", "add-local", "602", "127.0.3.12", "pw"}).code, 0);
  const Result r = run({"cameras", "discover", "--seconds", "1"});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
  // Heading, a line per camera in id order, the count; nothing of the library.
  ASSERT_EQ(lines.size(), 6) << r.out.toStdString();
  // Every column starts where its heading does.
  EXPECT_EQ(lines[1].indexOf("ADDRESS"), lines[2].indexOf("127.0.3.11")) << r.out.toStdString();
  EXPECT_EQ(lines[1].indexOf("CONFIGURED"), lines[3].indexOf("yes")) << r.out.toStdString();
  EXPECT_TRUE(lines[2].startsWith("601 ") && lines[2].contains("127.0.3.11") && !lines[2].contains("yes"));
  EXPECT_TRUE(lines[3].startsWith("602 ") && lines[3].contains("127.0.3.12") && lines[3].endsWith(" yes"));
  EXPECT_TRUE(lines[4].startsWith("603 ") && lines[4].contains("127.0.3.13"));
  EXPECT_EQ(lines[5], "3 camera(s) heard.");

  const Result json = run({"cameras", "discover", "--json", "--seconds", "1"});
  ASSERT_EQ(json.code, 0) << json.err.toStdString();
  const QStringList objects = json.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(objects.size(), 3) << json.out.toStdString();
  const QJsonObject second = QJsonDocument::fromJson(objects[1].toUtf8()).object();
  EXPECT_EQ(second["id"].toInt(), 602);
  EXPECT_EQ(second["address"].toString(), "127.0.3.12");
  EXPECT_TRUE(second["configured"].toBool());
  EXPECT_FALSE(QJsonDocument::fromJson(objects[0].toUtf8()).object()["configured"].toBool());

  EXPECT_EQ(run({"cameras", "discover", "--seconds", "0"}).code, 2);
  EXPECT_EQ(run({"cameras", "discover", "5"}).code, 2);
  // Its own help, and an unknown command is refused whatever follows it.
  const Result help = run({"cameras", "discover", "--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_TRUE(help.out.startsWith("Usage: velmora cameras discover")) << help.out.toStdString();
  EXPECT_EQ(run({"cameras", "foo", "--help"}).code, 2);
}

TEST_F(DiscoverCommand, AddLocalByIdTakesTheAddressItWasHeardFrom) {
  const Result added = run({"cameras", "add-local", "603", "pw"});
  ASSERT_EQ(added.code, 0) << added.err.toStdString();
  EXPECT_TRUE(added.out.contains("Added camera 603 at 127.0.3.13")) << added.out.toStdString();
  EXPECT_TRUE(run({"cameras", "list"}).out.contains("127.0.3.13"));

  // A password too long is refused before anyone listens.
  EXPECT_EQ(run({"cameras", "add-local", "601", "0123456789abcdef"}).code, 2);
  sims_.clear();  // nobody announces any more
  const Result missing = run({"cameras", "add-local", "601", "pw"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_TRUE(missing.err.contains("not heard")) << missing.err.toStdString();
}

TEST_F(DiscoverCommand, BusyPortIsReported) {
  const int holder = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port_);
  ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  const Result r = run({"cameras", "discover", "--seconds", "1"});
  ::close(holder);
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(r.err.contains("in use")) << r.err.toStdString();
}

}  // namespace
}  // namespace velmora
