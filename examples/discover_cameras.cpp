// Lists the cameras that announce themselves on the local network.
//
//   discover_cameras [seconds]
//
// Listens for the cameras' announcements (UDP port 51010) for the given
// number of seconds (default 10), prints a line for each camera as it
// appears or falls silent, and a summary of the cameras heard at the end.
#include <kestrune/kestrune.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>

using namespace NVS_SDK_V160;

namespace {

std::string dotted(std::uint32_t ip) {  // host order, first number on top
  return std::to_string(ip >> 24) + "." + std::to_string((ip >> 16) & 0xFF) + "." +
         std::to_string((ip >> 8) & 0xFF) + "." + std::to_string(ip & 0xFF);
}

// Called on the library's threads; the record is only valid during the call,
// so what is kept is copied.
class Listener : public ICameraDetectNotify {
public:
  void OnCameraFound(const DetectedCamera* camera, int size) override {
    if (camera == nullptr || size < static_cast<int>(sizeof(DetectedCamera))) return;
    std::lock_guard<std::mutex> lock(mutex_);
    const std::uint64_t id = camera->camera_id;
    const std::string ip = dotted(camera->ip_address);
    if (heard_.count(id) && heard_[id] == ip) return;  // already shown
    heard_[id] = ip;
    std::printf("found  camera %" PRIu64 " at %s\n", id, ip.c_str());
    std::fflush(stdout);
  }
  void OnCameraLost(const DetectedCamera* camera, int size) override {
    if (camera == nullptr || size < static_cast<int>(sizeof(DetectedCamera))) return;
    std::lock_guard<std::mutex> lock(mutex_);
    const std::uint64_t id = camera->camera_id;
    heard_.erase(id);
    std::printf("lost   camera %" PRIu64 " at %s\n", id, dotted(camera->ip_address).c_str());
    std::fflush(stdout);
  }
  std::map<std::uint64_t, std::string> heard() {
    std::lock_guard<std::mutex> lock(mutex_);
    return heard_;
  }

private:
  std::mutex mutex_;
  std::map<std::uint64_t, std::string> heard_;
};

}  // namespace

int main(int argc, char** argv) {
  int seconds = 10;
  if (argc > 2 || (argc == 2 && (seconds = std::atoi(argv[1])) <= 0)) {
    std::fprintf(stderr, "usage: %s [seconds]\n", argv[0]);
    return 2;
  }
  if (Camera_SDK_Initialize() != 0) {
    std::fprintf(stderr, "cannot start the camera library\n");
    return 1;
  }
  Listener listener;
  Camera_Detect_Module* detector = Camera_Detect_Module::GetInstance();
  detector->RegisterCallback(&listener);
  int rc = 0;
  if (detector->Start() != 0) {
    std::fprintf(stderr, "cannot listen on UDP port 51010 (is another program using it?)\n");
    rc = 1;
  } else {
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    detector->Stop();  // returns once the receiver has ended
  }
  detector->RegisterCallback(nullptr);
  Camera_SDK_Finalize();
  if (rc == 0) std::printf("%zu camera(s) heard\n", listener.heard().size());
  return rc;
}
