#include "download_rate.h"

#include <cstdio>

#include "cam_connection_res.h"
#include "system_settings.h"

namespace velmora {

static_assert(kPacedChunkBytes == CamConnentionRES::kChunkBytes,
              "the rate shown must follow the chunk the download asks for");

std::int64_t pacing_rate(std::int32_t pacing_ms) {
  return pacing_ms > 0 ? kPacedChunkBytes * 1000 / pacing_ms : 0;
}

bool pacing_for_rate(std::int64_t rate, std::int32_t& pacing_ms) {
  if (rate <= 0) return false;
  const std::int64_t wait = (kPacedChunkBytes * 1000 + rate - 1) / rate;
  if (wait > SystemSettings::kMaxPacingMs) return false;
  pacing_ms = static_cast<std::int32_t>(wait);
  return true;
}

// Exact when the rate is a whole number of the unit, else three figures.
std::string rate_text(std::int64_t bytes_per_second) {
  static const char* const units[] = {"B/s", "KiB/s", "MiB/s", "GiB/s"};
  double value = static_cast<double>(bytes_per_second);
  int u = 0;
  while (u < 3 && value >= 1024) {
    value /= 1024;
    ++u;
  }
  char text[32];
  if (value == static_cast<double>(static_cast<std::int64_t>(value)))
    std::snprintf(text, sizeof text, "%lld %s", static_cast<long long>(value), units[u]);
  else
    std::snprintf(text, sizeof text, "%.*f %s", value < 10 ? 2 : value < 100 ? 1 : 0, value,
                  units[u]);
  return text;
}

}  // namespace velmora
