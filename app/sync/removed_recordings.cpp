#include "removed_recordings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "private_file.h"

namespace velmora {

namespace {

std::string record_path(const std::string& camera_folder) {
  return camera_folder + ".velmora-removed";
}

bool write_all(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Keeps the newest half of the lines, whole lines only.
bool shrink(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  const std::string text = all.str();
  std::size_t from = text.size() / 2;
  from = text.find('\n', from);
  const std::string kept = from == std::string::npos ? std::string() : text.substr(from + 1);
  return replace_private_file(path, kept);
}

}  // namespace

bool note_removed(const std::string& camera_folder, const std::string& relative_path,
                  std::uint64_t size, std::int64_t cap) {
  // Names come from the download layout's checks (no control bytes), so a
  // line can hold any of them.
  if (relative_path.empty() || relative_path.find('\n') != std::string::npos) return false;
  const std::string path = record_path(camera_folder);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = write_all(fd, std::to_string(size) + " " + relative_path + "\n");
  struct stat st {};
  const bool over = ::fstat(fd, &st) == 0 && st.st_size > cap;
  ::close(fd);
  if (ok && over) ok = shrink(path);
  return ok;
}

RemovedSet load_removed(const std::string& camera_folder) {
  RemovedSet out;
  std::ifstream in(record_path(camera_folder), std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t space = line.find(' ');
    if (space == 0 || space == std::string::npos || space + 1 >= line.size()) continue;
    const std::string digits = line.substr(0, space);
    if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 19) continue;
    out.emplace(line.substr(space + 1), std::strtoull(digits.c_str(), nullptr, 10));
  }
  return out;
}

}  // namespace velmora
