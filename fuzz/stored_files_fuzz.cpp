// The program's stored files as a damaged disk or another program may leave
// them: the camera list, the alias file and the settings file. Whatever
// loads must save and load again to the same thing.
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>

#include "alias_store.h"
#include "camera_store.h"
#include "scratch.h"
#include "system_settings.h"

namespace {

void write_file(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (size > 0) std::fwrite(data, 1, size, f);
  std::fclose(f);
}

bool same(const velmora::CameraTable& a, const velmora::CameraTable& b) {
  if (a.size() != b.size()) return false;
  for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j)
    if (i->first != j->first || std::memcmp(&i->second, &j->second, sizeof i->second) != 0) return false;
  return true;
}

}  // namespace

// The first byte picks the file; the rest is its content.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 100000) return 0;
  const std::string dir = fuzz::scratch_folder();
  const std::string in = dir + "/in", out = dir + "/out";
  write_file(in, data + 1, size - 1);
  switch (data[0] % 3) {
    case 0: {
      velmora::CameraTable first, second;
      if (!velmora::load_camera_file(in, first)) std::abort();
      if (!velmora::save_camera_file(out, first)) std::abort();
      if (!velmora::load_camera_file(out, second) || !same(first, second)) std::abort();
      break;
    }
    case 1: {
      velmora::AliasTable first, second;
      velmora::load_alias_file(in, first);
      if (!velmora::save_alias_file(out, first)) std::abort();
      velmora::load_alias_file(out, second);
      if (first != second) std::abort();
      break;
    }
    default: {
      velmora::SystemSettings first, second;
      std::int32_t limit_a = 4, limit_b = 4;
      first.load(in, limit_a);
      if (!first.save(out, limit_a)) std::abort();
      second.load(out, limit_b);
      if (first.auto_start != second.auto_start || first.interval_code != second.interval_code ||
          limit_a != limit_b)
        std::abort();
      std::string root;
      velmora::load_download_root(in, "/default", root);
      break;
    }
  }
  return 0;
}
