#include "cam_connection_res.h"

#include <QCoreApplication>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>

#include <map>

#include "app_paths.h"
#include "catalogue_compare.h"
#include "disk_space.h"
#include "download_folder.h"
#include "window_messages.h"

namespace velmora {

using NVS_SDK_V160::DOWNLOAD_DATA_BODY;
using NVS_SDK_V160::DOWNLOAD_RESPONSE_BODY;
using NVS_SDK_V160::RECORD_FILE_ENTRY;
using NVS_SDK_V160::RECORD_LIST_PAGE;
using NVS_SDK_V160::RECORD_STATISTIC_BODY;

namespace {

// No page can carry more entries than the largest message holds.
constexpr std::uint32_t kMaxPageEntries =
    (131072 - 6 - sizeof(RECORD_LIST_PAGE)) / sizeof(RECORD_FILE_ENTRY);

template <typename T>
T body_as(const char* body) {
  T v;
  std::memcpy(&v, body, sizeof v);
  return v;
}

}  // namespace

CamConnentionRES::CamConnentionRES(MessageSink& sink, TransferCounters* counters)
    : sink_(sink),
      own_counters_(counters ? nullptr : std::make_unique<TransferCounters>()),
      counters_(counters ? counters : own_counters_.get()),
      module_(new NVS_SDK_V160::Camera_Module) {
  module_->RegisterMsgHandler(this);
}

CamConnentionRES::~CamConnentionRES() {
  module_->RegisterMsgHandler(nullptr);
  delete module_;
}

bool CamConnentionRES::is_free() const {
  MutexLock lock(mutex_);
  return free_;
}

std::int32_t CamConnentionRES::camera_id() const {
  MutexLock lock(mutex_);
  return camera_.camera_id;
}

void CamConnentionRES::bind(const CameraRecord& record, const std::string& download_root,
                            const RunOptions& options) {
  VELMORA_CHECK_THREAD(window_thread_);
  // A restarted library runs its callbacks on a new thread.
  reactor_thread_.release();
  {
    MutexLock lock(mutex_);
    abandon_chunk_locked();
    camera_ = record;
    root_ = download_root;
    options_ = options;
    deletes_.clear();
    delete_pending_ = false;
    free_ = false;
    run_over_ = false;
    ++generation_;
    continuation_pending_ = false;
  }
  sink_.arm_camera_timer(record.camera_id, options.times.connect_guard_ms);
}

int CamConnentionRES::connect_local() {
  VELMORA_CHECK_THREAD(window_thread_);
  std::string address;
  unsigned char password[16] = {};
  std::int32_t id;
  std::uint16_t port;
  {
    MutexLock lock(mutex_);
    address = address_text(camera_);
    port = options_.camera_port;
    // The field holds at most 15 bytes and its terminator; copy only those.
    std::string text = field_text(camera_.local_password);
    std::memcpy(password, text.data(), std::min<std::size_t>(text.size(), 15));
    id = camera_.camera_id;
  }
  const int r = port == kCameraPort
                    ? module_->ConnectLocalCamera(address.c_str(), password)
                    : module_->ConnectLocalCameraAt(address.c_str(), port, password);
  if (r != 0) {
    MutexLock lock(mutex_);
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
  VELMORA_CHECK_THREAD(reactor_thread_);
  {
    MutexLock lock(mutex_);
    if (!accepting_locked() || camera_.camera_id != camera_id) return false;
  }
  module_->SetNVTInfo(camera);
  module_->SetVIFsUserInfo(user);
  unsigned char key[48];
  std::memcpy(key, relay_key, sizeof key);
  module_->SetRelayKey(key);
  int r = module_->ConnectRemoteCamera(relay_address.c_str(), relay_port);
  if (r != 0) {
    MutexLock lock(mutex_);
    if (accepting_locked() && camera_.camera_id == camera_id) {
      sink_.cancel_camera_timer(camera_id);
      finish_run_locked(STATUS_CONNECT_FAILED);
    }
    return false;
  }
  return true;
}

void CamConnentionRES::stop() {
  VELMORA_CHECK_THREAD(window_thread_);
  {
    MutexLock lock(mutex_);
    // Bytes of a chunk that did not finish may be wrong (a stalled or broken
    // stream): keep only what the finished chunks proved.
    abandon_chunk_locked();
    free_ = true;
    run_over_ = true;
    ++generation_;
    continuation_pending_ = false;
  }
  module_->DisconnectCamera();
}

void CamConnentionRES::abandon_chunk_locked() {
  // A run that ends for another reason (stopped, disk full, timed out) has
  // nothing against the last finished chunk: it stays.
  unconfirmed_start_ = -1;
  if (current_download_ == -1) return;
  current_download_ = -1;
  if (file_.length() > static_cast<long long>(chunk_start_)) file_.cut_to(chunk_start_);
}

void CamConnentionRES::distrust_last_chunk_locked(bool reopen_finished) {
  if (unconfirmed_start_ < 0) return;
  const long long start = unconfirmed_start_;
  unconfirmed_start_ = -1;
  if (unconfirmed_finished_ && (!reopen_finished || !unconfirmed_file_.reopen())) return;
  if (unconfirmed_file_.length() > start)
    unconfirmed_file_.cut_to(static_cast<std::uint64_t>(start));
}

void CamConnentionRES::finish_run_locked(SyncStatus status) {
  abandon_chunk_locked();
  run_over_ = true;
  sink_.post(SyncStatusEvent{camera_.camera_id, status});
}

void CamConnentionRES::disk_full_locked(std::int64_t free_bytes) {
  const std::int32_t id = camera_.camera_id;
  sink_.post(FailureReasonEvent{id, FAILURE_OTHER,
                                disk_full_reason(root_, free_bytes, options_.min_free_bytes)});
  sink_.cancel_camera_timer(id);
  finish_run_locked(STATUS_DISK_FULL);
}

void CamConnentionRES::post_counts_locked() {
  std::uint64_t queued = 0;
  for (const auto& entry : queue_) queued += entry.file_size;
  sink_.post(SyncCountsEvent{camera_.camera_id, done_, total_, queued});
}

void CamConnentionRES::file_failed_locked(const std::string& name, const char* reason) {
  // Reasons come marked for translation or already translated (which the
  // catalogue leaves as they are).
  sink_.post(FileFailedEvent{camera_.camera_id, name,
                             QCoreApplication::translate("Console", reason).toStdString()});
}

void CamConnentionRES::OnConnectResult(int result) {
  VELMORA_CHECK_THREAD(reactor_thread_);
  {
    MutexLock lock(mutex_);
    if (!accepting_locked()) return;
    const std::int32_t id = camera_.camera_id;
    sink_.cancel_camera_timer(id);
    if (result == CONNECT_PASSWORD_REFUSED) {
      sink_.post(WrongPasswordEvent{id});
      finish_run_locked(STATUS_WRONG_PASSWORD);
      return;
    }
    if (result != CONNECT_OK) {
      finish_run_locked(STATUS_CONNECT_FAILED);
      return;
    }
    sink_.post(SyncStatusEvent{id, STATUS_SYNCING});
    // A camera that logs in and then never sends its statistics would
    // otherwise hold its slot for ever.
    sink_.arm_camera_timer(id, options_.times.transfer_guard_ms);
  }
  module_->RequestAudioData(false);
  module_->RequestVideoData(false);
  module_->RequestCameraRecordInfomation();
}

void CamConnentionRES::OnConnectionClose(int reason) {
  VELMORA_CHECK_THREAD(reactor_thread_);
  (void)reason;
  MutexLock lock(mutex_);
  if (!accepting_locked()) return;
  sink_.cancel_camera_timer(camera_.camera_id);
  // A broken frame header right after a chunk (the usual way a garbled
  // stream ends) means that chunk's final block was garbled too.
  distrust_last_chunk_locked(true);
  finish_run_locked(STATUS_INTERRUPTED);
}

void CamConnentionRES::OnRecordStatisticInfomation(const char* body) {
  VELMORA_CHECK_THREAD(reactor_thread_);
  const std::uint16_t n = body_as<RECORD_STATISTIC_BODY>(body).total;
  {
    MutexLock lock(mutex_);
    if (!accepting_locked()) return;
    record_count_ = n;
    done_ = 0;
    total_ = 0;
    catalogue_.clear();
    queue_.clear();
    sink_.arm_camera_timer(camera_.camera_id, options_.times.transfer_guard_ms);
  }
  module_->RequestCameraRecordList(0, n);
}

void CamConnentionRES::OnRecordListInfomation(const char* body) {
  VELMORA_CHECK_THREAD(reactor_thread_);
  const auto page = body_as<RECORD_LIST_PAGE>(body);
  // The library hands on only the entries a page carries; a count beyond
  // what any message can hold is not believed either.
  const std::uint32_t n = std::min<std::uint32_t>(page.count, kMaxPageEntries);
  ModuleCalls calls;
  {
    MutexLock lock(mutex_);
    if (!accepting_locked()) return;
    for (std::uint32_t i = 0; i < n; ++i)
      catalogue_.push_back(body_as<RECORD_FILE_ENTRY>(body + sizeof page + sizeof(RECORD_FILE_ENTRY) * i));
    if (page.last_page == 0) {
      sink_.arm_camera_timer(camera_.camera_id, options_.times.transfer_guard_ms);
      return;
    }
    sink_.cancel_camera_timer(camera_.camera_id);
    // Checked before the connect too; a folder removed since then fails here
    // with its own reason rather than at the first partial file.
    if (const std::string why = prepare_camera_folders(root_, camera_.camera_id); !why.empty()) {
      sink_.post(FailureReasonEvent{camera_.camera_id, FAILURE_WRITE_FAILED, why});
      finish_run_locked(STATUS_INTERRUPTED);
      return;
    }
    CatalogueComparison compared = compare_catalogue(root_, camera_.camera_id, catalogue_);
    for (const SkippedEntry& skipped : compared.skipped) file_failed_locked(skipped.name, skipped.reason);
    queue_.assign(compared.missing.begin(), compared.missing.end());
    total_ = static_cast<std::int32_t>(queue_.size());
    post_counts_locked();
    calls = start_next_locked();
  }
  call_module(calls);
}

CamConnentionRES::ModuleCalls CamConnentionRES::start_next_locked() {
  while (!queue_.empty()) {
    const RECORD_FILE_ENTRY& e = queue_.front();
    const std::string name = entry_name(e);
    RecordingPaths paths;
    recording_paths(root_, camera_.camera_id, e, paths);  // names were checked when queued
    file_ = PartialFile(paths.partial, paths.final_path);

    // Another program may have completed this file since the list was
    // compared.
    if (file_.final_exists()) {
      queue_.pop_front();
      ++done_;
      post_counts_locked();
      continue;
    }
    const std::uint32_t size = e.file_size;
    const long long have = file_.length();
    if (size == 0 || have == static_cast<long long>(size)) {
      // Nothing (more) to fetch: an empty recording becomes an empty file, a
      // partial file that already holds every byte is finished.
      std::string why;
      const bool ok = (size != 0 || file_.cut_to(0, &why)) && file_.finish(&why);
      queue_.pop_front();
      if (ok) {
        ++done_;
      } else {
        file_failed_locked(name, why.c_str());
      }
      post_counts_locked();
      continue;
    }
    std::uint32_t offset = 0;
    if (have > static_cast<long long>(size)) {
      // Longer than the recording: not a prefix of it; start again.
      std::string why;
      if (!file_.cut_to(0, &why)) {
        queue_.pop_front();
        file_failed_locked(name, why.c_str());
        post_counts_locked();
        continue;
      }
    } else if (have > 0) {
      offset = static_cast<std::uint32_t>(have);
    }
    // The name as the window shows it: at most the field's 31 characters.
    sink_.post(CurrentFileEvent{camera_.camera_id, name.substr(0, sizeof e.file_name - 1), offset,
                                size});
    sink_.post(FileProgressEvent{camera_.camera_id,
                                 static_cast<int>(static_cast<double>(offset) * 100.0 / size),
                                 offset});
    return chunk_locked(offset);
  }
  return run_end_locked();
}

CamConnentionRES::ModuleCalls CamConnentionRES::run_end_locked() {
  if (!options_.delete_after_copy) {
    finish_run_locked(STATUS_COMPLETE);
    return {};
  }
  // Only a recording whose final file holds exactly the listed length is
  // verified; a final file that two listed names map to verifies neither.
  std::map<std::string, int> uses;
  std::vector<std::pair<std::string, std::string>> candidates;  // name, final path
  for (const RECORD_FILE_ENTRY& e : catalogue_) {
    RecordingPaths paths;
    if (!recording_paths(root_, camera_.camera_id, e, paths)) continue;
    ++uses[paths.final_path];
    struct stat st {};
    if (::lstat(paths.final_path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_size) != e.file_size)
      continue;
    candidates.emplace_back(entry_name(e), paths.final_path);
  }
  deletes_.clear();
  for (const auto& [name, path] : candidates)
    if (uses[path] == 1) deletes_.push_back(name);
  return next_delete_locked();
}

CamConnentionRES::ModuleCalls CamConnentionRES::next_delete_locked() {
  delete_pending_ = false;
  if (deletes_.empty()) {
    finish_run_locked(STATUS_COMPLETE);
    return {};
  }
  ModuleCalls r;
  r.del = true;
  std::memcpy(r.del_name, deletes_.front().c_str(),
              std::min<std::size_t>(deletes_.front().size(), sizeof r.del_name - 1));
  delete_pending_ = true;
  const std::uint64_t generation = generation_;
  const std::uint64_t sequence = ++delete_sequence_;
  delete_deadline_ = Clock::now() + std::chrono::milliseconds(options_.times.delete_answer_ms);
  sink_.run_later(options_.times.delete_answer_ms, [this, generation, sequence] {
    delete_timed_out(generation, sequence);
  });
  return r;
}

void CamConnentionRES::OnRecordDelResponse(const char* body) {
  VELMORA_CHECK_THREAD(reactor_thread_);
  // The answer's body: u32 result, 0 = the recording is gone from the card.
  std::uint32_t result;
  std::memcpy(&result, body, sizeof result);
  ModuleCalls calls;
  {
    MutexLock lock(mutex_);
    if (!accepting_locked() || !delete_pending_ || deletes_.empty()) return;
    unconfirmed_start_ = -1;  // the stream is whole after the last chunk
    const std::string name = deletes_.front();
    deletes_.pop_front();
    sink_.post(CardDeleteEvent{camera_.camera_id,
                               result == 0 ? CARD_DELETED : CARD_DELETE_REFUSED, name});
    calls = next_delete_locked();
  }
  call_module(calls);
}

void CamConnentionRES::delete_timed_out(std::uint64_t generation, std::uint64_t sequence) {
  VELMORA_CHECK_THREAD(window_thread_);
  MutexLock lock(mutex_);
  if (generation != generation_ || sequence != delete_sequence_ || !accepting_locked() ||
      !delete_pending_ || deletes_.empty())
    return;
  const auto now = Clock::now();
  if (now < delete_deadline_) {
    // Timers may fire a little early; the camera gets its whole time.
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(delete_deadline_ - now).count() + 1;
    sink_.run_later(static_cast<int>(left), [this, generation, sequence] {
      delete_timed_out(generation, sequence);
    });
    return;
  }
  // A camera that does not answer one delete is not asked for more: its
  // recordings stay where they are, and the copies are complete anyway.
  sink_.post(CardDeleteEvent{camera_.camera_id, CARD_DELETE_NO_ANSWER, deletes_.front()});
  deletes_.clear();
  delete_pending_ = false;
  finish_run_locked(STATUS_COMPLETE);
}

CamConnentionRES::ModuleCalls CamConnentionRES::chunk_locked(std::uint32_t offset) {
  // Checked before every chunk: the run stops cleanly at a chunk boundary
  // instead of failing writes into a full disk.
  std::int64_t free_bytes;
  if (!enough_space(root_, options_.min_free_bytes, free_bytes, options_.free_space)) {
    disk_full_locked(free_bytes);
    return {};
  }
  const RECORD_FILE_ENTRY& e = queue_.front();
  ModuleCalls r;
  r.send = true;
  r.offset = offset;
  r.length = std::min<std::uint32_t>(e.file_size - offset, kChunkBytes);
  r.download_id = counters_->download_id.fetch_add(1);
  std::memcpy(r.name, e.file_name, sizeof r.name);
  r.name[31] = '\0';
  current_download_ = r.download_id;
  chunk_start_ = offset;
  chunk_end_ = static_cast<std::uint64_t>(offset) + r.length;
  have_ = offset;
  continuation_pending_ = false;
  last_request_ = Clock::now();
  // Every chunk is watched, not only a recording's first: a camera that stops
  // answering between chunks must not hold its slot for ever.
  sink_.arm_camera_timer(camera_.camera_id, options_.times.transfer_guard_ms);
  return r;
}

CamConnentionRES::ModuleCalls CamConnentionRES::drop_chunk_locked(const char* reason) {
  ModuleCalls calls;
  // The camera may still be sending the rest of that chunk.
  calls.cancel = true;
  calls.cancel_id = current_download_;
  std::memcpy(calls.cancel_name, queue_.front().file_name, sizeof calls.cancel_name);
  calls.cancel_name[31] = '\0';
  abandon_chunk_locked();
  file_failed_locked(entry_name(queue_.front()), reason);
  queue_.pop_front();
  post_counts_locked();
  return calls;
}

CamConnentionRES::ModuleCalls CamConnentionRES::fail_chunk_locked(const char* reason) {
  ModuleCalls calls = drop_chunk_locked(reason);
  const ModuleCalls next = start_next_locked();
  calls.send = next.send;
  calls.download_id = next.download_id;
  std::memcpy(calls.name, next.name, sizeof calls.name);
  calls.offset = next.offset;
  calls.length = next.length;
  return calls;
}

void CamConnentionRES::call_module(const ModuleCalls& c) {
  if (c.del) {
    char names[1][32];
    std::memcpy(names[0], c.del_name, sizeof names[0]);
    module_->RequestDelCameraFile(1, names);
  }
  if (c.cancel) {
    char name[32];
    std::memcpy(name, c.cancel_name, sizeof name);
    module_->RequestCancelDownLoad(c.cancel_id, name);
  }
  if (!c.send) return;
  char name[32];
  std::memcpy(name, c.name, sizeof name);
  module_->RequestDownLoadRecord(c.download_id, name, c.offset, c.length);
}

void CamConnentionRES::OnDownloadResponse(const char* body) {
  VELMORA_CHECK_THREAD(reactor_thread_);
  const auto reply = body_as<DOWNLOAD_RESPONSE_BODY>(body);
  ModuleCalls calls;
  {
    MutexLock lock(mutex_);
    if (!accepting_locked() || static_cast<std::int32_t>(reply.download_id) != current_download_ ||
        queue_.empty())
      return;
    unconfirmed_start_ = -1;  // the stream is whole after the last chunk
    if (reply.status == 0) return;
    abandon_chunk_locked();
    file_failed_locked(entry_name(queue_.front()), QT_TRANSLATE_NOOP("Console", "refused by the camera"));
    queue_.pop_front();
    post_counts_locked();
    calls = start_next_locked();
  }
  call_module(calls);
}

void CamConnentionRES::OnDownloadData(const char* body) {
  VELMORA_CHECK_THREAD(reactor_thread_);
  const auto block = body_as<DOWNLOAD_DATA_BODY>(body);
  const char* data = body + sizeof block;

  ModuleCalls calls;
  {
    MutexLock lock(mutex_);
    if (!accepting_locked() || static_cast<std::int32_t>(block.download_id) != current_download_ ||
        queue_.empty())
      return;
    const std::uint32_t size = queue_.front().file_size;
    const std::int32_t id = camera_.camera_id;
    const std::uint64_t block_end = static_cast<std::uint64_t>(block.offset) + block.length;
    counters_->received_bytes.fetch_add(block.length);

    const bool in_range = block.offset == have_ && block_end <= chunk_end_;
    if (in_range) unconfirmed_start_ = -1;  // the stream is whole after the last chunk
    int write_error = 0;
    std::string why;
    if (in_range && block.length > 0) {
      errno = 0;
      if (!file_.write_at(block.offset, data, block.length, &why))
        write_error = errno != 0 ? errno : EIO;
    }
    if (!in_range) {
      // A block that does not continue the file exactly, or lies outside
      // the chunk asked for, would overwrite good bytes or leave a hole; a
      // header that wrong puts the block before it in doubt too.
      distrust_last_chunk_locked(false);
      calls = fail_chunk_locked(
          QCoreApplication::translate("Console", "the camera sent data outside the requested range")
              .toStdString()
              .c_str());
    } else if (write_error == ENOSPC || write_error == EDQUOT) {
      // The disk filled between two checks (or under another writer): the
      // same clean stop as the check before a chunk, the partial file cut
      // back to the chunk's start so it stays a prefix and resumes later.
      calls.cancel = true;
      calls.cancel_id = current_download_;
      std::memcpy(calls.cancel_name, queue_.front().file_name, sizeof calls.cancel_name);
      calls.cancel_name[31] = '\0';
      disk_full_locked(-1);
    } else if (write_error != 0) {
      // The next files would fail the same way (a folder without write
      // access, say): end the camera's run here and say why. The partial
      // file is cut back to the chunk's start, so it stays a prefix.
      calls = drop_chunk_locked(why.c_str());
      sink_.post(FailureReasonEvent{id, FAILURE_WRITE_FAILED, why});
      sink_.cancel_camera_timer(id);
      finish_run_locked(STATUS_INTERRUPTED);
    } else {
      have_ = block_end;
      sink_.post(FileProgressEvent{id, static_cast<int>(static_cast<double>(block_end) * 100.0 / size),
                                   block_end});
      if (block.end_of_request == 0) {
        sink_.arm_camera_timer(id, options_.times.transfer_guard_ms);
        return;
      }
      sink_.cancel_camera_timer(id);
      if (have_ >= size) {
        const std::string name = entry_name(queue_.front());
        current_download_ = -1;
        std::string rename_why;
        const bool stored = file_.finish(&rename_why);
        unconfirmed_start_ = static_cast<std::int64_t>(chunk_start_);
        unconfirmed_file_ = file_;
        unconfirmed_finished_ = stored;
        queue_.pop_front();
        if (stored) {
          ++done_;
        } else {
          file_failed_locked(name, rename_why.c_str());
        }
        post_counts_locked();
        calls = start_next_locked();
      } else {
        // The chunk ended (perhaps short of what was asked): the next one
        // starts where the file ends, at most once per pacing interval (500 ms
        // by default); wait on a timer instead of holding the reactor thread.
        continuation_pending_ = true;
        current_download_ = -1;
        unconfirmed_start_ = static_cast<std::int64_t>(chunk_start_);
        unconfirmed_file_ = file_;
        unconfirmed_finished_ = false;
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 Clock::now() - last_request_)
                                 .count();
        const int wait = static_cast<int>(std::max<long long>(0, pacing_ms_.load() - elapsed));
        const std::uint64_t generation = generation_;
        const std::uint32_t next_offset = static_cast<std::uint32_t>(have_);
        sink_.run_later(wait, [this, generation, next_offset] {
          continue_download(generation, next_offset);
        });
        return;
      }
    }
  }
  call_module(calls);
}

void CamConnentionRES::continue_download(std::uint64_t generation, std::uint32_t offset) {
  VELMORA_CHECK_THREAD(window_thread_);
  ModuleCalls calls;
  {
    MutexLock lock(mutex_);
    if (generation != generation_ || !accepting_locked() || !continuation_pending_ ||
        queue_.empty())
      return;
    const auto elapsed = Clock::now() - last_request_;
    const std::chrono::milliseconds pacing(pacing_ms_.load());
    if (elapsed < pacing) {
      // Timers may fire a little early; never ask sooner than the gap.
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            pacing - elapsed)
                            .count() + 1;
      sink_.run_later(static_cast<int>(left), [this, generation, offset] {
        continue_download(generation, offset);
      });
      return;
    }
    calls = chunk_locked(offset);
  }
  call_module(calls);
}

}  // namespace velmora
