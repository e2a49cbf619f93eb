// Which recordings of a camera's catalogue a run has to download: every entry
// whose final file is not on disk yet and was not removed by retention, in
// catalogue order. Entries that
// cannot be stored safely are set aside with the reason to report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "camera_records.h"

namespace velmora {

struct SkippedEntry {
  std::string name;    // as the camera gave it
  const char* reason;  // shown to the user
};

struct CatalogueComparison {
  std::vector<NVS_SDK_V160::RECORD_FILE_ENTRY> missing;
  std::vector<SkippedEntry> skipped;
};

// Names that would leave the camera's folder are refused, and two entries
// that map to one file (say "a" and "a.avi") never share it: the later one
// is skipped, so no file ever mixes two recordings.
CatalogueComparison compare_catalogue(const std::string& root, std::int32_t camera_id,
                                      const std::vector<NVS_SDK_V160::RECORD_FILE_ENTRY>& catalogue);

}  // namespace velmora
