#include "printable_text.h"

#include <cstdio>

namespace velmora {

namespace {

// Length of the well-formed UTF-8 sequence starting at text[i], or 0.
std::size_t utf8_length(const std::string& text, std::size_t i) {
  const auto c = static_cast<unsigned char>(text[i]);
  std::size_t n = c >= 0xf0 && c <= 0xf4 ? 4 : c >= 0xe0 ? 3 : c >= 0xc2 && c < 0xe0 ? 2 : 0;
  if (n == 0 || i + n > text.size()) return 0;
  for (std::size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(text[i + k]) & 0xc0) != 0x80) return 0;
  return n;
}

}  // namespace

std::string printable_text(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  auto escape = [&](std::size_t i) {
    char buf[5];
    std::snprintf(buf, sizeof buf, "\\x%02x", static_cast<unsigned char>(text[i]));
    out += buf;
  };
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      if (c < 0x20 || c == 0x7f || c == '\\') escape(i);
      else out += static_cast<char>(c);
      ++i;
      continue;
    }
    const std::size_t n = utf8_length(text, i);
    // U+0080..U+009F (C2 80..C2 9F): terminals take some of them as controls.
    const bool c1 = n == 2 && c == 0xc2 && static_cast<unsigned char>(text[i + 1]) <= 0x9f;
    if (n == 0 || c1) {
      for (std::size_t k = 0; k < (n == 0 ? 1 : n); ++k) escape(i + k);
      i += n == 0 ? 1 : n;
    } else {
      out.append(text, i, n);
      i += n;
    }
  }
  return out;
}

}  // namespace velmora
