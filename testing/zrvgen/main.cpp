// zrvgen: writes .zrv test recordings from freshly encoded video.
#include <gst/gst.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "encoder.h"
#include "zrv_writer.h"

namespace {

void Usage() {
  std::fputs(
      "usage: zrvgen [options] OUTPUT.zrv\n"
      "  --seconds N         length (default 10)\n"
      "  --key-interval N    a key picture every N pictures (default 10)\n"
      "  --segments N        1 = video only, 2 = video and audio (default), 3 = one more\n"
      "  --h263              H.263 (352x288) instead of H.264 (640x480)\n"
      "  --max-payload N     bytes per stored packet (default 1400)\n"
      "  --first-ts MS       RTP timestamp of the first picture (default 90000)\n"
      "  --plain             black pictures without the running clock (small files)\n"
      "odd cases:\n"
      "  --no-key            no entry starts a key picture\n"
      "  --backwards-at N    picture N's timestamp goes back two pictures\n"
      "  --tiny-entries-at N a 0-byte and a 12-byte entry before picture N\n"
      "  --entry-beyond-end  the last video entry points past the end of the file\n"
      "  --broken-chain      the first segment's next offset points past the end\n"
      "  --interval MS       timestamp step between pictures (default 100)\n"
      "  --csrc N            N contributing sources in every video packet's header\n"
      "  --claim-segments N  the header claims N segments; the last one's next offset\n"
      "                      points back to itself\n"
      "  --claim-entries N   the video segment claims N entries\n",
      stderr);
}

bool Int(int argc, char** argv, int* i, long* out) {
  if (*i + 1 >= argc) return false;
  char* end = nullptr;
  *out = std::strtol(argv[++*i], &end, 10);
  return end && *end == 0;
}

}  // namespace

int main(int argc, char** argv) {
  gst_init(&argc, &argv);
  zrvgen::Options opt;
  zrvgen::EncodeOptions enc;
  long seconds = 10;
  std::string path;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    long v = 0;
    bool ok = true;
    if (a == "--seconds") ok = Int(argc, argv, &i, &seconds) && seconds > 0 && seconds <= 24 * 3600;
    else if (a == "--key-interval") ok = Int(argc, argv, &i, &v) && v > 0 && (enc.key_interval = int(v));
    else if (a == "--segments") ok = Int(argc, argv, &i, &v) && v >= 1 && v <= 3 && (opt.segments = int(v));
    else if (a == "--h263") opt.codec = enc.codec = zrvgen::Codec::kH263;
    else if (a == "--max-payload") ok = Int(argc, argv, &i, &v) && v > 0 && (opt.max_payload = size_t(v));
    else if (a == "--first-ts") ok = Int(argc, argv, &i, &v) && v >= 0 && ((opt.first_timestamp = uint32_t(v)), true);
    else if (a == "--plain") enc.plain = true;
    else if (a == "--no-key") opt.no_key = true;
    else if (a == "--backwards-at") ok = Int(argc, argv, &i, &v) && v >= 0 && ((opt.backwards_at = int(v)), true);
    else if (a == "--tiny-entries-at") ok = Int(argc, argv, &i, &v) && v >= 0 && ((opt.tiny_entries_at = int(v)), true);
    else if (a == "--entry-beyond-end") opt.entry_beyond_end = true;
    else if (a == "--broken-chain") opt.broken_chain = true;
    else if (a == "--interval") ok = Int(argc, argv, &i, &v) && v >= 0 && v <= 0xFFFFFFFFL && ((opt.interval_ms = uint32_t(v)), true);
    else if (a == "--csrc") ok = Int(argc, argv, &i, &v) && v >= 0 && v <= 15 && ((opt.csrc_count = int(v)), true);
    else if (a == "--claim-segments") ok = Int(argc, argv, &i, &v) && v > 0 && v <= 0xFFFFFFFFL && ((opt.claimed_segments = uint32_t(v)), true);
    else if (a == "--claim-entries") ok = Int(argc, argv, &i, &v) && v > 0 && v <= 0xFFFFFFFFL && ((opt.claimed_entries = uint32_t(v)), true);
    else if (a == "-h" || a == "--help") { Usage(); return 0; }
    else if (!a.empty() && a[0] != '-' && path.empty()) path = a;
    else ok = false;
    if (!ok) {
      std::fprintf(stderr, "zrvgen: bad option %s\n", a.c_str());
      Usage();
      return 2;
    }
  }
  if (path.empty()) {
    Usage();
    return 2;
  }
  enc.pictures = static_cast<int>(seconds * enc.fps);
  std::vector<zrvgen::Picture> pictures;
  std::string error;
  std::fprintf(stderr, "zrvgen: encoding %d pictures...\n", enc.pictures);
  if (!zrvgen::EncodePictures(enc, &pictures, &error) ||
      !zrvgen::WriteRecording(path, pictures, opt, &error)) {
    std::fprintf(stderr, "zrvgen: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s: %zu pictures, %d segment(s)\n", path.c_str(), pictures.size(), opt.segments);
  return 0;
}
