// The speed limit per camera that the download pacing gives: a recording is
// fetched one chunk per pacing interval at most, so the interval and the
// rate are two names for one setting.
#pragma once

#include <cstdint>
#include <string>

namespace velmora {

// Bytes one chunk request asks for.
inline constexpr std::int64_t kPacedChunkBytes = 131072;

// The most a camera downloads per second with this pacing; 0 when there is
// no limit (pacing 0).
std::int64_t pacing_rate(std::int32_t pacing_ms);
// The least pacing that keeps a camera at or below `rate` bytes per second;
// false when the rate is not positive or needs more than the longest pacing.
bool pacing_for_rate(std::int64_t rate, std::int32_t& pacing_ms);
// "256 KiB/s", "1.98 MiB/s", "900 B/s": units only, no words to translate.
std::string rate_text(std::int64_t bytes_per_second);

}  // namespace velmora
