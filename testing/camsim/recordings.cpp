// The simulated memory card: generated or folder-backed recordings and their
// contents.
#include "camsim.h"
#include "content.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <unistd.h>
#include <unordered_set>

namespace camsim {

uint8_t generated_byte(uint32_t key, uint32_t offset) {
  // A cheap integer hash of (key, offset): neighbouring offsets and keys give
  // unrelated bytes, so a block written at the wrong place or taken from the
  // wrong recording shows up in a byte comparison.
  uint32_t x = offset * 0x9E3779B1u ^ (key * 0x85EBCA77u + 0x165667B1u);
  x ^= x >> 15;
  x *= 0x2C1B3C6Du;
  x ^= x >> 12;
  x *= 0x297A2D39u;
  x ^= x >> 15;
  return static_cast<uint8_t>(x >> 24);
}

bool read_content(const Recording& rec, uint32_t offset, uint32_t n, uint8_t* out) {
  if (rec.path.empty()) {
    for (uint32_t i = 0; i < n; ++i) out[i] = generated_byte(rec.key, offset + i);
    return true;
  }
  int fd = ::open(rec.path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  uint32_t done = 0;
  while (done < n) {
    ssize_t r = ::pread(fd, out + done, n - done, static_cast<off_t>(offset) + done);
    if (r <= 0) break;
    done += static_cast<uint32_t>(r);
  }
  ::close(fd);
  // The file shrank since it was listed: keep the promised length.
  if (done < n) std::fill(out + done, out + n, 0);
  return done == n;
}

std::vector<uint8_t> generated_content(const Recording& rec) {
  std::vector<uint8_t> data(rec.size);
  if (!read_content(rec, 0, rec.size, data.data()) && !rec.path.empty()) return {};
  return data;
}

std::vector<Recording> generate_recordings(int count, uint32_t min_size, uint32_t max_size,
                                           double alarm_share, uint32_t seed,
                                           const std::string& name_prefix) {
  std::vector<Recording> out;
  if (count <= 0) return out;
  if (max_size < min_size) std::swap(min_size, max_size);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<uint32_t> size_dist(min_size, max_size);
  std::uniform_real_distribution<double> share_dist(0.0, 1.0);
  std::unordered_set<uint32_t> keys;
  out.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    Recording r;
    char tail[32];
    std::snprintf(tail, sizeof tail, "%05d.avi", i + 1);
    r.name = (name_prefix + tail).substr(0, 31);
    do {
      r.key = static_cast<uint32_t>(rng());
    } while (r.key == 0 || !keys.insert(r.key).second);
    r.size = size_dist(rng);
    r.kind = share_dist(rng) < alarm_share ? 1 : 0;
    out.push_back(std::move(r));
  }
  return out;
}

std::vector<Recording> recordings_from_folder(const std::string& dir) {
  namespace fs = std::filesystem;
  std::vector<Recording> out;
  std::error_code ec;
  std::unordered_set<uint32_t> keys;
  std::vector<fs::path> files;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file(ec)) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& p : files) {
    std::string name = p.filename().string();
    uintmax_t size = fs::file_size(p, ec);
    if (ec || name.size() > 31 || size > 0xFFFFFFFFu) {
      std::fprintf(stderr, "camsim: skipping %s (name longer than 31 bytes or 4 GiB and more)\n",
                   p.c_str());
      continue;
    }
    uint32_t key = 2166136261u;  // FNV-1a of the name, kept stable across runs
    for (unsigned char c : name) key = (key ^ c) * 16777619u;
    while (key == 0 || !keys.insert(key).second) ++key;
    out.push_back(Recording{name, key, static_cast<uint32_t>(size), 0, p.string()});
  }
  return out;
}

}  // namespace camsim
