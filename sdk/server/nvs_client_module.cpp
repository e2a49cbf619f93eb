#include "nvs_client_module.h"

#include "net/platform.h"
#include "server/my_nvs_client.h"

namespace NVS_SDK_V160 {

BaseUserInfo::BaseUserInfo() = default;
BaseUserInfo::BaseUserInfo(const BaseUserInfo& other) = default;
BaseUserInfo& BaseUserInfo::operator=(const BaseUserInfo& other) = default;
BaseUserInfo::~BaseUserInfo() = default;

NVS_Client_Module::NVS_Client_Module() : client_(new MyNVSClient) {}

NVS_Client_Module::NVS_Client_Module(const NVS_Client_Module& other) : client_(other.client_) {
  // Each handle drops its own reference, so a copy must take one.
  client_->add_reference();
}

NVS_Client_Module::~NVS_Client_Module() { client_->remove_reference(); }

void NVS_Client_Module::RegisterMessageNofity(INVSMessageNotify* notify) {
  client_->set_notify(notify);
}

int NVS_Client_Module::ConnectServer(const char* address, unsigned short port) {
  std::uint32_t ip = kestrune::inet_address(address);
  if (ip == 0xFFFFFFFFu) return -1;
  // The connection's reference is taken before the connect starts: a connect
  // that fails on the reactor thread at once releases it in its close.
  client_->add_reference();
  int r = client_->connect(ip, port);
  if (r != 0) client_->remove_reference();
  return r;
}

int NVS_Client_Module::LoginServer(const char* user, const char* password, const char* group) {
  return client_->login(user, password, group);
}

int NVS_Client_Module::LogoutServer() { return client_->logout(); }
int NVS_Client_Module::GetStatus() { return client_->session_state(); }
int NVS_Client_Module::GetSessionID() { return client_->session_id(); }
const BaseUserInfo& NVS_Client_Module::GetUserInfo() { return client_->user(); }
int NVS_Client_Module::SendNVTListRequest() { return client_->send_nvt_list_request(); }

int NVS_Client_Module::RequestRelayKey(const CAMERA_INFO& camera) {
  return client_->request_relay_key(camera);
}

int NVS_Client_Module::AddGroupUser(const UserInfo& user) { return client_->add_user(user); }

int NVS_Client_Module::DelGroupUser(const char* user, const char* group) {
  return client_->del_user(user, group);
}

int NVS_Client_Module::UpdateGroupUser(const UserInfo& user) { return client_->update_user(user); }
int NVS_Client_Module::GetAllGroupUser() { return client_->get_all_users(); }

int NVS_Client_Module::GetGroupUserList(unsigned char* buffer, int size) const {
  return client_->group_user_list(buffer, size);
}

int NVS_Client_Module::GetGroupUserCount() const { return client_->group_user_count(); }

}  // namespace NVS_SDK_V160
