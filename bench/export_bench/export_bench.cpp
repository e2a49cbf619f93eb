// Export speed: a recording copied into an MP4 against a raw read of the
// same file in the same run, and against the recording's own length.
//
//   export_bench [--minutes N]
//
// The recording is N minutes (default 10) at 10 pictures a second, two
// segments: 30 s of real H.264 encoded once and repeated GOP by GOP.
#include <gst/gst.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "encoder.h"
#include "export_job.h"

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double CpuNow() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

size_t RawRead(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  std::vector<char> buf(64 * 1024);
  size_t bytes = 0, n;
  while (f && (n = std::fread(buf.data(), 1, buf.size(), f)) > 0) bytes += n;
  if (f) std::fclose(f);
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  int minutes = 10;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::string(argv[i]) == "--minutes") minutes = std::atoi(argv[++i]);
  if (minutes < 1) minutes = 1;
  setenv("GST_PLUGIN_PATH", PELLAQUIN_PLUGIN_DIR, 0);
  setenv("GST_REGISTRY", PELLAQUIN_BENCH_REGISTRY, 0);
  gst_init(&argc, &argv);

  zrvgen::EncodeOptions enc;
  enc.pictures = 300;
  enc.key_interval = 10;
  std::vector<zrvgen::Picture> gop, pictures;
  std::string err;
  if (!zrvgen::EncodePictures(enc, &gop, &err)) {
    std::fprintf(stderr, "export_bench: %s\n", err.c_str());
    return 1;
  }
  const size_t total = size_t(minutes) * 60 * 10;
  for (size_t i = 0; i < total; ++i) pictures.push_back(gop[i % gop.size()]);
  const std::string path = "/tmp/export_bench-" + std::to_string(getpid()) + ".zrv";
  const std::string out = "/tmp/export_bench-" + std::to_string(getpid()) + ".mp4";
  if (!zrvgen::WriteRecording(path, pictures, zrvgen::Options(), &err)) {
    std::fprintf(stderr, "export_bench: %s\n", err.c_str());
    return 1;
  }
  RawRead(path);  // both runs read from the page cache
  const int rounds = 3;
  double raw_wall = 1e9, raw_cpu = 1e9, exp_wall = 1e9, exp_cpu = 1e9;
  size_t bytes = 0;
  pellaquin::ExportResult result;
  for (int r = 0; r < rounds; ++r) {
    auto t = Clock::now();
    double c = CpuNow();
    bytes = RawRead(path);
    raw_wall = std::min(raw_wall, Seconds(t));
    raw_cpu = std::min(raw_cpu, CpuNow() - c);
    t = Clock::now();
    c = CpuNow();
    if (!pellaquin::ExportRecording(path, out, {}, true, nullptr, nullptr, &result, &err)) {
      std::fprintf(stderr, "export_bench: %s\n", err.c_str());
      return 1;
    }
    exp_wall = std::min(exp_wall, Seconds(t));
    exp_cpu = std::min(exp_cpu, CpuNow() - c);
  }
  const double length = minutes * 60.0;
  std::printf("recording: %d min, %zu pictures, %.1f MB; best of %d rounds\n", minutes, total, static_cast<double>(bytes) / 1e6, rounds);
  std::printf("%-14s %9s %9s\n", "", "wall s", "cpu s");
  std::printf("%-14s %9.3f %9.3f\n", "raw read", raw_wall, raw_cpu);
  std::printf("%-14s %9.3f %9.3f   (%llu pictures, %.1f MB)\n", "export to MP4", exp_wall, exp_cpu,
              static_cast<unsigned long long>(result.pictures), static_cast<double>(result.bytes) / 1e6);
  std::printf("export / raw read: %.1fx wall, %.1fx cpu\n", exp_wall / raw_wall, exp_cpu / std::max(raw_cpu, 1e-6));
  std::printf("export time / recording length: %.2f%% wall, %.2f%% cpu (target below 2%%)\n",
              100 * exp_wall / length, 100 * exp_cpu / length);
  unlink(path.c_str());
  unlink(out.c_str());
  return 0;
}
