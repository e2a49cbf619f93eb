// camsim: a simulated camera on the command line, for demos and manual tests.
#include "camsim.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;
void on_signal(int) { g_stop = 1; }

void usage() {
  std::fprintf(stderr,
               "usage: camsim [options]\n"
               "  --address IP        listen address (127.0.0.1)\n"
               "  --port N            listen port, 0 = any (9996)\n"
               "  --password TEXT     camera password, up to 15 bytes (empty)\n"
               "  --no-challenge      accept the first login without a challenge\n"
               "  --no-login-answer   accept connections but never answer\n"
               "  --no-heartbeat      do not answer heartbeats\n"
               "  --count N           generated recordings (20)\n"
               "  --min-size N        smallest generated recording in bytes (100000)\n"
               "  --max-size N        largest generated recording in bytes (1000000)\n"
               "  --alarm-share X     share of alarm recordings, 0..1 (0.3)\n"
               "  --seed N            seed of the generated list (1)\n"
               "  --prefix TEXT       name prefix of generated recordings (REC_)\n"
               "  --folder DIR        serve the files of DIR instead of generated ones\n"
               "  --page-size N       entries per record list page (100)\n"
               "  --no-last-page      never set the last-page flag\n"
               "  --block-size N      download block payload in bytes (32768)\n"
               "  --refuse NAME       refuse downloads of NAME (repeatable)\n"
               "  --drop-after N      close a connection after N download bytes\n"
               "  --refuse-deletes    answer delete requests with result 1, keep everything\n"
               "  --video-fps N       live video frames per second (0)\n"
               "  --audio-fps N       live audio frames per second (0)\n"
               "  --announce ID       announce camera ID on the discovery port\n"
               "  --announce-long     use the long announcement form\n"
               "  --announce-period MS  milliseconds between announcements (5000)\n"
               "  --announce-to IP:PORT  where announcements go (127.0.0.1:51010)\n"
               "  --verbose           log every message received\n"
               "  --quiet             log only protocol errors\n");
}

bool number(const char* text, unsigned long long max, unsigned long long* out) {
  char* end = nullptr;
  errno = 0;
  unsigned long long v = std::strtoull(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || v > max || text[0] == '-') return false;
  *out = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  camsim::Config cfg;
  cfg.verbose = true;
  unsigned long long count = 20, min_size = 100000, max_size = 1000000, seed = 1;
  double alarm_share = 0.3;
  std::string folder, prefix = "REC_";

  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "camsim: %s needs a value\n", a.c_str());
        std::exit(2);
      }
      return argv[++i];
    };
    auto num = [&](unsigned long long max) {
      const char* v = value();
      unsigned long long n;
      if (!number(v, max, &n)) {
        std::fprintf(stderr, "camsim: bad value \"%s\" for %s\n", v, a.c_str());
        std::exit(2);
      }
      return n;
    };
    if (a == "--address") cfg.address = value();
    else if (a == "--port") cfg.port = static_cast<uint16_t>(num(65535));
    else if (a == "--password") cfg.password = value();
    else if (a == "--no-challenge") cfg.challenge = false;
    else if (a == "--no-login-answer") cfg.answer_login = false;
    else if (a == "--no-heartbeat") cfg.answer_heartbeats = false;
    else if (a == "--count") count = num(65535);
    else if (a == "--min-size") min_size = num(0xFFFFFFFFu);
    else if (a == "--max-size") max_size = num(0xFFFFFFFFu);
    else if (a == "--alarm-share") alarm_share = std::atof(value());
    else if (a == "--seed") seed = num(0xFFFFFFFFu);
    else if (a == "--prefix") prefix = value();
    else if (a == "--folder") folder = value();
    else if (a == "--page-size") cfg.list_page_size = static_cast<int>(num(2730));
    else if (a == "--no-last-page") cfg.set_last_page_flag = false;
    else if (a == "--block-size") cfg.block_size = static_cast<uint32_t>(num(131046));
    else if (a == "--refuse") cfg.refuse_downloads.insert(value());
    else if (a == "--drop-after") cfg.drop_after_download_bytes = num(~0ull);
    else if (a == "--refuse-deletes") cfg.refuse_deletes = true;
    else if (a == "--video-fps") cfg.video_fps = static_cast<int>(num(1000));
    else if (a == "--audio-fps") cfg.audio_fps = static_cast<int>(num(1000));
    else if (a == "--announce") cfg.announce.camera_id = num(~0ull);
    else if (a == "--announce-long") cfg.announce.long_form = true;
    else if (a == "--announce-period") cfg.announce.period_ms = static_cast<int>(num(86400000));
    else if (a == "--announce-to") {
      const std::string target = value();
      const size_t colon = target.rfind(':');
      unsigned long long port = 0;
      if (colon == std::string::npos || !number(target.c_str() + colon + 1, 65535, &port)) {
        std::fprintf(stderr, "camsim: bad value \"%s\" for --announce-to (IP:PORT)\n", target.c_str());
        return 2;
      }
      cfg.announce.target_address = target.substr(0, colon);
      cfg.announce.target_port = static_cast<uint16_t>(port);
    }
    else if (a == "--verbose") cfg.trace = true;
    else if (a == "--quiet") cfg.verbose = false;
    else if (a == "--help" || a == "-h") {
      usage();
      return 0;
    } else {
      std::fprintf(stderr, "camsim: unknown option %s\n", a.c_str());
      usage();
      return 2;
    }
  }

  cfg.recordings = folder.empty()
                       ? camsim::generate_recordings(static_cast<int>(count),
                                                     static_cast<uint32_t>(min_size),
                                                     static_cast<uint32_t>(max_size), alarm_share,
                                                     static_cast<uint32_t>(seed), prefix)
                       : camsim::recordings_from_folder(folder);
  if (cfg.verbose) {
    for (const camsim::Recording& r : cfg.recordings)
      std::printf("camsim: recording %-31s key %10u size %10u %s\n", r.name.c_str(), r.key, r.size,
                  r.kind == 1 ? "alarm" : "manual");
  }

  std::signal(SIGINT, on_signal);
  std::signal(SIGTERM, on_signal);
  std::signal(SIGPIPE, SIG_IGN);
  camsim::CameraSimulator sim(cfg);
  if (sim.start() != 0) return 1;
  std::printf("camsim: ready on %s:%u (Ctrl-C to stop)\n", cfg.address.c_str(), sim.port());
  std::fflush(stdout);
  while (!g_stop) ::usleep(100 * 1000);
  sim.stop();
  camsim::Stats s = sim.stats();
  std::printf("camsim: stopped: %d connections, %d logins, %d refused, %zu download requests, "
              "%llu data bytes, %d protocol errors\n",
              s.connections, s.logins_ok, s.logins_refused, s.downloads.size(),
              static_cast<unsigned long long>(s.download_bytes_sent), s.protocol_errors);
  return 0;
}
