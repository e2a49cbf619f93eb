// One login at the video server made for the add-remote dialog, apart from
// the scheduler's own server connections: connect, log in, fetch the
// account's camera list, fetch relay tickets. The library calls it on its
// reactor thread; its signals are emitted there, so receivers on the main
// thread take them queued.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <map>
#include <memory>

#include "annotated_mutex.h"
#include "nvs_client_module.h"

namespace velmora {

class RemoteLoginSession : public QObject, public NVS_SDK_V160::INVSMessageNotify {
  Q_OBJECT
public:
  struct Account {
    QByteArray server_address, user, password, serial;  // 8-bit, within limits
  };

  // Why a login or a ticket came to nothing, for the dialog to say so.
  enum Failure {
    kUnreachable = 1,    // detail: the system's error number, 0 when none is known
    kLoginRefused = 2,   // detail: the server's result code
    kTicketRefused = 3,  // detail: the ticket's result word
  };

  // Sessions are never deleted while the program runs: the library may still
  // be inside a callback when the dialog lets one go. close() ends it; the
  // object itself is parked until the process ends. The caller connects its
  // receivers before start(), which may report a failure at once.
  static RemoteLoginSession* open(const Account& account);
  void start(unsigned short port);  // main thread
  void close();  // main thread; unregisters and logs out

  // Main thread: asks for the relay ticket of a camera of the last list.
  bool request_ticket(int camera_id);

  ~RemoteLoginSession() override;

signals:
  void cameraList(const QList<int>& ids);
  void connectionBroken();
  void ticketAccepted(int camera_id);
  void failed(int failure, int detail);  // a Failure

private:
  explicit RemoteLoginSession(const Account& account);

  int OnConnectServer(int error) override;
  int OnAccessResponse(int result) override;
  int OnReceiveNVTList(const unsigned char* list, int size) override;
  int OnConnectionBroken(int error) override;
  int OnRelayTicket(unsigned int camera_id, const unsigned char* ticket) override;

  const Account account_;
  Mutex mutex_;  // guards everything below and the module's use in callbacks
  bool closed_ GUARDED_BY(mutex_) = false;
  std::unique_ptr<NVS_SDK_V160::NVS_Client_Module> module_ GUARDED_BY(mutex_);
  std::map<int, NVS_SDK_V160::CAMERA_INFO> cameras_ GUARDED_BY(mutex_);
};

}  // namespace velmora
