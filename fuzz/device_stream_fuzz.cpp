// The camera's byte stream, from the first byte after an accepted login, into
// a real download worker: the library's framing, catalogue and download
// tables, then the worker's comparison and partial-file writing.
#include <filesystem>

#include "cam_connection_res.h"
#include "camera_record.h"
#include "device/camera_module_access.h"
#include "fuzz_support.h"

namespace {

constexpr std::int32_t kCamera = 7;

std::string accepted_login() {
  std::string reply(70, '\0');
  reply[0] = 70;
  reply[4] = 10;  // login; status 0 at offset 50 accepts
  return reply;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 300000) return 0;
  fuzz::quiet_library();
  static const std::string root = fuzz::scratch_folder() + "/device";
  std::filesystem::remove_all(root);
  // A worker of its own: download ids from 0 each run, so inputs can name
  // them.

  fuzz::NullSink sink;
  velmora::CamConnentionRES worker(sink);
  velmora::CameraRecord record;
  std::string error;
  if (!velmora::make_local_record(kCamera, "127.0.0.1", "pw", record, error)) std::abort();
  worker.bind(record, root);
  auto* engine = kestrune::CameraModuleAccess::engine(worker.module());
  const int peer = fuzz::attach_pair(*engine);
  fuzz::pump(*engine, peer, accepted_login(), data, size);
  fuzz::close(*engine);
  worker.stop();
  return 0;
}
