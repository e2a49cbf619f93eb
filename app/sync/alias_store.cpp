#include "alias_store.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "app_paths.h"

#include "private_file.h"

namespace velmora {

namespace {

bool parse_id(const std::string& text, std::int32_t& id) {
  std::size_t b = 0, e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  if (b == e) return false;
  std::string digits = text.substr(b, e - b);
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(digits.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return false;
  id = static_cast<std::int32_t>(v);
  return true;
}

}  // namespace

void load_alias_file(const std::string& path, AliasTable& table) {
  std::FILE* f = open_regular_file(path);
  if (!f) return;
  std::string text;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  std::fclose(f);
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t sep = line.find(kAliasSeparator);
    if (sep == std::string::npos) continue;
    std::int32_t id;
    if (!parse_id(line.substr(0, sep), id)) continue;
    // Kept as it will be written, so that a save does not change it.
    table[id] = clean_alias(line.substr(sep + 3));
  }
}

bool save_alias_file(const std::string& path, const AliasTable& table) {
  std::string text;
  for (const auto& [id, alias] : table)
    text += std::to_string(id) + kAliasSeparator + clean_alias(alias) + "\r\n";
  return replace_private_file(path, text);
}

std::string clean_alias(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  return out;
}

}  // namespace velmora
