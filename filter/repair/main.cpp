// pellaquin-repair IN.zrv OUT.zrv: rebuilds the tables of a recording that
// was cut off while it was written.
#include <cstdio>
#include <string>

#include "recording_repair.h"

int main(int argc, char** argv) {
  std::string in, out;
  bool force = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-h" || a == "--help") {
      std::printf("usage: pellaquin-repair [--force] IN.zrv OUT.zrv\n");
      return 0;
    }
    if (a == "-f" || a == "--force") force = true;
    else if (!a.empty() && a[0] == '-' && a != "-") {
      std::fprintf(stderr, "pellaquin-repair: unknown option %s\n", a.c_str());
      return 2;
    } else if (in.empty()) in = a;
    else if (out.empty()) out = a;
    else {
      std::fprintf(stderr, "usage: pellaquin-repair [--force] IN.zrv OUT.zrv\n");
      return 2;
    }
  }
  if (out.empty()) {
    std::fprintf(stderr, "usage: pellaquin-repair [--force] IN.zrv OUT.zrv\n");
    return 2;
  }
  pellaquin::RepairReport report;
  std::string error;
  switch (pellaquin::RepairRecording(in, out, force, &report, &error)) {
    case pellaquin::RepairResult::kRepaired:
      std::printf("Recovered %u pictures (%u key pictures), %.1f s of video", report.pictures,
                  report.key_pictures, report.seconds);
      if (report.audio_packets) std::printf(", and %u audio packets", report.audio_packets);
      std::printf(", into %s\n", out.c_str());
      if (report.ignored_bytes)
        std::printf("Left out %llu bytes at the end: an incomplete last picture\n",
                    static_cast<unsigned long long>(report.ignored_bytes));
      return 0;
    case pellaquin::RepairResult::kIntact:
      std::fprintf(stderr, "pellaquin-repair: %s\n", error.c_str());
      return 3;
    case pellaquin::RepairResult::kRefused:
    case pellaquin::RepairResult::kFailed:
      break;
  }
  std::fprintf(stderr, "pellaquin-repair: %s\n", error.c_str());
  return 1;
}
