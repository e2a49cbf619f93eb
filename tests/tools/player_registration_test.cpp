// Which player opens .zrv recordings for a user: a desktop player built on
// the media framework first when one is installed (found by what its
// program links or imports), the recording player second; the recording
// player alone otherwise.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "desktop_players.h"
#include "filter_test_support.h"
#include "registration.h"

namespace fs = std::filesystem;

namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteEntry(const std::string& dir, const std::string& id, const std::string& exec, const std::string& mime) {
  fs::create_directories(dir + "/applications");
  std::ofstream(dir + "/applications/" + id) << "[Desktop Entry]\nType=Application\nName=" << id << "\nExec=" << exec
                                             << "\nMimeType=" << mime << "\n";
}

class PlayerRegistrationTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (std::system("command -v update-mime-database >/dev/null") != 0) GTEST_SKIP() << "shared-mime-info missing";
    setenv("XDG_DATA_HOME", home_.path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", home_.Path("config").c_str(), 1);
    setenv("XDG_DATA_DIRS", system_.path().c_str(), 1);
    paths_.data_home = home_.path();
    paths_.plugin_file = PELLAQUIN_BUILT_PLUGIN;
    // A script player that imports the framework, one that links it (this
    // test program does, through the library it tests), and two that do not.
    std::ofstream(system_.Path("scriptplayer")) << "#!/usr/bin/python3\nimport gi\ngi.require_version('Gst', '1.0')\n";
    chmod(system_.Path("scriptplayer").c_str(), 0755);
    std::ofstream(system_.Path("plainscript")) << "#!/bin/sh\nexec true\n";
    chmod(system_.Path("plainscript").c_str(), 0755);
    self_ = fs::canonical("/proc/self/exe").string();
  }
  TempDir home_, system_;
  pellaquin::RegistrationPaths paths_;
  std::string self_;
};

TEST_F(PlayerRegistrationTest, FindsFrameworkPlayersByWhatTheyLinkOrImport) {
  EXPECT_TRUE(pellaquin::ProgramUsesMediaFramework(self_));
  EXPECT_TRUE(pellaquin::ProgramUsesMediaFramework(system_.Path("scriptplayer")));
  EXPECT_FALSE(pellaquin::ProgramUsesMediaFramework(system_.Path("plainscript")));
  EXPECT_FALSE(pellaquin::ProgramUsesMediaFramework("/bin/true"));
  EXPECT_FALSE(pellaquin::ProgramUsesMediaFramework(system_.Path("none")));
  // Not an ELF file of ours to follow: a truncated copy of one.
  {
    std::ifstream in(self_, std::ios::binary);
    std::string head(300, '\0');
    in.read(head.data(), 300);
    std::ofstream(system_.Path("cut"), std::ios::binary) << head;
  }
  EXPECT_FALSE(pellaquin::ProgramUsesMediaFramework(system_.Path("cut")));

  WriteEntry(system_.path(), "a-linked.desktop", "\"" + self_ + "\" --play %U", "video/mp4;");
  WriteEntry(system_.path(), "b-script.desktop", "env A=1 " + system_.Path("scriptplayer") + " %F", "video/webm;");
  WriteEntry(system_.path(), "c-plain.desktop", system_.Path("plainscript") + " %f", "video/mp4;");
  WriteEntry(system_.path(), "d-audio.desktop", self_ + " %f", "audio/ogg;");
  auto found = pellaquin::MediaFrameworkPlayers({home_.path(), system_.path()}, {});
  EXPECT_EQ(found, (std::vector<std::string>{"a-linked.desktop", "b-script.desktop"}));
  // The user's own entry of the same id hides the system's.
  WriteEntry(home_.path(), "a-linked.desktop", "/bin/true %f", "video/mp4;");
  found = pellaquin::MediaFrameworkPlayers({home_.path(), system_.path()}, {"b-script.desktop"});
  EXPECT_TRUE(found.empty());
}

TEST_F(PlayerRegistrationTest, OffersAFrameworkPlayerFirstAndOursSecond) {
  paths_.player_program = "/opt/rec player/pellaquin-player";
  std::string error;
  // Only a player that cannot play recordings: ours alone.
  WriteEntry(system_.path(), "other.desktop", "/bin/true %f", "video/mp4;");
  ASSERT_EQ(pellaquin::Register(paths_, &error), 0) << error;
  EXPECT_NE(Read(home_.Path("applications/mimeapps.list")).find("video/x-zrv=pellaquin-zrv-player.desktop;\n"),
            std::string::npos);
  const std::string entry = Read(home_.Path("applications/pellaquin-zrv-player.desktop"));
  EXPECT_NE(entry.find("Exec=\"/opt/rec player/pellaquin-player\" %f\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("Terminal=false"), std::string::npos);

  // With a framework player installed it comes first.
  WriteEntry(system_.path(), "videos.desktop", self_ + " %U", "video/mp4;video/x-matroska;");
  ASSERT_EQ(pellaquin::Register(paths_, &error), 0) << error;
  const std::string list = Read(home_.Path("applications/mimeapps.list"));
  EXPECT_NE(list.find("[Default Applications]\nvideo/x-zrv=videos.desktop;pellaquin-zrv-player.desktop;\n"),
            std::string::npos)
      << list;
  EXPECT_NE(list.find("[Added Associations]\nvideo/x-zrv=videos.desktop;pellaquin-zrv-player.desktop;\n"),
            std::string::npos)
      << list;

  // The package's entry, when installed, stands for ours.
  WriteEntry(system_.path(), "pellaquin-player.desktop", "pellaquin-player %f", "video/x-zrv;");
  ASSERT_EQ(pellaquin::Register(paths_, &error), 0) << error;
  EXPECT_NE(Read(home_.Path("applications/mimeapps.list")).find("video/x-zrv=videos.desktop;pellaquin-player.desktop;"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(home_.Path("applications/pellaquin-zrv-player.desktop")));
  ASSERT_EQ(pellaquin::Unregister(paths_, &error), 0);
  EXPECT_FALSE(fs::exists(home_.Path("applications")));
}

}  // namespace
