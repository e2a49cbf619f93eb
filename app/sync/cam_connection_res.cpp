#include "cam_connection_res.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app_paths.h"
#include "window_messages.h"

namespace velmora {

using NVS_SDK_V160::RECORD_FILE_ENTRY;

std::atomic<std::int32_t> CamConnentionRES::download_counter{0};
std::atomic<std::uint64_t> CamConnentionRES::received_bytes_{0};

namespace {

template <typename T>
T read_le(const char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Size of a file, or -1 when it does not exist.
long long file_size(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return -1;
  return static_cast<long long>(st.st_size);
}

// Renames without replacing a file that appeared meanwhile.
bool rename_no_replace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without RENAME_NOREPLACE: a hard link fails when the target
  // exists, which gives the same guarantee.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  ::unlink(from.c_str());
  return true;
}

}  // namespace

CamConnentionRES::CamConnentionRES(MessageSink& sink)
    : sink_(sink), module_(new NVS_SDK_V160::Camera_Module) {
  module_->RegisterMsgHandler(this);
}

CamConnentionRES::~CamConnentionRES() {
  module_->RegisterMsgHandler(nullptr);
  delete module_;
}

std::uint64_t CamConnentionRES::take_received_bytes() { return received_bytes_.exchange(0); }

bool CamConnentionRES::is_free() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return free_;
}

std::int32_t CamConnentionRES::camera_id() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return camera_.camera_id;
}

void CamConnentionRES::bind(const CameraRecord& record, const std::string& download_root) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    camera_ = record;
    root_ = download_root;
    free_ = false;
    run_over_ = false;
    ++generation_;
    current_download_ = -1;
    continuation_pending_ = false;
    write_failed_ = false;
  }
  sink_.arm_camera_timer(record.camera_id, kConnectTimeoutMs);
}

int CamConnentionRES::connect_local() {
  std::string address;
  unsigned char password[16] = {};
  std::int32_t id;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    address = address_text(camera_);
    // The field holds at most 15 bytes and its terminator; copy only those.
    std::string text = field_text(camera_.local_password);
    std::memcpy(password, text.data(), std::min<std::size_t>(text.size(), 15));
    id = camera_.camera_id;
  }
  int r = module_->ConnectLocalCamera(address.c_str(), password);
  if (r != 0) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (accepting_locked() && camera_.camera_id == id) {
      sink_.cancel_camera_timer(id);
      finish_run_locked(STATUS_CONNECT_FAILED);
    }
  }
  return r;
}

bool CamConnentionRES::connect_remote(std::int32_t camera_id,
                                      const NVS_SDK_V160::CAMERA_INFO& camera,
                                      const NVS_SDK_V160::BaseUserInfo& user,
                                      const unsigned char* relay_key,
                                      const std::string& relay_address,
                                      unsigned short relay_port) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!accepting_locked() || camera_.camera_id != camera_id) return false;
  }
  module_->SetNVTInfo(camera);
  module_->SetVIFsUserInfo(user);
  unsigned char key[48];
  std::memcpy(key, relay_key, sizeof key);
  module_->SetRelayKey(key);
  int r = module_->ConnectRemoteCamera(relay_address.c_str(), relay_port);
  if (r != 0) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (accepting_locked() && camera_.camera_id == camera_id) {
      sink_.cancel_camera_timer(camera_id);
      finish_run_locked(STATUS_CONNECT_FAILED);
    }
    return false;
  }
  return true;
}

void CamConnentionRES::stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    free_ = true;
    run_over_ = true;
    ++generation_;
    current_download_ = -1;
    continuation_pending_ = false;
  }
  module_->DisconnectCamera();
}

void CamConnentionRES::finish_run_locked(std::int32_t status) {
  run_over_ = true;
  current_download_ = -1;
  sink_.post_message(WM_SYNC_STATUS, camera_.camera_id, status);
}

void CamConnentionRES::post_counts_locked() {
  SyncCounts c{camera_.camera_id, done_, total_};
  sink_.post_message(WM_SYNC_COUNTS, 0, 0, QByteArray(reinterpret_cast<const char*>(&c), sizeof c));
}

void CamConnentionRES::file_failed_locked(const std::string& name, const char* reason) {
  QByteArray payload(name.c_str(), static_cast<qsizetype>(name.size() + 1));
  payload.append(reason);
  sink_.post_message(WM_FILE_FAILED, camera_.camera_id, 0, payload);
}

void CamConnentionRES::OnConnectResult(int result) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!accepting_locked()) return;
    const std::int32_t id = camera_.camera_id;
    sink_.cancel_camera_timer(id);
    if (result == -8) {
      sink_.post_message(WM_WRONG_PASSWORD, id, 0);
      finish_run_locked(STATUS_WRONG_PASSWORD);
      return;
    }
    if (result != 0) {
      finish_run_locked(STATUS_CONNECT_FAILED);
      return;
    }
    sink_.post_message(WM_SYNC_STATUS, id, STATUS_SYNCING);
    // A camera that logs in and then never sends its statistics would
    // otherwise hold its slot for ever.
    sink_.arm_camera_timer(id, kTransferWatchdogMs);
  }
  module_->RequestAudioData(false);
  module_->RequestVideoData(false);
  module_->RequestCameraRecordInfomation();
}

void CamConnentionRES::OnConnectionClose(int reason) {
  (void)reason;
  std::lock_guard<std::mutex> lock(mutex_);
  if (!accepting_locked()) return;
  sink_.cancel_camera_timer(camera_.camera_id);
  finish_run_locked(STATUS_INTERRUPTED);
}

void CamConnentionRES::OnRecordStatisticInfomation(const char* body) {
  std::uint16_t n = read_le<std::uint16_t>(body);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!accepting_locked()) return;
    record_count_ = n;
    done_ = 0;
    total_ = 0;
    catalogue_.clear();
    queue_.clear();
    sink_.arm_camera_timer(camera_.camera_id, kTransferWatchdogMs);
  }
  module_->RequestCameraRecordList(0, n);
}

void CamConnentionRES::OnRecordListInfomation(const char* body) {
  const std::uint16_t n = read_le<std::uint16_t>(body);
  const std::uint16_t last = read_le<std::uint16_t>(body + 2);
  ChunkRequest request;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!accepting_locked()) return;
    for (std::uint16_t i = 0; i < n; ++i) {
      RECORD_FILE_ENTRY e;
      std::memcpy(&e, body + 4 + 48 * static_cast<std::size_t>(i), sizeof e);
      catalogue_.push_back(e);
    }
    if (last == 0) {
      sink_.arm_camera_timer(camera_.camera_id, kTransferWatchdogMs);
      return;
    }
    sink_.cancel_camera_timer(camera_.camera_id);
    make_folders(alarm_folder(root_, camera_.camera_id));
    make_folders(manual_folder(root_, camera_.camera_id));
    for (const RECORD_FILE_ENTRY& e : catalogue_) {
      RecordingPaths paths;
      if (!recording_paths(root_, camera_.camera_id, e, paths)) {
        file_failed_locked(entry_name(e), "unsafe file name refused");
        continue;
      }
      if (!file_exists(paths.final_path)) queue_.push_back(e);
    }
    total_ = static_cast<std::int32_t>(queue_.size());
    post_counts_locked();
    request = start_next_locked();
  }
  send(request);
}

CamConnentionRES::ChunkRequest CamConnentionRES::start_next_locked() {
  while (!queue_.empty()) {
    const RECORD_FILE_ENTRY& e = queue_.front();
    const std::string name = entry_name(e);
    RecordingPaths paths;
    recording_paths(root_, camera_.camera_id, e, paths);  // names were checked when queued
    write_failed_ = false;

    // Another entry with the same name, or another program, may have
    // completed this file since the list was compared.
    if (file_exists(paths.final_path)) {
      queue_.pop_front();
      ++done_;
      post_counts_locked();
      continue;
    }
    const std::uint32_t size = e.file_size;
    long long have = file_size(paths.partial);
    if (size == 0 || have == static_cast<long long>(size)) {
      // Nothing (more) to fetch: an empty recording becomes an empty file, a
      // partial file that already holds every byte is finished.
      bool ok;
      if (size == 0 && have < 0) {
        int fd = ::open(paths.partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ok = fd >= 0 && ::close(fd) == 0;
      } else if (size == 0) {
        ok = ::truncate(paths.partial.c_str(), 0) == 0;
      } else {
        ok = true;
      }
      ok = ok && rename_no_replace(paths.partial, paths.final_path);
      queue_.pop_front();
      if (ok) {
        ++done_;
      } else {
        file_failed_locked(name, "could not store the finished file");
      }
      post_counts_locked();
      continue;
    }
    std::uint32_t offset = 0;
    if (have > static_cast<long long>(size)) {
      // Longer than the recording: not a prefix of it; start again.
      if (::truncate(paths.partial.c_str(), 0) != 0) {
        queue_.pop_front();
        file_failed_locked(name, "could not reset the partial file");
        post_counts_locked();
        continue;
      }
    } else if (have > 0) {
      offset = static_cast<std::uint32_t>(have);
    }
    current_paths_ = paths;
    QByteArray copy(e.file_name, sizeof e.file_name);
    copy[31] = '\0';
    // After the name: where the download starts and the recording's size.
    copy.append(reinterpret_cast<const char*>(&offset), sizeof offset);
    copy.append(reinterpret_cast<const char*>(&size), sizeof size);
    sink_.post_message(WM_CURRENT_FILE, camera_.camera_id, 0, copy);
    sink_.post_message(WM_FILE_PROGRESS, camera_.camera_id,
                       static_cast<std::intptr_t>(static_cast<double>(offset) * 100.0 / size));
    return chunk_locked(offset);
  }
  finish_run_locked(STATUS_COMPLETE);
  return {};
}

CamConnentionRES::ChunkRequest CamConnentionRES::chunk_locked(std::uint32_t offset) {
  const RECORD_FILE_ENTRY& e = queue_.front();
  ChunkRequest r;
  r.send = true;
  r.offset = offset;
  r.length = std::min<std::uint32_t>(e.file_size - offset, kChunkBytes);
  r.download_id = download_counter.fetch_add(1);
  std::memcpy(r.name, e.file_name, sizeof r.name);
  r.name[31] = '\0';
  current_download_ = r.download_id;
  chunk_end_ = static_cast<std::uint64_t>(offset) + r.length;
  continuation_pending_ = false;
  last_request_ = Clock::now();
  // Every chunk is watched, not only a recording's first: a camera that stops
  // answering between chunks must not hold its slot for ever.
  sink_.arm_camera_timer(camera_.camera_id, kTransferWatchdogMs);
  return r;
}

void CamConnentionRES::send(const ChunkRequest& r) {
  if (!r.send) return;
  char name[32];
  std::memcpy(name, r.name, sizeof name);
  module_->RequestDownLoadRecord(r.download_id, name, r.offset, r.length);
}

void CamConnentionRES::OnDownloadResponse(const char* body) {
  const std::int32_t did = read_le<std::int32_t>(body + 4);
  const std::int32_t status = read_le<std::int32_t>(body + 8);
  if (status == 0) return;
  ChunkRequest request;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!accepting_locked() || did != current_download_ || queue_.empty()) return;
    file_failed_locked(entry_name(queue_.front()), "refused by the camera");
    queue_.pop_front();
    current_download_ = -1;
    post_counts_locked();
    request = start_next_locked();
  }
  send(request);
}

void CamConnentionRES::OnDownloadData(const char* body) {
  const std::int32_t did = read_le<std::int32_t>(body + 4);
  const std::uint32_t offset = read_le<std::uint32_t>(body + 8);
  const std::uint32_t length = read_le<std::uint32_t>(body + 12);
  const bool end_of_chunk = (read_le<std::uint32_t>(body + 16) & 0xFFFFu) != 0;
  const char* data = body + 20;

  ChunkRequest request;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!accepting_locked() || did != current_download_ || queue_.empty()) return;
    const RECORD_FILE_ENTRY& e = queue_.front();
    const std::uint32_t size = e.file_size;
    const std::int32_t id = camera_.camera_id;
    const std::uint64_t block_end = static_cast<std::uint64_t>(offset) + length;
    const bool inside = block_end <= size;

    received_bytes_.fetch_add(length);
    if (inside) {
      sink_.post_message(WM_FILE_PROGRESS, id,
                         static_cast<std::intptr_t>(static_cast<double>(block_end) * 100.0 / size));
    }
    if (end_of_chunk) {
      sink_.cancel_camera_timer(id);
    } else {
      sink_.arm_camera_timer(id, kTransferWatchdogMs);
    }

    // A block outside the recording is dropped: writing it would make the
    // file longer than the recording, and the next run would resume wrongly.
    if (inside && !write_failed_ && length > 0) {
      int fd = ::open(current_paths_.partial.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
      bool ok = fd >= 0;
      std::uint32_t written = 0;
      while (ok && written < length) {
        ssize_t w = ::pwrite(fd, data + written, length - written,
                             static_cast<off_t>(offset) + written);
        if (w <= 0) {
          if (w < 0 && errno == EINTR) continue;
          if (w == 0) errno = ENOSPC;
          ok = false;
        } else {
          written += static_cast<std::uint32_t>(w);
        }
      }
      int error = ok ? 0 : errno;
      if (fd >= 0 && ::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
      }
      if (!ok) {
        // A lost block would leave a hole that a later resume never fills;
        // cut the file back to the last good byte. The next files would
        // fail the same way (a full disk, a folder without write access):
        // end the camera's run here and say why.
        write_failed_ = true;
        ::truncate(current_paths_.partial.c_str(), static_cast<off_t>(offset));
        const std::string why = "cannot write " + current_paths_.partial + ": " +
                                std::strerror(error);
        sink_.post_message(WM_FAILURE_REASON, id, 0, QByteArray::fromStdString(why));
        sink_.cancel_camera_timer(id);
        finish_run_locked(STATUS_INTERRUPTED);
        return;
      }
    }
    if (!end_of_chunk) return;

    const std::uint64_t next = inside ? block_end : chunk_end_;
    if (next >= size) {
      const std::string name = entry_name(e);
      const bool whole = file_size(current_paths_.partial) == static_cast<long long>(size);
      const bool stored = whole && rename_no_replace(current_paths_.partial, current_paths_.final_path);
      queue_.pop_front();
      current_download_ = -1;
      if (stored) {
        ++done_;
      } else {
        file_failed_locked(name, whole ? "could not rename the partial file (kept)"
                                       : "incomplete data (partial file kept)");
      }
      post_counts_locked();
      request = start_next_locked();
    } else {
      if (continuation_pending_) return;
      // The next chunk may be asked for at most once every 500 ms; wait on a
      // timer instead of holding the reactor thread.
      continuation_pending_ = true;
      current_download_ = -1;
      const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                               Clock::now() - last_request_)
                               .count();
      const int wait = static_cast<int>(std::max<long long>(0, kContinuationGapMs - elapsed));
      const std::uint64_t generation = generation_;
      const std::uint32_t next_offset = static_cast<std::uint32_t>(next);
      sink_.run_later(wait, [this, generation, next_offset] {
        continue_download(generation, next_offset);
      });
      return;
    }
  }
  send(request);
}

void CamConnentionRES::continue_download(std::uint64_t generation, std::uint32_t offset) {
  ChunkRequest request;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (generation != generation_ || !accepting_locked() || !continuation_pending_ ||
        queue_.empty())
      return;
    const auto elapsed = Clock::now() - last_request_;
    if (elapsed < std::chrono::milliseconds(kContinuationGapMs)) {
      // Timers may fire a little early; never ask sooner than the gap.
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::milliseconds(kContinuationGapMs) - elapsed)
                            .count() + 1;
      sink_.run_later(static_cast<int>(left), [this, generation, offset] {
        continue_download(generation, offset);
      });
      return;
    }
    request = chunk_locked(offset);
  }
  send(request);
}

}  // namespace velmora
