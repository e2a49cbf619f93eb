// The server client as the exported module uses it: every protocol hook is
// written to the log and handed on to the application's INVSMessageNotify.
#pragma once

#include <atomic>

#include "nvs_client_module.h"
#include "server/nvd_vifs_client.h"

namespace NVS_SDK_V160 {

class MyNVSClient : public kestrune::NVDVIFsClient {
public:
  MyNVSClient() = default;

  void set_notify(INVSMessageNotify* notify) { notify_.store(notify); }
  INVSMessageNotify* notify() const { return notify_.load(); }

  int on_connect_result(int error) override;
  int on_connection_closed(int error) override;
  int on_access_response(int result) override;
  int on_relay_ticket(unsigned camera_id, const unsigned char* message) override;
  int on_receive_nvt_list() override;
  int on_add_user_response(int result) override;
  int on_del_user_response(int result) override;
  int on_update_user_response(int result) override;
  int on_get_all_user_response(int count) override;
  int on_flow_control(const unsigned char* message) override;
  int on_seize_notify() override;
  int on_notice_14(const unsigned char* message) override;

private:
  std::atomic<INVSMessageNotify*> notify_{nullptr};
};

}  // namespace NVS_SDK_V160
