#include "zrv_file_reader.h"

namespace pellaquin {

CZRVFileReader::~CZRVFileReader() = default;

void CZRVFileReader::Close() {
  file_.reset();
  file_size_ = 0;
  header_ = {};
  found_segments_ = 0;
}

bool CZRVFileReader::ReadExact(void* buffer, size_t len) {
  return file_->Read(buffer, len) == len;
}

int CZRVFileReader::Open(std::unique_ptr<IByteSource> file) {
  file_ = std::move(file);
  header_ = {};
  found_segments_ = 0;
  if (!file_) return -1;
  file_size_ = file_->Size();
  if (file_size_ < 0 || !file_->Seek(0) || !ReadExact(&header_, sizeof header_)) return -1;
  const uint32_t count = header_.segment_count;
  if (count < 1 || count > kMaxSegments || header_.first_segment <= sizeof(ZrvFileHeader)) return -1;
  int64_t offset = header_.first_segment;
  for (uint32_t s = 0; s < count; ++s) {
    ZrvSegmentHeader seg;
    bool ok = offset >= static_cast<int64_t>(sizeof(ZrvFileHeader)) &&
              offset + static_cast<int64_t>(sizeof seg) <= file_size_ && file_->Seek(offset) &&
              ReadExact(&seg, sizeof seg);
    // Segment headers never share bytes; a next offset that leads back
    // into one already met would make the chain a loop.
    for (uint32_t k = 0; ok && k < s; ++k) {
      int64_t gap = offset - segment_offsets_[k];
      if ((gap < 0 ? -gap : gap) < static_cast<int64_t>(sizeof seg)) ok = false;
    }
    if (!ok) return -1;
    const int64_t table = offset + static_cast<int64_t>(sizeof seg);
    const int64_t room = (file_size_ - table) / static_cast<int64_t>(sizeof(ZrvEntryRecord));
    segment_offsets_[s] = offset;
    entry_counts_[s] = seg.entry_count < room ? seg.entry_count : room;
    found_segments_ = s + 1;
    offset = seg.next_segment;
  }
  return 0;
}

int64_t CZRVFileReader::GetSegmentOffset(int segment) {
  // Segments the chain did not reach cannot be found.
  if (!file_ || segment < 0 || static_cast<uint32_t>(segment) >= found_segments_) return -1;
  return segment_offsets_[static_cast<size_t>(segment)];
}

int64_t CZRVFileReader::GetEntryCount(int segment) {
  int64_t offset = GetSegmentOffset(segment);
  if (offset < 0) return offset;
  return entry_counts_[static_cast<size_t>(segment)];
}

bool CZRVFileReader::SeekEntry(int entry, int segment, ZrvEntryRecord* record) {
  if (!file_ || entry < 0) return false;
  int64_t count = GetEntryCount(segment);
  if (count < 0 || entry >= count) return false;
  int64_t table = GetSegmentOffset(segment) + static_cast<int64_t>(sizeof(ZrvSegmentHeader));
  if (!file_->Seek(table + int64_t{entry} * 8) || !ReadExact(record, sizeof *record)) return false;
  return file_->Seek(record->offset);
}

int CZRVFileReader::ReadEntry(int entry, int segment, uint8_t* buffer, int capacity) {
  ZrvEntryRecord rec;
  if (!SeekEntry(entry, segment, &rec)) return -1;
  if (rec.length > static_cast<uint32_t>(capacity)) return kEntryTooLong;
  // Data that the file does not hold ends reading rather than passing a
  // short picture on.
  if (int64_t{rec.offset} + rec.length > file_size_) return -1;
  if (rec.length > 0 && !ReadExact(buffer, rec.length)) return -1;
  return static_cast<int>(rec.length);
}

int CZRVFileReader::ReadEntryPrefix(int entry, int segment, uint8_t* buffer, int max_len) {
  ZrvEntryRecord rec;
  if (!SeekEntry(entry, segment, &rec) || max_len < 0) return -1;
  size_t want = rec.length < static_cast<uint32_t>(max_len) ? rec.length : static_cast<size_t>(max_len);
  if (int64_t{rec.offset} + static_cast<int64_t>(want) > file_size_) return -1;
  return static_cast<int>(file_->Read(buffer, want));
}

}  // namespace pellaquin
