// pellaquin-export [--from T] [--to T] [--force] -o OUT IN.zrv...: copies
// recordings into MP4 (H.264) or 3GP (H.263) files without re-encoding.
#include <gst/gst.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "export_job.h"
#include "time_text.h"

namespace {

constexpr const char* kUsage =
    "usage: pellaquin-export [--from TIME] [--to TIME] [--force] -o OUT IN.zrv...\n"
    "  one recording to the file OUT, several into the folder OUT;\n"
    "  TIME is seconds or mm:ss (the export starts at the key picture at or before --from)\n";

std::string BaseName(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Redrawn only when the percentage changes.
void DrawBar(const std::string& name, int64_t position, int64_t duration, int* shown) {
  int percent = duration > 0 ? static_cast<int>(position * 100 / duration) : 0;
  if (percent > 100) percent = 100;
  if (percent < 0) percent = 0;
  if (percent == *shown) return;
  *shown = percent;
  const int width = 30;
  std::string bar(static_cast<size_t>(width * percent / 100), '#');
  bar.resize(width, '-');
  std::printf("\r%-30.30s [%s] %3d%%", name.c_str(), bar.c_str(), percent);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  gst_init(&argc, &argv);
  std::vector<std::string> inputs;
  std::string out;
  pellaquin::ExportRange range;
  bool force = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string* v) {
      if (i + 1 >= argc) return false;
      *v = argv[++i];
      return true;
    };
    std::string v;
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "-f" || a == "--force") {
      force = true;
    } else if (a == "-o" || a == "--output") {
      if (!value(&out)) {
        std::fputs(kUsage, stderr);
        return 2;
      }
    } else if (a == "--from" || a == "--to") {
      int64_t t = 0;
      if (!value(&v) || !pellaquin::ParseTimeText(v, &t)) {
        std::fprintf(stderr, "pellaquin-export: %s takes seconds or mm:ss, not \"%s\"\n", a.c_str(), v.c_str());
        return 2;
      }
      (a == "--from" ? range.from : range.to) = t;
    } else if (!a.empty() && a[0] == '-') {
      std::fprintf(stderr, "pellaquin-export: unknown option %s\n%s", a.c_str(), kUsage);
      return 2;
    } else {
      inputs.push_back(a);
    }
  }
  if (inputs.empty() || out.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (range.from >= 0 && range.to >= 0 && range.to <= range.from) {
    std::fprintf(stderr, "pellaquin-export: --to must lie after --from\n");
    return 2;
  }
  const bool to_folder = inputs.size() > 1 || IsFolder(out);
  if (to_folder && !IsFolder(out) && mkdir(out.c_str(), 0777) != 0) {
    std::fprintf(stderr, "pellaquin-export: cannot create the folder %s\n", out.c_str());
    return 1;
  }
  const bool terminal = isatty(STDOUT_FILENO);
  int failures = 0;
  for (const std::string& in : inputs) {
    std::string error;
    std::string target = out;
    if (to_folder) {
      std::string ext = pellaquin::ExportExtension(in, &error);
      if (ext.empty()) {
        std::fprintf(stderr, "pellaquin-export: %s: %s\n", in.c_str(), error.c_str());
        ++failures;
        continue;
      }
      target = out + (out.back() == '/' ? "" : "/") + BaseName(in) + "." + ext;
    }
    const std::string name = BaseName(in);
    pellaquin::ExportProgress progress;
    int shown = -1;
    if (terminal) progress = [&name, &shown](int64_t p, int64_t d) { DrawBar(name, p, d, &shown); };
    pellaquin::ExportResult result;
    bool ok = pellaquin::ExportRecording(in, target, range, force, progress, nullptr, &result, &error);
    if (terminal) std::printf("\r\033[K");
    if (!ok) {
      std::fprintf(stderr, "pellaquin-export: %s: %s\n", in.c_str(), error.c_str());
      ++failures;
      continue;
    }
    std::printf("%s -> %s: %llu pictures, %s to %s\n", in.c_str(), target.c_str(),
                static_cast<unsigned long long>(result.pictures), pellaquin::FormatTime(result.first_time).c_str(),
                pellaquin::FormatTime(result.first_time + result.duration).c_str());
    std::fflush(stdout);
  }
  return failures ? 1 : 0;
}
