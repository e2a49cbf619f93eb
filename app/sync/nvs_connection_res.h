// NVSConnentionRES: one login at a video server, shared by every active
// camera of one account (main-camera serial). It logs in, fetches the
// account's camera list, asks for a relay ticket per camera and hands each
// ticket to that camera's CamConnentionRES, which then connects to the relay.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "annotated_mutex.h"
#include "camera_record.h"
#include "window_messages.h"
#include "nvs_client_module.h"
#include "message_sink.h"

namespace velmora {

class CamConnentionRES;

class NVSConnentionRES final : public NVS_SDK_V160::INVSMessageNotify {
public:
  static constexpr unsigned short kServerPort = 1701;

  // Offers the account to the sibling program for one camera without
  // blocking; calls `done` later on the window thread: true when the sibling
  // is there and was asked (its answer comes as a ServerHandoverEvent), false
  // when it is absent (we log in ourselves).
  using SiblingOffer = std::function<void(std::int32_t camera_id, const std::string& serial,
                                          std::function<void(bool asked)> done)>;

  explicit NVSConnentionRES(MessageSink& sink);
  ~NVSConnentionRES();
  NVSConnentionRES(const NVSConnentionRES&) = delete;
  NVSConnentionRES& operator=(const NVSConnentionRES&) = delete;

  // Window thread.
  void bind(const CameraRecord& account);
  // The camera's worker, which receives its relay ticket; detach when the
  // camera stops so that a late ticket is not connected.
  void attach(std::int32_t camera_id, CamConnentionRES* worker);
  void detach(std::int32_t camera_id);
  void open(std::int32_t camera_id, unsigned short port, const SiblingOffer& offer);
  // The sibling told us to log in ourselves.
  void handover_accepted();
  void request_ticket(std::int32_t camera_id);
  void add_pending(std::int32_t camera_id);
  void logout();  // and free again

  bool is_free() const;
  bool list_received() const;
  bool logged_in() const;
  std::string serial() const;

  // INVSMessageNotify: the library's reactor thread, never the window thread
  // (asserted in debug builds).
  int OnConnectServer(int error) override;
  int OnAccessResponse(int result) override;
  int OnRelayTicket(unsigned int camera_id, const unsigned char* ticket) override;
  int OnReceiveNVTList(const unsigned char* list, int size) override;
  int OnSeizeNotify() override;

private:
  void connect_server() EXCLUDES(mutex_);
  bool off_window_thread() const { return std::this_thread::get_id() != window_thread_; }
  // The reason for a camera the account lacks.
  std::string not_in_account_locked() const REQUIRES(mutex_);
  // Posts why a camera's run fails (the status still comes from its timer).
  void tell_cameras_locked(const std::vector<std::int32_t>& ids, FailureKind kind,
                           const std::string& reason) REQUIRES(mutex_);
  std::vector<std::int32_t> attached_locked() const REQUIRES(mutex_);
  std::shared_ptr<NVS_SDK_V160::NVS_Client_Module> module() const EXCLUDES(mutex_);

  MessageSink& sink_;
  const std::thread::id window_thread_ = std::this_thread::get_id();  // the creating thread
  // Expires with this object: a sibling offer answered after it is gone
  // finds it expired (both run on the window thread).
  std::shared_ptr<int> life_ = std::make_shared<int>(0);

  // Guards everything below: the notifications run on the reactor thread,
  // the operations on the window thread.
  mutable Mutex mutex_;
  // Replaced after a login that never completed (see logout); a notification
  // in flight keeps the old one alive through its own copy.
  std::shared_ptr<NVS_SDK_V160::NVS_Client_Module> module_ GUARDED_BY(mutex_);
  std::map<std::int32_t, NVS_SDK_V160::CAMERA_INFO> cameras_ GUARDED_BY(mutex_);
  std::deque<std::int32_t> pending_ GUARDED_BY(mutex_);
  std::map<std::int32_t, CamConnentionRES*> workers_ GUARDED_BY(mutex_);
  bool free_ GUARDED_BY(mutex_) = true;
  CameraRecord account_ GUARDED_BY(mutex_) {};
  bool logged_in_ GUARDED_BY(mutex_) = false;
  bool list_received_ GUARDED_BY(mutex_) = false;
  bool awaiting_handover_ GUARDED_BY(mutex_) = false;
  bool connect_started_ GUARDED_BY(mutex_) = false;
  // Bumped by bind and logout: tells stale offers apart.
  std::uint64_t binding_ GUARDED_BY(mutex_) = 0;
  unsigned short port_ GUARDED_BY(mutex_) = kServerPort;
};

}  // namespace velmora
