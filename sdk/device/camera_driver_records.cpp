// Catalogue, download, remote playback and recording-control requests of the
// device engine, and the replies that drive their tables.
#include <cstring>
#include <vector>

#include "device/camera_driver_module.h"
#include "device/device_messages.h"
#include "net/log.h"

namespace kestrune {
namespace {

template <class T>
T read_at(const char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

constexpr std::uint32_t kHeader = sizeof(DeviceMsgHeader);
// Largest message handed to the send queue in one piece (the queue holds
// 128000 bytes).
constexpr std::size_t kWholeMessageLimit = 64000;

}  // namespace

// ---- catalogue ----

int CameraDriverModule::RequestCameraRecordInfomation() {
  if (!logged_in(false, MSG_RECORD_STATISTIC)) return -1;
  sent(send_header(MSG_RECORD_STATISTIC), MSG_RECORD_STATISTIC);
  return 0;
}

int CameraDriverModule::RequestCameraRecordList(unsigned short first, unsigned short count) {
  if (!logged_in(false, MSG_RECORD_LIST_REQUEST)) return -1;
  const RecordListRequest msg = make_record_list_request(first, count);
  sent(send(&msg, sizeof msg), MSG_RECORD_LIST_REQUEST);
  return 0;
}

int CameraDriverModule::RequestWarningRecordInfomation() {
  if (!logged_in(true, MSG_WARNING_RECORD_STATISTIC)) return -1;
  sent(send_header(MSG_WARNING_RECORD_STATISTIC), MSG_WARNING_RECORD_STATISTIC);
  return 0;
}

int CameraDriverModule::RequestWarningRecordList(unsigned short first, unsigned short count) {
  if (!logged_in(true, MSG_WARNING_RECORD_LIST_REQUEST)) return -1;
  const RecordListRequest msg = make_warning_list_request(first, count);
  sent(send(&msg, sizeof msg), MSG_WARNING_RECORD_LIST_REQUEST);
  return 0;
}

int CameraDriverModule::RequestDelCameraFile(int n, char (*names)[32]) {
  if (!logged_in(false, MSG_RECORD_DELETE)) return -1;
  std::vector<NVS_SDK_V160::RECORD_FILE_ENTRY> found;
  {
    std::lock_guard<std::mutex> g(lock_);
    for (int i = 0; names != nullptr && i < n; ++i) {
      if (const auto* entry = catalogue_.find(names[i])) found.push_back(*entry);
    }
  }
  const RecordDeleteHeader head = make_record_delete_header(static_cast<std::uint32_t>(found.size()));
  // One send for the whole message: pieces sent one by one could have
  // another thread's message (a heartbeat, a stream request) slip in between.
  std::vector<char> whole(sizeof head + found.size() * sizeof(NVS_SDK_V160::RECORD_FILE_ENTRY));
  if (whole.size() <= kWholeMessageLimit) {
    std::memcpy(whole.data(), &head, sizeof head);
    if (!found.empty()) std::memcpy(whole.data() + sizeof head, found.data(), whole.size() - sizeof head);
    sent(send(whole.data(), static_cast<int>(whole.size())), MSG_RECORD_DELETE);
    return 0;
  }
  // Too large for the send queue in one piece.
  sent(send(&head, sizeof head), MSG_RECORD_DELETE);
  for (const auto& entry : found) sent(send(&entry, sizeof entry), MSG_RECORD_DELETE);
  return 0;
}

void CameraDriverModule::on_record_list(const char* message, std::uint32_t length) {
  if (length < kHeader + sizeof(RecordListBody)) return;
  const char* body = message + kHeader;
  plain_line("[CameraDriverModule]: Receive Camera Record List Infomation.");
  // Never trust the count beyond the bytes that actually arrived.
  std::uint32_t n = read_at<std::uint16_t>(body);
  const std::size_t room = (length - kHeader - sizeof(RecordListBody)) / 48;
  std::vector<char> cut;
  if (n > room) {
    // The application reads as many entries as the count says: hand it a
    // copy whose count is what the page really carries (less than the
    // 16-bit count, so it fits).
    n = static_cast<std::uint32_t>(room);
    cut.assign(body, body + sizeof(RecordListBody) + 48 * static_cast<std::size_t>(n));
    const auto count = static_cast<std::uint16_t>(n);
    std::memcpy(cut.data(), &count, sizeof count);
    body = cut.data();
  }
  {
    std::lock_guard<std::mutex> g(lock_);
    for (std::uint32_t i = 0; i < n; ++i) {
      catalogue_.store(read_at<NVS_SDK_V160::RECORD_FILE_ENTRY>(body + sizeof(RecordListBody) + 48 * i));
    }
  }
  if (auto* h = handler()) h->OnRecordListInfomation(body);
}

void CameraDriverModule::on_record_statistic(const char* message, std::uint32_t length) {
  // A reply without its count would have the application read stale bytes.
  if (length < kHeader + sizeof(NVS_SDK_V160::RECORD_STATISTIC_BODY)) return;
  plain_line("[CameraDriverModule]: Receive Camera Record Statistic Infomation.");
  if (auto* h = handler()) h->OnRecordStatisticInfomation(message + kHeader);
}

// ---- downloads ----

int CameraDriverModule::RequestDownLoadRecord(int download_id, const char* file_name,
                                              unsigned int offset, unsigned int length) {
  if (!logged_in(false, MSG_DOWNLOAD_REQUEST)) return -1;
  std::lock_guard<std::mutex> g(lock_);
  if (downloads_.find(download_id) != nullptr) return 0;
  const DownloadRequest msg = make_download_request(static_cast<std::uint32_t>(download_id), file_name,
                                                    catalogue_.key_of(file_name), offset, length);
  if (!sent(send(&msg, sizeof msg), MSG_DOWNLOAD_REQUEST)) return -1;
  DownloadTask task;
  task.download_id = download_id;
  std::memcpy(task.file_name, msg.file_name, sizeof task.file_name);
  downloads_.put(download_id, task);
  return 0;
}

int CameraDriverModule::RequestPauseDownLoad(int download_id, const char* file_name) {
  if (!logged_in(true, MSG_DOWNLOAD_PAUSE)) return -1;
  std::lock_guard<std::mutex> g(lock_);
  DownloadTask* task = downloads_.find(download_id);
  if (task == nullptr) {
    plain_line("[CameraDriverModule]: Error Did.");
    return 0;
  }
  if (task->state != DownloadTask::TRANSFERRING) {
    plain_line("[CameraDriverModule]: Error Download status.");
    return 0;
  }
  const DownloadControl msg =
      make_download_control(MSG_DOWNLOAD_PAUSE, task->transfer_id, static_cast<std::uint32_t>(download_id),
                            file_name, catalogue_.key_of(file_name));
  if (sent(send(&msg, sizeof msg), MSG_DOWNLOAD_PAUSE)) task->state = DownloadTask::PAUSED;
  return 0;
}

int CameraDriverModule::RequestResumeDownLoad(int download_id, const char* file_name,
                                              unsigned int offset, unsigned int length) {
  if (!logged_in(true, MSG_DOWNLOAD_RESUME)) return -1;
  std::lock_guard<std::mutex> g(lock_);
  DownloadTask* task = downloads_.find(download_id);
  if (task == nullptr) {
    plain_line("[CameraDriverModule]: Error Did.");
    return 0;
  }
  if (task->state != DownloadTask::PAUSED) {
    plain_line("[CameraDriverModule]: Error Download status.");
    return 0;
  }
  const DownloadResume msg =
      make_download_resume(task->transfer_id, static_cast<std::uint32_t>(download_id), offset, length,
                           file_name, catalogue_.key_of(file_name));
  if (sent(send(&msg, sizeof msg), MSG_DOWNLOAD_RESUME)) task->state = DownloadTask::TRANSFERRING;
  return 0;
}

int CameraDriverModule::RequestCancelDownLoad(int download_id, const char* file_name) {
  if (!logged_in(true, MSG_DOWNLOAD_CANCEL)) return -1;
  std::lock_guard<std::mutex> g(lock_);
  DownloadTask* task = downloads_.find(download_id);
  if (task == nullptr) {
    plain_line("[CameraDriverModule]: Error Did.");
    return 0;
  }
  if (task->state == DownloadTask::REFUSED_OR_CANCELLED) return 0;
  const DownloadControl msg =
      make_download_control(MSG_DOWNLOAD_CANCEL, task->transfer_id, static_cast<std::uint32_t>(download_id),
                            file_name, catalogue_.key_of(file_name));
  sent(send(&msg, sizeof msg), MSG_DOWNLOAD_CANCEL);
  downloads_.remove(download_id);
  return 0;
}

void CameraDriverModule::on_download_response(const char* message, std::uint32_t length) {
  plain_line("[CameraDriverModule]: Receive Camera Record Download Response.");
  if (length < kHeader + sizeof(DownloadResponseBody)) return;
  const char* body = message + kHeader;
  const auto reply = read_at<DownloadResponseBody>(body);
  {
    std::lock_guard<std::mutex> g(lock_);
    if (DownloadTask* task = downloads_.find(static_cast<int>(reply.download_id))) {
      task->transfer_id = reply.transfer_id;
      if (task->state == DownloadTask::REQUESTED) {
        task->state = reply.status == 0 ? DownloadTask::TRANSFERRING : DownloadTask::REFUSED_OR_CANCELLED;
      } else {
        plain_line("[CameraDriverModule]: Download response error status.");
      }
    }
  }
  if (auto* h = handler()) h->OnDownloadResponse(body);
}

void CameraDriverModule::on_download_data(const char* message, std::uint32_t length) {
  if (length < kHeader + sizeof(DownloadDataBody)) return;
  const char* body = message + kHeader;
  const auto block = read_at<DownloadDataBody>(body);
  // A block claiming more data than it carries would send the application
  // reading past the message.
  if (block.length > length - kHeader - sizeof(DownloadDataBody)) return;
  {
    std::lock_guard<std::mutex> g(lock_);
    const DownloadTask* task = downloads_.find(static_cast<int>(block.download_id));
    if (task == nullptr || task->state != DownloadTask::TRANSFERRING ||
        task->transfer_id != block.transfer_id)
      return;
  }
  if (auto* h = handler()) h->OnDownloadData(body);
}

// ---- remote playback ----

int CameraDriverModule::RequestRemoteRecordPlay(int play_id, const std::string& file_name,
                                                const NVS_SDK_V160::REC_PLAY_PARAM& param) {
  if (!logged_in(true, MSG_REMOTE_PLAY)) return -1;
  std::lock_guard<std::mutex> g(lock_);
  const auto* entry = catalogue_.find(file_name.c_str());
  if (entry == nullptr) return -1;
  const RemotePlayRequest msg =
      make_remote_play(static_cast<std::uint32_t>(play_id), entry->file_name, entry->record_key, param);
  if (sent(send(&msg, sizeof msg), MSG_REMOTE_PLAY)) {
    PlaySession session;
    session.play_id = play_id;
    std::memcpy(session.file_name, msg.file_name, sizeof session.file_name);
    plays_.put(play_id, session);
  }
  return 0;
}

int CameraDriverModule::RequestRemoteRecordPlayCtrl(int play_id, NVS_SDK_V160::_VIF_PLAYING_CTRL ctrl,
                                                    const NVS_SDK_V160::REC_PLAY_PARAM& param) {
  if (!logged_in(true, MSG_REMOTE_PLAY_CTRL)) return -1;
  std::lock_guard<std::mutex> g(lock_);
  PlaySession* session = plays_.find(play_id);
  if (session == nullptr || session->camera_play_id == 0xFFFFFFFFu ||
      session->state == PlaySession::STOPPED)
    return -1;
  const auto* entry = catalogue_.find(session->file_name);
  if (entry == nullptr) return -1;
  const RemotePlayCtrl msg = make_remote_play_ctrl(session->camera_play_id, static_cast<std::uint32_t>(play_id),
                                                   entry->file_name, entry->record_key,
                                                   static_cast<std::uint32_t>(ctrl), param);
  switch (ctrl) {
    case NVS_SDK_V160::VIF_PLAYING_PAUSE: session->state = PlaySession::PAUSED; break;
    case NVS_SDK_V160::VIF_PLAYING_RESUME: session->state = PlaySession::PLAYING; break;
    case NVS_SDK_V160::VIF_PLAYING_STOP: plays_.remove(play_id); break;
    default: break;
  }
  sent(send(&msg, sizeof msg), MSG_REMOTE_PLAY_CTRL);
  return 0;
}

void CameraDriverModule::on_remote_play_response(const char* message, std::uint32_t length) {
  if (length < kHeader + sizeof(RemotePlayResponseBody)) return;
  const char* body = message + kHeader;
  const auto reply = read_at<RemotePlayResponseBody>(body);
  {
    std::lock_guard<std::mutex> g(lock_);
    const int play_id = static_cast<int>(reply.play_id);
    if (PlaySession* session = plays_.find(play_id)) {
      if (reply.status != 0) {
        plays_.remove(play_id);
      } else {
        session->camera_play_id = reply.camera_play_id;
        session->extra = reply.extra;
        session->state = PlaySession::PLAYING;
      }
    }
  }
  if (auto* h = handler()) h->OnRemotePlayResponse(body);
}

void CameraDriverModule::on_remote_play_end(const char* message, std::uint32_t length) {
  if (length < kHeader + 4) return;
  const char* body = message + kHeader;
  const auto camera_play_id = read_at<std::uint32_t>(body);
  int play_id = 0;
  bool found = false;
  {
    std::lock_guard<std::mutex> g(lock_);
    for (auto it = plays_.items().begin(); it != plays_.items().end(); ++it) {
      if (it->second.camera_play_id == camera_play_id) {
        play_id = it->first;
        plays_.items().erase(it);
        found = true;
        break;
      }
    }
  }
  if (!found) return;
  if (auto* h = handler()) h->OnRemotePlayEnd(play_id, body);
}

// ---- the camera's own recording ----

int CameraDriverModule::RequestCameraRecord(unsigned int duration) {
  if (!logged_in(false, MSG_RECORD_START)) return -1;
  std::lock_guard<std::mutex> g(lock_);
  if (record_state_ != 0) {
    plain_line("[CameraDriverModule]:  Error Record OP.");
    return 0;
  }
  const RecordStartRequest msg = make_record_start(duration);
  if (!sent(send(&msg, sizeof msg), MSG_RECORD_START)) return -1;
  record_transaction_ = 0;
  record_state_ = 1;
  return 0;
}

int CameraDriverModule::RequestCameraRecordDelay(int value) {
  if (!logged_in(false, MSG_RECORD_DELAY)) return -1;
  std::lock_guard<std::mutex> g(lock_);
  if (record_state_ != 2) {
    plain_line("[CameraDriverModule]:  Error Record OP.");
    return -1;
  }
  const RecordDelayRequest msg = make_record_delay(record_transaction_, static_cast<std::uint32_t>(value));
  return sent(send(&msg, sizeof msg), MSG_RECORD_DELAY) ? 0 : -1;
}

int CameraDriverModule::RequestStopCameraRecord() {
  if (!logged_in(false, MSG_RECORD_STOP)) return -1;
  std::lock_guard<std::mutex> g(lock_);
  if (record_state_ != 2) {
    plain_line("[CameraDriverModule]:  Error Record OP.");
    return 0;
  }
  const RecordStopRequest msg = make_record_stop(record_transaction_);
  if (!sent(send(&msg, sizeof msg), MSG_RECORD_STOP)) return -1;
  record_state_ = 0;
  return 0;
}

void CameraDriverModule::on_record_start_response(const char* message, std::uint32_t length) {
  if (length < kHeader + 8) return;
  const char* body = message + kHeader;
  {
    std::lock_guard<std::mutex> g(lock_);
    if (record_state_ != 1) return;
    if (read_at<std::uint32_t>(body + 4) == 0) {
      record_transaction_ = read_at<std::uint32_t>(body);
      record_state_ = 2;
    } else {
      record_state_ = 0;
    }
  }
  if (auto* h = handler()) h->OnRecordStartResponse(body);
}

void CameraDriverModule::on_record_end_notify(const char* message, std::uint32_t length) {
  if (length < kHeader + 4) return;
  const char* body = message + kHeader;
  {
    std::lock_guard<std::mutex> g(lock_);
    if (record_state_ != 2) {
      plain_line("[CameraDriverModule] : Error Notify End Message. ");
      return;
    }
    record_state_ = 0;
    if (read_at<std::uint32_t>(body) != record_transaction_)
      plain_line("[CameraDriverModule] : trans id error. ");
  }
  if (auto* h = handler()) h->OnRecordEndNotify(body);
}

}  // namespace kestrune
