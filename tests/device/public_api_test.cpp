// A client that sees nothing but the exported headers and the shared
// library: connect to a simulated camera (its own process), list, download.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "device_test_support.h"
#include "kestrune.h"

extern char** environ;

using namespace devtest;

namespace {

const ::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new SdkEnvironment);

class CamsimProcess {
public:
  explicit CamsimProcess(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    std::string program = CAMSIM_PROGRAM;
    argv.push_back(program.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
  }
  ~CamsimProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
  }
  bool running() const { return pid_ > 0; }

private:
  pid_t pid_ = -1;
};

}  // namespace

TEST(PublicApi, ListAndDownloadThroughTheSharedLibrary) {
  EXPECT_EQ(NVS_SDK_V160::Camera_SDK_GetVersion(), 0x1600u);

  // A recording of our own making, served from a folder.
  char dir_template[] = "/tmp/ks_device_api_XXXXXX";
  ASSERT_NE(::mkdtemp(dir_template), nullptr);
  const std::string dir = dir_template;
  const std::string file = dir + "/CLIP_0001.avi";
  std::vector<char> content(1048576 + 4321);
  std::mt19937 rng(42);
  for (auto& c : content) c = static_cast<char>(rng());
  std::ofstream(file, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));

  CamsimProcess camsim({"--address", "127.0.1.50", "--port", "9996", "--password", "letmein",
                        "--folder", dir, "--quiet"});
  ASSERT_TRUE(camsim.running());

  // The simulator needs a moment to listen; retry until the login succeeds.
  unsigned char pw[16];
  password_block("letmein", pw);
  std::unique_ptr<RecordingHandler> handler;
  std::unique_ptr<NVS_SDK_V160::Camera_Module> module;
  const bool up = wait_for(
      [&] {
        module.reset();
        handler = std::make_unique<RecordingHandler>();
        module = std::make_unique<NVS_SDK_V160::Camera_Module>();
        module->RegisterMsgHandler(handler.get());
        if (module->ConnectLocalCamera("127.0.1.50", pw) != 0) return false;
        if (!wait_for([&] { return !handler->get(handler->connect_results).empty(); }, 5000)) return false;
        if (handler->get(handler->connect_results).front() == 0) return true;
        wait_for([&] { return module->GetStatus() == 0; }, 5000);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return false;
      },
      20000);
  ASSERT_TRUE(up);

  ASSERT_EQ(module->RequestCameraRecordInfomation(), 0);
  ASSERT_TRUE(wait_for([&] { return !handler->get(handler->statistics).empty(); }));
  ASSERT_EQ(handler->get(handler->statistics).front(), 1);
  ASSERT_EQ(module->RequestCameraRecordList(0, 1), 0);
  ASSERT_TRUE(wait_for([&] { return handler->get(handler->last_pages) == 1; }));
  const auto entries = handler->get(handler->entries);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_STREQ(entries[0].file_name, "CLIP_0001.avi");
  EXPECT_EQ(+entries[0].file_size, content.size());

  std::vector<char> got(content.size());
  char name[32] = "CLIP_0001.avi";
  int id = 1;
  for (std::uint32_t offset = 0; offset < got.size(); ++id) {
    const std::uint32_t want = std::min<std::uint32_t>(0x20000, static_cast<std::uint32_t>(got.size()) - offset);
    ASSERT_EQ(module->RequestDownLoadRecord(id, name, offset, want), 0);
    ASSERT_TRUE(wait_for([&] {
      std::lock_guard<std::mutex> g(handler->mu);
      const auto& blocks = handler->blocks[static_cast<std::uint32_t>(id)];
      return !blocks.empty() && blocks.back().end_flag != 0;
    }));
    std::lock_guard<std::mutex> g(handler->mu);
    for (const auto& b : handler->blocks[static_cast<std::uint32_t>(id)]) {
      ASSERT_LE(b.offset + b.data.size(), got.size());
      std::copy(b.data.begin(), b.data.end(), got.begin() + b.offset);
    }
    offset += want;
  }
  EXPECT_TRUE(got == content);

  module->DisconnectCamera();
  EXPECT_EQ(module->GetStatus(), 0);
  module.reset();
  std::remove(file.c_str());
  ::rmdir(dir.c_str());
}
