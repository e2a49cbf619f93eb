// SearchManager: the table of cameras found on the local network, fed by the
// library's discovery (on its threads) or, while the sibling program runs
// and discovers for both, by the sibling's data copies (on the main thread).
#pragma once

#include <QByteArray>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "annotated_mutex.h"
#include "camera_detect_module.h"

namespace velmora {

// The first 44 bytes of a DetectedCamera: what the program keeps of it.
struct DiscoveryRecord {
  static constexpr int kSize = 44;
  unsigned char bytes[kSize] = {};

  static DiscoveryRecord from(const void* data);  // copies kSize bytes
  std::uint32_t ip_address() const;  // host order
  std::int32_t camera_id() const;    // the first four bytes of the identifier
  std::string address_text() const;  // dotted
};

class SearchManager : public NVS_SDK_V160::ICameraDetectNotify {
public:
  // What the manager needs of the program; every function may be empty.
  struct Host {
    // Tells the main thread that the table changed; called from any thread.
    std::function<void()> changed;
    // Whether the sibling program runs; called from any thread.
    std::function<bool()> sibling_present;
    // The main window's timers by identifier; main thread only.
    std::function<void(int id, int ms)> set_timer;
    std::function<void(int id)> kill_timer;
  };

  // The library's discovery has one listener: the program keeps one table
  // (its controller owns it).
  SearchManager();
  ~SearchManager();
  SearchManager(const SearchManager&) = delete;
  SearchManager& operator=(const SearchManager&) = delete;

  // Main thread. detach() returns once no notification still uses the host.
  void attach(Host host);
  void detach();

  // Starts the library's discovery unless the sibling runs, with this table
  // as its listener. False when refused or when the discovery port cannot
  // be had.
  bool start();
  void stop();  // at exit
  bool running() const;
  // The system's error of the last start that could not listen (0: none).
  int listen_error() const { return listen_error_; }

  // ICameraDetectNotify, on the library's discovery threads.
  void OnCameraFound(const NVS_SDK_V160::DetectedCamera* record, int size) override;
  void OnCameraLost(const NVS_SDK_V160::DetectedCamera* record, int size) override;

  // The sibling's data copies (found, lost, list); false for other codes or
  // data too short to hold what the code says. Main thread.
  bool on_copy_data(std::int32_t code, const QByteArray& data);
  // The sibling pauses and resumes our discovery. Main thread.
  void pause();
  void resume_later();          // arms TIMER_RESUME_DISCOVERY
  void resume_timer_fired();    // TIMER_RESUME_DISCOVERY

  // Snapshots, any thread.
  std::map<std::int32_t, DiscoveryRecord> table() const;
  // id -> "id(a.b.c.d)", one per table row.
  std::map<std::int32_t, std::string> list_texts() const;
  bool contains(std::int32_t id) const;
  // Forgets every camera (tests).
  void clear();

private:
  void changed() EXCLUDES(host_mu_);  // tells the host
  bool sibling_present() EXCLUDES(host_mu_);
  // Takes a copy the sibling sent into the table; false when refused.
  bool store_copy_locked(std::int32_t code, const QByteArray& data) REQUIRES(table_mu_);

  NVS_SDK_V160::Camera_Detect_Module* detector_;  // owned

  mutable Mutex table_mu_;
  std::map<std::int32_t, DiscoveryRecord> table_ GUARDED_BY(table_mu_);

  Mutex host_mu_;  // held while a host function runs
  Host host_ GUARDED_BY(host_mu_);

  std::atomic<bool> running_{false};
  std::atomic<int> listen_error_{0};
  // A camera found after the resume timer was armed cancels that resume.
  std::atomic<std::uint64_t> found_count_{0};
  std::uint64_t found_count_at_resume_ = 0;  // main thread
};

}  // namespace velmora
