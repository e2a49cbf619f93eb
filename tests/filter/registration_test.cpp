// Registration for the current user, into a temporary data folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "filter_test_support.h"
#include "registration.h"

namespace fs = std::filesystem;

namespace {

std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> files;
  for (auto& e : fs::recursive_directory_iterator(root)) {
    std::string rel = fs::relative(e.path(), root).string();
    if (e.is_regular_file()) {
      std::ifstream in(e.path(), std::ios::binary);
      std::stringstream ss;
      ss << in.rdbuf();
      files[rel] = ss.str();
    } else {
      files[rel + "/"] = "";
    }
  }
  return files;
}

std::string RunCommand(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

class RegistrationTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (std::system("command -v update-mime-database >/dev/null && command -v xdg-mime >/dev/null") != 0)
      GTEST_SKIP() << "shared-mime-info or xdg-utils missing";
    data_ = std::make_unique<TempDir>();
    config_ = std::make_unique<TempDir>();
    setenv("XDG_DATA_HOME", data_->path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", config_->path().c_str(), 1);
    paths_.data_home = data_->path();
    paths_.plugin_file = PELLAQUIN_BUILT_PLUGIN;
  }
  std::unique_ptr<TempDir> data_, config_;
  pellaquin::RegistrationPaths paths_;
};

}  // namespace

TEST_F(RegistrationTest, RegistersTheTypeAndRemovesEverything) {
  std::string error;
  ASSERT_EQ(pellaquin::Register(paths_, &error), 0) << error;
  EXPECT_TRUE(fs::is_regular_file(data_->Path("gstreamer-1.0/plugins/libgstpellaquin.so")));
  std::ofstream(data_->Path("x.zrv")) << "not really";
  EXPECT_EQ(RunCommand("xdg-mime query filetype " + data_->Path("x.zrv")), "video/x-zrv");
  auto first = Snapshot(data_->path());
  ASSERT_TRUE(first.count("applications/mimeapps.list"));
  EXPECT_NE(first["applications/mimeapps.list"].find("video/x-zrv="), std::string::npos);
  if (pellaquin::DefaultVideoPlayer().empty()) {
    EXPECT_NE(first["applications/pellaquin-zrv-player.desktop"].find("Exec=gst-play-1.0 %F"), std::string::npos);
    EXPECT_EQ(RunCommand("xdg-mime query default video/x-zrv"), "pellaquin-zrv-player.desktop");
  }

  ASSERT_EQ(pellaquin::Register(paths_, &error), 0) << error;
  EXPECT_EQ(Snapshot(data_->path()), first);

  fs::remove(data_->Path("x.zrv"));
  ASSERT_EQ(pellaquin::Unregister(paths_, &error), 0);
  EXPECT_TRUE(Snapshot(data_->path()).empty());
  ASSERT_EQ(pellaquin::Unregister(paths_, &error), 0);  // nothing there: still fine
}

TEST_F(RegistrationTest, KeepsTheUsersOtherAssociationsAndTypes) {
  const std::string list = "[Default Applications]\ntext/plain=editor.desktop;\n";
  fs::create_directories(data_->Path("applications"));
  std::ofstream(data_->Path("applications/mimeapps.list")) << list;
  fs::create_directories(data_->Path("mime/packages"));
  std::ofstream(data_->Path("mime/packages/other.xml"))
      << "<?xml version=\"1.0\"?>\n<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
         "<mime-type type=\"text/x-other\"><glob pattern=\"*.other\"/></mime-type>\n</mime-info>\n";
  std::string error;
  ASSERT_EQ(pellaquin::Register(paths_, &error), 0) << error;
  ASSERT_EQ(pellaquin::Unregister(paths_, &error), 0);
  auto after = Snapshot(data_->path());
  EXPECT_EQ(after["applications/mimeapps.list"], list);
  EXPECT_TRUE(after.count("mime/packages/other.xml"));
  EXPECT_FALSE(after.count("mime/packages/pellaquin-zrv.xml"));
  EXPECT_FALSE(after.count("gstreamer-1.0/"));
}

TEST_F(RegistrationTest, AMissingPluginIsReported) {
  paths_.plugin_file = data_->Path("nowhere.so");
  std::string error;
  EXPECT_EQ(pellaquin::Register(paths_, &error), 1);
  EXPECT_NE(error.find("nowhere.so"), std::string::npos);
}
