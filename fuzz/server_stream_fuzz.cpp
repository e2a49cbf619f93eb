// The video server's byte stream, from the first byte after the login request,
// into a real server worker through the library's server client: framing,
// login steps, camera lists, tickets, notices and group-user answers.
#include <cstring>

#include "camera_record.h"
#include "fuzz_support.h"
#include "nvs_connection_res.h"
#include "server/my_nvs_client.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 300000) return 0;
  fuzz::quiet_library();
  fuzz::NullSink sink;
  velmora::NVSConnentionRES worker(sink);
  velmora::CameraRecord account{};
  account.camera_id = 11;
  std::memcpy(account.user, "user", 4);
  std::memcpy(account.server_password, "pw", 2);
  std::memcpy(account.serial, "SERIAL", 6);
  std::memcpy(account.server_address, "127.0.0.1", 9);
  worker.bind(account);

  auto* client = new NVS_SDK_V160::MyNVSClient;
  client->set_notify(&worker);
  const int peer = fuzz::attach_pair(*client);
  client->login("user", "pw", "SERIAL");
  fuzz::pump(*client, peer, {}, data, size);
  fuzz::close(*client);
  client->set_notify(nullptr);
  client->remove_reference();
  return 0;
}
