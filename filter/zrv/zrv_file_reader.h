#pragma once
// Reads the segment chain and single entries (stored RTP packets) of a .zrv
// recording. It has no lock of its own: the owner serialises every call,
// because all reads share the one position of the byte source.
#include <array>
#include <cstdint>
#include <memory>

#include "byte_source.h"
#include "zrv_format.h"

namespace pellaquin {

class CZRVFileReader {
public:
  // ReadEntry's answer for an entry longer than the caller's buffer: the
  // entry is refused whole, nothing is written.
  static constexpr int kEntryTooLong = -2;
  // More segments than this are not a recording (one holds a video and an
  // audio track, and the format leaves room for a few more): the count in
  // the header is not walked beyond it.
  static constexpr uint32_t kMaxSegments = 8;

  CZRVFileReader() = default;
  virtual ~CZRVFileReader();
  CZRVFileReader(const CZRVFileReader&) = delete;
  CZRVFileReader& operator=(const CZRVFileReader&) = delete;

  // Takes the opened file and checks its header and segment chain once:
  // 0 = valid, negative = invalid (the file stays attached until Close). A
  // chain that comes back to a segment already met is broken.
  int Open(std::unique_ptr<IByteSource> file);
  void Close();
  bool is_open() const { return file_ != nullptr; }

  int SegmentCount() const { return file_ ? static_cast<int>(header_.segment_count) : -1; }
  int64_t GetSegmentOffset(int segment);
  // The recorded count, cut to the records the file really holds after the
  // segment header (a count beyond them would only be walked in vain).
  int64_t GetEntryCount(int segment);
  // Reads the whole entry into buffer (capacity bytes); returns its recorded
  // length, -1 when closed, out of range or not fully readable, and
  // kEntryTooLong when it does not fit.
  int ReadEntry(int entry, int segment, uint8_t* buffer, int capacity);
  // Reads at most max_len bytes of the entry; returns the count read or -1.
  int ReadEntryPrefix(int entry, int segment, uint8_t* buffer, int max_len);

  int64_t file_size() const { return file_size_; }

private:
  // Positions the source at entry e of segment s and returns its record.
  bool SeekEntry(int entry, int segment, ZrvEntryRecord* record);
  bool ReadExact(void* buffer, size_t len);

  std::unique_ptr<IByteSource> file_;
  int64_t file_size_ = 0;
  ZrvFileHeader header_{};
  // Found by Open; valid for the first found_segments_ segments.
  uint32_t found_segments_ = 0;
  std::array<int64_t, kMaxSegments> segment_offsets_{};
  std::array<int64_t, kMaxSegments> entry_counts_{};
};

}  // namespace pellaquin
