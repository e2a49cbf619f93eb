#include "desktop_players.h"

#include <elf.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace pellaquin {

namespace {

constexpr const char* kFrameworkLibrary = "libgstreamer-1.0.so";
// Libraries followed from one program, so that a broken system cannot make
// registration crawl.
constexpr size_t kMaxLibraries = 400;

std::string ReadPrefix(const fs::path& path, size_t max) {
  std::ifstream in(path, std::ios::binary);
  std::string data(max, '\0');
  in.read(data.data(), static_cast<std::streamsize>(max));
  data.resize(static_cast<size_t>(in.gcount()));
  return data;
}

std::string ReadAll(const fs::path& path) {
  std::error_code ec;
  auto size = fs::file_size(path, ec);
  if (ec || size > (64u << 20)) return "";
  return ReadPrefix(path, static_cast<size_t>(size));
}

// DT_NEEDED names and the RUNPATH/RPATH folders of a 64-bit little-endian
// ELF file; false for anything else. Every offset is checked against the
// file's size.
bool ReadDynamic(const std::string& f, std::vector<std::string>* needed, std::vector<std::string>* runpath) {
  if (f.size() < sizeof(Elf64_Ehdr) || std::memcmp(f.data(), ELFMAG, SELFMAG) != 0 ||
      f[EI_CLASS] != ELFCLASS64 || f[EI_DATA] != ELFDATA2LSB)
    return false;
  Elf64_Ehdr eh;
  std::memcpy(&eh, f.data(), sizeof eh);
  if (eh.e_phentsize != sizeof(Elf64_Phdr) || eh.e_phoff > f.size() ||
      uint64_t(eh.e_phnum) * sizeof(Elf64_Phdr) > f.size() - eh.e_phoff)
    return false;
  std::vector<Elf64_Phdr> ph(eh.e_phnum);
  std::memcpy(ph.data(), f.data() + eh.e_phoff, ph.size() * sizeof(Elf64_Phdr));
  auto file_offset = [&](uint64_t vaddr, uint64_t* off) {
    for (const auto& p : ph)
      if (p.p_type == PT_LOAD && vaddr >= p.p_vaddr && vaddr - p.p_vaddr < p.p_filesz) {
        *off = p.p_offset + (vaddr - p.p_vaddr);
        return *off < f.size();
      }
    return false;
  };
  for (const auto& p : ph) {
    if (p.p_type != PT_DYNAMIC || p.p_offset > f.size() || p.p_filesz > f.size() - p.p_offset) continue;
    std::vector<Elf64_Dyn> dyn(p.p_filesz / sizeof(Elf64_Dyn));
    std::memcpy(dyn.data(), f.data() + p.p_offset, dyn.size() * sizeof(Elf64_Dyn));
    uint64_t strtab = 0, strsz = 0;
    for (const auto& d : dyn) {
      if (d.d_tag == DT_STRTAB) strtab = d.d_un.d_ptr;
      if (d.d_tag == DT_STRSZ) strsz = d.d_un.d_val;
    }
    uint64_t str_off = 0;
    if (!file_offset(strtab, &str_off)) return false;
    const uint64_t limit = std::min<uint64_t>(f.size(), str_off + strsz);
    auto string_at = [&](uint64_t i) -> std::string {
      if (str_off + i >= limit) return "";
      const char* s = f.data() + str_off + i;
      return std::string(s, strnlen(s, limit - str_off - i));
    };
    for (const auto& d : dyn) {
      if (d.d_tag == DT_NEEDED) needed->push_back(string_at(d.d_un.d_val));
      if (d.d_tag == DT_RUNPATH || d.d_tag == DT_RPATH) {
        std::stringstream ss(string_at(d.d_un.d_val));
        for (std::string dir; std::getline(ss, dir, ':');) runpath->push_back(dir);
      }
    }
    return true;
  }
  return true;  // static: links nothing
}

const std::vector<std::string>& SystemLibraryDirs() {
  static const std::vector<std::string> dirs = {
      "/lib/x86_64-linux-gnu", "/usr/lib/x86_64-linux-gnu", "/lib/aarch64-linux-gnu",
      "/usr/lib/aarch64-linux-gnu", "/lib64", "/usr/lib64", "/lib", "/usr/lib", "/usr/local/lib"};
  return dirs;
}

bool UsesFramework(const fs::path& file, std::set<std::string>* seen, int depth) {
  if (depth > 6 || seen->size() > kMaxLibraries || !seen->insert(file.string()).second) return false;
  const std::string data = ReadAll(file);
  std::vector<std::string> needed, runpath;
  if (!ReadDynamic(data, &needed, &runpath)) return false;
  std::vector<std::string> dirs;
  for (std::string dir : runpath) {
    size_t at = dir.find("$ORIGIN");
    if (at != std::string::npos) dir.replace(at, 7, file.parent_path().string());
    dirs.push_back(dir);
  }
  dirs.insert(dirs.end(), SystemLibraryDirs().begin(), SystemLibraryDirs().end());
  for (const std::string& lib : needed) {
    if (lib.rfind(kFrameworkLibrary, 0) == 0) return true;
    if (lib.find('/') != std::string::npos) continue;
    for (const std::string& dir : dirs) {
      std::error_code ec;
      fs::path candidate = fs::path(dir) / lib;
      if (fs::is_regular_file(candidate, ec)) {
        if (UsesFramework(candidate, seen, depth + 1)) return true;
        break;
      }
    }
  }
  return false;
}

fs::path FindInPath(const std::string& program) {
  if (program.find('/') != std::string::npos) return program;
  const char* path = std::getenv("PATH");
  std::stringstream ss(path ? path : "/usr/local/bin:/usr/bin:/bin");
  for (std::string dir; std::getline(ss, dir, ':');) {
    std::error_code ec;
    fs::path candidate = fs::path(dir.empty() ? "." : dir) / program;
    if (fs::is_regular_file(candidate, ec)) return candidate;
  }
  return {};
}

// The program of an Exec line: its first word (quotes removed), after an
// "env" and its variable settings.
std::string ExecProgram(const std::string& exec) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, any = false;
  for (char c : exec) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (any || !word.empty()) words.push_back(word);
      word.clear();
      any = false;
    } else {
      word += c;
    }
  }
  if (any || !word.empty()) words.push_back(word);
  size_t i = 0;
  if (i < words.size() && (words[i] == "env" || words[i] == "/usr/bin/env")) {
    ++i;
    while (i < words.size() && words[i].find('=') != std::string::npos) ++i;
  }
  return i < words.size() ? words[i] : "";
}

struct DesktopEntry {
  std::string exec, try_exec, mime;
  bool hidden = false;
};

DesktopEntry ReadEntry(const fs::path& path) {
  DesktopEntry e;
  std::ifstream in(path);
  bool main = false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] == '[') {
      main = line == "[Desktop Entry]";
      continue;
    }
    if (!main) continue;
    auto value = [&](const char* key) -> const char* {
      size_t n = std::strlen(key);
      return line.compare(0, n, key) == 0 && line.size() > n && line[n] == '=' ? line.c_str() + n + 1 : nullptr;
    };
    if (const char* exec = value("Exec")) e.exec = exec;
    else if (const char* try_exec = value("TryExec")) e.try_exec = try_exec;
    else if (const char* mime = value("MimeType")) e.mime = mime;
    else if (const char* hidden = value("Hidden")) e.hidden = std::string(hidden) == "true";
  }
  return e;
}

}  // namespace

bool ProgramUsesMediaFramework(const std::string& program) {
  fs::path file = FindInPath(program);
  std::error_code ec;
  if (file.empty() || !fs::is_regular_file(file, ec)) return false;
  fs::path real = fs::canonical(file, ec);
  if (ec) return false;
  const std::string head = ReadPrefix(real, 2);
  if (head == "#!") {
    // A script: its imports say it.
    const std::string text = ReadPrefix(real, 256 * 1024);
    for (const char* mark : {"require_version('Gst'", "require_version(\"Gst\"", "gi.repository import Gst",
                             "imports.gi.Gst", "require('gi://Gst", "from 'gi://Gst"})
      if (text.find(mark) != std::string::npos) return true;
    return false;
  }
  std::set<std::string> seen;
  return UsesFramework(real, &seen, 0);
}

std::vector<std::string> DataDirs(const std::string& data_home) {
  std::vector<std::string> dirs{data_home};
  const char* env = std::getenv("XDG_DATA_DIRS");
  std::stringstream ss(env && *env ? env : "/usr/local/share:/usr/share");
  for (std::string dir; std::getline(ss, dir, ':');)
    if (!dir.empty() && dir[0] == '/') dirs.push_back(dir);
  return dirs;
}

std::vector<std::string> MediaFrameworkPlayers(const std::vector<std::string>& data_dirs,
                                               const std::vector<std::string>& except) {
  std::vector<std::string> players;
  std::set<std::string> seen(except.begin(), except.end());
  for (const std::string& dir : data_dirs) {
    const fs::path apps = fs::path(dir) / "applications";
    std::error_code ec;
    if (!fs::is_directory(apps, ec)) continue;
    std::vector<fs::path> files;
    for (auto it = fs::recursive_directory_iterator(apps, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
      if (it->path().extension() == ".desktop") files.push_back(it->path());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
      // Entry ids of sub-folders join the folder names with '-'.
      std::string id = fs::relative(file, apps, ec).string();
      std::replace(id.begin(), id.end(), '/', '-');
      if (!seen.insert(id).second) continue;
      DesktopEntry e = ReadEntry(file);
      if (e.hidden || e.mime.find("video/") == std::string::npos) continue;
      std::string program = ExecProgram(e.exec);
      if (program.empty()) continue;
      if (ProgramUsesMediaFramework(program)) players.push_back(id);
    }
  }
  return players;
}

}  // namespace pellaquin
