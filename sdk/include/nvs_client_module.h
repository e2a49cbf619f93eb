// The application's handle on one connection to the video server: login,
// camera list, relay tickets and group users. Requests return at once; every
// answer arrives later on the library's reactor thread through
// INVSMessageNotify.
#pragma once

#include "camera_records.h"  // CAMERA_INFO
#include "kestrune_export.h"
#include "nvs_records.h"

namespace NVS_SDK_V160 {

class MyNVSClient;

// Implemented by the application. Every call comes from the reactor thread
// (except OnConnectionBroken after LogoutServer, which runs on the thread that
// called LogoutServer); pointers are valid only during the call. Results are
// ignored by the library; a slot that is not overridden does nothing.
class INVSMessageNotify {
public:
  // 0 or the socket error of the finished connect.
  virtual int OnConnectServer(int /*error*/) { return 0; }
  // The connection closed without LogoutServer (socket error), or after
  // LogoutServer when a heartbeat had gone unanswered (-202).
  virtual int OnConnectionBroken(int /*error*/) { return 0; }
  // Login outcome: the non-zero result of step 1, or the result of step 2.
  virtual int OnAccessResponse(int /*result*/) { return 0; }
  // camera_id: the NVT id of the request; ticket: the 58-byte relay ticket
  // (u32, 48-byte relay key, 4 address bytes in dotted order, u16 port).
  virtual int OnRelayTicket(unsigned int /*camera_id*/, const unsigned char* /*ticket*/) { return 0; }
  // u32 count, then count CAMERA_INFO records; size = count * 138 + 32.
  virtual int OnReceiveNVTList(const unsigned char* /*list*/, int /*size*/) { return 0; }
  virtual int OnAddUserResponse(int /*result*/) { return 0; }
  virtual int OnDelUserResponse(int /*result*/) { return 0; }
  virtual int OnUpdateUserResponse(int /*result*/) { return 0; }
  // The number of group users now held, or the server's error code.
  virtual int OnGetAllUserResponse(int /*count_or_error*/) { return 0; }
  // The whole message, header first.
  virtual int OnFlowControl(const unsigned char* /*message*/) { return 0; }
  // Another client took over this login.
  virtual int OnSeizeNotify() { return 0; }
  // The body of the notice.
  virtual int OnNotice14(const unsigned char* /*body*/) { return 0; }

protected:
  ~INVSMessageNotify() = default;
};

class KESTRUNE_API NVS_Client_Module {
public:
  NVS_Client_Module();
  // Shares the connection: both handles keep it alive until both are gone.
  NVS_Client_Module(const NVS_Client_Module& other);
  NVS_Client_Module& operator=(const NVS_Client_Module&) = delete;
  virtual ~NVS_Client_Module();

  // Null unregisters; later notifications go to the new pointer.
  void RegisterMessageNofity(INVSMessageNotify* notify);
  // Dotted IPv4 text (no name lookup). 0 = connect started, -1 = failed.
  int ConnectServer(const char* address, unsigned short port);
  // 0 = step 1 sent; -100 = not connected or a login is under way/done.
  int LoginServer(const char* user, const char* password, const char* group);
  // 0 = logout notice sent and the connection closing; -1 = not logged in.
  int LogoutServer();
  // 0 not logged in, 1 login under way, 2 logged in.
  int GetStatus();
  int GetSessionID();
  const BaseUserInfo& GetUserInfo();
  // 0 = sent; -1 = not connected or not logged in.
  int SendNVTListRequest();
  // Always 0; the ticket arrives through OnRelayTicket.
  int RequestRelayKey(const CAMERA_INFO& camera);

  // Group users of the logged-in user's group; always 0, answers through the
  // notify. Requests made before login are dropped silently.
  int AddGroupUser(const UserInfo& user);
  int DelGroupUser(const char* user, const char* group);
  int UpdateGroupUser(const UserInfo& user);
  int GetAllGroupUser();
  // Copies the held group users, 108 bytes each; -1 when size is too small.
  int GetGroupUserList(unsigned char* buffer, int size) const;
  int GetGroupUserCount() const;

private:
  MyNVSClient* client_;
};

}  // namespace NVS_SDK_V160
