// Lists the cameras of a video-server account.
//
//   list_server_cameras <server IPv4 address> <port> <user> <password> <group>
//
// Connects to the video server (Velmora uses port 1701), logs in, asks for
// the account's camera list and prints each camera's id on the server and
// the label the server gives it. The group is the serial number of the
// group's main camera.
#include <kestrune/kestrune.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

using namespace NVS_SDK_V160;

namespace {

// Collects the server's answers, which arrive on the library's thread, for
// the main thread to wait on.
class ServerAnswers : public INVSMessageNotify {
public:
  static constexpr int kPending = 1 << 30;

  int OnConnectServer(int error) override { return set(connect_, error); }
  int OnAccessResponse(int result) override { return set(access_, result); }
  int OnConnectionBroken(int error) override { return set(broken_, error); }
  int OnReceiveNVTList(const unsigned char* list, int size) override {
    // u32 count, then count CAMERA_INFO records of 138 bytes; the count is
    // checked against the size so a short list is never read past its end.
    std::lock_guard<std::mutex> lock(mutex_);
    std::uint32_t count = 0;
    if (size >= 4) std::memcpy(&count, list, sizeof count);
    const std::size_t room = size >= 4 ? (static_cast<std::size_t>(size) - 4) / sizeof(CAMERA_INFO) : 0;
    cameras_.clear();
    for (std::size_t i = 0; i < count && i < room; ++i) {
      CAMERA_INFO info;
      std::memcpy(&info, list + 4 + i * sizeof info, sizeof info);
      cameras_.push_back(info);
    }
    list_ = 0;
    cv_.notify_all();
    return 0;
  }

  // Waits up to 10 s for `slot` to leave kPending or the connection to
  // break; returns the slot's value, or the error of the broken connection.
  int wait(const int& slot) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!cv_.wait_for(lock, std::chrono::seconds(10),
                      [&] { return slot != kPending || broken_ != kPending; }))
      return -1;
    return slot != kPending ? slot : broken_;
  }

  int connect_ = kPending, access_ = kPending, list_ = kPending, broken_ = kPending;
  std::vector<CAMERA_INFO> cameras_;  // read after list_ is set

private:
  int set(int& slot, int value) {
    std::lock_guard<std::mutex> lock(mutex_);
    slot = value;
    cv_.notify_all();
    return 0;
  }
  std::mutex mutex_;
  std::condition_variable cv_;
};

// The label is text the server stores with the camera (44 bytes after the
// id); anything unprintable is shown as '?'.
std::string label_of(const CAMERA_INFO& info) {
  std::string text(reinterpret_cast<const char*>(info.server_data4),
                   strnlen(reinterpret_cast<const char*>(info.server_data4), sizeof info.server_data4));
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return text;
}

int run(const char* address, unsigned short port, const char* user, const char* password,
        const char* group) {
  ServerAnswers answers;
  NVS_Client_Module server;
  server.RegisterMessageNofity(&answers);
  int rc = 1;
  if (server.ConnectServer(address, port) != 0) {
    std::fprintf(stderr, "%s: cannot connect\n", address);
  } else if (int e = answers.wait(answers.connect_); e != 0) {
    std::fprintf(stderr, "%s:%u: connection failed (%d)\n", address, port, e);
  } else if (server.LoginServer(user, password, group) != 0) {
    std::fprintf(stderr, "%s: login could not be sent\n", address);
  } else if (int r = answers.wait(answers.access_); r != 0) {
    std::fprintf(stderr, "%s: login refused (%d)\n", address, r);
  } else if (server.SendNVTListRequest() != 0 || answers.wait(answers.list_) != 0) {
    std::fprintf(stderr, "%s: no camera list\n", address);
  } else {
    for (const CAMERA_INFO& info : answers.cameras_)
      std::printf("%10u  %s\n", info.nvt_id, label_of(info).c_str());
    std::printf("%zu camera(s)\n", answers.cameras_.size());
    rc = 0;
  }
  // Unregister before logging out: nothing of ours is called afterwards.
  server.RegisterMessageNofity(nullptr);
  if (server.GetStatus() == 2) server.LogoutServer();
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s <server IPv4 address> <port> <user> <password> <group>\n",
                 argv[0]);
    return 2;
  }
  char* end = nullptr;
  const long port = std::strtol(argv[2], &end, 10);
  if (*end != '\0' || port < 1 || port > 65535) {
    std::fprintf(stderr, "bad port \"%s\"\n", argv[2]);
    return 2;
  }
  if (Camera_SDK_Initialize() != 0) {
    std::fprintf(stderr, "cannot start the camera library\n");
    return 1;
  }
  const int rc = run(argv[1], static_cast<unsigned short>(port), argv[3], argv[4], argv[5]);
  Camera_SDK_Finalize();
  return rc;
}
