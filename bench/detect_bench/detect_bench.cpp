// Prints what an idle detector costs in CPU time next to a receiver that
// polls its socket (short waits, then a one-second pause). Figures only;
// nothing passes or fails. Usage: detect_bench [seconds per phase, 60]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "camera_detect_module.h"
#include "detect/camera_detector.h"

namespace {

double cpu_seconds() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

template <class F>
double measure(int seconds, F&& body) {
  const double before = cpu_seconds();
  body(seconds);
  return cpu_seconds() - before;
}

int bound_udp() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  return fd;
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
  if (seconds <= 0) return 2;

  const double idle = measure(seconds, [](int s) {
    kestrune::CameraDetector::instance().set_port(0);  // never collide with a real listener
    NVS_SDK_V160::Camera_Detect_Module m;
    if (m.Start() != 0) std::exit(1);
    std::this_thread::sleep_for(std::chrono::seconds(s));
    m.Stop();
  });

  // The reference: a receiver that polls, as a select loop with short
  // timeouts and pauses would.
  const double polling = measure(seconds, [](int s) {
    const int fd = bound_udp();
    std::atomic<bool> stop{false};
    std::thread t([&] {
      char buf[512];
      while (!stop) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        timeval tv{0, 500};
        const int r = ::select(fd + 1, &set, nullptr, nullptr, &tv);
        if (r > 0) {
          ::recv(fd, buf, sizeof buf, 0);
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
          continue;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (r == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1000));
      }
    });
    std::this_thread::sleep_for(std::chrono::seconds(s));
    stop = true;
    t.join();
    ::close(fd);
  });

  std::printf("idle detector, %d s: %.4f CPU s (receiver blocked, sweep timer waiting)\n", seconds, idle);
  std::printf("polling receiver, %d s: %.4f CPU s (reference)\n", seconds, polling);
  return 0;
}
