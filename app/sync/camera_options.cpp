#include "camera_options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sstream>

#include "app_paths.h"
#include "private_file.h"

namespace velmora {

namespace {

constexpr const char* kDeleteAfterCopy = "delete-after-copy";

}  // namespace

CameraOptionsTable load_camera_options(const std::string& path) {
  CameraOptionsTable table;
  std::FILE* f = open_regular_file(path);
  if (f == nullptr) return table;
  std::string text;
  char buf[4096];
  std::size_t n;
  // The file is a few lines; anything much larger is not ours.
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 && text.size() < (1u << 20))
    text.append(buf, n);
  std::fclose(f);
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string id_text;
    if (!(words >> id_text)) continue;
    char* end = nullptr;
    errno = 0;
    const long long id = std::strtoll(id_text.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || id < INT32_MIN || id > INT32_MAX) continue;
    CameraOptions o;
    std::string word;
    while (words >> word)
      if (word == kDeleteAfterCopy) o.delete_after_copy = true;
    if (!o.is_default()) table[static_cast<std::int32_t>(id)] = o;
  }
  return table;
}

bool save_camera_options(const std::string& path, const CameraOptionsTable& table) {
  std::string text;
  for (const auto& [id, o] : table) {
    if (o.is_default()) continue;
    text += std::to_string(id);
    if (o.delete_after_copy) text += std::string(" ") + kDeleteAfterCopy;
    text += '\n';
  }
  return replace_private_file(path, text);
}

}  // namespace velmora
