#pragma once
// On-disk records of a .zrv recording. All integers are little-endian u32;
// offsets are absolute from the start of the file.
#include <bit>
#include <cstdint>

namespace pellaquin {

#pragma pack(push, 1)
struct ZrvFileHeader {
  uint32_t tag;            // not read by the player (see testing/zrvgen)
  uint32_t version;        // not read by the player
  uint32_t segment_count;  // at least 1
  uint32_t first_segment;  // > 16
};

struct ZrvSegmentHeader {
  uint32_t next_segment;   // ignored for the last segment
  uint8_t reserved[28];    // not read by the player
  uint32_t entry_count;
  uint8_t reserved2[8];    // not read by the player
};

struct ZrvEntryRecord {
  uint32_t offset;
  uint32_t length;
};
#pragma pack(pop)

// The records are read straight into these structs, so their integers are
// host integers: only a little-endian host reads them right.
static_assert(std::endian::native == std::endian::little, "the .zrv records are little-endian");

static_assert(sizeof(ZrvFileHeader) == 16);
static_assert(sizeof(ZrvSegmentHeader) == 44);
static_assert(sizeof(ZrvEntryRecord) == 8);

}  // namespace pellaquin
