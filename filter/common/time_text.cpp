#include "time_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace pellaquin {

bool ParseTimeText(const std::string& text, int64_t* nanoseconds) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t colon; (colon = text.find(':', start)) != std::string::npos; start = colon + 1)
    parts.push_back(text.substr(start, colon - start));
  parts.push_back(text.substr(start));
  if (parts.size() > 3) return false;
  double total = 0;
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string& p = parts[i];
    const bool last = i + 1 == parts.size();
    if (p.empty() || p.size() > 12) return false;
    bool dot = false;
    for (char c : p) {
      if (c == '.' && last && !dot) dot = true;
      else if (c < '0' || c > '9') return false;
    }
    if (p == ".") return false;
    double v = std::strtod(p.c_str(), nullptr);
    // Minutes and seconds after the first field stay below 60.
    if (i > 0 && v >= 60) return false;
    total = total * 60 + v;
  }
  if (!std::isfinite(total) || total > 1e9) return false;
  *nanoseconds = static_cast<int64_t>(std::llround(total * 1e9));
  return true;
}

std::string FormatTime(int64_t nanoseconds) {
  int64_t s = nanoseconds < 0 ? 0 : nanoseconds / 1000000000;
  char buf[32];
  if (s >= 3600)
    std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                  static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
  else
    std::snprintf(buf, sizeof buf, "%lld:%02lld", static_cast<long long>(s / 60), static_cast<long long>(s % 60));
  return buf;
}

}  // namespace pellaquin
