// Downloads one recording from a camera's memory card, with a progress line.
//
//   download_recording <camera IPv4 address> <password> <recording name> [output file]
//
// The recording is fetched in ranges of at most 131072 bytes, the most a
// camera serves per request, at most one request per 500 ms (the pace
// Velmora keeps). Data goes to "<output>.part", which
// is renamed to the output name only when every byte has arrived, so an
// interrupted download never looks complete.
#include "camera_session.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <thread>

namespace {

constexpr std::uint32_t kRangeBytes = 131072;
constexpr auto kPacing = std::chrono::milliseconds(500);

void show_progress(const std::string& name, std::uint64_t done, std::uint64_t size) {
  const int percent = size == 0 ? 100 : static_cast<int>(done * 100 / size);
  std::fprintf(stderr, "\r%s  %3d%%  %llu / %llu bytes", name.c_str(), percent,
               static_cast<unsigned long long>(done), static_cast<unsigned long long>(size));
  std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr,
                 "usage: %s <camera IPv4 address> <password> <recording name> [output file]\n",
                 argv[0]);
    return 2;
  }
  const std::string wanted = argv[3];
  const std::string output = argc == 5 ? argv[4] : wanted;
  const std::string partial = output + ".part";

  example::Library library;
  if (!library.ok()) return 1;
  example::CameraSession camera;
  std::vector<NVS_SDK_V160::RECORD_FILE_ENTRY> records;
  if (!camera.open(argv[1], argv[2], records)) return 1;
  const NVS_SDK_V160::RECORD_FILE_ENTRY* entry = nullptr;
  for (const auto& r : records)
    if (example::entry_name(r) == wanted) entry = &r;
  if (entry == nullptr) {
    std::fprintf(stderr, "%s: no recording named \"%s\" on the camera\n", argv[1], wanted.c_str());
    return 1;
  }

  std::FILE* file = std::fopen(partial.c_str(), "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "cannot create %s: %s\n", partial.c_str(), std::strerror(errno));
    return 1;
  }
  const std::uint32_t size = entry->file_size;
  std::uint64_t received = 0;
  // Called on the library's thread for every block. A block is written where
  // the camera says it belongs; one outside the recording is refused.
  auto store = [&](std::uint32_t offset, const char* data, std::uint32_t n) {
    if (static_cast<std::uint64_t>(offset) + n > size) return false;
    if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0 ||
        std::fwrite(data, 1, n, file) != n)
      return false;
    received = std::max<std::uint64_t>(received, static_cast<std::uint64_t>(offset) + n);
    show_progress(wanted, received, size);
    return true;
  };

  std::string error;
  bool ok = true;
  show_progress(wanted, 0, size);
  auto last_request = example::Clock::now() - kPacing;
  for (std::uint32_t offset = 0; ok && offset < size;) {
    std::this_thread::sleep_until(last_request + kPacing);
    last_request = example::Clock::now();
    const std::uint32_t length = std::min(size - offset, kRangeBytes);
    ok = camera.fetch_range(*entry, offset, length, store, error);
    if (ok && received < static_cast<std::uint64_t>(offset) + length) {
      error = "the camera ended the range early";
      ok = false;
    }
    offset += length;
  }
  std::fprintf(stderr, "\n");
  camera.close();
  if (std::fclose(file) != 0 && ok) {
    error = "cannot write " + partial;
    ok = false;
  }
  if (ok && std::rename(partial.c_str(), output.c_str()) != 0) {
    error = "cannot rename " + partial + ": " + std::strerror(errno);
    ok = false;
  }
  if (!ok) {
    std::fprintf(stderr, "%s: %s (partial data kept in %s)\n", wanted.c_str(), error.c_str(),
                 partial.c_str());
    return 1;
  }
  std::printf("%s: %u bytes saved to %s\n", wanted.c_str(), size, output.c_str());
  return 0;
}
