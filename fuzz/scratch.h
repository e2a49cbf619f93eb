// A private folder for the files a fuzz target writes, made once per process.
#pragma once

#include <cstdlib>
#include <string>

namespace fuzz {

inline const std::string& scratch_folder() {
  static const std::string path = [] {
    char name[] = "/tmp/ks-fuzz-XXXXXX";
    const char* made = ::mkdtemp(name);
    if (made == nullptr) std::abort();
    return std::string(made);
  }();
  return path;
}

}  // namespace fuzz
