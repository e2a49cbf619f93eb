// Lists the recordings on a camera's memory card.
//
//   list_recordings <camera IPv4 address> <password>
//
// Connects to the camera (TCP port 9996), logs in, reads the record
// catalogue and prints one line per recording: kind, size and name.
#include "camera_session.h"

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <camera IPv4 address> <password>\n", argv[0]);
    return 2;
  }
  // The library's thread runs from here to the end of main.
  example::Library library;
  if (!library.ok()) return 1;
  example::CameraSession camera;
  std::vector<NVS_SDK_V160::RECORD_FILE_ENTRY> records;
  if (!camera.open(argv[1], argv[2], records)) return 1;
  unsigned long long total = 0;
  for (const auto& r : records) {
    std::printf("%-6s %12u  %s\n", r.record_kind == 1 ? "alarm" : "manual", r.file_size,
                example::entry_name(r).c_str());
    total += r.file_size;
  }
  std::printf("%zu recording(s), %llu bytes\n", records.size(), total);
  return 0;
}
