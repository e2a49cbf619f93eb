// Reading a byte range of a simulated recording.
#pragma once

#include "camsim.h"

namespace camsim {

// Fills out[0..n) with the recording's bytes at offset. A file-backed
// recording that is shorter than listed is padded with zeros (false).
bool read_content(const Recording& rec, uint32_t offset, uint32_t n, uint8_t* out);

}  // namespace camsim
