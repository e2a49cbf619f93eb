// The process-wide state behind every Camera_Detect_Module: the UDP socket,
// the receiver thread, the list of cameras heard recently and the sweep that
// reports the silent ones lost.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "camera_detect_module.h"
#include "detect/sweep_timer.h"
#include "net/platform.h"

namespace kestrune {

class CameraDetector {
public:
  enum ReceiverState { kNone = 0, kRunning = 1, kSuspended = 2 };
  static constexpr int kSweepPeriodMs = 40000;

  // Created on first use, destroyed when the library unloads.
  static CameraDetector& instance();

  void register_callback(NVS_SDK_V160::ICameraDetectNotify* notify);
  int start();
  int stop();
  int suspend();
  int resume();

  // Handles one datagram as the receiver does (tests feed it directly).
  // source: the sender's IPv4 address in host order.
  void handle_datagram(const std::uint8_t* data, std::size_t length, std::uint32_t source);
  void sweep();

  // --- internal: tests and simulators, never the exported API ---
  // Port of sockets made from now on; 0 = any free port. The environment
  // variable KESTRUNE_DISCOVERY_PORT sets the initial value (default 51010).
  void set_port(std::uint16_t port);
  std::uint16_t bound_port() const;  // of the current socket; 0 without one
  // Sweep period of the timer; restarts a running sweep with it.
  void set_sweep_period(int ms);
  int receiver_state() const;
  std::vector<NVS_SDK_V160::DetectedCamera> cameras() const;
  // Stops everything and forgets every camera without notifications.
  void reset();

private:
  CameraDetector();
  ~CameraDetector();
  CameraDetector(const CameraDetector&) = delete;
  CameraDetector& operator=(const CameraDetector&) = delete;

  socket_t make_socket();
  void receiver_loop();
  void wake_receiver();
  // Parks the receiver outside its wait, so its socket can be changed;
  // ctl_mu_ must be held through `l`.
  void park_receiver(std::unique_lock<std::mutex>& l);
  static void sweep_callback(void* self);

  // The list and the notify; both notifications are made under it.
  mutable Lock list_lock_;
  std::vector<std::unique_ptr<NVS_SDK_V160::DetectedCamera>> list_;
  NVS_SDK_V160::ICameraDetectNotify* notify_ = nullptr;

  // Orders the exported operations against each other.
  std::mutex api_mu_;

  // The receiver and its socket. The socket is closed or replaced only while
  // the receiver is parked or gone, never while it waits on it.
  mutable std::mutex ctl_mu_;
  std::condition_variable ctl_cv_;
  socket_t socket_ = kInvalidSocket;
  std::uint16_t port_ = 0;
  std::uint16_t bound_port_ = 0;
  int state_ = kNone;
  bool stop_requested_ = false;
  bool park_requested_ = false;
  bool parked_ = false;
  std::thread receiver_;
  int wake_fds_[2] = {-1, -1};  // pipe: a byte in it ends the receiver's wait

  std::unique_ptr<SweepTimer> sweep_timer_;  // made by the first start
  int sweep_period_ms_ = kSweepPeriodMs;
  int sweep_start_result_ = 0;
};

}  // namespace kestrune
