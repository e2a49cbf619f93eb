#pragma once
// Shared helpers of the filter tests: temporary folders and synthetic
// pictures that look like H.264 access units.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "zrv_writer.h"

class TempDir {
public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "pellaquin-test-XXXXXX").string();
    path_ = mkdtemp(tmpl.data()) ? tmpl : std::string();
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string Path(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

private:
  std::string path_;
};

// count pictures, every key_interval-th a key one (sequence parameter set,
// picture parameter set, IDR slice), the others one slice; size bytes each.
inline std::vector<zrvgen::Picture> SyntheticPictures(int count, int key_interval, size_t size = 600) {
  std::vector<zrvgen::Picture> out;
  for (int i = 0; i < count; ++i) {
    zrvgen::Picture p;
    p.key = i % key_interval == 0;
    if (p.key) {
      p.data = {0, 0, 0, 1, 0x67, 0x42, 0, 0x1E, 0, 0, 0, 1, 0x68, 0xCE, 0, 0, 1, 0x65};
    } else {
      p.data = {0, 0, 0, 1, 0x41};
    }
    p.data.resize(size, static_cast<uint8_t>(0x10 + i % 200));
    out.push_back(std::move(p));
  }
  return out;
}
