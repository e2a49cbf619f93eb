// CameraSession: a blocking wrapper over Camera_Module for small command-line
// programs. The library answers on its own thread through INVDMessageHandler;
// this class copies what it needs out of each answer under a mutex and lets
// the caller's thread wait for it, with a time limit on every step.
#pragma once

#include <kestrune/kestrune.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace example {

using namespace NVS_SDK_V160;
using Clock = std::chrono::steady_clock;

// The library reads little-endian fields out of message bodies this way; the
// pointers it hands over need not be aligned.
template <typename T>
T field(const char* body, std::size_t offset) {
  T value;
  std::memcpy(&value, body + offset, sizeof value);
  return value;
}

// A recording's name as text (the field is 32 bytes and may lack its NUL).
inline std::string entry_name(const RECORD_FILE_ENTRY& e) {
  return std::string(e.file_name, strnlen(e.file_name, sizeof e.file_name));
}

class CameraSession : public INVDMessageHandler {
public:
  CameraSession() { module_.RegisterMsgHandler(this); }
  ~CameraSession() override { close(); }
  CameraSession(const CameraSession&) = delete;
  CameraSession& operator=(const CameraSession&) = delete;

  // Connects to port 9996 of a camera and logs in; false with a reason when
  // the camera refuses, cannot be reached or does not answer in time.
  bool connect(const char* ip, const std::string& password, std::string& error) {
    if (password.size() > 15) {
      error = "the password has more than 15 bytes";
      return false;
    }
    unsigned char block[16] = {};  // NUL-terminated, zero padded
    std::memcpy(block, password.data(), password.size());
    {
      std::lock_guard<std::mutex> lock(mutex_);
      connect_result_ = kPending;
    }
    if (module_.ConnectLocalCamera(ip, block) != 0) {
      error = std::string("cannot connect to ") + ip;
      return false;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (!wait(lock, [&] { return connect_result_ != kPending; })) {
      error = "the camera did not answer the login";
      return false;
    }
    // A positive result is the socket error of the connect, a negative one
    // the camera's refusal of the login.
    if (connect_result_ > 0) {
      error = std::string("cannot connect: ") + std::strerror(connect_result_);
      return false;
    }
    if (connect_result_ == -8) {
      error = "wrong password";
      return false;
    }
    if (connect_result_ != 0) {
      error = "login refused (" + std::to_string(connect_result_) + ")";
      return false;
    }
    return true;
  }

  // Reads the whole record catalogue: the statistic gives the number of
  // recordings, then one list request returns them in one or more pages.
  bool fetch_catalogue(std::vector<RECORD_FILE_ENTRY>& out, std::string& error) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      record_count_ = -1;
      list_complete_ = false;
      catalogue_.clear();
    }
    if (module_.RequestCameraRecordInfomation() != 0) return fail(error, "not logged in");
    std::unique_lock<std::mutex> lock(mutex_);
    if (!wait(lock, [&] { return record_count_ >= 0 || closed_; }) || closed_)
      return fail(error, "no record statistic from the camera");
    if (record_count_ > 0) {
      const auto count = static_cast<unsigned short>(record_count_);
      lock.unlock();
      if (module_.RequestCameraRecordList(0, count) != 0) return fail(error, "not logged in");
      lock.lock();
      if (!wait(lock, [&] { return list_complete_ || closed_; }) || closed_)
        return fail(error, "the record list did not arrive");
    }
    out = catalogue_;
    return true;
  }

  // Fetches the bytes [offset, offset + length) of a recording (at most
  // 131072 bytes per request) and hands every block to `sink`, on the
  // library's thread. Returns when the camera marks the end of the range.
  bool fetch_range(const RECORD_FILE_ENTRY& e, std::uint32_t offset, std::uint32_t length,
                   const std::function<bool(std::uint32_t offset, const char* data,
                                            std::uint32_t n)>& sink,
                   std::string& error) {
    char name[32] = {};
    std::memcpy(name, e.file_name, sizeof name - 1);
    int id;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      // A download id names one request; the library ignores a reused one.
      id = download_id_ = next_download_id_++;
      range_state_ = kPending;
      sink_ = sink;
    }
    if (module_.RequestDownLoadRecord(id, name, offset, length) != 0)
      return fail(error, "not logged in");
    std::unique_lock<std::mutex> lock(mutex_);
    const bool answered = wait(lock, [&] { return range_state_ != kPending || closed_; });
    sink_ = nullptr;
    if (closed_) return fail(error, "the camera closed the connection");
    if (!answered) return fail(error, "the camera stopped sending");
    if (range_state_ != 0) return fail(error, range_state_ == kSinkFailed
                                                  ? "could not store the data"
                                                  : "the camera refused the download");
    return true;
  }

  // connect() then fetch_catalogue(); on failure says why on stderr.
  bool open(const char* ip, const std::string& password, std::vector<RECORD_FILE_ENTRY>& out) {
    std::string error;
    if (connect(ip, password, error) && fetch_catalogue(out, error)) return true;
    std::fprintf(stderr, "%s: %s\n", ip, error.c_str());
    return false;
  }

  // Unregisters first: after this the library calls nothing of ours.
  void close() {
    module_.RegisterMsgHandler(nullptr);
    module_.DisconnectCamera();
  }

private:
  static constexpr int kPending = 1 << 30;
  static constexpr int kSinkFailed = 1 << 29;

  template <typename Pred>
  bool wait(std::unique_lock<std::mutex>& lock, Pred ready) {
    // Every answer resets the clock, so a long list or download may take as
    // long as it needs while a silent camera is given up after 10 s.
    for (;;) {
      const unsigned long seen = answers_;
      if (cv_.wait_for(lock, std::chrono::seconds(10), [&] { return ready() || answers_ != seen; })) {
        if (ready()) return true;
        continue;
      }
      return false;
    }
  }
  static bool fail(std::string& error, const char* why) {
    error = why;
    return false;
  }
  void notify() {
    ++answers_;
    cv_.notify_all();
  }

  // --- INVDMessageHandler: called on the library's reactor thread ---
  void OnConnectResult(int result) override {
    std::lock_guard<std::mutex> lock(mutex_);
    connect_result_ = result;
    closed_ = result != 0;
    notify();
  }
  void OnConnectionClose(int) override {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    if (connect_result_ == kPending) connect_result_ = -1;
    notify();
  }
  void OnRecordStatisticInfomation(const char* body) override {
    std::lock_guard<std::mutex> lock(mutex_);
    record_count_ = field<std::uint16_t>(body, 0);
    notify();
  }
  void OnRecordListInfomation(const char* body) override {
    // u16 entries in this page, u16 last-page flag, then the 48-byte entries.
    const std::uint16_t n = field<std::uint16_t>(body, 0);
    std::lock_guard<std::mutex> lock(mutex_);
    for (std::uint16_t i = 0; i < n; ++i)
      catalogue_.push_back(field<RECORD_FILE_ENTRY>(body, 4 + 48u * i));
    if (field<std::uint16_t>(body, 2) != 0) list_complete_ = true;
    notify();
  }
  void OnDownloadResponse(const char* body) override {
    // u32 transfer id, u32 download id, u32 status (0 = accepted).
    std::lock_guard<std::mutex> lock(mutex_);
    if (field<std::int32_t>(body, 4) != download_id_) return;
    const std::uint32_t status = field<std::uint32_t>(body, 8);
    if (status != 0) range_state_ = static_cast<int>(status & 0xFFFF) | 0x10000;
    notify();
  }
  void OnDownloadData(const char* body) override {
    // u32 transfer id, u32 download id, u32 file offset, u32 length n,
    // u16 end-of-range flag, 2 bytes, then n bytes of the recording.
    std::lock_guard<std::mutex> lock(mutex_);
    if (field<std::int32_t>(body, 4) != download_id_ || range_state_ != kPending) return;
    const auto offset = field<std::uint32_t>(body, 8);
    const auto n = field<std::uint32_t>(body, 12);
    if (sink_ && !sink_(offset, body + 20, n)) range_state_ = kSinkFailed;
    else if (field<std::uint16_t>(body, 16) != 0) range_state_ = 0;
    notify();
  }

  Camera_Module module_;
  std::mutex mutex_;
  std::condition_variable cv_;
  unsigned long answers_ = 0;
  int connect_result_ = kPending;
  bool closed_ = false;
  int record_count_ = -1;
  bool list_complete_ = false;
  std::vector<RECORD_FILE_ENTRY> catalogue_;
  int next_download_id_ = 1;
  int download_id_ = 0;
  int range_state_ = 0;
  std::function<bool(std::uint32_t, const char*, std::uint32_t)> sink_;
};

// Starts the library for the lifetime of main's scope; says so on stderr
// when it cannot start.
class Library {
public:
  Library() : ok_(Camera_SDK_Initialize() == 0) {
    if (!ok_) std::fprintf(stderr, "cannot start the camera library\n");
  }
  ~Library() { Camera_SDK_Finalize(); }
  bool ok() const { return ok_; }

private:
  bool ok_;
};

}  // namespace example
