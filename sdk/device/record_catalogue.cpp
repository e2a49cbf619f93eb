#include "device/record_catalogue.h"

#include "device/device_messages.h"

namespace kestrune {

std::string RecordCatalogue::key(const char* name) {
  return name ? std::string(name, name_length(name)) : std::string();
}

void RecordCatalogue::store(const NVS_SDK_V160::RECORD_FILE_ENTRY& entry) {
  entries_[key(entry.file_name)] = entry;
}

const NVS_SDK_V160::RECORD_FILE_ENTRY* RecordCatalogue::find(const char* name) const {
  auto it = entries_.find(key(name));
  return it == entries_.end() ? nullptr : &it->second;
}

std::uint32_t RecordCatalogue::key_of(const char* name) const {
  const auto* entry = find(name);
  return entry ? entry->record_key : 0;
}

}  // namespace kestrune
