// The recordings a camera has listed, keyed by file name: downloads, playback
// and deletes look names up here to send the camera its own entry or key.
// Not locked itself; the engine guards it together with its other tables.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "camera_records.h"

namespace kestrune {

class RecordCatalogue {
public:
  // Replaces an entry of the same name.
  void store(const NVS_SDK_V160::RECORD_FILE_ENTRY& entry);
  // Exact, case-sensitive match on the text up to the first NUL.
  const NVS_SDK_V160::RECORD_FILE_ENTRY* find(const char* name) const;
  // The entry's record key, or 0 when the name was never listed.
  std::uint32_t key_of(const char* name) const;
  void clear() { entries_.clear(); }
  std::size_t size() const { return entries_.size(); }

  static std::string key(const char* name);

private:
  std::map<std::string, NVS_SDK_V160::RECORD_FILE_ENTRY> entries_;
};

}  // namespace kestrune
