#include "server/my_nvs_client.h"

#include <cstring>
#include <vector>

#include "net/log.h"

namespace NVS_SDK_V160 {

using kestrune::plain_line;
namespace vifs = kestrune::vifs;

// Reported after LogoutServer when a heartbeat had gone unanswered.
constexpr int kHeartbeatLost = -202;

int MyNVSClient::on_connect_result(int error) {
  plain_line("[MyNVSClient]: Connect over ", error);
  if (INVSMessageNotify* n = notify()) n->OnConnectServer(error);
  return NVDVIFsClient::on_connect_result(error);
}

int MyNVSClient::on_connection_closed(int error) {
  plain_line("[MyNVSClient]: Connection broken ", error);
  if (INVSMessageNotify* n = notify()) {
    if (!close_requested())
      n->OnConnectionBroken(error);
    else if (!online())
      n->OnConnectionBroken(kHeartbeatLost);
  }
  return NVDVIFsClient::on_connection_closed(error);
}

int MyNVSClient::on_access_response(int result) {
  plain_line("[MyNVSClient]: Access NVS Resopnse : ", result);
  if (INVSMessageNotify* n = notify()) n->OnAccessResponse(result);
  return NVDVIFsClient::on_access_response(result);
}

int MyNVSClient::on_relay_ticket(unsigned camera_id, const unsigned char* message) {
  if (INVSMessageNotify* n = notify()) n->OnRelayTicket(camera_id, message + vifs::kHeaderSize);
  return NVDVIFsClient::on_relay_ticket(camera_id, message);
}

int MyNVSClient::on_receive_nvt_list() {
  std::vector<CAMERA_INFO> list = cameras();
  const int count = static_cast<int>(list.size());
  plain_line("[MyNVSClient]:Receive NVT List : ", count);
  if (INVSMessageNotify* n = notify()) {
    const int size =
        NVS_SDK_V160::kNvtListHeaderBytes + count * vifs::kCameraInfoSize +
        NVS_SDK_V160::kNvtListTailBytes;
    std::vector<unsigned char> buffer(static_cast<std::size_t>(size), 0);
    std::uint32_t c = static_cast<std::uint32_t>(count);
    std::memcpy(buffer.data(), &c, sizeof c);
    if (count > 0)
      std::memcpy(buffer.data() + NVS_SDK_V160::kNvtListHeaderBytes, list.data(),
                  static_cast<std::size_t>(count) * vifs::kCameraInfoSize);
    n->OnReceiveNVTList(buffer.data(), size);
  }
  return NVDVIFsClient::on_receive_nvt_list();
}

int MyNVSClient::on_add_user_response(int result) {
  plain_line("[MyNVSClient]: Add User Response:", result);
  if (INVSMessageNotify* n = notify()) n->OnAddUserResponse(result);
  return 0;
}

int MyNVSClient::on_del_user_response(int result) {
  plain_line("[MyNVSClient]: Delete User Response:", result);
  if (INVSMessageNotify* n = notify()) n->OnDelUserResponse(result);
  return 0;
}

int MyNVSClient::on_update_user_response(int result) {
  plain_line("[MyNVSClient]: Update User Response:", result);
  if (INVSMessageNotify* n = notify()) n->OnUpdateUserResponse(result);
  return 0;
}

int MyNVSClient::on_get_all_user_response(int count) {
  plain_line("[MyNVSClient]: Get All User Response:", count);
  if (INVSMessageNotify* n = notify()) n->OnGetAllUserResponse(count);
  return 0;
}

int MyNVSClient::on_flow_control(const unsigned char* message) {
  if (INVSMessageNotify* n = notify()) n->OnFlowControl(message);
  return 0;
}

int MyNVSClient::on_seize_notify() {
  if (INVSMessageNotify* n = notify()) n->OnSeizeNotify();
  return 0;
}

int MyNVSClient::on_notice_14(const unsigned char* message) {
  if (INVSMessageNotify* n = notify()) n->OnNotice14(message + vifs::kHeaderSize);
  return 0;
}

}  // namespace NVS_SDK_V160
